#pragma once
#include <QByteArray>
#include <QString>

// A delivered message taken apart with GMime, values decoded.
struct ParsedMail {
    bool ok = false;
    QString fromName, fromAddress, toName, toAddress, subject;
    int partCount = 0;
    QString bodyType, bodyCharset, body;
    QString attachmentType, attachmentDisposition, attachmentFilename;
    int attachmentEncoding = -1; // GMimeContentEncoding
    QByteArray attachment;
};

ParsedMail ParseMail(const QByteArray& raw);
bool AttachmentIsBase64(const ParsedMail& mail);
