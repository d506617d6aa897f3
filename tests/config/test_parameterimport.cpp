#include "config/parameterimport.h"
#include "config/password.h"
#include "foundation/settings.h"
#include "tests/config/parameterimportfixture.h"

#include <QDir>
#include <QFile>

namespace {

TEST_F(ParameterImport, CopiesFilledEntriesAndAlwaysTheProxyAndPerso)
{
    EXPECT_EQ(importing("[email]\nDestinataire=prof@lycee.fr\nExpediteur=x@y.fr\n"), std::nullopt);
    for (const QString& file : {settings.workingFile(), settings.programFile()}) {
        EXPECT_EQ(ReadSetting("email", "Destinataire", file), "prof@lycee.fr") << file.toStdString();
        EXPECT_EQ(ReadSetting("Web", "Site", file), "old.site.fr");
        EXPECT_EQ(ReadSetting("Web", "Proxy", file), "");
        EXPECT_EQ(ReadSetting("email", "Expediteur", file), "");
    }
}

TEST_F(ParameterImport, NoneOfTheSixEntriesIsAComplaintAfterClearing)
{
    EXPECT_EQ(importing("[Autre]\nSite=www.x.fr\n"), QString::fromUtf8("paramètres non valides !"));
    EXPECT_EQ(ReadSetting("Web", "Proxy", settings.workingFile()), "");
    EXPECT_EQ(ReadSetting("Web", "Site", settings.programFile()), "old.site.fr");
}

// Scrambled like a password, the upload path runs far past 254 characters;
// a school share's path may too.
TEST_F(ParameterImport, LongValuesAreCopiedWhole)
{
    const QString path = QStringLiteral("/depot/") + QString(130, u'u') + QStringLiteral("/upload.php");
    const QString scrambled = EncodePassword(path);
    ASSERT_GT(scrambled.size(), 254);
    const QString share = QStringLiteral("/srv/") + QString(300, u's');
    EXPECT_EQ(
        importing("[Web]\nUpload=" + scrambled.toLatin1() + "\n[IniPath]\nPerso=" + share.toLatin1() + "\n"),
        std::nullopt);
    for (const QString& file : {settings.workingFile(), settings.programFile()}) {
        EXPECT_EQ(UnscrambleSetting(ReadSetting("Web", "Upload", file)), path) << file.toStdString();
        EXPECT_EQ(ReadSetting("IniPath", "Perso", file), share) << file.toStdString();
    }
}

TEST_F(ParameterImport, WorkingFileThatCannotBeWrittenIsTold)
{
    const QByteArray program = ReadFile(settings.programFile());
    QFile::remove(settings.workingFile());
    QDir().mkdir(settings.workingFile());
    const QString path = tempPath("params.prm");
    WriteFile(path, "[Web]\nProxy=proxy.lycee\n");
    const ImportOutcome outcome = ImportParameterFile(settings, path);
    EXPECT_EQ(outcome.message,
              QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans le dossier \"") +
                  appDataDir() +
                  QStringLiteral("\" : \"Mirlox.ini\" y est un dossier, un lien ou un "
                                 "fichier spécial, pas un fichier ordinaire."));
    EXPECT_FALSE(outcome.stored);
    EXPECT_EQ(ReadFile(settings.programFile()), program);
}

} // namespace
