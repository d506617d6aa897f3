#include "send/sendrecording.h"

#include "foundation/seams.h"
#include "foundation/settings.h"
#include "send/webupload.h"

RecordingSender::RecordingSender(std::unique_ptr<UploadViewFactory> views, QObject* parent)
    : QObject(parent), m_views(std::move(views)), m_upload(*m_views)
{
    m_mail.setFailureHandler(
        [](const QString& reason) { MsgBox(MailNotSentText(reason), MsgIcon::Critical); });
}

QString MailNotSentText(const QString& reason)
{
    return QStringLiteral("L'enregistrement n'a pas été envoyé par email.") + QLatin1Char('\r') + reason;
}

RecordingSender::~RecordingSender() = default;

bool RecordingSender::transferRunning() const { return m_upload.running() || m_mail.running(); }

void RecordingSender::send(const QString& recordingPath)
{
    // The upload keeps the event loop turning while it runs, so a second
    // click on the send button can arrive in the middle of it.
    if (transferRunning())
        return;

    if (recordingPath.right(4).toLower() != QStringLiteral(".mp3")) {
        MsgBox(QStringLiteral("Ceci n'est apparemment pas un fichier mp3 !\rIl ne peut pas être envoyé."),
               MsgIcon::Critical);
        return;
    }

    const QString& mode = Shared().sendMode;
    if (mode == QStringLiteral("web"))
        WebUpload(m_upload, recordingPath);
    else if (mode == QStringLiteral("mail"))
        sendByMail(recordingPath);
}

void RecordingSender::sendByMail(const QString& recordingPath)
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

    // A hand-off that succeeds is silent; one that fails, now or when the
    // mail program ends, is told.
    const QByteArray message = ComposeMail(mail);
    if (message.isEmpty())
        MsgBox(MailNotSentText(QStringLiteral("Le fichier de l'enregistrement n'a pas pu être lu.")),
               MsgIcon::Critical);
    else
        m_mail.handOff(message);
}
