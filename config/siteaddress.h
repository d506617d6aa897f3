#pragma once
#include <QString>

// The web site as stored, from what was typed or imported. A leading
// "http://" goes (any case); a leading "https://" stays, written in lower
// case, because such a site must only ever be reached over HTTPS. The host,
// with its port and path, stays whole; slashes at the very end go, so
// "http://www.lycee.fr/" is stored as "www.lycee.fr", as it always was.
// Blanks around it go; a site with nothing after its scheme is stored empty.
QString CleanSiteAddress(const QString& site);
