#include "send/webupload.h"

#include "foundation/seams.h"
#include "foundation/settings.h"
#include "send/digittext.h"
#include "windows/uploadprogresswindow.h"
#include "send/httprequest.h"
#include "send/splitupload.h"
#include "send/transferflags.h"
#include "send/uploadpass.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QRandomGenerator>

namespace UploadText {
const QString Abandon = QStringLiteral("Abandon du transfert !");
const QString Success = QStringLiteral("Le fichier a été transféré avec succès.");
const QString Unexpected = QStringLiteral("Réponse inattendue du serveur !");
const QString Busy = QStringLiteral("Le site de téléchargement est vraisemblablement occupé !\r"
                                    "Veuillez réessayer dans quelques minutes.");
const QString StatusPrefix = QStringLiteral("Echec du transfert, code de réponse HTTP = ");

QString Connection()
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
    }.join(u'\r');
}
} // namespace UploadText

namespace {

// Field names as the school's upload script expects them, kept digit-coded.
const char kFileField[] = "117115101114102105108101";
const char kCheckField[] = "112114111111102110117109098101114";
const char kSecondLoginField[] = "114101112101114116111105114101";
const char kLoginField[] = "108111103105110";
const char kPasswordField[] = "112097115115119111114100";

QString g_uploadPath;
bool g_running = false;

} // namespace

UploadGuard::UploadGuard() { g_running = true; }
UploadGuard::~UploadGuard() { g_running = false; }

bool UploadRunning() { return g_running; }

QString TestFilePath() { return JoinPath(Shared().recordingFolder, QStringLiteral("testx")); }

void WriteTestFile()
{
    QFile file(TestFilePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write("xxxxxx\r\n");
}

QString DrawProofNumber()
{
    return QString::number(QRandomGenerator::global()->bounded(1000000) + 1);
}

QString CurrentUploadPath() { return g_uploadPath; }

PreparedPass PreparePass(const QString& filePath)
{
    const SharedValues& s = Shared();
    PreparedPass pass;
    pass.request = std::make_unique<HttpRequest>();
    HttpRequest& r = *pass.request;
    r.SetTimeout(30000);
    r.SetBlockSize(2048);
    r.SetHost(s.webSite);
    r.SetPort(80);
    g_uploadPath = UnscrambleSetting(ReadSetting(QStringLiteral("Web"), QStringLiteral("Upload"),
                                                 WorkingSettingsFile()));
    r.SetPath(g_uploadPath);
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
    if (!r.AddFile(DecodeDigitText(QLatin1String(kFileField)), filePath))
        pass.stepFailed = true;
    r.AddField(DecodeDigitText(QLatin1String(kCheckField)), pass.proofNumber);
    r.AddField(DecodeDigitText(QLatin1String(kSecondLoginField)), s.pupilName + u'_');
    r.AddField(DecodeDigitText(QLatin1String(kLoginField)), s.pupilName);
    r.AddField(DecodeDigitText(QLatin1String(kPasswordField)), s.webPassword);
    return pass;
}

void RunWaitLoop(HttpRequest& request, ProgressWindow* window)
{
    // The window may be unloaded under us (program end); only touch it while it lives.
    QPointer<ProgressWindow> form(window);
    // A request that cannot start is not busy, so the loop never waits on it.
    while (request.IsBusy()) {
        request.Wait(100);
        QApplication::processEvents();
        if (form)
            form->ProgressBar1->setValue(request.GetProgress());
        if (AbortRequested == 1) {
            request.Abort();
            MsgBox(UploadText::Abandon, MsgIcon::Exclamation);
        }
    }
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

namespace {

void JudgeSingleReply(const HttpRequest& request, const QString& proofNumber, int pass)
{
    if (request.GetOutcome() != 1) {
        if (AbortRequested != 1)
            MsgBox(UploadText::Connection(), MsgIcon::Critical);
        return;
    }
    const int status = request.GetStatus();
    if (status == 200) {
        const QString text = ReplyText(request);
        if (text.contains(proofNumber)) {
            if (pass == 1)
                MsgBox(UploadText::Success, MsgIcon::Information);
        } else {
            MsgBox(ReplyWordMessage(text), MsgIcon::None);
        }
    } else if (status == 500) {
        MsgBox(UploadText::Busy, MsgIcon::Critical);
    } else {
        MsgBox(UploadText::StatusPrefix + QString::number(status), MsgIcon::Critical);
    }
}

} // namespace

void WebUpload(const QString& recordingPath)
{
    if (UploadRunning())
        return;
    UploadGuard guard;

    if (QFileInfo(recordingPath).size() > kSingleUploadLimit) {
        RunSplitUpload(recordingPath);
        return;
    }

    WriteTestFile();
    for (int pass = 0; pass < 2; ++pass) {
        AbortRequested = 0;
        PreparedPass prepared =
            PreparePass(pass == 0 ? TestFilePath() : recordingPath);
        HttpRequest& request = *prepared.request;

        QPointer<UploadProgressWindow> loaded = new UploadProgressWindow;
        loaded->show();
        loaded->activateWindow();
        request.Send();
        RunWaitLoop(request, loaded);

        TransferFinished = true;
        if (loaded) {
            loaded->hide();
            delete loaded.data();
        }

        JudgeSingleReply(request, prepared.proofNumber, pass);
        if (AbortRequested == 1)
            break;
    }
    QFile::remove(TestFilePath());
}
