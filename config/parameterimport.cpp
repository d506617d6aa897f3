#include "config/parameterimport.h"

#include "config/settingsmessages.h"
#include "config/siteaddress.h"
#include "foundation/settings.h"

ImportOutcome ImportParameterFile(const Settings& settings, const QString& parameterFile)
{
    ImportOutcome outcome;
    const LoadedProfile parameters = LoadProfile(parameterFile);
    if (parameters.fault != SettingsFileFault::None) {
        outcome.message = SettingsReadFailureText(parameters.fault, parameterFile);
        return outcome;
    }
    const struct {
        const char* section;
        const char* key;
        bool evenEmpty;
    } entries[] = {
        {"Web", "Upload", false}, {"Web", "Site", false},     {"email", "Destinataire", false},
        {"Web", "Proxy", true},   {"Web", "ProxyPort", true}, {"IniPath", "Perso", true},
    };
    QList<ProfileChange> changes;
    QString everything;
    QString perso;
    for (const auto& e : entries) {
        const QString section = QLatin1String(e.section);
        const QString key = QLatin1String(e.key);
        QString value = ProfileValue(parameters.content, section, key);
        // Stored as a typed site is, so "http://..." still reaches the site.
        const bool httpsOnly = key == QLatin1String("Site") && SiteAddressIsHttpsOnly(value);
        if (key == QLatin1String("Site"))
            value = CleanSiteAddress(value);
        if (e.evenEmpty || !value.isEmpty())
            changes.append({section, key, value});
        if (httpsOnly && !value.isEmpty())
            changes.append({section, QStringLiteral("HttpsSite"), value});
        if (key == QLatin1String("Perso"))
            perso = value;
        everything += value;
    }

    const QString working = settings.workingFile();
    if (const SettingsFileFault fault = WriteSettings(working, changes); fault != SettingsFileFault::None) {
        outcome.message = SettingsSaveFailureText(fault, working);
        return outcome;
    }
    const QString program = settings.programFile();
    const QString location = ReadSetting(QStringLiteral("IniPath"), QStringLiteral("Location"), program);
    if (const SettingsFileFault fault = WriteSettings(program, changes, NewFileAccess::Shared);
        fault != SettingsFileFault::None && !ProgramFileLocates(program, location, perso)) {
        outcome.message = SettingsSaveFailureText(fault, program);
        return outcome;
    }
    outcome.stored = true;
    if (everything.isEmpty())
        outcome.message = QStringLiteral("paramètres non valides !");
    return outcome;
}
