#include "send/sendrecording.h"

#include "foundation/settings.h"
#include "send/webupload.h"

#include <QPointer>

RecordingSender::RecordingSender(const Settings& settings, std::unique_ptr<HandInView> view, QObject* parent)
    : QObject(parent), m_settings(settings), m_view(std::move(view)), m_upload(*m_view)
{
    // A mail program may end after the sender is gone (it runs on by itself).
    m_mail.setFailureHandler([self = QPointer<RecordingSender>(this)](const platform::MailFailure& failure) {
        if (self)
            self->m_view->report(HandInReport(failure));
    });
}

RecordingSender::~RecordingSender() = default;

bool RecordingSender::transferRunning() const { return m_upload.running() || m_mail.running(); }

void RecordingSender::send(const QString& recordingPath)
{
    // The upload runs from the event loop, so a second click on the send
    // button can arrive in the middle of it.
    if (transferRunning())
        return;

    if (recordingPath.right(4).toLower() != QStringLiteral(".mp3")) {
        m_view->report(HandInReport(HandInReport::Kind::NotMp3));
        return;
    }

    const QString& mode = m_settings.sendMode;
    if (mode == QStringLiteral("web"))
        WebUpload(m_upload, m_settings, recordingPath);
    else if (mode == QStringLiteral("mail"))
        sendByMail(recordingPath);
    else if (mode.isEmpty())
        // A first run validated without a sending option: say where to choose one.
        m_view->report(HandInReport(HandInReport::Kind::NoSendMode));
}

void RecordingSender::sendByMail(const QString& recordingPath)
{
    const Settings& s = m_settings;
    platform::MailMessage mail;
    mail.fromName = s.pupilName;
    mail.fromAddress = s.sender;
    mail.toName = s.pupilName;
    mail.toAddress = s.recipient;
    mail.subject = QStringLiteral("Enregistrement : ") + s.pupilName;
    mail.body = QStringLiteral("Enregistrement 1");
    mail.attachmentPath = recordingPath;

    // A hand-off that succeeds is silent; one that fails, now or when the
    // mail program ends, is reported through the failure handler.
    m_mail.handOff(mail);
}
