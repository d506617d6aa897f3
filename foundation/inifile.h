#pragma once
#include "platform/files.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Profile (INI) files with the behaviour of the Windows profile functions:
// names match without regard to case, blanks around names and values are
// trimmed, a value in matching double quotes loses them, the first of
// duplicate sections or keys wins. Files are Windows-1252 text.

// --- On the file's bytes -------------------------------------------------

// The whole stored value, or "" when the section or key is missing.
QString ProfileValue(const QByteArray& content, const QString& section, const QString& key);

// One key to set, or to remove (from every section of that name) when it has no value.
struct ProfileChange {
    QString section;
    QString key;
    std::optional<QString> value;
};

// The file's bytes after the changes, in order: a key is replaced in place,
// or appended at the end of its section, the section at the end of the file;
// every other line is kept. Lines end with CR LF.
QByteArray ChangedProfile(const QByteArray& content, const QList<ProfileChange>& changes);

// A line break would start a new key and a NUL ends the text for Windows: each
// CR, LF and NUL of a name or value is written as a space.
QString StorableText(const QString& text);

// The distinct characters of `text` that a settings file cannot give back
// exactly (no Windows-1252 code, CR, LF, NUL), in order of appearance.
QList<char32_t> UnstorableCharacters(const QString& text);

// --- On files --------------------------------------------------------------

// Settings files are small; anything larger is not read.
inline constexpr qint64 kMaxSettingsFileSize = 1024 * 1024;

// Why a settings file was not read or written.
using SettingsFileFault = platform::FileFault;

struct LoadedProfile {
    QByteArray content;
    SettingsFileFault fault = SettingsFileFault::None; // None or Missing: content is usable
};

// Reads a regular file only, never through a symbolic link, never blocking
// on a pipe, never more than kMaxSettingsFileSize bytes.
LoadedProfile LoadProfile(const QString& file);

// The whole stored value, or "" when the file cannot be read or the section
// or key is missing.
QString ReadProfileString(const QString& section, const QString& key, const QString& file);

using NewFileAccess = platform::FileAccess;

// Applies the changes to the file under its lock file ("<file>.lock"), so two
// programs writing at once both keep their keys. The new content goes into a
// temporary file beside it that then replaces it, so the file is never left
// half written and a link in its place is replaced, never followed. A
// write-protected file stays as it is, even for an administrator. The file
// keeps its permissions; OwnerOnly takes them away from everyone else, and a
// new OwnerOnly file is readable by its owner only. Nothing is stored when the
// folder does not exist.
SettingsFileFault WriteProfileStrings(const QString& file, const QList<ProfileChange>& changes,
                                      NewFileAccess access = NewFileAccess::Shared);

// Replaces the file with `content` under the same rules, only when it does not exist yet.
SettingsFileFault CreateProfileFile(const QString& file, const QByteArray& content, NewFileAccess access);

// One key; false when nothing was stored.
bool WriteProfileString(const QString& section, const QString& key, const QString& value, const QString& file,
                        NewFileAccess access = NewFileAccess::Shared);
