#include "foundation/helpfile.h"

#include "foundation/seams.h"
#include "foundation/settings.h"

#include <QUrl>

bool OpenHelpFile(const QString& programFolder)
{
    const QString help = JoinPath(programFolder, QStringLiteral("Mirlo.chm"));
    if (!FileExists(help))
        return false;
    shell().openUrl(QUrl::fromLocalFile(help));
    return true;
}
