#include "tests/windows/settingsdialogtest.h"

#include "foundation/helpfile.h"

#include "config/settingsform.h"
#include "foundation/settings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

namespace {

using Layout = SettingsDialogTest;

TEST_F(Layout, ControlsCarryTheirCaptionsAndTooltips)
{
    open();
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Enregistrement Mp3 - Paramétrage"));

    const struct {
        const char* name;
        const char* text;
    } labels[] = {
        {"Label1_1", "Votre adresse email :"},
        {"Label1_0", "Adresse email destinataire :"},
        {"Label1_6", "Adresse du site Web :"},
        {"Label1_2", "Votre login sur le site :"},
        {"Label1_7", "Votre mot de passe sur le site :"},
        {"Label1_8", "Adresse du proxy :"},
        {"Label1_9", "Port :"},
        {"lblLycee", "Vous travaillez au lycée :"},
        {"Label1_5", "Emplacement du dossier d'enregistrement :"},
        {"Label1_3", "Nom du répertoire d'enregistrement :"},
        {"Label1_4", "Chemin complet du répertoire d'enregistrement :"},
    };
    for (const auto& l : labels)
        EXPECT_EQ(label(l.name)->text(), QString::fromUtf8(l.text)) << l.name;

    const struct {
        const char* name;
        const char* tip;
    } boxes[] = {
        {"txtMail", "Tapez ici votre adresse email"},
        {"txtDest", "Tapez ici l'adresse email du destinataire des fichiers"},
        {"txtSiteWeb", "Tapez l'adresse du site Web (sans http://)"},
        {"txtLogin", "Tapez ici le login qui vous a été remis en début d'année par votre professeur"},
        {"txtPassword", "Tapez ici le mot de passe du site Web"},
        {"txtProxy", "Tapez l'adresse du Proxy s'il y en a un.(p. ex. 172.20.0.254)"},
        {"txtPort", "Tapez le n° du port du Proxy. (p. ex. 3128)"},
        {"txtDossier", "Nom que vous souhaitez donner au dossier qui contiendra les enregistrements"},
    };
    for (const auto& b : boxes) {
        EXPECT_EQ(box(b.name)->toolTip(), QString::fromUtf8(b.tip)) << b.name;
        EXPECT_TRUE(box(b.name)->isVisible()) << b.name;
    }
    EXPECT_EQ(box("txtPassword")->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(button("cmdBrowser")->text(), "Parcourir");
    EXPECT_EQ(
        button("cmdBrowser")->toolTip(),
        QString::fromUtf8("Dossier dans lequel vous souhaitez créer le répertoire des enregistrements"));

    const struct {
        const char* name;
        const char* title;
    } frames[] = {
        {"Frame1_0", "Informations pour l'envoi des fichiers"},
        {"Frame3", "Paramètres de Proxy"},
        {"Frame2", "Mode d'envoi"},
        {"Frame1_1", "Paramètres du logiciel"},
    };
    for (const auto& f : frames)
        EXPECT_EQ(dialog->findChild<QGroupBox*>(QLatin1String(f.name))->title(), QString::fromUtf8(f.title));

    EXPECT_EQ(option("Option1_1")->text(), QString::fromUtf8("Téléchargement sur le site Web"));
    EXPECT_EQ(option("Option1_0")->text(), "Envoi par email");
    EXPECT_EQ(option("OptLycee_0")->text(), "Oui");
    EXPECT_EQ(option("OptLycee_1")->text(), "Non");
}

TEST_F(Layout, MenuBarHoldsFichierThenValiderAndAide)
{
    open();
    auto* bar = dialog->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), "Fichier");
    EXPECT_EQ(top[1], action("mnuValider"));
    EXPECT_EQ(top[2], action("mnuAide"));
    EXPECT_EQ(top[1]->text(), "Valider");
    EXPECT_EQ(top[2]->text(), "Aide");
    QMenu* fichier = top[0]->menu();
    ASSERT_NE(fichier, nullptr);
    EXPECT_EQ(fichier->objectName(), "mnuFichier");
    ASSERT_EQ(fichier->actions().size(), 2);
    EXPECT_EQ(fichier->actions()[0], action("mnuImport"));
    EXPECT_EQ(fichier->actions()[1], action("mnuQuitter"));
    EXPECT_EQ(action("mnuImport")->text(), QString::fromUtf8("Importer des paramètres"));
    EXPECT_EQ(action("mnuQuitter")->text(), "Quitter");
}

