#include "launch/launchform.h"

#include "audio/soundlibrary.h"
#include "foundation/settings.h"
#include "windows/twips.h"
#include "tests/support/testenv.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace {

// Sees what Launch releases, and what its window said at that moment.
class WatchingBackend final : public SoundBackend {
public:
    bool init() override { return true; }
    void close() override
    {
        ++closes;
        if (form)
            textAtClose = form->Label2Text();
    }
    std::vector<std::string> captureDevices() override { return {"default", "test mic"}; }
    bool startCapture(int, int, CaptureSink&) override { return capturing = true; }
    void stopCapture() override
    {
        if (capturing)
            ++captureStops;
        capturing = false;
    }
    bool startPlayback(PlaybackSource&) override { return true; }
    void stopPlayback() override {}

    LaunchForm* form = nullptr;
    QString textAtClose;
    int closes = 0;
    int captureStops = 0;
    bool capturing = false;
};

class LaunchFormTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        FSOUND_SetBackend(&backend);
    }
    void TearDown() override
    {
        FSOUND_Close();
        FSOUND_SetBackend(nullptr);
        MirloTest::TearDown();
    }
    void writeWindow(const QString& top, const QString& left)
    {
        if (!top.isNull())
            WriteSetting("window", "Top", top, ProgramSettingsFile());
        if (!left.isNull())
            WriteSetting("window", "Left", left, ProgramSettingsFile());
    }
    static QPoint centred(const QWidget& w)
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        return {area.x() + (area.width() - w.width()) / 2, area.y() + (area.height() - w.height()) / 2};
    }

    WatchingBackend backend;
};

} // namespace

TEST_F(LaunchFormTest, WindowAndBothTexts)
{
    LaunchForm form;
    backend.form = &form;
    ASSERT_TRUE(FSOUND_Init(44100, 10, 12)); // as if audio were still held
    form.Load();

    EXPECT_EQ(form.windowTitle(), "Launch");
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.size(), QSize(TwipsToPixels(3960, &form), TwipsToPixels(2550, &form)));
    auto* label1 = form.findChild<QLabel*>("Label1");
    auto* label2 = form.findChild<QLabel*>("Label2");
    auto* image1 = form.findChild<QLabel*>("Image1");
    ASSERT_TRUE(label1 && label2 && image1);
    EXPECT_EQ(label1->text(), "Mirlo");
    EXPECT_EQ(label1->font().pointSize(), 18);
    EXPECT_TRUE(label1->font().bold());
    EXPECT_FALSE(image1->pixmap().isNull());

    EXPECT_EQ(backend.closes, 1);
    EXPECT_EQ(backend.textAtClose, "Réinitialisation en cours.\r\rVeuillez patienter...");
    const QString second = "Réinitialisation des périphériques.\r\rChargement du programme.\r\r"
                           "Opération en cours. Veuillez patienter...";
    EXPECT_EQ(form.Label2Text(), second);
    EXPECT_EQ(label2->text(), QString(second).replace('\r', '\n'));
}

TEST_F(LaunchFormTest, ReleasesARunningCaptureAndWorksWithNothingOpen)
{
    ASSERT_TRUE(FSOUND_Init(44100, 10, 12));
    const int sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 44100, FSOUND_16BITS | FSOUND_STEREO | FSOUND_SIGNED,
                                           44100, 255, 128, 255);
    ASSERT_GT(sample, 0);
    ASSERT_TRUE(FSOUND_Record_StartSample(sample, true));
    ASSERT_TRUE(backend.capturing);
    {
        LaunchForm form;
        form.Load();
    }
    EXPECT_FALSE(backend.capturing);
    EXPECT_EQ(backend.captureStops, 1);
    EXPECT_EQ(backend.closes, 1);
    FSOUND_Sample_Free(sample);

    // Nothing held at all: the same sequence runs through quietly.
    LaunchForm idle;
    idle.Load();
    EXPECT_EQ(backend.closes, 1);
    EXPECT_EQ(idle.Label2Text().left(35), "Réinitialisation des périphériques.");
}

TEST_F(LaunchFormTest, PlacedFromStoredTopAndLeft)
{
    writeWindow("1500", "3000");
    LaunchForm form;
    form.Load();
    EXPECT_EQ(form.pos(), QPoint(TwipsToPixels(3000, &form), TwipsToPixels(1500, &form)));

    // Rounded halves to even, negative edges allowed.
    writeWindow("-450", "1504.5");
    LaunchForm other;
    other.Load();
    EXPECT_EQ(other.pos(), QPoint(TwipsToPixels(1504, &other), TwipsToPixels(-450, &other)));
}

TEST_F(LaunchFormTest, UnusableStoredEdgesKeepTheDesignedPlace)
{
    {
        LaunchForm form; // no settings file
        form.Load();
        EXPECT_EQ(form.pos(), centred(form));
    }
    writeWindow("40000", "abc");
    {
        LaunchForm form;
        form.Load();
        EXPECT_EQ(form.pos(), centred(form));
    }
    // Each edge on its own: a good Top with a bad Left moves only vertically.
    writeWindow("750", "-32769");
    LaunchForm form;
    form.Load();
    EXPECT_EQ(form.pos(), QPoint(centred(form).x(), TwipsToPixels(750, &form)));
}

TEST_F(LaunchFormTest, RestartStartsMirloOnceThenEnds)
{
    LaunchForm form;
    auto* timer = form.findChild<QTimer*>("Timer1");
    ASSERT_TRUE(timer);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 3000);
    form.Load();
    form.show();
    EXPECT_TRUE(shellLog.startedPrograms.isEmpty()); // nothing before the timer

    form.RestartMirlo();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(shellLog.startedPrograms, QStringList{JoinPath(programDir(), "Mirlo")});
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(endCalls, 1);

    form.RestartMirlo();
    EXPECT_EQ(shellLog.startedPrograms.size(), 1);
    EXPECT_EQ(endCalls, 1);
}

TEST_F(LaunchFormTest, EndsEvenWhenMirloCannotStart)
{
    shellLog.startResult = false;
    LaunchForm form;
    form.Load();
    form.show();
    form.RestartMirlo();
    EXPECT_EQ(shellLog.startedPrograms.size(), 1);
    EXPECT_EQ(endCalls, 1);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(LaunchFormTest, CannotBeClosedBeforeTheRestart)
{
    LaunchForm form;
    form.Load();
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(shellLog.startedPrograms.isEmpty());
    EXPECT_EQ(endCalls, 0);
}
