#include "windows/mainwindow.h"

#include "audio/soundlibrary.h"
#include "audio/recordingengine.h"
#include "windows/settingsdialog.h"
#include "foundation/windows1252.h"
#include "foundation/helpfile.h"
#include "windows/mainpictures.h"
#include "foundation/recordingname.h"
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "windows/twips.h"
#include "send/sendrecording.h"
#include "send/webupload.h"
#include "windows/aboutbox.h"
#include "windows/imagebutton.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegion>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <cstring>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 404;
constexpr int kCorner = 12; // width and height of the corner ellipse

const QString kTitleCaption = QStringLiteral("Mirlo - Enregistrement  Mp3");

// A menu item keeps its caption as data: the shown text escapes "&".
QString ItemCaption(const QAction* item) { return item ? item->data().toString() : QString(); }

void SetItemCaption(QAction* item, const QString& caption)
{
    item->setData(caption);
    QString shown = caption;
    shown.replace(u'&', QStringLiteral("&&"));
    item->setText(shown);
}

// Driver names come from the sound layer as zero-terminated ANSI text.
QString CStringToText(const char* text)
{
    if (!text)
        return {};
    char buffer[255] = {};
    std::strncpy(buffer, text, sizeof buffer - 1);
    return FromWindows1252(QByteArray(buffer));
}

// Stored menu positions are kept as the decimal text of their leading number.
QString StoredNumberText(const QString& stored)
{
    if (stored.isEmpty())
        return {};
    return QString::number(LeadingNumber(stored), 'g', 15);
}

