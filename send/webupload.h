#pragma once
#include <QString>

// Hands the recording in to the school's web site (split above 2 097 152 bytes).
void WebUpload(const QString& recordingPath);
