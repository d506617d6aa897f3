#include "send/digittext.h"

#include "foundation/windows1252.h"

QString DecodeDigitText(const QString& text)
{
    QByteArray codes;
    for (qsizetype i = 0; i + 3 <= text.size(); i += 3) {
        int code = 0;
        bool digits = true;
        for (qsizetype k = i; k < i + 3; ++k) {
            const char16_t c = text[k].unicode();
            if (c < u'0' || c > u'9') {
                digits = false;
                break;
            }
            code = code * 10 + (c - u'0');
        }
        // A group that is not a byte code is dropped rather than guessed at.
        if (digits && code <= 255)
            codes.append(static_cast<char>(code));
    }
    return FromWindows1252(codes);
}
