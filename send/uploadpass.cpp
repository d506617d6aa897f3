#include "send/uploadpass.h"

#include "send/digittext.h"
#include "send/httprequest.h"
#include "send/replyjudge.h"
#include "send/uploadsession.h"

#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace {

// Field names as the school's upload script expects them, kept digit-coded.
const char kFileField[] = "117115101114102105108101";
const char kCheckField[] = "112114111111102110117109098101114";
const char kSecondLoginField[] = "114101112101114116111105114101";
const char kLoginField[] = "108111103105110";
const char kPasswordField[] = "112097115115119111114100";

QString FieldName(const char* digits) { return DecodeDigitText(QLatin1String(digits)); }

// The server puts the pieces together meanwhile.
constexpr int kPauseAfterLastPieceMs = 2000;

PassReply ReplyOf(const HttpRequest& r)
{
    PassReply reply;
    using F = HttpRequest::Failure;
    switch (r.failure()) {
    case F::None:
        reply.end = r.GetOutcome() == 1 ? PassReply::End::Reply : PassReply::End::Unreachable;
        break;
    case F::Connect:
    case F::Unreachable:
    case F::Silence:
    case F::Aborted: reply.end = PassReply::End::Unreachable; break;
    case F::NoReply: reply.end = PassReply::End::NoReply; break;
    case F::Certificate: reply.end = PassReply::End::Certificate; break;
    case F::ProxyRefused: reply.end = PassReply::End::ProxyRefused; break;
    case F::Unreadable: reply.end = PassReply::End::Unreadable; break;
    }
    reply.status = r.failure() == F::ProxyRefused ? r.proxyStatus() : r.GetStatus();
    reply.body = r.GetBody();
    reply.location = r.location();
    reply.viaProxy = !r.proxyHost().isEmpty();
    return reply;
}

bool IsMove(int status) { return status == 301 || status == 302 || status == 307 || status == 308; }

} // namespace

PassFile TestFile() { return {QStringLiteral("testx"), {}, 0, -1, QByteArrayLiteral("xxxxxx\r\n")}; }

QString DrawProofNumber() { return QString::number(QRandomGenerator::global()->bounded(1000000) + 1); }

SiteAddress ParseSite(const QString& site)
{
    SiteAddress a;
    QString rest = site.trimmed();
    if (rest.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        a.httpsOnly = true;
        rest = rest.mid(8);
    } else if (rest.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)) {
        rest = rest.mid(7);
    }
    rest = rest.left(rest.indexOf(u'/'));
    const qsizetype colon = rest.lastIndexOf(u':');
    if (colon > 0) {
        bool ok = false;
        const int port = rest.mid(colon + 1).toInt(&ok);
        if (ok && port > 0 && port <= 65535) {
            a.port = port;
            rest = rest.left(colon);
        }
    }
    a.host = rest;
    return a;
}

SiteAddress RememberedHttps(const Settings& settings, const SiteAddress& site)
{
    const SiteAddress known =
        ParseSite(ReadSetting(QStringLiteral("Web"), kHttpsSiteKey, settings.workingFile()));
    if (known.host.isEmpty() || known.host.compare(site.host, Qt::CaseInsensitive) != 0)
        return {};
    return known;
}

UploadPasses::UploadPasses(UploadSession& session, const Settings& settings, QList<PassFile> files, Mode mode)
    : m_session(session), m_settings(settings), m_files(std::move(files)), m_mode(mode)
{
}

UploadPasses::~UploadPasses() = default;

void UploadPasses::start()
{
    m_site = ParseSite(m_settings.webSite);
    const SiteAddress known = RememberedHttps(m_settings, m_site);
    if (!known.host.isEmpty()) {
        m_way = Way::Https;
        m_httpsPort = known.port > 0 ? known.port : 443;
        m_remembered = true;
    } else if (m_site.httpsOnly) {
        m_way = Way::Https;
        m_httpsPort = m_site.port > 0 ? m_site.port : 443;
    } else if (m_site.port > 0) {
        // A port of its own names one service: the one typed.
        m_way = Way::Plain;
    }
    StartPass(false);
}

