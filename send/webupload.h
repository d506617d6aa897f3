#pragma once
#include <QString>

class UploadSession;
struct Settings;

// Hands the recording in to the school's web site (split above 2 097 152 bytes),
// showing the session's progress windows and reporting each outcome to it.
// Does nothing while the session runs another upload.
void WebUpload(UploadSession& session, const Settings& settings, const QString& recordingPath);
