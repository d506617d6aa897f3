#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// One outgoing message: one sender, one recipient, a text body and one file.
struct MailMessage {
    QString fromName;
    QString fromAddress;
    QString toName;
    QString toAddress;
    QString subject;
    QString body;
    QString attachmentPath; // sent as audio/mpeg under its own file name
};

// The whole message as MIME text (LF line ends, 7-bit clean), or empty when
// the attachment cannot be read. The attachment is only ever read.
QByteArray ComposeMail(const MailMessage& mail);

// The local mail program: "sendmail" on PATH, else the first of the usual
// places that holds one. Empty when there is none.
QString FindSendmail();
QStringList SendmailFallbacks();
void SetSendmailFallbacks(const QStringList& paths); // tests point these elsewhere
void RestoreSendmailFallbacks();

// Hands the message to "sendmail -t -i" on its standard input and returns at
// once; the mail program runs on its own and is killed when it has not ended
// within the time limit. False when no hand-off could be started.
bool HandOffMail(const QByteArray& message);
bool MailHandOffRunning();

int MailTimeLimitMs();
void SetMailTimeLimitMs(int ms); // 60 s unless changed
