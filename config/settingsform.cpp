#include "config/settingsform.h"

#include "config/password.h"
#include "config/siteaddress.h"
#include "config/validemail.h"
#include "foundation/recordingname.h"
#include "foundation/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString BadAddress(const QString& address)
{
    return QStringLiteral(" L'adresse \"") + address + QStringLiteral("\" n'est pas correcte.");
}

QString PupilsOwnFolder()
{
    for (const auto place : {QStandardPaths::MusicLocation, QStandardPaths::DocumentsLocation}) {
        const QString folder = QStandardPaths::writableLocation(place);
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return QDir::toNativeSeparators(folder);
    }
    return QDir::toNativeSeparators(QDir::homePath());
}

} // namespace

QString RecordingFolderFor(const QString& location, const QString& name)
{
    return JoinPath(location.isEmpty() ? PupilsOwnFolder() : location, name);
}

std::optional<QString> SettingsComplaint(const TypedSettings& typed)
{
    const QString& dest = typed.recipient;
    const QString& mail = typed.sender;
    const struct {
        bool failed;
        QString message;
    } checks[] = {
        {dest.isEmpty(), QStringLiteral("Vous n'avez pas saisi l'adresse du destinataire !")},
        {!IsValidEmail(dest), BadAddress(dest)},
        {mail.isEmpty(), QStringLiteral("Vous n'avez pas saisi votre adresse email !")},
        {!IsValidEmail(mail), BadAddress(mail)},
        {typed.login.isEmpty(),
         QStringLiteral("Vous n'avez pas saisi votre login (nom de connexion sur le site Web) !\r"
                        "Si vous n'avez pas de login, tapez votre nom.")},
        {typed.site.isEmpty(), QStringLiteral("Vous n'avez pas saisi l'adresse du site Web !")},
        {typed.password.isEmpty(),
         QStringLiteral("Vous n'avez pas saisi votre mot de passe sur le site web !")},
    };
    for (const auto& check : checks)
        if (check.failed)
            return check.message;
    return std::nullopt;
}

SavedSettings SaveSettings(const TypedSettings& typed, const QDateTime& now)
{
    SavedSettings saved;
    SharedValues& s = Shared();
    s.recipient = typed.recipient;
    s.sender = typed.sender;
    s.pupilName = typed.login.toUpper();
    s.webSite = CleanSiteAddress(typed.site);
    s.webPassword = typed.password;
    s.proxyHost = typed.proxyHost;
    s.proxyPortText = typed.proxyPort;
    const QString storedPassword = EncodePassword(s.webPassword);

    if (typed.sending == SendChoice::Web) {
        s.sendMode = QStringLiteral("web");
        saved.sendCaption = QStringLiteral("Envoyer sur le site");
    } else if (typed.sending == SendChoice::Mail) {
        s.sendMode = QStringLiteral("mail");
        saved.sendCaption = QStringLiteral("Envoyer par email");
    }
    s.recordingFolder = RecordingFolderFor(typed.folderLocation, typed.folderName);

    const struct {
        const char* section;
        const char* key;
        QString value;
    } keys[] = {
        {"Web", "Site", s.webSite},
        {"Web", "Password", storedPassword},
        {"Web", "mode", s.sendMode},
        {"Web", "Proxy", s.proxyHost},
        {"Web", "ProxyPort", s.proxyPortText},
        {"email", "Destinataire", s.recipient},
        {"email", "Expediteur", s.sender},
        {"email", "Nom", s.pupilName},
        {"Config", "Dossier", s.recordingFolder},
        {"IniPath", "Location", s.location},
        {"IniPath", "Perso", s.perso},
    };
    for (const QString& file : {WorkingSettingsFile(), ProgramSettingsFile()})
        for (const auto& k : keys)
            WriteSetting(QLatin1String(k.section), QLatin1String(k.key), k.value, file);

    s.recordingPath = DefaultRecordingPath(s.recordingFolder, s.pupilName, now);
    saved.recordingPath = s.recordingPath;
    QDir().mkpath(s.recordingFolder);
    return saved;
}