TEST_F(Layout, TabOrderFollowsTheInputs)
{
    open();
    // Top to bottom, as the dialog reads.
    const char* order[] = {"txtMail",    "txtDest",    "txtSiteWeb", "txtLogin",  "txtPassword",
                           "txtProxy",   "txtPort",    "Option1_1",  "Option1_0", "OptLycee_0",
                           "OptLycee_1", "cmdBrowser", "txtDossier"};
    QWidget* w = dialog->findChild<QWidget*>(QLatin1String(order[0]));
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QWidget* next = w->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus)
            next = next->nextInFocusChain();
        EXPECT_EQ(next->objectName(), QLatin1String(order[i])) << "after " << order[i - 1];
        w = next;
    }
}

TEST_F(Layout, TheTwoOptionPairsAreIndependent)
{
    open();
    click(option("Option1_0"));
    EXPECT_TRUE(option("Option1_0")->isChecked());
    EXPECT_TRUE(option("OptLycee_1")->isChecked());
    click(option("Option1_1"));
    EXPECT_FALSE(option("Option1_0")->isChecked());
    EXPECT_TRUE(option("OptLycee_1")->isChecked());
}

TEST_F(Layout, DialogWindowWithoutMinimiseOrMaximise)
{
    open();
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
}

// With large fonts (144 and 192 dpi) the dialog stays within the screen and
// scrolls: Tab brings every input into view, in the same order.
TEST_F(Layout, FitsTheScreenAndScrollsAtLargeFonts)
{
    const QFont desktop = QApplication::font();
    // The test screen is 800 pixels high: at two and a half times the dialog must scroll.
    for (const double scale : {1.5, 2.0, 2.5}) {
        QFont font = desktop;
        font.setPointSizeF(desktop.pointSizeF() * scale);
        QApplication::setFont(font);
        open();
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        const QRect screen = dialog->screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(dialog->frameGeometry())) << scale;
        auto* scroll = dialog->findChild<QScrollArea*>();
        ASSERT_TRUE(scroll);
        if (scale > 2) {
            EXPECT_GT(scroll->widget()->height(), scroll->viewport()->height()) << "no need to scroll";
        }

        box("txtMail")->setFocus();
        QStringList reached;
        for (int i = 0; i < 16 && !reached.contains("txtDossier"); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            ASSERT_TRUE(focused && scroll->widget()->isAncestorOf(focused)) << scale;
            reached << focused->objectName();
            const QRect shown(focused->mapTo(scroll->viewport(), QPoint(0, 0)), focused->size());
            // Its start at least: a box wider than the view shows from its left edge.
            EXPECT_TRUE(scroll->viewport()->rect().contains(shown.topLeft()) &&
                        scroll->viewport()->rect().contains(shown.bottomLeft()))
                << focused->objectName().toStdString() << " off view at " << scale;
        }
        EXPECT_TRUE(reached.contains("cmdBrowser") && reached.contains("txtDossier")) << scale;
        dialog.reset();
    }
    QApplication::setFont(desktop);
}

using FirstRun = SettingsDialogTest;

TEST_F(FirstRun, NoSettingsFilesGiveEmptyBoxesAtHome)
{
    open();
    for (const char* name :
         {"txtMail", "txtDest", "txtSiteWeb", "txtLogin", "txtPassword", "txtProxy", "txtPort", "txtDossier"})
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
    EXPECT_TRUE(option("OptLycee_1")->isChecked());
    EXPECT_FALSE(option("OptLycee_0")->isChecked());
    EXPECT_FALSE(option("Option1_0")->isChecked());
    EXPECT_FALSE(option("Option1_1")->isChecked());
    EXPECT_TRUE(option("Option1_0")->isEnabled());
    EXPECT_EQ(settings.settingsFolder, homeFolder());
    EXPECT_TRUE(QFileInfo(homeFolder()).isDir());
    // Loading at home writes nothing.
    EXPECT_FALSE(QFileInfo::exists(programFile()));
    EXPECT_FALSE(QFileInfo::exists(homeFile()));
}

