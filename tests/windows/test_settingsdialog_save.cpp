#include "tests/windows/settingsdialogtest.h"

#include "foundation/recordingname.h"
#include "foundation/settings.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <sys/stat.h>

namespace {

using Validation = SettingsDialogTest;

QString BadAddress(const QString& a)
{
    return QStringLiteral(" L'adresse \"") + a + QStringLiteral("\" n'est pas correcte.");
}

TEST_F(Validation, SevenChecksInOrderEachStoppingTheSave)
{
    open();
    const QString expected[] = {
        QStringLiteral("Vous n'avez pas saisi l'adresse du destinataire !"),
        BadAddress("prof@lycee"),
        QStringLiteral("Vous n'avez pas saisi votre adresse email !"),
        BadAddress("Moi @lycee.fr"),
        QStringLiteral("Vous n'avez pas saisi votre login (nom de connexion sur le site Web) !\r"
                       "Si vous n'avez pas de login, tapez votre nom."),
        QStringLiteral("Vous n'avez pas saisi l'adresse du site Web !"),
        QStringLiteral("Vous n'avez pas saisi votre mot de passe sur le site web !"),
    };
    // Each step fixes the previous complaint and meets the next one.
    const std::function<void()> steps[] = {
        [] {},
        [&] { type("txtDest", "prof@lycee"); },
        [&] { type("txtDest", "prof@lycee.fr"); },
        [&] { type("txtMail", "Moi @lycee.fr"); },
        [&] { type("txtMail", "moi@lycee.fr"); },
        [&] { type("txtLogin", "eleve1"); },
        [&] { type("txtSiteWeb", "www.lycee.fr"); },
    };
    for (int i = 0; i < 7; ++i) {
        steps[i]();
        prompter.messages.clear();
        pressEnter(box("txtPort"));
        ASSERT_EQ(prompter.messages.size(), 1) << i;
        EXPECT_EQ(prompter.messages[0].text, expected[i]) << i;
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(prompter.messages[0].title, "Mirlo");
        EXPECT_TRUE(dialog->isVisible());
    }
    EXPECT_TRUE(mainWindow.calls.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(homeFile()));
    EXPECT_FALSE(QFileInfo::exists(programFile()));
    EXPECT_TRUE(settings.recipient.isEmpty());
}

TEST_F(Validation, RecipientWithSecondAtIsRefusedBeforeTheSenderIsLookedAt)
{
    open();
    type("txtDest", "prof@lycee@ac.fr");
    action("mnuValider")->trigger();
    EXPECT_EQ(prompter.texts(), QStringList{BadAddress("prof@lycee@ac.fr")});
}

TEST_F(Validation, BlanksPassTheEmptyChecks)
{
    open();
    type("txtDest", "prof@lycee.fr");
    type("txtMail", " moi@lycee.fr ");
    type("txtLogin", " ");
    type("txtSiteWeb", "  ");
    type("txtPassword", " ");
    click(option("Option1_1"));
    action("mnuValider")->trigger();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settings.sender, " moi@lycee.fr ");
}

using Save = SettingsDialogTest;

QStringList KeysInFileOrder(const QString& file)
{
    QStringList keys;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return keys;
    static const QRegularExpression line(QStringLiteral("^([^=\\[]+)="));
    for (const QByteArray& l : f.readAll().split('\n')) {
        const auto m = line.match(QString::fromLatin1(l));
        if (m.hasMatch())
            keys.append(m.captured(1));
    }
    return keys;
}

