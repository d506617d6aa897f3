#include "windows/levelmeter.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kTextWidth = 42; // at the designed font
constexpr int kClipWidth = 6;
constexpr int kClipHoldReadings = 8; // about a second
constexpr double kLoudDbfs = -18.0;
constexpr double kHotDbfs = -6.0;

// The widest text's room with a larger font.
int TextRoom(const QFontMetrics& fm)
{
    return std::max(kTextWidth, fm.horizontalAdvance(QStringLiteral("-60 dB")) + 4);
}

// A screen reader reads the level as a value from -60 to 0 dB, with its text.
class AccessibleLevelMeter final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleLevelMeter(LevelMeter* meter) : QAccessibleWidget(meter, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return meter()->spokenLevel();
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override
    {
        const double level = meter()->level();
        return std::isfinite(level) ? std::clamp(level, LevelMeter::kFloorDbfs, 0.0) : LevelMeter::kFloorDbfs;
    }
    void setCurrentValue(const QVariant&) override {} // read only
    QVariant maximumValue() const override { return 0.0; }
    QVariant minimumValue() const override { return LevelMeter::kFloorDbfs; }
    QVariant minimumStepSize() const override { return 1.0; }

private:
    const LevelMeter* meter() const { return static_cast<const LevelMeter*>(widget()); }
};

QAccessibleInterface* LevelMeterAccessibility(const QString& className, QObject* object)
{
    if (className == QLatin1String("LevelMeter") && object && object->isWidgetType())
        return new AccessibleLevelMeter(static_cast<LevelMeter*>(object));
    return nullptr;
}

} // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent), m_level(-std::numeric_limits<double>::infinity())
{
    static const bool accessible = (QAccessible::installFactory(LevelMeterAccessibility), true);
    Q_UNUSED(accessible);
    // Painted whole: nothing under it is repainted at every reading.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(QStringLiteral("Niveau du micro (crête, en dBFS)"));
    setAccessibleName(QStringLiteral("Niveau du micro"));
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    setFont(small);
    m_textRoom = TextRoom(fontMetrics());
    m_text.setPerformanceHint(QStaticText::AggressiveCaching);
}

int LevelMeter::scaleLength() const { return std::max(0, width() - m_textRoom - kClipWidth - 3); }

void LevelMeter::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        m_textRoom = TextRoom(fontMetrics());
    QWidget::changeEvent(event);
}

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

QString LevelMeter::spokenLevel() const
{
    const QString text = levelText();
    if (clipLit())
        return text.isEmpty() ? QStringLiteral("saturé") : text + QStringLiteral(", saturé");
    return text;
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
    if (text != oldText || clipLit() != oldClip)
        TellScreenReaders();
}

void LevelMeter::TellScreenReaders()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent changed(this, std::isfinite(m_level) ? std::clamp(m_level, kFloorDbfs, 0.0)
                                                                     : kFloorDbfs);
    QAccessible::updateAccessibility(&changed);
}

void LevelMeter::clear()
{
    setLevel(-std::numeric_limits<double>::infinity(), false);
    if (m_clipHold > 0) {
        m_clipHold = 0;
        update();
        TellScreenReaders();
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
