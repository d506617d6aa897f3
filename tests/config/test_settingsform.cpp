#include "config/recordingchoices.h"
#include "config/settingsform.h"
#include "foundation/recordingname.h"
#include "foundation/settings.h"
#include "tests/support/pupiluser.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString BadAddress(const QString& a)
{
    return QStringLiteral(" L'adresse \"") + a + QStringLiteral("\" n'est pas correcte.");
}

TEST(SettingsComplaint, FirstFailingCheckWinsInOrder)
{
    const QString ok = QStringLiteral("prof@lycee.fr");
    // Every row breaks one check and all those after it.
    const struct {
        QString recipient, sender, login, site, password;
        std::optional<QString> complaint;
        SendChoice sending = SendChoice::Web;
    } rows[] = {
        {"", "", "", "", "", QStringLiteral("Vous n'avez pas saisi l'adresse du destinataire !")},
        {"prof@lycee", "", "", "", "", BadAddress("prof@lycee")},
        {ok, "", "", "", "", QStringLiteral("Vous n'avez pas saisi votre adresse email !")},
        {ok, "Moi @lycee.fr", "", "", "", BadAddress("Moi @lycee.fr")},
        {ok, ok, "", "", "",
         QStringLiteral("Vous n'avez pas saisi votre login (nom de connexion sur le site Web) !\r"
                        "Si vous n'avez pas de login, tapez votre nom.")},
        {ok, ok, "eleve1", "", "", QStringLiteral("Vous n'avez pas saisi l'adresse du site Web !")},
        {ok, ok, "eleve1", "www.lycee.fr", "",
         QStringLiteral("Vous n'avez pas saisi votre mot de passe sur le site web !")},
        {ok, ok, "eleve1", "www.lycee.fr", "x",
         QStringLiteral("Vous n'avez pas choisi le mode d'envoi !\rCochez \"Téléchargement sur le site Web\" "
                        "ou \"Envoi par email\"."),
         SendChoice::Neither},
        {ok, " moi@lycee.fr ", " ", " ", " ", std::nullopt},
    };
    int i = 0;
    for (const auto& r : rows) {
        TypedSettings typed;
        typed.recipient = r.recipient;
        typed.sender = r.sender;
        typed.login = r.login;
        typed.site = r.site;
        typed.password = r.password;
        typed.sending = r.sending;
        EXPECT_EQ(SettingsComplaint(typed), r.complaint) << "row " << i++;
    }
}

// Values the settings file would give back changed are refused, naming the
// field and the characters, after the seven checks.
TEST(SettingsComplaint, ValuesTheFileCannotHoldExactlyAreRefused)
{
    const QString tail = QStringLiteral(".\rModifiez ce champ avant de valider.");
    const QString lead =
        QStringLiteral(" contient des caractères que le fichier de paramètres ne peut pas garder "
                       "tels quels : ");
    const struct {
        std::function<void(TypedSettings&)> type;
        std::optional<QString> complaint;
    } rows[] = {
        {[](TypedSettings& t) { t.password = QStringLiteral("hasło-Łódź"); },
         QStringLiteral("Le champ \"Votre mot de passe sur le site\"") + lead +
             QStringLiteral("\"ł\", \"Ł\", \"ź\"") + tail},
        {[](TypedSettings& t) { t.folderName = QStringLiteral("Записи"); },
         QStringLiteral("Le champ \"Nom du répertoire d'enregistrement\"") + lead +
             QStringLiteral("\"З\", \"а\", \"п\", \"и\", \"с\"") + tail},
        {[](TypedSettings& t) { t.site = QStringLiteral("ecole.example\r\nPassword=414141"); },
         QStringLiteral("Le champ \"Adresse du site Web\"") + lead + QStringLiteral("retour à la ligne") +
             tail},
        {[](TypedSettings& t) { t.proxyPort = QStringLiteral("3128") + QChar(0); },
         QStringLiteral("Le champ \"Port\"") + lead + QStringLiteral("caractère nul") + tail},
        // "µ" has a code, its capital (the login is stored upper-cased) has none.
        {[](TypedSettings& t) { t.login = QStringLiteral("µeleve"); },
         QStringLiteral("Le champ \"Votre login sur le site\"") + lead + QStringLiteral("\"Μ\"") + tail},
        {[](TypedSettings& t) { t.folderLocation = QStringLiteral("/home/élève"); }, std::nullopt},
    };
    for (const auto& row : rows) {
        TypedSettings typed;
        typed.recipient = typed.sender = QStringLiteral("prof@lycee.fr");
        typed.login = typed.site = typed.password = QStringLiteral("x");
        typed.sending = SendChoice::Mail;
        row.type(typed);
        EXPECT_EQ(SettingsComplaint(typed), row.complaint) << row.complaint.value_or("").toStdString();
    }
}

class SettingsSave : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        settings.settingsFolder = appDataDir();
        settings.location = QStringLiteral("Lycee");
        settings.perso = QStringLiteral("Y:");
        settings.sendMode = QStringLiteral("ftp");
        typed.sender = QStringLiteral("moi@lycee.fr");
        typed.recipient = QStringLiteral("prof@lycee.fr");
        typed.login = QStringLiteral("eleve1");
        typed.site = QStringLiteral("http://www.lycee.fr/depot/");
        typed.password = QStringLiteral("secret");
        typed.proxyHost = QStringLiteral("172.20.0.254");
        typed.proxyPort = QStringLiteral("3128");
        typed.folderLocation = tempPath("voix");
        typed.folderName = QStringLiteral("Mirlo");
    }
    TypedSettings typed;
};

