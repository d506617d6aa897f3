#include "windows/splituploadprogresswindow.h"

#include "windows/fontfit.h"

#include <QLabel>

SplitUploadProgressWindow::SplitUploadProgressWindow(UploadSession& session)
    : ProgressWindow(session, QSize(4680, 1365), QRect(120, 690, 4455, 255), QRect(120, 960, 4455, 285),
                     QRect(120, 960, 4455, 270))
{
    setObjectName(QStringLiteral("Form5"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lblTitre"));
    // Ends with the other lines, inside the window.
    m_title->setGeometry(FromTwips(QRect(240, 90, 4335, 255)));
    m_files = new QLabel(this);
    m_files->setObjectName(QStringLiteral("lblFiles"));
    m_files->setGeometry(FromTwips(QRect(120, 360, 4455, 255)));
    FitLayoutToFont(this);
}

SplitUploadProgressWindow::~SplitUploadProgressWindow() = default;

void SplitUploadProgressWindow::setSplitTexts(const QString& title, const QString& files)
{
    m_title->setText(title);
    m_files->setText(files);
    FitLayoutToFont(this);
}
