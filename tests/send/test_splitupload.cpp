// The split upload: cutting, piece list, passes, reply rules, clean-up.
// The split progress window itself is in tests/windows/test_progresswindows.cpp.
#include "tests/support/uploadtest.h"
#include "tests/support/uploadtestview.h"

#include "send/splitupload.h"
#include "send/uploadsession.h"
#include "send/webupload.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

using Kind = HandInReport::Kind;

class SplitUploadTest : public UploadTest {
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

TEST(SplitArithmetic, PieceCountAndLength)
{
    EXPECT_EQ(PieceCount(2097153), 2);
    EXPECT_EQ(PieceLength(2097153, 2), 1048578); // 1 048 577.5 goes to the even neighbour
    EXPECT_EQ(PieceCount(4194304), 3);           // an exact multiple still adds one
    EXPECT_EQ(PieceLength(4194304, 3), 1398102);
    EXPECT_EQ(PieceCount(4194305), 3);
    EXPECT_EQ(PieceLength(4194305, 3), 1398103); // 1 398 102.67
    EXPECT_EQ(PieceLength(2097155, 2), 1048578); // 1 048 578.5 stays on the even one
    EXPECT_EQ(PieceLength(2097157, 2), 1048580); // 1 048 579.5 goes up to the even one
    EXPECT_EQ(PieceCount(52428800), 26);
    EXPECT_EQ(PieceLength(52428800, 26), 2016493); // 2 016 493.3
}

TEST(SplitArithmetic, BaseNamesKeepAnythingButLowerCaseMp3)
{
    EXPECT_EQ(PieceBaseName("/a/b/Cours.mp3"), "Cours");
    EXPECT_EQ(PieceBaseName("/a/b/COURS.MP3"), "COURS.MP3");
    EXPECT_EQ(PieceBaseName("/a/b.mp3/x.mp3y.mp3"), "xy");
    EXPECT_EQ(PieceListRecordingName("/r/dos/Cours.mp3", "/r/dos"), "Cours.mp3");
    EXPECT_EQ(PieceListRecordingName("/r/dos/sous/Cours.mp3", "/r/dos"), "sous/Cours.mp3");
    EXPECT_EQ(PieceListRecordingName("/r/Dos/Cours.mp3", "/r/dos"), "/r/Dos/Cours.mp3");
}

TEST_F(SplitUploadTest, PiecesAreRangesOfTheRecordingAndTheListIsMadeInMemory)
{
    const QString rec = makeRecording("Cours.mp3", 4194304);
    const QList<PassFile> files = SplitPassFiles(rec, 4194304, recordingFolder);
    ASSERT_EQ(files.size(), 5);
    EXPECT_EQ(files[0].bytes, "xxxxxx\r\n");
    const qint64 sizes[] = {1398102, 1398102, 1398100};
    qint64 next = 0;
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(files[i].fileName, "Cours_" + QString::number(i));
        EXPECT_EQ(files[i].path, rec);
        EXPECT_EQ(files[i].offset, next);
        EXPECT_EQ(files[i].length, sizes[i - 1]);
        next += files[i].length;
    }
    EXPECT_EQ(next, 4194304);
    EXPECT_EQ(files[4].fileName, "Frac_Cours.split");
    EXPECT_EQ(files[4].bytes, QByteArray("Cours.mp3\r\n 3 \r\nCours_1\r\nCours_2\r\nCours_3\r\n"));
}

TEST_F(SplitUploadTest, JustOverTheLimitGoesInTwoPiecesOverFourPasses)
{
    const QString rec = makeRecording("Cours.mp3", 2097153);
    // Nothing is written beside the recording, not even for a moment.
    QStringList written;
    view.onShow = [&](TestUploadView&, int) { written += leftovers({"Cours.mp3"}); };
    handIn(session, settings, rec);
    EXPECT_EQ(written, QStringList());

    EXPECT_EQ(view.viewKinds, QList<UploadViewKind>(4, UploadViewKind::Split));
    EXPECT_EQ(view.splitPasses, (QList<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 4);
    const QStringList names{"testx", "Cours_1", "Cours_2", "Frac_Cours.split"};
    const int sizes[] = {8, 1048578, 1048575, -1};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const QJsonObject r = log[k].toObject();
        EXPECT_EQ(r["host"].toString(), kSite);
        EXPECT_EQ(r["path"].toString(), kScript);
        EXPECT_EQ(UploadServer::fieldNames(r), (QStringList{"userfile", "proofnumber", "repertoire", "login",
                                                            "password", "SplittedFile"}));
        EXPECT_EQ(UploadServer::fieldValue(r, "SplittedFile"), "SplittedFile");
        EXPECT_EQ(UploadServer::fieldValue(r, "repertoire"), kLogin + "_");
        EXPECT_EQ(UploadServer::fileField(r)["filename"].toString(), names[k]);
        if (sizes[k] > 0) {
            EXPECT_EQ(UploadServer::fileField(r)["size"].toInt(), sizes[k]);
        }
    }
    const QJsonObject whole = log[3].toObject()["reassembled"].toObject();
    EXPECT_TRUE(whole["list_crlf"].toBool());
    EXPECT_EQ(whole["lines"].toArray().toVariantList(),
              (QVariantList{"Cours.mp3", " 2 ", "Cours_1", "Cours_2"}));
    EXPECT_TRUE(whole["complete"].toBool());
    EXPECT_EQ(whole["sha256"].toString(), Sha256OfFile(rec));

    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    EXPECT_EQ(session.view(), nullptr);
    EXPECT_FALSE(session.running());
}

