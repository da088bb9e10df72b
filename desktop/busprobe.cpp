#include "desktop/busprobe.h"

#include "platform/logging.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QUrl>

#include <thread>

namespace BusProbe {

namespace {

struct UnixEndpoint {
    QString name;
    bool abstract = false;
};

// Values in D-Bus addresses escape bytes as %xx, as URLs do.
QString unescaped(const QString &value)
{
    return QUrl::fromPercentEncoding(value.toUtf8());
}

// The unix socket of the first entry of `address` that names one; an empty
// name when the first usable entry is of another transport.
UnixEndpoint unixEndpoint(const QString &address, bool *otherTransport)
{
    *otherTransport = false;
    for (const QString &entry : address.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype colon = entry.indexOf(u':');
        if (colon < 0)
            continue;
        const QString transport = entry.left(colon);
        if (transport != QLatin1String("unix")) {
            *otherTransport = true;
            return {};
        }
        for (const QString &pair : entry.mid(colon + 1).split(u',', Qt::SkipEmptyParts)) {
            const QString key = pair.section(u'=', 0, 0);
            const QString value = unescaped(pair.section(u'=', 1));
            if (key == QLatin1String("path"))
                return {value, false};
            if (key == QLatin1String("abstract"))
                return {value, true};
            if (key == QLatin1String("runtime") && value == QLatin1String("yes")) {
                const QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
                if (!dir.isEmpty())
                    return {dir + QStringLiteral("/bus"), false};
            }
        }
    }
    return {};
}

}  // namespace

QString sessionAddress(const QString &envAddress, const QString &runtimeDir)
{
    if (envAddress == QLatin1String(SessionBusCheck::kSilenced))
        return {};
    if (!envAddress.isEmpty())
        return envAddress;
    // What systemd's user session and dbus-user-session provide without
    // setting the variable.
    const QString bus = runtimeDir + QStringLiteral("/bus");
    if (!runtimeDir.isEmpty() && QFileInfo(bus).exists())
        return QStringLiteral("unix:path=") + bus;
    return {};
}

QString sessionAddress()
{
    return sessionAddress(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                          qEnvironmentVariable("XDG_RUNTIME_DIR"));
}

bool answers(const QString &address, int timeoutMs)
{
    bool otherTransport = false;
    const UnixEndpoint at = unixEndpoint(address, &otherTransport);
    if (otherTransport)
        return true;
    if (at.name.isEmpty())
        return false;

    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    if (at.abstract)
        socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(at.name);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    // A bare AUTH: every D-Bus server answers it at once with the
    // mechanisms it offers (REJECTED ...), without authenticating anyone.
    socket.write(QByteArray("\0AUTH\r\n", 7));
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return true;
}

}  // namespace BusProbe

SessionBusCheck::SessionBusCheck(int timeoutMs)
    : m_address(BusProbe::sessionAddress()),
      m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs))
{
    if (m_address.isEmpty())
        return;
    // Detached: a start refused by the single-instance guard ends without
    // waiting for it.
    auto verdict = std::make_shared<std::promise<bool>>();
    m_answered = verdict->get_future().share();
    std::thread([verdict, address = m_address, timeoutMs] {
        verdict->set_value(BusProbe::answers(address, timeoutMs));
    }).detach();
}

bool SessionBusCheck::settle()
{
    if (m_address.isEmpty())
        return false;
    if (m_answered.wait_until(m_deadline + std::chrono::milliseconds(100)) == std::future_status::ready
        && m_answered.get())
        return true;
    qCInfo(lcDesktop) << "session bus" << m_address << "does not answer: the program goes on without it";
    qputenv("DBUS_SESSION_BUS_ADDRESS", kSilenced);
    return false;
}
