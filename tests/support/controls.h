#pragma once
// Finding a window's controls and open windows the way a user would meet
// them: by object name and by kind.
#include <QApplication>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

// Ends the running test: a control it needs is missing.
[[noreturn]] inline void MissingControl(const QString& name)
{
    throw std::runtime_error("no control " + name.toStdString());
}

// A control of a window by its object name; the test fails when it is missing.
template <class T>
T* Control(const QWidget& window, const QString& name)
{
    T* control = window.findChild<T*>(name);
    if (!control)
        MissingControl(name);
    return control;
}

// The one open window of a kind, nullptr when there is none; more than one
// fails the test.
template <class T>
T* OpenWindow()
{
    T* found = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (T* window = qobject_cast<T*>(top)) {
            EXPECT_EQ(found, nullptr) << "more than one " << T::staticMetaObject.className();
            found = window;
        }
    }
    return found;
}