// A stored position as a menu index (whole number, halves to even); none
// when it cannot be an index at all.
std::optional<int> MenuIndex(const QString& numberText)
{
    const double rounded = std::nearbyint(numberText.toDouble());
    if (!std::isfinite(rounded) || rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<int>(rounded);
}

QRegion RoundedRegion(int w, int h)
{
    QRegion region(0, 0, w, h);
    const int d = kCorner;
    const QPoint corners[] = {{0, 0}, {w - d, 0}, {0, h - d}, {w - d, h - d}};
    for (const QPoint& c : corners) {
        const QRect square(c.x(), c.y(), d, d);
        QRegion keep(square, QRegion::Ellipse);
        // Only the quarter of the ellipse facing the corner is cut.
        QRect quarter(c.x() == 0 ? 0 : w - d / 2, c.y() == 0 ? 0 : h - d / 2, d / 2, d / 2);
        region = region.subtracted(QRegion(quarter)).united(keep.intersected(quarter));
    }
    return region;
}

// Every control is named and placed as the designer laid it out.
template <class W>
W* Placed(W* widget, const QString& name, const QRect& geometry)
{
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    return Placed(new QLabel(text, parent), name, geometry);
}

QLineEdit* MakeBox(QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    auto* box = Placed(new QLineEdit(text, parent), name, geometry);
    box->setReadOnly(true);
    return box;
}

ImageButton* MakeImageButton(QWidget* parent, const QString& name, const QRect& geometry)
{
    return Placed(new ImageButton(parent), name, geometry);
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry)
{
    return Placed(new QPushButton(caption, parent), name, geometry);
}

QFrame* MakeShape(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* shape = Placed(new QFrame(parent), name, geometry);
    shape->setFrameShape(QFrame::Box);
    shape->setStyleSheet(QStringLiteral("QFrame { border: 1px solid rgb(60, 80, 120); border-radius: 4px; }"));
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
    return shape;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Enregistrement Mp3"));
    setFixedSize(kWidth, kHeight);
    BuildControls();
    BuildMenus();
    ConnectWindowControls();
    ConnectRecordingControls();
    // Sees key presses before the controls do (F1 whichever control has the
    // focus) and the clicks on the background, images and option boxes.
    qApp->installEventFilter(this);
    ShapeWindow();
}

MainWindow::~MainWindow()
{
    delete m_aboutBox.data();
    delete m_settingsDialog.data();
}

void MainWindow::BuildControls()
{
    m_pictFond = MakeLabel(this, QStringLiteral("Pict_Fond"), QString(), rect());
    m_pictFond->setPixmap(BackgroundPicture(size()));
    m_pictFond->setToolTip(QStringLiteral("Aide = Touche F1"));

    // Two labels with the same caption: a shadow under the title.
    m_label4 = MakeLabel(this, QStringLiteral("Label4"), kTitleCaption, QRect(19, 15, 360, 26));
    m_label5 = MakeLabel(this, QStringLiteral("Label5"), kTitleCaption, QRect(18, 14, 360, 26));
    QFont titleFont = font();
    titleFont.setPointSize(13);
    titleFont.setBold(true);
    m_label4->setFont(titleFont);
    m_label5->setFont(titleFont);
    m_label4->setStyleSheet(QStringLiteral("color: rgb(15, 20, 40);"));
    m_label5->setStyleSheet(QStringLiteral("color: white;"));

    m_image3 = MakeLabel(this, QStringLiteral("Image3"), QString(), QRect(kWidth - 60, 16, 22, 22));
    m_image3->setPixmap(HelpImagePicture());
    m_image3->setToolTip(QStringLiteral("Aide Mirlo"));
    m_image3->setCursor(Qt::PointingHandCursor);
    m_image2 = MakeLabel(this, QStringLiteral("Image2"), QString(), QRect(kWidth - 32, 16, 22, 22));
    m_image2->setPixmap(CloseImagePicture());
    m_image2->setToolTip(QStringLiteral("Fermer Mirlo"));
    m_image2->setCursor(Qt::PointingHandCursor);

    m_image1 = MakeLabel(this, QStringLiteral("Image1"), QString(), QRect(22, 84, 44, 56));
    m_image1->setPixmap(MicrophonePicture());

    // Recording options.
    m_shape1 = MakeShape(this, QStringLiteral("Shape1"), QRect(80, 78, 386, 122));
    const int lx = 92, bx = 300, bw = 156, row = 26;
    auto optionLabel = [&](int index, const QString& text, int y) {
        m_label1[index] = MakeLabel(this, QStringLiteral("Label1_%1").arg(index), text, QRect(lx, y, bx - lx - 4, 22));
    };
    optionLabel(4, QStringLiteral("Périphérique d'enregistrement :"), 86);
    optionLabel(5, QStringLiteral("Fréquence  :"), 86 + row);
    optionLabel(6, QStringLiteral("Bitrate :"), 86 + 2 * row);
    optionLabel(7, QStringLiteral("Qualité :"), 86 + 3 * row);
    m_periph = MakeBox(this, QStringLiteral("Periph"), QString(), QRect(bx, 86, bw, 22));
    m_text2 = MakeBox(this, QStringLiteral("text2"), QStringLiteral("44100 Hz"), QRect(bx, 86 + row, bw, 22));
    m_text3 = MakeBox(this, QStringLiteral("Text3"), QStringLiteral("192 Kbit/s"), QRect(bx, 86 + 2 * row, bw, 22));
    m_text4 = MakeBox(this, QStringLiteral("Text4"), QStringLiteral("Haute qualité"), QRect(bx, 86 + 3 * row, bw, 22));
    for (QLineEdit* box : {m_periph, m_text2, m_text3, m_text4})
        box->setCursor(Qt::PointingHandCursor);

    // Recording file.
    m_label1[8] = MakeLabel(this, QStringLiteral("Label1_8"), QStringLiteral("Fichier :"), QRect(22, 212, 56, 22));
    m_text5 = MakeBox(this, QStringLiteral("Text5"), QString(), QRect(80, 212, 330, 22));
    m_browsebt = MakeImageButton(this, QStringLiteral("browsebt"), QRect(416, 211, 50, 25));

    // Counters.
    m_shape2[0] = MakeShape(this, QStringLiteral("Shape2_0"), QRect(14, 244, 290, 84));
    m_shape2[1] = MakeShape(this, QStringLiteral("Shape2_1"), QRect(312, 244, 154, 84));
    const int cy = 250;
    m_label1[0] = MakeLabel(this, QStringLiteral("Label1_0"), QStringLiteral("Durée :"), QRect(22, cy, 120, 22));
    m_label1[1] = MakeLabel(this, QStringLiteral("Label1_1"), QStringLiteral("Durée encodée :"), QRect(22, cy + row, 120, 22));
    m_label1[2] = MakeLabel(this, QStringLiteral("Label1_2"), QStringLiteral("Octets écrits :"), QRect(22, cy + 2 * row, 120, 22));
    // Text1(2) sits by "Durée :", Text1(0) by "Durée encodée :", Text1(1) by "Octets écrits :".
    const int ty[3] = {cy + row, cy + 2 * row, cy};
    for (int i = 0; i < 3; ++i) {
        m_text1[i] = MakeBox(this, QStringLiteral("Text1_%1").arg(i), QString(), QRect(146, ty[i], 150, 22));
        m_text1[i]->setFocusPolicy(Qt::NoFocus);
    }
    m_label2 = MakeLabel(this, QStringLiteral("Label2"), QString(), QRect(320, 252, 138, 40));
    m_label2->setAlignment(Qt::AlignCenter);
    QFont counterFont = font();
    counterFont.setPointSize(16);
    counterFont.setBold(true);
    m_label2->setFont(counterFont);
    for (int i = 0; i < 5; ++i) {
        m_label3[i] = MakeLabel(this, QStringLiteral("Label3_%1").arg(i), QString(), QRect(320, 296 + (i % 2) * 14, 138, 14));
        m_label3[i]->setAlignment(Qt::AlignCenter);
    }
    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setGeometry(320, 296, 138, 28);
    m_list1->hide();

    // Recording buttons: 1215 x 375 twips each.
    const int by = 336;
    m_recbt = MakeImageButton(this, QStringLiteral("Recbt"), QRect(22, by, 81, 25));
    m_pausebt = MakeImageButton(this, QStringLiteral("Pausebt"), QRect(112, by, 81, 25));
    m_stopbt = MakeImageButton(this, QStringLiteral("stopbt"), QRect(202, by, 81, 25));
    m_playbt = MakeImageButton(this, QStringLiteral("Playbt"), QRect(292, by, 81, 25));

    m_line1 = new QFrame(this);
    m_line1->setObjectName(QStringLiteral("Line1"));
    m_line1->setFrameShape(QFrame::HLine);
    m_line1->setGeometry(14, 366, 452, 4);

    m_envoi = MakeButton(this, QStringLiteral("Envoi"), QStringLiteral("Envoyer par email"), QRect(14, 372, 160, 26));
    m_command1 = MakeButton(this, QStringLiteral("Command1"), QStringLiteral("Nouvel enregistrement"), QRect(180, 372, 170, 26));
    m_command2 = MakeButton(this, QStringLiteral("Command2"), QStringLiteral("Infos"), QRect(356, 372, 110, 26));

    m_recTimer1 = new QTimer(this);
    m_recTimer1->setObjectName(QStringLiteral("RecTimer1"));
    m_recTimer1->setTimerType(Qt::PreciseTimer);
    m_recTimer1->setInterval(1000);
    m_playTimer = new QTimer(this);
    m_playTimer->setObjectName(QStringLiteral("PlayTimer"));
    m_playTimer->setInterval(50);
}

void MainWindow::BuildMenus()
{
    auto makeMenu = [this](const QString& name, const QString& title) {
        auto* menu = new QMenu(title, this);
        menu->setObjectName(name);
        return menu;
    };
    auto makeItem = [](QMenu* menu, const QString& array, int index, const QString& caption) {
        QAction* item = menu->addAction(QString());
        item->setObjectName(QStringLiteral("%1_%2").arg(array).arg(index));
        SetItemCaption(item, caption);
        return item;
    };

    m_cfe = makeMenu(QStringLiteral("cfe"), QStringLiteral("CaptureFrequency"));
    const char* rates[] = {"32000 Hz", "44100 Hz", "48000 Hz"};
    for (int i = 1; i <= 3; ++i) {
        m_cf[i] = makeItem(m_cfe, QStringLiteral("cf"), i, QString::fromLatin1(rates[i - 1]));
        connect(m_cf[i], &QAction::triggered, this, [this, i] { ChooseSampleRate(i); });
    }

    m_ERE = makeMenu(QStringLiteral("ERE"), QStringLiteral("EncodingRate"));
    const int kbps[] = {32, 40, 56, 64, 96, 112, 128, 160, 192, 256, 320};
    for (int i = 1; i <= 11; ++i) {
        m_ER[i] = makeItem(m_ERE, QStringLiteral("ER"), i, QStringLiteral("%1 Kbit/s").arg(kbps[i - 1]));
        connect(m_ER[i], &QAction::triggered, this, [this, i] { ChooseBitRate(i); });
    }

    m_MDE = makeMenu(QStringLiteral("MDE"), QStringLiteral("Mode"));
    const QString qualities[] = {QStringLiteral("Basse qualité"), QStringLiteral("Qualité moyenne"),
                                 QStringLiteral("Haute qualité"), QStringLiteral("Très haute qualité"),
                                 QStringLiteral("Enregistrement d'une voix")};
    for (int i = 0; i <= 4; ++i) {
        m_MD[i] = makeItem(m_MDE, QStringLiteral("MD"), i, qualities[i]);
        connect(m_MD[i], &QAction::triggered, this, [this, i] { ChooseQuality(i); });
    }

    m_RPE = makeMenu(QStringLiteral("RPE"), QStringLiteral("RecPeriph"));
    for (int i = 1; i <= kDeviceItems; ++i) {
        m_RP[i] = makeItem(m_RPE, QStringLiteral("RP"), i, QString());
        m_RP[i]->setVisible(i == 1);
        connect(m_RP[i], &QAction::triggered, this, [this, i] { ChooseDevice(i); });
    }
}

void MainWindow::ConnectWindowControls()
{
    connect(m_browsebt, &ImageButton::Click, this, &MainWindow::ChooseRecordingFile);
    connect(m_command1, &QPushButton::clicked, this, &MainWindow::ResetProgram);
    connect(m_command2, &QPushButton::clicked, this, &MainWindow::ShowInfos);
}

// What the recording engine drives in this window.
class MainWindowRecordingView final : public RecordingView {
public:
    explicit MainWindowRecordingView(MainWindow& form) : m_form(form) {}

    void setButtonEnabled(RecButton b, bool enabled) override { button(b)->SetEnabled(enabled); }
    void setButtonCaption(RecButton b, const QString& caption) override { button(b)->ChangeCaption(caption); }
    void setCounter(int index, const QString& text) override { m_form.Text1(index)->setText(text); }
    void setClockText(const QString& text) override { m_form.Label2()->setText(text); }
    void setSendEnabled(bool enabled) override { m_form.Envoi()->setEnabled(enabled); }
    void setNewRecordingEnabled(bool enabled) override { m_form.Command1()->setEnabled(enabled); }
    RecordingOptions recordingOptions() const override
    {
        return {m_form.SampleRate, m_form.BitRateKbps, m_form.EncoderPreset};
    }
    QString recordingPath() const override { return Shared().recordingPath; }
    void processPendingEvents() override { QCoreApplication::processEvents(); }

private:
    ImageButton* button(RecButton b) const
    {
        switch (b) {
        case RecButton::Record: return m_form.Recbt();
        case RecButton::Pause: return m_form.Pausebt();
        case RecButton::Stop: return m_form.stopbt();
        case RecButton::Play: return m_form.Playbt();
        }
        return m_form.Recbt();
    }

    MainWindow& m_form;
};

// Recording, playback and sending controls.
void MainWindow::ConnectRecordingControls()
{
    m_recordingView = std::make_unique<MainWindowRecordingView>(*this);
    m_engine = std::make_unique<RecordingEngine>(*m_recordingView, m_recTimer1, m_playTimer);
    connect(m_recbt, &ImageButton::Click, m_engine.get(), &RecordingEngine::Record);
    connect(m_pausebt, &ImageButton::Click, m_engine.get(), &RecordingEngine::TogglePause);
    connect(m_stopbt, &ImageButton::Click, m_engine.get(), &RecordingEngine::Stop);
    connect(m_playbt, &ImageButton::Click, m_engine.get(), &RecordingEngine::Play);
    connect(m_envoi, &QPushButton::clicked, this, [this] { SendRecording(m_text5->text()); });
}

// Every way out: what was captured is encoded and the file closed first,
// then the engine's shutdown.
void MainWindow::FinaliseRecordingBeforeExit()
{
    if (!m_engine)
        return;
    m_engine->FinaliseRecordingBeforeExit();
    m_engine->CloseRecording();
}

QAction* MainWindow::cf(int index) const { return index >= 1 && index <= 3 ? m_cf[index] : nullptr; }
QAction* MainWindow::ER(int index) const { return index >= 1 && index <= 11 ? m_ER[index] : nullptr; }
QAction* MainWindow::MD(int index) const { return index >= 0 && index <= 4 ? m_MD[index] : nullptr; }
QAction* MainWindow::RP(int index) const { return index >= 1 && index <= kDeviceItems ? m_RP[index] : nullptr; }

// ---- Window shape and drag ----------------------------------------------

void MainWindow::ShapeWindow()
{
    setMask(RoundedRegion(width(), height()));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_pictFond->setGeometry(rect());
    ShapeWindow();
}

bool MainWindow::StartDrag(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    QWindow* handle = windowHandle();
    if (handle && handle->startSystemMove())
        return true;
    // No system move (no window manager, offscreen): follow the mouse ourselves.
    m_manualDrag = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
    return true;
}

bool MainWindow::DragMove(QMouseEvent* event)
{
    if (!m_manualDrag || !(event->buttons() & Qt::LeftButton))
        return false;
    move(event->globalPosition().toPoint() - m_dragOffset);
    return true;
}

void MainWindow::EndDrag() { m_manualDrag = false; }

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    if (!StartDrag(event))
        QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!DragMove(event))
        QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    EndDrag();
    QWidget::mouseReleaseEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
        ShowHelp(true);
        return true;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);

    if (watched == m_pictFond) {
        if (type == QEvent::MouseButtonPress)
            return StartDrag(mouse);
        if (type == QEvent::MouseMove)
            return DragMove(mouse);
        EndDrag();
        return false;
    }

    auto clicked = [&](QWidget* w) {
        return type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
               w->rect().contains(mouse->position().toPoint());
    };
    if (watched == m_image2 || watched == m_image3) {
        if (clicked(static_cast<QWidget*>(watched))) {
            if (watched == m_image2)
                QuitFromCloseImage();
            else
                ShowHelpFromImage();
        }
        return true; // the images are no drag handles
    }
    if (watched == m_periph && clicked(m_periph))
        OpenDeviceMenu();
    else if (watched == m_text2 && clicked(m_text2))
        OpenSampleRateMenu();
    else if (watched == m_text3 && clicked(m_text3))
        OpenBitRateMenu();
    else if (watched == m_text4 && clicked(m_text4))
        OpenQualityMenu();
    return false;
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelp(true);
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- Start-up ------------------------------------------------------------

