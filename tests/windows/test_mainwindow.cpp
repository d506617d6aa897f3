// Start-up of the main window: settings, first run, sound layer, devices and
// the recording options.
#include "tests/windows/mainwindowtest.h"

#include "windows/imagebutton.h"
#include "windows/twips.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <random>
#include <sys/stat.h>

namespace {

QStringList Captions(const QMenu* menu)
{
    QStringList out;
    for (const QAction* item : menu->actions())
        out << item->data().toString();
    return out;
}

} // namespace

TEST_F(MainWindowTest, DesignedControlsAndCaptions)
{
    MainWindow w(programDir());
    EXPECT_EQ(w.windowTitle(), "Enregistrement Mp3");
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    for (const char* name : {"Label4", "Label5"})
        EXPECT_EQ(w.findChild<QLabel*>(name)->text(), "Mirlo - Enregistrement  Mp3") << name;
    const std::pair<const char*, const char*> labels[] = {
        {"Label1_0", "Durée :"},         {"Label1_1", "Durée encodée :"},
        {"Label1_2", "Octets écrits :"}, {"Label1_4", "Périphérique d'enregistrement :"},
        {"Label1_5", "Fréquence  :"},    {"Label1_6", "Bitrate :"},
        {"Label1_7", "Qualité :"},       {"Label1_8", "Fichier :"}};
    for (const auto& [name, text] : labels) {
        const QLabel* label = w.findChild<QLabel*>(name);
        ASSERT_TRUE(label) << name;
        EXPECT_EQ(label->text(), QString(text)) << name;
    }
    EXPECT_EQ(Control<QLabel>(w, "Pict_Fond")->toolTip(), "Aide = Touche F1");
    EXPECT_EQ(Control<QLabel>(w, "Image2")->toolTip(), "Fermer Mirlo");
    EXPECT_EQ(Control<QLabel>(w, "Image3")->toolTip(), "Aide Mirlo");
    EXPECT_EQ(Box(w, "Periph")->text(), "");
    EXPECT_EQ(Box(w, "text2")->text(), "44100 Hz");
    EXPECT_EQ(Box(w, "Text3")->text(), "192 Kbit/s");
    EXPECT_EQ(Box(w, "Text4")->text(), "Haute qualité");
    EXPECT_EQ(Box(w, "Text5")->text(), "");
    EXPECT_EQ(Control<QPushButton>(w, "Envoi")->text(), "Envoyer par email");
    EXPECT_EQ(Control<QPushButton>(w, "Command1")->text(), "Nouvel enregistrement");
    EXPECT_EQ(Control<QPushButton>(w, "Command2")->text(), "Infos");
    // The counters, in the recording engine's order, each by its caption.
    const char* captions[] = {"Label1_1", "Label1_2", "Label1_0"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Box(w, QString("Text1_%1").arg(i))->y(), Control<QLabel>(w, captions[i])->y()) << i;
    for (const char* name : {"Recbt", "Pausebt", "stopbt", "Playbt", "browsebt"})
        EXPECT_TRUE(w.findChild<ImageButton*>(name)) << name;

    EXPECT_EQ(Control<QTimer>(w, "RecTimer1")->interval(), 1000);
    EXPECT_EQ(Control<QTimer>(w, "RecTimer1")->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(Control<QTimer>(w, "RecTimer1")->isActive());
    EXPECT_EQ(Control<QTimer>(w, "PlayTimer")->interval(), 50);
    EXPECT_FALSE(Control<QTimer>(w, "PlayTimer")->isActive());
    // Before any stored choice, the options are what their boxes show.
    EXPECT_EQ(w.recordingOptions().sampleRate, 44100);
    EXPECT_EQ(Box(w, "text2")->text(), "44100 Hz");
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 192);
    EXPECT_EQ(Box(w, "Text3")->text(), "192 Kbit/s");
}

