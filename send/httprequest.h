#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <memory>

class QFile;
class QSocketNotifier;

// The upload's HTTP request: one multipart/form-data POST to
// http(s)://host:port/path, optionally through an HTTP proxy (HTTPS by
// CONNECT), carried by libcurl and driven from Qt's event loop. It never
// blocks: Send starts it, `progressed` and `ended` tell what follows.
// libcurl is told what the upload relies on: exactly one send (a fresh
// connection, never reused), no "Expect: 100-continue", no proxy but the one
// set here, redirects read and never followed, full certificate and
// host-name checking. Progress and the time-outs follow the bytes the
// network has taken (the socket's send buffer is kept small).
class HttpRequest final : public QObject {
    Q_OBJECT
public:
    // Why a request ended without a complete reply.
    enum class Failure {
        None,
        Connect,      // the site (or the proxy) could not be reached
        Unreachable,  // nothing answered at the site's address (refused, silent, or the proxy could not reach
                      // it)
        Silence,      // nothing moved for the time-out
        NoReply,      // everything was sent, the reply did not come in time
        Certificate,  // the site did not prove its identity
        ProxyRefused, // the proxy refused the tunnel: proxyStatus()
        Unreadable,   // a file part could not be read whole
        Aborted,
    };

    explicit HttpRequest(QObject* parent = nullptr);
    ~HttpRequest() override;

    // Silence allowed while sending, and time allowed for the reply once
    // everything has been sent.
    void SetTimeout(qint32 ms);
    // Longest time to reach the site (connection, tunnel and handshake).
    void SetConnectTimeout(qint32 ms);
    // Longest time from Send to the end of the reply, however busy the line.
    void SetDeadline(qint32 ms);
    void SetHost(const QString& host);
    void SetServerPort(qint32 port);
    void SetPath(const QString& path);
    void SetProxyHost(const QString& host);
    void SetProxyPort(qint32 port);
    void SetSecure(bool secure);

    // Parts go out in the order they are added. A file part is read while it
    // is sent; AddFileRange sends `length` bytes from `offset` under the
    // given file name. False when the file cannot be opened; Send then fails.
    bool AddFile(const QString& fieldName, const QString& filePath);
    bool AddFileRange(const QString& fieldName, const QString& filePath, qint64 offset, qint64 length,
                      const QString& fileName);
    void AddFileBytes(const QString& fieldName, const QByteArray& bytes, const QString& fileName);
    void AddField(const QString& fieldName, const QString& value);

    // A request not sent yet, with the same settings and parts.
    std::unique_ptr<HttpRequest> RequestAgain() const;

    // Starts the request: 0 when started, -1 when it could not be (bad
    // address, unreadable file, already sent).
    qint32 Send();

    qint32 GetProgress() const { return m_progress; } // 0-100 of the request taken by the network
    qint32 IsBusy() const { return m_running ? 1 : 0; }
    void Abort();                                   // `ended` follows
    qint32 GetOutcome() const { return m_outcome; } // 1 = a complete reply (any status)
    qint32 GetStatus() const { return m_status; }
    // At most kReplyCap bytes: the rest of a longer reply is not read.
    QByteArray GetBody() const { return m_body; }
    static QString BodyToText(const QByteArray& body, const QString& charset);

    Failure failure() const { return m_failure; }
    // The reply's Location, resolved against the request's address; empty when none.
    QString location() const { return m_location; }
    // The proxy's answer to CONNECT when it was not a success, else 0.
    qint32 proxyStatus() const { return m_proxyStatus; }
    // Everything was handed to the network.
    bool allSent() const { return m_allSent; }
    // The site spoke TLS with a verified certificate.
    bool spokeHttps() const { return m_secure && m_outcome == 1; }

    static constexpr qint64 kReplyCap = 1 << 20;
    // The socket's send buffer: at most this much is between the bar and the wire.
    static constexpr int kSendBuffer = 64 * 1024;

    bool secure() const { return m_secure; }
    QString host() const { return m_host; }
    QString proxyHost() const { return m_proxyHost; }
    qint32 port() const { return m_port; }
    QString url() const;

signals:
    void progressed(int percent);
    // Always queued: the receiver may delete the request.
    void ended();

private:
    struct Part {
        QString name;
        QString value;    // field value
        QString path;     // file part read from disk
        QByteArray bytes; // file part from memory
        QString fileName; // a file part's name
        qint64 offset = 0;
        qint64 length = -1; // -1: to the end of the file
        bool file = false;
    };
    struct FileSource; // a file part being read
    class Curl;        // libcurl's handles and their socket notifiers

    friend class Curl;
    void OnProgress(qint64 upTotal, qint64 upNow, qint64 downNow);
    std::size_t OnBody(const char* data, std::size_t size);
    void Finish(int curlResult);
    void Fail(Failure why);

    QList<Part> m_parts;
    bool m_badFile = false;
    bool m_sent = false;
    bool m_running = false;
    qint32 m_timeout = 30000;
    qint32 m_connectTimeout = 30000;
    qint32 m_deadline = 0; // 0 = none
    QString m_host;
    qint32 m_port = 80;
    QString m_path;
    QString m_proxyHost;
    qint32 m_proxyPort = -1;
    bool m_secure = false;

    std::unique_ptr<Curl> m_curl;
    QList<std::shared_ptr<FileSource>> m_sources;
    QTimer m_idleTimer;
    QTimer m_replyTimer;
    QTimer m_deadlineTimer;
    qint64 m_upNow = -1;
    qint64 m_downNow = -1;
    bool m_allSent = false;
    bool m_capped = false;
    bool m_inCurl = false;                // inside curl_multi_socket_action
    Failure m_ownFailure = Failure::None; // a time-out or abort of ours

    qint32 m_progress = 0;
    qint32 m_outcome = 0;
    qint32 m_status = 0;
    qint32 m_proxyStatus = 0;
    Failure m_failure = Failure::None;
    QString m_location;
    QByteArray m_body;
};
