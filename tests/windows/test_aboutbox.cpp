#include "windows/aboutbox.h"

#include "foundation/helpfile.h"
#include "foundation/settings.h"
#include "tests/support/testenv.h"
#include "windows/mainwindowlink.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {

class FakeMain final : public MainWindowLink {
public:
    void showMainWindow() override { ++shown; }
    void hideMainWindow() override { ++hidden; }
    void setSendCaption(const QString&) override {}
    void setRecordingPath(const QString&) override {}
    void showSettingsDialog() override { ++settings; }
    void showAboutBox() override {}
    void closeOtherWindows() override {}
    int shown = 0;
    int hidden = 0;
    int settings = 0;
};

const char* const kParagraphs[] = {
    "Avant d'enregistrer, assurez-vous que votre micro fonctionne et que le volume d'enregistrement est "
    "suffisant.",
    "Vous pouvez conserver les réglages par défaut ou effectuer les modifications nécessaires en réglant la "
    "qualité d'enregistrement, le taux d'échantillonnage (\"bitrate\") et la fréquence.",
    "Plus les valeurs sont élevées et plus le fichier à envoyer sera volumineux",
    "Les fichiers sont enregistrés dans le dossier que vous avez sélectionné lors du premier lancement (en "
    "ce moment \"/home/eleve/Musique/Enregistrements\") mais vous pouvez changer ce paramètre comme bon vous "
    "semble et également modifier le nom du fichier qui vous est proposé.",
    "Après avoir enregistré votre travail, vous pouvez écouter votre prestation (bouton \"Playback\") et, "
    "pour finir, l'envoyer par email.",
    "Pour que le courriel puisse être expédié, il faut que le programme d'envoi de courrier de l'ordinateur "
    "(sendmail) soit déjà configuré avec vos paramètres de connexion chez votre fournisseur d'accès "
    "Internet.",
    "Si vous n'êtes pas satisfait de l'enregistrement, vous pouvez le recommencer en cliquant sur le bouton "
    "\"Nouvel enregistrement\"",
    "Ce petit utilitaire est éventuellement appelé à subir des modifications si les utilisateurs suggèrent "
    "des améliorations.",
};

class AboutTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        box = new AboutBox(main, settings);
    }
    void TearDown() override
    {
        delete box.data();
        MirloTest::TearDown();
    }
    template <class T>
    T* child(const char* name) const
    {
        return box->findChild<T*>(name);
    }
    QString text(const char* label) const { return child<QLabel>(label)->text(); }
    void click(const char* button)
    {
        auto* b = child<QPushButton>(button);
        ASSERT_TRUE(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void showActive()
    {
        box->show();
        box->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
    }

    FakeMain main;
    QPointer<AboutBox> box;
};

} // namespace

TEST_F(AboutTest, TitleVersionAndCredits)
{
    EXPECT_EQ(box->windowTitle(), "Mirlo - utilitaire d'enregistrement - Présentation");
    EXPECT_EQ(text("lblVersion"), "Version 2.01.0058");
    EXPECT_EQ(AboutBox::VersionText(12, 3, 7), "Version 12.03.0007");
    EXPECT_EQ(AboutBox::VersionText(0, 10, 12345), "Version 0.10.12345");
    EXPECT_EQ(text("Label5"), "Mirlo");

    const QStringList lines = text("Label2").split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Utilitaire d'enregistrement.");
    EXPECT_EQ(lines[1], "pour l'envoi de travaux personnels par email.");
    EXPECT_TRUE(lines[2].startsWith('(') && lines[2].endsWith(')') && lines[2].contains("Mirlo"));
    EXPECT_EQ(text("Label3"), text("Label2"));
    // The faint copy's text starts a little right of the credit's, on the same line.
    auto textLeft = [this](const char* name) {
        return child<QLabel>(name)->x() + child<QLabel>(name)->contentsRect().x();
    };
    EXPECT_GT(textLeft("Label3"), textLeft("Label2"));
    EXPECT_EQ(child<QLabel>("Label3")->y(), child<QLabel>("Label2")->y());

    EXPECT_EQ(text("lblCopyright"), "Copyright © 2026 Mirlo developers");
    EXPECT_EQ(text("lblCompany"), "Projet Mirlo");
    EXPECT_EQ(text("Label4"), "mirlo@example.org");
    EXPECT_EQ(child<QPushButton>("cmdAide")->text(), "Aide");
    EXPECT_EQ(child<QPushButton>("Command2")->text(), "Modifier les paramètres");
    EXPECT_EQ(child<QPushButton>("Command1")->text(), "OK");
}

TEST_F(AboutTest, PlacementOnTheRule)
{
    auto* line1 = child<QWidget>("Line1");
    auto* line2 = child<QWidget>("Line2");
    ASSERT_TRUE(line1 && line2);
    EXPECT_EQ(line1->x(), box->width() - (line1->x() + line1->width())); // equal margins
    EXPECT_EQ(line2->x(), line1->x());
    EXPECT_EQ(line2->width(), line1->width());
    EXPECT_EQ(line2->y(), line1->y() + 1);
    const int end = line1->x() + line1->width();
    EXPECT_EQ(child<QLabel>("lblCopyright")->geometry().right() + 1, end);
    EXPECT_EQ(child<QPushButton>("Command1")->geometry().right() + 1, end);
    // Label1 is tall enough for all of its text.
    auto* label1 = child<QLabel>("Label1");
    EXPECT_GE(label1->height(), label1->heightForWidth(label1->width()));
    EXPECT_LE(label1->geometry().bottom(), line1->y());
}

