#pragma once
// The judgement of the site's reply to one upload pass, alike for the single
// and the split upload. Ours to parse: the status and the reply's words.
#include "send/uploadview.h"

#include <QByteArray>
#include <QString>

// What one pass's request came to.
struct PassReply {
    enum class End {
        Reply,        // a complete reply: `status` and `body`
        Unreachable,  // no connection, or the line went silent
        NoReply,      // everything was sent, no reply in time
        Certificate,  // the site did not prove its identity
        ProxyRefused, // the proxy refused the way to the site: `status`
        Unreadable,   // the file of the pass could not be read whole
    };
    End end = End::Reply;
    int status = 0;
    QByteArray body;
    QString location;      // of a move, resolved
    bool viaProxy = false; // through an HTTP proxy, whose own 407 is not the site's
};

// Transferred when a complete status-200 reply holds the proof number; the
// reply word, the status, or why there was no reply otherwise. A move
// (3xx with a place to go) is Moved: the upload follows only its own.
HandInReport JudgeReply(const PassReply& reply, const QString& proofNumber);

// The site answered but did not take the file (status 200 without the proof number).
bool SiteRefused(HandInReport::Kind kind);
// No answer from the site at all, or one the upload must not go past: the
// rest of an upload would meet the same.
bool SiteOutOfReach(HandInReport::Kind kind);
