#include "config/recordingchoices.h"
#include "config/settingsform.h"
#include "foundation/recordingname.h"
#include "foundation/settings.h"
#include "tests/config/settingssave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
        {deep, "Mirlo", JoinPath(deep, "Mirlo")},
        {tempPath("voix"), "Mirlo  ", JoinPath(tempPath("voix"), "Mirlo")},
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

} // namespace
