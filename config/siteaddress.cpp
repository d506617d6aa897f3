#include "config/siteaddress.h"

QString CleanSiteAddress(const QString& site)
{
    static const QString plain = QStringLiteral("http://");
    static const QString secure = QStringLiteral("https://");
    // Blanks around the value never survive the settings file anyway.
    QString rest = site.trimmed();
    bool httpsOnly = false;
    if (rest.startsWith(secure, Qt::CaseInsensitive)) {
        rest.remove(0, secure.size());
        httpsOnly = true;
    } else if (rest.startsWith(plain, Qt::CaseInsensitive)) {
        rest.remove(0, plain.size());
    }
    while (rest.endsWith(u'/'))
        rest.chop(1);
    if (rest.isEmpty())
        return {};
    return httpsOnly ? secure + rest : rest;
}
