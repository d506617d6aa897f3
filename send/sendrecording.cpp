#include "send/sendrecording.h"

void SendRecording(const QString& recordingPath)
{
    Q_UNUSED(recordingPath);
}

bool TransferRunning() { return false; }
