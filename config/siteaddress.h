#pragma once
#include <QString>

// The web site as stored: every "https", then "http", then "/", then ":"
// removed, case-sensitive, wherever they stand.
QString CleanSiteAddress(QString site);
