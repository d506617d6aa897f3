#include "send/uploadpass.h"

#include "foundation/settings.h"
#include "send/digittext.h"
#include "send/httprequest.h"
#include "send/uploadsession.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QUrl>

#include <optional>
#include <utility>

namespace {

// Field names as the school's upload script expects them, kept digit-coded.
const char kFileField[] = "117115101114102105108101";
const char kCheckField[] = "112114111111102110117109098101114";
const char kSecondLoginField[] = "114101112101114116111105114101";
const char kLoginField[] = "108111103105110";
const char kPasswordField[] = "112097115115119111114100";

QString FieldName(const char* digits) { return DecodeDigitText(QLatin1String(digits)); }

// The HTTPS address on the same host that a redirect reply sends the pass
// to; none for any other reply or redirect.
std::optional<QUrl> HttpsUpgradeTarget(const HttpRequest& request)
{
    const int status = request.GetStatus();
    // 303 asks for a GET elsewhere: not the same pass.
    if (request.GetOutcome() != 1 || (status != 301 && status != 302 && status != 307 && status != 308))
        return std::nullopt;
    const QUrl from(request.url());
    const QUrl target = from.resolved(QUrl(request.location(), QUrl::StrictMode));
    if (!target.isValid() || target.scheme() != u"https" || !target.userInfo().isEmpty() ||
        target.host().isEmpty() || target.host().compare(from.host(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return target;
}

} // namespace

QString TestFilePath(const QString& recordingFolder)
{
    return JoinPath(recordingFolder, QStringLiteral("testx"));
}

TempFile::Status WriteTestFile(const QString& recordingFolder)
{
    TempFile file(TestFilePath(recordingFolder));
    file.write("xxxxxx\r\n");
    return file.status();
}

QString DrawProofNumber() { return QString::number(QRandomGenerator::global()->bounded(1000000) + 1); }

PreparedPass PreparePass(UploadSession& session, const Settings& s, const QString& filePath)
{
    PreparedPass pass;
    pass.request = std::make_unique<HttpRequest>();
    HttpRequest& r = *pass.request;
    r.SetTimeout(30000);
    r.SetHost(s.webSite);
    r.SetPort(80);
    session.setUploadPath(UnscrambleSetting(ReadSetting(QStringLiteral("Web"), QStringLiteral("Upload"),
                                                        JoinPath(s.settingsFolder, kSettingsFileName))));
    r.SetPath(session.uploadPath());
    r.SetDeadline(kPassDeadlineMs);
    if (const auto& up = session.httpsUpgrade(); up && up->plainPath == session.uploadPath()) {
        r.SetSecure(true);
        r.SetPort(up->port);
        r.SetPath(up->path);
    }
    pass.proofNumber = DrawProofNumber();
    if (!s.proxyHost.isEmpty())
        r.SetProxyHost(s.proxyHost);
    if (!s.proxyPortText.isEmpty()) {
        bool ok = false;
        const int port = s.proxyPortText.trimmed().toInt(&ok);
        if (ok)
            r.SetProxyPort(port);
        else
            pass.stepFailed = true;
    }
    if (!r.AddFile(FieldName(kFileField), filePath))
        pass.stepFailed = true;
    r.AddField(FieldName(kCheckField), pass.proofNumber);
    r.AddField(FieldName(kSecondLoginField), s.pupilName + u'_');
    r.AddField(FieldName(kLoginField), s.pupilName);
    r.AddField(FieldName(kPasswordField), s.webPassword);
    return pass;
}

void RunWaitLoop(UploadSession& session, HttpRequest& request)
{
    // A request that cannot start is not busy, so the loop never waits on it.
    while (request.IsBusy()) {
        request.Wait(100);
        QCoreApplication::processEvents();
        // The window may have been closed meanwhile (program end).
        if (UploadView* view = session.view())
            view->setProgress(request.GetProgress());
        if (session.abandonRequested()) {
            request.Abort();
            session.report(HandInReport(HandInReport::Kind::Abandoned));
        }
    }
}

bool SendPass(UploadSession& session, PreparedPass& pass)
{
    if (pass.request->Send() != 0)
        return false;
    RunWaitLoop(session, *pass.request);
    for (int redirects = 0; redirects < kMaxRedirects && !session.abandonRequested(); ++redirects) {
        const std::optional<QUrl> target = HttpsUpgradeTarget(*pass.request);
        if (!target)
            break;
        std::unique_ptr<HttpRequest> again = pass.request->RequestAgain();
        const qint32 port = target->port(443);
        const QString path = QString::fromLatin1(
            target->toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment));
        again->SetSecure(true);
        again->SetPort(port);
        again->SetPath(path);
        if (again->Send() != 0)
            break;
        session.setHttpsUpgrade({session.uploadPath(), port, path});
        pass.request = std::move(again);
        RunWaitLoop(session, *pass.request);
    }
    return true;
}

namespace {

// The last of the reply words, in this order, that the reply holds wins.
HandInReport::Kind ReplyWordKind(const QString& text)
{
    using Kind = HandInReport::Kind;
    Kind kind = Kind::UnexpectedReply;
    for (const auto& [word, meaning] : {std::pair{QLatin1String("occupied"), Kind::SiteOccupied},
                                        std::pair{QLatin1String("fileexists"), Kind::FileExists},
                                        std::pair{QLatin1String("loginfalse"), Kind::UnknownLogin},
                                        std::pair{QLatin1String("passfalse"), Kind::WrongPassword}}) {
        if (text.contains(word))
            kind = meaning;
    }
    return kind;
}

} // namespace

HandInReport JudgeReply(const HttpRequest& request, const QString& proofNumber)
{
    using Kind = HandInReport::Kind;
    if (request.GetOutcome() != 1)
        return HandInReport(request.certificateRejected() ? Kind::CertificateRejected
                                                          : Kind::ConnectionFailed);
    const int status = request.GetStatus();
    if (status == 500)
        return HandInReport(Kind::ServerBusy);
    if (status != 200)
        return HandInReport(Kind::HttpStatus, status);
    const QString text = HttpRequest::BodyToText(request.GetBody(), QStringLiteral("iso-8859-1"));
    return HandInReport(text.contains(proofNumber) ? Kind::Transferred : ReplyWordKind(text));
}

bool SiteRefused(HandInReport::Kind kind)
{
    using Kind = HandInReport::Kind;
    return kind == Kind::SiteOccupied || kind == Kind::FileExists || kind == Kind::UnknownLogin ||
           kind == Kind::WrongPassword || kind == Kind::UnexpectedReply;
}
