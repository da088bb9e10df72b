#include "app/singleinstance.h"

#include <unistd.h>

SingleInstanceGuard::SingleInstanceGuard(const QString &baseName)
    : m_name(baseName + QString::number(::getuid()))
{
    m_server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
}

SingleInstanceGuard::Result SingleInstanceGuard::acquire()
{
    if (m_server.listen(m_name))
        return Result::Acquired;
    // An abstract name cannot be stale: if it is taken, its owner is alive.
    if (m_server.serverError() == QAbstractSocket::AddressInUseError)
        return Result::Busy;
    return Result::Unprotected;
}
