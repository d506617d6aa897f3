// A site's reply, whatever its status and bytes, is judged without fault, and
// is a success only as a status-200 reply holding the proof number.
#include "fuzz/fuzzinput.h"
#include "send/replyjudge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = InputBytes(data, size);
    if (bytes.size() < 2)
        return 0;
    PassReply reply;
    reply.status = static_cast<unsigned char>(bytes[0]) * 4;
    reply.body = bytes.mid(2);
    reply.location = QString::fromLatin1(bytes.mid(2, 40));
    const QString proof = QString::number(static_cast<unsigned char>(bytes[1]) + 1);
    const HandInReport verdict = JudgeReply(reply, proof);
    const bool proven = reply.status == 200 && QString::fromLatin1(reply.body).contains(proof);
    if ((verdict.kind == HandInReport::Kind::Transferred) != proven)
        FuzzFailure("success judged against the proof number", QString::fromLatin1(bytes));
    return 0;
}
