// Digit-encoded text from a server reply decodes without fault, one
// character per complete group of three digits.
#include "fuzz/fuzzinput.h"
#include "send/digittext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromLatin1(InputBytes(data, size));
    const QString decoded = DecodeDigitText(text);
    if (decoded.size() > text.size() / 3)
        FuzzFailure("more characters decoded than groups given", text);
    return 0;
}
