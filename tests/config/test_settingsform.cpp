#include "config/settingsform.h"
#include "foundation/recordingname.h"
#include "foundation/settings.h"
#include "tests/support/testenv.h"

#include <QDir>
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
        EXPECT_EQ(SettingsComplaint(typed), r.complaint) << "row " << i++;
    }
}

class SettingsSave : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        Shared().settingsFolder = appDataDir();
        Shared().location = QStringLiteral("Lycee");
        Shared().perso = QStringLiteral("Y:");
        Shared().sendMode = QStringLiteral("ftp");
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

TEST_F(SettingsSave, StoresTheCleanedValuesAndNamesTheNextRecording)
{
    typed.sending = SendChoice::Mail;
    const SavedSettings saved = SaveSettings(typed, testClock.nowValue);

    const QString folder = JoinPath(tempPath("voix"), "Mirlo");
    const QString path = DefaultRecordingPath(folder, "ELEVE1", testClock.nowValue);
    EXPECT_EQ(saved.sendCaption, "Envoyer par email");
    EXPECT_EQ(saved.recordingPath, path);
    EXPECT_EQ(Shared().recordingPath, path);
    EXPECT_EQ(Shared().pupilName, "ELEVE1");
    EXPECT_EQ(Shared().webSite, "www.lycee.frdepot");
    EXPECT_TRUE(QFileInfo(folder).isDir());
    for (const QString& file : {WorkingSettingsFile(), ProgramSettingsFile()}) {
        EXPECT_EQ(ReadSetting("Web", "Site", file), "www.lycee.frdepot") << file.toStdString();
        EXPECT_EQ(UnscrambleSetting(ReadSetting("Web", "Password", file)), "secret");
        EXPECT_EQ(ReadSetting("Web", "mode", file), "mail");
        EXPECT_EQ(ReadSetting("Web", "ProxyPort", file), "3128");
        EXPECT_EQ(ReadSetting("email", "Nom", file), "ELEVE1");
        EXPECT_EQ(ReadSetting("Config", "Dossier", file), folder);
        EXPECT_EQ(ReadSetting("IniPath", "Location", file), "Lycee");
        EXPECT_EQ(ReadSetting("IniPath", "Perso", file), "Y:");
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
        Shared().sendMode = QStringLiteral("ftp");
        typed.sending = r.sending;
        EXPECT_EQ(SaveSettings(typed, testClock.nowValue).sendCaption, r.caption) << r.mode;
        EXPECT_EQ(Shared().sendMode, r.mode);
        EXPECT_EQ(ReadSetting("Web", "mode", WorkingSettingsFile()), r.mode);
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
    const SavedSettings saved = SaveSettings(typed, testClock.nowValue);
    qputenv("HOME", oldHome);

    const QString folder = ReadSetting("Config", "Dossier", WorkingSettingsFile());
    EXPECT_TRUE(folder.startsWith(home + "/")) << folder.toStdString();
    EXPECT_TRUE(folder.endsWith("/Enregistrements")) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QFileInfo(saved.recordingPath).absolutePath(), folder);
}

} // namespace
