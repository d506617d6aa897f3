#pragma once
#include "windows/progresswindow.h"

// Progress window of the single-file upload.
class UploadProgressWindow final : public ProgressWindow {
    Q_OBJECT
public:
    UploadProgressWindow();
    ~UploadProgressWindow() override;
};

// The UploadProgressWindow currently loaded, if any.
UploadProgressWindow* CurrentUploadProgressWindow();
