#include "send/sendrecording.h"

#include "foundation/seams.h"
#include "foundation/settings.h"
#include "send/mail.h"
#include "send/webupload.h"

namespace {

// The upload keeps the event loop turning while it runs, so a second click
// on Envoi can arrive in the middle of it.
bool g_uploading = false;

void SendByMail(const QString& recordingPath)
{
    const SharedValues& s = Shared();
    MailMessage mail;
    mail.fromName = s.pupilName;
    mail.fromAddress = s.sender;
    mail.toName = s.pupilName;
    mail.toAddress = s.recipient;
    mail.subject = QStringLiteral("Enregistrement : ") + s.pupilName;
    mail.body = QStringLiteral("Enregistrement 1");
    mail.attachmentPath = recordingPath;

    // Whatever becomes of it, the pupil is told nothing.
    const QByteArray message = ComposeMail(mail);
    if (!message.isEmpty())
        HandOffMail(message);
}

} // namespace

bool TransferRunning() { return g_uploading || UploadRunning() || MailHandOffRunning(); }

void SendRecording(const QString& recordingPath)
{
    if (TransferRunning())
        return;

    if (recordingPath.right(4).toLower() != QStringLiteral(".mp3")) {
        MsgBox(QStringLiteral("Ceci n'est apparemment pas un fichier mp3 !\rIl ne peut pas être envoyé."),
               MsgIcon::Critical);
        return;
    }

    const QString& mode = Shared().sendMode;
    if (mode == QStringLiteral("web")) {
        g_uploading = true;
        WebUpload(recordingPath);
        g_uploading = false;
    } else if (mode == QStringLiteral("mail")) {
        SendByMail(recordingPath);
    }
}