void UploadPasses::StartPass(bool resend)
{
    m_session.resetAbandon();
    const Settings& s = m_settings;
    const PassFile& file = m_files[m_pass];

    auto r = std::make_unique<HttpRequest>();
    r->SetTimeout(kPassTimeoutMs);
    r->SetDeadline(kPassDeadlineMs);
    r->SetHost(m_site.host);
    // Read afresh for every pass; the same pass sent again keeps its own.
    if (!resend)
        m_session.setUploadPath(UnscrambleSetting(
            ReadSetting(QStringLiteral("Web"), QStringLiteral("Upload"), s.workingFile())));
    const bool moved = !m_movedTo.isEmpty() && m_movedFrom == m_session.uploadPath();
    r->SetPath(moved ? m_movedTo : m_session.uploadPath());
    if (m_way == Way::Plain) {
        r->SetServerPort(m_site.port > 0 ? m_site.port : 80);
    } else {
        r->SetSecure(true);
        r->SetServerPort(m_httpsPort);
        if (m_way == Way::TryHttps)
            r->SetConnectTimeout(kHttpsTryMs);
    }
    m_proofNumber = DrawProofNumber();
    bool stepFailed = false;
    if (!s.proxyHost.isEmpty())
        r->SetProxyHost(s.proxyHost);
    if (!s.proxyPortText.isEmpty()) {
        bool ok = false;
        const int port = s.proxyPortText.trimmed().toInt(&ok);
        if (ok)
            r->SetProxyPort(port);
        else
            stepFailed = true;
    }
    bool readable = true;
    if (file.path.isEmpty())
        r->AddFileBytes(FieldName(kFileField), file.bytes, file.fileName);
    else
        readable = r->AddFileRange(FieldName(kFileField), file.path, file.offset, file.length, file.fileName);
    r->AddField(FieldName(kCheckField), m_proofNumber);
    r->AddField(FieldName(kSecondLoginField), s.pupilName + u'_');
    r->AddField(FieldName(kLoginField), s.pupilName);
    r->AddField(FieldName(kPasswordField), s.webPassword);
    if (m_mode == Mode::Split)
        r->AddField(QStringLiteral("SplittedFile"), QStringLiteral("SplittedFile"));
    if (m_request) {
        // Its `ended` may still be on its way out: it goes later.
        m_request->disconnect(this);
        m_request.release()->deleteLater();
    }
    m_request = std::move(r);

    if (!readable) {
        Report(HandInReport(HandInReport::Kind::RecordingUnreadable));
        End();
        return;
    }
    if (!resend) {
        UploadView& view =
            m_session.openView(m_mode == Mode::Split ? UploadViewKind::Split : UploadViewKind::Single);
        if (m_mode == Mode::Split)
            view.setSplitPass(m_pass, static_cast<int>(m_files.size()) - 1);
        view.showProgress();
    }
    connect(m_request.get(), &HttpRequest::progressed, this, [this](int percent) {
        if (UploadView* view = m_session.view())
            view->setProgress(percent);
    });
    connect(m_request.get(), &HttpRequest::ended, this, &UploadPasses::OnEnded);
    m_session.setAbandonHandler([this] {
        if (m_request)
            m_request->Abort();
    });
    if (stepFailed || m_request->Send() != 0) {
        m_session.markTransferFinished();
        m_session.closeView();
        Report(HandInReport(HandInReport::Kind::ConnectionFailed));
        End();
    }
}

void UploadPasses::OnEnded()
{
    const HttpRequest& r = *m_request;
    if (m_session.abandonRequested()) {
        m_session.markTransferFinished();
        m_session.closeView();
        Report(HandInReport(HandInReport::Kind::Abandoned));
        End();
        return;
    }
    if (m_way == Way::TryHttps) {
        if (r.failure() == HttpRequest::Failure::Unreachable) {
            // Nothing answers there: this site is reached in clear.
            m_way = Way::Plain;
            StartPass(true);
            return;
        }
        if (r.GetOutcome() == 1)
            m_way = Way::Https;
    }
    if (r.spokeHttps() && !m_remembered)
        Remember(m_site.host, m_httpsPort);

    // A move to HTTPS on the same host sends the same pass again there, and
    // the later passes go there at once.
    if (r.GetOutcome() == 1 && IsMove(r.GetStatus()) && m_moves < kMaxMoves) {
        const QUrl target(r.location(), QUrl::StrictMode);
        if (target.isValid() && target.scheme() == u"https" && target.userInfo().isEmpty() &&
            target.host().compare(m_site.host, Qt::CaseInsensitive) == 0) {
            ++m_moves;
            m_way = Way::Https;
            m_httpsPort = target.port(443);
            m_movedFrom = m_session.uploadPath();
            m_movedTo = QString::fromLatin1(
                target.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment));
            if (!m_remembered)
                Remember(m_site.host, m_httpsPort);
            StartPass(true);
            return;
        }
    }

    m_session.markTransferFinished();
    const bool lastPiece = m_mode == Mode::Split && m_pass == m_files.size() - 2;
    if (lastPiece && r.GetOutcome() == 1)
        QTimer::singleShot(kPauseAfterLastPieceMs, this, &UploadPasses::Conclude);
    else
        Conclude();
}

void UploadPasses::Conclude()
{
    m_session.closeView();
    const HandInReport verdict = JudgeReply(ReplyOf(*m_request), m_proofNumber);
    const bool lastPass = m_pass == m_files.size() - 1;
    using Kind = HandInReport::Kind;
    if (verdict.kind == Kind::Transferred) {
        if (lastPass) {
            Report(verdict);
            End();
            return;
        }
    } else {
        // A split upload ends at its first failure; the single upload's
        // recording still goes after a test file the site did not take,
        // unless the site is out of reach.
        Report(m_mode == Mode::Split && m_pass > 0
                   ? verdict.forFile(m_pass, static_cast<int>(m_files.size()) - 1)
                   : verdict);
        if (lastPass || m_mode == Mode::Split || SiteOutOfReach(verdict.kind)) {
            End();
            return;
        }
    }
    ++m_pass;
    StartPass(false);
}

void UploadPasses::Remember(const QString& host, qint32 port)
{
    m_remembered = true;
    const QString value = port == 443 ? host : host + u':' + QString::number(port);
    WriteSetting(QStringLiteral("Web"), kHttpsSiteKey, value, m_settings.workingFile());
}

void UploadPasses::Report(const HandInReport& report) { m_session.report(report); }

void UploadPasses::End()
{
    if (m_ended)
        return;
    m_ended = true;
    m_session.setAbandonHandler({});
    emit finished();
}
