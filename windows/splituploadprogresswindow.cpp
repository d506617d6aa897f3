#include "windows/splituploadprogresswindow.h"

#include <QLabel>

SplitUploadProgressWindow::SplitUploadProgressWindow(UploadSession& session)
    : ProgressWindow(session, QSize(4680, 1365), QRect(120, 690, 4455, 255),
                     QRect(120, 960, 4455, 285), QRect(120, 960, 4455, 270))
{
    setObjectName(QStringLiteral("Form5"));
    lblTitre = new QLabel(this);
    lblTitre->setGeometry(FromTwips(QRect(240, 90, 4455, 255)));
    lblFiles = new QLabel(this);
    lblFiles->setGeometry(FromTwips(QRect(120, 360, 4455, 255)));
}

SplitUploadProgressWindow::~SplitUploadProgressWindow() = default;

void SplitUploadProgressWindow::setSplitTexts(const QString& title, const QString& files)
{
    lblTitre->setText(title);
    lblFiles->setText(files);
}
