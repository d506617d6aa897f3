#pragma once
#include <QString>

#include <optional>

// Program-wide settings values, filled at start-up and by the settings dialog.
struct SharedValues {
    QString settingsFolder;  // folder of the working settings file
    QString location;        // IniPath/Location as read
    QString perso;           // IniPath/Perso (settings dialog only)
    QString sender;          // email/Expediteur
    QString recipient;       // email/Destinataire
    QString pupilName;       // email/Nom, upper case
    QString webSite;         // Web/Site
    QString webPassword;     // Web/Password, unscrambled
    QString proxyHost;       // Web/Proxy
    QString proxyPortText;   // Web/ProxyPort
    QString sendMode;        // Web/mode: "web" or "mail"
    QString recordingFolder; // Config/Dossier
    QString recordingPath;   // full path of the current recording file
    bool settingsComplete = false;
};

SharedValues& Shared();

inline const QString kSettingsFileName = QStringLiteral("Mirlox.ini");

// Joins a folder and a name with the platform separator.
QString JoinPath(const QString& folder, const QString& name);

// The folder of the running executable (tests may point it elsewhere).
QString ProgramFolder();
void SetProgramFolderForTesting(const QString& folder);

QString ProgramSettingsFile(); // program folder + Mirlox.ini
QString WorkingSettingsFile(); // SettingsFolder + Mirlox.ini

// APPDATA when set, else the user's configuration folder.
QString AppDataFolder();

bool FileExists(const QString& path);

// Value of a key cut to 254 characters, "" when missing.
QString ReadSetting(const QString& section, const QString& key, const QString& file);
// Writes one key; the working file is created readable by its owner only.
void WriteSetting(const QString& section, const QString& key, const QString& value, const QString& file);

// Location rule: fills Shared().location and Shared().settingsFolder from the
// program-folder file; creates the folder in school mode. Returns perso.
QString LocateSettingsFolder();
bool IsSchoolLocation(const QString& location);

QString UnscrambleSetting(const QString& stored);

// Reads a stored number the way the program does: leading numeric part, 0 when none.
double LeadingNumber(const QString& text);

// A stored window edge: a whole number in the signed 16-bit range, fractions
// rounded half to even. Anything else (absent, not a number, out of range)
// gives no value.
std::optional<int> ParseInt16(const QString& text);
