// The single upload against the reference server: request content, reply
// judgement, and one transfer at a time. Abandoning through the real progress
// window, and the texts the pupil reads, are in tests/windows/test_progresswindows.cpp.
#include "tests/support/uploadtest.h"
#include "tests/support/uploadtestview.h"

#include "send/uploadpass.h"
#include "send/uploadsession.h"
#include "send/webupload.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

using Kind = HandInReport::Kind;

QJsonObject Body(const QString& body, int status = 200)
{
    return QJsonObject{{"body", body}, {"status", status}};
}

} // namespace

class WebUploadTest : public UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        ASSERT_TRUE(startServer());
        useServerAsProxy();
    }

    TestHandInView view;
    UploadSession session{view};
};

TEST_F(WebUploadTest, SendsTestFileThenRecordingWithFieldsInOrderThroughProxy)
{
    const QString rec = makeRecording("Cours.mp3", 2097152); // the largest single upload
    handIn(session, settings, rec);

    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 2);
    for (int pass = 0; pass < 2; ++pass) {
        const QJsonObject r = log[pass].toObject();
        SCOPED_TRACE(pass);
        EXPECT_TRUE(r["proxy_form"].toBool());
        EXPECT_EQ(r["host"].toString(), kSite);
        EXPECT_EQ(r["port"].toInt(), 80);
        EXPECT_EQ(r["path"].toString(), kScript);
        EXPECT_TRUE(r["expect"].isNull()) << "no waiting for 100 Continue";
        EXPECT_TRUE(r["content_type"].toString().startsWith("multipart/form-data"));
        EXPECT_EQ(UploadServer::fieldNames(r),
                  (QStringList{"userfile", "proofnumber", "repertoire", "login", "password"}));
        EXPECT_EQ(UploadServer::fieldValue(r, "repertoire"), kLogin + "_");
        EXPECT_EQ(UploadServer::fieldValue(r, "login"), kLogin);
        EXPECT_EQ(UploadServer::fieldValue(r, "password"), kPassword);
        const int proof = UploadServer::fieldValue(r, "proofnumber").toInt();
        EXPECT_GE(proof, 1);
        EXPECT_LE(proof, 1000000);
    }
    const QJsonObject testFile = UploadServer::fileField(log[0].toObject());
    EXPECT_EQ(testFile["filename"].toString(), "testx");
    EXPECT_EQ(testFile["sha256"].toString(), Sha256Hex("xxxxxx\r\n"));
    const QJsonObject recording = UploadServer::fileField(log[1].toObject());
    EXPECT_EQ(recording["filename"].toString(), "Cours.mp3");
    EXPECT_EQ(recording["size"].toInt(), 2097152);
    EXPECT_EQ(recording["sha256"].toString(), Sha256OfFile(rec));

    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    EXPECT_EQ(view.viewKinds, QList<UploadViewKind>(2, UploadViewKind::Single));
    EXPECT_EQ(session.view(), nullptr);
    EXPECT_FALSE(session.running());
}

TEST_F(WebUploadTest, AccentedPasswordAndUploadPathReadAtEveryPass)
{
    settings.webPassword = "élève€";
    server->setCredentials(kLogin, "élève€");
    const QString rec = makeRecording("Cours.mp3", 1000);
    // The path is read from the settings file at each pass, not kept in
    // memory, and whole however long its scrambled form.
    const QString longPath = "/autre/" + QString(130, u'd') + "/depot.php";
    view.onShow = [&](TestUploadView&, int pass) {
        if (pass == 0)
            WriteSetting("Web", "Upload", ScrambleForTest(longPath), settingsFile());
    };
    handIn(session, settings, rec);
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].toObject()["path"].toString(), kScript);
    EXPECT_EQ(log[1].toObject()["path"].toString(), longPath);
    EXPECT_EQ(UploadServer::fieldValue(log[1].toObject(), "password"), "élève€");
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
}