void MainWindow::Load() { StartUp(); }

void MainWindow::StartUp()
{
    SharedValues& s = Shared();

    // 1. Where the settings live.
    LocateSettingsFolder();
    const QString file = WorkingSettingsFile();

    // 2. Window position, top edge first.
    const int top = ParseInt16(ReadSetting("window", "Top", file)).value_or(0);
    const int left = ParseInt16(ReadSetting("window", "Left", file)).value_or(0);
    move(x(), TwipsToPixels(top, this));
    move(TwipsToPixels(left, this), y());

    // 3. E-mail settings.
    s.sender = ReadSetting("email", "Expediteur", file);
    s.recipient = ReadSetting("email", "Destinataire", file);
    s.pupilName = ReadSetting("email", "Nom", file).toUpper();

    // 4. Web settings.
    s.webSite = ReadSetting("Web", "Site", file);
    const QString storedPassword = ReadSetting("Web", "Password", file);
    s.proxyHost = ReadSetting("Web", "Proxy", file);
    s.proxyPortText = ReadSetting("Web", "ProxyPort", file);

    // 5. First run: the settings dialog comes first.
    s.settingsComplete = !s.sender.isEmpty() && !s.recipient.isEmpty() && !s.pupilName.isEmpty() &&
                         !s.webSite.isEmpty() && !storedPassword.isEmpty();
    if (!s.settingsComplete) {
        hideMainWindow();
        showSettingsDialog();
    }

    // 6.
    s.webPassword = UnscrambleSetting(storedPassword);

    // 7. Recording settings.
    s.recordingFolder = ReadSetting("Config", "Dossier", file);
    QString periph = StoredNumberText(ReadSetting("Config", "Periph", file));
    QString freq = StoredNumberText(ReadSetting("Config", "Freq", file));
    QString bitrate = StoredNumberText(ReadSetting("Config", "Bitrate", file));
    QString quality = StoredNumberText(ReadSetting("Config", "Quality", file));

    // 8. Sound library.
    FSOUND_SetBufferSize(6000);
    if (!FSOUND_Init(44100, 10, 12)) {
        MsgBox(QStringLiteral("Erreur lors de l'initialisation de fmod") + QStringLiteral("\r\n") +
                   SoundErrorText(FSOUND_GetError()),
               MsgIcon::Critical);
        EndProgram();
        return;
    }

    // 9. Capture devices; driver 0 is the default one and is not listed.
    const int drivers = FSOUND_Record_GetNumDrivers();
    for (int i = 1; i < drivers && i <= kDeviceItems; ++i) {
        SetItemCaption(m_RP[i], CStringToText(FSOUND_Record_GetDriverName(i)));
        m_RP[i]->setVisible(true);
    }

    auto takeDefault = [&file](QString& value, const char* key, const char* fallback) {
        if (value.isEmpty()) {
            value = QString::fromLatin1(fallback);
            WriteSetting("Config", key, value, file);
        }
        return MenuIndex(value);
    };

    // 10. Device: the one chosen last time when it is still there.
    const std::optional<int> device = takeDefault(periph, "Periph", "1");
    if (device && *device >= 1 && *device < drivers && *device <= kDeviceItems)
        ChooseDevice(*device);
    else
        m_periph->setText(ItemCaption(m_RP[1]));

    // 11 to 13: stored menu positions applied as if chosen.
    if (const auto i = takeDefault(freq, "Freq", "2"))
        ChooseSampleRate(*i);
    if (const auto i = takeDefault(quality, "Quality", "1"))
        ChooseQuality(*i);
    if (const auto i = takeDefault(bitrate, "Bitrate", "1"))
        ChooseBitRate(*i);

    // 14. Default recording file.
    setRecordingPath(DefaultRecordingPath(s.recordingFolder, s.pupilName, programClock().now()));

    // 15. Buttons idle.
    m_stopbt->ChangeCaption(QStringLiteral("Stop"));
    m_recbt->ChangeCaption(QStringLiteral("Enregistrer"));
    m_playbt->ChangeCaption(QStringLiteral("Playback"));
    m_stopbt->SetEnabled(false);
    m_playbt->SetEnabled(false);
    m_envoi->setEnabled(false);
    m_command1->setEnabled(false);
    m_browsebt->ChangeCaption(QStringLiteral("' ' '"));
    Paused = false;
    m_engine->setPaused(false);
    m_pausebt->ChangeCaption(QStringLiteral("Pause"));
    m_pausebt->SetEnabled(false);

    // 16. Send mode.
    s.sendMode = ReadSetting("Web", "mode", file);
    if (s.sendMode == QLatin1String("web"))
        setSendCaption(QStringLiteral("Envoyer sur le site"));
    else if (s.sendMode == QLatin1String("mail"))
        setSendCaption(QStringLiteral("Envoyer par email"));
}

