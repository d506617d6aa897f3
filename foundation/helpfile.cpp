#include "foundation/helpfile.h"

#include "foundation/seams.h"
#include "foundation/settings.h"

#include <QUrl>

QString HelpPagePath(const QString& programFolder, HelpPage page)
{
    const char* file = "index.html";
    switch (page) {
    case HelpPage::Contents: break;
    case HelpPage::Recording: file = "enregistrer.html"; break;
    case HelpPage::Settings: file = "parametres.html"; break;
    }
    return JoinPath(JoinPath(programFolder, QStringLiteral("help")), QLatin1String(file));
}

HelpOpening OpenHelp(const QString& programFolder, HelpPage page)
{
    const QString path = HelpPagePath(programFolder, page);
    if (!FileExists(path))
        return HelpOpening::Missing;
    return shell().openUrl(QUrl::fromLocalFile(path)) ? HelpOpening::Opened : HelpOpening::NoBrowser;
}

QString HelpNotOpenedText(const QString& page)
{
    return QStringLiteral("L'aide n'a pas pu être ouverte : aucun navigateur Web n'a été trouvé.\r"
                          "Ouvrez vous-même le fichier \"") +
           page + QStringLiteral("\" avec un navigateur Web.");
}
