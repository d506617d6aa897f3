#include "windows/mainwindow.h"

#include "audio/audioinput.h"
#include "audio/recordingengine.h"
#include "config/recordingchoices.h"
#include "config/settingsmessages.h"
#include "foundation/helpfile.h"
#include "foundation/recordingname.h"
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "foundation/windows1252.h"
#include "platform/places.h"
#include "send/sendrecording.h"
#include "windows/aboutbox.h"
#include "windows/fontfit.h"
#include "windows/imagebutton.h"
#include "windows/levelmeter.h"
#include "windows/mainpictures.h"
#include "windows/mainwindowrecordingview.h"
#include "windows/mainwindowstartup.h"
#include "windows/optionmenus.h"
#include "windows/progresswindow.h"
#include "windows/recordingmessages.h"
#include "windows/screenreadernames.h"
#include "windows/settingsdialog.h"
#include "windows/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegion>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 404;
constexpr int kCorner = 12;  // width and height of the corner ellipse
constexpr int kRowStep = 26; // from one option or counter row to the next

const QString kTitleCaption = QStringLiteral("Mirlo - Enregistrement  Mp3");

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

// Captions lie on the window's own light picture: their colour is fixed too,
// whatever the desktop's theme.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    auto* label = Placed(new QLabel(text, parent), name, geometry);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(20, 28, 48));
    label->setPalette(pal);
    return label;
}

// The title's and the clock's type, in proportion to the desktop's font as
// designed (13 and 16 points over 9), so they grow with the window.
QFont ScaledFont(const QFont& desktop, double designPoints)
{
    QFont font = desktop;
    if (desktop.pointSizeF() > 0)
        font.setPointSizeF(desktop.pointSizeF() * designPoints / 9.0);
    else
        font.setPixelSize(int(std::lround(desktop.pixelSize() * designPoints / 9.0)));
    font.setBold(true);
    return font;
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
    shape->setStyleSheet(
        QStringLiteral("QFrame { border: 1px solid rgb(60, 80, 120); border-radius: 4px; }"));
    shape->setAttribute(Qt::WA_TransparentForMouseEvents);
    return shape;
}

// French names and descriptions for screen readers, where the control's own
// text does not say what it is (images, option boxes, counters, image buttons).
void NameMainWindowControls(QWidget& window)
{
    NameForScreenReaders(
        window,
        {
            {"Pict_Fond", "Fond de la fenêtre", nullptr},
            {"Image1", "Micro", nullptr},
            {"Image3", "Aide Mirlo", "Ouvre l'aide de Mirlo ; la touche F1 fait de même"},
            {"Image2", "Fermer Mirlo", "Termine l'enregistrement en cours et ferme Mirlo"},
            {"Periph", "Périphérique d'enregistrement",
             "Micro ou entrée qui enregistre ; cliquez ou appuyez sur Espace pour en choisir un autre"},
            {"text2", "Fréquence",
             "Fréquence d'échantillonnage de l'enregistrement ; cliquez ou appuyez sur Espace pour en "
             "choisir une autre"},
            {"Text3", "Bitrate",
             "Débit du fichier MP3 : plus il est élevé, plus le fichier est gros ; cliquez ou appuyez sur "
             "Espace pour en choisir un autre"},
            {"Text4", "Qualité",
             "Qualité de l'encodage MP3 ; cliquez ou appuyez sur Espace pour en choisir une autre"},
            {"Text5", "Fichier", "Chemin complet du fichier de l'enregistrement, celui qui sera envoyé"},
            {"browsebt", "Choisir le fichier", "Choisir le dossier et le nom du fichier MP3 à enregistrer"},
            {"Text1_2", "Durée", "Temps enregistré jusqu'ici, pauses non comprises"},
            {"Text1_0", "Durée encodée", "Durée du son déjà encodé en MP3"},
            {"Text1_1", "Octets écrits", "Taille du fichier MP3 écrit jusqu'ici"},
            {"Label2", nullptr, "Durée encodée de l'enregistrement"},
            {"Playbt", "Playback : écouter l'enregistrement", nullptr},
            {"Command1", nullptr, "Ferme Mirlo et le relance, prêt pour un nouvel enregistrement"},
            {"Command2", nullptr, "Présentation de Mirlo, mode d'emploi et modification des paramètres"},
        });
}

} // namespace

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    m_settings.programFolder = programFolder;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Enregistrement Mp3"));
    setFixedSize(kWidth, kHeight);
    BuildControls();
    m_optionMenus =
        new OptionMenus(*this, {m_deviceBox, m_sampleRateBox, m_bitRateBox, m_qualityBox}, m_settings);
    connect(m_optionMenus, &OptionMenus::menuClosed, this, &MainWindow::RefreshAfterMenu);
    NameMainWindowControls(*this);
    ConnectWindowControls();
    ConnectRecordingControls();
    FitToFont();
    // The background drags the window; the images are its help and close buttons.
    for (QWidget* handle : {static_cast<QWidget*>(m_background), static_cast<QWidget*>(m_helpImage),
                            static_cast<QWidget*>(m_closeImage)})
        handle->installEventFilter(this);
    ShapeWindow();
}