TEST_F(AboutTest, InstructionsExactText)
{
    QString expected;
    for (int i = 0; i < 8; ++i) {
        if (i)
            expected += QStringLiteral("\r\r");
        expected += QString::fromUtf8(kParagraphs[i]);
    }
    const QString all = AboutBox::InstructionsText("mail", "/home/eleve/Musique/Enregistrements",
                                                   platform::MailRoute::SystemMailTransport);
    ASSERT_TRUE(all.startsWith(expected + '\r')) << all.toStdString();
    const QString last = all.mid(expected.size() + 1);
    EXPECT_FALSE(last.contains('\r'));
    EXPECT_TRUE(last.contains("mirlo@example.org"));
    EXPECT_TRUE(last.contains("\"Mirlo\""));
    // Shown with line breaks instead of carriage returns, for the settings of the run.
    settings.sendMode = "web";
    settings.recordingFolder = "/srv/classe";
    delete box.data();
    box = new AboutBox(main, settings);
    QString shown = AboutBox::InstructionsText("web", "/srv/classe", platform::MailHandOffRoute());
    shown.replace('\r', '\n');
    EXPECT_EQ(text("Label1"), shown);
}

// The instructions tell what is true of the hand-in mode, the folder and how
// the system sends mail: no C: drive, no Outlook Express.
TEST_F(AboutTest, InstructionsFollowTheModeTheFolderAndTheMailRoute)
{
    using R = platform::MailRoute;
    const struct {
        const char* mode;
        const char* folder;
        R route;
        const char* says;
    } rows[] = {
        {"web", "/srv/classe", R::SystemMailTransport, "l'envoyer sur le site."},
        {"web", "", R::PupilsMailProgram,
         "il faut que l'adresse du site Web, votre login et votre mot de passe soient saisis"},
        {"mail", "", R::PupilsMailProgram, "votre logiciel de messagerie par défaut soit déjà configuré"},
        {"mail", "", R::SystemMailTransport, "le programme d'envoi de courrier de l'ordinateur (sendmail)"},
        {"", "", R::SystemMailTransport, "l'envoyer sur le site ou par email."},
        {"", "", R::PupilsMailProgram, "Choisissez dans les paramètres comment rendre votre enregistrement"},
        {"mail", "", R::SystemMailTransport, "lors du premier lancement mais vous pouvez changer"},
    };
    for (const auto& row : rows) {
        const QString text = AboutBox::InstructionsText(row.mode, row.folder, row.route);
        EXPECT_TRUE(text.contains(QString::fromUtf8(row.says))) << row.mode << ' ' << row.says;
        EXPECT_FALSE(text.contains("C:") || text.contains("Outlook")) << row.mode;
    }
}

TEST_F(AboutTest, HelpMissingShowsMessageOnly)
{
    click("cmdAide");
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "Le fichier d'aide n'a pas été trouvé");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
    EXPECT_TRUE(shellLog.openedUrls.isEmpty());
    EXPECT_EQ(main.shown + main.settings, 0);
}

TEST_F(AboutTest, HelpOpensTheGuidesFirstPage)
{
    const QString page = HelpPagePath(programDir(), HelpPage::Contents);
    QDir().mkpath(QFileInfo(page).path());
    WriteFile(page, "<html></html>");
    click("cmdAide");
    EXPECT_TRUE(prompter.messages.isEmpty());
    ASSERT_EQ(shellLog.openedUrls.size(), 1);
    EXPECT_EQ(shellLog.openedUrls[0], QUrl::fromLocalFile(page));
    EXPECT_TRUE(page.endsWith("/help/index.html"));
}

TEST_F(AboutTest, LinksGoThroughTheShell)
{
    QTest::mouseClick(child<QLabel>("Label4"), Qt::LeftButton);
    QTest::mouseClick(child<QLabel>("lblCompany"), Qt::LeftButton);
    ASSERT_EQ(shellLog.openedUrls.size(), 2);
    EXPECT_EQ(shellLog.openedUrls[0], QUrl("mailto:mirlo@example.org?subject=Mirlo"));
    EXPECT_EQ(shellLog.openedUrls[1], QUrl("Projet Mirlo"));
}

TEST_F(AboutTest, ChangeSettingsHidesAndOpensTheDialog)
{
    settings.complete = false;
    showActive();
    click("Command2");
    EXPECT_TRUE(settings.complete);
    EXPECT_EQ(main.settings, 1);
    ASSERT_FALSE(box.isNull());
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(main.shown, 0);
}

TEST_F(AboutTest, OkEscapeAndCloseBringTheMainWindowBack)
{
    showActive();
    click("Command1");
    EXPECT_GE(main.shown, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, 2000)); // unloaded

    main.shown = 0;
    box = new AboutBox(main, settings);
    showActive();
    QTest::keyClick(box->focusWidget() ? box->focusWidget() : box.data(), Qt::Key_Escape);
    EXPECT_GE(main.shown, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, 2000));

    main.shown = 0;
    box = new AboutBox(main, settings);
    showActive();
    box->close();
    EXPECT_EQ(main.shown, 1);
}

TEST_F(AboutTest, PointerJumpsToOkOnFirstFocusOnly)
{
    QCursor::setPos(3, 3);
    showActive();
    auto* ok = child<QPushButton>("Command1");
    ASSERT_TRUE(ok->hasFocus());
    const QPoint centre = ok->mapToGlobal(ok->rect().center());
    EXPECT_EQ(QCursor::pos(), centre);

    QCursor::setPos(5, 7);
    child<QPushButton>("cmdAide")->setFocus();
    ok->setFocus();
    ASSERT_TRUE(ok->hasFocus());
    EXPECT_EQ(QCursor::pos(), QPoint(5, 7));
}
