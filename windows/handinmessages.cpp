#include "windows/handinmessages.h"

#include <QStringList>

namespace {

using platform::MailFailure;

QString ConnectionText()
{
    return QStringList{
        QStringLiteral("Problème de connexion au site Web !"),
        QString(),
        QStringLiteral("Vérifiez l'adresse du site Web dans les paramètres de connexion."),
        QString(),
        QStringLiteral("Relancez le transfert (bouton \"Envoyer sur le site\")"),
        QString(),
        QStringLiteral("Si le problème persiste, fermez le logiciel puis relancez-le."),
        QStringLiteral("Cliquez sur le bouton \"Parcourir\" (...) pour sélectionner le fichier à envoyer"),
        QStringLiteral("et relancez le transfert (bouton \"Envoyer sur le site\")"),
    }
        .join(u'\r');
}

// The reason a mail did not go, as the line after the first one.
QString MailReason(const MailFailure& failure)
{
    const QString program = QStringLiteral("Le programme d'envoi de courrier ") + failure.program;
    QString reason;
    switch (failure.kind) {
    case MailFailure::Kind::RecordingUnreadable:
        return QStringLiteral("Le fichier de l'enregistrement n'a pas pu être lu.");
    case MailFailure::Kind::NoMailProgram:
        return QStringLiteral(
            "Aucun programme d'envoi de courrier (sendmail) n'a été trouvé sur cet ordinateur.");
    case MailFailure::Kind::NotPrepared:
        return QStringLiteral("Le message n'a pas pu être préparé dans le dossier temporaire.");
    case MailFailure::Kind::DidNotStart: return program + QStringLiteral(" n'a pas pu être lancé.");
    case MailFailure::Kind::NoAnswer:
        return program + QStringLiteral(" n'a pas répondu en %1 secondes : l'envoi a été abandonné.")
                             .arg(failure.seconds);
    case MailFailure::Kind::Crashed: reason = program + QStringLiteral(" s'est arrêté anormalement."); break;
    case MailFailure::Kind::ErrorCode:
        reason = program + QStringLiteral(" a signalé une erreur (code %1).").arg(failure.exitCode);
        break;
    }
    // What the program said, for whoever helps the pupil, kept short.
    QString said = failure.errorOutput.join(u'\r');
    if (said.size() > 400)
        said = said.left(400) + QStringLiteral("…");
    if (!said.isEmpty())
        reason += u'\r' + said;
    return reason;
}

} // namespace

