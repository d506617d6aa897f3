#include "tests/windows/settingsdialogtest.h"

#include "foundation/settings.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

class Import : public SettingsDialogTest {
protected:
    void SetUp() override
    {
        SettingsDialogTest::SetUp();
        seed();
    }

    void seed()
    {
        QDir().mkpath(homeFolder());
        for (const QString& file : {homeFile(), programFile()}) {
            WriteSetting("Web", "Upload", "4142", file);
            WriteSetting("Web", "Site", "old.site.fr", file);
            WriteSetting("Web", "Proxy", "10.0.0.1", file);
            WriteSetting("Web", "ProxyPort", "8080", file);
            WriteSetting("email", "Destinataire", "ancien@lycee.fr", file);
        }
        WriteSetting("IniPath", "Perso", "Y:", programFile());
    }

    QString prm(const QByteArray& content)
    {
        const QString path = tempPath("params.prm");
        WriteFile(path, content);
        prompter.files.push_back(path);
        return path;
    }

    void expectClearedInBoth()
    {
        for (const QString& file : {homeFile(), programFile()}) {
            EXPECT_EQ(Key(file, "Web", "Proxy"), "") << file.toStdString();
            EXPECT_EQ(Key(file, "Web", "ProxyPort"), "");
            EXPECT_EQ(Key(file, "IniPath", "Perso"), "");
            EXPECT_TRUE(ReadFile(file).contains("ProxyPort=\r\n"));
        }
    }
};

const QString kInvalid = QString::fromUtf8("paramètres non valides !");

TEST_F(Import, OnlyTheRecipientFillsItAndClearsTheAlwaysCopiedEntries)
{
    open();
    EXPECT_EQ(box("txtProxy")->text(), "10.0.0.1");
    prm("[email]\r\nDestinataire=prof@lycee.fr\r\nExpediteur=pirate@x.fr\r\n[Web]\r\nPassword=00\r\n");
    action("mnuImport")->trigger();

    ASSERT_EQ(prompter.fileRequests.size(), 1);
    const FileRequest& r = prompter.fileRequests[0];
    EXPECT_EQ(r.title, QString::fromUtf8("Fichier de paramètres à importer"));
    EXPECT_EQ(r.initialFolder, programDir());
    EXPECT_EQ(r.defaultSuffix, "prm");
    EXPECT_EQ(r.filter, "Fichiers prm|*.prm");

    EXPECT_TRUE(prompter.messages.isEmpty());
    for (const QString& file : {homeFile(), programFile()}) {
        EXPECT_EQ(Key(file, "email", "Destinataire"), "prof@lycee.fr");
        EXPECT_EQ(Key(file, "Web", "Upload"), "4142"); // not in the file: kept
        EXPECT_EQ(Key(file, "Web", "Site"), "old.site.fr");
        EXPECT_EQ(Key(file, "Web", "Password"), ""); // never imported
        EXPECT_EQ(Key(file, "email", "Expediteur"), "");
    }
    expectClearedInBoth();
    EXPECT_EQ(box("txtDest")->text(), "prof@lycee.fr");
    EXPECT_EQ(box("txtProxy")->text(), "");
    EXPECT_EQ(box("txtPort")->text(), "");
    EXPECT_EQ(settings.perso, "Z:");
}

TEST_F(Import, ValuesAreCopiedAsRead)
{
    open();
    prm("[Web]\nUpload=ABCDEF\nSite=http://www.lycee.fr/\nProxy=proxy.lycee\nProxyPort=3128\n"
        "[email]\nDestinataire=pas une adresse\n");
    action("mnuImport")->trigger();
    EXPECT_TRUE(prompter.messages.isEmpty());
    for (const QString& file : {homeFile(), programFile()}) {
        EXPECT_EQ(Key(file, "Web", "Upload"), "ABCDEF");
        EXPECT_EQ(Key(file, "Web", "Site"), "www.lycee.fr"); // cleaned as a typed site is
        EXPECT_EQ(Key(file, "email", "Destinataire"), "pas une adresse");
        EXPECT_EQ(Key(file, "Web", "ProxyPort"), "3128");
    }
    EXPECT_EQ(box("txtSiteWeb")->text(), "www.lycee.fr");
    EXPECT_EQ(box("txtProxy")->text(), "proxy.lycee");
}

TEST_F(Import, FilesWithoutAnyOfTheSixEntriesAreRefusedAfterClearing)
{
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(static_cast<char>((i * 131 + 7) % 256));
    const QByteArray contents[] = {"[Autre]\r\nSite=www.x.fr\r\n[Web]\r\nmode=web\r\n", QByteArray(), binary};
    for (const QByteArray& content : contents) {
        seed(); // fresh values for each kind
        open();
        prm(content);
        action("mnuImport")->trigger();
        ASSERT_EQ(prompter.messages.size(), 1);
        EXPECT_EQ(prompter.messages[0].text, kInvalid);
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(prompter.messages[0].title, "Mirlo");
        expectClearedInBoth();
        EXPECT_EQ(Key(homeFile(), "email", "Destinataire"), "ancien@lycee.fr");
        // Reloaded after the message.
        EXPECT_EQ(box("txtProxy")->text(), "");
        prompter.messages.clear();
    }
}

