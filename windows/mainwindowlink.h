#pragma once
#include <QString>

// What the other windows may ask of the main window, without depending on it.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;
    virtual void showMainWindow() = 0;
    virtual void hideMainWindow() = 0;
    virtual void setSendCaption(const QString& caption) = 0;   // Envoi
    virtual void setRecordingPath(const QString& path) = 0;    // RecordingPath and Text5
    virtual void showSettingsDialog() = 0;                     // SettingsDialog, not modal
    virtual void showAboutBox() = 0;                           // AboutBox, not modal
    virtual void closeOtherWindows() = 0;                                // unloads AboutBox, SettingsDialog, UploadProgressWindow
};
