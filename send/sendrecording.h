#pragma once
#include "send/mail.h"
#include "send/uploadsession.h"

#include <QObject>
#include <QString>

#include <memory>

// The send button: checks the name and hands the recording in by upload
// (web mode) or by e-mail (mail mode). One transfer at a time. With no mode
// stored at all it tells the pupil to choose one. A child of the window that
// owns it, where tests find it.
class RecordingSender final : public QObject {
    Q_OBJECT
public:
    explicit RecordingSender(std::unique_ptr<UploadViewFactory> views, QObject* parent = nullptr);
    ~RecordingSender() override;

    static const QString kNoSendModeText;

    void send(const QString& recordingPath);
    // An upload or a mail hand-off is under way.
    bool transferRunning() const;

    UploadSession& upload() { return m_upload; }
    MailHandOff& mail() { return m_mail; }

private:
    void sendByMail(const QString& recordingPath);

    std::unique_ptr<UploadViewFactory> m_views;
    UploadSession m_upload;
    MailHandOff m_mail;
};
