#pragma once
#include "foundation/inifile.h"

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

// APPDATA when set, else the user's configuration folder (from the account
// when HOME is not set, so it never becomes a folder at the root).
QString AppDataFolder();

// The working settings folder the location rule gives for these values.
QString SettingsFolderFor(const QString& location, const QString& perso);

// True when the program-folder file, as it stands, leads the next start to
// the same settings folder as these values.
bool ProgramFileLocates(const QString& location, const QString& perso);

// Creates the settings folder (and, when asked, the folders above it) for its
// owner only, and takes an existing one of ours away from everyone else: the
// working file holds the password. False when the folder is not there after.
bool MakeSettingsFolder(const QString& folder, bool withParents);

bool FileExists(const QString& path);

// Value of a key cut to 254 characters, "" when missing.
QString ReadSetting(const QString& section, const QString& key, const QString& file);
// The whole value: scrambled values (password, upload path) run past 254 characters.
QString ReadWholeSetting(const QString& section, const QString& key, const QString& file);
// Writes one key, ignoring failures; every file but the program-folder one is
// readable by its owner only.
void WriteSetting(const QString& section, const QString& key, const QString& value, const QString& file);
// Writes several keys at once, in order; the fault when nothing was stored.
SettingsFileFault WriteSettings(const QString& file, const QList<ProfileChange>& changes);

// The pupil's own keys, which never go into the program-folder file that
// every user of the installation reads: the password, the sender address, the
// login and the recording folder.
const QList<ProfileChange>& PersonalKeyRemovals();

// A new working file made from the program-folder file, without the personal
// keys; an existing working file stays as it is.
SettingsFileFault CopyProgramSettings(const QString& programFile, const QString& workingFile);

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
