#include "send/httprequest.h"

#include "foundation/windows1252.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
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

bool IsHttpStatusError(QNetworkReply::NetworkError e)
{
    // Proxy answers (407...), content (4xx) and server (5xx) errors stand for
    // statuses that were received; connection, time-out and protocol errors
    // mean no complete reply.
    const int code = static_cast<int>(e);
    return (code >= QNetworkReply::ProxyAuthenticationRequiredError && code <= 199) ||
           (code >= 201 && code <= 299) || (code >= 401 && code <= 499);
}

} // namespace

HttpRequest::HttpRequest(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this)) {}

HttpRequest::~HttpRequest()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void HttpRequest::SetTimeout(qint32 ms) { m_timeout = ms; }
void HttpRequest::SetBlockSize(qint32 bytes) { m_blockSize = bytes; }
void HttpRequest::SetHost(const QString& host) { m_host = host; }
void HttpRequest::SetPort(qint32 port) { m_port = port; }
void HttpRequest::SetPath(const QString& path) { m_path = path; }
void HttpRequest::SetProxyHost(const QString& host) { m_proxyHost = host; }
void HttpRequest::SetProxyPort(qint32 port) { m_proxyPort = port; }

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

QString HttpRequest::url() const
{
    QString path = m_path;
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    // Port 80 is the scheme's own: "host:80" would only confuse virtual hosts.
    if (m_port == 80)
        return QStringLiteral("http://%1%2").arg(m_host, path);
    return QStringLiteral("http://%1:%2%3").arg(m_host).arg(m_port).arg(path);
}

QHttpMultiPart* HttpRequest::BuildBody() const
{
    auto* multi = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    for (const Part& p : std::as_const(m_parts)) {
        QHttpPart part;
        QByteArray disposition = "form-data; name=" + QuotedParam(p.name);
        if (p.file) {
            auto* file = new QFile(p.value, multi);
            if (!file->open(QIODevice::ReadOnly)) {
                delete multi;
                return nullptr;
            }
            disposition += "; filename=" + QuotedParam(QFileInfo(p.value).fileName());
            part.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");
            // Streamed from disk: a piece is never held whole in memory here.
            part.setBodyDevice(file);
        } else {
            part.setBody(ToWindows1252(p.value));
        }
        part.setRawHeader("Content-Disposition", disposition);
        multi->append(part);
    }
    return multi;
}

void HttpRequest::ApplyProxy()
{
    if (!m_proxyHost.isEmpty()) {
        const quint16 port = (m_proxyPort > 0 && m_proxyPort <= 65535) ? static_cast<quint16>(m_proxyPort)
                                                                       : quint16(m_proxyPort < 0 ? 80 : 0);
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, m_proxyHost, port));
    } else {
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    }
}

void HttpRequest::WatchReply()
{
    connect(m_reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        if (total > 0)
            m_progress = static_cast<qint32>(qBound(qint64(0), sent * 100 / total, qint64(100)));
    });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] { m_body += m_reply->readAll(); });
    connect(m_reply, &QNetworkReply::finished, this, &HttpRequest::onFinished);
}

qint32 HttpRequest::Send()
{
    if (m_sent || m_badFile)
        return -1;
    const QUrl target(url(), QUrl::TolerantMode);
    if (m_host.isEmpty() || !target.isValid() || target.host().isEmpty() || m_port <= 0 || m_port > 65535)
        return -1;

    QHttpMultiPart* multi = BuildBody();
    if (!multi)
        return -1;
    ApplyProxy();

    QNetworkRequest request(target);
    request.setTransferTimeout(m_timeout > 0 ? m_timeout : 0);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    m_sent = true;
    m_busy = true;
    m_reply = m_manager->post(request, multi);
    multi->setParent(m_reply);
    WatchReply();
    return 0;
}

void HttpRequest::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply || !m_busy)
        return;
    m_body += reply->readAll();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    if (status.isValid() && (error == QNetworkReply::NoError || IsHttpStatusError(error))) {
        m_outcome = 1;
        m_status = status.toInt();
    } else {
        m_outcome = 0;
        m_status = status.isValid() ? status.toInt() : 0;
    }
    m_busy = false;
    reply->deleteLater();
    emit ended();
}

void HttpRequest::Wait(qint32 ms)
{
    if (!m_busy)
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
qint32 HttpRequest::IsBusy() const { return (m_busy && m_reply) ? 1 : 0; }

void HttpRequest::Abort()
{
    if (!m_busy || !m_reply)
        return;
    m_reply->disconnect(this);
    m_reply->abort();
    m_reply->deleteLater();
    m_busy = false;
    m_outcome = 0;
    emit ended();
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
