#include "config/parameterimport.h"
#include "foundation/settings.h"
#include "tests/support/testenv.h"

namespace {

class ParameterImport : public MirloTest {
protected:
    void SetUp() override
    {
        MirloTest::SetUp();
        Shared().settingsFolder = appDataDir();
        for (const QString& file : {WorkingSettingsFile(), ProgramSettingsFile()}) {
            WriteSetting("Web", "Site", "old.site.fr", file);
            WriteSetting("Web", "Proxy", "10.0.0.1", file);
        }
    }

    std::optional<QString> importing(const QByteArray& content)
    {
        const QString path = tempPath("params.prm");
        WriteFile(path, content);
        return ImportParameterFile(path);
    }
};

TEST_F(ParameterImport, CopiesFilledEntriesAndAlwaysTheProxyAndPerso)
{
    EXPECT_EQ(importing("[email]\nDestinataire=prof@lycee.fr\nExpediteur=x@y.fr\n"), std::nullopt);
    for (const QString& file : {WorkingSettingsFile(), ProgramSettingsFile()}) {
        EXPECT_EQ(ReadSetting("email", "Destinataire", file), "prof@lycee.fr") << file.toStdString();
        EXPECT_EQ(ReadSetting("Web", "Site", file), "old.site.fr");
        EXPECT_EQ(ReadSetting("Web", "Proxy", file), "");
        EXPECT_EQ(ReadSetting("email", "Expediteur", file), "");
    }
}

TEST_F(ParameterImport, NoneOfTheSixEntriesIsAComplaintAfterClearing)
{
    EXPECT_EQ(importing("[Autre]\nSite=www.x.fr\n"), QString::fromUtf8("paramètres non valides !"));
    EXPECT_EQ(ReadSetting("Web", "Proxy", WorkingSettingsFile()), "");
    EXPECT_EQ(ReadSetting("Web", "Site", ProgramSettingsFile()), "old.site.fr");
}

} // namespace
