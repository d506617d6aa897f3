#include "windows/fontfit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

namespace {

const char* const kDesignRect = "designRect";
const char* const kDesignSize = "designSize";

// Width and height a control needs, decoration included, over what it has.
double Ratio(const QWidget* control, const QSize& text, const QRect& room)
{
    const int wantedWidth = text.width() + control->width() - room.width();
    const int wantedHeight = text.height() + control->height() - room.height();
    const double across = control->width() > 0 ? static_cast<double>(wantedWidth) / control->width() : 1.0;
    const double down = control->height() > 0 ? static_cast<double>(wantedHeight) / control->height() : 1.0;
    return std::max(across, down);
}

double LabelGrowth(const QLabel* label)
{
    if (label->text().isEmpty())
        return 0.0;
    const QRect room =
        label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    if (label->wordWrap()) {
        const int wanted = label->heightForWidth(label->width());
        return label->height() > 0 ? static_cast<double>(wanted) / label->height() : 1.0;
    }
    const QRect text = label->fontMetrics().boundingRect(QRect(0, 0, 100000, 100000),
                                                         Qt::AlignLeft | Qt::AlignTop, label->text());
    return Ratio(label, text.size(), room);
}

double ButtonGrowth(const QPushButton* button)
{
    if (button->text().isEmpty())
        return 0.0;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QFontMetrics fm = button->fontMetrics();
    // A little air on each side, as a pushed-in caption needs.
    return Ratio(button, QSize(fm.horizontalAdvance(button->text()) + 4, fm.height()), room);
}

// Boxes show data (paths, device names) that may be longer than any box and
// scroll: only a line of text must fit their height.
double BoxGrowth(const QLineEdit* box)
{
    const QRect room = box->contentsRect().marginsRemoved(box->textMargins()).adjusted(0, 1, 0, -1);
    return Ratio(box, QSize(room.width(), box->fontMetrics().height()), room);
}

double Growth(const QWidget* window)
{
    double factor = 1.0;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        if (control->isWindow() || !control->isVisibleTo(window))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(control))
            factor = std::max(factor, LabelGrowth(label));
        else if (const auto* button = qobject_cast<const QPushButton*>(control))
            factor = std::max(factor, ButtonGrowth(button));
        else if (const auto* box = qobject_cast<const QLineEdit*>(control))
            factor = std::max(factor, BoxGrowth(box));
    }
    return factor;
}

int Scaled(int value, double factor) { return static_cast<int>(std::lround(value * factor)); }

// A control that is not shown yet gets its resize event only when shown;
// the controls inside it must be placed now to be measured.
void Place(QWidget* control, const QRect& geometry)
{
    const QSize old = control->size();
    control->setGeometry(geometry);
    if (control->testAttribute(Qt::WA_PendingResizeEvent)) {
        QResizeEvent resize(control->size(), old);
        QApplication::sendEvent(control, &resize);
        control->setAttribute(Qt::WA_PendingResizeEvent, false);
    }
}

void ScaleFromDesign(QWidget* window, double factor)
{
    for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isWindow())
            continue;
        const QRect design = control->property(kDesignRect).toRect();
        const int left = Scaled(design.left(), factor);
        const int top = Scaled(design.top(), factor);
        Place(control, QRect(left, top, Scaled(design.left() + design.width(), factor) - left,
                             Scaled(design.top() + design.height(), factor) - top));
    }
    const QSize design = window->property(kDesignSize).toSize();
    const QSize size(Scaled(design.width(), factor), Scaled(design.height(), factor));
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(size);
    else
        window->resize(size);
}

} // namespace

void FitLayoutToFont(QWidget* window)
{
    for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!control->isWindow() && !control->property(kDesignRect).isValid())
            control->setProperty(kDesignRect, control->geometry());
    if (!window->property(kDesignSize).isValid())
        window->setProperty(kDesignSize, window->size());

    ScaleFromDesign(window, 1.0);
    const double factor = Growth(window);
    if (factor > 1.0)
        ScaleFromDesign(window, factor);
}
