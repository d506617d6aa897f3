#pragma once
#include <QString>

// What the main window reads from the working settings file before it asks
// anything of the pupil.
struct StartupSettings {
    int windowTopTwips = 0;  // window/Top; 0 when missing or unusable
    int windowLeftTwips = 0; // window/Left; 0 when missing or unusable
    QString sender;          // email/Expediteur
    QString recipient;       // email/Destinataire
    QString pupilName;       // email/Nom, upper case
    QString webSite;         // Web/Site
    QString webPassword;     // Web/Password, unscrambled
    QString proxyHost;       // Web/Proxy
    QString proxyPortText;   // Web/ProxyPort
    // The five values a pupil must enter are all there; without them the
    // program starts with the settings dialog.
    bool complete = false;
};

StartupSettings ReadStartupSettings(const QString& workingFile);

// The recording options as stored, read once the first-run settings dialog
// is up (it may have filled the working file meanwhile). Menu positions are
// the decimal text of the stored value's leading number, empty when none is
// stored.
struct StoredRecordingOptions {
    QString folder;             // Config/Dossier
    QString devicePosition;     // Config/Periph
    QString sampleRatePosition; // Config/Freq
    QString bitRatePosition;    // Config/Bitrate
    QString qualityPosition;    // Config/Quality
};

StoredRecordingOptions ReadStoredRecordingOptions(const QString& workingFile);
