#include "foundation/inifile.h"
#include "foundation/settings.h"
#include "foundation/windows1252.h"
#include "tests/foundation/fixtures.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

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

TEST_F(IniFiles, LongValueComesBackWhole)
{
    const QString folder = "/home/eleve/" + QString(300, u'd');
    WriteSetting("Config", "Dossier", folder, file());
    EXPECT_EQ(ReadSetting("Config", "Dossier", file()), folder);
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

TEST(Windows1252, EveryCharacterWithoutACodeBecomesOneQuestionMark)
{
    const struct {
        QString text;
        QByteArray bytes;
    } rows[] = {
        {QStringLiteral("Записи"), "??????"},
        {QStringLiteral("hasło-Łódź"), "has?o-?\xF3"
                                       "d?"},
        {QStringLiteral("a中文b€c"), "a??b\x80"
                                     "c"},
        {QStringLiteral("x😀y😀"), "x?y?"}, // one character, two UTF-16 units
    };
    for (const auto& row : rows)
        EXPECT_EQ(ToWindows1252(row.text), row.bytes) << row.text.toStdString();
}

TEST(Windows1252, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
    EXPECT_EQ(FromWindows1252("\x80\x9C\xE9"), QStringLiteral("€œé"));
}

TEST_F(IniFiles, Windows1252RoundTrip)
{
    WriteSetting("email", "Nom", QStringLiteral("éléve € œuvre"), file());
    const QByteArray raw = ReadFile(file());
    EXPECT_TRUE(raw.contains("\xE9l\xE9ve \x80 \x9Cuvre"));
    EXPECT_EQ(ReadSetting("email", "Nom", file()), QStringLiteral("éléve € œuvre"));
}

TEST_F(IniFiles, DamagedFilesReadEmptyWithoutHarm)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(static_cast<char>((i * 7919) % 256));
    WriteFile(file(), junk);
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "");

    WriteFile(file(), "[Web]\nSite=" + QByteArray(kMaxSettingsFileSize - 100, 'a') + "\nProxy=p\n");
    EXPECT_EQ(ReadSetting("Web", "Site", file()).size(), kMaxSettingsFileSize - 100);
    EXPECT_EQ(ReadSetting("Web", "Proxy", file()), "p");

    WriteFile(file(), "Site=a\nProxy=b\n"); // keys outside any section
    EXPECT_EQ(ReadSetting("Web", "Site", file()), "");
}

TEST_F(IniFiles, NoValueBreaksALine)
{
    const struct {
        QString value;
        QString readBack;
    } rows[] = {
        {"ecole.example\r\nPassword=414141", "ecole.example  Password=414141"},
        {"ecole.example\nPassword=414141", "ecole.example Password=414141"},
        {"ecole.example\rPassword=414141", "ecole.example Password=414141"},
        {QStringLiteral("ecole.example") + QChar(0) + QStringLiteral("Password=414141"),
         "ecole.example Password=414141"},
    };
    for (const auto& row : rows) {
        QFile::remove(file());
        WriteSetting("Web", "Site", "ancien", file());
        WriteSetting("Web", "Password", "41A2", file());
        WriteSetting("Web", "Site", row.value, file());
        EXPECT_EQ(ReadSetting("Web", "Password", file()), "41A2");
        EXPECT_EQ(ReadSetting("Web", "Site", file()), row.readBack);
        EXPECT_EQ(ReadFile(file()), "[Web]\r\nSite=" + row.readBack.toLatin1() + "\r\nPassword=41A2\r\n");
    }
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