MainWindow::~MainWindow()
{
    delete m_aboutBox.data();
    delete m_settingsDialog.data();
}

// ---- Controls ------------------------------------------------------------------

// Creation order is stacking and tab order: background first, buttons last.
void MainWindow::BuildControls()
{
    BuildBackground();
    BuildTitle();
    BuildPictures();
    BuildOptionBoxes();
    BuildRecordingFileRow();
    BuildCounters();
    BuildButtons();
    BuildTimers();
}

void MainWindow::BuildBackground()
{
    m_background = MakeLabel(this, QStringLiteral("Pict_Fond"), QString(), rect());
    m_background->setPixmap(BackgroundPicture(size()));
    // It covers the whole window: nothing under it needs painting when a
    // control over it changes.
    m_background->setAttribute(Qt::WA_OpaquePaintEvent);
    m_background->setToolTip(QStringLiteral("Aide = Touche F1"));
}

// Two labels with the same caption: a shadow under the title.
void MainWindow::BuildTitle()
{
    QLabel* shadow = MakeLabel(this, QStringLiteral("Label4"), kTitleCaption, QRect(19, 15, 360, 26));
    QLabel* title = MakeLabel(this, QStringLiteral("Label5"), kTitleCaption, QRect(18, 14, 360, 26));
    const QFont titleFont = ScaledFont(font(), 13);
    shadow->setFont(titleFont);
    title->setFont(titleFont);
    shadow->setStyleSheet(QStringLiteral("color: rgb(15, 20, 40);"));
    title->setStyleSheet(QStringLiteral("color: white;"));
    HideFromScreenReaders(*shadow); // read once, from the title itself
}

// The help and close images of the title bar, and the microphone.
void MainWindow::BuildPictures()
{
    m_helpImage = MakeLabel(this, QStringLiteral("Image3"), QString(), QRect(kWidth - 60, 16, 22, 22));
    m_helpImage->setPixmap(HelpImagePicture());
    m_helpImage->setToolTip(QStringLiteral("Aide Mirlo"));
    m_helpImage->setCursor(Qt::PointingHandCursor);
    m_closeImage = MakeLabel(this, QStringLiteral("Image2"), QString(), QRect(kWidth - 32, 16, 22, 22));
    m_closeImage->setPixmap(CloseImagePicture());
    m_closeImage->setToolTip(QStringLiteral("Fermer Mirlo"));
    m_closeImage->setCursor(Qt::PointingHandCursor);

    QLabel* microphone = MakeLabel(this, QStringLiteral("Image1"), QString(), QRect(22, 84, 44, 56));
    microphone->setPixmap(MicrophonePicture());
}

