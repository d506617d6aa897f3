// The request component against the reference server, and the digit decoder.
#include "tests/support/qtprint.h"
#include "tests/support/testenv.h"
#include "tests/support/uploadserver.h"

#include "send/digittext.h"
#include "send/httprequest.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// Turns the wait loop, with a cap so a broken request cannot hang the test.
void WaitUntilDone(HttpRequest& r)
{
    for (int i = 0; i < 1200 && r.IsBusy(); ++i)
        r.Wait(100);
}

} // namespace

class HttpRequestTest : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        server = std::make_unique<UploadServer>(tempPath("server"));
        server->setCredentials("DUPONT", "pw");
        ASSERT_TRUE(server->start());
        file = tempPath("piece.bin");
        WriteFile(file, QByteArray(1 << 20, '\r') + "--\r\n--end");
    }
    void TearDown() override
    {
        server.reset();
        MirloTest::TearDown();
    }
    // A request straight to the server (no proxy), on its own port.
    std::unique_ptr<HttpRequest> direct(qint32 timeout = 30000)
    {
        auto r = std::make_unique<HttpRequest>();
        r->SetTimeout(timeout);
        r->SetHost("127.0.0.1");
        r->SetPort(server->port());
        r->SetPath("up/load.php?x=1");
        return r;
    }

    std::unique_ptr<UploadServer> server;
    QString file;
};

TEST_F(HttpRequestTest, PartsGoInTheOrderAddedWithTheFileStreamedIntact)
{
    auto r = direct();
    r->AddField("proofnumber", "77");
    EXPECT_TRUE(r->AddFile("userfile", file));
    r->AddField("login", "DUPONT");
    r->AddField("password", "pw");
    r->AddField("repertoire", "DUPONT_");
    EXPECT_EQ(r->GetProgress(), 0);
    ASSERT_EQ(r->Send(), 0);
    EXPECT_EQ(r->IsBusy(), 1);
    WaitUntilDone(*r);
    EXPECT_EQ(r->IsBusy(), 0);
    EXPECT_EQ(r->GetOutcome(), 1);
    EXPECT_EQ(r->GetStatus(), 200);
    EXPECT_EQ(r->GetProgress(), 100);
    EXPECT_EQ(HttpRequest::BodyToText(r->GetBody(), "iso-8859-1"), "OK 77");

    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 1);
    const QJsonObject req = log[0].toObject();
    EXPECT_FALSE(req["proxy_form"].toBool());
    EXPECT_EQ(req["path"].toString(), "/up/load.php?x=1");
    EXPECT_EQ(UploadServer::fieldNames(req),
              (QStringList{"proofnumber", "userfile", "login", "password", "repertoire"}));
    EXPECT_EQ(UploadServer::fileField(req)["filename"].toString(), "piece.bin");
    EXPECT_EQ(UploadServer::fileField(req)["sha256"].toString(), Sha256OfFile(file));
}

TEST_F(HttpRequestTest, ProxyGetsTheSiteHostPortAndPath)
{
    HttpRequest r;
    r.SetHost("ecole.example");
    r.SetPort(80);
    r.SetPath("/depot/upload.php");
    r.SetProxyHost("127.0.0.1");
    r.SetProxyPort(server->port());
    r.AddFile("userfile", file);
    ASSERT_EQ(r.Send(), 0);
    WaitUntilDone(r);
    EXPECT_EQ(r.GetOutcome(), 1);
    const QJsonObject req = server->log()[0].toObject();
    EXPECT_TRUE(req["proxy_form"].toBool());
    EXPECT_EQ(req["target"].toString(), "http://ecole.example/depot/upload.php");
}

TEST_F(HttpRequestTest, ErrorStatusesAreCompleteRepliesWithTheirBody)
{
    for (int status : {404, 500, 302}) {
        SCOPED_TRACE(status);
        server->scriptNext({QJsonObject{{"status", status}, {"body", "page absente"}}});
        auto r = direct();
        r->AddField("a", "b");
        ASSERT_EQ(r->Send(), 0);
        WaitUntilDone(*r);
        EXPECT_EQ(r->GetOutcome(), 1);
        EXPECT_EQ(r->GetStatus(), status);
        EXPECT_EQ(r->GetBody(), "page absente");
    }
}