TEST_F(MainWindowTest, OptionMenusHoldTheirFullLists)
{
    MainWindow w(programDir());
    EXPECT_EQ(Captions(Control<QMenu>(w, "cfe")), QStringList({"32000 Hz", "44100 Hz", "48000 Hz"}));
    EXPECT_EQ(Captions(Control<QMenu>(w, "ERE")),
              QStringList({"32 Kbit/s", "40 Kbit/s", "56 Kbit/s", "64 Kbit/s", "96 Kbit/s", "112 Kbit/s",
                           "128 Kbit/s", "160 Kbit/s", "192 Kbit/s", "256 Kbit/s", "320 Kbit/s"}));
    EXPECT_EQ(Captions(Control<QMenu>(w, "MDE")),
              QStringList({"Basse qualité", "Qualité moyenne", "Haute qualité", "Très haute qualité",
                           "Enregistrement d'une voix"}));
    EXPECT_EQ(MenuItem(w, "MD", 0)->objectName(), "MD_0");
    EXPECT_EQ(MenuItem(w, "ER", 11)->objectName(), "ER_11");
    EXPECT_EQ(w.findChild<QAction*>("cf_0"), nullptr);
    EXPECT_EQ(w.findChild<QAction*>("ER_12"), nullptr);
    ASSERT_EQ(Control<QMenu>(w, "RPE")->actions().size(), 8);
    EXPECT_TRUE(MenuItem(w, "RP", 1)->isVisible());
    EXPECT_EQ(MenuItem(w, "RP", 1)->data().toString(), "");
    for (int i = 2; i <= 8; ++i)
        EXPECT_FALSE(MenuItem(w, "RP", i)->isVisible()) << i;
}

TEST_F(MainWindowTest, NoConfigSectionGivesAndStoresDefaults)
{
    writeSettings();
    MainWindow& w = start();
    EXPECT_EQ(key("Config", "Periph"), "1");
    EXPECT_EQ(key("Config", "Freq"), "2");
    EXPECT_EQ(key("Config", "Quality"), "1");
    EXPECT_EQ(key("Config", "Bitrate"), "1");
    EXPECT_EQ(Box(w, "text2")->text(), "44100 Hz");
    EXPECT_EQ(Box(w, "Text4")->text(), "Qualité moyenne");
    EXPECT_EQ(Box(w, "Text3")->text(), "32 Kbit/s");
    EXPECT_EQ(w.recordingOptions().sampleRate, 44100);
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 32);
    EXPECT_EQ(w.recordingOptions().quality, Mp3Quality::Normal);
    EXPECT_TRUE(window->settings().complete);
    EXPECT_EQ(OpenWindow<SettingsDialog>(), nullptr);
    EXPECT_EQ(endCalls, 0);
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(MainWindowTest, StoredOptionsAreApplied)
{
    writeSettings("[Config]\r\nFreq=1\r\nQuality=4\r\nBitrate=7\r\n");
    MainWindow& w = start();
    EXPECT_EQ(Box(w, "text2")->text(), "32000 Hz");
    EXPECT_EQ(w.recordingOptions().sampleRate, 32000);
    EXPECT_EQ(Box(w, "Text4")->text(), "Enregistrement d'une voix");
    EXPECT_EQ(w.recordingOptions().quality, Mp3Quality::Voice);
    EXPECT_EQ(Box(w, "Text3")->text(), "128 Kbit/s");
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 128);
}

TEST_F(MainWindowTest, StoredIndexesWithoutItemKeepTheBoxes)
{
    writeSettings("[Config]\r\nFreq=0\r\nQuality=7\r\nBitrate=abc\r\n");
    MainWindow& w = start();
    EXPECT_EQ(Box(w, "text2")->text(), "44100 Hz");
    EXPECT_EQ(w.recordingOptions().sampleRate, 44100);
    EXPECT_EQ(key("Config", "Freq"), "0");
    EXPECT_EQ(Box(w, "Text4")->text(), "Haute qualité");
    EXPECT_EQ(w.recordingOptions().quality, Mp3Quality::Normal);
    EXPECT_EQ(key("Config", "Quality"), "7");
    // Not a number: item 0, none; the designed text gives the rate.
    EXPECT_EQ(Box(w, "Text3")->text(), "192 Kbit/s");
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 192);
    EXPECT_EQ(key("Config", "Bitrate"), "0");
}