// Device, sample rate, bit rate and quality, each a box that pops its menu.
void MainWindow::BuildOptionBoxes()
{
    MakeShape(this, QStringLiteral("Shape1"), QRect(80, 78, 386, 122));
    const int lx = 92, bx = 300, bw = 156, top = 86;
    auto optionLabel = [&](int index, const QString& text, int y) {
        MakeLabel(this, QStringLiteral("Label1_%1").arg(index), text, QRect(lx, y, bx - lx - 4, 22));
    };
    optionLabel(4, QStringLiteral("Périphérique d'enregistrement :"), top);
    optionLabel(5, QStringLiteral("Fréquence  :"), top + kRowStep);
    optionLabel(6, QStringLiteral("Bitrate :"), top + 2 * kRowStep);
    optionLabel(7, QStringLiteral("Qualité :"), top + 3 * kRowStep);
    auto optionBox = [this](const QString& name, const QString& text, const QRect& geometry) {
        return Placed(new OptionBox(text, this), name, geometry);
    };
    m_deviceBox = optionBox(QStringLiteral("Periph"), QString(), QRect(bx, top, bw, 22));
    m_sampleRateBox =
        optionBox(QStringLiteral("text2"), QStringLiteral("44100 Hz"), QRect(bx, top + kRowStep, bw, 22));
    m_bitRateBox = optionBox(QStringLiteral("Text3"), QStringLiteral("192 Kbit/s"),
                             QRect(bx, top + 2 * kRowStep, bw, 22));
    m_qualityBox = optionBox(QStringLiteral("Text4"), QStringLiteral("Haute qualité"),
                             QRect(bx, top + 3 * kRowStep, bw, 22));
}

void MainWindow::BuildRecordingFileRow()
{
    MakeLabel(this, QStringLiteral("Label1_8"), QStringLiteral("Fichier :"), QRect(22, 212, 56, 22));
    m_recordingPathBox = MakeBox(this, QStringLiteral("Text5"), QString(), QRect(80, 212, 330, 22));
    m_browseButton = MakeImageButton(this, QStringLiteral("browsebt"), QRect(416, 211, 50, 25));
}

// Duration, encoded duration and bytes written, and the big clock.
void MainWindow::BuildCounters()
{
    MakeShape(this, QStringLiteral("Shape2_0"), QRect(14, 244, 290, 84));
    MakeShape(this, QStringLiteral("Shape2_1"), QRect(312, 244, 154, 84));
    const int cy = 250;
    MakeLabel(this, QStringLiteral("Label1_0"), QStringLiteral("Durée :"), QRect(22, cy, 120, 22));
    MakeLabel(this, QStringLiteral("Label1_1"), QStringLiteral("Durée encodée :"),
              QRect(22, cy + kRowStep, 120, 22));
    MakeLabel(this, QStringLiteral("Label1_2"), QStringLiteral("Octets écrits :"),
              QRect(22, cy + 2 * kRowStep, 120, 22));
    // The counters come in the engine's order: encoded duration, bytes
    // written, duration; each sits by its caption.
    const int ty[3] = {cy + kRowStep, cy + 2 * kRowStep, cy};
    for (int i = 0; i < 3; ++i) {
        m_counters[i] =
            MakeBox(this, QStringLiteral("Text1_%1").arg(i), QString(), QRect(146, ty[i], 150, 22));
        m_counters[i]->setFocusPolicy(Qt::NoFocus);
    }
    m_clock = MakeLabel(this, QStringLiteral("Label2"), QString(), QRect(320, 252, 138, 40));
    m_clock->setAlignment(Qt::AlignCenter);
    m_clock->setFont(ScaledFont(font(), 16));
    // Under the clock.
    m_levelMeter = Placed(new LevelMeter(this), QStringLiteral("LevelMeter"), QRect(320, 302, 138, 16));
}

// Recording buttons, then sending, new recording and infos under a rule.
void MainWindow::BuildButtons()
{
    // Recording buttons: 1215 x 375 twips each.
    const int by = 336;
    m_recordButton = MakeImageButton(this, QStringLiteral("Recbt"), QRect(22, by, 81, 25));
    m_pauseButton = MakeImageButton(this, QStringLiteral("Pausebt"), QRect(112, by, 81, 25));
    m_stopButton = MakeImageButton(this, QStringLiteral("stopbt"), QRect(202, by, 81, 25));
    m_playButton = MakeImageButton(this, QStringLiteral("Playbt"), QRect(292, by, 81, 25));

    auto* rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("Line1"));
    rule->setFrameShape(QFrame::HLine);
    rule->setGeometry(14, 366, 452, 4);

    m_sendButton = MakeButton(this, QStringLiteral("Envoi"), QStringLiteral("Envoyer par email"),
                              QRect(14, 372, 160, 26));
    m_newRecordingButton = MakeButton(this, QStringLiteral("Command1"),
                                      QStringLiteral("Nouvel enregistrement"), QRect(180, 372, 170, 26));
    m_infoButton =
        MakeButton(this, QStringLiteral("Command2"), QStringLiteral("Infos"), QRect(356, 372, 110, 26));
}

