#include "send/httprequest.h"

#include "foundation/windows1252.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QRandomGenerator>
#include <QSslSocket>
#include <QStringDecoder>
#include <QUrl>

namespace {

// Quoted header parameter: the server's script sees the same 8-bit text the
// rest of the program uses; quotes and line breaks cannot break the header.
QByteArray QuotedParam(const QString& text)
{
    QByteArray bytes = ToWindows1252(text);
    bytes.replace('"', "%22").replace('\r', "").replace('\n', "");
    return '"' + bytes + '"';
}

constexpr qint64 kFileBlock = 64 * 1024;
constexpr qint64 kWriteAhead = 256 * 1024;
constexpr qsizetype kHeadLimit = 64 * 1024; // status line and headers

QByteArray NewBoundary()
{
    QByteArray b = "----MirloFormBoundary";
    for (int i = 0; i < 4; ++i)
        b += QByteArray::number(QRandomGenerator::global()->generate(), 16);
    return b;
}

// "HTTP/1.1 200 OK" -> 200, or -1.
int StatusOf(const QByteArray& line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() < 2 || !words[0].startsWith("HTTP/1.") || words[1].size() != 3)
        return -1;
    bool ok = false;
    const int status = words[1].toInt(&ok);
    return ok && status >= 100 ? status : -1;
}

} // namespace

HttpRequest::HttpRequest(QObject* parent) : QObject(parent)
{
    for (QTimer* t : {&m_idleTimer, &m_deadlineTimer, &m_replyTimer}) {
        t->setSingleShot(true);
        connect(t, &QTimer::timeout, this, [this] { Finish(false); });
    }
}

HttpRequest::~HttpRequest()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        delete m_socket;
    }
    for (const Chunk& c : std::as_const(m_chunks))
        delete c.file;
}

void HttpRequest::SetTimeout(qint32 ms) { m_timeout = ms; }
void HttpRequest::SetHost(const QString& host) { m_host = host; }
void HttpRequest::SetPort(qint32 port) { m_port = port; }
void HttpRequest::SetPath(const QString& path) { m_path = path; }
void HttpRequest::SetProxyHost(const QString& host) { m_proxyHost = host; }
void HttpRequest::SetProxyPort(qint32 port) { m_proxyPort = port; }
void HttpRequest::SetSecure(bool secure) { m_secure = secure; }
void HttpRequest::SetDeadline(qint32 ms) { m_deadline = ms; }

bool HttpRequest::AddFile(const QString& fieldName, const QString& filePath)
{
    m_parts.append({fieldName, filePath, true});
    if (!QFileInfo(filePath).isFile() || !QFileInfo(filePath).isReadable()) {
        m_badFile = true;
        return false;
    }
    return true;
}

void HttpRequest::AddField(const QString& fieldName, const QString& value)
{
    m_parts.append({fieldName, value, false});
}

std::unique_ptr<HttpRequest> HttpRequest::RequestAgain() const
{
    auto again = std::make_unique<HttpRequest>();
    again->m_parts = m_parts;
    again->m_badFile = m_badFile;
    again->m_timeout = m_timeout;
    again->m_deadline = m_deadline;
    again->m_host = m_host;
    again->m_port = m_port;
    again->m_path = m_path;
    again->m_proxyHost = m_proxyHost;
    again->m_proxyPort = m_proxyPort;
    again->m_secure = m_secure;
    return again;
}

QString HttpRequest::url() const
{
    QString path = m_path;
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    const QString scheme = m_secure ? QStringLiteral("https") : QStringLiteral("http");
    // The scheme's own port is left out: "host:80" would only confuse virtual hosts.
    if (m_port == (m_secure ? 443 : 80))
        return QStringLiteral("%1://%2%3").arg(scheme, m_host, path);
    return QStringLiteral("%1://%2:%3%4").arg(scheme, m_host).arg(m_port).arg(path);
}

QByteArray HttpRequest::HostHeader() const
{
    const QUrl target(url(), QUrl::TolerantMode);
    QByteArray host = target.host(QUrl::FullyEncoded).toLatin1();
    if (target.port() != -1)
        host += ':' + QByteArray::number(target.port());
    return host;
}

