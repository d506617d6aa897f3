#include "foundation/windows1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

QString FromWindows1252(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1252");
    return decoder.decode(bytes);
}

QByteArray ToWindows1252(const QString& text)
{
    QStringEncoder encoder("windows-1252");
    // Characters with no Windows-1252 code become '?', as the ANSI API does.
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text) {
        QByteArray one = encoder.encode(QString(c));
        if (encoder.hasError() || one.size() != 1) {
            // resetState() keeps the error flag, so start a fresh encoder.
            encoder = QStringEncoder("windows-1252");
            out.append('?');
        } else {
            out.append(one);
        }
    }
    return out;
}
