#include "send/replyjudge.h"

#include <utility>

namespace {

// The last of the reply words, in this order, that the reply holds wins.
HandInReport::Kind ReplyWordKind(const QString& text)
{
    using Kind = HandInReport::Kind;
    Kind kind = Kind::UnexpectedReply;
    for (const auto& [word, meaning] : {std::pair{QLatin1String("occupied"), Kind::SiteOccupied},
                                        std::pair{QLatin1String("fileexists"), Kind::FileExists},
                                        std::pair{QLatin1String("loginfalse"), Kind::UnknownLogin},
                                        std::pair{QLatin1String("passfalse"), Kind::WrongPassword}}) {
        if (text.contains(word))
            kind = meaning;
    }
    return kind;
}

} // namespace

HandInReport JudgeReply(const PassReply& reply, const QString& proofNumber)
{
    using Kind = HandInReport::Kind;
    using End = PassReply::End;
    switch (reply.end) {
    case End::Reply: break;
    case End::Unreachable: return HandInReport(Kind::ConnectionFailed);
    case End::NoReply: return HandInReport(Kind::NoReplyInTime);
    case End::Certificate: return HandInReport(Kind::CertificateRejected);
    case End::ProxyRefused: return HandInReport(Kind::ProxyRefused, reply.status);
    case End::Unreadable: return HandInReport(Kind::RecordingUnreadable);
    }
    const int status = reply.status;
    // Only a proxy asks for proxy credentials.
    if (reply.viaProxy && status == 407)
        return HandInReport(Kind::ProxyRefused, status);
    if (status / 100 == 3 && !reply.location.isEmpty())
        return HandInReport(Kind::Moved, status, reply.location);
    if (status == 500)
        return HandInReport(Kind::ServerBusy);
    if (status != 200)
        return HandInReport(Kind::HttpStatus, status);
    // The proof number is digits only; an empty one proves nothing.
    const QString text = QString::fromLatin1(reply.body);
    if (!proofNumber.isEmpty() && text.contains(proofNumber))
        return HandInReport(Kind::Transferred);
    return HandInReport(ReplyWordKind(text));
}

bool SiteRefused(HandInReport::Kind kind)
{
    using Kind = HandInReport::Kind;
    return kind == Kind::SiteOccupied || kind == Kind::FileExists || kind == Kind::UnknownLogin ||
           kind == Kind::WrongPassword || kind == Kind::UnexpectedReply;
}

bool SiteOutOfReach(HandInReport::Kind kind)
{
    using Kind = HandInReport::Kind;
    return kind == Kind::ConnectionFailed || kind == Kind::NoReplyInTime ||
           kind == Kind::CertificateRejected || kind == Kind::Moved || kind == Kind::ProxyRefused ||
           kind == Kind::RecordingUnreadable;
}
