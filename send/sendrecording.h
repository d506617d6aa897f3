#pragma once
#include "platform/mailhandoff.h"
#include "send/uploadsession.h"

#include <QObject>
#include <QString>

#include <memory>

struct Settings;

// The send button: checks the name and hands the recording in by upload
// (web mode) or by e-mail (mail mode), reporting every outcome to its view.
// One transfer at a time. With no mode stored at all it reports that none is
// chosen. Reads the settings as they are at each click. A child of the
// window that owns it, where tests find it.
class RecordingSender final : public QObject {
    Q_OBJECT
public:
    RecordingSender(const Settings& settings, std::unique_ptr<HandInView> view,
                    QObject* parent = nullptr);
    ~RecordingSender() override;

    void send(const QString& recordingPath);
    // An upload or a mail hand-off is under way.
    bool transferRunning() const;

    UploadSession& upload() { return m_upload; }
    platform::MailHandOff& mail() { return m_mail; }

private:
    void sendByMail(const QString& recordingPath);

    const Settings& m_settings;
    std::unique_ptr<HandInView> m_view;
    UploadSession m_upload;
    platform::MailHandOff m_mail;
};
