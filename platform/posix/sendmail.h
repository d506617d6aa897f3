#pragma once
// The mail hand-off on Linux: the message composed as MIME text with GMime,
// then given to the local "sendmail -t -i".
#include "platform/mailhandoff.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// The whole message as MIME text (LF line ends, 7-bit clean), or empty when
// the attachment cannot be read. The attachment is only ever read.
QByteArray ComposeMail(const MailMessage& mail);

// Where the local mail program usually is, when PATH holds none.
QStringList UsualSendmailPlaces();
// The local mail program: "sendmail" on PATH, else the first of `places`
// that holds one. Empty when there is none.
QString FindSendmail(const QStringList& places);

} // namespace platform
