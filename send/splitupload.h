#pragma once
#include "send/uploadpass.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Recordings above 2 097 152 bytes go in nearly equal pieces, one request
// each, after a test file and before a piece list. Each piece is a byte
// range read from the recording as it is sent; nothing is written to disk.
QList<PassFile> SplitPassFiles(const QString& recordingPath, qint64 length, const QString& recordingFolder);

// The piece list: the recording's name, the count, the piece names, each
// line ended by CR LF, in Windows-1252.
QByteArray PieceList(const QString& recordingPath, const QString& recordingFolder, qint16 count);

// Number of pieces: whole part of L / 2 097 152, plus one.
qint16 PieceCount(qint64 length);
// Piece length: L / N + 1 rounded to the nearest, a half to the even neighbour.
qint64 PieceLength(qint64 length, qint16 count);
// File name of the recording with every ".mp3" taken out.
QString PieceBaseName(const QString& recordingPath);
// Recording path without the recording folder in front.
QString PieceListRecordingName(const QString& recordingPath, const QString& folder);
// Names of the piece list and of a piece, as the site receives them.
QString PieceListName(const QString& baseName);
QString PieceName(const QString& baseName, int index);
