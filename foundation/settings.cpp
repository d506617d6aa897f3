#include "foundation/settings.h"

#include "foundation/inifile.h"
#include "foundation/windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cmath>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Without HOME, Qt would take the root folder as home ("//.config").
    if (qEnvironmentVariableIsEmpty("HOME") && qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        const passwd* account = getpwuid(geteuid());
        if (account && account->pw_dir && *account->pw_dir)
            return JoinPath(QFile::decodeName(account->pw_dir), QStringLiteral(".config"));
    }
    return QDir::toNativeSeparators(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString SettingsFolderFor(const QString& location, const QString& perso)
{
    if (IsSchoolLocation(location))
        return JoinPath(perso.isEmpty() ? QStringLiteral("Z:") : perso, QStringLiteral("Mirlo"));
    return JoinPath(AppDataFolder(), QStringLiteral("Mirlo"));
}

bool ProgramFileLocates(const QString& location, const QString& perso)
{
    const QString program = ProgramSettingsFile();
    return SettingsFolderFor(ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), program),
                             ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Perso"), program)) ==
           SettingsFolderFor(location, perso);
}

bool MakeSettingsFolder(const QString& folder, bool withParents)
{
    const QByteArray path = QFile::encodeName(folder);
    if (withParents)
        QDir().mkpath(QFileInfo(folder).absolutePath());
    if (::mkdir(path.constData(), S_IRWXU) != 0) {
        struct stat st {};
        if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
        if (st.st_uid == geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)))
            ::chmod(path.constData(), st.st_mode & ~(S_IRWXG | S_IRWXO));
    }
    return true;
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

QString ReadWholeSetting(const QString& section, const QString& key, const QString& file)
{
    return ReadProfileString(section, key, file);
}

namespace {

NewFileAccess AccessFor(const QString& file)
{
    const bool shared =
        QFileInfo(file).absoluteFilePath() == QFileInfo(ProgramSettingsFile()).absoluteFilePath();
    return shared ? NewFileAccess::Shared : NewFileAccess::OwnerOnly;
}

} // namespace

void WriteSetting(const QString& section, const QString& key, const QString& value, const QString& file)
{
    WriteProfileStrings(file, {{section, key, value}}, AccessFor(file));
}

SettingsFileFault WriteSettings(const QString& file, const QList<ProfileChange>& changes)
{
    return WriteProfileStrings(file, changes, AccessFor(file));
}

const QList<ProfileChange>& PersonalKeyRemovals()
{
    static const QList<ProfileChange> removals = {
        {QStringLiteral("Web"), QStringLiteral("Password"), std::nullopt},
        {QStringLiteral("email"), QStringLiteral("Expediteur"), std::nullopt},
        {QStringLiteral("email"), QStringLiteral("Nom"), std::nullopt},
        {QStringLiteral("Config"), QStringLiteral("Dossier"), std::nullopt},
    };
    return removals;
}

SettingsFileFault CopyProgramSettings(const QString& programFile, const QString& workingFile)
{
    const LoadedProfile program = LoadProfile(programFile);
    if (program.fault != SettingsFileFault::None)
        return program.fault;
    return CreateProfileFile(workingFile, ChangedProfile(program.content, PersonalKeyRemovals()),
                             NewFileAccess::OwnerOnly);
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
        MakeSettingsFolder(s.settingsFolder, false);
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
