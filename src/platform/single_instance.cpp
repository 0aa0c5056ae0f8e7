#include "platform/single_instance.h"

#include "platform/process.h"

#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

// How long a later start waits for a first one that is still starting to listen.
constexpr int kConnectWaitMs = 10000;

} // namespace

SingleInstance::SingleInstance(QString name, QObject *parent)
    : QObject(parent)
    , m_name(std::move(name))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::start()
{
    // The lock file settles which start is the first one even when two begin together; a lock
    // left by a program that ended without removing it is taken over.
    m_lock = std::make_unique<QLockFile>(QDir::tempPath() + QLatin1Char('/') + m_name + QLatin1Char('-')
                                         + CurrentUserName() + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        if (askRunningToActivate())
            return false;
        // A holder that cannot be reached is not a running program of ours (its lock is left
        // from a crash whose process id is now used by another program).
        qWarning().noquote() << "single instance: no answer from the program holding" << m_name;
        return true;
    }
    acceptConnections();
    return true;
}

void SingleInstance::acceptConnections()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a program that crashed would make listen() fail.
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name)) {
        qWarning().noquote() << "single instance: cannot listen on" << m_name << m_server->errorString();
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine() == ActivationMessage())
                        emit activationRequested();
                }
            });
        }
    });
}

bool SingleInstance::askRunningToActivate()
{
    QDeadlineTimer deadline(kConnectWaitMs);
    QLocalSocket socket;
    while (!deadline.hasExpired()) {
        socket.connectToServer(m_name);
        if (socket.waitForConnected(500)) {
            socket.write(ActivationMessage());
            const bool sent = socket.waitForBytesWritten(2000);
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(1000);
            return sent;
        }
        socket.abort();
        QThread::msleep(100);
    }
    return false;
}
