#include "send/form4.h"

#include "send/webupload.h"

#include <QPointer>

namespace {
QPointer<Form4> g_form4;
}

Form4::Form4()
    : ProgressWindow(QSize(4680, 810), QRect(120, 90, 4455, 255), QRect(120, 360, 4455, 285),
                     QRect(120, 390, 4455, 255))
{
    setObjectName(QStringLiteral("Form4"));
    g_form4 = this;
}

Form4::~Form4() = default;

Form4* CurrentForm4() { return g_form4.data(); }

void UnloadForm4()
{
    // Unloading asks nothing: it is the program's end, not the pupil's choice.
    delete g_form4.data();
}
