// UploadProgressWindow and SplitUploadProgressWindow: the painted bar, the
// abandon questions, and uploads to the reference server that show them.
#include "tests/support/controls.h"
#include "tests/support/qtprint.h"
#include "tests/support/testenv.h"
#include "tests/support/uploadtest.h"

#include "send/uploadsession.h"
#include "send/webupload.h"
#include "windows/splituploadprogresswindow.h"
#include "windows/uploadprogresswindow.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <stdexcept>

namespace {

const QColor kStart(0, 100, 40);
const QColor kEnd(255, 255, 50);
const QColor kFront(255, 255, 68);
const QString kQuestion = QStringLiteral("Etes-vous sûr de vouloir abandonner le téléchargement?");

PictureBox* BarArea(const QWidget& window) { return Control<PictureBox>(window, "pgrr"); }

QImage Paint(UploadProgressWindow& form, int percent)
{
    ProgressWindow::PaintGradientBar(BarArea(form), static_cast<qint16>(percent), 0, 100, 40, 255, 255, 50);
    return BarArea(form)->image().toImage();
}

bool Near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Rightmost column holding a front-coloured pixel in the text rows, -1 if none.
int TextRight(const QImage& img, int fromColumn)
{
    int right = -1;
    for (int y = 1; y < img.height(); ++y)
        for (int x = fromColumn; x < img.width(); ++x)
            if (img.pixelColor(x, y) == kFront)
                right = qMax(right, x);
    return right;
}

} // namespace

// The windows as an upload session opens them: made through the factory,
// owned by the session, the transfer not finished.
class ProgressWindowTest : public MirloTest {
protected:
    template <class W>
    W& open(UploadViewKind kind)
    {
        auto* window = dynamic_cast<W*>(&session.openView(kind));
        if (!window)
            throw std::runtime_error("the factory made another kind of window");
        return *window;
    }
    UploadProgressWindow& openSingle() { return open<UploadProgressWindow>(UploadViewKind::Single); }
    SplitUploadProgressWindow& openSplit() { return open<SplitUploadProgressWindow>(UploadViewKind::Split); }

    ProgressWindowFactory windows;
    UploadSession session{windows};
};

TEST_F(ProgressWindowTest, BarAtZeroRunsFromEndColourToStartColourWithFrontAtTheLeft)
{
    UploadProgressWindow& form = openSingle();
    const QImage img = Paint(form, 0);
    const int w = img.width();
    ASSERT_GT(w, 250); // 4455 twips at 96 dpi
    EXPECT_EQ(img.pixelColor(0, 0), kFront);
    EXPECT_TRUE(Near(img.pixelColor(1, 0), kEnd, 2)) << img.pixelColor(1, 0).name().toStdString();
    EXPECT_EQ(img.pixelColor(w - 1, 0), kStart);
    // Brightening from the right edge towards the front line.
    EXPECT_LT(img.pixelColor(w * 3 / 4, 0).red(), img.pixelColor(w / 4, 0).red());
    // "0%" written in the front colour from the middle.
    EXPECT_GE(TextRight(img, w / 2 - 10), w / 2 - 10);
}

TEST_F(ProgressWindowTest, BarAtHundredRunsFromStartColourToEndColour)
{
    UploadProgressWindow& form = openSingle();
    const QImage zero = Paint(form, 0);
    const QImage img = Paint(form, 100);
    const int w = img.width();
    EXPECT_EQ(img.pixelColor(0, 0), kStart);
    EXPECT_TRUE(Near(img.pixelColor(w - 1, 0), kEnd, 2)) << img.pixelColor(w - 1, 0).name().toStdString();
    // The front line falls just outside the painted width.
    for (int x = 0; x < w; ++x)
        ASSERT_NE(img.pixelColor(x, 0), kFront) << x;
    // "100%" reaches further right than "0%".
    EXPECT_GT(TextRight(img, w / 2 - 10), TextRight(zero, w / 2 - 10));
}

TEST_F(ProgressWindowTest, BarAtHalfHasStartColourAtBothEndsAndTheFrontInTheMiddle)
{
    UploadProgressWindow& form = openSingle();
    const QImage img = Paint(form, 50);
    const int w = img.width();
    EXPECT_EQ(img.pixelColor(0, 0), kStart);
    EXPECT_EQ(img.pixelColor(w - 1, 0), kStart);
    EXPECT_EQ(img.pixelColor(qRound(w * 0.5), 0), kFront);
    EXPECT_EQ(img.pixelColor(img.width() / 2, img.height() - 1).isValid(), true);
}