TEST_F(MainWindowTest, StoredIndexUsesItsLeadingNumber)
{
    writeSettings("[Config]\r\nFreq=abc\r\nQuality=2.5\r\nBitrate= 11x\r\n");
    MainWindow& w = start();
    EXPECT_EQ(key("Config", "Freq"), "0");
    EXPECT_EQ(w.recordingOptions().sampleRate, 44100);
    // A fraction goes to the even neighbour, as a whole-number index does.
    EXPECT_EQ(w.recordingOptions().quality, Mp3Quality::High);
    EXPECT_EQ(Box(w, "Text4")->text(), "Haute qualité");
    EXPECT_EQ(key("Config", "Quality"), "2");
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 320);
    EXPECT_EQ(key("Config", "Bitrate"), "11");
}

TEST_F(MainWindowTest, MenuChoicesSetValuesAndKeys)
{
    writeSettings();
    MainWindow& w = start();
    MenuItem(w, "cf", 3)->trigger();
    EXPECT_EQ(Box(w, "text2")->text(), "48000 Hz");
    EXPECT_EQ(w.recordingOptions().sampleRate, 48000);
    EXPECT_EQ(key("Config", "Freq"), "3");

    MenuItem(w, "ER", 11)->trigger();
    EXPECT_EQ(Box(w, "Text3")->text(), "320 Kbit/s");
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 320);
    EXPECT_EQ(key("Config", "Bitrate"), "11");
    MenuItem(w, "ER", 1)->trigger();
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 32);
    EXPECT_EQ(key("Config", "Bitrate"), "1");

    const Mp3Quality qualities[] = {Mp3Quality::Low, Mp3Quality::Normal, Mp3Quality::High,
                                    Mp3Quality::VeryHigh, Mp3Quality::Voice};
    for (int i : {3, 0, 4, 2, 1}) {
        MenuItem(w, "MD", i)->trigger();
        EXPECT_EQ(w.recordingOptions().quality, qualities[i]) << i;
        EXPECT_EQ(key("Config", "Quality"), QString::number(i));
    }
    EXPECT_EQ(Box(w, "Text4")->text(), "Qualité moyenne");
}

