#include "send/httprequest.h"

#include "foundation/windows1252.h"
#include "platform/socketbuffer.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>

namespace {

void InitCurlOnce()
{
    static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
    (void)done;
}

// Form names and values in the 8-bit text the rest of the program uses;
// libcurl escapes quotes and line breaks in names.
QByteArray Text8(const QString& text) { return ToWindows1252(text); }

bool IsCertificateError(int result)
{
    switch (result) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_ISSUER_ERROR: return true;
    default: return false;
    }
}

// A proxy that could not reach the site answers CONNECT with one of these.
bool ProxyCouldNotReach(long status)
{
    return status == 500 || status == 502 || status == 503 || status == 504;
}

} // namespace

// A file part read while it goes out: `length` bytes from `offset`.
struct HttpRequest::FileSource {
    QFile file;
    qint64 offset = 0;
    qint64 length = 0;
    qint64 done = 0;
    bool failed = false;

    static std::size_t Read(char* buffer, std::size_t size, std::size_t items, void* arg)
    {
        auto* s = static_cast<FileSource*>(arg);
        const qint64 want = std::min<qint64>(static_cast<qint64>(size * items), s->length - s->done);
        if (want <= 0)
            return 0;
        const qint64 got = s->file.read(buffer, want);
        if (got <= 0) {
            // The file shrank or cannot be read: the body would not match its length.
            s->failed = true;
            return CURL_READFUNC_ABORT;
        }
        s->done += got;
        return static_cast<std::size_t>(got);
    }

    static int Seek(void* arg, curl_off_t offset, int origin)
    {
        auto* s = static_cast<FileSource*>(arg);
        if (origin != SEEK_SET || offset < 0 || offset > s->length)
            return CURL_SEEKFUNC_CANTSEEK;
        if (!s->file.seek(s->offset + offset))
            return CURL_SEEKFUNC_FAIL;
        s->done = offset;
        return CURL_SEEKFUNC_OK;
    }
};

// libcurl's easy and multi handles of one request, and the socket notifiers
// and timer through which Qt's event loop drives them. A QObject, so that it
// can go later when a transfer ends inside one of its own notifiers.
class HttpRequest::Curl final : public QObject {
public:
    explicit Curl(HttpRequest& owner) : m_owner(owner), easy(curl_easy_init()), multi(curl_multi_init())
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, [this] { Act(CURL_SOCKET_TIMEOUT, 0); });
        curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Curl::OnSocket);
        curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Curl::OnTimer);
        curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
    }

    ~Curl() override
    {
        Stop();
        curl_mime_free(mime);
        curl_slist_free_all(headers);
        curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
    }

    bool Start()
    {
        if (curl_multi_add_handle(multi, easy) != CURLM_OK)
            return false;
        m_added = true;
        return true;
    }

    // Takes the transfer off the event loop; nothing is called back after.
    void Stop()
    {
        m_timer.stop();
        if (m_added) {
            m_added = false;
            curl_multi_remove_handle(multi, easy);
        }
        for (Notifiers& w : m_watches) {
            for (QSocketNotifier* n : {w.read, w.write}) {
                if (n) {
                    n->setEnabled(false);
                    n->deleteLater();
                }
            }
        }
        m_watches.clear();
    }

    static std::size_t OnBodyBytes(char* data, std::size_t size, std::size_t items, void* self)
    {
        return static_cast<Curl*>(self)->m_owner.OnBody(data, size * items);
    }

    static int OnTransferInfo(void* self, curl_off_t, curl_off_t downNow, curl_off_t upTotal,
                              curl_off_t upNow)
    {
        static_cast<Curl*>(self)->m_owner.OnProgress(upTotal, upNow, downNow);
        return 0;
    }

    HttpRequest& m_owner;
    CURL* easy;
    CURLM* multi;
    curl_mime* mime = nullptr;
    curl_slist* headers = nullptr;

