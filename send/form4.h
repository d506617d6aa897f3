#pragma once
#include "send/progresswindow.h"

// Progress window of the single-file upload.
class Form4 final : public ProgressWindow {
    Q_OBJECT
public:
    Form4();
    ~Form4() override;
};

// The Form4 currently loaded, if any.
Form4* CurrentForm4();
