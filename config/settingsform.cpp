#include "config/settingsform.h"

#include "config/password.h"
#include "config/settingsmessages.h"
#include "config/siteaddress.h"
#include "config/validemail.h"
#include "foundation/recordingname.h"
#include "foundation/settings.h"

#include <QDir>

#include <algorithm>

namespace {

QString BadAddress(const QString& address)
{
    return QStringLiteral(" L'adresse \"") + address + QStringLiteral("\" n'est pas correcte.");
}

// A field as it would be stored, under its label.
struct StoredField {
    const char* label;
    QString value;
};

// Every stored field, in the order of the dialog's tab order.
QList<StoredField> StoredFields(const TypedSettings& typed)
{
    return {
        {"Votre adresse email", typed.sender},
        {"Adresse email destinataire", typed.recipient},
        {"Adresse du site Web", CleanSiteAddress(typed.site)},
        {"Votre login sur le site", typed.login.toUpper()},
        {"Votre mot de passe sur le site", typed.password},
        {"Adresse du proxy", typed.proxyHost},
        {"Port", typed.proxyPort},
        {"Emplacement du dossier d'enregistrement", typed.folderLocation},
        {"Nom du répertoire d'enregistrement", typed.folderName},
    };
}

} // namespace

QString RecordingFolderFor(const QString& location, const QString& name)
{
    // Blanks at the end of a stored value do not come back from the settings
    // file: the next start would look for another folder.
    QString trimmedName = name;
    while (trimmedName.endsWith(u' ') || trimmedName.endsWith(u'\t'))
        trimmedName.chop(1);
    return JoinPath(location.isEmpty() ? PupilsOwnFolder() : location, trimmedName);
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
        // Without a mode the pupil would learn it only when handing in.
        {typed.sending == SendChoice::Neither,
         QStringLiteral("Vous n'avez pas choisi le mode d'envoi !\rCochez \"Téléchargement sur le site Web\" "
                        "ou \"Envoi par email\".")},
    };
    for (const auto& check : checks)
        if (check.failed)
            return check.message;
    // A value the file would give back changed: a folder the pupil would not
    // find again, a password that would not log in.
    for (const StoredField& field : StoredFields(typed))
        if (const QList<char32_t> bad = UnstorableCharacters(field.value); !bad.isEmpty())
            return UnstorableFieldText(QString::fromUtf8(field.label), bad);
    return std::nullopt;
}

SavedSettings SaveSettings(Settings& s, const TypedSettings& typed, const QDateTime& now)
{
    SavedSettings saved;
    const QString webSite = CleanSiteAddress(typed.site);
    const QString pupilName = typed.login.toUpper();
    const QString recordingFolder = RecordingFolderFor(typed.folderLocation, typed.folderName);
    QString sendMode = s.sendMode;
    if (typed.sending == SendChoice::Web) {
        sendMode = QStringLiteral("web");
        saved.sendCaption = QStringLiteral("Envoyer sur le site");
    } else if (typed.sending == SendChoice::Mail) {
        sendMode = QStringLiteral("mail");
        saved.sendCaption = QStringLiteral("Envoyer par email");
    }

    auto key = [](const char* section, const char* name, const QString& value) {
        return ProfileChange{QLatin1String(section), QLatin1String(name), value};
    };
    QList<ProfileChange> keys = {
        key("Web", "Site", webSite),
        key("Web", "Password", EncodePassword(typed.password)),
        key("Web", "mode", sendMode),
        key("Web", "Proxy", typed.proxyHost),
        key("Web", "ProxyPort", typed.proxyPort),
        key("email", "Destinataire", typed.recipient),
        key("email", "Expediteur", typed.sender),
        key("email", "Nom", pupilName),
        key("Config", "Dossier", recordingFolder),
        key("IniPath", "Location", s.location),
        key("IniPath", "Perso", s.perso),
    };
    // A site given as "https://..." is reached over HTTPS only: the upload
    // reads that beside the bare host that older versions read.
    if (SiteAddressIsHttpsOnly(typed.site))
        keys.append(key("Web", "HttpsSite", webSite));
    const QString working = s.workingFile();
    MakeSettingsFolder(s.settingsFolder, !IsSchoolLocation(s.location));
    if (const SettingsFileFault fault = WriteSettings(working, keys); fault != SettingsFileFault::None) {
        saved.failure = SettingsSaveFailureText(fault, working);
        return saved;
    }
    // Every user of the installation reads the program-folder file: it gets
    // the school's values and where the settings live, never the pupil's own.
    QList<ProfileChange> sharedKeys;
    for (const ProfileChange& k : keys)
        if (!std::any_of(PersonalKeyRemovals().begin(), PersonalKeyRemovals().end(),
                         [&k](const ProfileChange& p) { return p.key == k.key; }))
            sharedKeys.append(k);
    sharedKeys += PersonalKeyRemovals();
    const QString program = s.programFile();
    // A program folder the pupil may not write into only matters when the
    // next start would look for the settings elsewhere.
    if (const SettingsFileFault fault = WriteSettings(program, sharedKeys, NewFileAccess::Shared);
        fault != SettingsFileFault::None && !ProgramFileLocates(program, s.location, s.perso)) {
        saved.failure = SettingsSaveFailureText(fault, program);
        return saved;
    }

    s.recipient = typed.recipient;
    s.sender = typed.sender;
    s.pupilName = pupilName;
    s.webSite = webSite;
    s.webPassword = typed.password;
    s.proxyHost = typed.proxyHost;
    s.proxyPortText = typed.proxyPort;
    s.sendMode = sendMode;
    s.recordingFolder = recordingFolder;
    saved.recordingPath = DefaultRecordingPath(s.recordingFolder, s.pupilName, now);
    QDir().mkpath(s.recordingFolder);
    return saved;
}
