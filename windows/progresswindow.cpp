#include "windows/progresswindow.h"

#include "foundation/seams.h"
#include "send/uploadsession.h"
#include "windows/splituploadprogresswindow.h"
#include "windows/uploadprogresswindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>

#include <cmath>
#include <cstdlib>

namespace {

const QString kAbandonQuestion = QStringLiteral("Etes-vous sûr de vouloir abandonner le téléchargement?");

int Channel(int start, int end, int width, int x)
{
    const double step = std::floor(static_cast<double>(end - start) / width * x);
    return qBound(0, std::abs(start + static_cast<int>(step)), 255);
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_image);
}

void PictureBox::resizeEvent(QResizeEvent*) { SyncImage(); }

void PictureBox::SyncImage()
{
    if (m_image.size() == size())
        return;
    QPixmap fresh(size());
    fresh.fill(palette().color(QPalette::Window));
    if (!m_image.isNull()) {
        QPainter painter(&fresh);
        painter.drawPixmap(0, 0, m_image);
    }
    m_image = fresh;
}

ProgressWindow::ProgressWindow(UploadSession& session, QSize clientTwips, QRect label1, QRect pictureArea,
                               QRect progressControl)
    : QWidget(nullptr,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint),
      m_session(session)
{
    setWindowTitle(QStringLiteral("Progression du téléchargement"));
    setFixedSize(FromTwips(QRect(QPoint(0, 0), clientTwips)).size());
    setFocusPolicy(Qt::StrongFocus);

    m_message = new QLabel(QStringLiteral("Veuillez patientez jusqu'à la fin du transfert"), this);
    m_message->setObjectName(QStringLiteral("Label1"));
    m_message->setGeometry(FromTwips(label1));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setGeometry(FromTwips(progressControl));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    QPalette barColours = m_progress->palette();
    barColours.setColor(QPalette::Highlight, QColor(100, 200, 100));
    m_progress->setPalette(barColours);
    m_progress->hide();

    m_barArea = new PictureBox(this);
    m_barArea->setObjectName(QStringLiteral("pgrr"));
    m_barArea->setGeometry(FromTwips(pictureArea));
    m_barArea->SyncImage(); // the persistent image exists before the first tick
    // The painted bar is what shows; screen readers get its name and percentage.
    m_barArea->setAccessibleName(QStringLiteral("Progression du transfert"));
    m_barArea->setAccessibleDescription(QStringLiteral("0 %"));

    m_barTimer = new QTimer(this);
    m_barTimer->setObjectName(QStringLiteral("Timer1"));
    m_barTimer->setInterval(kTimerInterval);
    connect(m_barTimer, &QTimer::timeout, this, &ProgressWindow::OnTimer);
    m_barTimer->start();
}

void ProgressWindow::showProgress()
{
    show();
    activateWindow();
}

void ProgressWindow::setProgress(int percent)
{
    m_progress->setValue(percent);
    m_barArea->setAccessibleDescription(QStringLiteral("%1 %").arg(m_progress->value()));
}

QRect ProgressWindow::FromTwips(const QRect& twips) const
{
    const double perTwip = logicalDpiX() / 1440.0;
    auto px = [perTwip](int t) { return static_cast<int>(std::lround(t * perTwip)); };
    return QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height()));
}

void ProgressWindow::OnTimer()
{
    PaintGradientBar(m_barArea, static_cast<qint16>(m_progress->value()), 0, 100, 40, 255, 255, 50);
}

void ProgressWindow::PaintGradientBar(PictureBox* target, qint16 percent, qint16 startRed, qint16 startGreen,
                                      qint16 startBlue, qint16 endRed, qint16 endGreen, qint16 endBlue)
{
    if (!target || target->image().isNull())
        return;
    QPixmap& image = target->image();
    const int w = image.width();
    const int h = image.height();
    const double front = static_cast<double>(percent) * w / 100.0;
    auto colour = [&](int x) {
        return QColor(Channel(startRed, endRed, w, x), Channel(startGreen, endGreen, w, x),
                      Channel(startBlue, endBlue, w, x));
    };

    QPainter painter(&image);
    // Right-hand part, from the right edge back to the front.
    for (int x = 0; x <= static_cast<int>(std::floor(w - front)); ++x)
        painter.fillRect(w - x, 0, 1, h, colour(x));
    // Left-hand part, from the left edge up to the front.
    for (int x = 0; x <= static_cast<int>(std::floor(front)); ++x)
        painter.fillRect(x, 0, 1, h, colour(x));

    auto frontChannel = [](int start, int end) { return qMin(255, std::abs(2 * end - start - 128)); };
    const QColor frontColour(frontChannel(startRed, endRed), frontChannel(startGreen, endGreen),
                             frontChannel(startBlue, endBlue));
    painter.fillRect(static_cast<int>(std::lround(front)), 0, 1, h, frontColour);

    QFont bold = target->font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(frontColour);
    painter.drawText(QRect(w / 2 - 10, h / 2 - 7, w, h), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(percent) + u'%');
    painter.end();
    target->update();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (MsgBox(kAbandonQuestion, MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes) {
        m_session.requestAbandon();
        m_session.markTransferFinished(); // the close below asks nothing more
        close();
    }
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    if (m_session.transferFinished()) {
        event->accept();
        return;
    }
    if (MsgBox(kAbandonQuestion, MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes) {
        m_session.requestAbandon();
        event->accept();
    } else {
        event->ignore();
    }
}

std::unique_ptr<UploadView> ProgressWindowFactory::createView(UploadViewKind kind, UploadSession& session)
{
    if (kind == UploadViewKind::Split)
        return std::make_unique<SplitUploadProgressWindow>(session);
    return std::make_unique<UploadProgressWindow>(session);
}
