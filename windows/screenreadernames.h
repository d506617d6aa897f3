#pragma once
#include <initializer_list>

class QWidget;

// A French name and description for screen readers, where a control's own
// text does not say what it is; either may be left out.
struct ScreenReaderText {
    const char* control; // object name
    const char* name;
    const char* description;
};

void NameForScreenReaders(QWidget& window, std::initializer_list<ScreenReaderText> texts);

// A control that only decorates another (a shadow copy of a text) is left out
// of what screen readers read: its window, one of the program's own, no
// longer lists it.
void HideFromScreenReaders(QWidget& control);