TEST_F(FirstRun, QuitterEndsTheProgramAfterTheOrderlyShutdown)
{
    open();
    type("txtMail", "eleve@lycee.fr");
    action("mnuQuitter")->trigger();
    EXPECT_EQ(mainWindow.calls, QStringList{"closeOtherWindows"});
    EXPECT_EQ(endCalls, 1);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(homeFile()));
    EXPECT_FALSE(settings.complete);
}

TEST_F(FirstRun, CloseBoxEndsTheProgramToo)
{
    open();
    dialog->close();
    EXPECT_EQ(mainWindow.calls, QStringList{"closeOtherWindows"});
    EXPECT_EQ(endCalls, 1);
}

TEST_F(FirstRun, UnloadForShutdownNeitherEndsNorShowsTheMainWindow)
{
    open();
    dialog->unload();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(mainWindow.calls.isEmpty());
    EXPECT_EQ(endCalls, 0);
}

using Reopened = SettingsDialogTest;

TEST_F(Reopened, QuitterGoesBackToTheMainWindowAndSavesNothing)
{
    QDir().mkpath(homeFolder());
    WriteSetting("email", "Expediteur", "eleve@lycee.fr", homeFile());
    WriteSetting("email", "Nom", "eleve1", homeFile());
    WriteSetting("Web", "mode", "mail", homeFile());
    WriteSetting("IniPath", "Location", "home", programFile());
    const QByteArray home = ReadFile(homeFile());
    const QByteArray program = ReadFile(programFile());
    settings.complete = true;

    open();
    EXPECT_EQ(box("txtMail")->text(), "eleve@lycee.fr");
    EXPECT_EQ(box("txtLogin")->text(), "ELEVE1");
    EXPECT_TRUE(option("Option1_0")->isChecked());
    type("txtMail", "autre@lycee.fr");
    action("mnuQuitter")->trigger();

    EXPECT_EQ(mainWindow.calls, QStringList{"show"});
    EXPECT_EQ(endCalls, 0);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ReadFile(homeFile()), home);
    EXPECT_EQ(ReadFile(programFile()), program);
    EXPECT_TRUE(settings.complete);

    // Unloaded: showing it again fills it afresh.
    dialog->show();
    EXPECT_EQ(box("txtMail")->text(), "eleve@lycee.fr");
}

using ModeSwitch = SettingsDialogTest;

TEST_F(ModeSwitch, SchoolWithoutPersoUsesDriveZ)
{
    open();
    click(option("OptLycee_0"));
    EXPECT_EQ(settings.location, "Lycee");
    EXPECT_EQ(settings.settingsFolder, QStringLiteral("Z:") + QDir::separator() + QStringLiteral("Mirlo"));
    EXPECT_EQ(Key(programFile(), "IniPath", "Location"), "Lycee");
    EXPECT_EQ(Key(programFile(), "IniPath", "Perso"), "Z:");
    EXPECT_TRUE(option("OptLycee_0")->isChecked());
    EXPECT_TRUE(option("Option1_1")->isChecked());
    EXPECT_FALSE(option("Option1_0")->isChecked());
    EXPECT_FALSE(option("Option1_0")->isEnabled());
    // No drive Z: here: nothing is made in its place.
    EXPECT_FALSE(QFileInfo::exists(QDir(scratchDir()).filePath("Z:")));
}

