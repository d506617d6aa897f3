#pragma once
#include <QDateTime>
#include <QString>

// folder + separator + pupil + "_" + short date + "_" + time + ".mp3", with the
// date's "/" and the time's ":" (and anything else a file name cannot hold)
// turned into "-".
QString DefaultRecordingPath(const QString& folder, const QString& pupilName, const QDateTime& when);

// Where recordings go when no folder is set: the first of the pupil's own
// folders that exists (music, else documents, else home), never the root of
// the file system, where a pupil cannot write.
QString PupilsOwnFolder();
