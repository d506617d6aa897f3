#include "windows/splituploadprogresswindow.h"

#include "send/webupload.h"

#include <QLabel>
#include <QPointer>

namespace {
QPointer<SplitUploadProgressWindow> g_form5;
}

SplitUploadProgressWindow::SplitUploadProgressWindow()
    : ProgressWindow(QSize(4680, 1365), QRect(120, 690, 4455, 255), QRect(120, 960, 4455, 285),
                     QRect(120, 960, 4455, 270))
{
    setObjectName(QStringLiteral("Form5"));
    lblTitre = new QLabel(this);
    lblTitre->setGeometry(FromTwips(QRect(240, 90, 4455, 255)));
    lblFiles = new QLabel(this);
    lblFiles->setGeometry(FromTwips(QRect(120, 360, 4455, 255)));
    g_form5 = this;
}

SplitUploadProgressWindow::~SplitUploadProgressWindow() = default;

SplitUploadProgressWindow* CurrentSplitUploadProgressWindow() { return g_form5.data(); }

void CloseSplitUploadProgressWindow()
{
    delete g_form5.data();
}