TEST_F(MainWindowTest, ClickOnOptionBoxPopsItsMenuThere)
{
    writeSettings();
    MainWindow& w = start();
    w.show();
    QPoint popupAt;
    QString popupName;
    // Answers the pop-up as soon as it is up; gives up on it after a while so
    // nothing waits for ever.
    QTimer answer;
    answer.setInterval(10);
    int waited = 0;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            if (++waited > 300) {
                answer.stop();
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (qobject_cast<QMenu*>(top))
                        top->close();
            }
            return;
        }
        answer.stop();
        popupName = menu->objectName();
        popupAt = menu->pos();
        menu->actions().at(0)->trigger();
        menu->close();
    });
    answer.start();
    QTest::mouseClick(Box(w, "text2"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(popupName, "cfe");
    EXPECT_EQ(popupAt, Box(w, "text2")->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(Box(w, "text2")->text(), "32000 Hz");
    EXPECT_EQ(key("Config", "Freq"), "1");
}

TEST_F(MainWindowTest, FirstRunHidesWindowAndOpensSettings)
{
    const char* required[][2] = {{"email", "Expediteur"},
                                 {"email", "Destinataire"},
                                 {"email", "Nom"},
                                 {"Web", "Site"},
                                 {"Web", "Password"}};
    for (const auto& missing : required) {
        SCOPED_TRACE(missing[1]);
        writeSettings();
        WriteSetting(missing[0], missing[1], "", workingFile());
        window = std::make_unique<MainWindow>(programDir());
        window->show();
        window->StartUp();
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(window->settings().complete);
        SettingsDialog* dialog = OpenWindow<SettingsDialog>();
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->isVisible());
        // Start-up goes on behind the dialog.
        EXPECT_EQ(key("Config", "Bitrate"), "1");
        EXPECT_FALSE(Box(*window, "Text5")->text().isEmpty());
        window.reset();
    }
}

TEST_F(MainWindowTest, CompleteSettingsKeepWindowShown)
{
    writeSettings("mode=web\r\nProxy=proxy.lan\r\nProxyPort=3128\r\n");
    window = std::make_unique<MainWindow>(programDir());
    window->show();
    window->StartUp();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(OpenWindow<SettingsDialog>(), nullptr);
    const Settings& s = window->settings();
    EXPECT_EQ(s.sender, "eleve@example.org");
    EXPECT_EQ(s.recipient, "prof@example.org");
    EXPECT_EQ(s.pupilName, "DUPONT");
    EXPECT_EQ(s.webSite, "www.example.org");
    EXPECT_EQ(s.webPassword, UnscrambleSetting("41424344"));
    EXPECT_EQ(s.proxyHost, "proxy.lan");
    EXPECT_EQ(s.proxyPortText, "3128");
    EXPECT_EQ(s.sendMode, "web");
    EXPECT_EQ(Control<QPushButton>(*window, "Envoi")->text(), "Envoyer sur le site");
}

// A program-folder file that is a link or a pipe is not read: the pupil hears
// of it, as of a refused working file, even when no settings dialog opens.
TEST_F(MainWindowTest, RefusedProgramFolderFileIsTold)
{
    const QString school = tempPath("ecole.ini");
    WriteFile(school, "[IniPath]\r\nLocation=Lycee\r\n");
    const std::function<void(const QString&)> makers[] = {
        [&school](const QString& f) { QFile::link(school, f); },
        [](const QString& f) { mkfifo(QFile::encodeName(f).constData(), 0600); },
    };
    writeSettings();
    for (const auto& make : makers) {
        make(settings.programFile());
        prompter.messages.clear();
        start();
        ASSERT_EQ(prompter.messages.size(), 1);
        EXPECT_EQ(
            prompter.messages[0].text,
            QStringLiteral("Le fichier \"") + settings.programFile() +
                QStringLiteral("\" n'a pas été lu : ce n'est pas un fichier ordinaire (dossier, lien ou "
                               "fichier spécial)."));
        EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(window->settings().location, "");
        window.reset();
        QFile::remove(settings.programFile());
    }
}

TEST_F(MainWindowTest, SendModeSetsSendCaption)
{
    const std::pair<const char*, const char*> cases[] = {{"mode=mail\r\n", "Envoyer par email"},
                                                         {"mode=Web\r\n", "Envoyer par email"},
                                                         {"", "Envoyer par email"}};
    for (const auto& [line, caption] : cases) {
        writeSettings(line);
        MainWindow& w = start();
        EXPECT_EQ(Control<QPushButton>(w, "Envoi")->text(), QString(caption)) << line;
    }
}

TEST_F(MainWindowTest, ButtonsIdleAfterStartUp)
{
    writeSettings();
    MainWindow& w = start();
    EXPECT_EQ(Control<ImageButton>(w, "Recbt")->Caption(), "Enregistrer");
    EXPECT_EQ(Control<ImageButton>(w, "stopbt")->Caption(), "Stop");
    EXPECT_EQ(Control<ImageButton>(w, "Playbt")->Caption(), "Playback");
    EXPECT_EQ(Control<ImageButton>(w, "Pausebt")->Caption(), "Pause");
    EXPECT_EQ(Control<ImageButton>(w, "browsebt")->Caption(), "' ' '");
    EXPECT_TRUE(Control<ImageButton>(w, "Recbt")->isEnabled());
    EXPECT_FALSE(Control<ImageButton>(w, "stopbt")->isEnabled());
    EXPECT_FALSE(Control<ImageButton>(w, "Playbt")->isEnabled());
    EXPECT_FALSE(Control<ImageButton>(w, "Pausebt")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(w, "Envoi")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(w, "Command1")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(w, "Command2")->isEnabled());
}

TEST_F(MainWindowTest, DefaultRecordingPath)
{
    writeSettings("[Config]\r\nDossier=" + QFile::encodeName(scratchDir()) + "\r\n");
    MainWindow& w = start();
    const QString path = Box(w, "Text5")->text();
    EXPECT_TRUE(path.startsWith(scratchDir() + "/DUPONT_")) << path.toStdString();
    EXPECT_TRUE(path.endsWith("_14-03-22.mp3")) << path.toStdString();
    EXPECT_FALSE(path.mid(scratchDir().size() + 1).contains('/'));
    EXPECT_EQ(window->findChild<QLineEdit*>("Text5")->text(), path);
    EXPECT_EQ(window->settings().recordingFolder, scratchDir());
    // Start-up does not create anything there.
    EXPECT_FALSE(QFile::exists(path));
}

// No folder stored: the pupil's own music folder, as the settings dialog
// gives for no location, never the root of the file system.
TEST_F(MainWindowTest, EmptyFolderGivesThePupilsMusicFolder)
{
    const QByteArray oldHome = qgetenv("HOME");
    const QString home = tempPath("home");
    QDir().mkpath(home + "/Music");
    qputenv("HOME", home.toLocal8Bit());
    writeSettings("[Config]\r\nDossier=\r\n");
    MainWindow& w = start();
    qputenv("HOME", oldHome);
    const QString path = Box(w, "Text5")->text();
    EXPECT_TRUE(path.startsWith(home + "/Music/DUPONT_")) << path.toStdString();
    EXPECT_EQ(window->settings().recordingFolder, home + "/Music");
}

TEST_F(MainWindowTest, WindowPositionFromStoredTwips)
{
    MainWindow probe(programDir());
    // Twips that round to different pixels tell the two roundings apart.
    ASSERT_NE(TwipsToPixels(22, &probe), TwipsToPixels(23, &probe));
    const struct {
        const char* top;
        const char* left;
        int topTwips;
        int leftTwips;
    } cases[] = {
        {"1500", "3000", 1500, 3000},     {"22.5", "23.5", 22, 24}, // halves to even
        {nullptr, nullptr, 0, 0},         {"40000", "-40000", 0, 0}, {"abc", "", 0, 0},
        {"-1500", "32767", -1500, 32767},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.top ? c.top : "absent");
        QByteArray extra;
        if (c.top)
            extra = QByteArray("[window]\r\nTop=") + c.top + "\r\nLeft=" + c.left + "\r\n";
        writeSettings(extra);
        window = std::make_unique<MainWindow>(programDir());
        window->move(77, 88);
        window->StartUp();
        EXPECT_EQ(window->y(), TwipsToPixels(c.topTwips, window.get()));
        EXPECT_EQ(window->x(), TwipsToPixels(c.leftTwips, window.get()));
    }
}