TEST_F(HttpRequestTest, SilentServerEndsAtTheInactivityTimeOut)
{
    server->scriptNext({QJsonObject{{"silent", true}}});
    auto r = direct(700);
    r->AddField("a", "b");
    ASSERT_EQ(r->Send(), 0);
    WaitUntilDone(*r);
    EXPECT_EQ(r->IsBusy(), 0);
    EXPECT_NE(r->GetOutcome(), 1);
}

TEST_F(HttpRequestTest, ReplyThatTricklesEndsAtTheTimeOutOrTheDeadline)
{
    // 20 bytes over 2 s: no pause reaches the time-out, the whole does.
    struct Case {
        const char* what;
        qint32 timeout, deadline;
    };
    for (const Case& c : {Case{"reply longer than the time-out", 800, 0},
                          Case{"exchange longer than the deadline", 30000, 800}}) {
        SCOPED_TRACE(c.what);
        server->scriptNext({QJsonObject{{"body", "OK lentement, 12345"}, {"trickle", 2.0}}});
        auto r = direct(c.timeout);
        r->SetDeadline(c.deadline);
        r->AddField("a", "b");
        ASSERT_EQ(r->Send(), 0);
        WaitUntilDone(*r);
        EXPECT_EQ(r->IsBusy(), 0);
        EXPECT_NE(r->GetOutcome(), 1);
    }
}

TEST_F(HttpRequestTest, HugeReplyIsReadOnlyUpToTheCap)
{
    server->scriptNext({QJsonObject{{"body", "OK {proof}"}, {"huge", 300000000}}});
    auto r = direct();
    r->AddField("proofnumber", "4242");
    ASSERT_EQ(r->Send(), 0);
    WaitUntilDone(*r);
    EXPECT_EQ(r->GetOutcome(), 1);
    EXPECT_EQ(r->GetStatus(), 200);
    EXPECT_EQ(r->GetBody().size(), HttpRequest::kReplyCap);
    EXPECT_TRUE(r->GetBody().startsWith("OK 4242"));
}

TEST_F(HttpRequestTest, ChunkedReplyIsReadWhole)
{
    server->scriptNext({QJsonObject{{"body", "OK en morceaux"}, {"chunked", true}}});
    auto r = direct();
    r->AddField("a", "b");
    ASSERT_EQ(r->Send(), 0);
    WaitUntilDone(*r);
    EXPECT_EQ(r->GetOutcome(), 1);
    EXPECT_EQ(r->GetBody(), "OK en morceaux");
}

TEST_F(HttpRequestTest, AbortEndsTheRequestWithoutOutcome)
{
    server->scriptNext({QJsonObject{{"delay", 30}}});
    auto r = direct();
    r->AddFile("userfile", file);
    ASSERT_EQ(r->Send(), 0);
    r->Wait(300);
    ASSERT_EQ(r->IsBusy(), 1);
    r->Abort();
    EXPECT_EQ(r->IsBusy(), 0);
    EXPECT_NE(r->GetOutcome(), 1);
    r->Wait(100); // returns at once, nothing left to wait on
    EXPECT_EQ(r->IsBusy(), 0);
}

TEST_F(HttpRequestTest, RefusedConnectionAndRequestsThatCannotStart)
{
    auto refused = direct();
    refused->SetPort(FreePort());
    ASSERT_EQ(refused->Send(), 0);
    WaitUntilDone(*refused);
    EXPECT_EQ(refused->IsBusy(), 0);
    EXPECT_NE(refused->GetOutcome(), 1);

    HttpRequest noHost;
    EXPECT_NE(noHost.Send(), 0);
    EXPECT_EQ(noHost.IsBusy(), 0);
    EXPECT_NE(noHost.GetOutcome(), 1);

    auto missing = direct();
    EXPECT_FALSE(missing->AddFile("userfile", tempPath("absent.mp3")));
    EXPECT_NE(missing->Send(), 0);
    EXPECT_EQ(missing->IsBusy(), 0);

    auto twice = direct();
    ASSERT_EQ(twice->Send(), 0);
    EXPECT_NE(twice->Send(), 0);
    WaitUntilDone(*twice);
    EXPECT_EQ(server->log().size(), 1);
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
