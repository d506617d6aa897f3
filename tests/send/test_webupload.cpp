// The single upload against the reference server: request content, reply
// judgement, and one transfer at a time. Abandoning through the real progress
// window is in tests/windows/test_progresswindows.cpp.
#include "tests/support/uploadtest.h"
#include "tests/support/uploadtestview.h"

#include "foundation/settings.h"
#include "send/httprequest.h"
#include "send/uploadpass.h"
#include "send/uploadsession.h"
#include "send/webupload.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

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

    TestUploadViews views;
    UploadSession session{views};
};

TEST_F(WebUploadTest, SendsTestFileThenRecordingWithFieldsInOrderThroughProxy)
{
    const QString rec = makeRecording("Cours.mp3", 2097152); // the largest single upload
    WebUpload(session, rec);

    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 2);
    for (int pass = 0; pass < 2; ++pass) {
        const QJsonObject r = log[pass].toObject();
        SCOPED_TRACE(pass);
        EXPECT_TRUE(r["proxy_form"].toBool());
        EXPECT_EQ(r["host"].toString(), kSite);
        EXPECT_EQ(r["port"].toInt(), 80);
        EXPECT_EQ(r["path"].toString(), kScript);
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

    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0].text, Texts::Success);
    EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(prompter.messages[0].title, "Mirlo");
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    EXPECT_EQ(views.kinds, QList<UploadViewKind>(2, UploadViewKind::Single));
    EXPECT_EQ(session.view(), nullptr);
    EXPECT_FALSE(session.running());
}

TEST_F(WebUploadTest, AccentedPasswordAndUploadPathReadAtEveryPass)
{
    Shared().webPassword = "élève€";
    server->setCredentials(kLogin, "élève€");
    const QString rec = makeRecording("Cours.mp3", 1000);
    // The path is read from the settings file at each pass, not kept in
    // memory, and whole however long its scrambled form.
    const QString longPath = "/autre/" + QString(130, u'd') + "/depot.php";
    views.onShow = [&](TestUploadView&, int pass) {
        if (pass == 0)
            WriteSetting("Web", "Upload", ScrambleForTest(longPath), WorkingSettingsFile());
    };
    WebUpload(session, rec);
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].toObject()["path"].toString(), kScript);
    EXPECT_EQ(log[1].toObject()["path"].toString(), longPath);
    EXPECT_EQ(UploadServer::fieldValue(log[1].toObject(), "password"), "élève€");
    EXPECT_EQ(prompter.texts(), QStringList{Texts::Success});
}