TEST_F(Save, ElevenKeysGoIntoTheWorkingFileAndTheSchoolsIntoTheProgramFile)
{
    open();
    type("txtMail", "Eleve1@Lycee-Hugo.fr");
    type("txtDest", "prof@lycee-hugo.fr");
    type("txtSiteWeb", "http://www.lycee.fr/depot/");
    type("txtLogin", "eleve1");
    type("txtPassword", QString::fromUtf8("é€ motdepasse"));
    type("txtProxy", "172.20.0.254");
    type("txtPort", "3128");
    click(option("Option1_0"));
    const QString parent = tempPath("voix");
    QDir().mkpath(parent);
    prompter.folders.push_back(parent);
    click(button("cmdBrowser"));
    type("txtDossier", "Mirlo");
    const QString folder = JoinPath(parent, "Mirlo");

    pressEnter(box("txtDossier"));

    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(
        prompter.messages[0].text,
        "Vous pouvez modifier ces paramètres ultérieurement\ren cliquant sur le bouton \"Infos\" dans la "
        "fenêtre du logiciel.");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");

    EXPECT_EQ(KeysInFileOrder(homeFile()),
              (QStringList{"Site", "Password", "mode", "Proxy", "ProxyPort", "Destinataire", "Expediteur",
                           "Nom", "Dossier", "Location", "Perso"}));
    // Every user of the installation reads the program-folder file.
    EXPECT_EQ(KeysInFileOrder(programFile()),
              (QStringList{"Site", "mode", "Proxy", "ProxyPort", "Destinataire", "Location", "Perso"}));
    for (const QString& file : {homeFile(), programFile()}) {
        EXPECT_EQ(Key(file, "Web", "Site"), "www.lycee.fr/depot");
        EXPECT_EQ(Key(file, "Web", "mode"), "mail");
        EXPECT_EQ(Key(file, "Web", "Proxy"), "172.20.0.254");
        EXPECT_EQ(Key(file, "Web", "ProxyPort"), "3128");
        EXPECT_EQ(Key(file, "email", "Destinataire"), "prof@lycee-hugo.fr");
        EXPECT_EQ(Key(file, "IniPath", "Perso"), "Z:");
    }
    EXPECT_EQ(UnscrambleSetting(Key(homeFile(), "Web", "Password")), QString::fromUtf8("é€ motdepasse"));
    EXPECT_EQ(Key(homeFile(), "email", "Expediteur"), "Eleve1@Lycee-Hugo.fr");
    EXPECT_EQ(Key(homeFile(), "email", "Nom"), "ELEVE1");
    EXPECT_EQ(Key(homeFile(), "Config", "Dossier"), folder);

    const Settings& s = settings;
    EXPECT_EQ(s.pupilName, "ELEVE1");
    EXPECT_EQ(s.webSite, "www.lycee.fr/depot");
    EXPECT_EQ(s.webPassword, QString::fromUtf8("é€ motdepasse"));
    EXPECT_EQ(s.sendMode, "mail");
    EXPECT_EQ(s.recordingFolder, folder);
    const QString path = DefaultRecordingPath(folder, "ELEVE1", testClock.nowValue);
    EXPECT_TRUE(path.contains("ELEVE1_"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(s.complete);

    EXPECT_EQ(mainWindow.calls, (QStringList{"caption:Envoyer par email", "path:" + path, "show"}));
    EXPECT_FALSE(dialog->isVisible());

    // Hidden, not unloaded: showing it again keeps what was typed.
    dialog->show();
    EXPECT_EQ(box("txtLogin")->text(), "eleve1");
    EXPECT_EQ(box("txtSiteWeb")->text(), "http://www.lycee.fr/depot/");
    // A new load shows the login as stored.
    reopen();
    EXPECT_EQ(box("txtLogin")->text(), "ELEVE1");
    EXPECT_EQ(box("txtSiteWeb")->text(), "www.lycee.fr/depot");
    EXPECT_EQ(box("txtPassword")->text(), QString::fromUtf8("é€ motdepasse"));
    EXPECT_TRUE(option("Option1_0")->isChecked());
}

TEST_F(Save, WebOptionSetsTheUploadCaption)
{
    open();
    typeValidEntries();
    click(option("Option1_1"));
    action("mnuValider")->trigger();
    EXPECT_EQ(mainWindow.calls.value(0), "caption:Envoyer sur le site");
    EXPECT_EQ(Key(homeFile(), "Web", "mode"), "web");
}

// A file from an older version may hold no mode: validating asks for one.
TEST_F(Save, NeitherSendingOptionAsksForAMode)
{
    QDir().mkpath(homeFolder());
    WriteSetting("Web", "mode", "ftp", homeFile());
    open();
    EXPECT_FALSE(option("Option1_0")->isChecked());
    EXPECT_FALSE(option("Option1_1")->isChecked());
    typeValidEntries(false);
    action("mnuValider")->trigger();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "Vous n'avez pas choisi le mode d'envoi !\rCochez \"Téléchargement "
                                         "sur le site Web\" ou \"Envoi par email\".");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(Key(homeFile(), "Web", "mode"), "ftp");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(mainWindow.calls.isEmpty());
}

// Validated without "Parcourir": a folder of the pupil's own, not the root.
TEST_F(Save, EmptyLocationStoresAFolderInThePupilsHome)
{
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", scratchDir().toLocal8Bit());
    open();
    typeValidEntries();
    type("txtDossier", "Enreg");
    action("mnuValider")->trigger();
    qputenv("HOME", oldHome);
    const QString stored = Key(homeFile(), "Config", "Dossier");
    EXPECT_EQ(stored, JoinPath(scratchDir(), "Enreg"));
    EXPECT_EQ(mainWindow.calls.filter("path:" + stored + QDir::separator()).size(), 1);
}

TEST_F(Save, SchoolModeStoresLocationAndPerso)
{
    const QString share = tempPath("share");
    QDir().mkpath(share);
    WriteSetting("IniPath", "Perso", share, programFile());
    open();
    click(option("OptLycee_0"));
    typeValidEntries();
    const QString school = JoinPath(JoinPath(share, "Mirlo"), "Mirlox.ini");
    action("mnuValider")->trigger();
    EXPECT_EQ(Key(school, "IniPath", "Location"), "Lycee");
    EXPECT_EQ(Key(school, "IniPath", "Perso"), share);
    EXPECT_EQ(Key(school, "Web", "mode"), "web");
    EXPECT_EQ(Key(school, "email", "Nom"), "ELEVE1");
    EXPECT_FALSE(QFileInfo::exists(homeFile()));
}

// What the pupil meets when the settings cannot be stored: one error that
// names the folder, the dialog still open with everything typed, no success
// message; once the folder is put right, validating again saves.
using SaveFailure = SettingsDialogTest;

TEST_F(SaveFailure, TheDialogStaysOpenWithEverythingTyped)
{
    const QString other = tempPath("other.ini");
    const QString notRegular = QStringLiteral(
        "\"Mirlox.ini\" y est un dossier, un lien ou un fichier spécial, pas un fichier ordinaire");
    const struct {
        const char* what;
        std::function<void()> make;
        std::function<void()> undo;
        QString reason;
    } rows[] = {
        {"folder in its place", [&] { QDir().mkdir(homeFile()); }, [&] { QDir().rmdir(homeFile()); },
         notRegular},
        {"link in its place", [&] { QFile::link(other, homeFile()); }, [&] { QFile::remove(homeFile()); },
         notRegular},
        {"pipe in its place", [&] { mkfifo(QFile::encodeName(homeFile()).constData(), 0600); },
         [&] { QFile::remove(homeFile()); }, notRegular},
        {"write-protected file",
         [&] {
             WriteFile(homeFile(), "");
             QFile::setPermissions(homeFile(), QFile::ReadOwner);
         },
         [&] { QFile::setPermissions(homeFile(), QFile::ReadOwner | QFile::WriteOwner); },
         QStringLiteral("le fichier \"Mirlox.ini\" est protégé en écriture")},
    };
    for (const auto& row : rows) {
        WriteFile(other, "[Web]\r\nSite=cible\r\n");
        reopen();
        typeValidEntries();
        type("txtProxy", "172.20.0.254");
        QFile::remove(homeFile()); // saved by the row before
        row.make();
        prompter.messages.clear();
        mainWindow.calls.clear();

        pressEnter(box("txtPort"));
        ASSERT_EQ(prompter.messages.size(), 1) << row.what;
        EXPECT_EQ(prompter.messages[0].text,
                  QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans le "
                                 "dossier \"") +
                      homeFolder() + QStringLiteral("\" : ") + row.reason + u'.')
            << row.what;
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Critical);
        EXPECT_EQ(prompter.messages[0].title, "Mirlo");
        EXPECT_TRUE(dialog->isVisible()) << row.what;
        EXPECT_EQ(box("txtLogin")->text(), "ELEVE1");
        EXPECT_EQ(box("txtPassword")->text(), "secret");
        EXPECT_EQ(box("txtProxy")->text(), "172.20.0.254");
        EXPECT_TRUE(mainWindow.calls.isEmpty()) << row.what;
        EXPECT_EQ(ReadFile(other), "[Web]\r\nSite=cible\r\n") << row.what;

        row.undo();
        prompter.messages.clear();
        pressEnter(box("txtPort"));
        ASSERT_EQ(prompter.messages.size(), 1) << row.what;
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information) << row.what;
        EXPECT_FALSE(dialog->isVisible()) << row.what;
        EXPECT_EQ(Key(homeFile(), "Web", "Proxy"), "172.20.0.254") << row.what;
    }
}

