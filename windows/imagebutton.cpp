#include "windows/imagebutton.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <cmath>

static void InitImageButtonResources()
{
    // The pictures live in this static library; pull them in explicitly.
    Q_INIT_RESOURCE(imagebutton);
}

namespace {

// Designed at 1215 x 375 twips; the caption sits at -50, 45, height 255.
constexpr int kDesignWidth = 81;
constexpr int kDesignHeight = 25;
constexpr int kCaptionLeft = -3;
constexpr int kCaptionTop = 3;
constexpr int kCaptionHeight = 17;

QLabel* MakePicture(QWidget* parent, const char* name, const QString& file)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(QLatin1String(name));
    picture->setPixmap(QPixmap(file));
    picture->setScaledContents(true);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    return picture;
}

} // namespace

ImageButton::ImageButton(QWidget* parent) : QWidget(parent)
{
    InitImageButtonResources();
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(true);
    setAutoFillBackground(true);
    resize(kDesignWidth, kDesignHeight);

    m_normalPicture = MakePicture(this, "Image1", QStringLiteral(":/imagebutton/normal.png"));
    m_hoverPicture = MakePicture(this, "Image2", QStringLiteral(":/imagebutton/hover.png"));
    m_hoverPicture->hide();

    m_caption = new QLabel(QStringLiteral("IButton"), this);
    m_caption->setObjectName(QStringLiteral("Label1"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAutoFillBackground(false);
    m_caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_caption->raise();

    // The caption is drawn transparently so the picture swap shows; its
    // background colour is kept for whoever paints it opaque.
    SetCaptionColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));

    m_repaintTimer = new QTimer(this);
    m_repaintTimer->setObjectName(QStringLiteral("Timer1"));
    m_repaintTimer->setInterval(250);
    connect(m_repaintTimer, &QTimer::timeout, this, &ImageButton::RepaintTick);
    m_repaintTimer->start();

    m_hoverTimer = new QTimer(this);
    m_hoverTimer->setObjectName(QStringLiteral("TimerHover"));
    m_hoverTimer->setInterval(50);
    connect(m_hoverTimer, &QTimer::timeout, this, &ImageButton::HoverEndTick);

    resizeEvent(nullptr);
}

void ImageButton::ChangeCaption(const QString& cap) { m_caption->setText(cap); }

void ImageButton::SetEnabled(bool enabled)
{
    setEnabled(enabled);
    QPalette pal = m_caption->palette();
    pal.setColor(QPalette::WindowText, enabled ? QColor(0, 0, 0) : QColor(128, 128, 128));
    m_caption->setPalette(pal);
}

QString ImageButton::Caption() const { return m_caption->text(); }

void ImageButton::setCaption(const QString& cap) { m_caption->setText(cap); }

bool ImageButton::OnCaption(const QPoint& pos) const { return m_caption->geometry().contains(pos); }

void ImageButton::SetCaptionColours(const QColor& back, const QColor& text)
{
    QPalette pal = m_caption->palette();
    if (back.isValid())
        pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    m_caption->setPalette(pal);
}

void ImageButton::SetBackColour(const QColor& back)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, back);
    setPalette(pal);
}

void ImageButton::ShowHighlight(bool highlighted)
{
    m_hoverPicture->setVisible(highlighted);
    m_normalPicture->setVisible(!highlighted);
}

void ImageButton::mouseMoveEvent(QMouseEvent* event)
{
    // While a button is held the part that took the press gets the moves.
    const bool onCaption =
        event->buttons() != Qt::NoButton ? m_pressOnCaption : OnCaption(event->position().toPoint());
    if (!isEnabled())
        return;
    if (onCaption) {
        SetCaptionColours(QColor(200, 200, 200), QColor(160, 25, 25));
        SetBackColour(QColor(200, 200, 200));
        ShowHighlight(true);
    } else {
        SetCaptionColours(QColor(), QColor(25, 200, 40));
    }
    m_hoverTimer->start();
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    m_pressOnCaption = OnCaption(event->position().toPoint());
    if (m_pressOnCaption) {
        SetCaptionColours(QColor(200, 200, 200), QColor(255, 255, 255));
        SetBackColour(QColor(200, 200, 200));
        ShowHighlight(true);
    } else {
        SetCaptionColours(QColor(50, 50, 50), QColor(100, 100, 100));
        SetBackColour(QColor(0, 0, 0));
    }
}

void ImageButton::mouseReleaseEvent(QMouseEvent*)
{
    // The release belongs to the part that was pressed, wherever the cursor is now.
    SetCaptionColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));
    if (m_pressOnCaption)
        ShowHighlight(false);
    emit Click();
}

void ImageButton::resizeEvent(QResizeEvent*)
{
    m_normalPicture->setGeometry(rect());
    m_hoverPicture->setGeometry(rect());
    // The caption keeps its designed share of the height when a larger font
    // makes the button taller.
    const double taller = std::max(1.0, static_cast<double>(height()) / kDesignHeight);
    m_caption->setGeometry(kCaptionLeft, static_cast<int>(std::lround(kCaptionTop * taller)), width() - 1,
                           static_cast<int>(std::lround(kCaptionHeight * taller)));
}

void ImageButton::RepaintTick() { update(); }

void ImageButton::HoverEndTick()
{
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    if (under == this || (under && isAncestorOf(under)))
        return;
    SetCaptionColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));
    ShowHighlight(false);
    m_hoverTimer->stop();
    RepaintTick();
}
