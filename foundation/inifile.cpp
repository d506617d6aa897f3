#include "foundation/inifile.h"

#include "foundation/windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

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

QStringList LoadLines(const QString& file, bool* exists)
{
    QFile f(file);
    *exists = f.exists();
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = FromWindows1252(f.readAll());
    QStringList lines = text.split(u'\n');
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

// [first, end) line range of the first section called `section`; first = -1 when absent.
void FindSection(const QStringList& lines, const QString& section, qsizetype* first, qsizetype* end)
{
    *first = -1;
    *end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = SectionName(lines[i]);
        if (name.isNull())
            continue;
        if (*first >= 0) {
            *end = i;
            return;
        }
        if (SameName(name, TrimBlanks(section)))
            *first = i + 1;
    }
}

} // namespace

QString ReadProfileString(const QString& section, const QString& key, const QString& file)
{
    bool exists = false;
    const QStringList lines = LoadLines(file, &exists);
    qsizetype first = 0, end = 0;
    FindSection(lines, section, &first, &end);
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

bool WriteProfileString(const QString& section, const QString& key, const QString& value, const QString& file,
                        NewFileAccess access)
{
    const QFileInfo info(file);
    if (!info.dir().exists())
        return false;
    // A read-only file stays as it is, even for an administrator.
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite)))
        return false;

    bool exists = false;
    QStringList lines = LoadLines(file, &exists);
    if (exists && !QFile(file).open(QIODevice::ReadOnly))
        return false; // never overwrite a file we could not read

    const QString sectionName = TrimBlanks(section);
    const QString keyName = TrimBlanks(key);
    const QString keyLine = keyName + u'=' + value;

    qsizetype first = 0, end = 0;
    FindSection(lines, sectionName, &first, &end);
    if (first < 0) {
        lines.append(u'[' + sectionName + u']');
        lines.append(keyLine);
    } else {
        qsizetype replaceAt = -1;
        qsizetype lastContent = first - 1;
        for (qsizetype i = first; i < end; ++i) {
            QString k;
            if (!TrimBlanks(lines[i]).isEmpty())
                lastContent = i;
            if (replaceAt < 0 && SplitKeyLine(lines[i], &k, nullptr) && SameName(k, keyName))
                replaceAt = i;
        }
        if (replaceAt >= 0)
            lines[replaceAt] = keyLine;
        else
            lines.insert(lastContent + 1, keyLine);
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (!exists && access == NewFileAccess::OwnerOnly)
        out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += ToWindows1252(line);
        bytes += "\r\n";
    }
    if (out.write(bytes) != bytes.size())
        return false;
    return out.commit();
}
