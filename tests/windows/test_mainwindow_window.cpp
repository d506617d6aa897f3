// The main window in use: file chooser, help, the ways out, shape and drag.
#include "tests/windows/mainwindowtest.h"

#include "foundation/helpfile.h"

#include "send/sendrecording.h"
#include "windows/aboutbox.h"
#include "windows/imagebutton.h"
#include "windows/settingsdialog.h"
#include "windows/twips.h"
#include "windows/uploadprogresswindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

namespace {

void DeleteUnloaded() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
               const QPoint& global)
{
    QMouseEvent event(type, target->mapFromGlobal(QPointF(global)), QPointF(global), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Press at a point of `target`, move the mouse by `by`, release.
void Drag(QWidget* target, Qt::MouseButton button, const QPoint& by)
{
    const QPoint start = target->mapToGlobal(QPoint(40, 8));
    SendMouse(target, QEvent::MouseButtonPress, button, button, start);
    SendMouse(target, QEvent::MouseMove, Qt::NoButton, button, start + by / 2);
    SendMouse(target, QEvent::MouseMove, Qt::NoButton, button, start + by);
    SendMouse(target, QEvent::MouseButtonRelease, button, Qt::NoButton, start + by);
}

const QString kExistsMessage =
    QStringLiteral("Ce fichier existe déjà !\rVous pouvez l'envoyer par email ou bien\r"
                   "le remplacer par un nouvel enregistrement.");

} // namespace

// ---- Recording-file chooser ----------------------------------------------------

TEST_F(MainWindowTest, ChooserWithExistingRecording)
{
    writeSettings("[Config]\r\nDossier=/nowhere/old\r\n");
    MainWindow& w = start();
    const QString chosen = tempPath("devoir.mp3");
    WriteFile(chosen, QByteArray(1000, 'a'));
    prompter.files.push_back(chosen);
    emit Control<ImageButton>(w, "browsebt")->Click();

    ASSERT_EQ(prompter.fileRequests.size(), 1);
    const FileRequest& request = prompter.fileRequests[0];
    EXPECT_EQ(request.title, "Veuillez indiquer le fichier à créer");
    EXPECT_EQ(request.initialFolder, "/nowhere/old");
    EXPECT_EQ(request.defaultSuffix, "mp3");
    EXPECT_EQ(request.filter, "Fichiers Mp3|*.mp3");

    EXPECT_EQ(Box(w, "Text5")->text(), chosen);
    EXPECT_EQ(window->findChild<QLineEdit*>("Text5")->text(), chosen);
    EXPECT_EQ(key("Config", "Dossier"), scratchDir());
    EXPECT_EQ(window->settings().recordingFolder, "/nowhere/old");
    EXPECT_TRUE(Control<ImageButton>(w, "Recbt")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(w, "Envoi")->isEnabled());
    EXPECT_TRUE(Control<ImageButton>(w, "Playbt")->isEnabled());
    EXPECT_TRUE(Control<ImageButton>(w, "stopbt")->isEnabled());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, kExistsMessage);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
}

TEST_F(MainWindowTest, ChooserWithEmptyOrNewFile)
{
    writeSettings();
    MainWindow& w = start();
    const QString empty = tempPath("vide.mp3");
    WriteFile(empty, {});
    const QString fresh = tempPath("nouveau.mp3");
    for (const QString& chosen : {empty, fresh}) {
        Control<QPushButton>(w, "Envoi")->setEnabled(true);
        Control<ImageButton>(w, "Recbt")->SetEnabled(false);
        prompter.files.push_back(chosen);
        emit Control<ImageButton>(w, "browsebt")->Click();
        EXPECT_EQ(Box(w, "Text5")->text(), chosen);
        EXPECT_FALSE(Control<QPushButton>(w, "Envoi")->isEnabled());
        EXPECT_TRUE(Control<ImageButton>(w, "Recbt")->isEnabled());
        EXPECT_FALSE(Control<ImageButton>(w, "Playbt")->isEnabled());
        EXPECT_FALSE(Control<ImageButton>(w, "stopbt")->isEnabled());
    }
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_FALSE(QFile::exists(fresh));
}

// A folder the settings file cannot hold would be stored as question marks
// and never found again: the choice is refused and nothing changes.
TEST_F(MainWindowTest, ChooserRefusesANameTheSettingsCannotKeep)
{
    writeSettings("[Config]\r\nDossier=/old\r\n");
    MainWindow& w = start();
    const QString before = Box(w, "Text5")->text();
    prompter.files.push_back(tempPath(QStringLiteral("Записи/devoir.mp3")));
    emit Control<ImageButton>(w, "browsebt")->Click();
    EXPECT_EQ(Box(w, "Text5")->text(), before);
    EXPECT_EQ(key("Config", "Dossier"), "/old");
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].text.contains(QStringLiteral("\"З\"")))
        << prompter.texts().join("|").toStdString();
}

