// A site that answers plain HTTP with a move to HTTPS on the same host: the
// pass goes again there over verified TLS (through the proxy by CONNECT),
// and the rest of the upload goes there at once. Other redirects are replies
// like any other. The test authority is trusted in this process only.
#include "tests/support/uploadtest.h"
#include "tests/support/uploadtestview.h"

#include "send/httprequest.h"
#include "send/uploadpass.h"
#include "send/uploadsession.h"
#include "send/webupload.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonObject MoveTo(const QString& location, int status = 301)
{
    return QJsonObject{{"status", status}, {"body", "Moved"}, {"location", location}};
}

const QString kHttpsScript = QStringLiteral("https://ecole.example:{tls}/depot/upload.php");

using Kind = HandInReport::Kind;

// The kind and status of each report, as "HttpStatus 301" or "Transferred".
QStringList Reported(const TestHandInView& view)
{
    QStringList reported;
    for (const HandInReport& r : view.reports)
        reported << (r.kind == Kind::HttpStatus    ? "HttpStatus " + QString::number(r.status)
                     : r.kind == Kind::Transferred ? "Transferred"
                                                   : "other");
    return reported;
}

} // namespace

class HttpsUploadTest : public UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        ASSERT_TRUE(TestCertificates::TrustTestAuthority()) << "openssl is needed (scripts/install-deps.sh)";
        ASSERT_TRUE(server->startWithTls("good"));
        useServerAsProxy();
    }

    // Of the requests from `from` on: whether each came over TLS.
    QList<bool> overTls(qsizetype from = 0) const
    {
        QList<bool> tls;
        const QJsonArray log = server->log();
        for (qsizetype i = from; i < log.size(); ++i)
            tls << log[i]["tls"].toBool();
        return tls;
    }

    TestHandInView view;
    UploadSession session{view};
};

TEST_F(HttpsUploadTest, BothPassesFollowAMoveToHttpsOnTheSameHost)
{
    const QString rec = makeRecording("Cours.mp3", 300000);
    struct Case {
        int status;
        QString path; // where the site moved the script
    };
    for (const Case& c : {Case{301, kScript}, Case{302, "/securise/upload.php?v=2"}, Case{307, kScript},
                          Case{308, "/securise/upload.php"}}) {
        SCOPED_TRACE(c.status);
        view.reports.clear();
        const qsizetype before = server->log().size();
        const qsizetype connectsBefore = server->connects().size();
        server->scriptNext({MoveTo("https://ecole.example:{tls}" + c.path, c.status)});
        WebUpload(session, settings, rec);

        // Pass 0 in clear, answered by the move; then pass 0 again and pass 1 over TLS.
        EXPECT_EQ(overTls(before), (QList<bool>{false, true, true}));
        const QJsonArray log = server->log();
        ASSERT_EQ(log.size(), before + 3);
        for (qsizetype i = before + 1; i < log.size(); ++i) {
            EXPECT_EQ(log[i]["host"].toString(), kSite);
            EXPECT_EQ(log[i]["path"].toString(), c.path);
            EXPECT_EQ(UploadServer::fieldValue(log[i].toObject(), "password"), kPassword);
        }
        EXPECT_EQ(UploadServer::fileField(log[before + 1].toObject())["filename"].toString(), "testx");
        EXPECT_EQ(UploadServer::fileField(log[before + 2].toObject())["sha256"].toString(),
                  Sha256OfFile(rec));
        const QString tunnel = kSite + ":" + QString::number(server->tlsPort());
        EXPECT_EQ(server->connects().mid(connectsBefore), (QStringList{tunnel, tunnel}));
        EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
        EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    }
}