void MainWindow::BuildTimers()
{
    m_recordTimer = new QTimer(this);
    m_recordTimer->setObjectName(QStringLiteral("RecTimer1"));
    m_recordTimer->setTimerType(Qt::PreciseTimer);
    m_recordTimer->setInterval(1000);
    m_playTimer = new QTimer(this);
    m_playTimer->setObjectName(QStringLiteral("PlayTimer"));
    m_playTimer->setInterval(50);
}

void MainWindow::ConnectWindowControls()
{
    connect(m_browseButton, &ImageButton::Click, this, &MainWindow::ChooseRecordingFile);
    connect(m_newRecordingButton, &QPushButton::clicked, this, &MainWindow::ResetProgram);
    connect(m_infoButton, &QPushButton::clicked, this, &MainWindow::ShowInfos);
}

// Recording, playback and sending controls.
void MainWindow::ConnectRecordingControls()
{
    m_recordingView = std::make_unique<MainWindowRecordingView>(*this);
    m_engine = std::make_unique<RecordingEngine>(*m_recordingView, m_recordTimer, m_playTimer, this);
    connect(m_recordButton, &ImageButton::Click, m_engine.get(), &RecordingEngine::Record);
    connect(m_pauseButton, &ImageButton::Click, m_engine.get(), &RecordingEngine::TogglePause);
    connect(m_stopButton, &ImageButton::Click, m_engine.get(), &RecordingEngine::Stop);
    connect(m_playButton, &ImageButton::Click, m_engine.get(), &RecordingEngine::Play);
    m_sender = std::make_unique<RecordingSender>(m_settings, std::make_unique<HandInWindows>(), this);
    connect(m_sendButton, &QPushButton::clicked, this,
            [this] { m_sender->send(m_recordingPathBox->text()); });
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

// ---- Window shape and drag ----------------------------------------------

void MainWindow::ShapeWindow() { setMask(RoundedRegion(width(), height())); }

// The designed layout, grown as much as a larger desktop font needs.
void MainWindow::FitToFont()
{
    FitLayoutToFont(this);
    DrawPictures();
    ShapeWindow();
}

// At the size each picture is shown, for the screen it is on.
void MainWindow::DrawPictures()
{
    const qreal ratio = devicePixelRatioF();
    m_background->setPixmap(BackgroundPicture(size(), ratio));
    m_helpImage->setPixmap(HelpImagePicture(m_helpImage->size(), ratio));
    m_closeImage->setPixmap(CloseImagePicture(m_closeImage->size(), ratio));
    if (auto* microphone = findChild<QLabel*>(QStringLiteral("Image1"), Qt::FindDirectChildrenOnly))
        microphone->setPixmap(MicrophonePicture(microphone->size(), ratio));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_background->setGeometry(rect());
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
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (watched == m_background) {
        if (type == QEvent::MouseButtonPress)
            return StartDrag(mouse);
        if (type == QEvent::MouseMove)
            return DragMove(mouse);
        EndDrag();
        return false;
    }
    // The images are no drag handles: a click on one is all they take.
    auto* image = static_cast<QWidget*>(watched);
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
        image->rect().contains(mouse->position().toPoint())) {
        if (image == m_closeImage)
            QuitFromCloseImage();
        else
            ShowHelpFromImage();
    }
    return true;
}

// F1 reaches the window from whichever control has the focus: none of them takes it.
void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        ShowHelp(true);
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- Start-up ------------------------------------------------------------

void MainWindow::StartUp() { MainWindowStartUp(*this).run(); }

const RecordingOptions& MainWindow::recordingOptions() const { return m_optionMenus->options(); }

// Top edge first.
void MainWindow::PlaceWindow()
{
    move(x(), TwipsToPixels(m_settings.windowTopTwips, this));
    move(TwipsToPixels(m_settings.windowLeftTwips, this), y());
}