TEST_F(MainWindowTest, ChooserCancelledKeepsFile)
{
    writeSettings("[Config]\r\nDossier=/old\r\n");
    MainWindow& w = start();
    const QString before = Box(w, "Text5")->text();
    Control<QPushButton>(w, "Envoi")->setEnabled(true);
    Control<ImageButton>(w, "Recbt")->SetEnabled(false);
    emit Control<ImageButton>(w, "browsebt")->Click();
    EXPECT_EQ(prompter.fileRequests.size(), 1);
    EXPECT_EQ(Box(w, "Text5")->text(), before);
    EXPECT_EQ(window->findChild<QLineEdit*>("Text5")->text(), before);
    EXPECT_EQ(key("Config", "Dossier"), "/old");
    EXPECT_TRUE(Control<ImageButton>(w, "Recbt")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(w, "Envoi")->isEnabled());
    EXPECT_TRUE(prompter.messages.isEmpty());
}

// ---- Help -----------------------------------------------------------------------

TEST_F(MainWindowTest, HelpWithoutHelpFile)
{
    writeSettings();
    MainWindow& w = start();
    w.show();
    QTest::mouseClick(Control<QLabel>(w, "Image3"), Qt::LeftButton);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "Le fichier d'aide n'a pas été trouvé");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
    EXPECT_EQ(OpenWindow<AboutBox>(), nullptr);
    EXPECT_TRUE(w.isVisible());

    // F1 from a control that has the focus: the about box instead.
    QTest::keyClick(Box(w, "Text5"), Qt::Key_F1);
    EXPECT_EQ(prompter.messages.size(), 1);
    AboutBox* about = OpenWindow<AboutBox>();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(shellLog.openedUrls.isEmpty());
}

// The "?" image and F1, from the window or a control, open the recording page;
// without a browser the pupil is told where the page is.
TEST_F(MainWindowTest, HelpOpensTheRecordingPage)
{
    const QString page = HelpPagePath(programDir(), HelpPage::Recording);
    QDir().mkpath(QFileInfo(page).path());
    WriteFile(page, "<html></html>");
    writeSettings();
    MainWindow& w = start();
    w.show();
    QTest::mouseClick(Control<QLabel>(w, "Image3"), Qt::LeftButton);
    QTest::keyClick(Control<QPushButton>(w, "Command2"), Qt::Key_F1);
    QTest::keyClick(&w, Qt::Key_F1);
    ASSERT_EQ(shellLog.openedUrls.size(), 3);
    for (const QUrl& url : shellLog.openedUrls)
        EXPECT_EQ(url, QUrl::fromLocalFile(page));
    EXPECT_TRUE(page.endsWith("/help/enregistrer.html"));
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(OpenWindow<AboutBox>(), nullptr);
    EXPECT_TRUE(w.isVisible());

    shellLog.openResult = false;
    QTest::keyClick(&w, Qt::Key_F1);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text,
              "L'aide n'a pas pu être ouverte : aucun navigateur Web n'a été trouvé.\rOuvrez vous-même le "
              "fichier \"" +
                  page + "\" avec un navigateur Web.");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(OpenWindow<AboutBox>(), nullptr);
}

TEST_F(MainWindowTest, InfosShowsAboutBoxAndHidesWindow)
{
    writeSettings();
    MainWindow& w = start();
    w.show();
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    AboutBox* first = OpenWindow<AboutBox>();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_FALSE(w.isVisible());
    // Created once, shown again.
    first->hide();
    w.ShowInfos();
    EXPECT_EQ(OpenWindow<AboutBox>(), first);
    EXPECT_TRUE(first->isVisible());
}

// ---- Endings --------------------------------------------------------------------

TEST_F(MainWindowTest, SafeEndUnloadsOtherWindowsOnly)
{
    writeSettings();
    MainWindow& w = start();
    w.showAboutBox();
    w.showSettingsDialog();
    Control<RecordingSender>(w, {})->upload().openView(UploadViewKind::Single).showProgress();
    ASSERT_TRUE(OpenWindow<AboutBox>() && OpenWindow<SettingsDialog>() && OpenWindow<UploadProgressWindow>());
    w.closeOtherWindows();
    DeleteUnloaded();
    EXPECT_EQ(OpenWindow<AboutBox>(), nullptr);
    EXPECT_EQ(OpenWindow<SettingsDialog>(), nullptr);
    EXPECT_EQ(OpenWindow<UploadProgressWindow>(), nullptr);
    EXPECT_EQ(endCalls, 0);
    w.closeOtherWindows(); // nothing left to unload
    EXPECT_EQ(endCalls, 0);
}

TEST_F(MainWindowTest, CloseImageEndsAfterSafeEnd)
{
    writeSettings();
    MainWindow& w = start();
    w.show();
    w.showAboutBox();
    QTest::mouseClick(Control<QLabel>(w, "Image2"), Qt::RightButton);
    EXPECT_EQ(endCalls, 0);
    QTest::mouseClick(Control<QLabel>(w, "Image2"), Qt::LeftButton);
    EXPECT_EQ(endCalls, 1);
    DeleteUnloaded();
    EXPECT_EQ(OpenWindow<AboutBox>(), nullptr);
    EXPECT_TRUE(shellLog.startedPrograms.isEmpty());
    EXPECT_EQ(key("window", "Top"), "");
}

