#include "foundation/singleinstance.h"

#include "foundation/settings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

const QByteArray kShowRequest = "show\n";
const QByteArray kShownAnswer = "shown\n";

} // namespace

SingleInstance::SingleInstance(const QString& folder)
    // A run lasts hours: the lock is never stale by age alone, only when the
    // process that holds it is gone (or, from another computer, see claim).
    : m_folder(folder), m_lock(JoinPath(folder, QStringLiteral("Mirlo.lock")), 0)
{
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Claim SingleInstance::claim(int waitMs)
{
    QDir().mkpath(m_folder);
    if (m_lock.tryLock(0) != platform::LockFile::Result::Busy)
        return Claim::Mine;
    if (const auto holder = m_lock.holder(); holder && holder->elsewhere) {
        if (holder->ageSeconds >= kForeignLockSeconds)
            return m_lock.takeOver() == platform::LockFile::Result::Busy ? Claim::RunningHere : Claim::Mine;
        m_holderHost = holder->host;
        return Claim::HeldElsewhere;
    }
    if (callRunning())
        return Claim::RunningHere;
    // No answer: that Mirlo may be ending.
    return m_lock.tryLock(waitMs) == platform::LockFile::Result::Busy ? Claim::RunningHere : Claim::Mine;
}

bool SingleInstance::takeOver() { return m_lock.takeOver() != platform::LockFile::Result::Busy; }

QString SingleInstance::channelName() const
{
    // One per settings folder, hence per user; short enough for any socket path.
    const QByteArray lock = QDir(m_folder).absolutePath().toUtf8();
    return QStringLiteral("Mirlo-") +
           QString::fromLatin1(QCryptographicHash::hash(lock, QCryptographicHash::Sha256).toHex().left(24));
}

bool SingleInstance::callRunning() const
{
    QLocalSocket socket;
    socket.connectToServer(channelName());
    if (!socket.waitForConnected(500))
        return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(500))
        return false;
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(2000))
        answer += socket.readAll();
    return answer == kShownAnswer;
}

void SingleInstance::listen(std::function<void()> bringForward)
{
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock: a channel left by a Mirlo that was killed is ours to remove.
    QLocalServer::removeServer(channelName());
    if (!m_server->listen(channelName()))
        return;
    QLocalServer* server = m_server.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, bringForward] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, bringForward] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine(64) == kShowRequest) {
                    bringForward();
                    socket->write(kShownAnswer);
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

QString AlreadyOpenText()
{
    return QStringLiteral("Mirlo est déjà ouvert.") + QLatin1Char('\r') +
           QStringLiteral("Continuez dans la fenêtre de Mirlo déjà ouverte : un seul Mirlo peut être "
                          "ouvert à la fois.");
}

QString OpenedElsewhereQuestion(const QString& host)
{
    return QStringLiteral("Mirlo est peut-être ouvert sur un autre ordinateur (%1) avec votre compte.")
               .arg(host) +
           QLatin1Char('\r') +
           QStringLiteral("S'il n'y est plus ouvert (ordinateur éteint ou redémarré), vous pouvez ouvrir "
                          "Mirlo ici.") +
           QLatin1Char('\r') + QStringLiteral("Ouvrir Mirlo sur cet ordinateur ?");
}
