#include "windows/levelmeter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kTextWidth = 42;
constexpr int kClipWidth = 6;
constexpr int kClipHoldReadings = 8; // about a second
constexpr double kLoudDbfs = -18.0;
constexpr double kHotDbfs = -6.0;

} // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent), m_level(-std::numeric_limits<double>::infinity())
{
    // Painted whole: nothing under it is repainted at every reading.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("Niveau du micro (crête, en dBFS)"));
    setAccessibleName(QStringLiteral("Niveau du micro"));
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    setFont(small);
    m_text.setPerformanceHint(QStaticText::AggressiveCaching);
}

int LevelMeter::scaleLength() const { return std::max(0, width() - kTextWidth - kClipWidth - 3); }

int LevelMeter::barLength(double peakDbfs) const
{
    if (!(peakDbfs > kFloorDbfs))
        return 0;
    const double share = std::min(1.0, (peakDbfs - kFloorDbfs) / -kFloorDbfs);
    return int(std::lround(share * scaleLength()));
}

QString LevelMeter::levelText() const
{
    if (!std::isfinite(m_level))
        return {};
    return QStringLiteral("%1 dB").arg(int(std::lround(m_level)));
}

void LevelMeter::setLevel(double peakDbfs, bool clipped)
{
    const int oldBar = barLength(m_level);
    const QString oldText = levelText();
    const bool oldClip = clipLit();
    if (clipped)
        m_clipHold = kClipHoldReadings;
    else if (m_clipHold > 0)
        --m_clipHold;
    m_level = peakDbfs;
    // Repainted only when something shown changes.
    const QString text = levelText();
    if (text != oldText) {
        auto laidOut = m_laidOut.find(text);
        if (laidOut == m_laidOut.end()) {
            QStaticText fresh(text);
            fresh.setPerformanceHint(QStaticText::AggressiveCaching);
            fresh.prepare(QTransform(), font());
            laidOut = m_laidOut.insert(text, fresh);
        }
        m_text = *laidOut;
    }
    if (barLength(m_level) != oldBar || text != oldText || clipLit() != oldClip)
        update();
}

void LevelMeter::clear()
{
    setLevel(-std::numeric_limits<double>::infinity(), false);
    if (m_clipHold > 0) {
        m_clipHold = 0;
        update();
    }
}

void LevelMeter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor back(20, 28, 48);
    p.fillRect(rect(), back);
    const int h = height() - 4;
    const int full = scaleLength();
    const QRect scale(2, 2, full, h);
    p.fillRect(scale, QColor(40, 52, 80));

    // Green, then yellow, then red towards full scale.
    const int bar = barLength(m_level);
    const int loud = barLength(kLoudDbfs);
    const int hot = barLength(kHotDbfs);
    p.fillRect(QRect(2, 2, std::min(bar, loud), h), QColor(60, 200, 90));
    if (bar > loud)
        p.fillRect(QRect(2 + loud, 2, std::min(bar, hot) - loud, h), QColor(230, 200, 50));
    if (bar > hot)
        p.fillRect(QRect(2 + hot, 2, bar - hot, h), QColor(235, 60, 50));

    // The clip light sits where the scale ends.
    const QRect clip(scale.right() + 2, 2, kClipWidth, h);
    p.fillRect(clip, clipLit() ? QColor(255, 40, 30) : QColor(90, 30, 30));

    p.setPen(Qt::white);
    const QSizeF text = m_text.size();
    p.drawStaticText(QPointF(width() - 2 - text.width(), (height() - text.height()) / 2), m_text);
}
