#pragma once
#include "audio/recordingengine.h"
#include "audio/sounddevices.h"
#include "foundation/settings.h"
#include "tests/support/controls.h"
#include "tests/support/memorybackend.h"
#include "tests/support/testenv.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include <memory>

inline QLineEdit* Box(const QWidget& window, const QString& name) { return Control<QLineEdit>(window, name); }

// Menu items are named after their menu's items and their index: "cf_1", "RP_8".
inline QAction* MenuItem(const QWidget& window, const char* items, int index)
{
    return Control<QAction>(window, QStringLiteral("%1_%2").arg(QLatin1String(items)).arg(index));
}

// The recording engine the main window drives.
inline RecordingEngine& Engine(const MainWindow& window) { return *Control<RecordingEngine>(window, {}); }

// Home mode: the working file is APPDATA/Mirlo/Mirlox.ini. Sound goes to a
// memory backend unless a test installs another.
class MainWindowTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        InstallSoundDevices(&sound);
    }
    void TearDown() override
    {
        window.reset();
        InstallSoundDevices(nullptr);
        MirloTest::TearDown();
    }

    QString settingsFolder() const { return QDir(appDataDir()).filePath("Mirlo"); }
    QString workingFile() const { return QDir(settingsFolder()).filePath("Mirlox.ini"); }
    QString key(const char* section, const char* name) const
    {
        return ReadSetting(section, name, workingFile());
    }

    // The five values a pupil must have entered, plus extra lines.
    void writeSettings(const QByteArray& extra = {}, bool complete = true)
    {
        QDir().mkpath(settingsFolder());
        QByteArray text = "[email]\r\nExpediteur=eleve@example.org\r\nDestinataire=prof@example.org\r\n"
                          "Nom=dupont\r\n[Web]\r\nSite=www.example.org\r\n";
        if (complete)
            text += "Password=41424344\r\n";
        WriteFile(workingFile(), text + extra);
    }

    MainWindow& start()
    {
        window = std::make_unique<MainWindow>(programDir());
        window->StartUp();
        return *window;
    }

    MemoryBackend sound;
    std::unique_ptr<MainWindow> window;
};