TEST_F(ModeSwitch, ModeOfAProgramFileOnlyTheAdministratorMayWriteIsSaidToBeHis)
{
    for (const char* location : {"home", "Lycee"}) {
        SCOPED_TRACE(location);
        WriteSetting("IniPath", "Location", location, programFile());
        // Write-protected, as an installed package leaves it (even root's Mirlo leaves it be).
        QFile::setPermissions(programFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        reopen();
        const bool school = QString::fromLatin1(location) == "Lycee";
        prompter.messages.clear();
        click(option(school ? "OptLycee_1" : "OptLycee_0"));
        EXPECT_EQ(option("OptLycee_0")->isChecked(), school);
        EXPECT_EQ(Key(programFile(), "IniPath", "Location"), location);
        ASSERT_EQ(prompter.texts(),
                  QStringList{QString::fromUtf8("Le mode lycée est réglé par l'administrateur de "
                                                "cet ordinateur : vous ne pouvez pas le changer "
                                                "ici.")});
        EXPECT_EQ(prompter.messages.front().icon, MsgIcon::Information);
        QFile::setPermissions(programFile(), QFile::ReadOwner | QFile::WriteOwner);
    }
}

class SchoolAndHome : public SettingsDialogTest {
protected:
    void SetUp() override
    {
        SettingsDialogTest::SetUp();
        share = tempPath("share");
        QDir().mkpath(JoinPath(share, "Mirlo"));
        schoolFile = JoinPath(JoinPath(share, "Mirlo"), "Mirlox.ini");
        WriteSetting("IniPath", "Perso", share, programFile());
        WriteSetting("IniPath", "Location", "home", programFile());
        QDir().mkpath(homeFolder());
        WriteSetting("email", "Expediteur", "maison@free.fr", homeFile());
        WriteSetting("Web", "Proxy", "", homeFile());
        WriteSetting("Web", "mode", "mail", homeFile());
        WriteSetting("Config", "Dossier", JoinPath(tempPath("home"), "Enreg"), homeFile());
    }
    QString share;
    QString schoolFile;
};

TEST_F(SchoolAndHome, MissingSchoolFileStartsAsACopyOfTheProgramFile)
{
    WriteSetting("email", "Destinataire", "prof@lycee.fr", programFile());
    // Left there by an older version: another pupil's password is not copied.
    WriteSetting("Web", "Password", "C2A3B1", programFile());
    open();
    EXPECT_EQ(box("txtMail")->text(), "maison@free.fr");
    ASSERT_FALSE(QFileInfo::exists(schoolFile));

    click(option("OptLycee_0"));
    EXPECT_EQ(settings.settingsFolder, JoinPath(share, "Mirlo"));
    EXPECT_EQ(Key(schoolFile, "email", "Destinataire"), "prof@lycee.fr");
    EXPECT_EQ(Key(schoolFile, "IniPath", "Location"), "Lycee");
    EXPECT_EQ(Key(schoolFile, "Web", "mode"), "web");
    EXPECT_EQ(Key(schoolFile, "Web", "Password"), "");
    EXPECT_EQ(QFileInfo(schoolFile).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    EXPECT_EQ(box("txtDest")->text(), "prof@lycee.fr");
    EXPECT_EQ(box("txtMail")->text(), "");
    EXPECT_TRUE(option("Option1_1")->isChecked());
}

TEST_F(SchoolAndHome, EachSwitchReloadsFromTheThenCurrentWorkingFile)
{
    WriteSetting("email", "Expediteur", "lycee@ac.fr", schoolFile);
    WriteSetting("Config", "Dossier", JoinPath(tempPath("school"), "Voix"), schoolFile);
    open();
    EXPECT_EQ(box("txtMail")->text(), "maison@free.fr");
    EXPECT_EQ(box("txtDossier")->text(), "Enreg");
    EXPECT_EQ(label("lblDossier")->toolTip(), JoinPath(tempPath("home"), "Enreg"));

    type("txtMail", "tape@non.fr");
    click(option("OptLycee_0"));
    EXPECT_EQ(box("txtMail")->text(), "lycee@ac.fr");
    EXPECT_EQ(box("txtDossier")->text(), "Voix");
    EXPECT_EQ(label("lblDossier")->toolTip(), JoinPath(tempPath("school"), "Voix"));
    EXPECT_FALSE(option("Option1_0")->isEnabled());

    type("txtMail", "tape@encore.fr");
    click(option("OptLycee_1"));
    EXPECT_EQ(Key(programFile(), "IniPath", "Location"), "home");
    EXPECT_EQ(Key(schoolFile, "IniPath", "Location"), "home"); // the file being left
    EXPECT_EQ(settings.settingsFolder, homeFolder());
    EXPECT_EQ(box("txtMail")->text(), "maison@free.fr");
    EXPECT_TRUE(option("Option1_0")->isEnabled());
    EXPECT_TRUE(option("Option1_0")->isChecked());

    click(option("OptLycee_0"));
    EXPECT_EQ(box("txtMail")->text(), "lycee@ac.fr");
    EXPECT_TRUE(option("Option1_1")->isChecked());
}

TEST_F(SchoolAndHome, LoadingInSchoolModeRunsTheSwitch)
{
    WriteSetting("IniPath", "Location", "Lycee", programFile());
    WriteSetting("Web", "mode", "mail", schoolFile);
    open();
    EXPECT_TRUE(option("OptLycee_0")->isChecked());
    EXPECT_FALSE(option("Option1_0")->isEnabled());
    EXPECT_TRUE(option("Option1_1")->isChecked());
    EXPECT_EQ(Key(schoolFile, "Web", "mode"), "web");
    EXPECT_EQ(settings.sendMode, "web");
}

using Keys = SettingsDialogTest;

TEST_F(Keys, EnterAnywhereValidates)
{
    open();
    QWidget* targets[] = {box("txtMail"),       box("txtPort"),      button("cmdBrowser"),
                          option("OptLycee_1"), option("Option1_1"), dialog.get()};
    for (QWidget* w : targets)
        pressEnter(w);
    QTest::keyClick(box("txtDossier"), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(prompter.messages.size(), 7);
    for (const auto& m : prompter.messages)
        EXPECT_EQ(m.text, "Vous n'avez pas saisi l'adresse du destinataire !");
    // The key went to validation, not into the box or the button.
    EXPECT_TRUE(prompter.folderTitles.isEmpty());
}

TEST_F(Keys, HelpWordingDependsOnHowItWasAsked)
{
    open();
    QTest::keyClick(box("txtLogin"), Qt::Key_F1);
    action("mnuAide")->trigger();
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[0].text, QString::fromUtf8("Le fichier d'aide n'a pas été trouvé"));
    EXPECT_EQ(prompter.messages[1].text, QString::fromUtf8("Le fichier d'aide n'a pas été trouvé !"));
    for (const auto& m : prompter.messages) {
        EXPECT_EQ(m.icon, MsgIcon::Exclamation);
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
        EXPECT_EQ(m.title, "Mirlo");
    }
    EXPECT_TRUE(shellLog.openedUrls.isEmpty());
}

TEST_F(Keys, HelpOpensTheSettingsPage)
{
    const QString page = HelpPagePath(programDir(), HelpPage::Settings);
    QDir().mkpath(QFileInfo(page).path());
    WriteFile(page, "<html></html>");
    open();
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    action("mnuAide")->trigger();
    EXPECT_TRUE(prompter.messages.isEmpty());
    ASSERT_EQ(shellLog.openedUrls.size(), 2);
    for (const QUrl& url : shellLog.openedUrls)
        EXPECT_EQ(url, QUrl::fromLocalFile(page));
    EXPECT_TRUE(page.endsWith("/help/parametres.html"));
}

using FolderChoice = SettingsDialogTest;

TEST_F(FolderChoice, BrowserSetsTheLocationAndTheLabelFollowsTheName)
{
    open();
    prompter.folders.push_back(tempPath("cours"));
    click(button("cmdBrowser"));
    ASSERT_EQ(prompter.folderTitles.size(), 1);
    EXPECT_EQ(prompter.folderTitles[0],
              QString::fromUtf8("Dans quel dossier voulez-vous créer le répertoire d'enregistrement ?"));
    EXPECT_EQ(label("lblDossier")->toolTip(), tempPath("cours") + QDir::separator());

    type("txtDossier", "Ang");
    EXPECT_EQ(label("lblDossier")->toolTip(), JoinPath(tempPath("cours"), "Ang"));
    QTest::keyClick(box("txtDossier"), Qt::Key_Backspace);
    EXPECT_EQ(label("lblDossier")->toolTip(), JoinPath(tempPath("cours"), "An"));
}

TEST_F(FolderChoice, RootLosesItsSeparator)
{
    open();
    type("txtDossier", "Mirlo");
    prompter.folders.push_back(QString(QDir::separator()));
    click(button("cmdBrowser"));
    EXPECT_EQ(label("lblDossier")->toolTip(), RecordingFolderFor(QString(), "Mirlo"));

    prompter.folders.push_back(tempPath("x") + QDir::separator());
    click(button("cmdBrowser"));
    EXPECT_EQ(label("lblDossier")->toolTip(), JoinPath(tempPath("x"), "Mirlo"));
}

TEST_F(FolderChoice, CancelEmptiesTheLocation)
{
    open();
    prompter.folders.push_back(tempPath("cours"));
    click(button("cmdBrowser"));
    type("txtDossier", "Mirlo");
    click(button("cmdBrowser")); // no answer queued: cancelled
    // No location: the pupil's own folder, never the root.
    EXPECT_EQ(label("lblDossier")->toolTip(), RecordingFolderFor(QString(), "Mirlo"));
    EXPECT_NE(label("lblDossier")->toolTip(), QDir::separator() + QStringLiteral("Mirlo"));
}

TEST_F(FolderChoice, LongFolderIsShortenedInTheMiddleAndTheDialogStaysOnScreen)
{
    open();
    // A short path shows whole (a temporary folder's path may already be long).
    prompter.folders.push_back(QStringLiteral("/cours"));
    click(button("cmdBrowser"));
    type("txtDossier", "Ang");
    EXPECT_EQ(label("lblDossier")->text(), JoinPath(QStringLiteral("/cours"), "Ang"));

    QString longFolder = tempPath("cours");
    while (longFolder.size() < 191)
        longFolder += QStringLiteral("/dossier_des_enregistrements");
    prompter.folders.push_back(longFolder);
    click(button("cmdBrowser"));
    QApplication::processEvents();
    const QString whole = JoinPath(longFolder, "Ang");
    QLabel* path = label("lblDossier");
    EXPECT_EQ(path->toolTip(), whole);
    EXPECT_NE(path->text(), whole);
    EXPECT_TRUE(path->text().startsWith(whole.left(8))) << path->text().toStdString();
    EXPECT_TRUE(path->text().endsWith("Ang")) << path->text().toStdString();
    EXPECT_LE(path->fontMetrics().horizontalAdvance(path->text()), path->contentsRect().width());
    EXPECT_LE(dialog->frameGeometry().width(), dialog->screen()->availableGeometry().width());
}

TEST_F(FolderChoice, StoredFolderIsSplitIntoLocationAndName)
{
    QDir().mkpath(homeFolder());
    WriteSetting("Config", "Dossier", "Enreg", homeFile());
    open();
    // A folder without a separator stays whole as both location and name.
    EXPECT_EQ(box("txtDossier")->text(), "Enreg");
    EXPECT_EQ(label("lblDossier")->toolTip(), JoinPath("Enreg", "Enreg"));

    WriteSetting("Config", "Dossier", "/srv/eleves/Enreg", homeFile());
    dialog->FillFromSettings();
    EXPECT_EQ(box("txtDossier")->text(), "Enreg");
    EXPECT_EQ(label("lblDossier")->toolTip(), "/srv/eleves/Enreg");

    // An empty stored folder leaves the name as it was.
    WriteSetting("Config", "Dossier", "", homeFile());
    dialog->FillFromSettings();
    EXPECT_EQ(box("txtDossier")->text(), "Enreg");
}

} // namespace