// ---- Endings ---------------------------------------------------------------

void MainWindow::closeOtherWindows()
{
    // Unloaded without their own closing steps: the program is on its way out.
    if (AboutBox* about = m_aboutBox.data()) {
        about->hide();
        about->deleteLater();
    }
    if (SettingsDialog* settings = m_settingsDialog.data()) {
        settings->hide();
        settings->deleteLater();
    }
    CloseUploadProgressWindow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    FinaliseRecordingBeforeExit();
    closeOtherWindows();
    event->accept();
    EndProgram();
}

void MainWindow::QuitFromCloseImage()
{
    FinaliseRecordingBeforeExit();
    closeOtherWindows();
    EndProgram();
}

void MainWindow::ResetProgram()
{
    const int top = PixelsToTwips16(y(), this);
    const int left = PixelsToTwips16(x(), this);
    m_command1->setEnabled(false);
    FinaliseRecordingBeforeExit();
    const QString file = WorkingSettingsFile();
    WriteSetting("window", "Top", QString::number(top), file);
    WriteSetting("window", "Left", QString::number(left), file);
    shell().startProgram(JoinPath(ProgramFolder(), QStringLiteral("Launch")), true);
    EndProgram();
}

// ---- Help and other windows ------------------------------------------------

void MainWindow::ShowHelp(bool fromKeyboard)
{
    if (OpenHelpFile())
        return;
    if (fromKeyboard)
        ShowInfos();
    else
        MsgBox(QStringLiteral("Le fichier d'aide n'a pa sété trouvé"), MsgIcon::Exclamation);
}

