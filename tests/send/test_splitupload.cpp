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

TEST_F(SplitUploadTest, CutIntoPiecesWritesExactPiecesAndTheList)
{
    const QString rec = makeRecording("Cours.mp3", 4194304);
    // An older piece of the same name is replaced, not appended to.
    WriteFile(JoinPath(recordingFolder, "Cours_2"), QByteArray(5000000, 'z'));
    CutIntoPieces(4194304, 3, "Cours", rec, recordingFolder);

    QByteArray joined;
    const qint64 sizes[] = {1398102, 1398102, 1398100};
    for (int i = 1; i <= 3; ++i) {
        const QByteArray piece = ReadFile(JoinPath(recordingFolder, "Cours_" + QString::number(i)));
        EXPECT_EQ(piece.size(), sizes[i - 1]) << i;
        joined += piece;
    }
    EXPECT_EQ(joined, ReadFile(rec));
    EXPECT_EQ(ReadFile(JoinPath(recordingFolder, "Frac_Cours.split")),
              QByteArray("Cours.mp3\r\n 3 \r\nCours_1\r\nCours_2\r\nCours_3\r\n"));
}

TEST_F(SplitUploadTest, JustOverTheLimitGoesInTwoPiecesOverFourPasses)
{
    const QString rec = makeRecording("Cours.mp3", 2097153);
    WebUpload(session, settings, rec);

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
    WebUpload(session, settings, rec);
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
    WebUpload(session, settings, rec);
    EXPECT_EQ(server->log().size(), 1);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::UnknownLogin});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(SplitUploadTest, BusyOnPieceTwoOfThreeIsReportedAndTheRestGoes)
{
    const QString rec = makeRecording("Cours.mp3", 4194304);
    server->scriptNext({QJsonObject(), QJsonObject(), QJsonObject{{"status", 500}, {"body", "{proof}"}}});
    WebUpload(session, settings, rec);
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 5);
    EXPECT_EQ(UploadServer::fileField(log[3].toObject())["filename"].toString(), "Cours_3");
    EXPECT_EQ(view.reported(), (QList<Kind>{Kind::ServerBusy, Kind::Transferred}));
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(SplitUploadTest, SuccessOnlyWhenThePieceListPasses)
{
    const QString rec = makeRecording("Cours.mp3", 2097153);
    server->scriptNext(
        {QJsonObject(), QJsonObject(), QJsonObject(), QJsonObject{{"status", 404}, {"body", "{proof}"}}});
    WebUpload(session, settings, rec);
    EXPECT_EQ(server->log().size(), 4);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::HttpStatus});
    EXPECT_EQ(view.reports[0].status, 404);
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(SplitUploadTest, ReplyWithoutCheckNumberOnAPieceStopsTheSequence)
{
    const QString rec = makeRecording("Cours.mp3", 4194304);
    server->scriptNext({QJsonObject(), QJsonObject{{"body", "fileexists"}}});
    WebUpload(session, settings, rec);
    EXPECT_EQ(server->log().size(), 2);
    EXPECT_EQ(view.reported(), QList<Kind>{Kind::FileExists});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}

TEST_F(SplitUploadTest, NoReplyOnAPieceIsReportedAndTheRestGoes)
{
    const QString rec = makeRecording("Cours.mp3", 2097153);
    server->scriptNext({QJsonObject(), QJsonObject{{"truncate", true}}});
    WebUpload(session, settings, rec);
    EXPECT_EQ(server->log().size(), 4);
    EXPECT_EQ(view.reported(), (QList<Kind>{Kind::ConnectionFailed, Kind::Transferred}));
}

TEST_F(SplitUploadTest, ProxyPortThatIsNoNumberGivesUpSilentlyAndCleansUp)
{
    settings.proxyPortText = "huit";
    const QString rec = makeRecording("Cours.mp3", 2097153);
    WebUpload(session, settings, rec);
    EXPECT_EQ(server->log().size(), 0);
    EXPECT_TRUE(view.reports.isEmpty());
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
    EXPECT_EQ(ReadFile(rec).size(), 2097153);
}

TEST_F(SplitUploadTest, ThroughTinyproxyAsARealProxy)
{
    if (!TinyProxy::available())
        GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps.sh)";
    TinyProxy proxy(tempPath("tinyproxy"));
    ASSERT_TRUE(proxy.start(server->port()));
    settings.proxyPortText = QString::number(proxy.port());
    const QString rec = makeRecording("Cours.mp3", 2097153);
    WebUpload(session, settings, rec);
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

TEST_F(SplitUploadTest, ALinkInPlaceOfATemporaryFileIsRefusedAndNeverWrittenThrough)
{
    struct Case {
        qint64 size;
        const char* link;
    };
    for (const Case& c : {Case{5000, "testx"}, Case{2097153, "testx"}, Case{2097153, "Cours_1"},
                          Case{2097153, "Cours_2"}, Case{2097153, "Frac_Cours.split"}}) {
        SCOPED_TRACE(c.link);
        view.reports.clear();
        const QString rec = makeRecording("Cours.mp3", c.size);
        const QString victim = tempPath("victim.txt");
        WriteFile(victim, "précieux");
        const QString link = JoinPath(recordingFolder, c.link);
        ASSERT_TRUE(QFile::link(victim, link));

        WebUpload(session, settings, rec);
        EXPECT_EQ(ReadFile(victim), "précieux");
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_EQ(server->log().size(), 0);
        EXPECT_EQ(view.reported(), QList<Kind>{Kind::TemporaryFileIsLink});
        if (!view.reports.isEmpty()) {
            EXPECT_EQ(view.reports[0].path, link);
        }
        EXPECT_EQ(leftovers({"Cours.mp3", c.link}), QStringList());
        QFile::remove(link);
    }
}
