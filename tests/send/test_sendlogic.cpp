// What the hand-in decides without a server: the reply judgement, the reply's
// text, the digit decoder and the site's address. Runs under Wine too.
#include "tests/support/qtprint.h"

#include "send/digittext.h"
#include "send/httprequest.h"
#include "send/replyjudge.h"
#include "send/uploadpass.h"

#include <gtest/gtest.h>

TEST(ReplyJudge, StatusWordsAndProof)
{
    using Kind = HandInReport::Kind;
    using End = PassReply::End;
    struct Case {
        PassReply reply;
        Kind kind;
    };
    const QList<Case> cases = {
        {{End::Reply, 200, "OK 4242 occupied", {}}, Kind::Transferred},
        {{End::Reply, 200, "loginfalse passfalse", {}}, Kind::WrongPassword},
        {{End::Reply, 200, "", {}}, Kind::UnexpectedReply},
        {{End::Reply, 500, "4242", {}}, Kind::ServerBusy},
        {{End::Reply, 413, "4242", {}}, Kind::HttpStatus},
        {{End::Reply, 301, "", "http://autre.example/"}, Kind::Moved},
        {{End::Reply, 304, "", {}}, Kind::HttpStatus},
        {{End::NoReply, 0, {}, {}}, Kind::NoReplyInTime},
        {{End::ProxyRefused, 407, {}, {}}, Kind::ProxyRefused},
        {{End::Reply, 407, {}, {}, true}, Kind::ProxyRefused},
        {{End::Reply, 407, {}, {}}, Kind::HttpStatus},
        {{End::Unreachable, 0, "4242", {}}, Kind::ConnectionFailed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeReply(c.reply, "4242").kind, c.kind)
            << c.reply.status << " " << c.reply.body.constData();
    EXPECT_EQ(JudgeReply({End::Reply, 200, "OK", {}}, "").kind, Kind::UnexpectedReply);
}

TEST(BodyToText, ReadsTheNamedCharacterSet)
{
    EXPECT_EQ(HttpRequest::BodyToText("d\xe9j\xe0 \x80", "iso-8859-1"), QString::fromUtf8("déjà \u0080"));
    EXPECT_EQ(HttpRequest::BodyToText("d\xe9j\xe0 \x80", "windows-1252"), QString::fromUtf8("déjà €"));
    EXPECT_EQ(HttpRequest::BodyToText("d\xc3\xa9", "utf-8"), QString::fromUtf8("dé"));
}

TEST(DecodeDigitText, WellFormedGroups)
{
    EXPECT_EQ(DecodeDigitText("117115101114102105108101"), "userfile");
    EXPECT_EQ(DecodeDigitText("112114111111102110117109098101114"), "proofnumber");
    EXPECT_EQ(DecodeDigitText("114101112101114116111105114101"), "repertoire");
    EXPECT_EQ(DecodeDigitText("108111103105110"), "login");
    EXPECT_EQ(DecodeDigitText("112097115115119111114100"), "password");
    // Character codes are Windows-1252 codes.
    EXPECT_EQ(DecodeDigitText("233128"), QString::fromUtf8("é€"));
    EXPECT_EQ(DecodeDigitText(""), "");
}

TEST(DecodeDigitText, MalformedInputDecodesWhatIsWellFormed)
{
    EXPECT_EQ(DecodeDigitText("0721"), "H"); // trailing incomplete group ignored
    EXPECT_EQ(DecodeDigitText("07"), "");
    EXPECT_EQ(DecodeDigitText("07a105"), "i"); // a group with a non-digit is dropped
    EXPECT_EQ(DecodeDigitText("999072"), "H"); // not a byte code
    EXPECT_EQ(DecodeDigitText("-72105"), "i");
    EXPECT_EQ(DecodeDigitText(QString(100001, '7')).size(), 0); // 777 is no byte: nothing, no crash
}

TEST(SiteAddress, SchemePortAndPath)
{
    struct Case {
        const char* site;
        const char* host;
        int port;
        bool httpsOnly;
    };
    for (const Case& c : {Case{"ecole.example", "ecole.example", -1, false},
                          Case{"https://ecole.example/", "ecole.example", -1, true},
                          Case{"HTTP://ecole.example:8080/up", "ecole.example", 8080, false},
                          Case{"www.http-lycee.fr:8080/up", "www.http-lycee.fr", 8080, false},
                          Case{"https://ecole.example:8443", "ecole.example", 8443, true}}) {
        SCOPED_TRACE(c.site);
        const SiteAddress a = ParseSite(c.site);
        EXPECT_EQ(a.host, c.host);
        EXPECT_EQ(a.port, c.port);
        EXPECT_EQ(a.httpsOnly, c.httpsOnly);
    }
}
