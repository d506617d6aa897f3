#pragma once
// What the pupil reads when a recording, or the sound devices, go wrong.
#include "audio/recordingengine.h"

#include <QString>

// The message for a problem, shown with its icon, buttons and title.
void ShowRecordingProblem(RecordingProblem problem);
// No recording started: its file could not be created in the folder.
void ShowFileNotCreated(const QString& folder, FileCreationFault fault);
// The question asked before a recording replaces an existing file.
bool AskToReplaceRecording();

// The texts some tests compare with.
QString CaptureFailedText();
QString NoSoundArrivedText();
QString RecordingWriteFailedText();
QString SilentRecordingText();
QString FileNotCreatedText(const QString& folder, FileCreationFault fault);
