// Parameter files that only a POSIX system can make: links and named pipes.
#include "config/parameterimport.h"
#include "tests/config/parameterimportfixture.h"

#include <QFile>

#include <functional>
#include <sys/stat.h>

namespace {

// A parameter file that is not a plain file is refused before anything is
// written: the proxy the pupil had stays.
TEST_F(ParameterImport, RefusedParameterFileWritesNothing)
{
    const QString prm = tempPath("params.prm");
    const QString real = tempPath("real.prm");
    WriteFile(real, "[Web]\nProxy=pirate\n");
    const struct {
        const char* what;
        std::function<void()> make;
        const char* reason;
    } rows[] = {
        {"missing", [] {}, "il n'existe pas"},
        {"link", [&] { QFile::link(real, prm); },
         "ce n'est pas un fichier ordinaire (dossier, lien ou fichier spécial)"},
        {"named pipe", [&] { mkfifo(QFile::encodeName(prm).constData(), 0600); },
         "ce n'est pas un fichier ordinaire (dossier, lien ou fichier spécial)"},
        {"over 1 MiB", [&] { WriteFile(prm, "[Web]\nProxy=gros\n" + QByteArray(kMaxSettingsFileSize, ' ')); },
         "il est trop gros pour être un fichier de paramètres (plus de 1 Mo)"},
    };
    for (const auto& row : rows) {
        QFile::remove(prm);
        row.make();
        const ImportOutcome outcome = ImportParameterFile(settings, prm);
        EXPECT_EQ(outcome.message, QStringLiteral("Le fichier \"") + prm +
                                       QStringLiteral("\" n'a pas été lu : ") +
                                       QString::fromUtf8(row.reason) + u'.')
            << row.what;
        EXPECT_FALSE(outcome.stored) << row.what;
        for (const QString& file : {settings.workingFile(), settings.programFile()})
            EXPECT_EQ(ReadSetting("Web", "Proxy", file), "10.0.0.1") << row.what;
    }
}

} // namespace