// A value the settings file would give back changed is refused before
// anything is stored, naming the field and the characters.
TEST_F(SaveFailure, CharactersTheFileCannotHoldAreRefused)
{
    open();
    typeValidEntries();
    type("txtPassword", QStringLiteral("hasło-Łódź"));
    pressEnter(box("txtPort"));
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(
        prompter.messages[0].text,
        QStringLiteral("Le champ \"Votre mot de passe sur le site\" contient des caractères que le fichier "
                       "de paramètres ne peut pas garder tels quels : \"ł\", \"Ł\", \"ź\".\rModifiez ce "
                       "champ avant de valider."));
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(QFileInfo::exists(homeFile()));

    // A site pasted with a line break and a second key behind it.
    type("txtPassword", "secret");
    type("txtSiteWeb", "");
    QApplication::clipboard()->setText(QStringLiteral("ecole.example\r\nPassword=414141"));
    box("txtSiteWeb")->paste();
    prompter.messages.clear();
    pressEnter(box("txtPort"));
    // The box keeps the line break; the check refuses it.
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(
        prompter.messages[0].text,
        QStringLiteral("Le champ \"Adresse du site Web\" contient des caractères que le fichier de "
                       "paramètres ne peut pas garder tels quels : retour à la ligne.\rModifiez ce champ "
                       "avant de valider."));
    EXPECT_FALSE(QFileInfo::exists(homeFile()));
}

