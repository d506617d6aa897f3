#pragma once
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// The reference upload server (upload_server.py), run for one test.
class UploadServer {
public:
    explicit UploadServer(const QString& workDir);
    ~UploadServer();

    // port 0 lets the system choose. False when it could not start (port taken...).
    bool start(int port = 0);
    // Also answers over TLS on a port of its own with this site certificate
    // (a name from TestCertificates), and tunnels CONNECT there.
    bool startWithTls(const QString& certificate);
    int port() const { return m_port; }
    int tlsPort() const { return m_tlsPort; }
    // Host and port of every CONNECT it tunnelled, in order.
    QStringList connects() const;
    QString store() const;

    void setCredentials(const QString& login, const QString& password);
    // Behaviours for the next requests, in order; later ones use the default.
    void scriptNext(const QJsonArray& entries, const QJsonObject& fallback = {});

    // Answers every CONNECT with this status instead of tunnelling it (0: tunnel).
    void answerConnect(int status);

    QJsonArray log() const;
    static QStringList fieldNames(const QJsonObject& request);
    static QString fieldValue(const QJsonObject& request, const QString& name);
    static QJsonObject fileField(const QJsonObject& request);

private:
    bool launch(int port, const QStringList& extra);
    void writeControl();

    QString m_dir;
    QProcess m_process;
    int m_port = 0;
    int m_tlsPort = 0;
    QJsonObject m_control;
};

// A test certificate authority and site certificates, made once per test
// process with openssl; the authority is trusted in this process only, the
// way a school's computer trusts the authorities of its system store.
namespace TestCertificates {
// Folder holding ca.pem and good / untrusted / wrongname (.pem, .key);
// empty when openssl failed.
QString Folder();
// Adds ca.pem to the certificates this process trusts.
bool TrustTestAuthority();
} // namespace TestCertificates

// Starts a tinyproxy that forwards everything to an upstream HTTP proxy.
class TinyProxy {
public:
    explicit TinyProxy(const QString& workDir);
    ~TinyProxy();
    static bool available();
    bool start(int upstreamPort);
    int port() const { return m_port; }

private:
    QString m_dir;
    QProcess m_process;
    int m_port = 0;
};

QString Sha256Hex(const QByteArray& bytes);
QString Sha256OfFile(const QString& path);
// Hexadecimal scrambled form that UnscrambleSetting turns back into text.
QString ScrambleForTest(const QString& text);
// A free TCP port on 127.0.0.1, or 0.
int FreePort();
