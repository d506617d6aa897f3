#pragma once
// Where things are on this computer, and how another program is started.
#include <QString>
#include <QStringList>

namespace platform {

// The folder of the running executable.
QString ProgramFolder();

// A program of the program folder by its name without extension
// ("Launch" is Launch.exe where programs have one).
QString ProgramPath(const QString& programFolder, const QString& name);

// Where the user's own settings go when no other folder is given: never a
// folder at the root, even without HOME.
QString UserSettingsFolder();

// Folders a recording may go into by default, most fitting first: the user's
// music, then documents, then home folder.
QStringList UserRecordingFolders();

// Starts a program without waiting for it and without a window of its own
// console; it inherits none of our output.
bool StartProgram(const QString& program);

} // namespace platform
