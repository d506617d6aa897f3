#pragma once
#include <QString>

class UploadSession;
struct Settings;

// Hands the recording in to the school's web site (split above 2 097 152
// bytes) and returns at once: the passes run from the event loop, show the
// session's progress windows and report the outcome to it. Does nothing
// while the session runs another upload.
void WebUpload(UploadSession& session, const Settings& settings, const QString& recordingPath);
