#include "windows/imagebutton.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

static void InitImageButtonResources()
{
    // The pictures live in this static library; pull them in explicitly.
    Q_INIT_RESOURCE(imagebutton);
}

namespace {

// Designed at 1215 x 375 twips; the caption sits at -50, 45, height 255.
constexpr int kDesignWidth = 81;
constexpr int kDesignHeight = 25;
constexpr int kLabelLeft = -3;
constexpr int kLabelTop = 3;
constexpr int kLabelHeight = 17;

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

    m_image1 = MakePicture(this, "Image1", QStringLiteral(":/imagebutton/normal.png"));
    m_image2 = MakePicture(this, "Image2", QStringLiteral(":/imagebutton/hover.png"));
    m_image2->hide();

    m_label1 = new QLabel(QStringLiteral("IButton"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setAutoFillBackground(false);
    m_label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label1->raise();

    // The caption is drawn transparently so the picture swap shows; its
    // background colour is kept for whoever paints it opaque.
    SetLabelColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(250);
    connect(m_timer1, &QTimer::timeout, this, &ImageButton::Timer1Tick);
    m_timer1->start();

    m_timerHover = new QTimer(this);
    m_timerHover->setObjectName(QStringLiteral("TimerHover"));
    m_timerHover->setInterval(50);
    connect(m_timerHover, &QTimer::timeout, this, &ImageButton::TimerHoverTick);

    resizeEvent(nullptr);
}

void ImageButton::ChangeCaption(const QString& cap)
{
    m_label1->setText(cap);
}

void ImageButton::SetEnabled(bool enabled)
{
    setEnabled(enabled);
    QPalette pal = m_label1->palette();
    pal.setColor(QPalette::WindowText, enabled ? QColor(0, 0, 0) : QColor(128, 128, 128));
    m_label1->setPalette(pal);
}

QString ImageButton::Caption() const
{
    return m_label1->text();
}

void ImageButton::setCaption(const QString& cap)
{
    m_label1->setText(cap);
}

bool ImageButton::OnLabel(const QPoint& pos) const
{
    return m_label1->geometry().contains(pos);
}

void ImageButton::SetLabelColours(const QColor& back, const QColor& text)
{
    QPalette pal = m_label1->palette();
    if (back.isValid())
        pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    m_label1->setPalette(pal);
}

void ImageButton::SetBackColour(const QColor& back)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, back);
    setPalette(pal);
}

void ImageButton::ShowHighlight(bool highlighted)
{
    m_image2->setVisible(highlighted);
    m_image1->setVisible(!highlighted);
}

void ImageButton::mouseMoveEvent(QMouseEvent* event)
{
    // While a button is held the part that took the press gets the moves.
    const bool onLabel = event->buttons() != Qt::NoButton ? m_pressOnLabel
                                                          : OnLabel(event->position().toPoint());
    if (!isEnabled())
        return;
    if (onLabel) {
        SetLabelColours(QColor(200, 200, 200), QColor(160, 25, 25));
        SetBackColour(QColor(200, 200, 200));
        ShowHighlight(true);
    } else {
        SetLabelColours(QColor(), QColor(25, 200, 40));
    }
    m_timerHover->start();
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    m_pressOnLabel = OnLabel(event->position().toPoint());
    if (m_pressOnLabel) {
        SetLabelColours(QColor(200, 200, 200), QColor(255, 255, 255));
        SetBackColour(QColor(200, 200, 200));
        ShowHighlight(true);
    } else {
        SetLabelColours(QColor(50, 50, 50), QColor(100, 100, 100));
        SetBackColour(QColor(0, 0, 0));
    }
}

void ImageButton::mouseReleaseEvent(QMouseEvent*)
{
    // The release belongs to the part that was pressed, wherever the cursor is now.
    SetLabelColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));
    if (m_pressOnLabel)
        ShowHighlight(false);
    emit Click();
}

void ImageButton::resizeEvent(QResizeEvent*)
{
    m_image1->setGeometry(rect());
    m_image2->setGeometry(rect());
    m_label1->setGeometry(kLabelLeft, kLabelTop, width() - 1, kLabelHeight);
}

void ImageButton::Timer1Tick()
{
    update();
}

void ImageButton::TimerHoverTick()
{
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    if (under == this || (under && isAncestorOf(under)))
        return;
    SetLabelColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));
    ShowHighlight(false);
    m_timerHover->stop();
    Timer1Tick();
}
