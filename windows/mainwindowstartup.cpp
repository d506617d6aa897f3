#include "windows/mainwindowstartup.h"

#include "audio/audioinput.h"
#include "config/recordingchoices.h"
#include "config/settingsmessages.h"
#include "foundation/recordingname.h"
#include "foundation/seams.h"
#include "windows/mainwindow.h"
#include "windows/optionmenus.h"
#include "windows/recordingmessages.h"

void MainWindowStartUp::run()
{
    MainWindow& w = m_window;
    Settings& settings = w.m_settings;
    const SettingsFileFault programFileFault = LocateSettingsFolder(settings);
    ReadStartupSettings(settings);
    w.PlaceWindow();
    if (!settings.complete) {
        // First run: the settings dialog comes first, and tells of refused files.
        w.hideMainWindow();
        w.showSettingsDialog();
    } else if (programFileFault != SettingsFileFault::None &&
               programFileFault != SettingsFileFault::Missing) {
        // A school's Location=Lycee would be lost without a word.
        MsgBox(SettingsReadFailureText(programFileFault, settings.programFile()), MsgIcon::Exclamation);
    }

    // Read once the first-run dialog is up: it may have filled the working file.
    const StoredRecordingOptions stored = ReadStoredRecordingOptions(settings.workingFile());
    // No folder stored: the one the settings dialog gives for no location.
    settings.recordingFolder = stored.folder.isEmpty() ? PupilsOwnFolder() : stored.folder;
    if (!StartSoundDevices())
        return;
    w.m_optionMenus->applyStored(stored);
    w.setRecordingPath(
        DefaultRecordingPath(settings.recordingFolder, settings.pupilName, programClock().now()));
    w.SetButtonsIdle();
    ShowSendMode();
    w.FitToFont(); // the buttons have their captions now
}

bool MainWindowStartUp::StartSoundDevices()
{
    AudioInput devices;
    if (!devices.open()) {
        ShowRecordingProblem(RecordingProblem::SoundDevicesFailed);
        EndProgram();
        return false;
    }
    m_window.m_optionMenus->listDevices(devices.devices());
    return true;
}

// Read after the first-run settings dialog, which may have set it.
void MainWindowStartUp::ShowSendMode()
{
    Settings& settings = m_window.m_settings;
    settings.sendMode = ReadSetting("Web", "mode", settings.workingFile());
    if (settings.sendMode == QLatin1String("web"))
        m_window.setSendCaption(QStringLiteral("Envoyer sur le site"));
    else if (settings.sendMode == QLatin1String("mail"))
        m_window.setSendCaption(QStringLiteral("Envoyer par email"));
}