bool HttpRequest::BuildRequest()
{
    const QByteArray boundary = NewBoundary();
    m_chunks.clear();
    qint64 bodyLength = 0;
    auto addBytes = [&](const QByteArray& bytes) {
        m_chunks.append({bytes, nullptr, 0});
        bodyLength += bytes.size();
    };
    for (const Part& p : std::as_const(m_parts)) {
        QByteArray head = "--" + boundary + "\r\nContent-Disposition: form-data; name=" + QuotedParam(p.name);
        if (p.file) {
            auto* file = new QFile(p.value);
            // Streamed from disk: a piece is never held whole in memory here.
            if (!file->open(QIODevice::ReadOnly)) {
                delete file;
                return false;
            }
            head += "; filename=" + QuotedParam(QFileInfo(p.value).fileName()) +
                    "\r\nContent-Type: application/octet-stream\r\n\r\n";
            addBytes(head);
            m_chunks.append({QByteArray(), file, file->size()});
            bodyLength += file->size();
            addBytes("\r\n");
        } else {
            addBytes(head + "\r\n\r\n" + ToWindows1252(p.value) + "\r\n");
        }
    }
    addBytes("--" + boundary + "--\r\n");

    const QUrl target(url(), QUrl::TolerantMode);
    // Through a proxy, plain HTTP names the whole address; over a tunnel or
    // straight to the site, only the path.
    const QByteArray requestTarget =
        (!m_proxyHost.isEmpty() && !m_secure)
            ? target.toEncoded(QUrl::RemoveFragment)
            : target.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    const QByteArray head = "POST " + requestTarget + " HTTP/1.1\r\nHost: " + HostHeader() +
                            "\r\nUser-Agent: Mirlo\r\nAccept: */*\r\nConnection: close\r\n"
                            "Content-Type: multipart/form-data; boundary=" +
                            boundary + "\r\nContent-Length: " + QByteArray::number(bodyLength) + "\r\n\r\n";
    m_chunks.prepend({head, nullptr, 0});
    m_total = head.size() + bodyLength;
    return true;
}

qint32 HttpRequest::Send()
{
    if (m_sent || m_badFile)
        return -1;
    const QUrl target(url(), QUrl::TolerantMode);
    if (m_host.isEmpty() || !target.isValid() || target.host().isEmpty() || m_port <= 0 || m_port > 65535)
        return -1;
    // A site set as "host:port" keeps its port, as the address reads.
    m_connectHost = target.host(QUrl::FullyEncoded);
    m_connectPort = static_cast<quint16>(target.port(m_secure ? 443 : 80));
    if (!BuildRequest())
        return -1;

    m_sent = true;
    m_stage = Stage::Connecting;
    m_socket = new QSslSocket(this);
    // Our proxy is the one set here, never one from the environment.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_socket->setPeerVerifyMode(QSslSocket::VerifyPeer);
    m_socket->setPeerVerifyName(m_connectHost);
    connect(m_socket, &QSslSocket::connected, this, &HttpRequest::onConnected);
    connect(m_socket, &QSslSocket::encrypted, this, [this] {
        Touch();
        StartRequest();
    });
    connect(m_socket, &QSslSocket::sslErrors, this, [this] { m_certificateRejected = true; });
    connect(m_socket, &QSslSocket::readyRead, this, &HttpRequest::onReadyRead);
    connect(m_socket, &QSslSocket::bytesWritten, this, [this] {
        Touch();
        FeedSocket();
    });
    connect(m_socket, &QSslSocket::disconnected, this, &HttpRequest::onDisconnected);
    connect(m_socket, &QSslSocket::errorOccurred, this, &HttpRequest::onSocketError);

    if (m_timeout > 0)
        m_idleTimer.start(m_timeout);
    if (m_deadline > 0)
        m_deadlineTimer.start(m_deadline);
    if (!m_proxyHost.isEmpty()) {
        const quint16 port = (m_proxyPort > 0 && m_proxyPort <= 65535) ? static_cast<quint16>(m_proxyPort)
                                                                       : quint16(m_proxyPort < 0 ? 80 : 0);
        m_socket->connectToHost(m_proxyHost, port);
    } else if (m_secure) {
        m_socket->connectToHostEncrypted(m_connectHost, m_connectPort);
    } else {
        m_socket->connectToHost(m_connectHost, m_connectPort);
    }
    return 0;
}