void MainWindow::ShowHelpFromImage() { ShowHelp(false); }

void MainWindow::ShowInfos()
{
    showAboutBox();
    hideMainWindow();
}

void MainWindow::showMainWindow()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::hideMainWindow() { hide(); }

void MainWindow::setSendCaption(const QString& caption) { m_envoi->setText(caption); }

void MainWindow::setRecordingPath(const QString& path)
{
    Shared().recordingPath = path;
    m_text5->setText(path);
}

void MainWindow::showSettingsDialog()
{
    if (!m_settingsDialog)
        m_settingsDialog = new SettingsDialog(*this);
    m_settingsDialog->show();
}

void MainWindow::showAboutBox()
{
    if (!m_aboutBox)
        m_aboutBox = new AboutBox(*this);
    m_aboutBox->show();
}


// ---- Option menus ------------------------------------------------------------

void MainWindow::PopUp(QMenu* menu, QLineEdit* box)
{
    menu->exec(box->mapToGlobal(QPoint(0, 0)));
    RefreshOptionBoxes();
}

void MainWindow::OpenDeviceMenu() { PopUp(m_RPE, m_periph); }
void MainWindow::OpenSampleRateMenu() { PopUp(m_cfe, m_text2); }
void MainWindow::OpenBitRateMenu() { PopUp(m_ERE, m_text3); }
void MainWindow::OpenQualityMenu() { PopUp(m_MDE, m_text4); }

