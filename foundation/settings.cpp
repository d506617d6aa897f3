#include "foundation/settings.h"

#include "foundation/inifile.h"
#include "foundation/windows1252.h"
#include "platform/places.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

QString Settings::programFile() const
{
    return JoinPath(platform::SharedSettingsFolder(programFolder), kSettingsFileName);
}

QString Settings::workingFile() const { return JoinPath(settingsFolder, kSettingsFileName); }

// A folder given with its separator at the end ("/home/eleve/Musique/", or
// the root) gets no second one.
QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(u'/') || folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

QString AppDataFolder()
{
    // Read as text: on Windows the 8-bit code page would lose letters of the user's name.
    const QString env = qEnvironmentVariable("APPDATA");
    if (!env.isEmpty())
        return env;
    return platform::UserSettingsFolder();
}

QString SettingsFolderFor(const QString& location, const QString& perso)
{
    if (IsSchoolLocation(location))
        return JoinPath(perso.isEmpty() ? kDefaultPersoFolder : perso, QStringLiteral("Mirlo"));
    return JoinPath(AppDataFolder(), QStringLiteral("Mirlo"));
}

bool ProgramFileLocates(const QString& programFile, const QString& location, const QString& perso)
{
    return SettingsFolderFor(ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), programFile),
                             ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Perso"), programFile)) ==
           SettingsFolderFor(location, perso);
}

bool MakeSettingsFolder(const QString& folder, bool withParents)
{
    if (withParents)
        QDir().mkpath(QFileInfo(folder).absolutePath());
    return platform::MakePrivateFolder(folder);
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
    return ReadProfileString(section, key, file);
}

void WriteSetting(const QString& section, const QString& key, const QString& value, const QString& file,
                  NewFileAccess access)
{
    WriteProfileStrings(file, {{section, key, value}}, access);
}

SettingsFileFault WriteSettings(const QString& file, const QList<ProfileChange>& changes,
                                NewFileAccess access)
{
    return WriteProfileStrings(file, changes, access);
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

QString StoredPerso(const QString& programFile)
{
    const QString perso = ReadSetting("IniPath", "Perso", programFile);
    return perso.isEmpty() ? kDefaultPersoFolder : perso;
}

SettingsFileFault LocateSettingsFolder(Settings& settings)
{
    const QString programFile = settings.programFile();
    settings.location = ReadSetting("IniPath", "Location", programFile);
    settings.perso = StoredPerso(programFile);
    settings.settingsFolder = SettingsFolderFor(settings.location, settings.perso);
    if (IsSchoolLocation(settings.location))
        MakeSettingsFolder(settings.settingsFolder, false);
    return LoadProfile(programFile).fault;
}

void ReadStartupSettings(Settings& s)
{
    const QString file = s.workingFile();
    // Top edge first, as the window is placed.
    s.windowTopTwips = ParseInt16(ReadSetting("window", "Top", file)).value_or(0);
    s.windowLeftTwips = ParseInt16(ReadSetting("window", "Left", file)).value_or(0);
    s.sender = ReadSetting("email", "Expediteur", file);
    s.recipient = ReadSetting("email", "Destinataire", file);
    s.pupilName = ReadSetting("email", "Nom", file).toUpper();
    s.webSite = ReadSetting("Web", "Site", file);
    const QString storedPassword = ReadSetting("Web", "Password", file);
    s.proxyHost = ReadSetting("Web", "Proxy", file);
    s.proxyPortText = ReadSetting("Web", "ProxyPort", file);
    s.complete = !s.sender.isEmpty() && !s.recipient.isEmpty() && !s.pupilName.isEmpty() &&
                 !s.webSite.isEmpty() && !storedPassword.isEmpty();
    s.webPassword = UnscrambleSetting(storedPassword);
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
