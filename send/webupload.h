#pragma once
#include <QString>

// Hands the recording in to the school's web site (split above 2 097 152 bytes).
// Does nothing while another upload is running.
void WebUpload(const QString& recordingPath);

// True while an upload (single or split) is running; the send button checks it.
bool UploadRunning();

// Close the progress windows without asking, when the main window closes the others.
void CloseUploadProgressWindow();
void CloseSplitUploadProgressWindow();
