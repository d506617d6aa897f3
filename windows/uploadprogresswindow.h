#pragma once
#include "windows/progresswindow.h"

// Progress window of the single-file upload.
class UploadProgressWindow final : public ProgressWindow {
    Q_OBJECT
public:
    explicit UploadProgressWindow(UploadSession& session);
    ~UploadProgressWindow() override;
};
