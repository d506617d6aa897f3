#pragma once
// What the pupil reads about a hand-in: the text and icon of each outcome
// the sending reports, and the question asked before abandoning an upload.
#include "foundation/seams.h"
#include "send/uploadview.h"

#include <QString>

struct HandInMessage {
    QString text; // lines separated by carriage returns
    MsgIcon icon = MsgIcon::None;
};

HandInMessage HandInMessageFor(const HandInReport& report);

// Shows the message of the report in a message box titled "Mirlo".
void TellPupil(const HandInReport& report);

// Asks whether to abandon the transfer under way; true when the pupil says yes.
bool PupilConfirmsAbandon();

// The split upload's progress window: how many files, and which one is on its way.
QString SplitUploadTitle(int files);
QString SplitUploadFileText(int pass, int files);
