#include "config/parameterimport.h"
#include "config/siteaddress.h"
#include "foundation/settings.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

namespace {

// Only a leading scheme goes; the host, its port and its path stay whole,
// and a site typed for HTTPS keeps saying so.
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
        {"https://host/", "https://host"},
        {"HtTpS://depot.https.fr:8443/a/b", "https://depot.https.fr:8443/a/b"},
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
    Settings where;
    where.settingsFolder = appDataDir();
    const QString prm = tempPath("ecole.prm");
    for (const auto& [site, stored] :
         {std::pair{"http://www.http-lycee.fr:8080/up/", "www.http-lycee.fr:8080/up"},
          std::pair{"HTTPS://depot.lycee.fr", "https://depot.lycee.fr"}}) {
        WriteFile(prm, QByteArray("[Web]\r\nSite=") + site + "\r\n");
        ASSERT_EQ(ImportParameterFile(where, prm).message, std::nullopt);
        for (const QString& file : {where.workingFile(), where.programFile()})
            EXPECT_EQ(ReadSetting("Web", "Site", file), stored) << file.toStdString();
    }
}

} // namespace
