#include "send/sendrecording.h"

#include "foundation/seams.h"
#include "send/handinsettings.h"
#include "send/webupload.h"

const QString RecordingSender::kNoSendModeText =
    QStringLiteral("Aucun mode d'envoi n'est choisi.\rChoisissez dans les paramètres (bouton \"Infos\", "
                   "\"Modifier les paramètres\") comment rendre votre enregistrement : par le site Web ou "
                   "par email.");

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

    const QString& mode = HandInSettings().sendMode;
    if (mode == QStringLiteral("web"))
        WebUpload(m_upload, recordingPath);
    else if (mode == QStringLiteral("mail"))
        sendByMail(recordingPath);
    else if (mode.isEmpty())
        // A first run validated without a sending option: say where to choose one.
        MsgBox(kNoSendModeText, MsgIcon::Information);
}

void RecordingSender::sendByMail(const QString& recordingPath)
{
    const Settings& s = HandInSettings();
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