TEST_F(MainWindowTest, SoundInitFailureIsReportedAndEnds)
{
    writeSettings();
    sound.openSucceeds = false;
    MainWindow& w = start();
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(
        prompter.messages[0].text,
        "Erreur lors de l'initialisation de fmod\r\nErreur d'initialisation du périphérique de sortie.");
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
    EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(endCalls, 1);
    EXPECT_TRUE(EndRequested());
    // Nothing after the failing step runs.
    EXPECT_EQ(Box(w, "Text5")->text(), "");
    EXPECT_EQ(key("Config", "Freq"), "");
}

TEST_F(MainWindowTest, DevicesListedUpToEight)
{
    sound.devices.clear();
    for (int i = 1; i <= 12; ++i)
        sound.devices.push_back("Périphérique & n°" + std::to_string(i));
    writeSettings();
    MainWindow& w = start();
    for (int i = 1; i <= 8; ++i) {
        EXPECT_TRUE(MenuItem(w, "RP", i)->isVisible()) << i;
        EXPECT_EQ(MenuItem(w, "RP", i)->data().toString(), QString("Périphérique & n°%1").arg(i));
    }
    EXPECT_EQ(MenuItem(w, "RP", 2)->text(), "Périphérique && n°2");
    EXPECT_EQ(Control<QMenu>(w, "RPE")->actions().size(), 8);
    EXPECT_EQ(Box(w, "Periph")->text(), "Périphérique & n°1");

    MenuItem(w, "RP", 6)->trigger();
    EXPECT_EQ(Box(w, "Periph")->text(), "Périphérique & n°6");
    EXPECT_EQ(key("Config", "Periph"), "6");
    EXPECT_EQ(w.recordingOptions().captureDevice, 5);
}