TEST_F(WebUploadTest, JudgesEveryKindOfReply)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    const QJsonObject ok; // server checks the login and echoes the check number
    struct Case {
        const char* what;
        QJsonArray script;
        QStringList texts;
        QList<MsgIcon> icons;
    };
    const QString occupied =
        "Le site de téléchargement est occupé !\rVeuillez réessayer dans quelques minutes.";
    const QString exists =
        "Ce fichier existe déjà sur le serveur !\rLe nouveau fichier n'a pas été transféré.";
    const QList<Case> cases = {
        {"login and password words: the last in table order wins",
         {ok, Body("loginfalse passfalse")},
         {"Mot de passe erroné !"},
         {MsgIcon::None}},
        {"check number beside a reply word is a success",
         {ok, Body("occupied {proof}")},
         {Texts::Success},
         {MsgIcon::Information}},
        {"occupied", {ok, Body("occupied")}, {occupied}, {MsgIcon::None}},
        {"fileexists before occupied in the text",
         {ok, Body("fileexists occupied")},
         {exists},
         {MsgIcon::None}},
        {"no reply word", {ok, Body("Bonjour")}, {Texts::Unexpected}, {MsgIcon::None}},
        {"check number is case- and digit-exact", {ok, Body("OK 0")}, {Texts::Unexpected}, {MsgIcon::None}},
        {"status 404",
         {ok, Body("{proof}", 404)},
         {"Echec du transfert, code de réponse HTTP = 404"},
         {MsgIcon::Critical}},
        {"status 500", {ok, Body("{proof}", 500)}, {Texts::Busy}, {MsgIcon::Critical}},
        {"reply cut off before its end",
         {ok, QJsonObject{{"truncate", true}}},
         {Texts::Connection()},
         {MsgIcon::Critical}},
        // Each pass goes out once: a dropped connection is never sent again.
        {"connection dropped once the whole recording is in",
         {ok, QJsonObject{{"close", true}}},
         {Texts::Connection()},
         {MsgIcon::Critical}},
        {"connection cut half-way through the recording",
         {ok, QJsonObject{{"cut", 2500}}},
         {Texts::Connection()},
         {MsgIcon::Critical}},
        {"failed pass 0 is shown and pass 1 still goes",
         {Body("loginfalse"), ok},
         {"Utilisateur inconnu !", Texts::Success},
         {MsgIcon::None, MsgIcon::Information}},
        {"both passes fail, each says so",
         {Body("x", 403), Body("passfalse")},
         {"Echec du transfert, code de réponse HTTP = 403", "Mot de passe erroné !"},
         {MsgIcon::Critical, MsgIcon::None}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.messages.clear();
        const qsizetype before = server->log().size();
        server->scriptNext(c.script);
        WebUpload(session, rec);
        EXPECT_EQ(server->log().size(), before + 2);
        EXPECT_EQ(prompter.texts(), c.texts);
        QList<MsgIcon> icons;
        for (const auto& m : prompter.messages)
            icons << m.icon;
        EXPECT_EQ(icons, c.icons);
        EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    }
}

TEST_F(WebUploadTest, RefusedConnectionGivesTheConnectionMessageForEachPass)
{
    Shared().proxyPortText = QString::number(FreePort());
    const QString rec = makeRecording("Cours.mp3", 5000);
    WebUpload(session, rec);
    ASSERT_EQ(prompter.messages.size(), 2);
    for (const auto& m : prompter.messages) {
        EXPECT_EQ(m.text, Texts::Connection());
        EXPECT_EQ(m.text.split('\r').size(), 9);
        EXPECT_EQ(m.icon, MsgIcon::Critical);
    }
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(WebUploadTest, SecondSendDuringATransferStartsNothing)
{
    const QString rec = makeRecording("Cours.mp3", 5000);
    server->scriptNext({QJsonObject{{"delay", 1}}});
    bool runningInside = false;
    views.onShow = [&](TestUploadView& view, int pass) {
        if (pass == 0)
            whenLogged(&view, 1, [&] {
                runningInside = session.running();
                WebUpload(session, rec);
            });
    };
    WebUpload(session, rec);
    EXPECT_TRUE(runningInside);
    EXPECT_FALSE(session.running());
    EXPECT_EQ(views.shown, 2);
    EXPECT_EQ(server->log().size(), 2);
    EXPECT_EQ(prompter.texts(), QStringList{Texts::Success});
}

TEST_F(WebUploadTest, EveryPassSetsTheThirtySecondTimeOutAndTheSiteAddress)
{
    const QString rec = makeRecording("Cours.mp3", 100);
    PreparedPass pass = PreparePass(session, rec);
    ASSERT_NE(pass.request, nullptr);
    EXPECT_EQ(pass.request->timeout(), 30000);
    EXPECT_EQ(pass.request->blockSize(), 2048);
    EXPECT_EQ(pass.request->url(), "http://ecole.example/depot/upload.php");
    EXPECT_FALSE(pass.stepFailed);
    EXPECT_EQ(session.uploadPath(), kScript);

    Shared().proxyPortText = "80a";
    EXPECT_TRUE(PreparePass(session, rec).stepFailed);
    Shared().proxyPortText.clear();
    EXPECT_TRUE(PreparePass(session, tempPath("absent.mp3")).stepFailed);
}