private:
    struct Notifiers {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int OnSocket(CURL*, curl_socket_t socket, int what, void* self, void*)
    {
        static_cast<Curl*>(self)->Track(socket, what);
        return 0;
    }

    static int OnTimer(CURLM*, long ms, void* self)
    {
        auto* c = static_cast<Curl*>(self);
        if (ms < 0)
            c->m_timer.stop();
        else
            c->m_timer.start(static_cast<int>(std::min<long>(ms, 24L * 3600 * 1000)));
        return 0;
    }

    void Track(curl_socket_t socket, int what)
    {
        Notifiers& w = m_watches[socket];
        auto want = [&](QSocketNotifier*& n, QSocketNotifier::Type type, bool on, int event) {
            if (on && !n) {
                n = new QSocketNotifier(static_cast<qintptr>(socket), type, this);
                connect(n, &QSocketNotifier::activated, this, [this, socket, event] { Act(socket, event); });
            }
            if (n)
                n->setEnabled(on);
        };
        const bool remove = what == CURL_POLL_REMOVE;
        want(w.read, QSocketNotifier::Read, !remove && (what & CURL_POLL_IN), CURL_CSELECT_IN);
        want(w.write, QSocketNotifier::Write, !remove && (what & CURL_POLL_OUT), CURL_CSELECT_OUT);
        if (remove) {
            for (QSocketNotifier* n : {w.read, w.write})
                if (n)
                    n->deleteLater();
            m_watches.remove(socket);
        }
    }

    void Act(curl_socket_t socket, int event)
    {
        if (!m_added)
            return;
        int running = 0;
        m_owner.m_inCurl = true;
        curl_multi_socket_action(multi, socket, event, &running);
        m_owner.m_inCurl = false;
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg == CURLMSG_DONE) {
                // The owner lets this object go later: nothing of it is touched after.
                m_owner.Finish(msg->data.result);
                return;
            }
        }
    }

    QTimer m_timer;
    QHash<curl_socket_t, Notifiers> m_watches;
    bool m_added = false;
};

namespace {

int OnSocketOpened(void*, curl_socket_t socket, curlsocktype purpose)
{
    if (purpose == CURLSOCKTYPE_IPCXN)
        platform::LimitSendBuffer(static_cast<std::uintptr_t>(socket), HttpRequest::kSendBuffer);
    return CURL_SOCKOPT_OK;
}

} // namespace

HttpRequest::HttpRequest(QObject* parent) : QObject(parent)
{
    InitCurlOnce();
    for (QTimer* t : {&m_idleTimer, &m_replyTimer, &m_deadlineTimer})
        t->setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] { Fail(Failure::Silence); });
    connect(&m_replyTimer, &QTimer::timeout, this, [this] { Fail(Failure::NoReply); });
    connect(&m_deadlineTimer, &QTimer::timeout, this,
            [this] { Fail(m_allSent ? Failure::NoReply : Failure::Silence); });
}

HttpRequest::~HttpRequest() = default;

void HttpRequest::SetTimeout(qint32 ms) { m_timeout = ms; }
void HttpRequest::SetConnectTimeout(qint32 ms) { m_connectTimeout = ms; }
void HttpRequest::SetDeadline(qint32 ms) { m_deadline = ms; }
void HttpRequest::SetHost(const QString& host) { m_host = host; }
void HttpRequest::SetServerPort(qint32 port) { m_port = port; }
void HttpRequest::SetPath(const QString& path) { m_path = path; }
void HttpRequest::SetProxyHost(const QString& host) { m_proxyHost = host; }
void HttpRequest::SetProxyPort(qint32 port) { m_proxyPort = port; }
void HttpRequest::SetSecure(bool secure) { m_secure = secure; }

bool HttpRequest::AddFile(const QString& fieldName, const QString& filePath)
{
    return AddFileRange(fieldName, filePath, 0, -1, QFileInfo(filePath).fileName());
}

bool HttpRequest::AddFileRange(const QString& fieldName, const QString& filePath, qint64 offset,
                               qint64 length, const QString& fileName)
{
    Part p;
    p.name = fieldName;
    p.path = filePath;
    p.fileName = fileName;
    p.offset = offset;
    p.length = length;
    p.file = true;
    m_parts.append(p);
    const QFileInfo info(filePath);
    if (!info.isFile() || !info.isReadable() || offset < 0 ||
        (length >= 0 && offset + length > info.size())) {
        m_badFile = true;
        return false;
    }
    return true;
}

