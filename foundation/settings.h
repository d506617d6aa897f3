#pragma once
#include "foundation/inifile.h"

#include <QString>

#include <optional>

inline const QString kSettingsFileName = QStringLiteral("Mirlox.ini");

// The settings of one run: where the settings files are and what they hold.
// The main window owns the one value; whoever needs it is handed it.
struct Settings {
    QString programFolder;   // Mirlo's own folder: Launch, the help, the shared settings file
    QString settingsFolder;  // folder of the working settings file
    QString location;        // IniPath/Location as read
    QString perso;           // IniPath/Perso, the school share ("Z:" when none)
    QString sender;          // email/Expediteur
    QString recipient;       // email/Destinataire
    QString pupilName;       // email/Nom, upper case
    QString webSite;         // Web/Site
    QString webPassword;     // Web/Password, unscrambled
    QString proxyHost;       // Web/Proxy
    QString proxyPortText;   // Web/ProxyPort
    QString sendMode;        // Web/mode: "web" or "mail"
    QString recordingFolder; // Config/Dossier
    int windowTopTwips = 0;  // window/Top; 0 when missing or unusable
    int windowLeftTwips = 0; // window/Left; 0 when missing or unusable
    // The five values a pupil must enter are all there; without them the
    // program starts with the settings dialog.
    bool complete = false;

    QString programFile() const; // the shared settings folder (platform/places.h) + Mirlox.ini
    QString workingFile() const; // settings folder + Mirlox.ini
};

// The school share when the program-folder file names none; stored files rely on it.
inline const QString kDefaultPersoFolder = QStringLiteral("Z:");

// Joins a folder and a name with the platform separator.
QString JoinPath(const QString& folder, const QString& name);

// APPDATA when set, else the user's configuration folder (from the account
// when HOME is not set, so it never becomes a folder at the root).
QString AppDataFolder();

// The working settings folder the location rule gives for these values.
QString SettingsFolderFor(const QString& location, const QString& perso);

// True when the program-folder file, as it stands, leads the next start to
// the same settings folder as these values.
bool ProgramFileLocates(const QString& programFile, const QString& location, const QString& perso);

// Creates the settings folder (and, when asked, the folders above it) for its
// owner only, and takes an existing one of ours away from everyone else: the
// working file holds the password. False when the folder is not there after.
bool MakeSettingsFolder(const QString& folder, bool withParents);

bool FileExists(const QString& path);

// The whole value of a key, "" when missing: a folder, a scrambled password
// or upload path longer than 254 characters comes back as it was written.
QString ReadSetting(const QString& section, const QString& key, const QString& file);
// Writes one key, ignoring failures. Only the program-folder file, which
// every user of the installation reads, is shared: any other file is
// readable by its owner only.
void WriteSetting(const QString& section, const QString& key, const QString& value, const QString& file,
                  NewFileAccess access = NewFileAccess::OwnerOnly);
// Writes several keys at once, in order; the fault when nothing was stored.
SettingsFileFault WriteSettings(const QString& file, const QList<ProfileChange>& changes,
                                NewFileAccess access = NewFileAccess::OwnerOnly);

// The pupil's own keys, which never go into the program-folder file that
// every user of the installation reads: the password, the sender address, the
// login and the recording folder.
const QList<ProfileChange>& PersonalKeyRemovals();

// A new working file made from the program-folder file, without the personal
// keys; an existing working file stays as it is.
SettingsFileFault CopyProgramSettings(const QString& programFile, const QString& workingFile);

// IniPath/Perso of the program-folder file, the default share when none.
QString StoredPerso(const QString& programFile);

// Location rule: fills location, perso and the settings folder from the
// program-folder file; creates the folder in school mode. Gives why the
// program-folder file was refused (a link, a pipe, a huge file), which then
// reads as empty; None or Missing when nothing is to be told.
SettingsFileFault LocateSettingsFolder(Settings& settings);
bool IsSchoolLocation(const QString& location);

// What start-up reads from the working settings file before it asks
// anything of the pupil: the window's place, the e-mail and web values.
void ReadStartupSettings(Settings& settings);

QString UnscrambleSetting(const QString& stored);

// A stored number's leading numeric part (blanks skipped, then a sign,
// digits and one point), 0 when there is none.
double LeadingNumber(const QString& text);

// A stored window edge: a whole number in the signed 16-bit range, fractions
// rounded half to even. Anything else (absent, not a number, out of range)
// gives no value.
std::optional<int> ParseInt16(const QString& text);
