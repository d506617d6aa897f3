#include "foundation/startupsettings.h"

#include "foundation/settings.h"

namespace {

QString StoredPosition(const char* key, const QString& file)
{
    const QString stored = ReadSetting("Config", key, file);
    if (stored.isEmpty())
        return {};
    return QString::number(LeadingNumber(stored), 'g', 15);
}

} // namespace

StartupSettings ReadStartupSettings(const QString& workingFile)
{
    StartupSettings s;
    // Top edge first, as the window is placed.
    s.windowTopTwips = ParseInt16(ReadSetting("window", "Top", workingFile)).value_or(0);
    s.windowLeftTwips = ParseInt16(ReadSetting("window", "Left", workingFile)).value_or(0);
    s.sender = ReadSetting("email", "Expediteur", workingFile);
    s.recipient = ReadSetting("email", "Destinataire", workingFile);
    s.pupilName = ReadSetting("email", "Nom", workingFile).toUpper();
    s.webSite = ReadSetting("Web", "Site", workingFile);
    const QString storedPassword = ReadWholeSetting("Web", "Password", workingFile);
    s.proxyHost = ReadSetting("Web", "Proxy", workingFile);
    s.proxyPortText = ReadSetting("Web", "ProxyPort", workingFile);
    s.complete = !s.sender.isEmpty() && !s.recipient.isEmpty() && !s.pupilName.isEmpty() &&
                 !s.webSite.isEmpty() && !storedPassword.isEmpty();
    s.webPassword = UnscrambleSetting(storedPassword);
    return s;
}

StoredRecordingOptions ReadStoredRecordingOptions(const QString& workingFile)
{
    StoredRecordingOptions o;
    o.folder = ReadSetting("Config", "Dossier", workingFile);
    o.devicePosition = StoredPosition("Periph", workingFile);
    o.sampleRatePosition = StoredPosition("Freq", workingFile);
    o.bitRatePosition = StoredPosition("Bitrate", workingFile);
    o.qualityPosition = StoredPosition("Quality", workingFile);
    return o;
}