TEST_F(SettingsSave, ASiteGivenAsHttpsIsKeptHttpsOnlyBesideTheBareHost)
{
    typed.site = QStringLiteral("https://www.lycee.fr/");
    ASSERT_TRUE(SaveSettings(settings, typed, testClock.nowValue).failure.isEmpty());
    EXPECT_EQ(ReadSetting("Web", "Site", settings.workingFile()),
              "www.lycee.fr"); // as older versions read it
    EXPECT_EQ(ReadSetting("Web", "HttpsSite", settings.workingFile()), "www.lycee.fr");
    // Typed again without the scheme, it is not taken back to clear.
    typed.site = QStringLiteral("www.lycee.fr");
    ASSERT_TRUE(SaveSettings(settings, typed, testClock.nowValue).failure.isEmpty());
    EXPECT_EQ(ReadSetting("Web", "HttpsSite", settings.workingFile()), "www.lycee.fr");
}

TEST_F(SettingsSave, StoresTheCleanedValuesAndNamesTheNextRecording)
{
    typed.sending = SendChoice::Mail;
    const SavedSettings saved = SaveSettings(settings, typed, testClock.nowValue);

    const QString folder = JoinPath(tempPath("voix"), "Mirlo");
    const QString path = DefaultRecordingPath(folder, "ELEVE1", testClock.nowValue);
    EXPECT_EQ(saved.sendCaption, "Envoyer par email");
    EXPECT_EQ(saved.recordingPath, path);
    EXPECT_EQ(settings.pupilName, "ELEVE1");
    EXPECT_EQ(settings.webSite, "www.lycee.fr/depot");
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(saved.failure.isEmpty());
    for (const QString& file : {settings.workingFile(), settings.programFile()}) {
        EXPECT_EQ(ReadSetting("Web", "Site", file), "www.lycee.fr/depot") << file.toStdString();
        EXPECT_EQ(ReadSetting("Web", "mode", file), "mail");
        EXPECT_EQ(ReadSetting("Web", "ProxyPort", file), "3128");
        EXPECT_EQ(ReadSetting("IniPath", "Location", file), "Lycee");
        EXPECT_EQ(ReadSetting("IniPath", "Perso", file), "Y:");
    }
    EXPECT_EQ(UnscrambleSetting(ReadSetting("Web", "Password", settings.workingFile())), "secret");
    EXPECT_EQ(ReadSetting("email", "Nom", settings.workingFile()), "ELEVE1");
    EXPECT_EQ(ReadSetting("Config", "Dossier", settings.workingFile()), folder);
}

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

TEST_F(SettingsSave, LongPasswordsComeBackWholeAfterARestart)
{
    for (const int length : {43, 128, 300}) {
        typed.password = QString(length, u'p') + QStringLiteral("é€");
        ASSERT_TRUE(SaveSettings(settings, typed, testClock.nowValue).failure.isEmpty());
        Settings read = settings;
        ReadStartupSettings(read);
        EXPECT_EQ(read.webPassword, typed.password) << length;
    }
}

const QString kSaveFailed = QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans le dossier \"");

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

TEST_F(SettingsSave, SendingOptionGivesModeAndCaption)
{
    const struct {
        SendChoice sending;
        const char* mode;
        const char* caption;
    } rows[] = {
        {SendChoice::Web, "web", "Envoyer sur le site"},
        {SendChoice::Mail, "mail", "Envoyer par email"},
        {SendChoice::Neither, "ftp", ""},
    };
    for (const auto& r : rows) {
        settings.sendMode = QStringLiteral("ftp");
        typed.sending = r.sending;
        EXPECT_EQ(SaveSettings(settings, typed, testClock.nowValue).sendCaption, r.caption) << r.mode;
        EXPECT_EQ(settings.sendMode, r.mode);
        EXPECT_EQ(ReadSetting("Web", "mode", settings.workingFile()), r.mode);
    }
}

// The folder the next start reads is the one saved and created: whole past
// 254 characters, without the blanks that end a typed name.
TEST_F(SettingsSave, NextStartFindsTheSavedFolder)
{
    QString deep = tempPath("voix");
    while (deep.size() < 300)
        deep += QStringLiteral("/dossier-de-la-classe");
    const struct {
        QString location, name, folder;
    } rows[] = {
        {deep, "Mirlo", deep + "/Mirlo"},
        {tempPath("voix"), "Mirlo  ", tempPath("voix") + "/Mirlo"},
    };
    for (const auto& row : rows) {
        typed.folderLocation = row.location;
        typed.folderName = row.name;
        SaveSettings(settings, typed, testClock.nowValue);
        EXPECT_EQ(settings.recordingFolder, row.folder);
        EXPECT_EQ(ReadStoredRecordingOptions(settings.workingFile()).folder, row.folder);
        EXPECT_TRUE(QFileInfo(row.folder).isDir()) << row.folder.toStdString();
    }
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
