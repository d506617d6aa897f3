// The engine inside the main window: its buttons, and every way out of the
// program while a recording runs leaves a complete MP3.
#include "audio/formatduration.h"
#include "audio/recordingengine.h"
#include "tests/support/mp3check.h"
#include "tests/windows/mainwindowtest.h"
#include "windows/imagebutton.h"
#include "windows/levelmeter.h"
#include "windows/mainwindow.h"
#include "windows/recordingmessages.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class EngineWindowTest : public MainWindowTest {
protected:
    MainWindow& startWindow()
    {
        writeSettings("[Config]\r\nDossier=" + scratchDir().toUtf8() + "\r\nBitrate=7\r\n");
        MainWindow& w = start();
        EXPECT_EQ(w.recordingOptions().bitRateKbps, 128);
        return w;
    }
    // Records `seconds` of a tone, ticking the window's own poll.
    void record(MainWindow& w, double seconds)
    {
        const int rate = w.recordingOptions().sampleRate;
        double done = 0;
        while (done < seconds) {
            const double step = Control<QTimer>(w, "RecTimer1")->interval() / 1000.0;
            testClock.secondsValue += step;
            sound.pushTone(440, std::size_t(step * rate));
            Engine(w).Tick();
            done += step;
        }
    }
    void expectComplete(MainWindow& w, const QString& path)
    {
        RecordingEngine& e = Engine(w);
        EXPECT_EQ(e.state(), RecordingEngine::State::Finished);
        EXPECT_FALSE(sound.capturing());
        EXPECT_TRUE(WalkMpegFrames(ReadFile(path)).ok);
        const DecodedMp3 d = DecodeMp3File(path);
        ASSERT_TRUE(d.ok);
        EXPECT_GE(int64_t(d.frames()), sound.pushedFrames() + 1105);
        EXPECT_EQ(endCalls, 1);
    }
};

} // namespace

TEST_F(EngineWindowTest, ButtonsDriveTheEngine)
{
    MainWindow& w = startWindow();
    const QString path = Box(w, "Text5")->text();
    ASSERT_FALSE(path.isEmpty());
    emit Control<ImageButton>(w, "Recbt")->Click();
    ASSERT_EQ(Engine(w).state(), RecordingEngine::State::Capturing);
    EXPECT_TRUE(Control<QTimer>(w, "RecTimer1")->isActive());
    EXPECT_FALSE(Control<QPushButton>(w, "Envoi")->isEnabled());
    record(w, 1.0);
    EXPECT_EQ(Box(w, "Text1_0")->text(), Control<QLabel>(w, "Label2")->text());
    EXPECT_NE(Box(w, "Text1_0")->text(), "00:00:00");
    emit Control<ImageButton>(w, "Pausebt")->Click();
    EXPECT_EQ(Control<ImageButton>(w, "Pausebt")->Caption(), "Continuer");
    emit Control<ImageButton>(w, "Pausebt")->Click();
    EXPECT_EQ(Control<ImageButton>(w, "Pausebt")->Caption(), "Pause");
    emit Control<ImageButton>(w, "Playbt")->Click();
    EXPECT_EQ(Engine(w).state(), RecordingEngine::State::Draining);
    // Sending waits for the file to be complete and closed.
    EXPECT_FALSE(Control<QPushButton>(w, "Envoi")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(w, "Command1")->isEnabled());
    Engine(w).Tick();
    EXPECT_EQ(Engine(w).state(), RecordingEngine::State::Finished);
    EXPECT_TRUE(Control<QPushButton>(w, "Envoi")->isEnabled());
    EXPECT_TRUE(sound.playing());
    EXPECT_TRUE(Control<QTimer>(w, "PlayTimer")->isActive());
    emit Control<ImageButton>(w, "stopbt")->Click();
    EXPECT_EQ(Control<ImageButton>(w, "Playbt")->Caption(), "PlayBack");
    EXPECT_FALSE(sound.playing());
}