TEST_F(HttpsUploadTest, SplitUploadFollowsTheMoveOnceForAllItsPasses)
{
    const QString rec = makeRecording("Cours.mp3", 2097153);
    server->scriptNext({MoveTo(kHttpsScript)});
    WebUpload(session, settings, rec);
    // The test file in clear, then the test file, two pieces and the list over TLS.
    EXPECT_EQ(overTls(), (QList<bool>{false, true, true, true, true}));
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 5);
    EXPECT_EQ(UploadServer::fieldValue(log[4].toObject(), "SplittedFile"), "SplittedFile");
    EXPECT_EQ(log[4]["reassembled"]["sha256"].toString(), Sha256OfFile(rec));
    EXPECT_EQ(server->connects().size(), 4);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(HttpsUploadTest, OtherRedirectsAreJudgedAsReplies)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    struct Case {
        const char* what;
        QJsonArray script;
        QJsonObject fallback;
        QList<bool> tls;      // per request
        QStringList reported; // kind and status
    };
    const QList<Case> cases = {
        {"to HTTPS on another host",
         {MoveTo("https://autre.example:{tls}/depot/upload.php"),
          MoveTo("https://www.ecole.example:{tls}/depot/upload.php")},
         {},
         {false, false},
         {"HttpStatus 301", "HttpStatus 301"}},
        {"to plain HTTP elsewhere on the same host",
         {MoveTo("http://ecole.example/autre.php", 302), MoveTo("/autre.php", 307)},
         {},
         {false, false},
         {"HttpStatus 302", "HttpStatus 307"}},
        {"from HTTPS back to HTTP; the next pass still goes over HTTPS",
         {MoveTo(kHttpsScript), MoveTo("http://ecole.example/depot/upload.php")},
         {},
         {false, true, true},
         {"HttpStatus 301", "Transferred"}},
        {"a loop is given up after three moves in a row",
         {},
         MoveTo(kHttpsScript, 302),
         {false, true, true, true, true, true, true, true},
         {"HttpStatus 302", "HttpStatus 302"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.reports.clear();
        const qsizetype before = server->log().size();
        server->scriptNext(c.script, c.fallback);
        WebUpload(session, settings, rec);
        EXPECT_EQ(overTls(before), c.tls);
        EXPECT_EQ(Reported(view), c.reported);
        EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    }
}

TEST_F(HttpsUploadTest, ACertificateThatFailsVerificationEndsTheUploadWithNothingMoreInClear)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    for (const QString certificate : {"untrusted", "wrongname"}) {
        SCOPED_TRACE(certificate.toStdString());
        view.reports.clear();
        UploadServer site(tempPath("site-" + certificate));
        site.setCredentials(kLogin, kPassword);
        ASSERT_TRUE(site.startWithTls(certificate));
        settings.proxyPortText = QString::number(site.port());
        site.scriptNext({MoveTo(kHttpsScript)});
        WebUpload(session, settings, rec);

        // Only the test file went, in clear, before the move; the recording never.
        const QJsonArray log = site.log();
        ASSERT_EQ(log.size(), 1);
        EXPECT_EQ(UploadServer::fileField(log[0].toObject())["filename"].toString(), "testx");
        EXPECT_EQ(site.connects().size(), 1);
        EXPECT_EQ(view.reported(), QList<Kind>{Kind::CertificateRejected});
        EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    }
}

TEST_F(HttpsUploadTest, ThroughTinyproxyByConnect)
{
    if (!TinyProxy::available())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps.sh)";
    TinyProxy proxy(tempPath("tinyproxy"));
    ASSERT_TRUE(proxy.start(server->port()));
    settings.proxyPortText = QString::number(proxy.port());
    const QString rec = makeRecording("Cours.mp3", 300000);
    server->scriptNext({MoveTo(kHttpsScript)});
    WebUpload(session, settings, rec);
    EXPECT_EQ(overTls(), (QList<bool>{false, true, true}));
    EXPECT_EQ(server->connects().size(), 2);
    EXPECT_EQ(UploadServer::fileField(server->log()[2].toObject())["sha256"].toString(), Sha256OfFile(rec));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
}

TEST_F(HttpsUploadTest, WithoutProxyTheRequestGoesStraightToTheSiteOverTls)
{
    HttpRequest r;
    r.SetSecure(true);
    r.SetHost("localhost");
    r.SetPort(server->tlsPort());
    r.SetPath("/depot/upload.php");
    r.AddField("login", kLogin);
    EXPECT_EQ(r.url(), "https://localhost:" + QString::number(server->tlsPort()) + "/depot/upload.php");
    ASSERT_EQ(r.Send(), 0);
    for (int i = 0; i < 300 && r.IsBusy(); ++i)
        r.Wait(100);
    EXPECT_EQ(r.GetOutcome(), 1);
    EXPECT_EQ(r.GetStatus(), 200);
    const QJsonObject req = server->log()[0].toObject();
    EXPECT_TRUE(req["tls"].toBool());
    EXPECT_FALSE(req["proxy_form"].toBool());
    EXPECT_EQ(req["host"].toString(), "localhost");
    EXPECT_TRUE(server->connects().isEmpty());
}
