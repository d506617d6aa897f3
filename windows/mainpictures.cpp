#include "windows/mainpictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// A transparent picture of the given size on screen, with room for every
// device pixel.
QPixmap Transparent(const QSize& size, qreal pixelRatio)
{
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// Drawn in the designed coordinates, stretched to the size shown.
void ScaleToDesign(QPainter& p, const QSize& size, const QSize& design)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(size.width()) / design.width(), double(size.height()) / design.height());
}

void RoundBadge(QPainter& p, const QRectF& r, const QColor& inner, const QColor& outer)
{
    QRadialGradient fill(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() * 0.7);
    fill.setColorAt(0, inner);
    fill.setColorAt(1, outer);
    p.setPen(QPen(outer.darker(140), 1));
    p.setBrush(fill);
    p.drawEllipse(r);
}

} // namespace

QPixmap BackgroundPicture(const QSize& size, qreal pixelRatio)
{
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(44, 62, 102));
    sky.setColorAt(0.18, QColor(70, 98, 150));
    sky.setColorAt(0.19, QColor(214, 222, 236));
    sky.setColorAt(1.0, QColor(176, 190, 214));
    p.fillRect(pixmap.rect(), sky);
    // A few soft sound waves behind the controls.
    p.setPen(QPen(QColor(255, 255, 255, 70), 2));
    for (int i = 0; i < 5; ++i) {
        QPainterPath wave;
        const double y = size.height() * 0.55 + i * 14;
        wave.moveTo(0, y);
        for (int x = 0; x <= size.width(); x += 40)
            wave.quadTo(x + 10, y - 10 - 2 * i, x + 20, y);
        p.drawPath(wave);
    }
    p.setPen(QPen(QColor(30, 40, 70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 6, 6);
    return pixmap;
}

QPixmap CloseImagePicture(const QSize& size, qreal pixelRatio)
{
    QPixmap pixmap = Transparent(size, pixelRatio);
    QPainter p(&pixmap);
    ScaleToDesign(p, size, {22, 22});
    RoundBadge(p, QRectF(1, 1, 20, 20), QColor(250, 120, 110), QColor(170, 30, 30));
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(15, 15));
    p.drawLine(QPointF(15, 7), QPointF(7, 15));
    return pixmap;
}

QPixmap HelpImagePicture(const QSize& size, qreal pixelRatio)
{
    QPixmap pixmap = Transparent(size, pixelRatio);
    QPainter p(&pixmap);
    ScaleToDesign(p, size, {22, 22});
    RoundBadge(p, QRectF(1, 1, 20, 20), QColor(140, 190, 250), QColor(30, 70, 160));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

QPixmap MicrophonePicture(const QSize& size, qreal pixelRatio)
{
    QPixmap pixmap = Transparent(size, pixelRatio);
    QPainter p(&pixmap);
    ScaleToDesign(p, size, {44, 56});
    QLinearGradient metal(10, 0, 34, 0);
    metal.setColorAt(0, QColor(120, 120, 130));
    metal.setColorAt(0.4, QColor(235, 235, 240));
    metal.setColorAt(1, QColor(90, 90, 100));
    p.setPen(QPen(QColor(50, 50, 60), 1));
    p.setBrush(metal);
    p.drawRoundedRect(QRectF(13, 2, 18, 30), 9, 9);
    p.setPen(QPen(QColor(60, 60, 70, 160), 1));
    for (int y = 8; y < 28; y += 4)
        p.drawLine(QPointF(15, y), QPointF(29, y));
    p.setPen(QPen(QColor(40, 40, 50), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(7, 12, 30, 28), 180 * 16, 180 * 16);
    p.drawLine(QPointF(22, 40), QPointF(22, 50));
    p.drawLine(QPointF(13, 52), QPointF(31, 52));
    return pixmap;
}
