#pragma once
#include <QString>

// The web site as stored in [Web] Site, from what was typed or imported: a
// leading "http://" or "https://" goes (any case), so that older versions
// still read a bare host; the host, with its port and path, stays whole;
// slashes at the very end and blanks around it go. A site with nothing after
// its scheme is stored empty.
QString CleanSiteAddress(const QString& site);

// The site was given as "https://...": it must only ever be reached over
// HTTPS, which is stored beside the bare host ([Web] HttpsSite).
bool SiteAddressIsHttpsOnly(const QString& site);