// Nothing recorded yet: only recording, browsing and infos are available.
void MainWindow::SetButtonsIdle()
{
    m_stopButton->ChangeCaption(QStringLiteral("Stop"));
    m_recordButton->ChangeCaption(QStringLiteral("Enregistrer"));
    m_playButton->ChangeCaption(QStringLiteral("Playback"));
    m_stopButton->SetEnabled(false);
    m_playButton->SetEnabled(false);
    m_sendButton->setEnabled(false);
    m_newRecordingButton->setEnabled(false);
    m_browseButton->ChangeCaption(QStringLiteral("' ' '"));
    m_engine->setPaused(false);
    m_pauseButton->ChangeCaption(QStringLiteral("Pause"));
    m_pauseButton->SetEnabled(false);
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
    m_sender->upload().closeView();
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
    m_newRecordingButton->setEnabled(false);
    FinaliseRecordingBeforeExit();
    const QString file = m_settings.workingFile();
    WriteSetting("window", "Top", QString::number(top), file);
    WriteSetting("window", "Left", QString::number(left), file);
    shell().startProgram(platform::ProgramPath(m_settings.programFolder, QStringLiteral("Launch")));
    EndProgram();
}

// ---- Help and other windows ------------------------------------------------

void MainWindow::ShowHelp(bool fromKeyboard)
{
    switch (OpenHelp(m_settings.programFolder, HelpPage::Recording)) {
    case HelpOpening::Opened: return;
    case HelpOpening::Missing:
        if (fromKeyboard)
            ShowInfos();
        else
            MsgBox(QStringLiteral("Le fichier d'aide n'a pas été trouvé"), MsgIcon::Exclamation);
        return;
    case HelpOpening::NoBrowser:
        MsgBox(HelpNotOpenedText(HelpPagePath(m_settings.programFolder, HelpPage::Recording)),
               MsgIcon::Exclamation);
        return;
    }
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

void MainWindow::setSendCaption(const QString& caption) { m_sendButton->setText(caption); }

void MainWindow::setRecordingPath(const QString& path)
{
    m_recordingPath = path;
    m_recordingPathBox->setText(path);
}

void MainWindow::showSettingsDialog()
{
    if (!m_settingsDialog)
        m_settingsDialog = new SettingsDialog(*this, m_settings);
    m_settingsDialog->show();
}

void MainWindow::showAboutBox()
{
    if (!m_aboutBox)
        m_aboutBox = new AboutBox(*this, m_settings);
    m_aboutBox->show();
}

// ---- Option menus ------------------------------------------------------------

// The boxes and the texts around them show a choice at once, before the
// next paint of the whole window.
void MainWindow::RefreshAfterMenu()
{
    for (QWidget* w : std::initializer_list<QWidget*>{m_deviceBox, m_sampleRateBox, m_bitRateBox,
                                                      m_qualityBox, m_recordingPathBox, m_clock,
                                                      m_newRecordingButton, m_infoButton, m_sendButton})
        w->repaint();
}

// ---- Recording-file chooser ----------------------------------------------------

void MainWindow::ChooseRecordingFile()
{
    const QString folder = m_settings.recordingFolder;
    if (!folder.isEmpty())
        QDir::setCurrent(folder);

    FileRequest request;
    request.title = QStringLiteral("Veuillez indiquer le fichier à créer");
    request.initialFolder = folder;
    request.defaultSuffix = QStringLiteral("mp3");
    request.filter = QStringLiteral("Fichiers Mp3|*.mp3");
    const QString chosen = prompt().saveFileName(request);
    // The file is opened and its folder stored in Windows-1252: a name that
    // cannot be kept would be recorded, played or found again elsewhere.
    if (const QList<char32_t> bad = UnstorableCharacters(chosen); !bad.isEmpty()) {
        MsgBox(UnstorableRecordingPathText(bad), MsgIcon::Exclamation);
        return;
    }

    if (!chosen.isEmpty()) {
        setRecordingPath(chosen);
        const qsizetype cut = chosen.lastIndexOf(QDir::separator());
        if (cut >= 0)
            WriteSetting("Config", "Dossier", chosen.left(cut), m_settings.workingFile());
    }
    m_recordButton->SetEnabled(true);

    if (FileExists(chosen)) {
        if (QFileInfo(chosen).size() < 1) {
            m_sendButton->setEnabled(false);
        } else {
            m_sendButton->setEnabled(true);
            m_playButton->SetEnabled(true);
            m_stopButton->SetEnabled(true);
            MsgBox(QStringLiteral("Ce fichier existe déjà !\rVous pouvez l'envoyer par email ou bien\r"
                                  "le remplacer par un nouvel enregistrement."),
                   MsgIcon::Information);
        }
    } else {
        m_sendButton->setEnabled(false);
    }
}
