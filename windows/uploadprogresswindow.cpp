#include "windows/uploadprogresswindow.h"

#include "windows/fontfit.h"

UploadProgressWindow::UploadProgressWindow(UploadSession& session)
    : ProgressWindow(session, QSize(4680, 810), QRect(120, 90, 4455, 255), QRect(120, 360, 4455, 285),
                     QRect(120, 390, 4455, 255))
{
    setObjectName(QStringLiteral("Form4"));
    FitLayoutToFont(this);
}

UploadProgressWindow::~UploadProgressWindow() = default;
