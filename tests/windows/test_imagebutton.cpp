#include "windows/imagebutton.h"

#include "tests/support/testenv.h"

#include <QAccessible>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

struct Colours {
    QColor labelBack, labelText, back;
};

class ImageButtonTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        host.resize(300, 200);
        host.move(50, 50);
        button = new ImageButton(&host);
        button->move(100, 80);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        label = button->findChild<QLabel*>("Label1");
        image1 = button->findChild<QLabel*>("Image1");
        image2 = button->findChild<QLabel*>("Image2");
        ASSERT_TRUE(label && image1 && image2);
        // A move to where the pointer already is delivers nothing, and an
        // earlier test may have left it on the control: start from outside.
        QCursor::setPos(host.mapToGlobal(QPoint(1, 1)));
        QTest::mouseMove(&host, QPoint(1, 1));
    }

    Colours now() const
    {
        return {label->palette().color(QPalette::Window), label->palette().color(QPalette::WindowText),
                button->palette().color(QPalette::Window)};
    }
    bool highlighted() const { return image2->isVisibleTo(button) && !image1->isVisibleTo(button); }
    bool normalPicture() const { return image1->isVisibleTo(button) && !image2->isVisibleTo(button); }

    QPoint onLabel() const { return label->geometry().center(); }
    // Inside the control, below the caption.
    QPoint offLabel() const { return QPoint(button->width() / 2, button->height() - 2); }

    void moveTo(const QPoint& local)
    {
        QCursor::setPos(button->mapToGlobal(local));
        QTest::mouseMove(button, local);
    }
    // Leaves the control for the window around it.
    bool leaveAndWait()
    {
        QCursor::setPos(host.mapToGlobal(QPoint(5, 5)));
        QTest::mouseMove(&host, QPoint(5, 5));
        return QTest::qWaitFor([&] { return normalPicture(); }, 3000);
    }

    QWidget host;
    ImageButton* button = nullptr;
    QLabel* label = nullptr;
    QLabel* image1 = nullptr;
    QLabel* image2 = nullptr;
};

const QColor kBlack(0, 0, 0), kWhite(255, 255, 255), kGrey(128, 128, 128);

} // namespace

TEST_F(ImageButtonTest, StartsNormalWithDesignedParts)
{
    EXPECT_EQ(button->Caption(), "IButton");
    EXPECT_TRUE(normalPicture());
    EXPECT_FALSE(image1->pixmap().isNull());
    EXPECT_FALSE(image2->pixmap().isNull());
    EXPECT_NE(image1->pixmap().toImage(), image2->pixmap().toImage());
    EXPECT_EQ(image1->geometry(), button->rect());
    EXPECT_EQ(now().labelText, kBlack);
    EXPECT_EQ(now().back, kWhite);
    // Nothing polls: the button changes on events only.
    EXPECT_TRUE(button->findChildren<QTimer*>().isEmpty());

    button->resize(200, 40);
    EXPECT_EQ(label->width(), 199);
    EXPECT_EQ(image2->geometry(), button->rect());
}

TEST_F(ImageButtonTest, CaptionMethodsShareOneText)
{
    button->ChangeCaption("Enregistrer");
    EXPECT_EQ(button->Caption(), "Enregistrer");
    EXPECT_EQ(label->text(), "Enregistrer");
    button->setCaption("Arrêt");
    EXPECT_EQ(button->Caption(), "Arrêt");
    button->ChangeCaption("Pause");
    EXPECT_EQ(button->Caption(), "Pause");
}

TEST_F(ImageButtonTest, SetEnabledGreysAndBlackensCaption)
{
    button->SetEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(now().labelText, kGrey);
    button->SetEnabled(true);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(now().labelText, kBlack);
}

TEST_F(ImageButtonTest, HoverColoursOnAndOffTheLabel)
{
    moveTo(offLabel());
    EXPECT_EQ(now().labelText, QColor(25, 200, 40));
    EXPECT_EQ(now().back, kWhite);
    EXPECT_TRUE(normalPicture());

    moveTo(onLabel());
    EXPECT_EQ(now().labelBack, QColor(200, 200, 200));
    EXPECT_EQ(now().labelText, QColor(160, 25, 25));
    EXPECT_EQ(now().back, QColor(200, 200, 200));
    EXPECT_TRUE(highlighted());
}

