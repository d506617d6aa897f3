#pragma once
#include <QString>

// The program's texts break lines with a carriage return (character 13);
// on screen that is a new line.
QString ShownText(QString text);

// Real dialogs, message boxes, desktop links and program starts, for the
// programs' own runs (tests install scripted ones instead).
void InstallQtSeams();

class QApplication;
// What both programs set up before their first window: French texts for Qt's
// own dialogs and buttons, and an end only through EndProgram.
void PrepareApplication(QApplication& app);
