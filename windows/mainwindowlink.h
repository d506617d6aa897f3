#pragma once
#include <QString>

// What the other windows may ask of the main window, without depending on it.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;
    virtual void showMainWindow() = 0;
    virtual void hideMainWindow() = 0;
    virtual void setSendCaption(const QString& caption) = 0; // the send button
    virtual void setRecordingPath(const QString& path) = 0;  // shared value and its box
    virtual void showSettingsDialog() = 0;                   // not modal
    virtual void showAboutBox() = 0;                         // not modal
    virtual void closeOtherWindows() = 0; // the about box, the settings dialog, the upload window
};