TEST_F(Save, LongPasswordComesBackWhole)
{
    const QString password = QString(130, u'm') + QStringLiteral("é€!");
    open();
    typeValidEntries();
    type("txtPassword", password);
    action("mnuValider")->trigger();
    reopen();
    EXPECT_EQ(box("txtPassword")->text(), password);
}

// Files that stand where a settings file should be are not read, and the
// pupil hears of them when the dialog loads.
TEST_F(SaveFailure, RefusedSettingsFilesAreToldWhenTheDialogLoads)
{
    QDir().mkpath(homeFolder());
    const struct {
        QString file;
        std::function<void(const QString&)> make;
    } rows[] = {
        {homeFile(), [](const QString& f) { mkfifo(QFile::encodeName(f).constData(), 0600); }},
        {programFile(), [](const QString& f) { QFile::link("/dev/zero", f); }},
    };
    for (const auto& row : rows) {
        row.make(row.file);
        prompter.messages.clear();
        reopen();
        ASSERT_EQ(prompter.messages.size(), 1) << row.file.toStdString();
        EXPECT_EQ(
            prompter.messages[0].text,
            QStringLiteral("Le fichier \"") + row.file +
                QStringLiteral("\" n'a pas été lu : ce n'est pas un fichier ordinaire (dossier, lien ou "
                               "fichier spécial)."));
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(box("txtMail")->text(), "");
        QFile::remove(row.file);
    }
}

} // namespace
