#pragma once
#include <QString>

// The send button: checks the name and hands the recording in by upload
// (web mode) or by e-mail (mail mode). One transfer at a time.
void SendRecording(const QString& recordingPath);
bool TransferRunning();
