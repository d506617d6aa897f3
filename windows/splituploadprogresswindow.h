#pragma once
#include "windows/progresswindow.h"

class QLabel;

// Progress window of the split upload: says how many files there are and
// which one is on its way.
class SplitUploadProgressWindow final : public ProgressWindow {
    Q_OBJECT
public:
    explicit SplitUploadProgressWindow(UploadSession& session);
    ~SplitUploadProgressWindow() override;

    void setSplitPass(int pass, int files) override;

private:
    QLabel* m_title = nullptr;
    QLabel* m_files = nullptr;
};
