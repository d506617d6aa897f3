#pragma once
#include <QString>

class UploadSession;
struct Settings;

// Recordings above 2 097 152 bytes go in nearly equal pieces, one request
// each, after a test file and before a piece list. WebUpload calls it with
// the session already marked running.
void SplitUpload(UploadSession& session, const Settings& settings, const QString& recordingPath);

// Writes the pieces and the piece list into the recording folder. Stops at
// a link in place of one of them and returns its path; empty otherwise.
QString CutIntoPieces(qint64 length, qint16 count, const QString& baseName, const QString& recordingPath,
                      const QString& recordingFolder);

// Number of pieces: whole part of L / 2 097 152, plus one.
qint16 PieceCount(qint64 length);
// Piece length: L / N + 1 rounded to the nearest, a half to the even neighbour.
qint64 PieceLength(qint64 length, qint16 count);
// File name of the recording with every ".mp3" taken out.
QString PieceBaseName(const QString& recordingPath);
// Recording path without the recording folder in front.
QString PieceListRecordingName(const QString& recordingPath, const QString& folder);
// Where the piece list and the pieces go in the recording folder.
QString PieceListPath(const QString& recordingFolder, const QString& baseName);
QString PiecePath(const QString& recordingFolder, const QString& baseName, int index);