void HttpRequest::AddFileBytes(const QString& fieldName, const QByteArray& bytes, const QString& fileName)
{
    Part p;
    p.name = fieldName;
    p.bytes = bytes;
    p.fileName = fileName;
    p.file = true;
    m_parts.append(p);
}

void HttpRequest::AddField(const QString& fieldName, const QString& value)
{
    Part p;
    p.name = fieldName;
    p.value = value;
    m_parts.append(p);
}

std::unique_ptr<HttpRequest> HttpRequest::RequestAgain() const
{
    auto again = std::make_unique<HttpRequest>();
    again->m_parts = m_parts;
    again->m_badFile = m_badFile;
    again->m_timeout = m_timeout;
    again->m_connectTimeout = m_connectTimeout;
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

qint32 HttpRequest::Send()
{
    if (m_sent || m_badFile || m_host.isEmpty() || m_port <= 0 || m_port > 65535)
        return -1;
    const QUrl target(url(), QUrl::TolerantMode);
    if (!target.isValid() || target.host().isEmpty() || target.port(m_port) != m_port)
        return -1;
    QByteArray proxy; // "" = none, whatever the environment says
    if (!m_proxyHost.isEmpty()) {
        const qint32 proxyPort = m_proxyPort < 0 ? 80 : m_proxyPort;
        if (proxyPort <= 0 || proxyPort > 65535)
            return -1;
        proxy = "http://" + QUrl::toAce(m_proxyHost) + ':' + QByteArray::number(proxyPort);
        if (proxy == "http://:" + QByteArray::number(proxyPort))
            proxy = "http://" + m_proxyHost.toLatin1() + ':' + QByteArray::number(proxyPort);
    }

    auto curl = std::make_unique<Curl>(*this);
    if (!curl->easy || !curl->multi)
        return -1;
    CURL* e = curl->easy;
    curl->mime = curl_mime_init(e);
    for (const Part& p : std::as_const(m_parts)) {
        curl_mimepart* part = curl_mime_addpart(curl->mime);
        curl_mime_name(part, Text8(p.name).constData());
        if (!p.file) {
            const QByteArray value = Text8(p.value);
            curl_mime_data(part, value.constData(), static_cast<std::size_t>(value.size()));
            continue;
        }
        curl_mime_filename(part, Text8(p.fileName).constData());
        curl_mime_type(part, "application/octet-stream");
        if (p.path.isEmpty()) {
            curl_mime_data(part, p.bytes.constData(), static_cast<std::size_t>(p.bytes.size()));
            continue;
        }
        // Streamed from disk, block by block: a piece is never held whole in memory.
        auto source = std::make_shared<FileSource>();
        source->file.setFileName(p.path);
        if (!source->file.open(QIODevice::ReadOnly))
            return -1;
        source->offset = p.offset;
        source->length = p.length < 0 ? source->file.size() - p.offset : p.length;
        if (source->length < 0 || !source->file.seek(p.offset))
            return -1;
        curl_mime_data_cb(part, source->length, &FileSource::Read, &FileSource::Seek, nullptr, source.get());
        m_sources.append(source);
    }

    curl->headers = curl_slist_append(nullptr, "Expect:"); // no waiting for "100 Continue"
    curl_easy_setopt(e, CURLOPT_URL, target.toEncoded().constData());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_MIMEPOST, curl->mime);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, curl->headers);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Mirlo");
    // Exactly one send: a connection of its own, never reused, never re-sent.
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L); // a move is judged by the upload
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.constData());
    curl_easy_setopt(e, CURLOPT_NOPROXY, ""); // no_proxy from the environment does not apply
    curl_easy_setopt(e, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    // The system's authorities, or those OpenSSL's own variable names.
    if (const QByteArray authorities = qgetenv("SSL_CERT_FILE"); !authorities.isEmpty())
        curl_easy_setopt(e, CURLOPT_CAINFO, authorities.constData());
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectTimeout));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, &OnSocketOpened);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Curl::OnBodyBytes);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, curl.get());
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Curl::OnTransferInfo);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, curl.get());

    m_curl = std::move(curl);
    if (!m_curl->Start()) {
        m_curl.reset();
        return -1;
    }
    m_sent = true;
    m_running = true;
    if (m_timeout > 0)
        m_idleTimer.start(m_timeout);
    if (m_deadline > 0)
        m_deadlineTimer.start(m_deadline);
    return 0;
}

