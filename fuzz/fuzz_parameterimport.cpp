// A teacher's parameter file of any content imports without fault.
#include "config/parameterimport.h"
#include "foundation/settings.h"
#include "fuzz/fuzzinput.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Settings settings = [] {
        const QDir scratch(ScratchFolder().path());
        scratch.mkpath(QStringLiteral("program"));
        scratch.mkpath(QStringLiteral("working"));
        Settings s;
        s.programFolder = scratch.filePath(QStringLiteral("program"));
        s.settingsFolder = scratch.filePath(QStringLiteral("working"));
        return s;
    }();
    const QString parameterFile = ScratchFolder().filePath(QStringLiteral("eleve.prm"));
    WriteWholeFile(parameterFile, InputBytes(data, size));
    ImportParameterFile(settings, parameterFile);
    return 0;
}
