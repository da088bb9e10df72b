#include "app/singleinstance.h"

#include "platform/logging.h"

#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// A request is one short line; a peer that keeps talking or never finishes
// is not waited on.
constexpr int kRequestWaitMs = 2000;

// Abstract names carry no file permissions: any local user could connect.
// Only the same user may make this user's window come forward.
std::optional<uid_t> peerUser(const QLocalSocket *peer)
{
    ucred cred{};
    socklen_t len = sizeof cred;
    if (peer->socketDescriptor() < 0
        || ::getsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return std::nullopt;
    return cred.uid;
}

bool isSameUser(const QLocalSocket *peer)
{
    return peerUser(peer) == ::getuid();
}

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString &baseName, QObject *parent)
    : QObject(parent), m_name(baseName + QString::number(::getuid()))
{
    m_server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstanceGuard::onNewConnection);
}

SingleInstanceGuard::Result SingleInstanceGuard::acquire()
{
    if (m_server.listen(m_name))
        return Result::Acquired;
    // An abstract name cannot be stale: if it is taken, its owner is alive.
    // But any local user may take it first, to keep this one's program from
    // starting: only a copy run by this same user refuses the start.
    if (m_server.serverError() == QAbstractSocket::AddressInUseError) {
        const std::optional<uid_t> holder = holderUser();
        if (holder == ::getuid())
            return Result::Busy;
        if (holder)
            qCWarning(lcApp) << "instance guard: the name is held by another user, uid" << *holder
                             << "; starting unguarded";
        else
            qCWarning(lcApp) << "instance guard: the name's holder does not answer; starting unguarded";
        return Result::Unprotected;
    }
    return Result::Unprotected;
}

std::optional<uid_t> SingleInstanceGuard::holderUser() const
{
    // A connection to a local socket is made or refused inside the call;
    // one still pending (a backlog someone keeps full) tells nothing.
    QLocalSocket probe;
    probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    probe.connectToServer(m_name, QLocalSocket::ReadOnly);
    if (probe.state() != QLocalSocket::ConnectedState)
        return std::nullopt;
    const std::optional<uid_t> uid = peerUser(&probe);
    probe.abort();
    return uid;
}

void SingleInstanceGuard::askHolderToShow()
{
    auto *socket = new QLocalSocket(this);
    socket->setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    connect(socket, &QLocalSocket::connected, socket, [socket] {
        socket->write(showRequest());
        socket->disconnectFromServer();
    });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::errorOccurred, socket, [socket](QLocalSocket::LocalSocketError e) {
        qCDebug(lcApp) << "instance guard: the running copy could not be asked to show itself" << e;
        socket->deleteLater();
    });
    socket->connectToServer(m_name, QLocalSocket::WriteOnly);
}

void SingleInstanceGuard::onNewConnection()
{
    while (QLocalSocket *peer = m_server.nextPendingConnection()) {
        if (!isSameUser(peer)) {
            qCDebug(lcApp) << "instance guard: a request from another user ignored";
            peer->abort();
            peer->deleteLater();
            continue;
        }
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readRequest(peer); });
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        QTimer::singleShot(kRequestWaitMs, peer, [peer] { peer->abort(); });
        readRequest(peer);
    }
}

void SingleInstanceGuard::readRequest(QLocalSocket *peer)
{
    const QByteArray wanted = showRequest();
    if (peer->bytesAvailable() < wanted.size())
        return;
    const QByteArray got = peer->read(wanted.size());
    // One request per connection; whatever follows is not read.
    peer->disconnect(this);
    peer->abort();
    peer->deleteLater();
    if (got != wanted) {
        qCDebug(lcApp) << "instance guard: an unknown request ignored";
        return;
    }
    qCDebug(lcApp) << "instance guard: a second start asked for the window";
    emit showRequested();
}
