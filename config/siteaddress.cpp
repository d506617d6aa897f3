#include "config/siteaddress.h"

QString CleanSiteAddress(QString site)
{
    // "https" first, or "https://host" would leave "shost".
    site.remove(QStringLiteral("https"));
    site.remove(QStringLiteral("http"));
    site.remove(u'/');
    site.remove(u':');
    return site;
}
