// Settings files: any file content is read without fault, and a value written
// into it reads back exactly when the file format can hold it.
//
// Input: "section<TAB>key<TAB>value<LF>" then the file's bytes.
#include "foundation/inifile.h"
#include "foundation/windows1252.h"
#include "fuzz/fuzzinput.h"

namespace {

bool IsPlainName(const QString& name)
{
    if (name.isEmpty() || name.size() > 40)
        return false;
    for (const QChar c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128))
            return false;
    return true;
}

// A value the file holds exactly: Windows-1252 text without control
// characters, no blanks at its ends, not wrapped in double quotes.
bool IsStorableValue(const QString& value)
{
    if (value.size() > 200 || value != value.trimmed())
        return false;
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return false;
    for (const QChar c : value)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return FromWindows1252(ToWindows1252(value)) == value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = InputBytes(data, size);
    const qsizetype headerEnd = input.indexOf('\n');
    const QList<QByteArray> header = input.left(headerEnd < 0 ? 0 : headerEnd).split('\t');
    const QByteArray content = headerEnd < 0 ? input : input.mid(headerEnd + 1);
    const QString section = header.size() > 0 ? QString::fromUtf8(header[0]) : QStringLiteral("Web");
    const QString key = header.size() > 1 ? QString::fromUtf8(header[1]) : QStringLiteral("Site");
    const QString value = header.size() > 2 ? QString::fromUtf8(header[2]) : QString();

    const QString file = ScratchFolder().filePath(QStringLiteral("Mirlox.ini"));
    WriteWholeFile(file, content);
    ReadProfileString(section, key, file);
    const bool stored = WriteProfileString(section, key, value, file);
    const QString readBack = ReadProfileString(section, key, file);
    if (IsPlainName(section) && IsPlainName(key) && IsStorableValue(value)) {
        if (!stored)
            FuzzFailure("a storable value was refused", value);
        if (readBack != value)
            FuzzFailure("a stored value read back differently", value + QStringLiteral(" -> ") + readBack);
    }
    return 0;
}
