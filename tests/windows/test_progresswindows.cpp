// UploadProgressWindow and SplitUploadProgressWindow: the painted bar, and the abandon questions.
#include "tests/support/qtprint.h"
#include "tests/support/testenv.h"

#include "windows/uploadprogresswindow.h"
#include "windows/splituploadprogresswindow.h"
#include "send/transferflags.h"
#include "send/webupload.h"

#include <QLabel>
#include <QProgressBar>
#include <QTest>

namespace {

const QColor kStart(0, 100, 40);
const QColor kEnd(255, 255, 50);
const QColor kFront(255, 255, 68);
const QString kQuestion = QStringLiteral("Etes-vous sûr de vouloir abandonner le téléchargement?");

QImage Paint(UploadProgressWindow& form, int percent)
{
    form.ProgressBar(form.pgrr, static_cast<qint16>(percent), 0, 100, 40, 255, 255, 50);
    return form.pgrr->image().toImage();
}

bool Near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
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

class ProgressWindowTest : public MirloTest {};

TEST_F(ProgressWindowTest, BarAtZeroRunsFromEndColourToStartColourWithFrontAtTheLeft)
{
    UploadProgressWindow form;
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
    UploadProgressWindow form;
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
    UploadProgressWindow form;
    const QImage img = Paint(form, 50);
    const int w = img.width();
    EXPECT_EQ(img.pixelColor(0, 0), kStart);
    EXPECT_EQ(img.pixelColor(w - 1, 0), kStart);
    EXPECT_EQ(img.pixelColor(qRound(w * 0.5), 0), kFront);
    EXPECT_EQ(img.pixelColor(img.width() / 2, img.height() - 1).isValid(), true);
}

TEST_F(ProgressWindowTest, TimerPaintsTheProgressControlsValue)
{
    UploadProgressWindow form;
    form.show();
    form.ProgressBar1->setValue(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.pgrr->image().toImage().pixelColor(0, 0) == kStart; },
                                5000));
    form.ProgressBar1->setValue(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.pgrr->image().toImage().pixelColor(0, 0) == kFront; },
                                5000));
    EXPECT_FALSE(form.ProgressBar1->isVisible());
    EXPECT_EQ(form.ProgressBar1->maximum(), 100);
}

TEST_F(ProgressWindowTest, LoadingClearsTransferFinishedAndLaysOutBothWindows)
{
    TransferFinished = true;
    UploadProgressWindow four;
    EXPECT_FALSE(TransferFinished);
    EXPECT_EQ(four.windowTitle(), "Progression du téléchargement");
    EXPECT_EQ(four.Label1->text(), "Veuillez patientez jusqu'à la fin du transfert");
    EXPECT_EQ(four.size(), QSize(312, 54));
    SplitUploadProgressWindow five;
    EXPECT_EQ(five.size(), QSize(312, 91));
    EXPECT_GT(five.pgrr->y(), five.lblFiles->y());
    EXPECT_EQ(CurrentSplitUploadProgressWindow(), &five);
}

TEST_F(ProgressWindowTest, EscapeAnsweredYesAbandonsAndClosesWithoutASecondQuestion)
{
    AbortRequested = 0;
    SplitUploadProgressWindow form;
    form.show();
    prompter.answers = {MsgAnswer::Yes};
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(AbortRequested, 1);
    EXPECT_TRUE(TransferFinished);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, kQuestion);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::YesNo);
}

TEST_F(ProgressWindowTest, NoKeepsTheWindowAndOtherKeysAskNothing)
{
    AbortRequested = 0;
    UploadProgressWindow form;
    form.show();
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_TRUE(prompter.messages.isEmpty());
    prompter.answers = {MsgAnswer::No, MsgAnswer::No};
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(AbortRequested, 0);
    EXPECT_FALSE(TransferFinished);
    EXPECT_EQ(prompter.messages.size(), 2);
}

TEST_F(ProgressWindowTest, ClosingAsksUntilTheTransferHasFinished)
{
    AbortRequested = 0;
    UploadProgressWindow asking;
    asking.show();
    prompter.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(asking.close());
    EXPECT_EQ(AbortRequested, 1);
    EXPECT_EQ(prompter.messages.size(), 1);

    AbortRequested = 0;
    UploadProgressWindow finished;
    finished.show();
    TransferFinished = true;
    EXPECT_TRUE(finished.close());
    EXPECT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(AbortRequested, 0);
}

TEST_F(ProgressWindowTest, UnloadDeletesTheWindowsWithoutAsking)
{
    auto* four = new UploadProgressWindow;
    auto* five = new SplitUploadProgressWindow;
    four->show();
    five->show();
    ASSERT_EQ(CurrentUploadProgressWindow(), four);
    CloseUploadProgressWindow();
    CloseSplitUploadProgressWindow();
    EXPECT_EQ(CurrentUploadProgressWindow(), nullptr);
    EXPECT_EQ(CurrentSplitUploadProgressWindow(), nullptr);
    EXPECT_TRUE(prompter.messages.isEmpty());
    CloseUploadProgressWindow(); // nothing loaded: nothing happens
}
