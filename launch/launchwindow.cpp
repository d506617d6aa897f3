#include "launch/launchwindow.h"

#include "foundation/seams.h"
#include "foundation/settings.h"
#include "platform/places.h"
#include "windows/fontfit.h"
#include "windows/qtseams.h"
#include "windows/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

static void InitLaunchResources() { Q_INIT_RESOURCE(mirloicon); }

namespace {

// Designed client area: 3960 x 2550 twips.
constexpr int kWidthTwips = 3960;
constexpr int kHeightTwips = 2550;

} // namespace

const QString LaunchWindow::kReleasingText =
    QStringLiteral("Réinitialisation en cours.\r\rVeuillez patienter...");
const QString LaunchWindow::kRestartingText =
    QStringLiteral("Réinitialisation des périphériques.\r\rChargement du programme.\r\r"
                   "Opération en cours. Veuillez patienter...");

LaunchWindow::LaunchWindow(const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_programFolder(programFolder)
{
    InitLaunchResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Launch"));
    setFixedSize(TwipsToPixels(kWidthTwips, this), TwipsToPixels(kHeightTwips, this));
    setAutoFillBackground(true);
    QPalette pal = palette();
    // A fixed light background: the text's colour is fixed too, whatever the desktop's theme.
    pal.setColor(QPalette::Window, QColor(236, 240, 248));
    pal.setColor(QPalette::WindowText, QColor(20, 28, 48));
    setPalette(pal);

    const int margin = 12;
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    m_picture->setPixmap(QPixmap(QStringLiteral(":/mirlo/mirlo.png")));
    m_picture->setScaledContents(true);
    m_picture->setGeometry(margin, margin, 56, 56);
    m_picture->setAccessibleName(QStringLiteral("Logo de Mirlo"));

    m_title = new QLabel(QStringLiteral("Mirlo"), this);
    m_title->setObjectName(QStringLiteral("Label1"));
    QFont titleFont = m_title->font();
    titleFont.setPointSize(18);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setGeometry(margin + 56 + margin, margin, width() - 3 * margin - 56, 56);
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Label2"));
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setGeometry(margin, margin + 56 + margin, width() - 2 * margin, height() - 56 - 3 * margin);
    // Laid out for the longest status it will show.
    SetStatus(kRestartingText);
    FitLayoutToFont(this);
    SetStatus(QStringLiteral("Réinitialisation en cours..."));

    // Counts from creation, so a slow load makes the restart follow at once.
    m_restartTimer = new QTimer(this);
    m_restartTimer->setObjectName(QStringLiteral("Timer1"));
    m_restartTimer->setInterval(3000);
    connect(m_restartTimer, &QTimer::timeout, this, &LaunchWindow::RestartMirlo);
    m_restartTimer->start();

    move(ScreenCentre());
}

LaunchWindow::~LaunchWindow() = default;

void LaunchWindow::SetStatus(const QString& text)
{
    m_statusText = text;
    m_status->setText(ShownText(text));
}

QPoint LaunchWindow::ScreenCentre() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QPoint(0, 0);
    const QRect area = screen->availableGeometry();
    return QPoint(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void LaunchWindow::Load()
{
    // Mirlo keeps its own position elsewhere; a value that is missing or
    // unusable leaves that edge where the window was designed to be.
    const QString file = JoinPath(platform::SharedSettingsFolder(m_programFolder), kSettingsFileName);
    const std::optional<int> top =
        ParseInt16(ReadSetting(QStringLiteral("window"), QStringLiteral("Top"), file));
    const std::optional<int> left =
        ParseInt16(ReadSetting(QStringLiteral("window"), QStringLiteral("Left"), file));
    QPoint at = pos();
    if (top)
        at.setY(TwipsToPixels(*top, this));
    if (left)
        at.setX(TwipsToPixels(*left, this));
    move(at);

    // The devices were released when Mirlo ended: a new process holds none.
    SetStatus(kReleasingText);
    SetStatus(kRestartingText);
}

void LaunchWindow::closeEvent(QCloseEvent* event)
{
    // Nothing may stop the hand-over half-way: only the restart closes it.
    if (!m_restarted)
        event->ignore();
    else
        event->accept();
}

void LaunchWindow::Quit()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        w->close();
}

void LaunchWindow::RestartMirlo()
{
    m_restartTimer->stop();
    if (m_restarted)
        return;
    m_restarted = true;
    // Whether or not Mirlo could be started, Launch has nothing left to do.
    shell().startProgram(platform::ProgramPath(m_programFolder, QStringLiteral("Mirlo")));
    Quit();
    EndProgram();
}
