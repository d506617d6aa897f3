#include "foundation/settings.h"
#include "foundation/windows1252.h"
#include "tests/foundation/fixtures.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

TEST_F(SettingsLocation, SchoolModeOnlyForExactLycee)
{
    const QString share = tempPath("share");
    QDir().mkpath(share);
    WriteSetting("IniPath", "Perso", share, settings.programFile());

    WriteSetting("IniPath", "Location", "lycee", settings.programFile());
    LocateSettingsFolder(settings);
    EXPECT_EQ(settings.settingsFolder, JoinPath(appDataDir(), "Mirlo"));
    EXPECT_FALSE(QFileInfo::exists(settings.settingsFolder)); // home mode creates nothing here

    WriteSetting("IniPath", "Location", "Lycee", settings.programFile());
    LocateSettingsFolder(settings);
    EXPECT_EQ(settings.location, "Lycee");
    EXPECT_EQ(settings.settingsFolder, JoinPath(share, "Mirlo"));
    EXPECT_TRUE(QFileInfo(settings.settingsFolder).isDir());
    EXPECT_EQ(settings.workingFile(), JoinPath(JoinPath(share, "Mirlo"), "Mirlox.ini"));
}

TEST_F(SettingsLocation, MissingPersoMeansDriveZ)
{
    WriteSetting("IniPath", "Location", "Lycee", settings.programFile());
    LocateSettingsFolder(settings);
    EXPECT_EQ(settings.perso, "Z:");
    EXPECT_EQ(settings.settingsFolder, JoinPath("Z:", "Mirlo"));
}

TEST_F(SettingsLocation, FileExistsOnlyForFiles)
{
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(scratchDir()));
    EXPECT_FALSE(FileExists(tempPath("absent")));
    WriteFile(tempPath("present"), "");
    EXPECT_TRUE(FileExists(tempPath("present")));
}

// The stored form of a password: hex pairs of triples (s, P xor s, filler).
QString Scramble(const QByteArray& clear)
{
    QByteArray raw;
    for (int i = 0; i < clear.size(); ++i) {
        const char s = static_cast<char>(190 + (i * 13) % 65);
        raw.append(s);
        raw.append(static_cast<char>(clear[i] ^ s));
        raw.append(static_cast<char>(65 + i));
    }
    return QString::fromLatin1(raw.toHex().toUpper());
}

TEST(Unscramble, WellFormedTextGivesTheClearValue)
{
    EXPECT_EQ(UnscrambleSetting(""), "");
    EXPECT_EQ(UnscrambleSetting(Scramble("secret")), "secret");
    EXPECT_EQ(UnscrambleSetting(Scramble(ToWindows1252(QStringLiteral("mötdepasse€")))),
              QStringLiteral("mötdepasse€"));
    EXPECT_EQ(UnscrambleSetting(Scramble("/depot/upload.php").toLower()), "/depot/upload.php");
}

TEST(Unscramble, MalformedTextDecodesWhatIsWellFormed)
{
    const QString ab = Scramble("ab");
    EXPECT_EQ(UnscrambleSetting(ab + "F"), "ab");               // odd length
    EXPECT_EQ(UnscrambleSetting(ab + "C1"), "ab");              // lone first character of a triple
    EXPECT_EQ(UnscrambleSetting(ab + "C1D2"), "ab\x13");        // triple without filler still decodes
    EXPECT_EQ(UnscrambleSetting("ZZ41"), QString(QChar(0x41))); // non-hex pair counts as 0
    EXPECT_EQ(UnscrambleSetting("4"), "");
    EXPECT_NO_FATAL_FAILURE(UnscrambleSetting(QString(100001, u'G')));
}

TEST(LeadingNumberTest, ReadsLeadingNumericPart)
{
    EXPECT_EQ(LeadingNumber("2"), 2.0);
    EXPECT_EQ(LeadingNumber(" -120"), -120.0);
    EXPECT_EQ(LeadingNumber("3abc"), 3.0);
    EXPECT_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_EQ(LeadingNumber("2.5x"), 2.5);
    EXPECT_EQ(LeadingNumber(""), 0.0);
}

} // namespace

#include "foundation/recordingname.h"
#include "windows/twips.h"

namespace {

TEST(RecordingNameTest, PupilDateAndTimeJoinedByUnderscores)
{
    const QDateTime when(QDate(2026, 12, 6), QTime(14, 3, 22));
    const QString folder = QDir::toNativeSeparators("/home/eleve/Enregistrements");
    const QString path = DefaultRecordingPath(folder, "ELEVE1", when);
    const QString date = QLocale::system().toString(when.date(), QLocale::ShortFormat).replace(u'/', u'-');
    EXPECT_EQ(path, folder + QDir::separator() + "ELEVE1_" + date + "_14-03-22.mp3");
    EXPECT_FALSE(path.mid(folder.size() + 1).contains(u'/'));
    // An empty folder puts the file at the root.
    EXPECT_TRUE(DefaultRecordingPath("", "A", when).startsWith(QDir::separator() + QStringLiteral("A_")));
    // A folder named with its separator at the end (no folder name typed) gets no second one.
    const QString music = QDir::toNativeSeparators("/home/eleve/Musique/");
    EXPECT_TRUE(DefaultRecordingPath(music, "A", when).startsWith(music + "A_"));
}

TEST(WindowPosition, StoredEdgesRoundHalfToEvenWithin16Bits)
{
    EXPECT_EQ(ParseInt16("120"), 120);
    EXPECT_EQ(ParseInt16("-120"), -120);
    EXPECT_EQ(ParseInt16("2.5"), 2);
    EXPECT_EQ(ParseInt16("3.5"), 4);
    EXPECT_EQ(ParseInt16("32767"), 32767);
    EXPECT_EQ(ParseInt16("-32768"), -32768);
    EXPECT_FALSE(ParseInt16("32768"));
    EXPECT_FALSE(ParseInt16(""));
    EXPECT_FALSE(ParseInt16("12abc"));
    EXPECT_FALSE(ParseInt16("nan"));
}

TEST_F(SettingsLocation, StartupSettingsCompleteOnlyWithTheFiveValuesAPupilEnters)
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
    settings.settingsFolder = scratchDir();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        WriteFile(settings.workingFile(),
                  "[email]\r\nExpediteur=eleve@example.org\r\nDestinataire=prof@example.org\r\n"
                  "Nom=dupont\r\n[Web]\r\nSite=www.example.org\r\nPassword=41424344\r\n"
                  "Proxy=proxy.lan\r\n");
        WriteSetting(c.section, c.key, c.value, settings.workingFile());
        Settings s = settings;
        ReadStartupSettings(s);
        EXPECT_EQ(s.complete, c.complete);
        EXPECT_EQ(s.pupilName, QString(c.key) == "Nom" ? "" : "DUPONT");
        EXPECT_EQ(s.webPassword, UnscrambleSetting(ReadSetting("Web", "Password", settings.workingFile())));
    }
}

} // namespace
