#include "foundation/windows1252.h"

#include <QList>

#include <array>

namespace {

// Characters of the codes 0x80 to 0x9F; the unassigned ones map to the C1
// control of the same number, as Windows does.
constexpr std::array<char16_t, 32> kHighCodes = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The code of a character, or -1 when it has none.
int CodeOf(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (std::size_t i = 0; i < kHighCodes.size(); ++i)
        if (kHighCodes[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

} // namespace

bool HasWindows1252Code(char32_t c) { return CodeOf(c) >= 0; }

QString FromWindows1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        out.append(QChar(code >= 0x80 && code < 0xA0 ? kHighCodes[code - 0x80] : char16_t{code}));
    }
    return out;
}

QByteArray ToWindows1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const int code = CodeOf(c);
        out.append(code < 0 ? '?' : static_cast<char>(code));
    }
    return out;
}
