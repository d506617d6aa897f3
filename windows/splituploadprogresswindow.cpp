#include "windows/splituploadprogresswindow.h"

#include "windows/handinmessages.h"

#include <QLabel>
#include <QVBoxLayout>

SplitUploadProgressWindow::SplitUploadProgressWindow(UploadSession& session) : ProgressWindow(session)
{
    setObjectName(QStringLiteral("Form5"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("lblTitre"));
    m_title->setIndent(8); // set in from the lines below
    m_files = new QLabel(this);
    m_files->setObjectName(QStringLiteral("lblFiles"));
    // Above the waiting line and the bar, a little apart from them.
    rows()->insertWidget(0, m_title);
    rows()->insertWidget(1, m_files);
    rows()->insertSpacing(2, 4);
}

SplitUploadProgressWindow::~SplitUploadProgressWindow() = default;

void SplitUploadProgressWindow::setSplitPass(int pass, int files)
{
    m_title->setText(SplitUploadTitle(files));
    m_files->setText(SplitUploadFileText(pass, files));
}
