#include "windows/uploadprogresswindow.h"

UploadProgressWindow::UploadProgressWindow(UploadSession& session) : ProgressWindow(session)
{
    setObjectName(QStringLiteral("Form4"));
}

UploadProgressWindow::~UploadProgressWindow() = default;
