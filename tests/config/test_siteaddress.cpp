#include "config/parameterimport.h"
#include "config/siteaddress.h"
#include "foundation/settings.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

namespace {

// Only a leading scheme goes; the host, its port and its path stay whole,
// and a site typed for HTTPS is stored bare with its HTTPS memory beside it.
TEST(SiteAddress, OnlyALeadingSchemeGoes)
{
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"www.http-lycee.fr:8080/up", "www.http-lycee.fr:8080/up"},
        {"http://www.http-lycee.fr:8080/up", "www.http-lycee.fr:8080/up"},
        {"http://www.lycee.fr/depot/", "www.lycee.fr/depot"},
        {"HTTP://WWW.Lycee.fr/", "WWW.Lycee.fr"},
        {"  http://www.lycee.fr  ", "www.lycee.fr"},
        {"https://host/", "host"},
        {"HtTpS://depot.https.fr:8443/a/b", "depot.https.fr:8443/a/b"},
        {"httpserveur.fr", "httpserveur.fr"},
        {"www.lycee.fr/http://x", "www.lycee.fr/http://x"},
        {"ftp://host", "ftp://host"},
        {"www.lycee.fr", "www.lycee.fr"},
        {"http://", ""},
        {"https:///", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanSiteAddress(QString::fromUtf8(c.typed)), QString::fromUtf8(c.stored)) << c.typed;
}

class SiteImport : public MirloTest {};

// A teacher's parameter file gives the same stored site as typing it would.
TEST_F(SiteImport, AnImportedSiteIsStoredAsATypedOne)
{
    const QString prm = tempPath("ecole.prm");
    const struct {
        const char* site;
        const char* stored;
        const char* httpsOnly;
    } cases[] = {
        {"http://www.http-lycee.fr:8080/up/", "www.http-lycee.fr:8080/up", ""},
        {"HTTPS://depot.lycee.fr", "depot.lycee.fr", "depot.lycee.fr"},
    };
    for (const auto& c : cases) {
        Settings where;
        where.settingsFolder = appDataDir();
        QFile::remove(where.workingFile());
        WriteFile(prm, QByteArray("[Web]\r\nSite=") + c.site + "\r\n");
        ASSERT_EQ(ImportParameterFile(where, prm).message, std::nullopt);
        EXPECT_EQ(ReadSetting("Web", "Site", where.workingFile()), c.stored) << c.site;
        EXPECT_EQ(ReadSetting("Web", "HttpsSite", where.workingFile()), c.httpsOnly) << c.site;
    }
}

} // namespace