void HttpRequest::OnProgress(qint64 upTotal, qint64 upNow, qint64 downNow)
{
    if (!m_running)
        return;
    const bool moved = upNow != m_upNow || downNow != m_downNow;
    m_upNow = upNow;
    m_downNow = downNow;
    if (upTotal > 0) {
        const auto percent = static_cast<qint32>(std::clamp<qint64>(upNow * 100 / upTotal, 0, 100));
        if (percent != m_progress) {
            m_progress = percent;
            emit progressed(percent);
        }
    }
    if (!m_allSent && upTotal > 0 && upNow >= upTotal) {
        // However it trickles, the whole reply must come within the time-out.
        m_allSent = true;
        m_idleTimer.stop();
        if (m_timeout > 0)
            m_replyTimer.start(m_timeout);
    } else if (moved && !m_allSent && m_timeout > 0) {
        m_idleTimer.start(m_timeout);
    }
}

std::size_t HttpRequest::OnBody(const char* data, std::size_t size)
{
    const qint64 room = kReplyCap - m_body.size();
    m_body.append(data, static_cast<qsizetype>(std::min<qint64>(room, static_cast<qint64>(size))));
    if (static_cast<qint64>(size) < room)
        return size;
    // An upload script answers in a few words: the rest is not read.
    m_capped = true;
    return 0;
}

void HttpRequest::Fail(Failure why)
{
    if (!m_running)
        return;
    if (m_inCurl) {
        // Asked from a signal sent inside libcurl's call: the transfer cannot
        // be taken apart there.
        QMetaObject::invokeMethod(
            this, [this, why] { Fail(why); }, Qt::QueuedConnection);
        return;
    }
    m_ownFailure = why;
    Finish(CURLE_ABORTED_BY_CALLBACK);
}

void HttpRequest::Abort() { Fail(Failure::Aborted); }

void HttpRequest::Finish(int result)
{
    if (!m_running)
        return;
    m_running = false;
    m_idleTimer.stop();
    m_replyTimer.stop();
    m_deadlineTimer.stop();

    CURL* e = m_curl->easy;
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    long connectStatus = 0;
    curl_easy_getinfo(e, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    const bool complete =
        m_ownFailure == Failure::None && (result == CURLE_OK || (m_capped && result == CURLE_WRITE_ERROR));
    bool unreadable = false;
    for (const auto& source : std::as_const(m_sources))
        unreadable = unreadable || source->failed;

    if (complete) {
        m_outcome = 1;
        m_status = static_cast<qint32>(status);
        char* next = nullptr;
        if (status / 100 == 3 && curl_easy_getinfo(e, CURLINFO_REDIRECT_URL, &next) == CURLE_OK && next)
            m_location = QString::fromLatin1(next);
    } else if (m_ownFailure != Failure::None) {
        m_failure = m_ownFailure;
    } else if (unreadable) {
        m_failure = Failure::Unreadable;
    } else if (connectStatus >= 300) {
        m_proxyStatus = static_cast<qint32>(connectStatus);
        m_failure = ProxyCouldNotReach(connectStatus) ? Failure::Unreachable : Failure::ProxyRefused;
    } else if (IsCertificateError(result)) {
        m_failure = Failure::Certificate;
    } else if (result == CURLE_COULDNT_CONNECT) {
        // Through a proxy, it is the proxy that could not be reached.
        m_failure = m_proxyHost.isEmpty() ? Failure::Unreachable : Failure::Connect;
    } else if (result == CURLE_OPERATION_TIMEDOUT) {
        m_failure = Failure::Unreachable; // silent while connecting
    } else {
        m_failure = Failure::Connect;
    }

    // This may run inside one of the transfer's own notifiers: it goes later.
    m_curl->Stop();
    m_curl.release()->deleteLater();
    m_sources.clear();
    QMetaObject::invokeMethod(
        this, [this] { emit ended(); }, Qt::QueuedConnection);
}

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
