#include "windows/recordingmessages.h"

#include "foundation/seams.h"

namespace {

QString CheckMicrophoneText()
{
    return QStringLiteral("Vérifiez que le micro est branché, choisissez-le dans la liste des périphériques "
                          "ou cliquez sur « Nouvel enregistrement », puis recommencez.");
}

} // namespace

QString CaptureFailedText()
{
    return QStringLiteral(
               "Le périphérique d'enregistrement n'a pas pu être ouvert : rien n'a été enregistré.") +
           QLatin1Char('\r') + CheckMicrophoneText();
}

QString NoSoundArrivedText()
{
    return QStringLiteral("Aucun son n'arrive du périphérique d'enregistrement : l'enregistrement est arrêté "
                          "et aucun fichier n'a été créé.") +
           QLatin1Char('\r') + CheckMicrophoneText();
}

QString RecordingWriteFailedText()
{
    return QStringLiteral("L'enregistrement n'a pas pu être écrit dans le fichier.") + QLatin1Char('\r') +
           QStringLiteral("Vérifiez la place libre sur le disque, puis recommencez l'enregistrement.");
}

QString SilentRecordingText()
{
    return QStringLiteral("Votre enregistrement semble silencieux : aucun son n'a été capté.") +
           QLatin1Char('\r') +
           QStringLiteral("Vérifiez que le micro est branché et qu'il n'est pas coupé, puis recommencez "
                          "l'enregistrement.");
}

QString FileNotCreatedText(const QString& folder, FileCreationFault fault)
{
    QString reason;
    switch (fault) {
    case FileCreationFault::FolderNotCreated:
        reason = QStringLiteral("ce dossier n'existe pas et n'a pas pu être créé");
        break;
    case FileCreationFault::NotAFolder:
        reason = QStringLiteral("ce nom est celui d'un fichier, pas d'un dossier");
        break;
    case FileCreationFault::FolderDenied:
        reason = QStringLiteral("vous n'avez pas le droit d'écrire dans ce dossier");
        break;
    case FileCreationFault::Refused:
        reason = QStringLiteral("le système a refusé de créer le fichier (nom trop long ou disque plein, par "
                                "exemple)");
        break;
    }
    return QStringLiteral("Le fichier d'enregistrement n'a pas pu être créé dans le dossier \"") + folder +
           QStringLiteral("\" : ") + reason + u'.' + QLatin1Char('\r') +
           QStringLiteral(
               "Choisissez un autre fichier avec le bouton à droite de son nom, ou un autre dossier "
               "dans les paramètres (\"Infos\", \"Modifier les paramètres\"), puis recommencez "
               "l'enregistrement.");
}

void ShowFileNotCreated(const QString& folder, FileCreationFault fault)
{
    MsgBox(FileNotCreatedText(folder, fault), MsgIcon::Exclamation);
}

void ShowRecordingProblem(RecordingProblem problem)
{
    switch (problem) {
    case RecordingProblem::EncoderRefusedSettings:
        MsgBox(QStringLiteral("Paramètre de format incorrect"), MsgIcon::None, MsgButtons::Ok,
               QStringLiteral("Lame"));
        return;
    case RecordingProblem::EncoderUnavailable:
        MsgBox(QStringLiteral("Handle insuffisants"), MsgIcon::None, MsgButtons::Ok, QStringLiteral("Lame"));
        return;
    case RecordingProblem::SoundDevicesFailed:
        MsgBox(QStringLiteral("Erreur lors de l'initialisation de fmod") + QStringLiteral("\r\n") +
                   QStringLiteral("Erreur d'initialisation du périphérique de sortie."),
               MsgIcon::Critical);
        return;
    case RecordingProblem::CaptureFailed: MsgBox(CaptureFailedText(), MsgIcon::Exclamation); return;
    case RecordingProblem::NoSoundArrived: MsgBox(NoSoundArrivedText(), MsgIcon::Exclamation); return;
    case RecordingProblem::WriteFailed: MsgBox(RecordingWriteFailedText(), MsgIcon::Exclamation); return;
    case RecordingProblem::Silent: MsgBox(SilentRecordingText(), MsgIcon::Exclamation); return;
    }
}

bool AskToReplaceRecording()
{
    return MsgBox(QStringLiteral("Le fichier spécifié existe déjà.") + QStringLiteral("\r\n") +
                      QStringLiteral("Voulez-vous le remplacer ?"),
                  MsgIcon::Question, MsgButtons::OkCancel, QStringLiteral("Confirmation")) == MsgAnswer::Ok;
}
