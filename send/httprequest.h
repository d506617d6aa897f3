#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QHttpMultiPart;
class QNetworkAccessManager;
class QNetworkReply;

// The upload's HTTP request component: one multipart/form-data POST to
// http://host:port/path, optionally through an HTTP proxy, driven by a
// polling wait loop on the UI thread.
class HttpRequest final : public QObject {
    Q_OBJECT
public:
    explicit HttpRequest(QObject* parent = nullptr);
    ~HttpRequest() override;

    void SetTimeout(qint32 ms);      // inactivity time-out
    void SetBlockSize(qint32 bytes); // kept for the caller; Qt chooses its own
    void SetHost(const QString& host);
    void SetPort(qint32 port);
    void SetPath(const QString& path);
    void SetProxyHost(const QString& host);
    void SetProxyPort(qint32 port);

    // Parts go out in the order they are added. AddFile returns false when
    // the file cannot be opened; Send then fails.
    bool AddFile(const QString& fieldName, const QString& filePath);
    void AddField(const QString& fieldName, const QString& value);

    // Starts the request and returns at once: 0 when started, -1 when it
    // could not be (bad address, unreadable file, already sent).
    qint32 Send();
    // Runs the event loop until the request ends or at most ms have passed.
    void Wait(qint32 ms);

    qint32 GetProgress() const; // 0-100 of the request body sent
    qint32 IsBusy() const;      // non-zero while running
    void Abort();
    qint32 GetOutcome() const; // 1 = a complete reply (any status) was received
    qint32 GetStatus() const;
    QByteArray GetBody() const;
    static QString BodyToText(const QByteArray& body, const QString& charset);

    qint32 timeout() const { return m_timeout; }
    qint32 blockSize() const { return m_blockSize; }
    QString url() const;

signals:
    void ended();

private:
    struct Part {
        QString name;
        QString value; // field value, or file path
        bool file = false;
    };
    QHttpMultiPart* BuildBody() const; // nullptr when a file cannot be opened
    void ApplyProxy();
    void WatchReply();
    void onFinished();

    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QList<Part> m_parts;
    bool m_badFile = false;
    bool m_sent = false;
    bool m_busy = false;
    qint32 m_timeout = 30000;
    qint32 m_blockSize = 2048;
    QString m_host;
    qint32 m_port = 80;
    QString m_path;
    QString m_proxyHost;
    qint32 m_proxyPort = -1;
    qint32 m_progress = 0;
    qint32 m_outcome = 0;
    qint32 m_status = 0;
    QByteArray m_body;
};
