#include "core/helpfile.h"

#include "core/seams.h"
#include "core/settings.h"

#include <QUrl>

bool OpenHelpFile()
{
    const QString help = JoinPath(ProgramFolder(), QStringLiteral("Mirlo.chm"));
    if (!FileExists(help))
        return false;
    shell().openUrl(QUrl::fromLocalFile(help));
    return true;
}
