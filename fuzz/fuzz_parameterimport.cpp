// A teacher's parameter file of any content imports without fault.
#include "config/parameterimport.h"
#include "foundation/settings.h"
#include "fuzz/fuzzinput.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool prepared = [] {
        const QDir scratch(ScratchFolder().path());
        scratch.mkpath(QStringLiteral("program"));
        scratch.mkpath(QStringLiteral("working"));
        SetProgramFolderForTesting(scratch.filePath(QStringLiteral("program")));
        Shared().settingsFolder = scratch.filePath(QStringLiteral("working"));
        return true;
    }();
    (void)prepared;
    const QString parameterFile = ScratchFolder().filePath(QStringLiteral("eleve.prm"));
    WriteWholeFile(parameterFile, InputBytes(data, size));
    ImportParameterFile(parameterFile);
    return 0;
}
