#include "foundation/settings.h"

#include "foundation/inifile.h"
#include "foundation/windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>

namespace {
QString g_programFolderOverride;
}

SharedValues& Shared()
{
    static SharedValues values;
    return values;
}

QString JoinPath(const QString& folder, const QString& name) { return folder + QDir::separator() + name; }

QString ProgramFolder()
{
    if (!g_programFolderOverride.isEmpty())
        return g_programFolderOverride;
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

void SetProgramFolderForTesting(const QString& folder) { g_programFolderOverride = folder; }

QString ProgramSettingsFile() { return JoinPath(ProgramFolder(), kSettingsFileName); }

QString WorkingSettingsFile() { return JoinPath(Shared().settingsFolder, kSettingsFileName); }

QString AppDataFolder()
{
    const QByteArray env = qgetenv("APPDATA");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

QString ReadSetting(const QString& section, const QString& key, const QString& file)
{
    // A 255-character buffer holds at most 254 characters and the terminator.
    return ReadProfileString(section, key, file).left(254);
}

void WriteSetting(const QString& section, const QString& key, const QString& value, const QString& file)
{
    const bool shared =
        QFileInfo(file).absoluteFilePath() == QFileInfo(ProgramSettingsFile()).absoluteFilePath();
    WriteProfileString(section, key, value, file, shared ? NewFileAccess::Shared : NewFileAccess::OwnerOnly);
}

bool IsSchoolLocation(const QString& location) { return location == QLatin1String("Lycee"); }

QString LocateSettingsFolder()
{
    SharedValues& s = Shared();
    const QString programFile = ProgramSettingsFile();
    s.location = ReadSetting("IniPath", "Location", programFile);
    QString perso = ReadSetting("IniPath", "Perso", programFile);
    if (perso.isEmpty())
        perso = QStringLiteral("Z:");
    if (IsSchoolLocation(s.location)) {
        s.settingsFolder = JoinPath(perso, "Mirlo");
        QDir().mkdir(s.settingsFolder);
    } else {
        s.settingsFolder = JoinPath(AppDataFolder(), "Mirlo");
    }
    return perso;
}

QString UnscrambleSetting(const QString& stored)
{
    // Hexadecimal pairs to character codes; a trailing odd digit is ignored.
    const QByteArray hex = stored.toLatin1();
    QByteArray raw;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        bool ok = false;
        const int code = hex.mid(i, 2).toInt(&ok, 16);
        raw.append(static_cast<char>(ok ? code : 0));
    }
    // Each complete triple (s, C, filler) gives C xor s.
    QByteArray clear;
    for (qsizetype i = 0; i + 1 < raw.size(); i += 3)
        clear.append(static_cast<char>(raw[i] ^ raw[i + 1]));
    return FromWindows1252(clear);
}

double LeadingNumber(const QString& text)
{
    // Like the classic Val(): leading blanks skipped, then sign, digits, one point.
    const QString t = text.trimmed();
    qsizetype i = 0;
    QString number;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        number += t[i++];
    bool point = false;
    bool digits = false;
    for (; i < t.size(); ++i) {
        if (t[i].isDigit() && t[i].unicode() < 128) {
            number += t[i];
            digits = true;
        } else if (t[i] == u'.' && !point) {
            number += t[i];
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    return number.toDouble();
}

std::optional<int> ParseInt16(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // default rounding: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<int>(rounded);
}
