#include "foundation/inifile.h"

#include "foundation/windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Why an existing entry may not be replaced.
SettingsFileFault ReplaceFault(const struct stat& st, const QByteArray& path)
{
    if (!S_ISREG(st.st_mode))
        return SettingsFileFault::NotRegularFile;
    if (st.st_size > kMaxSettingsFileSize)
        return SettingsFileFault::TooLarge;
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || access(path.constData(), W_OK) != 0)
        return SettingsFileFault::ReadOnly;
    return SettingsFileFault::None;
}

SettingsFileFault CreateFault(int error)
{
    return error == EACCES || error == EPERM || error == EROFS ? SettingsFileFault::FolderDenied
                                                               : SettingsFileFault::WriteFailed;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Writes `bytes` into a new file beside `path` and renames it over `path`.
// `old` is the replaced file, if any: its owner and permissions carry over.
SettingsFileFault ReplaceWith(const QString& file, const QByteArray& bytes, const struct stat* old,
                              NewFileAccess access)
{
    const QFileInfo info(file);
    const QByteArray path = QFile::encodeName(file);
    const QByteArray stem =
        QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName());
    const mode_t createMode = access == NewFileAccess::OwnerOnly ? 0600 : 0666; // umask applies
    int fd = -1;
    QByteArray temp;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return CreateFault(errno);

    bool ok = true;
    if (old) {
        // Best effort: only an administrator may give the file back to its owner.
        if (old->st_uid != geteuid() || old->st_gid != getegid())
            (void)!fchown(fd, old->st_uid, old->st_gid);
        mode_t mode = old->st_mode & 07777;
        if (access == NewFileAccess::OwnerOnly)
            mode &= S_IRWXU;
        ok = fchmod(fd, mode) == 0;
    }
    ok = ok && WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(temp.constData());
        return SettingsFileFault::WriteFailed;
    }
    if (::rename(temp.constData(), path.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return error == EISDIR ? SettingsFileFault::NotRegularFile : CreateFault(error);
    }
    return SettingsFileFault::None;
}

// The read-modify-write of a settings file under its lock. `change` gets the
// current content and returns the new one, or nothing to leave the file alone.
SettingsFileFault ReplaceProfile(const QString& file, NewFileAccess access,
                                 const std::function<std::optional<QByteArray>(const LoadedProfile&)>& change)
{
    const QFileInfo info(file);
    struct stat st {};
    if (::stat(QFile::encodeName(info.absolutePath()).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return SettingsFileFault::NoFolder;
    const QByteArray path = QFile::encodeName(file);
    // Refused before taking the lock, so a protected file never waits.
    const bool existed = ::lstat(path.constData(), &st) == 0;
    if (existed)
        if (const SettingsFileFault fault = ReplaceFault(st, path); fault != SettingsFileFault::None)
            return fault;

    QLockFile lock(file + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return lock.error() == QLockFile::PermissionError ? SettingsFileFault::FolderDenied
                                                          : SettingsFileFault::Busy;

    const bool exists = ::lstat(path.constData(), &st) == 0;
    if (exists)
        if (const SettingsFileFault fault = ReplaceFault(st, path); fault != SettingsFileFault::None)
            return fault;
    const LoadedProfile loaded = LoadProfile(file);
    if (loaded.fault != SettingsFileFault::None && loaded.fault != SettingsFileFault::Missing)
        return loaded.fault; // never overwrite a file that could not be read
    const std::optional<QByteArray> bytes = change(loaded);
    if (!bytes)
        return SettingsFileFault::None;
    struct stat now {};
    const bool same = exists && ::lstat(path.constData(), &now) == 0 && SameFile(st, now);
    return ReplaceWith(file, *bytes, same ? &st : nullptr, access);
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
    LoadedProfile loaded;
    const QByteArray path = QFile::encodeName(file);
    struct stat before {};
    if (file.isEmpty() || ::lstat(path.constData(), &before) != 0) {
        loaded.fault = file.isEmpty() || errno == ENOENT || errno == ENOTDIR ? SettingsFileFault::Missing
                                                                             : SettingsFileFault::Unreadable;
        return loaded;
    }
    if (!S_ISREG(before.st_mode)) {
        loaded.fault = SettingsFileFault::NotRegularFile;
        return loaded;
    }
    if (before.st_size > kMaxSettingsFileSize) {
        loaded.fault = SettingsFileFault::TooLarge;
        return loaded;
    }
    // No link followed, no wait on a pipe swapped in since the look above.
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        loaded.fault = errno == ELOOP    ? SettingsFileFault::NotRegularFile
                       : errno == ENOENT ? SettingsFileFault::Missing
                                         : SettingsFileFault::Unreadable;
        return loaded;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !SameFile(before, opened)) {
        ::close(fd);
        loaded.fault = SettingsFileFault::NotRegularFile;
        return loaded;
    }
    QByteArray content(kMaxSettingsFileSize + 1, Qt::Uninitialized);
    qsizetype total = 0;
    while (total < content.size()) {
        const ssize_t n = ::read(fd, content.data() + total, static_cast<size_t>(content.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            loaded.fault = SettingsFileFault::Unreadable;
            return loaded;
        }
        if (n == 0)
            break;
        total += n;
    }
    ::close(fd);
    if (total > kMaxSettingsFileSize) { // grew since the look above
        loaded.fault = SettingsFileFault::TooLarge;
        return loaded;
    }
    content.truncate(total);
    loaded.content = content;
    return loaded;
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