TEST_F(Import, LongValuesComeWhole)
{
    open();
    const QByteArray site(300, 's');
    prm("[Web]\nSite=" + site + "\n");
    action("mnuImport")->trigger();
    EXPECT_EQ(Key(homeFile(), "Web", "Site"), QString(300, u's'));
    EXPECT_EQ(Key(programFile(), "Web", "Site"), QString(300, u's'));
    EXPECT_EQ(box("txtSiteWeb")->text().size(), 300);
}

TEST_F(Import, PersoMovesTheSchoolSettingsFolder)
{
    const QString shareA = tempPath("a");
    const QString shareB = tempPath("b");
    QDir().mkpath(JoinPath(shareA, "Mirlo"));
    QDir().mkpath(shareB);
    WriteSetting("IniPath", "Location", "Lycee", programFile());
    WriteSetting("IniPath", "Perso", shareA, programFile());
    const QString fileA = JoinPath(JoinPath(shareA, "Mirlo"), "Mirlox.ini");
    const QString fileB = JoinPath(JoinPath(shareB, "Mirlo"), "Mirlox.ini");
    WriteSetting("email", "Destinataire", "a@lycee.fr", fileA);
    open();
    EXPECT_EQ(box("txtDest")->text(), "a@lycee.fr");

    prm("[IniPath]\nPerso=" + shareB.toUtf8() + "\n[email]\nDestinataire=nouveau@lycee.fr\n");
    action("mnuImport")->trigger();

    EXPECT_EQ(Key(fileA, "email", "Destinataire"), "nouveau@lycee.fr");
    EXPECT_EQ(Key(fileA, "IniPath", "Perso"), shareB);
    EXPECT_EQ(settings.settingsFolder, JoinPath(shareB, "Mirlo"));
    EXPECT_TRUE(QFileInfo(JoinPath(shareB, "Mirlo")).isDir());
    // The reload reads the new folder's file, where the recipient is not.
    EXPECT_EQ(box("txtDest")->text(), "");
    EXPECT_TRUE(option("OptLycee_0")->isChecked());
}

TEST_F(Import, EmptyPersoInSchoolModeMeansDriveZ)
{
    // The seeded share, relative to the program folder that the import makes current.
    QDir(programDir()).mkpath(JoinPath("Y:", "Mirlo"));
    WriteSetting("IniPath", "Location", "Lycee", programFile());
    open();
    prm("[IniPath]\nPerso=\n[email]\nDestinataire=p@lycee.fr\n");
    action("mnuImport")->trigger();
    EXPECT_EQ(settings.settingsFolder, QStringLiteral("Z:") + QDir::separator() + QStringLiteral("Mirlo"));
}

TEST_F(Import, CancelledChoiceTouchesNothing)
{
    open();
    type("txtMail", "tape@lycee.fr");
    const QByteArray home = ReadFile(homeFile());
    const QByteArray program = ReadFile(programFile());
    action("mnuImport")->trigger(); // no file queued: cancelled
    EXPECT_EQ(prompter.fileRequests.size(), 1);
    EXPECT_EQ(ReadFile(homeFile()), home);
    EXPECT_EQ(ReadFile(programFile()), program);
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(box("txtMail")->text(), "tape@lycee.fr");
}

// An import that cannot be read or stored is told, and the dialog keeps what
// the pupil typed: nothing is reloaded.
TEST_F(Import, AFailedImportKeepsWhatWasTyped)
{
    const QByteArray program = ReadFile(programFile());
    const QString pipe = tempPath("tuyau.prm");
    mkfifo(QFile::encodeName(pipe).constData(), 0600);
    const struct {
        const char* what;
        std::function<void()> choose;
        QString message;
    } rows[] = {
        {"pipe as parameter file", [&] { prompter.files.push_back(pipe); },
         QStringLiteral("Le fichier \"") + pipe +
             QStringLiteral("\" n'a pas été lu : ce n'est pas un fichier ordinaire (dossier, lien ou fichier "
                            "spécial).")},
        {"folder in place of the settings file",
         [&] {
             QFile::remove(homeFile());
             QDir().mkdir(homeFile());
             prm("[Web]\nProxy=proxy.lycee\n");
         },
         QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans le dossier \"") + homeFolder() +
             QStringLiteral(
                 "\" : \"Mirlox.ini\" y est un dossier, un lien ou un fichier spécial, pas un fichier "
                 "ordinaire.")},
    };
    open();
    for (const auto& row : rows) {
        type("txtMail", "tape@lycee.fr");
        prompter.messages.clear();
        row.choose();
        action("mnuImport")->trigger();
        ASSERT_EQ(prompter.messages.size(), 1) << row.what;
        EXPECT_EQ(prompter.messages[0].text, row.message) << row.what;
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(box("txtMail")->text(), "tape@lycee.fr") << row.what;
        EXPECT_EQ(box("txtProxy")->text(), "10.0.0.1") << row.what;
        EXPECT_EQ(ReadFile(programFile()), program) << row.what;
    }
}

} // namespace
