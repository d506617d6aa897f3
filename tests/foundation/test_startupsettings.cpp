// The working settings file as start-up reads it, without a window.
#include "foundation/settings.h"
#include "foundation/startupsettings.h"
#include "tests/support/testenv.h"

namespace {

class StartupSettingsFile : public MirloTest {
protected:
    QString file() const { return tempPath("Mirlox.ini"); }
};

TEST_F(StartupSettingsFile, CompleteOnlyWithTheFiveValuesAPupilEnters)
{
    const struct {
        const char* section;
        const char* key;
        const char* value;
        bool complete;
    } cases[] = {
        {"Web", "Proxy", "", true},           {"email", "Expediteur", "", false},
        {"email", "Destinataire", "", false}, {"email", "Nom", "", false},
        {"Web", "Site", "", false},           {"Web", "Password", "", false},
        {"Web", "Password", "4", true}, // stored, even if it unscrambles to nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        WriteFile(file(), "[email]\r\nExpediteur=eleve@example.org\r\nDestinataire=prof@example.org\r\n"
                          "Nom=dupont\r\n[Web]\r\nSite=www.example.org\r\nPassword=41424344\r\n"
                          "Proxy=proxy.lan\r\n");
        WriteSetting(c.section, c.key, c.value, file());
        const StartupSettings s = ReadStartupSettings(file());
        EXPECT_EQ(s.complete, c.complete);
        EXPECT_EQ(s.pupilName, QString(c.key) == "Nom" ? "" : "DUPONT");
        EXPECT_EQ(s.webPassword, UnscrambleSetting(ReadSetting("Web", "Password", file())));
    }
}

TEST_F(StartupSettingsFile, MenuPositionsAreTheirLeadingNumber)
{
    const struct {
        const char* stored;
        const char* position;
    } cases[] = {{"3", "3"}, {" 11x", "11"}, {"2.5", "2.5"}, {"abc", "0"}, {"-1", "-1"}, {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteFile(file(), QByteArray("[Config]\r\nDossier=/devoirs\r\nPeriph=") + c.stored + "\r\nFreq=" +
                              c.stored + "\r\nBitrate=" + c.stored + "\r\nQuality=" + c.stored + "\r\n");
        const StoredRecordingOptions o = ReadStoredRecordingOptions(file());
        EXPECT_EQ(o.folder, "/devoirs");
        for (const QString& position :
             {o.devicePosition, o.sampleRatePosition, o.bitRatePosition, o.qualityPosition})
            EXPECT_EQ(position, QString(c.position));
    }
}

} // namespace
