#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

class QFile;
class QSslSocket;

// The upload's HTTP request component: one multipart/form-data POST over
// HTTP/1.1 to http://host:port/path or https://host:port/path, optionally
// through an HTTP proxy (HTTPS by CONNECT), driven by a polling wait loop on
// the UI thread. Our own client over QSslSocket: the request goes out
// exactly once (no silent re-send when a connection drops), and a reply that
// trickles or never ends is cut off.
class HttpRequest final : public QObject {
    Q_OBJECT
public:
    explicit HttpRequest(QObject* parent = nullptr);
    ~HttpRequest() override;

    void SetTimeout(qint32 ms); // inactivity; also the longest wait for the whole reply
    void SetHost(const QString& host);
    void SetPort(qint32 port);
    void SetPath(const QString& path);
    void SetProxyHost(const QString& host);
    void SetProxyPort(qint32 port);
    // TLS with the system's certificate store and full certificate and
    // host-name verification.
    void SetSecure(bool secure);
    // Longest time from Send to the end of the reply, however busy the line.
    void SetDeadline(qint32 ms);

    // Parts go out in the order they are added. AddFile returns false when
    // the file cannot be opened; Send then fails.
    bool AddFile(const QString& fieldName, const QString& filePath);
    void AddField(const QString& fieldName, const QString& value);

    // A request not sent yet, with the same settings and parts, to send to
    // another address.
    std::unique_ptr<HttpRequest> RequestAgain() const;

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
    // At most kReplyCap bytes: the rest of a longer reply is not read.
    QByteArray GetBody() const;
    static QString BodyToText(const QByteArray& body, const QString& charset);

    // The reply's Location header, empty when it has none.
    QString location() const { return m_location; }
    // The site's certificate failed verification: nothing was sent.
    bool certificateRejected() const { return m_certificateRejected; }

    static constexpr qint64 kReplyCap = 1 << 20;

    qint32 timeout() const { return m_timeout; }
    qint32 deadline() const { return m_deadline; }
    bool secure() const { return m_secure; }
    QString host() const { return m_host; }
    QString url() const;

signals:
    void ended();

private:
    struct Part {
        QString name;
        QString value; // field value, or file path
        bool file = false;
    };
    // A piece of the request as it goes out: bytes, or a file read in blocks.
    struct Chunk {
        QByteArray bytes;
        QFile* file = nullptr;
        qint64 fileLeft = 0; // what the body counts on from the file
    };
    enum class Stage { Idle, Connecting, Tunnel, Exchange, Done };
    enum class BodyEnd { Length, Chunked, Close };

    bool BuildRequest();
    QByteArray HostHeader() const;
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void StartRequest();
    void FeedSocket();
    void Touch(); // something moved: the inactivity time-out starts again
    bool ReadTunnelReply();
    bool ReadReplyHead();
    void ReadReplyBody();
    void AppendBody(const QByteArray& bytes);
    void Finish(bool complete);

    QSslSocket* m_socket = nullptr;
    QList<Part> m_parts;
    QList<Chunk> m_chunks;
    qsizetype m_chunkIndex = 0;
    qint64 m_total = 0;
    qint64 m_queued = 0;
    bool m_badFile = false;
    bool m_sent = false;
    Stage m_stage = Stage::Idle;
    qint32 m_timeout = 30000;
    qint32 m_deadline = 0; // 0 = none
    QString m_host;
    qint32 m_port = 80;
    QString m_path;
    QString m_proxyHost;
    qint32 m_proxyPort = -1;
    bool m_secure = false;
    QString m_connectHost; // as the address reads, in ASCII
    quint16 m_connectPort = 0;
    QTimer m_idleTimer;
    QTimer m_deadlineTimer;
    QTimer m_replyTimer;
    QByteArray m_in;
    BodyEnd m_bodyEnd = BodyEnd::Close;
    qint64 m_remaining = 0; // of the body, or of the current chunk
    bool m_headDone = false;
    bool m_chunkSizeNext = true;
    bool m_skipLineEnd = false;
    qint32 m_progress = 0;
    qint32 m_outcome = 0;
    qint32 m_status = 0;
    QString m_location;
    bool m_certificateRejected = false;
    QByteArray m_body;
};
