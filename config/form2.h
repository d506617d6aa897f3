#pragma once
#include <QWidget>

class MainWindowLink;

// The settings dialog.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(MainWindowLink& main, QWidget* parent = nullptr);

private:
    MainWindowLink& m_main;
};
