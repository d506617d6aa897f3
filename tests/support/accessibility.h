#pragma once
// A window as a screen reader meets it, through Qt's accessibility interface:
// each control's role, French name and description, and the Tab key's path.
#include "tests/support/controls.h"

#include <QAccessible>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

struct AccessibleControl {
    const char* control; // object name
    QAccessible::Role role;
    const char* name;       // UTF-8
    bool described = false; // has a description: its caption alone says little
};

// Every control of the table, shown, with its role and name; a described one
// has a description too.
inline void ExpectAccessible(const QWidget& window, std::initializer_list<AccessibleControl> controls)
{
    for (const AccessibleControl& c : controls) {
        SCOPED_TRACE(c.control);
        QAccessibleInterface* control =
            QAccessible::queryAccessibleInterface(Control<QWidget>(window, QString::fromLatin1(c.control)));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->role(), c.role);
        EXPECT_EQ(control->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(control->text(QAccessible::Description).isEmpty(), !c.described)
            << control->text(QAccessible::Description).toStdString();
        EXPECT_FALSE(control->state().invisible);
    }
}

// The controls the Tab key stops at, in order, from the window's first one.
inline QStringList TabStops(const QWidget& window)
{
    QStringList stops;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
        if (window.isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window))
            stops << w->objectName();
    }
    return stops;
}

// The Tab key goes through these controls, top to bottom and, along a row,
// left to right.
inline void ExpectTabOrder(const QWidget& window, const QStringList& expected)
{
    const QStringList stops = TabStops(window);
    EXPECT_EQ(stops, expected);
    for (qsizetype i = 1; i < stops.size(); ++i) {
        const QWidget* a = Control<QWidget>(window, stops[i - 1]);
        const QWidget* b = Control<QWidget>(window, stops[i]);
        const QRect ra(a->mapTo(&window, QPoint(0, 0)), a->size());
        const QRect rb(b->mapTo(&window, QPoint(0, 0)), b->size());
        const bool sameRow =
            std::abs(ra.center().y() - rb.center().y()) < std::min(ra.height(), rb.height()) / 2;
        EXPECT_TRUE(sameRow ? rb.left() > ra.left() : rb.center().y() > ra.center().y())
            << stops[i - 1].toStdString() << " before " << stops[i].toStdString();
    }
}
