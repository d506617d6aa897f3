#pragma once
#include <QtGlobal>

// Shared between a running upload and its progress window, on the UI thread.
extern qint32 AbortRequested;  // 1 = the pupil asked to abandon
extern bool TransferFinished;  // true once the wait loop has ended
