#include "send/transferflags.h"

qint32 AbortRequested = 0;
bool TransferFinished = true;