TEST_F(ProgressWindowTest, TimerPaintsTheProgressControlsValue)
{
    UploadProgressWindow& form = openSingle();
    form.show();
    form.setProgress(100);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return BarArea(form)->image().toImage().pixelColor(0, 0) == kStart; }, 5000));
    form.setProgress(0);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return BarArea(form)->image().toImage().pixelColor(0, 0) == kFront; }, 5000));
    EXPECT_FALSE(Control<QProgressBar>(form, "ProgressBar1")->isVisible());
    EXPECT_EQ(Control<QProgressBar>(form, "ProgressBar1")->maximum(), 100);
}

TEST_F(ProgressWindowTest, OpeningClearsTransferFinishedAndLaysOutBothWindows)
{
    session.markTransferFinished();
    UploadProgressWindow& four = openSingle();
    EXPECT_FALSE(session.transferFinished());
    EXPECT_EQ(four.objectName(), "Form4");
    EXPECT_EQ(four.windowTitle(), "Progression du téléchargement");
    EXPECT_EQ(Control<QLabel>(four, "Label1")->text(), "Veuillez patientez jusqu'à la fin du transfert");
    EXPECT_EQ(four.size(), QSize(312, 54));
    SplitUploadProgressWindow& five = openSplit();
    EXPECT_EQ(five.objectName(), "Form5");
    EXPECT_EQ(five.size(), QSize(312, 91));
    EXPECT_GT(BarArea(five)->y(), Control<QLabel>(five, "lblFiles")->y());
    EXPECT_EQ(session.view(), static_cast<UploadView*>(&five));
}

TEST_F(ProgressWindowTest, EscapeAnsweredYesAbandonsAndClosesWithoutASecondQuestion)
{
    SplitUploadProgressWindow& form = openSplit();
    form.show();
    prompter.answers = {MsgAnswer::Yes};
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(session.abandonRequested());
    EXPECT_TRUE(session.transferFinished());
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, kQuestion);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::YesNo);
}

TEST_F(ProgressWindowTest, NoKeepsTheWindowAndOtherKeysAskNothing)
{
    UploadProgressWindow& form = openSingle();
    form.show();
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_TRUE(prompter.messages.isEmpty());
    prompter.answers = {MsgAnswer::No, MsgAnswer::No};
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(session.abandonRequested());
    EXPECT_FALSE(session.transferFinished());
    EXPECT_EQ(prompter.messages.size(), 2);
}

TEST_F(ProgressWindowTest, ClosingAsksUntilTheTransferHasFinished)
{
    UploadProgressWindow& asking = openSingle();
    asking.show();
    prompter.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(asking.close());
    EXPECT_TRUE(session.abandonRequested());
    EXPECT_EQ(prompter.messages.size(), 1);

    session.resetAbandon();
    UploadProgressWindow& finished = openSingle();
    finished.show();
    session.markTransferFinished();
    EXPECT_TRUE(finished.close());
    EXPECT_EQ(prompter.messages.size(), 1);
    EXPECT_FALSE(session.abandonRequested());
}

TEST_F(ProgressWindowTest, ClosingTheViewDeletesTheWindowWithoutAsking)
{
    QPointer<UploadProgressWindow> four = &openSingle();
    four->showProgress();
    ASSERT_EQ(session.view(), static_cast<UploadView*>(four.data()));
    session.closeView();
    EXPECT_TRUE(four.isNull());
    EXPECT_EQ(session.view(), nullptr);

    QPointer<SplitUploadProgressWindow> five = &openSplit();
    five->showProgress();
    session.closeView();
    EXPECT_TRUE(five.isNull());
    EXPECT_EQ(session.view(), nullptr);
    EXPECT_TRUE(prompter.messages.isEmpty());
    session.closeView(); // nothing open: nothing happens
}

// ---- Uploads to the reference server through the real windows ---------------------

namespace {

// Calls back each time a progress window is shown (once per pass), so a
// test can act while that pass's request is running.
class ShowWatcher final : public QObject {
public:
    using Callback = std::function<void(ProgressWindow* window, int pass)>;
    explicit ShowWatcher(Callback callback) : m_callback(std::move(callback))
    {
        qApp->installEventFilter(this);
    }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* window = qobject_cast<ProgressWindow*>(watched))
                m_callback(window, shown++);
        }
        return false;
    }

private:
    Callback m_callback;
};

} // namespace

class UploadWindowTest : public UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        ASSERT_TRUE(startServer());
        useServerAsProxy();
    }

    ProgressWindowFactory windows;
    UploadSession session{windows};
};

