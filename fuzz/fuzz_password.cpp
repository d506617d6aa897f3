// The stored password: any stored text unscrambles without fault, and every
// Windows-1252 password comes back from its scrambled form.
#include "config/password.h"
#include "foundation/settings.h"
#include "foundation/windows1252.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = InputBytes(data, size);
    UnscrambleSetting(QString::fromLatin1(input));

    const QString clear = QString::fromUtf8(input);
    if (FromWindows1252(ToWindows1252(clear)) == clear && !clear.contains(QChar(0))) {
        const QString back = UnscrambleSetting(EncodePassword(clear));
        if (back != clear)
            FuzzFailure("a password did not survive scrambling", clear + QStringLiteral(" -> ") + back);
    }
    return 0;
}
