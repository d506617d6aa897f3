#include "launch/launchform.h"

#include "audio/recordingfilewriter.h"
#include "audio/soundlibrary.h"
#include "foundation/seams.h"
#include "foundation/settings.h"
#include "windows/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

static void InitLaunchResources()
{
    Q_INIT_RESOURCE(mirloicon);
}

namespace {

// Designed client area: 3960 x 2550 twips.
constexpr int kWidthTwips = 3960;
constexpr int kHeightTwips = 2550;

} // namespace

const QString LaunchForm::kFirstText =
    QStringLiteral("Réinitialisation en cours.\r\rVeuillez patienter...");
const QString LaunchForm::kSecondText = QStringLiteral(
    "Réinitialisation des périphériques.\r\rChargement du programme.\r\r"
    "Opération en cours. Veuillez patienter...");

LaunchForm::LaunchForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    InitLaunchResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Launch"));
    setFixedSize(TwipsToPixels(kWidthTwips, this), TwipsToPixels(kHeightTwips, this));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(236, 240, 248));
    setPalette(pal);

    const int margin = 12;
    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setPixmap(QPixmap(QStringLiteral(":/mirlo/mirlo.png")));
    m_image1->setScaledContents(true);
    m_image1->setGeometry(margin, margin, 56, 56);

    m_label1 = new QLabel(QStringLiteral("Mirlo"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    QFont title = m_label1->font();
    title.setPointSize(18);
    title.setBold(true);
    m_label1->setFont(title);
    m_label1->setGeometry(margin + 56 + margin, margin, width() - 3 * margin - 56, 56);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setWordWrap(true);
    m_label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label2->setGeometry(margin, margin + 56 + margin, width() - 2 * margin,
                          height() - 56 - 3 * margin);
    SetLabel2(QStringLiteral("Réinitialisation en cours..."));

    // Counts from creation, so a slow load makes the restart follow at once.
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(3000);
    connect(m_timer1, &QTimer::timeout, this, &LaunchForm::RestartMirlo);
    m_timer1->start();

    move(DesignedPosition());
}

LaunchForm::~LaunchForm() = default;

QString LaunchForm::ShownText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void LaunchForm::SetLabel2(const QString& text)
{
    m_label2Text = text;
    m_label2->setText(ShownText(text));
}

QPoint LaunchForm::DesignedPosition() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QPoint(0, 0);
    const QRect area = screen->availableGeometry();
    return QPoint(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void LaunchForm::Load()
{
    // Mirlo keeps its own position elsewhere; a value that is missing or
    // unusable leaves that edge where the window was designed to be.
    const QString file = ProgramSettingsFile();
    const std::optional<int> top = ParseInt16(ReadSetting(QStringLiteral("window"), QStringLiteral("Top"), file));
    const std::optional<int> left = ParseInt16(ReadSetting(QStringLiteral("window"), QStringLiteral("Left"), file));
    QPoint at = pos();
    if (top)
        at.setY(TwipsToPixels(*top, this));
    if (left)
        at.setX(TwipsToPixels(*left, this));
    move(at);

    SetLabel2(kFirstText);
    CloseRecording();
    SetLabel2(kSecondText);
}

void LaunchForm::CloseRecording()
{
    FSOUND_Record_Stop();
    FSOUND_Sample_Free(m_sample);
    FSOUND_Close();
    if (!m_fileIo)
        m_fileIo = std::make_unique<RecordingFileWriter>();
    m_fileIo->CloseFile();
    m_fileIo.reset();
    beCloseStream(m_stream);
}

void LaunchForm::closeEvent(QCloseEvent* event)
{
    // Nothing may stop the hand-over half-way: only the restart closes it.
    if (!m_restarted)
        event->ignore();
    else
        event->accept();
}

void LaunchForm::Quit()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        w->close();
}

void LaunchForm::RestartMirlo()
{
    m_timer1->stop();
    if (m_restarted)
        return;
    m_restarted = true;
    // Whether or not Mirlo could be started, Launch has nothing left to do.
    shell().startProgram(JoinPath(ProgramFolder(), QStringLiteral("Mirlo")), false);
    Quit();
    EndProgram();
}