void HttpRequest::Touch()
{
    if (m_stage != Stage::Done && m_timeout > 0)
        m_idleTimer.start(m_timeout);
}

void HttpRequest::onConnected()
{
    Touch();
    if (m_proxyHost.isEmpty()) {
        if (!m_secure)
            StartRequest();
        return; // the handshake follows by itself
    }
    if (!m_secure) {
        StartRequest();
        return;
    }
    const QByteArray authority = m_connectHost.toLatin1() + ':' + QByteArray::number(m_connectPort);
    m_stage = Stage::Tunnel;
    m_socket->write("CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n");
}

bool HttpRequest::ReadTunnelReply()
{
    const qsizetype end = m_in.indexOf("\r\n\r\n");
    if (end < 0) {
        if (m_in.size() > kHeadLimit)
            Finish(false);
        return false;
    }
    const int status = StatusOf(m_in.left(m_in.indexOf("\r\n")));
    m_in.clear();
    if (status < 0) {
        Finish(false);
    } else if (status / 100 != 2) {
        // The proxy's own refusal is the reply.
        m_status = status;
        Finish(true);
    } else {
        m_stage = Stage::Connecting;
        m_socket->startClientEncryption();
    }
    return true;
}

void HttpRequest::StartRequest()
{
    if (m_stage == Stage::Done)
        return;
    m_stage = Stage::Exchange;
    FeedSocket();
}

void HttpRequest::FeedSocket()
{
    if (m_stage != Stage::Exchange)
        return;
    while (m_chunkIndex < m_chunks.size() && m_socket->bytesToWrite() < kWriteAhead) {
        Chunk& c = m_chunks[m_chunkIndex];
        if (!c.file) {
            m_socket->write(c.bytes);
            m_queued += c.bytes.size();
            ++m_chunkIndex;
            continue;
        }
        const QByteArray block = c.file->read(qMin(kFileBlock, c.fileLeft));
        if (block.isEmpty() && c.fileLeft > 0) {
            // The file shrank or cannot be read: the body would not match its length.
            Finish(false);
            return;
        }
        m_socket->write(block);
        m_queued += block.size();
        c.fileLeft -= block.size();
        if (c.fileLeft == 0) {
            delete c.file;
            c.file = nullptr;
            ++m_chunkIndex;
        }
    }
    const qint64 sent = m_queued - m_socket->bytesToWrite();
    if (m_total > 0)
        m_progress = static_cast<qint32>(qBound(qint64(0), sent * 100 / m_total, qint64(100)));
    if (m_chunkIndex == m_chunks.size() && m_socket->bytesToWrite() == 0 && !m_replyTimer.isActive()) {
        m_progress = 100;
        // However it trickles, the whole reply must come within the time-out.
        if (m_timeout > 0)
            m_replyTimer.start(m_timeout);
    }
}

void HttpRequest::onReadyRead()
{
    if (!m_socket || m_stage == Stage::Done)
        return;
    Touch();
    m_in += m_socket->readAll();
    if (m_stage == Stage::Tunnel) {
        ReadTunnelReply();
        return;
    }
    if (m_stage != Stage::Exchange)
        return;
    if (!m_headDone && !ReadReplyHead())
        return;
    ReadReplyBody();
}

bool HttpRequest::ReadReplyHead()
{
    for (;;) {
        const qsizetype end = m_in.indexOf("\r\n\r\n");
        if (end < 0) {
            if (m_in.size() > kHeadLimit)
                Finish(false);
            return false;
        }
        const QList<QByteArray> lines = m_in.left(end).split('\n');
        m_in.remove(0, end + 4);
        const int status = StatusOf(lines.value(0));
        if (status < 0) {
            Finish(false);
            return false;
        }
        if (status / 100 == 1)
            continue; // "100 Continue" and the like come before the real reply
        m_status = status;
        m_bodyEnd = BodyEnd::Close;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "transfer-encoding" && value.toLower().contains("chunked")) {
                m_bodyEnd = BodyEnd::Chunked;
            } else if (name == "content-length" && m_bodyEnd != BodyEnd::Chunked) {
                bool ok = false;
                m_remaining = value.toLongLong(&ok);
                if (!ok || m_remaining < 0) {
                    Finish(false);
                    return false;
                }
                m_bodyEnd = BodyEnd::Length;
            } else if (name == "location") {
                m_location = QString::fromLatin1(value);
            }
        }
        m_headDone = true;
        if (status == 204 || status == 304 || (m_bodyEnd == BodyEnd::Length && m_remaining == 0)) {
            Finish(true);
            return false;
        }
        return true;
    }
}

