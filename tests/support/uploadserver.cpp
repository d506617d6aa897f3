#include "tests/support/uploadserver.h"

#include "foundation/windows1252.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

namespace {
const QString kPython = QStringLiteral("/usr/bin/python3");
}

UploadServer::UploadServer(const QString& workDir) : m_dir(workDir) { QDir().mkpath(store()); }

UploadServer::~UploadServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString UploadServer::store() const { return m_dir + "/store"; }

bool UploadServer::start(int port) { return launch(port, {}); }

bool UploadServer::startWithTls(const QString& certificate)
{
    const QString folder = TestCertificates::Folder();
    if (folder.isEmpty())
        return false;
    return launch(0, {"--tls-cert", folder + "/" + certificate + ".pem", "--tls-key",
                      folder + "/" + certificate + ".key"});
}

QStringList UploadServer::connects() const
{
    QFile f(m_dir + "/log.json.connects");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).toVariant().toStringList();
}

bool UploadServer::launch(int port, const QStringList& extra)
{
    writeControl();
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(kPython, QStringList{QStringLiteral(MIRLO_TESTS_DIR "/send/upload_server.py"), "--port",
                                         QString::number(port), "--control", m_dir + "/control.json", "--log",
                                         m_dir + "/log.json", "--store", store()} +
                                 extra);
    if (!m_process.waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(15000);
    QByteArray out;
    while (!out.contains('\n') && !deadline.hasExpired()) {
        if (m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(200);
        out += m_process.readAllStandardOutput();
    }
    const QList<QByteArray> words = out.trimmed().split(' ');
    if (words.size() < 2 || words[0] != "PORT")
        return false;
    m_port = words[1].toInt();
    m_tlsPort = words.value(2).toInt();
    return m_port > 0;
}

void UploadServer::setCredentials(const QString& login, const QString& password)
{
    m_control["login"] = login;
    m_control["password"] = password;
    writeControl();
}

void UploadServer::scriptNext(const QJsonArray& entries, const QJsonObject& fallback)
{
    // The server numbers requests from its start; earlier ones keep empty entries.
    QJsonArray script;
    for (qsizetype i = 0; i < log().size(); ++i)
        script.append(QJsonObject());
    for (const QJsonValue& e : entries)
        script.append(e);
    m_control["script"] = script;
    m_control["default"] = fallback;
    writeControl();
}

void UploadServer::answerConnect(int status)
{
    m_control["connect_status"] = status;
    writeControl();
}

void UploadServer::writeControl()
{
    QFile f(m_dir + "/control.json.tmp");
    if (f.open(QIODevice::WriteOnly))
        f.write(QJsonDocument(m_control).toJson());
    f.close();
    QFile::remove(m_dir + "/control.json");
    QFile::rename(f.fileName(), m_dir + "/control.json");
}

QJsonArray UploadServer::log() const
{
    QFile f(m_dir + "/log.json");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).array();
}

QStringList UploadServer::fieldNames(const QJsonObject& request)
{
    QStringList names;
    for (const QJsonValue& f : request["fields"].toArray())
        names << f["name"].toString();
    return names;
}

QString UploadServer::fieldValue(const QJsonObject& request, const QString& name)
{
    for (const QJsonValue& f : request["fields"].toArray())
        if (f["name"].toString() == name)
            return f["value"].toString();
    return QStringLiteral("<missing>");
}

QJsonObject UploadServer::fileField(const QJsonObject& request)
{
    for (const QJsonValue& f : request["fields"].toArray())
        if (f.toObject().contains("filename"))
            return f.toObject();
    return {};
}

TinyProxy::TinyProxy(const QString& workDir) : m_dir(workDir) { QDir().mkpath(m_dir); }

TinyProxy::~TinyProxy()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool TinyProxy::available()
{
    return !QStandardPaths::findExecutable("tinyproxy").isEmpty() || QFile::exists("/usr/bin/tinyproxy") ||
           QFile::exists("/usr/sbin/tinyproxy");
}

bool TinyProxy::start(int upstreamPort)
{
    QString program = QStandardPaths::findExecutable("tinyproxy");
    if (program.isEmpty())
        program = QFile::exists("/usr/bin/tinyproxy") ? "/usr/bin/tinyproxy" : "/usr/sbin/tinyproxy";
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = FreePort();
        const QString conf = m_dir + "/tinyproxy.conf";
        QFile f(conf);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QString text = QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\n"
                                            "Allow 127.0.0.1\nLogLevel Warning\nUpstream http 127.0.0.1:%2\n")
                                 .arg(m_port)
                                 .arg(upstreamPort);
        f.write(text.toUtf8());
        f.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {"-d", "-c", conf});
        if (!m_process.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost("127.0.0.1", static_cast<quint16>(m_port));
            if (probe.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    return false;
}

QString TestCertificates::Folder()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        QProcess openssl;
        openssl.start("/bin/bash", {QStringLiteral(MIRLO_TESTS_DIR "/send/make_test_certs.sh"), dir.path()});
        return dir.isValid() && openssl.waitForFinished(60000) &&
               openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
    }();
    return made ? dir.path() : QString();
}

bool TestCertificates::TrustTestAuthority()
{
    const QString folder = Folder();
    if (folder.isEmpty() || !QFileInfo::exists(folder + "/ca.pem"))
        return false;
    // The authorities file OpenSSL's programs read, as a school's system store would.
    qputenv("SSL_CERT_FILE", QFile::encodeName(folder + "/ca.pem"));
    return true;
}

QString Sha256Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString Sha256OfFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return QString::fromLatin1(hash.result().toHex());
}

QString ScrambleForTest(const QString& text)
{
    QString out;
    const QByteArray clear = ToWindows1252(text);
    for (qsizetype i = 0; i < clear.size(); ++i) {
        const auto key = static_cast<unsigned char>(0x41 + i % 23);
        const auto c = static_cast<unsigned char>(clear[i]);
        out += QStringLiteral("%1%2%3")
                   .arg(key, 2, 16, QChar('0'))
                   .arg(c ^ key, 2, 16, QChar('0'))
                   .arg(0x5A, 2, 16, QChar('0'));
    }
    return out.toUpper();
}

int FreePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}
