// The request over libcurl against the reference server.
#include "tests/support/qtprint.h"
#include "tests/support/testenv.h"
#include "tests/support/uploadserver.h"

#include "send/httprequest.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// Turns the event loop until the request has told its end.
void RunToEnd(HttpRequest& r)
{
    bool ended = false;
    QObject::connect(&r, &HttpRequest::ended, [&ended] { ended = true; });
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

using Failure = HttpRequest::Failure;

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

    // A request to the server as the site, with a range of the file and the fields.
    std::unique_ptr<HttpRequest> request(qint64 offset = 0, qint64 length = -1)
    {
        auto r = std::make_unique<HttpRequest>();
        r->SetHost("127.0.0.1");
        r->SetServerPort(server->port());
        r->SetPath("/depot/upload.php");
        r->AddFileRange("userfile", file, offset, length, "Cours_2");
        r->AddField("proofnumber", "4242");
        r->AddField("repertoire", "DUPONT_");
        r->AddField("login", "DUPONT");
        r->AddField("password", "pw");
        return r;
    }

    std::unique_ptr<UploadServer> server;
    QString file;
};

TEST_F(HttpRequestTest, ARangeOfTheFileGoesWithTheFieldsInOrderAndTheBarReachesTheEnd)
{
    auto r = request(1000, 500000);
    QList<int> progress;
    QObject::connect(r.get(), &HttpRequest::progressed, [&](int p) { progress << p; });
    ASSERT_EQ(r->Send(), 0);
    EXPECT_EQ(r->Send(), -1); // once only
    RunToEnd(*r);
    EXPECT_EQ(r->GetOutcome(), 1);
    EXPECT_EQ(r->GetStatus(), 200);
    EXPECT_TRUE(r->GetBody().contains("4242"));
    EXPECT_EQ(progress.value(progress.size() - 1), 100);
    const QJsonObject sent = server->log()[0].toObject();
    EXPECT_EQ(UploadServer::fieldNames(sent),
              (QStringList{"userfile", "proofnumber", "repertoire", "login", "password"}));
    EXPECT_EQ(UploadServer::fileField(sent)["filename"].toString(), "Cours_2");
    EXPECT_EQ(UploadServer::fileField(sent)["sha256"].toString(),
              Sha256Hex(ReadFile(file).mid(1000, 500000)));
    EXPECT_TRUE(sent["expect"].isNull());
    EXPECT_FALSE(sent["proxy_form"].toBool());
}

TEST_F(HttpRequestTest, RepliesOfEveryShape)
{
    struct Case {
        const char* what;
        QJsonObject entry;
        int outcome;
        Failure failure;
        qsizetype bodySize = -1; // -1: not checked
        QString location = {};
    };
    const QList<Case> cases = {
        {"length-delimited", {}, 1, Failure::None},
        {"chunked", QJsonObject{{"chunked", true}}, 1, Failure::None},
        {"trickling within the time-out", QJsonObject{{"trickle", 1}}, 1, Failure::None},
        {"error status with its body", QJsonObject{{"status", 404}, {"body", "absent"}}, 1, Failure::None, 6},
        {"a huge reply is read up to the cap", QJsonObject{{"huge", 3 << 20}}, 1, Failure::None,
         HttpRequest::kReplyCap},
        {"cut off before its end", QJsonObject{{"truncate", true}}, 0, Failure::Connect},
        {"hung up without a word", QJsonObject{{"close", true}}, 0, Failure::Connect},
        {"a move is read, not followed",
         QJsonObject{{"status", 302}, {"body", ""}, {"location", "/ailleurs.php"}}, 1, Failure::None, 0,
         "/ailleurs.php"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const qsizetype before = server->log().size();
        server->scriptNext({c.entry});
        auto r = request();
        ASSERT_EQ(r->Send(), 0);
        RunToEnd(*r);
        EXPECT_EQ(r->GetOutcome(), c.outcome);
        EXPECT_EQ(r->failure(), c.failure);
        if (c.bodySize >= 0) {
            EXPECT_EQ(r->GetBody().size(), c.bodySize);
        }
        if (!c.location.isEmpty()) {
            EXPECT_TRUE(r->location().endsWith(c.location)) << r->location().toStdString();
        }
        EXPECT_EQ(server->log().size(), before + 1) << "sent exactly once";
    }
}

TEST_F(HttpRequestTest, TimeLimitsFollowWhatTheNetworkTook)
{
    WriteFile(file, QByteArray(3 << 20, 'x'));
    struct Case {
        const char* what;
        QJsonObject entry;
        qint32 timeout;
        qint32 deadline;
        Failure failure;
    };
    const QList<Case> cases = {
        {"a line gone silent while sending", QJsonObject{{"read_rate", 1}}, 1500, 0, Failure::Silence},
        {"no reply once everything was taken", QJsonObject{{"silent", true}}, 1500, 0, Failure::NoReply},
        {"a reply that trickles past the time-out", QJsonObject{{"trickle", 5}}, 1500, 0, Failure::NoReply},
        {"the deadline, however busy the line", QJsonObject{{"read_rate", 200000}}, 60000, 2000,
         Failure::Silence},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        server->scriptNext({}, c.entry); // requests cut short are not counted
        auto r = request();
        r->SetTimeout(c.timeout);
        r->SetDeadline(c.deadline);
        ASSERT_EQ(r->Send(), 0);
        RunToEnd(*r);
        EXPECT_EQ(r->GetOutcome(), 0);
        EXPECT_EQ(r->failure(), c.failure);
    }
}

TEST_F(HttpRequestTest, AbortAndRequestsThatCannotStart)
{
    server->scriptNext({QJsonObject{{"silent", true}}});
    auto r = request();
    ASSERT_EQ(r->Send(), 0);
    QObject::connect(r.get(), &HttpRequest::progressed, r.get(), [&](int p) {
        if (p == 100)
            r->Abort();
    });
    RunToEnd(*r);
    EXPECT_EQ(r->failure(), Failure::Aborted);
    EXPECT_FALSE(r->IsBusy());

    EXPECT_EQ(request(ReadFile(file).size(), 1)->Send(), -1); // past the end of the file
    auto refused = request();
    refused->SetServerPort(FreePort());
    ASSERT_EQ(refused->Send(), 0);
    RunToEnd(*refused);
    EXPECT_EQ(refused->failure(), Failure::Unreachable);
    auto badProxy = request();
    badProxy->SetProxyHost("127.0.0.1");
    badProxy->SetProxyPort(70000);
    EXPECT_EQ(badProxy->Send(), -1);
}