// The meter shows the loudest sample of what was just captured, lights its
// clip mark at full scale, and empties when the recording ends.
TEST_F(EngineWindowTest, LevelMeterShowsThePeakOfTheCapturedAudio)
{
    MainWindow& w = startWindow();
    const LevelMeter& meter = *Control<LevelMeter>(w, "LevelMeter");
    emit Control<ImageButton>(w, "Recbt")->Click();
    // A square wave in whole chunks (2304 frames at 44.1 kHz): every
    // sample's magnitude is its peak, and one poll encodes it all.
    auto square = [&](int16_t peak) {
        const std::size_t frames = 4 * 2304;
        std::vector<int16_t> pcm(frames * 2);
        for (std::size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = (i / 100) % 2 ? int16_t(-peak) : peak;
        sound.push(pcm);
        testClock.secondsValue += double(frames) / 44100;
        Engine(w).Tick();
    };
    square(8192);
    EXPECT_NEAR(meter.level(), -12.04, 0.01);
    EXPECT_EQ(meter.barLength(meter.level()), meter.barLength(-12.04));
    EXPECT_GT(meter.barLength(meter.level()), meter.scaleLength() / 2);
    EXPECT_FALSE(meter.clipLit());
    square(32767);
    EXPECT_NEAR(meter.level(), 0.0, 0.01);
    EXPECT_EQ(meter.barLength(meter.level()), meter.scaleLength());
    EXPECT_TRUE(meter.clipLit());
    square(328); // -40 dBFS: the clip mark stays lit a moment
    EXPECT_NEAR(meter.level(), -40.0, 0.05);
    EXPECT_TRUE(meter.clipLit());

    emit Control<ImageButton>(w, "stopbt")->Click();
    while (Engine(w).state() == RecordingEngine::State::Draining)
        Engine(w).Tick();
    EXPECT_EQ(meter.barLength(meter.level()), 0);
    EXPECT_FALSE(meter.clipLit());
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.texts().join("|").toStdString();
}

// The counters change at every poll but are painted a few times a second;
// their last values show once the recording ends.
TEST_F(EngineWindowTest, CountersRefreshAFewTimesASecondAndEndOnTheirLastValues)
{
    MainWindow& w = startWindow();
    emit Control<ImageButton>(w, "Recbt")->Click();
    QStringList shown;
    for (int tick = 0; tick < 16; ++tick) { // two seconds, a poll at a time
        record(w, 0.125);
        if (shown.isEmpty() || shown.back() != Box(w, "Text1_0")->text())
            shown << Box(w, "Text1_0")->text();
    }
    // Twice a second, with the level meter: painting costs more than the poll.
    EXPECT_GE(shown.size(), 3) << shown.join(" ").toStdString();
    EXPECT_LE(shown.size(), 6) << shown.join(" ").toStdString();
    EXPECT_EQ(Box(w, "Text1_0")->text(), Control<QLabel>(w, "Label2")->text());

    emit Control<ImageButton>(w, "stopbt")->Click();
    while (Engine(w).state() == RecordingEngine::State::Draining)
        Engine(w).Tick();
    // What the file holds: its whole frames' audio, and its bytes.
    const QString path = Box(w, "Text5")->text();
    const DecodedMp3 d = DecodeMp3File(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(Box(w, "Text1_0")->text(), FormatDuration(int64_t(d.frames()) * 1000 / d.rate));
    EXPECT_EQ(Box(w, "Text1_1")->text(), FormatKiloBytes(QFileInfo(path).size()));
}

TEST_F(EngineWindowTest, ClosingTheWindowWhileRecordingFinishesTheFile)
{
    MainWindow& w = startWindow();
    const QString path = Box(w, "Text5")->text();
    emit Control<ImageButton>(w, "Recbt")->Click();
    record(w, 1.0);
    testClock.secondsValue += 2;
    sound.pushTone(440, 2 * 44100); // not yet read when the window closes
    w.close();
    expectComplete(w, path);
}

TEST_F(EngineWindowTest, CloseImageWhileDrainingFinishesTheFile)
{
    MainWindow& w = startWindow();
    const QString path = Box(w, "Text5")->text();
    emit Control<ImageButton>(w, "Recbt")->Click();
    record(w, 1.0);
    sound.pushTone(440, 3 * 44100);
    emit Control<ImageButton>(w, "stopbt")->Click();
    ASSERT_EQ(Engine(w).state(), RecordingEngine::State::Draining);
    w.QuitFromCloseImage();
    expectComplete(w, path);
}

TEST_F(EngineWindowTest, NewRecordingWhilePausedFinishesTheFile)
{
    MainWindow& w = startWindow();
    const QString path = Box(w, "Text5")->text();
    emit Control<ImageButton>(w, "Recbt")->Click();
    record(w, 1.0);
    emit Control<ImageButton>(w, "Pausebt")->Click();
    record(w, 0.5);
    Control<QPushButton>(w, "Command1")->setEnabled(true);
    Control<QPushButton>(w, "Command1")->click();
    EXPECT_EQ(shellLog.startedPrograms.size(), 1);
    EXPECT_EQ(Engine(w).state(), RecordingEngine::State::Finished);
    EXPECT_TRUE(WalkMpegFrames(ReadFile(path)).ok);
    // Paused audio is not in the file: only the second recorded before the pause.
    const DecodedMp3 d = DecodeMp3File(path);
    ASSERT_TRUE(d.ok);
    EXPECT_GT(double(d.frames()) / d.rate, 0.9);
    EXPECT_LT(double(d.frames()) / d.rate, 1.25);
    EXPECT_EQ(endCalls, 1);
}

// What the pupil reads for each problem the engine reports.
TEST_F(EngineWindowTest, EveryRecordingProblemHasItsMessage)
{
    using P = RecordingProblem;
    struct Case {
        P problem;
        QString text, title;
        MsgIcon icon;
    };
    const QString mirlo = "Mirlo";
    const Case cases[] = {
        {P::EncoderRefusedSettings, "Paramètre de format incorrect", "Lame", MsgIcon::None},
        {P::EncoderUnavailable, "Handle insuffisants", "Lame", MsgIcon::None},
        {P::SoundDevicesFailed,
         "Erreur lors de l'initialisation de fmod\r\nErreur d'initialisation du périphérique de sortie.",
         mirlo, MsgIcon::Critical},
        {P::CaptureFailed,
         "Le périphérique d'enregistrement n'a pas pu être ouvert : rien n'a été enregistré.\rVérifiez que "
         "le "
         "micro est branché, choisissez-le dans la liste des périphériques ou cliquez sur « Nouvel "
         "enregistrement », puis recommencez.",
         mirlo, MsgIcon::Exclamation},
        {P::NoSoundArrived,
         "Aucun son n'arrive du périphérique d'enregistrement : l'enregistrement est arrêté et aucun fichier "
         "n'a été créé.\rVérifiez que le micro est branché, choisissez-le dans la liste des périphériques ou "
         "cliquez sur « Nouvel enregistrement », puis recommencez.",
         mirlo, MsgIcon::Exclamation},
        {P::WriteFailed,
         "L'enregistrement n'a pas pu être écrit dans le fichier.\rVérifiez la place libre sur le disque, "
         "puis "
         "recommencez l'enregistrement.",
         mirlo, MsgIcon::Exclamation},
        {P::Silent,
         "Votre enregistrement semble silencieux : aucun son n'a été capté.\rVérifiez que le micro est "
         "branché "
         "et qu'il n'est pas coupé, puis recommencez l'enregistrement.",
         mirlo, MsgIcon::Exclamation},
    };
    for (const Case& c : cases) {
        prompter.messages.clear();
        ShowRecordingProblem(c.problem);
        ASSERT_EQ(prompter.messages.size(), 1);
        EXPECT_EQ(prompter.messages[0].text, c.text);
        EXPECT_EQ(prompter.messages[0].title, c.title);
        EXPECT_EQ(prompter.messages[0].icon, c.icon);
        EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    }

    using F = FileCreationFault;
    const std::pair<F, QString> reasons[] = {
        {F::FolderNotCreated, "ce dossier n'existe pas et n'a pas pu être créé"},
        {F::NotAFolder, "ce nom est celui d'un fichier, pas d'un dossier"},
        {F::FolderDenied, "vous n'avez pas le droit d'écrire dans ce dossier"},
        {F::Refused, "le système a refusé de créer le fichier (nom trop long ou disque plein, par exemple)"},
    };
    for (const auto& [fault, reason] : reasons) {
        prompter.messages.clear();
        ShowFileNotCreated("/home/eleve/Musique", fault);
        ASSERT_EQ(prompter.messages.size(), 1);
        EXPECT_EQ(
            prompter.messages[0].text,
            "Le fichier d'enregistrement n'a pas pu être créé dans le dossier \"/home/eleve/Musique\" : " +
                reason +
                ".\rChoisissez un autre fichier avec le bouton à droite de son nom, ou un autre dossier "
                "dans les paramètres (\"Infos\", \"Modifier les paramètres\"), puis recommencez "
                "l'enregistrement.");
        EXPECT_EQ(prompter.messages[0].title, mirlo);
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    }
}

// The window asks before replacing a file, and tells why a start failed;
// sound devices that cannot start end the program.
TEST_F(EngineWindowTest, TheWindowAsksAndTellsForTheEngine)
{
    MainWindow& w = startWindow();
    const QString path = Box(w, "Text5")->text();
    WriteFile(path, "old recording");
    const auto controls = [&w] {
        QList<bool> on;
        for (const char* name : {"Recbt", "Pausebt", "stopbt", "Playbt"})
            on << Control<ImageButton>(w, name)->isEnabled();
        for (const char* name : {"Envoi", "Command1"})
            on << Control<QPushButton>(w, name)->isEnabled();
        return on;
    };
    const QList<bool> before = controls();
    prompter.answers.push_back(MsgAnswer::Cancel);
    emit Control<ImageButton>(w, "Recbt")->Click();
    EXPECT_EQ(controls(), before) << "cancelled: every control as before";
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, "Le fichier spécifié existe déjà.\r\nVoulez-vous le remplacer ?");
    EXPECT_EQ(prompter.messages[0].title, "Confirmation");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(ReadFile(path), "old recording");
    EXPECT_EQ(Engine(w).state(), RecordingEngine::State::Idle);

    sound.captureSucceeds = false;
    prompter.answers.push_back(MsgAnswer::Ok);
    emit Control<ImageButton>(w, "Recbt")->Click();
    ASSERT_EQ(prompter.messages.size(), 3);
    EXPECT_EQ(prompter.messages[2].text, CaptureFailedText());
    EXPECT_EQ(endCalls, 0);

    // A file that cannot be created: the folder and the reason, every control as before.
    WriteFile(tempPath("fichier"), "not a folder");
    w.setRecordingPath(tempPath("fichier") + "/rec.mp3");
    const QList<bool> ready = controls();
    emit Control<ImageButton>(w, "Recbt")->Click();
    ASSERT_EQ(prompter.messages.size(), 4);
    EXPECT_EQ(prompter.messages[3].text, FileNotCreatedText(tempPath("fichier"), FileCreationFault::NotAFolder));
    EXPECT_EQ(prompter.messages[3].icon, MsgIcon::Exclamation);
    EXPECT_EQ(controls(), ready);

    sound.openSucceeds = false;
    w.setRecordingPath(path);
    emit Control<ImageButton>(w, "Recbt")->Click();
    ASSERT_EQ(prompter.messages.size(), 5);
    EXPECT_EQ(prompter.messages[4].icon, MsgIcon::Critical);
    EXPECT_EQ(endCalls, 1);
}