TEST_F(UploadWindowTest, EscapeAnsweredYesAbandonsAtOnceAndDeletesTheTestFile)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject(), QJsonObject{{"delay", 30}}});
    prompter.answers = {MsgAnswer::Yes};
    bool hiddenAfterYes = false;
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        if (pass != 1)
            return;
        whenLogged(window, 2, [&, window] {
            QTest::keyClick(window, Qt::Key_Escape);
            hiddenAfterYes = !window->isVisible();
        });
    });
    WebUpload(session, rec);

    EXPECT_TRUE(hiddenAfterYes);
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[0].text, Texts::Question);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompter.messages[1].text, Texts::Abandon);
    EXPECT_EQ(prompter.messages[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(server->log().size(), 2);
    EXPECT_TRUE(session.abandonRequested());
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    EXPECT_EQ(session.view(), nullptr);
}

TEST_F(UploadWindowTest, AbandonInPassZeroSendsNoFurtherPass)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject{{"delay", 30}}});
    prompter.answers = {MsgAnswer::Yes};
    ShowWatcher watcher(
        [&](ProgressWindow* window, int) { whenLogged(window, 1, [window] { window->close(); }); });
    WebUpload(session, rec);
    EXPECT_EQ(prompter.texts(), (QStringList{Texts::Question, Texts::Abandon}));
    EXPECT_EQ(watcher.shown, 1);
    EXPECT_EQ(server->log().size(), 1);
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(UploadWindowTest, AnsweringNoKeepsTheTransferGoing)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject{{"delay", 1}}, QJsonObject{{"delay", 1}}});
    prompter.answers = {MsgAnswer::No, MsgAnswer::No};
    bool visibleAfterNo = false;
    bool abandonAfterNo = true;
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        whenLogged(window, pass + 1, [&, window, pass] {
            if (pass == 0) {
                QTest::keyClick(window, Qt::Key_Escape);
            } else {
                window->close();
                visibleAfterNo = window->isVisible();
                abandonAfterNo = session.abandonRequested();
            }
        });
    });
    WebUpload(session, rec);
    EXPECT_TRUE(visibleAfterNo);
    EXPECT_FALSE(abandonAfterNo);
    EXPECT_EQ(prompter.texts(), (QStringList{Texts::Question, Texts::Question, Texts::Success}));
    EXPECT_EQ(server->log().size(), 2);
}

TEST_F(UploadWindowTest, ProgressWindowIsShownNotModalWithItsTitleAndReachesFullProgress)
{
    const QString rec = makeRecording("Cours.mp3", 1500000);
    server->scriptNext({QJsonObject(), QJsonObject{{"delay", 1}}});
    bool modal = true;
    QString title;
    int lastValue = -1;
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        modal = window->isModal();
        title = window->windowTitle();
        if (pass == 1) {
            auto* probe = new QTimer(window);
            QObject::connect(probe, &QTimer::timeout, window, [&, window] {
                lastValue = Control<QProgressBar>(*window, "ProgressBar1")->value();
            });
            probe->start(20);
        }
    });
    WebUpload(session, rec);
    EXPECT_FALSE(modal);
    EXPECT_EQ(title, "Progression du téléchargement");
    // The whole body was sent before the delayed reply came back.
    EXPECT_EQ(lastValue, 100);
    EXPECT_EQ(prompter.texts(), QStringList{Texts::Success});
}

TEST_F(UploadWindowTest, SplitWindowsShowTheFileCountAndTheFileOnItsWay)
{
    const QString rec = makeRecording("Cours.mp3", 2097153);
    QStringList titles, files;
    ShowWatcher watcher([&](ProgressWindow* w, int) {
        auto* f = qobject_cast<SplitUploadProgressWindow*>(w);
        ASSERT_NE(f, nullptr);
        titles << Control<QLabel>(*f, "lblTitre")->text();
        files << Control<QLabel>(*f, "lblFiles")->text();
    });
    WebUpload(session, rec);

    EXPECT_EQ(files, (QStringList{"Transfert du fichier 0 sur 3", "Transfert du fichier 1 sur 3",
                                  "Transfert du fichier 2 sur 3", "Transfert du fichier 3 sur 3"}));
    EXPECT_EQ(titles, QStringList(4, "Transfert de l'enregistrement en 3 fichiers."));
    EXPECT_EQ(prompter.texts(), QStringList{Texts::Success});
    EXPECT_EQ(session.view(), nullptr);
}

TEST_F(UploadWindowTest, SplitAbandonDuringAPieceStopsQuietlyAndCleansUp)
{
    const QString rec = makeRecording("Cours.mp3", 4194304);
    server->scriptNext({QJsonObject(), QJsonObject{{"delay", 30}}});
    prompter.answers = {MsgAnswer::Yes};
    ShowWatcher watcher([&](ProgressWindow* window, int pass) {
        if (pass == 1)
            whenLogged(window, 2, [window] { window->close(); });
    });
    WebUpload(session, rec);
    EXPECT_EQ(prompter.texts(), (QStringList{Texts::Question, Texts::Abandon}));
    EXPECT_EQ(watcher.shown, 2);
    EXPECT_EQ(server->log().size(), 2);
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}
