#include "windows/uploadprogresswindow.h"

#include "send/webupload.h"

#include <QPointer>

namespace {
QPointer<UploadProgressWindow> g_form4;
}

UploadProgressWindow::UploadProgressWindow()
    : ProgressWindow(QSize(4680, 810), QRect(120, 90, 4455, 255), QRect(120, 360, 4455, 285),
                     QRect(120, 390, 4455, 255))
{
    setObjectName(QStringLiteral("Form4"));
    g_form4 = this;
}

UploadProgressWindow::~UploadProgressWindow() = default;

UploadProgressWindow* CurrentUploadProgressWindow() { return g_form4.data(); }

void CloseUploadProgressWindow()
{
    // Unloading asks nothing: it is the program's end, not the pupil's choice.
    delete g_form4.data();
}
