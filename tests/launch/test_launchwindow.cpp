#include "launch/launchwindow.h"

#include "foundation/settings.h"
#include "tests/support/accessibility.h"
#include "tests/support/testenv.h"
#include "windows/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

class LaunchWindowTest : public MirloTest {
protected:
    void writeWindow(const QString& top, const QString& left)
    {
        if (!top.isNull())
            WriteSetting("window", "Top", top, settings.programFile());
        if (!left.isNull())
            WriteSetting("window", "Left", left, settings.programFile());
    }
    static QPoint centred(const QWidget& w)
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        return {area.x() + (area.width() - w.width()) / 2, area.y() + (area.height() - w.height()) / 2};
    }
};

} // namespace

TEST_F(LaunchWindowTest, WindowAndBothTexts)
{
    LaunchWindow window(programDir());
    window.Load();

    EXPECT_EQ(window.windowTitle(), "Launch");
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.size(), QSize(TwipsToPixels(3960, &window), TwipsToPixels(2550, &window)));
    auto* title = window.findChild<QLabel*>("Label1");
    auto* status = window.findChild<QLabel*>("Label2");
    auto* picture = window.findChild<QLabel*>("Image1");
    ASSERT_TRUE(title && status && picture);
    EXPECT_EQ(title->text(), "Mirlo");
    EXPECT_EQ(title->font().pointSize(), 18);
    EXPECT_TRUE(title->font().bold());
    EXPECT_FALSE(picture->pixmap().isNull());

    const QString second = "Réinitialisation des périphériques.\r\rChargement du programme.\r\r"
                           "Opération en cours. Veuillez patienter...";
    EXPECT_EQ(window.StatusText(), second);
    EXPECT_EQ(status->text(), QString(second).replace('\r', '\n'));
}

TEST_F(LaunchWindowTest, PlacedFromStoredTopAndLeft)
{
    writeWindow("1500", "3000");
    LaunchWindow window(programDir());
    window.Load();
    EXPECT_EQ(window.pos(), QPoint(TwipsToPixels(3000, &window), TwipsToPixels(1500, &window)));

    // Rounded halves to even, negative edges allowed.
    writeWindow("-450", "1504.5");
    LaunchWindow other(programDir());
    other.Load();
    EXPECT_EQ(other.pos(), QPoint(TwipsToPixels(1504, &other), TwipsToPixels(-450, &other)));
}

TEST_F(LaunchWindowTest, UnusableStoredEdgesKeepTheDesignedPlace)
{
    {
        LaunchWindow window(programDir()); // no settings file
        window.Load();
        EXPECT_EQ(window.pos(), centred(window));
    }
    writeWindow("40000", "abc");
    {
        LaunchWindow window(programDir());
        window.Load();
        EXPECT_EQ(window.pos(), centred(window));
    }
    // Each edge on its own: a good Top with a bad Left moves only vertically.
    writeWindow("750", "-32769");
    LaunchWindow window(programDir());
    window.Load();
    EXPECT_EQ(window.pos(), QPoint(centred(window).x(), TwipsToPixels(750, &window)));
}

TEST_F(LaunchWindowTest, RestartStartsMirloOnceThenEnds)
{
    LaunchWindow window(programDir());
    auto* timer = window.findChild<QTimer*>("Timer1");
    ASSERT_TRUE(timer);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 3000);
    window.Load();
    window.show();
    EXPECT_TRUE(shellLog.startedPrograms.isEmpty()); // nothing before the timer

    window.RestartMirlo();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(shellLog.startedPrograms, QStringList{JoinPath(programDir(), "Mirlo")});
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(endCalls, 1);

    window.RestartMirlo();
    EXPECT_EQ(shellLog.startedPrograms.size(), 1);
    EXPECT_EQ(endCalls, 1);
}

TEST_F(LaunchWindowTest, EndsEvenWhenMirloCannotStart)
{
    shellLog.startResult = false;
    LaunchWindow window(programDir());
    window.Load();
    window.show();
    window.RestartMirlo();
    EXPECT_EQ(shellLog.startedPrograms.size(), 1);
    EXPECT_EQ(endCalls, 1);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(LaunchWindowTest, CannotBeClosedBeforeTheRestart)
{
    LaunchWindow window(programDir());
    window.Load();
    window.show();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(shellLog.startedPrograms.isEmpty());
    EXPECT_EQ(endCalls, 0);
}

TEST_F(LaunchWindowTest, ScreenReaderMeetsThePictureAndTheTitle)
{
    LaunchWindow window(programDir());
    window.Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ExpectAccessible(window, {
                                 {"Image1", QAccessible::Graphic, "Logo de Mirlo"},
                                 {"Label1", QAccessible::StaticText, "Mirlo"},
                             });
}
