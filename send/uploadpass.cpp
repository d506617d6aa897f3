#include "send/uploadpass.h"

#include "foundation/seams.h"
#include "send/handinsettings.h"
#include "send/digittext.h"
#include "send/httprequest.h"
#include "send/uploadsession.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QStringList>
#include <QUrl>

#include <optional>

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

QString UploadText::Connection()
{
    return QStringList{
        QStringLiteral("Problème de connexion au site Web !"),
        QString(),
        QStringLiteral("Vérifier l'adresse du site Web dans les paramètres de connexion."),
        QString(),
        QStringLiteral("Relancez le transfert (bouton \"Envoyer sur le site\")"),
        QString(),
        QStringLiteral("Si le problème persiste, fermez le logiciel puis relancez-le."),
        QStringLiteral("Cliquez sur le bouton \"Parcourir\" (...) pour sélectionner le fichier à envoyer"),
        QStringLiteral("et relancez le transfert (bouton \"Envoyer sur le site\")"),
    }
        .join(u'\r');
}

QString UploadText::LinkRefused(const QString& path)
{
    return QStringLiteral("Le transfert n'a pas eu lieu : le fichier temporaire \"") + path +
           QStringLiteral("\" est un lien.\rSupprimez-le, puis relancez le transfert.");
}

QString TestFilePath() { return JoinPath(HandInSettings().recordingFolder, QStringLiteral("testx")); }

NewFile::Status WriteTestFile()
{
    NewFile file(TestFilePath());
    file.write("xxxxxx\r\n");
    return file.status();
}

QString DrawProofNumber() { return QString::number(QRandomGenerator::global()->bounded(1000000) + 1); }

PreparedPass PreparePass(UploadSession& session, const QString& filePath)
{
    const Settings& s = HandInSettings();
    PreparedPass pass;
    pass.request = std::make_unique<HttpRequest>();
    HttpRequest& r = *pass.request;
    r.SetTimeout(30000);
    r.SetBlockSize(2048);
    r.SetHost(s.webSite);
    r.SetPort(80);
    session.setUploadPath(UnscrambleSetting(
        ReadWholeSetting(QStringLiteral("Web"), QStringLiteral("Upload"), HandInSettings().workingFile())));
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
            MsgBox(UploadText::Abandon, MsgIcon::Exclamation);
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

QString ReplyText(const HttpRequest& request)
{
    return HttpRequest::BodyToText(request.GetBody(), QStringLiteral("iso-8859-1"));
}

QString ReplyWordMessage(const QString& text)
{
    QString message;
    if (text.contains(QLatin1String("occupied")))
        message = QStringLiteral("Le site de téléchargement est occupé !\r"
                                 "Veuillez réessayer dans quelques minutes.");
    if (text.contains(QLatin1String("fileexists")))
        message = QStringLiteral("Ce fichier existe déjà sur le serveur !\r"
                                 "Le nouveau fichier n'a pas été transféré.");
    if (text.contains(QLatin1String("loginfalse")))
        message = QStringLiteral("Utilisateur inconnu !");
    if (text.contains(QLatin1String("passfalse")))
        message = QStringLiteral("Mot de passe erroné !");
    if (message.isEmpty())
        message = UploadText::Unexpected;
    return message;
}