TEST_F(MainWindowTest, StoredDeviceAppliedWhenItExists)
{
    sound.devices = {"Micro USB", "Entrée ligne", "Casque"};
    writeSettings("[Config]\r\nPeriph=3\r\n");
    MainWindow& w = start();
    EXPECT_EQ(Box(w, "Periph")->text(), "Casque");
    EXPECT_EQ(w.recordingOptions().captureDevice, 2);
    EXPECT_EQ(key("Config", "Periph"), "3");
}

TEST_F(MainWindowTest, SystemDefaultDeviceHasAFrenchName)
{
    sound.devices = {"default", "HDA Intel PCH: ALC257 Analog (hw:0,0)"};
    writeSettings();
    MainWindow& w = start();
    EXPECT_EQ(Box(w, "Periph")->text(), "Périphérique par défaut du système");
    EXPECT_EQ(MenuItem(w, "RP", 2)->data().toString(), "HDA Intel PCH: ALC257 Analog (hw:0,0)");
}

TEST_F(MainWindowTest, StoredDeviceGoneShowsFirstDevice)
{
    sound.devices = {"Micro USB", "Entrée ligne"};
    writeSettings("[Config]\r\nPeriph=5\r\n");
    MainWindow& w = start();
    EXPECT_EQ(Box(w, "Periph")->text(), "Micro USB");
    EXPECT_EQ(w.recordingOptions().captureDevice, 0);
    EXPECT_EQ(key("Config", "Periph"), "5");
}

TEST_F(MainWindowTest, NoDeviceLeavesDeviceBoxEmpty)
{
    sound.devices.clear();
    writeSettings();
    MainWindow& w = start();
    EXPECT_EQ(Box(w, "Periph")->text(), "");
    EXPECT_TRUE(MenuItem(w, "RP", 1)->isVisible());
    EXPECT_FALSE(MenuItem(w, "RP", 2)->isVisible());
    EXPECT_EQ(key("Config", "Periph"), "1");
    EXPECT_EQ(endCalls, 0);
    EXPECT_FALSE(Box(w, "Text5")->text().isEmpty());
}

TEST_F(MainWindowTest, LongDriverNameCutTo254)
{
    sound.devices = {std::string(300, 'm')};
    writeSettings();
    MainWindow& w = start();
    EXPECT_EQ(Box(w, "Periph")->text(), QString(254, 'm'));
}

TEST_F(MainWindowTest, DamagedSettingsFilesStillStart)
{
    std::mt19937 random(7);
    QByteArray noise(4096, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const QByteArray damaged[] = {
        noise,
        QByteArray("[email]\r\nNom=") + QByteArray(1 << 20, 'x') + "\r\n",
        "Expediteur=a@b.c\r\nFreq=3\r\nno sections at all\r\n",
    };
    for (const QByteArray& content : damaged) {
        QDir().mkpath(settingsFolder());
        WriteFile(workingFile(), content);
        WriteFile(settings.programFile(), noise);
        MainWindow& w = start();
        EXPECT_FALSE(window->settings().complete);
        EXPECT_EQ(w.recordingOptions().sampleRate, 44100);
        EXPECT_EQ(endCalls, 0);
        EXPECT_FALSE(Box(w, "Text5")->text().isEmpty());
        window.reset();
    }
    // A working "file" that cannot be read at all.
    QFile::remove(workingFile());
    QDir().mkpath(workingFile());
    MainWindow& w = start();
    EXPECT_EQ(window->settings().sender, "");
    EXPECT_EQ(w.recordingOptions().bitRateKbps, 32);
    EXPECT_EQ(endCalls, 0);
}