void HttpRequest::ReadReplyBody()
{
    while (m_stage == Stage::Exchange && !m_in.isEmpty()) {
        if (m_bodyEnd == BodyEnd::Close) {
            AppendBody(m_in);
            m_in.clear();
        } else if (m_bodyEnd == BodyEnd::Length || !m_chunkSizeNext) {
            const qsizetype n = static_cast<qsizetype>(qMin<qint64>(m_remaining, m_in.size()));
            AppendBody(m_in.left(n));
            m_in.remove(0, n);
            m_remaining -= n;
            if (m_remaining > 0)
                return;
            if (m_bodyEnd == BodyEnd::Length) {
                Finish(true);
                return;
            }
            m_chunkSizeNext = true;
            m_skipLineEnd = true;
        } else {
            const qsizetype eol = m_in.indexOf("\r\n");
            if (eol < 0) {
                if (m_in.size() > kHeadLimit)
                    Finish(false);
                return;
            }
            const QByteArray line = m_in.left(eol);
            m_in.remove(0, eol + 2);
            if (m_skipLineEnd) { // the CR LF after a chunk's data
                m_skipLineEnd = false;
                if (!line.isEmpty()) {
                    Finish(false);
                    return;
                }
                continue;
            }
            bool ok = false;
            const qint64 size = line.split(';').value(0).trimmed().toLongLong(&ok, 16);
            if (!ok || size < 0) {
                Finish(false);
                return;
            }
            if (size == 0) { // trailers, if any, do not matter
                Finish(true);
                return;
            }
            m_remaining = size;
            m_chunkSizeNext = false;
        }
    }
}

void HttpRequest::AppendBody(const QByteArray& bytes)
{
    m_body += bytes.left(kReplyCap - m_body.size());
    // An upload script answers in a few words: the rest is not read.
    if (m_body.size() >= kReplyCap)
        Finish(true);
}

void HttpRequest::onDisconnected()
{
    if (m_stage == Stage::Done)
        return;
    onReadyRead();
    if (m_stage == Stage::Done)
        return;
    // Only a reply whose end is the end of the connection is whole now.
    Finish(m_stage == Stage::Exchange && m_headDone && m_bodyEnd == BodyEnd::Close);
}

void HttpRequest::onSocketError()
{
    if (m_stage == Stage::Done)
        return;
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    Finish(false);
}

void HttpRequest::Finish(bool complete)
{
    if (m_stage == Stage::Done || m_stage == Stage::Idle)
        return;
    m_stage = Stage::Done;
    m_idleTimer.stop();
    m_deadlineTimer.stop();
    m_replyTimer.stop();
    m_outcome = complete ? 1 : 0;
    if (!complete)
        m_location.clear();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    for (Chunk& c : m_chunks) {
        delete c.file;
        c.file = nullptr;
    }
    emit ended();
}

void HttpRequest::Wait(qint32 ms)
{
    if (!IsBusy())
        return;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &HttpRequest::ended, &loop, &QEventLoop::quit);
    timer.start(qMax(0, ms));
    loop.exec();
}

qint32 HttpRequest::GetProgress() const { return m_progress; }
qint32 HttpRequest::IsBusy() const { return (m_stage != Stage::Idle && m_stage != Stage::Done) ? 1 : 0; }

void HttpRequest::Abort()
{
    if (IsBusy())
        Finish(false);
}

qint32 HttpRequest::GetOutcome() const { return m_outcome; }
qint32 HttpRequest::GetStatus() const { return m_status; }
QByteArray HttpRequest::GetBody() const { return m_body; }

QString HttpRequest::BodyToText(const QByteArray& body, const QString& charset)
{
    const QString name = charset.trimmed().toLower();
    if (name == u"windows-1252" || name == u"cp1252")
        return FromWindows1252(body);
    QStringDecoder decoder(charset.toLatin1().constData());
    if (!decoder.isValid())
        return QString::fromLatin1(body);
    return decoder.decode(body);
}
