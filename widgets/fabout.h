#pragma once
#include <QWidget>

class MainWindowLink;

// The about box.
class FAbout : public QWidget {
    Q_OBJECT
public:
    explicit FAbout(MainWindowLink& main, QWidget* parent = nullptr);

private:
    MainWindowLink& m_main;
};