TEST_F(WebUploadTest, JudgesEveryKindOfReply)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    const QJsonObject ok; // server checks the login and echoes the check number
    struct Case {
        const char* what;
        QJsonArray script;
        QList<Kind> reported;
        int status = 0;
        int requests = 2;
    };
    const QList<Case> cases = {
        {"of occupied, fileexists, loginfalse, passfalse the last present wins",
         {ok, Body("loginfalse passfalse")},
         {Kind::WrongPassword}},
        {"check number beside a reply word is a success",
         {ok, Body("occupied {proof}")},
         {Kind::Transferred}},
        {"occupied", {ok, Body("occupied")}, {Kind::SiteOccupied}},
        {"fileexists before occupied in the text", {ok, Body("fileexists occupied")}, {Kind::FileExists}},
        {"no reply word", {ok, Body("Bonjour")}, {Kind::UnexpectedReply}},
        {"check number is case- and digit-exact", {ok, Body("OK 0")}, {Kind::UnexpectedReply}},
        {"status 404", {ok, Body("{proof}", 404)}, {Kind::HttpStatus}, 404},
        {"status 500", {ok, Body("{proof}", 500)}, {Kind::ServerBusy}},
        {"reply cut off before its end", {ok, QJsonObject{{"truncate", true}}}, {Kind::ConnectionFailed}},
        // Each pass goes out once: a dropped connection is never sent again.
        {"connection dropped once the whole recording is in",
         {ok, QJsonObject{{"close", true}}},
         {Kind::ConnectionFailed}},
        {"connection cut half-way through the recording",
         {ok, QJsonObject{{"cut", 2500}}},
         {Kind::ConnectionFailed}},
        {"failed pass 0 is reported and pass 1 still goes",
         {Body("loginfalse"), ok},
         {Kind::UnknownLogin, Kind::Transferred}},
        {"both passes fail, each is reported",
         {Body("x", 403), Body("passfalse")},
         {Kind::HttpStatus, Kind::WrongPassword},
         403},
        // A move is read, never followed: nothing more goes out, in clear or elsewhere.
        {"a move to another host ends the upload at once",
         {QJsonObject{{"status", 301}, {"body", ""}, {"location", "http://autre.example/depot.php"}}},
         {Kind::Moved},
         301,
         1},
        {"a proxy that asks for credentials is named as the proxy",
         {QJsonObject{{"status", 407}, {"body", ""}}},
         {Kind::ProxyRefused},
         407,
         1},
        {"a move to another path on the same site, in clear",
         {ok, QJsonObject{{"status", 302}, {"body", ""}, {"location", "/ailleurs.php"}}},
         {Kind::Moved},
         302},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.reports.clear();
        const qsizetype before = server->log().size();
        server->scriptNext(c.script);
        handIn(session, settings, rec);
        EXPECT_EQ(server->log().size(), before + c.requests);
        EXPECT_EQ(view.reported(), c.reported);
        if (c.status != 0 && !view.reports.isEmpty()) {
            EXPECT_EQ(view.reports[0].status, c.status);
        }
        EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    }
}

TEST_F(WebUploadTest, ASiteOutOfReachGivesOneMessage)
{
    settings.proxyPortText = QString::number(FreePort());
    const QString rec = makeRecording("Cours.mp3", 5000);
    handIn(session, settings, rec);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::ConnectionFailed});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(WebUploadTest, AMovedSiteIsNamedForTheTeacher)
{
    server->scriptNext(
        {QJsonObject{{"status", 301}, {"body", ""}, {"location", "http://autre.example/x.php"}}});
    handIn(session, settings, makeRecording("Cours.mp3", 5000));
    ASSERT_EQ(view.reports.size(), 1);
    EXPECT_EQ(view.reports[0].path, "http://autre.example/x.php");
}

TEST_F(WebUploadTest, ProxiesFromTheEnvironmentAreIgnored)
{
    const QByteArray dead = "http://127.0.0.1:" + QByteArray::number(FreePort());
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
        qputenv(name, dead);
    qputenv("no_proxy", "*");
    handIn(session, settings, makeRecording("Cours.mp3", 5000));
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy", "no_proxy"})
        qunsetenv(name);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(server->log().size(), 2);
}

TEST_F(WebUploadTest, ASiteThatAnswersTooLateMayHaveTheRecording)
{
    // The script stores the file, then takes longer than the time-out to answer.
    server->scriptNext({QJsonObject{}, QJsonObject{{"delay", 40}}});
    handIn(session, settings, makeRecording("Cours.mp3", 5000));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::NoReplyInTime});
    EXPECT_EQ(server->log().size(), 2);
}

TEST_F(WebUploadTest, ASlowLineSucceedsWithAMovingBar)
{
    // 256 kbit/s: the recording takes longer than the reply time-out to go.
    server->scriptNext({QJsonObject{}, QJsonObject{{"read_rate", 32768}}});
    handIn(session, settings, makeRecording("Cours.mp3", 1310720));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    QList<int> between;
    for (int p : view.progress)
        if (p > 0 && p < 100 && !between.contains(p))
            between << p;
    EXPECT_GE(between.size(), 20) << "the bar follows the line";
}

TEST_F(WebUploadTest, SecondSendDuringATransferStartsNothing)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject{{"delay", 1}}});
    bool runningInside = false;
    view.onShow = [&](TestUploadView& progress, int pass) {
        if (pass == 0)
            whenLogged(&progress, 1, [&] {
                runningInside = session.running();
                WebUpload(session, settings, rec);
            });
    };
    handIn(session, settings, rec);
    EXPECT_TRUE(runningInside);
    EXPECT_FALSE(session.running());
    EXPECT_EQ(view.shown, 2);
    EXPECT_EQ(server->log().size(), 2);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
}
