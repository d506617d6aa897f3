#include "config/settingsmessages.h"

#include <QFileInfo>
#include <QStringList>

namespace {

QString Quoted(const QString& text) { return u'"' + text + u'"'; }

QString WriteReason(SettingsFileFault fault, const QString& name)
{
    switch (fault) {
    case SettingsFileFault::NoFolder:
        return QStringLiteral("ce dossier n'existe pas et n'a pas pu être créé");
    case SettingsFileFault::NotRegularFile:
        return Quoted(name) +
               QStringLiteral(" y est un dossier, un lien ou un fichier spécial, pas un fichier "
                              "ordinaire");
    case SettingsFileFault::TooLarge:
        return QStringLiteral("le fichier ") + Quoted(name) +
               QStringLiteral(" est trop gros pour être un fichier de paramètres");
    case SettingsFileFault::Unreadable:
        return QStringLiteral("le fichier ") + Quoted(name) + QStringLiteral(" ne peut pas être lu");
    case SettingsFileFault::ReadOnly:
        return QStringLiteral("le fichier ") + Quoted(name) + QStringLiteral(" est protégé en écriture");
    case SettingsFileFault::FolderDenied:
        return QStringLiteral("vous n'avez pas le droit d'écrire dans ce dossier");
    case SettingsFileFault::Busy:
        return QStringLiteral("le fichier ") + Quoted(name) +
               QStringLiteral(" est occupé par un autre programme");
    case SettingsFileFault::None:
    case SettingsFileFault::Missing:
    case SettingsFileFault::WriteFailed: break;
    }
    return QStringLiteral("l'écriture sur le disque a échoué");
}

QString ReadReason(SettingsFileFault fault)
{
    switch (fault) {
    case SettingsFileFault::Missing: return QStringLiteral("il n'existe pas");
    case SettingsFileFault::NotRegularFile:
        return QStringLiteral("ce n'est pas un fichier ordinaire (dossier, lien ou fichier spécial)");
    case SettingsFileFault::TooLarge:
        return QStringLiteral("il est trop gros pour être un fichier de paramètres (plus de 1 Mo)");
    default: return QStringLiteral("vous n'avez pas le droit de le lire");
    }
}

QString CharacterName(char32_t c)
{
    if (c == U'\r' || c == U'\n')
        return QStringLiteral("retour à la ligne");
    if (c == U'\0')
        return QStringLiteral("caractère nul");
    return Quoted(QString::fromUcs4(&c, 1));
}

} // namespace

QString SettingsSaveFailureText(SettingsFileFault fault, const QString& file)
{
    const QFileInfo info(file);
    return QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans le dossier ") +
           Quoted(info.path()) + QStringLiteral(" : ") + WriteReason(fault, info.fileName()) + u'.';
}

QString SettingsReadFailureText(SettingsFileFault fault, const QString& file)
{
    return QStringLiteral("Le fichier ") + Quoted(file) + QStringLiteral(" n'a pas été lu : ") +
           ReadReason(fault) + u'.';
}

namespace {

QString CharacterNames(const QList<char32_t>& characters)
{
    QStringList names;
    for (const char32_t c : characters) {
        const QString name = CharacterName(c);
        if (!names.contains(name))
            names.append(name);
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

QString UnstorableFieldText(const QString& field, const QList<char32_t>& characters)
{
    return QStringLiteral("Le champ ") + Quoted(field) +
           QStringLiteral(" contient des caractères que le fichier de paramètres ne peut pas garder tels "
                          "quels : ") +
           CharacterNames(characters) + QStringLiteral(".\rModifiez ce champ avant de valider.");
}

QString UnstorableRecordingPathText(const QList<char32_t>& characters)
{
    return QStringLiteral("Le nom ou le dossier de ce fichier contient des caractères que Mirlo ne peut pas "
                          "garder tels quels : ") +
           CharacterNames(characters) +
           QStringLiteral(".\rChoisissez un autre nom de fichier ou un autre dossier.");
}
