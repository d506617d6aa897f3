#include "windows/screenreadernames.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace {

const char* const kHidden = "hiddenFromScreenReaders";

// A container read as usual, less its hidden children.
class ContainerWithHiddenChildren final : public QAccessibleWidget {
public:
    explicit ContainerWithHiddenChildren(QWidget* container)
        : QAccessibleWidget(container, QAccessible::Window)
    {
    }

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const QList<QWidget*> children = shown();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index])
                                                     : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child ? int(shown().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }

private:
    // The children a screen reader meets, as Qt lists them.
    QList<QWidget*> shown() const
    {
        QList<QWidget*> children;
        for (QObject* object : widget()->children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (child && !child->isWindow() && !child->property(kHidden).toBool() &&
                child->objectName() != QLatin1String("qt_rubberband"))
                children.append(child);
        }
        return children;
    }
};

// The program's own windows (made straight from QWidget), whenever a screen
// reader first asks for them, even before their controls are all made.
QAccessibleInterface* HidingContainers(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType() || !static_cast<QWidget*>(object)->isWindow())
        return nullptr;
    const QMetaObject* own = object->metaObject();
    if (className != QLatin1String(own->className()) || own->superClass() != &QWidget::staticMetaObject)
        return nullptr;
    return new ContainerWithHiddenChildren(static_cast<QWidget*>(object));
}

const bool kInstalled = (QAccessible::installFactory(HidingContainers), true);

} // namespace

void NameForScreenReaders(QWidget& window, std::initializer_list<ScreenReaderText> texts)
{
    for (const ScreenReaderText& t : texts) {
        QWidget* control = window.findChild<QWidget*>(QLatin1String(t.control));
        if (!control)
            continue;
        if (t.name)
            control->setAccessibleName(QString::fromUtf8(t.name));
        if (t.description)
            control->setAccessibleDescription(QString::fromUtf8(t.description));
    }
}

void HideFromScreenReaders(QWidget& control)
{
    Q_UNUSED(kInstalled);
    control.setProperty(kHidden, true);
}
