// The one upload that reaches the server as the site itself on 127.0.0.1:80.
#include "tests/support/uploadtest.h"
#include "tests/support/uploadtestview.h"

#include "send/uploadsession.h"
#include "send/webupload.h"

#include <QJsonArray>
#include <QJsonObject>

class DirectUploadTest : public UploadTest {
protected:
    void SetUp() override
    {
        UploadTest::SetUp();
        if (!startServer(80))
            GTEST_SKIP() << "127.0.0.1:80 cannot be bound here (needs root or a free port 80)";
        settings.webSite = "127.0.0.1";
    }

    TestHandInView view;
    UploadSession session{view};
};

TEST_F(DirectUploadTest, WithoutProxyTheRequestGoesToTheSiteOnPort80)
{
    // A proxy port without a proxy host is passed on but sets no proxy.
    settings.proxyHost.clear();
    settings.proxyPortText = "3128";
    const QString rec = makeRecording("Cours.mp3", 70000);
    handIn(session, settings, rec); // nothing on 443: reached in clear
    const QJsonArray log = server->log();
    ASSERT_EQ(log.size(), 2);
    for (const QJsonValue& v : log) {
        EXPECT_FALSE(v["proxy_form"].toBool());
        EXPECT_EQ(v["target"].toString(), kScript);
        EXPECT_EQ(UploadServer::fieldNames(v.toObject()),
                  (QStringList{"userfile", "proofnumber", "repertoire", "login", "password"}));
        EXPECT_EQ(UploadServer::fieldValue(v.toObject(), "login"), kLogin);
    }
    EXPECT_EQ(UploadServer::fileField(log[1].toObject())["sha256"].toString(), Sha256OfFile(rec));
    EXPECT_EQ(view.reported(), QList<HandInReport::Kind>{HandInReport::Kind::Transferred});
    EXPECT_EQ(leftovers({"Cours.mp3"}), QStringList());
}
