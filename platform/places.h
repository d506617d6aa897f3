#pragma once
// Where things are on this computer, and how another program is started.
#include <QString>
#include <QStringList>

namespace platform {

// The folder of the running executable.
QString ProgramFolder();

// The folder of the settings file shared by every user of the installation
// (Mirlox.ini). Installed as a system package or with cmake --install, the
// program lives in <prefix>/lib/mirlo and the school's settings in the
// system's configuration folder: /etc/mirlo for the prefix /usr, else
// <prefix>/etc/mirlo. Anywhere else (a build folder, a copied folder, a
// Windows installation) it is the program folder itself.
QString SharedSettingsFolder(const QString& programFolder);

// A program of the program folder by its name without extension
// ("Launch" is Launch.exe where programs have one).
QString ProgramPath(const QString& programFolder, const QString& name);

// Where the user's own settings go when no other folder is given: never a
// folder at the root, even without HOME.
QString UserSettingsFolder();

// Folders a recording may go into by default, most fitting first: the user's
// music, then documents, then home folder.
QStringList UserRecordingFolders();

// Starts a program without waiting for it and without a window of its own
// console; it inherits none of our output.
bool StartProgram(const QString& program);

} // namespace platform
