#pragma once
#include <QDateTime>
#include <QString>

#include <optional>

struct Settings;

// Which sending option is switched on in the settings dialog.
enum class SendChoice { Neither, Web, Mail };

// The settings dialog's entries as typed.
struct TypedSettings {
    QString sender;    // the pupil's own e-mail address
    QString recipient; // the teacher's e-mail address
    QString login;     // login on the web site, or the pupil's name
    QString site;      // web site address
    QString password;  // web site password, clear
    QString proxyHost;
    QString proxyPort;
    QString folderLocation; // where the recording folder goes
    QString folderName;     // the recording folder's own name
    SendChoice sending = SendChoice::Neither;
};

// The first complaint the entries earn, checking the recipient, the sender,
// the login, the site, the password and the sending mode in that order, then every field for
// characters the settings file cannot give back as typed; none when all pass.
// Only a text of length zero is empty: blanks pass.
std::optional<QString> SettingsComplaint(const TypedSettings& typed);

// The recording folder that a location and a name stand for. No location
// means a folder of the pupil's own (music, else documents, else home),
// never the root of the file system, where a pupil cannot write. Blanks
// ending the name are left out.
QString RecordingFolderFor(const QString& location, const QString& name);

// What the main window takes from a save.
struct SavedSettings {
    QString sendCaption;   // the send button's new caption, "" when the mode stays
    QString recordingPath; // the file the next recording goes into
    QString failure;       // what the pupil is told when nothing could be stored, else ""
};

// Stores entries that earned no complaint: writes the eleven keys into the
// working settings file, and all but the pupil's own (password, sender,
// login, folder) into the program settings file, removing those from it;
// then refreshes the settings, names the next recording after `now` and
// creates the recording folder. Neither sending option keeps the mode and the
// caption as they were. When the working file cannot be written, or the
// program file cannot and the next start would then look elsewhere, nothing
// is refreshed and `failure` says why.
SavedSettings SaveSettings(Settings& settings, const TypedSettings& typed, const QDateTime& now);