TEST_F(ImageButtonTest, PressAndReleaseColoursAndClick)
{
    QSignalSpy clicks(button, &ImageButton::Click);
    QTest::mousePress(button, Qt::LeftButton, {}, onLabel());
    EXPECT_EQ(now().labelBack, QColor(200, 200, 200));
    EXPECT_EQ(now().labelText, kWhite);
    EXPECT_EQ(now().back, QColor(200, 200, 200));
    EXPECT_TRUE(highlighted());
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseRelease(button, Qt::LeftButton, {}, onLabel());
    EXPECT_EQ(now().labelBack, kWhite);
    EXPECT_EQ(now().labelText, kBlack);
    EXPECT_EQ(now().back, kWhite);
    EXPECT_TRUE(normalPicture());
    EXPECT_EQ(clicks.count(), 1);

    QTest::mousePress(button, Qt::RightButton, {}, offLabel());
    EXPECT_EQ(now().labelBack, QColor(50, 50, 50));
    EXPECT_EQ(now().labelText, QColor(100, 100, 100));
    EXPECT_EQ(now().back, kBlack);
    EXPECT_TRUE(normalPicture());
    QTest::mouseRelease(button, Qt::RightButton, {}, offLabel());
    EXPECT_EQ(now().labelBack, kWhite);
    EXPECT_EQ(now().labelText, kBlack);
    EXPECT_EQ(now().back, kWhite);
    EXPECT_EQ(clicks.count(), 2); // any button counts
}

TEST_F(ImageButtonTest, PressOnLabelThenReleaseElsewhereStillClicks)
{
    QSignalSpy clicks(button, &ImageButton::Click);
    QTest::mousePress(button, Qt::LeftButton, {}, onLabel());
    QTest::mouseMove(button, QPoint(-60, -50));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-60, -50));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(normalPicture());
}

TEST_F(ImageButtonTest, DisabledButtonGetsNoClick)
{
    QSignalSpy clicks(button, &ImageButton::Click);
    button->SetEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, onLabel());
    moveTo(onLabel());
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(normalPicture());
    EXPECT_EQ(now().labelText, kGrey);
}

TEST_F(ImageButtonTest, HoverEndsWhenCursorLeavesTheControl)
{
    moveTo(onLabel());
    ASSERT_TRUE(highlighted());
    // Moving over the control keeps the hover.
    moveTo(offLabel());
    EXPECT_TRUE(highlighted());

    ASSERT_TRUE(leaveAndWait());
    EXPECT_TRUE(normalPicture());
    EXPECT_EQ(now().labelBack, kWhite);
    EXPECT_EQ(now().labelText, kBlack);
    EXPECT_EQ(now().back, kWhite);
}

TEST_F(ImageButtonTest, DisableDuringHoverKeepsPictureThenRestoresBlack)
{
    moveTo(onLabel());
    button->SetEnabled(false);
    EXPECT_EQ(now().labelText, kGrey);
    EXPECT_TRUE(highlighted());

    ASSERT_TRUE(leaveAndWait());
    EXPECT_TRUE(normalPicture());
    // The restore knows nothing of the enabled flag; callers disable again.
    EXPECT_EQ(now().labelText, kBlack);
    button->SetEnabled(false);
    EXPECT_EQ(now().labelText, kGrey);
}

TEST_F(ImageButtonTest, KeyboardFocusShowsAFrameAndSpaceOrEnterPresses)
{
    QSignalSpy clicks(button, &ImageButton::Click);
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    auto* frame = button->findChild<QFrame*>("focusFrame");
    ASSERT_TRUE(frame);
    QTest::keyClick(&host, Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus());
    EXPECT_TRUE(frame->isVisible());

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->childCount(), 0); // the caption is not read twice
    EXPECT_TRUE(accessible->state().focusable);
    EXPECT_TRUE(accessible->state().focused);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(button, key);
    QTest::keyClick(button, Qt::Key_A);
    EXPECT_EQ(clicks.count(), 3);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks.count(), 4);

    button->clearFocus();
    EXPECT_FALSE(frame->isVisible());
}
