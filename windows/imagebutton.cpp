#include "windows/imagebutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

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

// The picture at the screen's scale (name@2x.png at scale 2), stretched.
QLabel* MakePicture(QWidget* parent, const char* name, const QString& file)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(QLatin1String(name));
    const QIcon pictures(file);
    picture->setPixmap(pictures.pixmap(pictures.availableSizes().value(0), parent->devicePixelRatioF()));
    picture->setScaledContents(true);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    return picture;
}

// What a screen reader sees: a push button named by its caption, unless the
// window gave it a name of its own, that it can press.
class AccessibleImageButton final : public QAccessibleWidget {
public:
    explicit AccessibleImageButton(ImageButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<ImageButton*>(widget())->Caption();
        return QAccessibleWidget::text(t);
    }
    // The caption and pictures inside are the button itself, not read apart.
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    // A disabled button offers nothing to press.
    QStringList actionNames() const override
    {
        if (!widget()->isEnabled())
            return {};
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction() && widget()->isEnabled())
            emit static_cast<ImageButton*>(widget())->Click();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* ImageButtonAccessibility(const QString& className, QObject* object)
{
    if (className == QLatin1String("ImageButton") && object && object->isWidgetType())
        return new AccessibleImageButton(static_cast<ImageButton*>(object));
    return nullptr;
}

} // namespace

ImageButton::ImageButton(QWidget* parent) : QWidget(parent)
{
    InitImageButtonResources();
    static const bool accessible = (QAccessible::installFactory(ImageButtonAccessibility), true);
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
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

    m_focusFrame = new QFrame(this);
    m_focusFrame->setObjectName(QStringLiteral("focusFrame"));
    m_focusFrame->setStyleSheet(QStringLiteral("border: 2px solid rgb(20, 80, 200); border-radius: 3px;"));
    m_focusFrame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_focusFrame->hide();

    // The caption is drawn transparently so the picture swap shows; its
    // background colour is kept for whoever paints it opaque.
    SetCaptionColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));

    resizeEvent(nullptr);
}

void ImageButton::ChangeCaption(const QString& cap) { setCaption(cap); }

void ImageButton::SetEnabled(bool enabled)
{
    // The recording poll calls this at every tick: nothing to do when nothing changes.
    const QColor text = enabled ? QColor(0, 0, 0) : QColor(128, 128, 128);
    if (isEnabled() == enabled && m_caption->palette().color(QPalette::WindowText) == text)
        return;
    setEnabled(enabled);
    QPalette pal = m_caption->palette();
    pal.setColor(QPalette::WindowText, text);
    m_caption->setPalette(pal);
}

QString ImageButton::Caption() const { return m_caption->text(); }

void ImageButton::setCaption(const QString& cap)
{
    if (cap == m_caption->text())
        return;
    m_caption->setText(cap);
    if (accessibleName().isEmpty()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

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

void ImageButton::ShowNormal()
{
    SetCaptionColours(QColor(255, 255, 255), QColor(0, 0, 0));
    SetBackColour(QColor(255, 255, 255));
    ShowHighlight(false);
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
}

// The hover ends when the pointer leaves, even while the button is disabled.
void ImageButton::leaveEvent(QEvent* event)
{
    ShowNormal();
    QWidget::leaveEvent(event);
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
    m_focusFrame->setGeometry(rect());
}

void ImageButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            emit Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ImageButton::focusInEvent(QFocusEvent* event)
{
    m_focusFrame->raise();
    m_focusFrame->show();
    QWidget::focusInEvent(event);
}

void ImageButton::focusOutEvent(QFocusEvent* event)
{
    m_focusFrame->hide();
    QWidget::focusOutEvent(event);
}