void MainWindow::RefreshOptionBoxes()
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_periph, m_text2, m_text3, m_text4, m_text5,
                                                      m_label2, m_command1, m_command2, m_envoi})
        w->repaint();
}

void MainWindow::ChooseSampleRate(int index)
{
    if (const QAction* item = cf(index))
        m_text2->setText(ItemCaption(item));
    SampleRate = static_cast<int>(LeadingNumber(m_text2->text().left(5)));
    WriteSetting("Config", "Freq", QString::number(index), WorkingSettingsFile());
    update();
}

void MainWindow::ChooseBitRate(int index)
{
    if (const QAction* item = ER(index))
        m_text3->setText(ItemCaption(item));
    update();
    const QString text = m_text3->text();
    if (text.size() >= 6)
        BitRateKbps = static_cast<int>(LeadingNumber(text.left(text.size() - 6)));
    WriteSetting("Config", "Bitrate", QString::number(index), WorkingSettingsFile());
}

void MainWindow::ChooseQuality(int index)
{
    if (const QAction* item = MD(index))
        m_text4->setText(ItemCaption(item));
    static const int presets[] = {1, 0, 2, 5, 3};
    if (index >= 0 && index <= 4)
        EncoderPreset = presets[index];
    WriteSetting("Config", "Quality", QString::number(index), WorkingSettingsFile());
}

