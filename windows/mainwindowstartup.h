#pragma once

class MainWindow;

// What happens between the main window's creation and the pupil's first look
// at it: where the settings are and what they hold, the settings dialog on a
// first run, the sound devices, the stored options, the next recording's
// name, the buttons and the hand-in mode.
class MainWindowStartUp {
public:
    explicit MainWindowStartUp(MainWindow& window) : m_window(window) {}
    void run();

private:
    bool StartSoundDevices(); // false when the program ends instead
    void ShowSendMode();

    MainWindow& m_window;
};
