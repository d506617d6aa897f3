#pragma once
#include "send/progresswindow.h"

class QLabel;

// Progress window of the split upload: says how many files there are and
// which one is on its way.
class Form5 final : public ProgressWindow {
    Q_OBJECT
public:
    Form5();
    ~Form5() override;

    QLabel* lblTitre = nullptr;
    QLabel* lblFiles = nullptr;
};

Form5* CurrentForm5();
