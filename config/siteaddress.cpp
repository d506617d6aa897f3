#include "config/siteaddress.h"

namespace {
const QString kPlain = QStringLiteral("http://");
const QString kSecure = QStringLiteral("https://");
} // namespace

bool SiteAddressIsHttpsOnly(const QString& site)
{
    return site.trimmed().startsWith(kSecure, Qt::CaseInsensitive);
}

QString CleanSiteAddress(const QString& site)
{
    // Blanks around the value never survive the settings file anyway.
    QString rest = site.trimmed();
    if (rest.startsWith(kSecure, Qt::CaseInsensitive))
        rest.remove(0, kSecure.size());
    else if (rest.startsWith(kPlain, Qt::CaseInsensitive))
        rest.remove(0, kPlain.size());
    while (rest.endsWith(u'/'))
        rest.chop(1);
    return rest;
}