namespace {

HandInMessage OutcomeMessage(const HandInReport& report)
{
    using Kind = HandInReport::Kind;
    switch (report.kind) {
    case Kind::NotMp3:
        return {QStringLiteral("Ceci n'est apparemment pas un fichier mp3 !\rIl ne peut pas être envoyé."),
                MsgIcon::Critical};
    case Kind::NoSendMode:
        return {
            QStringLiteral("Aucun mode d'envoi n'est choisi.\rChoisissez dans les paramètres (bouton "
                           "\"Infos\", \"Modifier les paramètres\") comment rendre votre enregistrement : "
                           "par le site Web ou par email."),
            MsgIcon::Information};
    case Kind::MailNotSent:
        return {QStringLiteral("L'enregistrement n'a pas été envoyé par email.\r") + MailReason(report.mail),
                MsgIcon::Critical};
    case Kind::Transferred:
        return {QStringLiteral("Le fichier a été transféré avec succès."), MsgIcon::Information};
    case Kind::Abandoned: return {QStringLiteral("Abandon du transfert !"), MsgIcon::Exclamation};
    case Kind::ConnectionFailed: return {ConnectionText(), MsgIcon::Critical};
    case Kind::NoReplyInTime:
        return {
            QStringLiteral("Le site Web n'a pas répondu à temps.\rL'enregistrement est peut-être arrivé : "
                           "demandez à votre professeur de vérifier avant de l'envoyer à nouveau."),
            MsgIcon::Critical};
    case Kind::Moved:
        return {QStringLiteral("Le site Web a déménagé à l'adresse :\r%1\rLe fichier n'a pas été transféré.\r"
                               "Donnez cette adresse à votre professeur pour qu'il corrige les paramètres de "
                               "connexion.")
                    .arg(report.path),
                MsgIcon::Critical};
    case Kind::ProxyRefused:
        if (report.status == 407)
            return {
                QStringLiteral("Le serveur proxy demande un identifiant et un mot de passe (code de réponse "
                               "HTTP = 407).\rPrévenez votre professeur."),
                MsgIcon::Critical};
        return {
            QStringLiteral("Le serveur proxy a refusé la connexion au site Web (code de réponse HTTP = %1).\r"
                           "Vérifiez les paramètres du proxy ou prévenez votre professeur.")
                .arg(report.status),
            MsgIcon::Critical};
    case Kind::RecordingUnreadable:
        return {QStringLiteral("Le fichier de l'enregistrement n'a pas pu être lu."), MsgIcon::Critical};
    case Kind::CertificateRejected:
        return {
            QStringLiteral("Le site Web n'a pas pu prouver son identité : son certificat de sécurité "
                           "n'est pas valable !\rLe fichier n'a pas été transféré.\rVérifiez l'adresse du "
                           "site Web dans les paramètres de connexion ou prévenez votre professeur."),
            MsgIcon::Critical};
    case Kind::ServerBusy:
        return {QStringLiteral("Le site de téléchargement est vraisemblablement occupé !\r"
                               "Veuillez réessayer dans quelques minutes."),
                MsgIcon::Critical};
    case Kind::HttpStatus:
        return {QStringLiteral("Echec du transfert, code de réponse HTTP = ") +
                    QString::number(report.status),
                MsgIcon::Critical};
    case Kind::SiteOccupied:
        return {QStringLiteral(
                    "Le site de téléchargement est occupé !\rVeuillez réessayer dans quelques minutes."),
                MsgIcon::None};
    case Kind::FileExists:
        return {QStringLiteral(
                    "Ce fichier existe déjà sur le serveur !\rLe nouveau fichier n'a pas été transféré."),
                MsgIcon::None};
    case Kind::UnknownLogin: return {QStringLiteral("Utilisateur inconnu !"), MsgIcon::None};
    case Kind::WrongPassword: return {QStringLiteral("Mot de passe erroné !"), MsgIcon::None};
    case Kind::UnexpectedReply: break;
    }
    return {QStringLiteral("Réponse inattendue du serveur !"), MsgIcon::None};
}

} // namespace

HandInMessage HandInMessageFor(const HandInReport& report)
{
    HandInMessage message = OutcomeMessage(report);
    // A file of a split upload that failed: the recording was not handed in.
    if (report.file > 0) {
        message.text = QStringLiteral("L'enregistrement n'a pas été transféré (fichier %1 sur %2).\r")
                           .arg(report.file)
                           .arg(report.files) +
                       message.text;
        if (message.icon == MsgIcon::None)
            message.icon = MsgIcon::Critical;
    }
    return message;
}

void TellPupil(const HandInReport& report)
{
    const HandInMessage message = HandInMessageFor(report);
    MsgBox(message.text, message.icon);
}

bool PupilConfirmsAbandon()
{
    return MsgBox(QStringLiteral("Etes-vous sûr de vouloir abandonner le téléchargement?"), MsgIcon::Question,
                  MsgButtons::YesNo) == MsgAnswer::Yes;
}

QString SplitUploadTitle(int files)
{
    return QStringLiteral("Transfert de l'enregistrement en ") + QString::number(files) +
           QStringLiteral(" fichiers.");
}

QString SplitUploadFileText(int pass, int files)
{
    return QStringLiteral("Transfert du fichier ") + QString::number(pass) + QStringLiteral(" sur ") +
           QString::number(files);
}
