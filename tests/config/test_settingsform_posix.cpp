// Saving settings where only a POSIX system can fail it: modes, other users,
// links, pipes, the home folder.
#include "config/settingsform.h"
#include "foundation/settings.h"
#include "tests/config/settingssave.h"
#include "tests/support/pupiluser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSaveFailed = QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans le dossier \"");

mode_t Mode(const QString& path)
{
    struct stat st {};
    stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// The program-folder file is read by every user of the installation: it never
// gets the pupil's own keys, and loses those an older version left there.
TEST_F(SettingsSave, ThePupilsOwnKeysStayInThePrivateWorkingFile)
{
    settings.location = QStringLiteral("home");
    settings.settingsFolder = JoinPath(appDataDir(), "Mirlo");
    WriteFile(settings.programFile(), "[Web]\r\nPassword=C2A3B1\r\n[email]\r\nNom=AUTRE\r\n");
    ASSERT_TRUE(SaveSettings(settings, typed, testClock.nowValue).failure.isEmpty());
    EXPECT_EQ(ReadFile(settings.programFile()),
              "[Web]\r\nSite=www.lycee.fr/depot\r\nmode=ftp\r\nProxy=172.20.0.254\r\nProxyPort=3128\r\n"
              "[email]\r\nDestinataire=prof@lycee.fr\r\n[IniPath]\r\nLocation=home\r\nPerso=Y:\r\n");
    EXPECT_EQ(Mode(settings.settingsFolder), 0700);
    EXPECT_EQ(Mode(settings.workingFile()), 0600);
    EXPECT_EQ(ReadSetting("email", "Expediteur", settings.workingFile()), "moi@lycee.fr");
}

// Whatever keeps the working file from being written, the pupil is told which
// folder and why, and nothing in memory pretends it was saved.
TEST_F(SettingsSave, AFailedSaveNamesTheFolderAndChangesNothing)
{
    const QString other = tempPath("other.ini");
    WriteFile(other, "[Web]\r\nSite=cible\r\n");
    const QString notRegular = QStringLiteral(
        "\"Mirlox.ini\" y est un dossier, un lien ou un fichier spécial, pas un fichier ordinaire");
    const struct {
        const char* what;
        std::function<void(const QString& folder, const QString& file)> make;
        QString reason;
    } rows[] = {
        {"read-only file",
         [](const QString&, const QString& file) {
             WriteFile(file, "[Web]\r\nSite=ancien\r\n");
             chmod(QFile::encodeName(file).constData(), 0444);
         },
         QStringLiteral("le fichier \"Mirlox.ini\" est protégé en écriture")},
        {"read-only folder",
         [](const QString& folder, const QString&) { chmod(QFile::encodeName(folder).constData(), 0555); },
         QStringLiteral("vous n'avez pas le droit d'écrire dans ce dossier")},
        {"folder in its place", [](const QString&, const QString& file) { QDir().mkdir(file); }, notRegular},
        {"link in its place", [&](const QString&, const QString& file) { QFile::link(other, file); },
         notRegular},
        {"pipe in its place",
         [](const QString&, const QString& file) { mkfifo(QFile::encodeName(file).constData(), 0600); },
         notRegular},
        {"folder that cannot be made",
         [](const QString& folder, const QString&) {
             QDir().rmdir(folder);
             chmod(QFile::encodeName(QFileInfo(folder).path()).constData(), 0555);
         },
         QStringLiteral("ce dossier n'existe pas et n'a pas pu être créé")},
    };
    RUN_AS_PUPIL(QStringList({appDataDir(), programDir(), scratchDir()}), [&] {
        settings.location = QStringLiteral("home");
        int i = 0;
        for (const auto& row : rows) {
            const QString parent = JoinPath(appDataDir(), QString::number(i++));
            settings.settingsFolder = JoinPath(parent, "Mirlo");
            QDir().mkpath(settings.settingsFolder);
            row.make(settings.settingsFolder, settings.workingFile());
            const SavedSettings saved = SaveSettings(settings, typed, testClock.nowValue);
            EXPECT_EQ(saved.failure,
                      kSaveFailed + settings.settingsFolder + QStringLiteral("\" : ") + row.reason + u'.')
                << row.what;
            EXPECT_TRUE(saved.recordingPath.isEmpty()) << row.what;
            EXPECT_TRUE(settings.pupilName.isEmpty()) << row.what;
            EXPECT_EQ(settings.sendMode, "ftp") << row.what;
            EXPECT_EQ(ReadSetting("Web", "Site", settings.workingFile()),
                      row.what == std::string("read-only file") ? "ancien" : "")
                << row.what;
            chmod(QFile::encodeName(parent).constData(), 0700);
        }
        EXPECT_EQ(ReadFile(other), "[Web]\r\nSite=cible\r\n");
        EXPECT_FALSE(QFileInfo::exists(settings.programFile()));

        // No home folder at all: the account's home does not exist either.
        const passwd* account = getpwuid(geteuid());
        if (account && !QFileInfo::exists(QFile::decodeName(account->pw_dir))) {
            qunsetenv("APPDATA");
            qunsetenv("HOME");
            qunsetenv("XDG_CONFIG_HOME");
            LocateSettingsFolder(settings);
            const QString folder = JoinPath(JoinPath(QFile::decodeName(account->pw_dir), ".config"), "Mirlo");
            EXPECT_EQ(SaveSettings(settings, typed, testClock.nowValue).failure,
                      kSaveFailed + folder +
                          QStringLiteral("\" : ce dossier n'existe pas et n'a pas pu être créé."));
        }
    });
}

// A program folder the pupil may not write into matters only when the next
// start would then look for the settings in another folder.
TEST_F(SettingsSave, ReadOnlyProgramFolderFailsOnlyWhenTheNextStartWouldLookElsewhere)
{
    const QString share = tempPath("share");
    QDir().mkpath(share);
    RUN_AS_PUPIL(QStringList({appDataDir(), programDir(), scratchDir()}), [&] {
        chmod(QFile::encodeName(programDir()).constData(), 0555);
        settings.location = QStringLiteral("home");
        settings.settingsFolder = JoinPath(appDataDir(), "Mirlo");
        EXPECT_EQ(SaveSettings(settings, typed, testClock.nowValue).failure, "");
        EXPECT_EQ(ReadSetting("email", "Nom", settings.workingFile()), "ELEVE1");

        settings.location = QStringLiteral("Lycee");
        settings.perso = share;
        settings.settingsFolder = JoinPath(share, "Mirlo");
        EXPECT_EQ(SaveSettings(settings, typed, testClock.nowValue).failure,
                  kSaveFailed + programDir() +
                      QStringLiteral("\" : vous n'avez pas le droit d'écrire dans ce dossier."));
        chmod(QFile::encodeName(programDir()).constData(), 0700);
    });
}

// A first run validated without "Parcourir": the recordings go into a folder
// of the pupil's own, never at the root of the file system.
TEST_F(SettingsSave, NoLocationMeansAFolderInThePupilsHome)
{
    const QByteArray oldHome = qgetenv("HOME");
    const QString home = tempPath("home");
    QDir().mkpath(home + "/Music");
    qputenv("HOME", home.toLocal8Bit());
    typed.folderLocation.clear();
    typed.folderName = QStringLiteral("Enregistrements");
    const SavedSettings saved = SaveSettings(settings, typed, testClock.nowValue);
    qputenv("HOME", oldHome);

    const QString folder = ReadSetting("Config", "Dossier", settings.workingFile());
    EXPECT_TRUE(folder.startsWith(home + "/")) << folder.toStdString();
    EXPECT_TRUE(folder.endsWith("/Enregistrements")) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QFileInfo(saved.recordingPath).absolutePath(), folder);
}

} // namespace