void MainWindow::ChooseDevice(int index)
{
    if (const QAction* item = RP(index))
        m_periph->setText(ItemCaption(item));
    FSOUND_Record_SetDriver(index);
    WriteSetting("Config", "Periph", QString::number(index), WorkingSettingsFile());
    update();
}

// ---- Recording-file chooser ----------------------------------------------------

void MainWindow::ChooseRecordingFile()
{
    const QString folder = Shared().recordingFolder;
    if (!folder.isEmpty())
        QDir::setCurrent(folder);

    FileRequest request;
    request.title = QStringLiteral("Veuillez indiquer le fichier à créer");
    request.initialFolder = folder;
    request.defaultSuffix = QStringLiteral("mp3");
    request.filter = QStringLiteral("Fichiers Mp3|*.mp3");
    const QString chosen = prompt().saveFileName(request);

    if (!chosen.isEmpty()) {
        setRecordingPath(chosen);
        const qsizetype cut = chosen.lastIndexOf(QDir::separator());
        if (cut >= 0)
            WriteSetting("Config", "Dossier", chosen.left(cut), WorkingSettingsFile());
    }
    m_recbt->SetEnabled(true);

    if (FileExists(chosen)) {
        if (QFileInfo(chosen).size() < 1) {
            m_envoi->setEnabled(false);
        } else {
            m_envoi->setEnabled(true);
            m_playbt->SetEnabled(true);
            m_stopbt->SetEnabled(true);
            MsgBox(QStringLiteral("Ce fichier existe déjà !\rVous pouvez l'envoyer par email ou bien\r"
                                  "le remplacer par un nouvel enregistrement."),
                   MsgIcon::Information);
        }
    } else {
        m_envoi->setEnabled(false);
    }
}
