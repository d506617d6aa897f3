#pragma once
#include <QString>

// Profile (INI) files with the behaviour of the Windows profile functions:
// names match without regard to case, blanks around names and values are
// trimmed, a value in matching double quotes loses them, the first of
// duplicate sections or keys wins. Files are Windows-1252 text.

// The whole stored value, or "" when the file, section or key is missing.
QString ReadProfileString(const QString& section, const QString& key, const QString& file);

enum class NewFileAccess { Shared, OwnerOnly };

// Creates the file, the section (appended at the end) and the key (appended at
// the end of its section) as needed, replacing an existing value in place and
// keeping every other line. The file is replaced atomically. Nothing is stored
// when the folder does not exist. Returns false when nothing was stored.
bool WriteProfileString(const QString& section, const QString& key, const QString& value, const QString& file,
                        NewFileAccess access = NewFileAccess::Shared);
