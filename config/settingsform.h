#pragma once
#include <QDateTime>
#include <QString>

#include <optional>

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
// the login, the site and the password in that order; none when all pass.
// Only a text of length zero is empty: blanks pass.
std::optional<QString> SettingsComplaint(const TypedSettings& typed);

// The recording folder that a location and a name stand for. No location
// means a folder of the pupil's own (music, else documents, else home),
// never the root of the file system, where a pupil cannot write.
QString RecordingFolderFor(const QString& location, const QString& name);

// What the main window takes from a save.
struct SavedSettings {
    QString sendCaption;   // the send button's new caption, "" when the mode stays
    QString recordingPath; // the file the next recording goes into
};

// Stores entries that earned no complaint: refreshes the shared values,
// writes the eleven keys into the working then the program settings file,
// names the next recording after `now` and creates the recording folder.
// Neither sending option keeps the mode and the caption as they were.
SavedSettings SaveSettings(const TypedSettings& typed, const QDateTime& now);
