#pragma once
#include <QDateTime>
#include <QString>

// folder + separator + pupil + "_" + short date + "_" + time + ".mp3", with the
// date's "/" and the time's ":" (and anything else a file name cannot hold)
// turned into "-".
QString DefaultRecordingPath(const QString& folder, const QString& pupilName, const QDateTime& when);