TEST_F(MainWindowTest, ClosingTheWindowUnloadsAndEnds)
{
    writeSettings();
    MainWindow& w = start();
    w.show();
    w.showSettingsDialog();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(endCalls, 1);
    DeleteUnloaded();
    EXPECT_EQ(OpenWindow<SettingsDialog>(), nullptr);
}

TEST_F(MainWindowTest, ResetStoresPositionStartsLaunchAndEnds)
{
    writeSettings();
    MainWindow& w = start();
    w.move(123, 45);
    Control<QPushButton>(w, "Command1")->setEnabled(true);
    QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);

    EXPECT_EQ(key("window", "Top"), QString::number(PixelsToTwips16(45, &w)));
    EXPECT_EQ(key("window", "Left"), QString::number(PixelsToTwips16(123, &w)));
    const QByteArray text = ReadFile(workingFile());
    EXPECT_LT(text.indexOf("Top="), text.indexOf("Left="));
    EXPECT_EQ(shellLog.startedPrograms, QStringList{QDir(programDir()).filePath("Launch")});
    EXPECT_EQ(endCalls, 1);
    EXPECT_FALSE(Control<QPushButton>(w, "Command1")->isEnabled());

    // The next start opens where this window stood.
    window = std::make_unique<MainWindow>(programDir());
    window->StartUp();
    EXPECT_EQ(window->pos(), QPoint(123, 45));
}

TEST_F(MainWindowTest, ResetEndsEvenWhenLaunchCannotStart)
{
    writeSettings();
    MainWindow& w = start();
    shellLog.startResult = false;
    w.move(40000, -40000); // beyond the 16-bit twips range: stored as 0
    w.ResetProgram();
    EXPECT_EQ(shellLog.startedPrograms.size(), 1);
    EXPECT_EQ(endCalls, 1);
    EXPECT_EQ(key("window", "Top"), "0");
    EXPECT_EQ(key("window", "Left"), "0");
}

// ---- Shape and drag ------------------------------------------------------------

TEST_F(MainWindowTest, WindowHasRoundedCorners)
{
    MainWindow w(programDir());
    const QRegion mask = w.mask();
    ASSERT_FALSE(mask.isEmpty());
    const int wd = w.width(), ht = w.height();
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, wd, ht));
    for (const QPoint& p :
         {QPoint(0, 0), QPoint(1, 1), QPoint(wd - 1, 0), QPoint(wd - 2, 1), QPoint(0, ht - 1),
          QPoint(1, ht - 2), QPoint(wd - 1, ht - 1), QPoint(wd - 2, ht - 2)})
        EXPECT_FALSE(mask.contains(p)) << p.x() << "," << p.y();
    for (const QPoint& p :
         {QPoint(6, 0), QPoint(0, 6), QPoint(wd - 7, 0), QPoint(wd - 1, ht - 7), QPoint(4, 4),
          QPoint(wd / 2, ht / 2), QPoint(0, ht / 2), QPoint(wd / 2, ht - 1), QPoint(12, 0)})
        EXPECT_TRUE(mask.contains(p)) << p.x() << "," << p.y();
}

TEST_F(MainWindowTest, DragByBackgroundWithLeftButtonOnly)
{
    writeSettings();
    MainWindow& w = start();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QPoint before = w.pos();
    QLabel* background = Control<QLabel>(w, "Pict_Fond");

    Drag(background, Qt::RightButton, QPoint(30, 20));
    EXPECT_EQ(w.pos(), before);
    Drag(background, Qt::MiddleButton, QPoint(30, 20));
    EXPECT_EQ(w.pos(), before);
    // Not even when the left button comes down later without a new press.
    SendMouse(background, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton,
              w.mapToGlobal(QPoint(40, 8)));
    SendMouse(background, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton | Qt::RightButton,
              w.mapToGlobal(QPoint(60, 18)));
    EXPECT_EQ(w.pos(), before);
    SendMouse(background, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton,
              w.mapToGlobal(QPoint(60, 18)));

    Drag(background, Qt::LeftButton, QPoint(30, 20));
    EXPECT_EQ(w.pos(), before + QPoint(30, 20));

    // A caption label is background too; a button is not.
    Drag(w.findChild<QLabel*>("Label1_4"), Qt::LeftButton, QPoint(-10, 5));
    EXPECT_EQ(w.pos(), before + QPoint(20, 25));
    Drag(Control<QLabel>(w, "Image2"), Qt::LeftButton, QPoint(50, 50));
    EXPECT_EQ(w.pos(), before + QPoint(20, 25));
    // Moving the mouse afterwards, with no button, moves nothing.
    SendMouse(background, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(300, 300));
    EXPECT_EQ(w.pos(), before + QPoint(20, 25));
}
