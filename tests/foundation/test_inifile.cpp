#include "foundation/inifile.h"
#include "foundation/settings.h"
#include "foundation/windows1252.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

class IniFiles : public MirloTest {
protected:
    QString file() const { return tempPath("Mirlox.ini"); }
};

TEST_F(IniFiles, NamesMatchWithoutCaseAndBlanksAreTrimmed)
{
    WriteFile(file(), "[Web]\r\n  SITE =  www.lycee.fr  \r\n[ Config ]\r\nFreq=3\r\n");
    EXPECT_EQ(ReadSetting("web", "site", file()), "www.lycee.fr");
    EXPECT_EQ(ReadSetting("CONFIG", "freq", file()), "3");
}

TEST_F(IniFiles, MissingFileSectionOrKeyReadsEmpty)
{
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "");
    WriteFile(file(), "[Web]\r\nSite=a\r\n");
    EXPECT_EQ(ReadSetting("email", "Nom", file()), "");
    EXPECT_EQ(ReadSetting("Web", "Proxy", file()), "");
    EXPECT_FALSE(ReadSetting("Web", "Proxy", file()).isNull());
}

TEST_F(IniFiles, QuotedValueLosesItsQuotesAndFirstDuplicateWins)
{
    WriteFile(file(), "[a]\nk=\"quoted value\"\nk=second\n[A]\nj=1\n");
    EXPECT_EQ(ReadSetting("a", "k", file()), "quoted value");
    EXPECT_EQ(ReadSetting("a", "j", file()), ""); // the second [A] is never looked at
}

TEST_F(IniFiles, LongValueIsCutTo254Characters)
{
    const QByteArray value(300, 'x');
    WriteFile(file(), "[Web]\r\nSite=" + value + "\r\n");
    EXPECT_EQ(ReadSetting("Web", "Site", file()), QString(254, u'x'));
}

TEST_F(IniFiles, WriteCreatesFileSectionAndKeyAndKeepsOtherLines)
{
    WriteFile(file(), "; a comment\r\n[email]\r\nNom=eleve\r\n\r\n[Web]\r\nSite=x\r\n");
    WriteSetting("email", "Destinataire", "prof@lycee.fr", file());
    WriteSetting("WEB", "site", "y", file());
    WriteSetting("Config", "Freq", "2", file());
    EXPECT_EQ(ReadFile(file()), "; a comment\r\n[email]\r\nNom=eleve\r\nDestinataire=prof@lycee.fr\r\n\r\n"
                                "[Web]\r\nsite=y\r\n[Config]\r\nFreq=2\r\n");

    const QString fresh = tempPath("new.ini");
    WriteSetting("window", "Top", "-120", fresh);
    EXPECT_EQ(ReadFile(fresh), "[window]\r\nTop=-120\r\n");
}

TEST_F(IniFiles, WriteIntoMissingFolderStoresNothing)
{
    const QString inMissing = tempPath("nowhere/Mirlox.ini");
    EXPECT_FALSE(WriteProfileString("Web", "Site", "x", inMissing));
    EXPECT_FALSE(QFileInfo::exists(tempPath("nowhere")));
    EXPECT_EQ(ReadSetting("Web", "Site", inMissing), "");
}

TEST_F(IniFiles, Windows1252RoundTrip)
{
    WriteSetting("email", "Nom", QStringLiteral("éléve € œuvre"), file());
    const QByteArray raw = ReadFile(file());
    EXPECT_TRUE(raw.contains("\xE9l\xE9ve \x80 \x9Cuvre"));
    EXPECT_EQ(ReadSetting("email", "Nom", file()), QStringLiteral("éléve € œuvre"));
}

TEST_F(IniFiles, ReplacementIsAtomicAndKeepsPermissions)
{
    WriteFile(file(), "[Web]\r\nSite=old\r\n");
    QFile::setPermissions(file(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    WriteSetting("Web", "Site", "new", file());
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "new");
    EXPECT_EQ(QFile::permissions(file()) & 0x7077,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(scratchDir()).entryList(QDir::Files), QStringList{"Mirlox.ini"});
}

TEST_F(IniFiles, WorkingFileIsPrivateProgramFileIsNot)
{
    const QString working = tempPath("Mirlox.ini");
    WriteSetting("Web", "Password", "41A2", working);
    EXPECT_FALSE(QFile::permissions(working) & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
    WriteSetting("IniPath", "Location", "home", ProgramSettingsFile());
    EXPECT_TRUE(QFile::permissions(ProgramSettingsFile()) & QFileDevice::ReadOther);
}

TEST_F(IniFiles, DamagedFilesReadEmptyWithoutHarm)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(static_cast<char>((i * 7919) % 256));
    WriteFile(file(), junk);
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "");

    WriteFile(file(), "[Web]\nSite=" + QByteArray(1 << 20, 'a') + "\nProxy=p\n");
    EXPECT_EQ(ReadSetting("Web", "Site", file()).size(), 254);
    EXPECT_EQ(ReadSetting("Web", "Proxy", file()), "p");

    WriteFile(file(), "Site=a\nProxy=b\n"); // keys outside any section
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "");
}

TEST_F(IniFiles, UnreadableFileIsNeitherReadNorOverwritten)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    WriteFile(file(), "[Web]\r\nSite=x\r\n");
    QFile::setPermissions(file(), QFileDevice::WriteOwner);
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "");
}

TEST_F(IniFiles, ReadOnlyFileIsNotReplaced)
{
    WriteFile(file(), "[Web]\r\nSite=x\r\n");
    QFile::setPermissions(file(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    EXPECT_FALSE(WriteProfileString("Web", "Site", "y", file()));
    QFile::setPermissions(file(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "x");
}

} // namespace
