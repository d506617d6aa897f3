// HTTPS first: a site is tried over verified TLS (through the proxy by
// CONNECT) and reached in clear only when nothing answers there; once it has
// spoken HTTPS, or moved to it, the working settings file remembers it and
// nothing goes to it in clear again. The test authority is trusted in this
// process only.
#include "tests/support/uploadtest.h"
#include "tests/support/uploadtestview.h"

#include "send/uploadpass.h"
#include "send/uploadsession.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

using Kind = HandInReport::Kind;

QJsonObject MoveTo(const QString& location, int status = 301)
{
    return QJsonObject{{"status", status}, {"body", "Moved"}, {"location", location}};
}

} // namespace

class HttpsUploadTest : public UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        ASSERT_TRUE(TestCertificates::TrustTestAuthority()) << "openssl is needed (scripts/install-deps.sh)";
    }

    void start(const QString& certificate)
    {
        ASSERT_TRUE(certificate.isEmpty() ? server->start() : server->startWithTls(certificate));
        useServerAsProxy();
    }

    // Whether each request came over TLS.
    QList<bool> overTls() const
    {
        QList<bool> tls;
        for (const QJsonValue& r : server->log())
            tls << r["tls"].toBool();
        return tls;
    }
    QString remembered() const { return ReadSetting("Web", kHttpsSiteKey, settingsFile()); }

    TestHandInView view;
    UploadSession session{view};
};

TEST_F(HttpsUploadTest, ASiteThatSpeaksHttpsIsReachedOnlyOverHttpsAndRemembered)
{
    start("good");
    handIn(session, settings, makeRecording("Cours.mp3", 5000));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(overTls(), (QList<bool>{true, true}));
    EXPECT_EQ(server->connects(), (QStringList{"ecole.example:443", "ecole.example:443"}));
    EXPECT_EQ(remembered(), kSite);
}

TEST_F(HttpsUploadTest, ASiteWithoutHttpsIsReachedInClearAndNotRemembered)
{
    start({}); // CONNECT answered 502: the proxy reaches nothing on 443
    handIn(session, settings, makeRecording("Cours.mp3", 5000));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(overTls(), (QList<bool>{false, false}));
    EXPECT_EQ(remembered(), "");
}

TEST_F(HttpsUploadTest, ARememberedOrTypedHttpsSiteNeverGetsAnythingInClear)
{
    start({});
    for (const char* how : {"remembered", "typed"}) {
        SCOPED_TRACE(how);
        view.reports.clear();
        if (QByteArray(how) == "remembered") {
            WriteSetting("Web", kHttpsSiteKey, kSite, settingsFile());
        } else {
            WriteSetting("Web", kHttpsSiteKey, "", settingsFile());
            settings.webSite = "https://" + kSite;
        }
        handIn(session, settings, makeRecording("Cours.mp3", 5000));
        EXPECT_EQ(view.reported(), QList<Kind>{Kind::ConnectionFailed});
        EXPECT_EQ(server->log().size(), 0);
    }
}

TEST_F(HttpsUploadTest, ACertificateThatFailsVerificationEndsTheUploadWithNothingInClear)
{
    for (const char* certificate : {"untrusted", "wrongname"}) {
        SCOPED_TRACE(certificate);
        server = std::make_unique<UploadServer>(tempPath(QString("server-") + certificate));
        start(certificate);
        view.reports.clear();
        handIn(session, settings, makeRecording("Cours.mp3", 2097153));
        EXPECT_EQ(view.reported(), QList<Kind>{Kind::CertificateRejected});
        EXPECT_EQ(server->log().size(), 0);
        EXPECT_EQ(remembered(), "");
    }
}

TEST_F(HttpsUploadTest, AMoveToHttpsIsFollowedForEveryPassAndRemembered)
{
    start("good");
    WriteSetting("Web", kHttpsSiteKey, "", settingsFile());
    settings.webSite = kSite + ":80"; // a port of its own: reached as typed, in clear
    server->scriptNext({MoveTo("https://ecole.example:{tls}/depot/upload.php")});
    handIn(session, settings, makeRecording("Cours.mp3", 2097153));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    // The test file once in clear, answered by the move; then everything over TLS.
    EXPECT_EQ(overTls(), (QList<bool>{false, true, true, true, true}));
    EXPECT_EQ(ParseSite(remembered()).host, kSite);
}

TEST_F(HttpsUploadTest, AProxyThatRefusesTheTunnelIsNamed)
{
    start("good");
    for (int status : {403, 407}) {
        SCOPED_TRACE(status);
        server->answerConnect(status);
        view.reports.clear();
        handIn(session, settings, makeRecording("Cours.mp3", 5000));
        ASSERT_EQ(view.reported(), QList<Kind>{Kind::ProxyRefused});
        EXPECT_EQ(view.reports[0].status, status);
        EXPECT_EQ(server->log().size(), 0);
    }
}

TEST_F(HttpsUploadTest, ThroughTinyproxyByConnect)
{
    if (!TinyProxy::available())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps.sh)";
    start("good");
    TinyProxy proxy(tempPath("tinyproxy"));
    ASSERT_TRUE(proxy.start(server->port()));
    settings.proxyPortText = QString::number(proxy.port());
    handIn(session, settings, makeRecording("Cours.mp3", 2097153));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(overTls(), QList<bool>(4, true));
    EXPECT_EQ(server->log().last()["reassembled"]["complete"].toBool(), true);
}
