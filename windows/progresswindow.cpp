#include "windows/progresswindow.h"

#include "send/uploadsession.h"
#include "windows/handinmessages.h"
#include "windows/splituploadprogresswindow.h"
#include "windows/uploadprogresswindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

namespace {

// The bar runs from this colour at its left edge to the other at the front.
const QColor kStartColour(0, 100, 40);
const QColor kEndColour(255, 255, 50);

// The designed bar: 297 x 19 pixels at 96 dpi.
constexpr int kBarWidth = 297;
constexpr int kBarHeight = 19;

int Channel(int start, int end, int width, int x)
{
    const double step = std::floor(static_cast<double>(end - start) / width * x);
    return qBound(0, std::abs(start + static_cast<int>(step)), 255);
}

QFont Bold(QFont font)
{
    font.setBold(true);
    return font;
}

} // namespace

GradientBar::GradientBar(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void GradientBar::setPercent(int percent)
{
    if (percent == m_percent)
        return;
    m_percent = percent;
    update();
}

QSize GradientBar::sizeHint() const
{
    // Room for the percentage however large the font.
    return {kBarWidth, qMax(kBarHeight, QFontMetrics(Bold(font())).height() + 4)};
}

void GradientBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Paint(painter, size(), m_percent, font());
}

void GradientBar::Paint(QPainter& painter, QSize size, int percent, const QFont& font)
{
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0)
        return;
    const double front = static_cast<double>(percent) * w / 100.0;
    auto colour = [&](int x) {
        return QColor(Channel(kStartColour.red(), kEndColour.red(), w, x),
                      Channel(kStartColour.green(), kEndColour.green(), w, x),
                      Channel(kStartColour.blue(), kEndColour.blue(), w, x));
    };

    // Right-hand part, from the right edge back to the front.
    for (int x = 0; x <= static_cast<int>(std::floor(w - front)); ++x)
        painter.fillRect(w - x, 0, 1, h, colour(x));
    // Left-hand part, from the left edge up to the front.
    for (int x = 0; x <= static_cast<int>(std::floor(front)); ++x)
        painter.fillRect(x, 0, 1, h, colour(x));

    auto frontChannel = [](int start, int end) { return qMin(255, std::abs(2 * end - start - 128)); };
    const QColor frontColour(frontChannel(kStartColour.red(), kEndColour.red()),
                             frontChannel(kStartColour.green(), kEndColour.green()),
                             frontChannel(kStartColour.blue(), kEndColour.blue()));
    painter.fillRect(static_cast<int>(std::lround(front)), 0, 1, h, frontColour);

    const QFont bold = Bold(font);
    painter.setFont(bold);
    painter.setPen(frontColour);
    const int top = (h - QFontMetrics(bold).height()) / 2;
    painter.drawText(QRect(w / 2 - 10, top, w, h), Qt::AlignLeft | Qt::AlignTop,
                     QString::number(percent) + u'%');
}

ProgressWindow::ProgressWindow(UploadSession& session)
    : QWidget(nullptr,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint),
      m_session(session)
{
    setWindowTitle(QStringLiteral("Progression du téléchargement"));
    setFocusPolicy(Qt::StrongFocus);

    m_message = new QLabel(QStringLiteral("Veuillez patienter jusqu'à la fin du transfert"), this);
    m_message->setObjectName(QStringLiteral("Label1"));

    m_bar = new GradientBar(this);
    m_bar->setObjectName(QStringLiteral("pgrr"));
    // The painted bar is what shows; screen readers get its name and percentage.
    m_bar->setAccessibleName(QStringLiteral("Progression du transfert"));
    m_bar->setAccessibleDescription(QStringLiteral("0 %"));

    m_rows = new QVBoxLayout(this);
    m_rows->setContentsMargins(8, 6, 7, 10);
    m_rows->setSpacing(1);
    // As large as its rows need, and no larger: the pupil cannot resize it.
    m_rows->setSizeConstraint(QLayout::SetFixedSize);
    m_rows->addWidget(m_message);
    m_rows->addWidget(m_bar);
}

void ProgressWindow::showProgress()
{
    show();
    activateWindow();
}

void ProgressWindow::setProgress(int percent)
{
    if (percent == m_bar->percent())
        return;
    m_bar->setPercent(percent);
    m_bar->setAccessibleDescription(QStringLiteral("%1 %").arg(percent));
}

void ProgressWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (PupilConfirmsAbandon()) {
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
    if (PupilConfirmsAbandon()) {
        m_session.requestAbandon();
        event->accept();
    } else {
        event->ignore();
    }
}

std::unique_ptr<UploadView> HandInWindows::createView(UploadViewKind kind, UploadSession& session)
{
    if (kind == UploadViewKind::Split)
        return std::make_unique<SplitUploadProgressWindow>(session);
    return std::make_unique<UploadProgressWindow>(session);
}

void HandInWindows::report(const HandInReport& report) { TellPupil(report); }
