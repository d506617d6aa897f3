#include "windows/screenreadernames.h"

#include <QWidget>

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
