#include "foundation/inifile.h"

#include "foundation/windows1252.h"
#include "platform/lockfile.h"

#include <QFileInfo>
#include <QStringList>

#include <functional>

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

QString TrimBlanks(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == u'\r'))
        --e;
    return s.mid(b, e - b);
}

QStringList SplitLines(const QByteArray& content)
{
    QStringList lines = FromWindows1252(content).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Section name of a "[name]" line, or a null string for any other line.
QString SectionName(const QString& rawLine)
{
    const QString line = TrimBlanks(rawLine);
    if (!line.startsWith(u'['))
        return {};
    qsizetype end = line.indexOf(u']');
    if (end < 0)
        end = line.size();
    QString name = TrimBlanks(line.mid(1, end - 1));
    if (name.isNull())
        name = QLatin1String("");
    return name;
}

// Key of a "key=value" line (comments and lines without '=' have none).
bool SplitKeyLine(const QString& rawLine, QString* key, QString* value)
{
    const QString line = TrimBlanks(rawLine);
    if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'['))
        return false;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return false;
    *key = TrimBlanks(line.left(eq));
    if (value)
        *value = TrimBlanks(line.mid(eq + 1));
    return true;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// [first, end) line range of the first section called `section` at or after
// line `from`; first = -1 when absent.
void FindSection(const QStringList& lines, const QString& section, qsizetype* first, qsizetype* end,
                 qsizetype from = 0)
{
    *first = -1;
    *end = lines.size();
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QString name = SectionName(lines[i]);
        if (name.isNull())
            continue;
        if (*first >= 0) {
            *end = i;
            return;
        }
        if (SameName(name, section))
            *first = i + 1;
    }
}

bool IsKeyLine(const QString& line, const QString& keyName)
{
    QString k;
    return SplitKeyLine(line, &k, nullptr) && SameName(k, keyName);
}

void SetKey(QStringList& lines, const QString& sectionName, const QString& keyName, const QString& value)
{
    const QString keyLine = keyName + u'=' + value;
    qsizetype first = 0, end = 0;
    FindSection(lines, sectionName, &first, &end);
    if (first < 0) {
        lines.append(u'[' + sectionName + u']');
        lines.append(keyLine);
        return;
    }
    qsizetype lastContent = first - 1;
    for (qsizetype i = first; i < end; ++i) {
        if (IsKeyLine(lines[i], keyName)) {
            lines[i] = keyLine;
            return;
        }
        if (!TrimBlanks(lines[i]).isEmpty())
            lastContent = i;
    }
    lines.insert(lastContent + 1, keyLine);
}

void RemoveKey(QStringList& lines, const QString& sectionName, const QString& keyName)
{
    qsizetype first = 0, end = 0;
    for (FindSection(lines, sectionName, &first, &end); first >= 0;
         FindSection(lines, sectionName, &first, &end, end)) {
        for (qsizetype i = first; i < end;) {
            if (IsKeyLine(lines[i], keyName)) {
                lines.removeAt(i);
                --end;
            } else {
                ++i;
            }
        }
    }
}

// --- files ---

constexpr int kLockWaitMs = 5000;

// The read-modify-write of a settings file under its lock. `change` gets the
// current content and returns the new one, or nothing to leave the file alone.
SettingsFileFault ReplaceProfile(const QString& file, NewFileAccess access,
                                 const std::function<std::optional<QByteArray>(const LoadedProfile&)>& change)
{
    if (!platform::FolderExists(QFileInfo(file).absolutePath()))
        return SettingsFileFault::NoFolder;
    // Refused before taking the lock, so a protected file never waits.
    if (const SettingsFileFault fault = platform::ReplaceFault(file, kMaxSettingsFileSize);
        fault != SettingsFileFault::None)
        return fault;

    platform::LockFile lock(file + QStringLiteral(".lock"), 30000);
    switch (lock.tryLock(kLockWaitMs)) {
    case platform::LockFile::Result::Locked: break;
    case platform::LockFile::Result::Denied: return SettingsFileFault::FolderDenied;
    default: return SettingsFileFault::Busy;
    }

    if (const SettingsFileFault fault = platform::ReplaceFault(file, kMaxSettingsFileSize);
        fault != SettingsFileFault::None)
        return fault;
    const LoadedProfile loaded = LoadProfile(file);
    if (loaded.fault != SettingsFileFault::None && loaded.fault != SettingsFileFault::Missing)
        return loaded.fault; // never overwrite a file that could not be read
    const std::optional<QByteArray> bytes = change(loaded);
    if (!bytes)
        return SettingsFileFault::None;
    return platform::ReplaceFile(file, *bytes, access);
}

} // namespace

QString StorableText(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    return out;
}

QList<char32_t> UnstorableCharacters(const QString& text)
{
    QList<char32_t> found;
    for (const char32_t c : text.toUcs4())
        if ((c == U'\r' || c == U'\n' || c == U'\0' || !HasWindows1252Code(c)) && !found.contains(c))
            found.append(c);
    return found;
}

QString ProfileValue(const QByteArray& content, const QString& section, const QString& key)
{
    const QStringList lines = SplitLines(content);
    qsizetype first = 0, end = 0;
    FindSection(lines, TrimBlanks(section), &first, &end);
    if (first < 0)
        return QString("");
    const QString wanted = TrimBlanks(key);
    for (qsizetype i = first; i < end; ++i) {
        QString k, v;
        if (!SplitKeyLine(lines[i], &k, &v) || !SameName(k, wanted))
            continue;
        if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"'))
            v = v.mid(1, v.size() - 2);
        return v;
    }
    return QString("");
}

QByteArray ChangedProfile(const QByteArray& content, const QList<ProfileChange>& changes)
{
    QStringList lines = SplitLines(content);
    for (const ProfileChange& change : changes) {
        const QString section = TrimBlanks(StorableText(change.section));
        const QString key = TrimBlanks(StorableText(change.key));
        if (change.value)
            SetKey(lines, section, key, StorableText(*change.value));
        else
            RemoveKey(lines, section, key);
    }
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += ToWindows1252(line);
        bytes += "\r\n";
    }
    return bytes;
}

LoadedProfile LoadProfile(const QString& file)
{
    const platform::FileContent read = platform::ReadRegularFile(file, kMaxSettingsFileSize);
    return {read.bytes, read.fault};
}

QString ReadProfileString(const QString& section, const QString& key, const QString& file)
{
    const LoadedProfile loaded = LoadProfile(file);
    if (loaded.fault != SettingsFileFault::None)
        return QString("");
    return ProfileValue(loaded.content, section, key);
}

SettingsFileFault WriteProfileStrings(const QString& file, const QList<ProfileChange>& changes,
                                      NewFileAccess access)
{
    return ReplaceProfile(file, access, [&changes](const LoadedProfile& loaded) -> std::optional<QByteArray> {
        return ChangedProfile(loaded.content, changes);
    });
}

SettingsFileFault CreateProfileFile(const QString& file, const QByteArray& content, NewFileAccess access)
{
    return ReplaceProfile(file, access, [&content](const LoadedProfile& loaded) -> std::optional<QByteArray> {
        if (loaded.fault != SettingsFileFault::Missing)
            return std::nullopt;
        return content;
    });
}

bool WriteProfileString(const QString& section, const QString& key, const QString& value, const QString& file,
                        NewFileAccess access)
{
    return WriteProfileStrings(file, {{section, key, value}}, access) == SettingsFileFault::None;
}
