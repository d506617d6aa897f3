#include "config/parameterimport.h"

#include "foundation/settings.h"

std::optional<QString> ImportParameterFile(const QString& parameterFile)
{
    const QString working = WorkingSettingsFile();
    const QString program = ProgramSettingsFile();
    const struct {
        const char* section;
        const char* key;
        bool evenEmpty;
    } entries[] = {
        {"Web", "Upload", false}, {"Web", "Site", false},     {"email", "Destinataire", false},
        {"Web", "Proxy", true},   {"Web", "ProxyPort", true}, {"IniPath", "Perso", true},
    };
    QString everything;
    for (const auto& e : entries) {
        const QString section = QLatin1String(e.section);
        const QString key = QLatin1String(e.key);
        const QString value = ReadSetting(section, key, parameterFile);
        if (e.evenEmpty || !value.isEmpty()) {
            WriteSetting(section, key, value, working);
            WriteSetting(section, key, value, program);
        }
        everything += value;
    }
    if (everything.isEmpty())
        return QStringLiteral("paramètres non valides !");
    return std::nullopt;
}