TEST_F(SplitUploadTest, UpperCaseNameKeepsItsExtensionInThePieces)
{
    const QString rec = makeRecording("COURS.MP3", 2500000);
    handIn(session, settings, rec);
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(UploadServer::fileField(log[1].toObject())["filename"].toString(), "COURS.MP3_1");
    EXPECT_EQ(UploadServer::fileField(log[3].toObject())["filename"].toString(), "Frac_COURS.MP3.split");
    EXPECT_EQ(log[3].toObject()["reassembled"].toObject()["sha256"].toString(), Sha256OfFile(rec));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
    EXPECT_EQ(leftovers({"COURS.MP3"}), QStringList());
}

TEST_F(SplitUploadTest, UnknownLoginOnTheTestFileEndsBeforeAnyPiece)
{
    server->setCredentials("MARTIN", kPassword);
    const QString rec = makeRecording("Cours.mp3", 2097153);
    handIn(session, settings, rec);
    EXPECT_EQ(server->log().size(), 1);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::UnknownLogin});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(SplitUploadTest, TheFirstFileThatFailsEndsTheUploadWithOneMessage)
{
    const QString rec = makeRecording("Cours.mp3", 4194304); // 3 pieces, 5 passes
    const QJsonObject ok;
    struct Case {
        const char* what;
        QJsonArray script;
        QJsonObject fallback;
        qsizetype requests;
        Kind kind;
        int file; // of 4, 0 for the test file
        int status = 0;
    };
    const QList<Case> cases = {
        {"busy on piece 2",
         {ok, ok, QJsonObject{{"status", 500}, {"body", "{proof}"}}},
         {},
         3,
         Kind::ServerBusy,
         2},
        {"a limit on the request size, as nginx's 1 MB",
         {},
         QJsonObject{{"max_body", 1048576}},
         2,
         Kind::HttpStatus,
         1,
         413},
        {"reply cut off on piece 1", {ok, QJsonObject{{"truncate", true}}}, {}, 2, Kind::ConnectionFailed, 1},
        {"the file refused on piece 1",
         {ok, QJsonObject{{"body", "fileexists"}}},
         {},
         2,
         Kind::FileExists,
         1},
        {"the piece list not taken",
         {ok, ok, ok, ok, QJsonObject{{"status", 404}, {"body", "{proof}"}}},
         {},
         5,
         Kind::HttpStatus,
         4,
         404},
        {"unknown login on the test file",
         {QJsonObject{{"body", "loginfalse"}}},
         {},
         1,
         Kind::UnknownLogin,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view.reports.clear();
        const qsizetype before = server->log().size();
        server->scriptNext(c.script, c.fallback);
        handIn(session, settings, rec);
        EXPECT_EQ(server->log().size() - before, c.requests);
        ASSERT_EQ(view.reported(), QList<Kind>{c.kind});
        EXPECT_EQ(view.reports[0].file, c.file);
        EXPECT_EQ(view.reports[0].files, c.file ? 4 : 0);
        EXPECT_EQ(view.reports[0].status, c.status);
    }
}

TEST_F(SplitUploadTest, ASiteOutOfReachGivesOneMessage)
{
    settings.proxyPortText = QString::number(FreePort());
    handIn(session, settings, makeRecording("Cours.mp3", 30000000));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::ConnectionFailed});
    settings.proxyPortText = "huit";
    view.reports.clear();
    handIn(session, settings, makeRecording("Cours.mp3", 2097153));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::ConnectionFailed});
    EXPECT_EQ(server->log().size(), 0);
}

TEST_F(SplitUploadTest, ARecordingCutShortMidwayIsNeverASuccess)
{
    const QString rec = makeRecording("Cours.mp3", 4194304);
    view.onShow = [&](TestUploadView&, int pass) {
        if (pass == 2)
            QFile::resize(rec, 2000000);
    };
    handIn(session, settings, rec);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::RecordingUnreadable});
    EXPECT_EQ(view.reports.value(0, HandInReport(Kind::NotMp3)).file, 2);
}

TEST_F(SplitUploadTest, ThroughTinyproxyAsARealProxy)
{
    if (!TinyProxy::available())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps.sh)";
    TinyProxy proxy(tempPath("tinyproxy"));
    ASSERT_TRUE(proxy.start(server->port()));
    settings.proxyPortText = QString::number(proxy.port());
    const QString rec = makeRecording("Cours.mp3", 2097153);
    handIn(session, settings, rec);
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 4);
    for (const QJsonValue& v : log) {
        EXPECT_EQ(v["host"].toString(), kSite);
        EXPECT_EQ(v["path"].toString(), kScript);
        EXPECT_EQ(UploadServer::fieldNames(v.toObject()).size(), 6);
    }
    EXPECT_EQ(log[3]["reassembled"]["sha256"].toString(), Sha256OfFile(rec));
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::Transferred});
}
