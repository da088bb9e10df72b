#include "desktop/busprobe.h"

#include "platform/logging.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>
#include <QUrl>

#include <mutex>
#include <optional>
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

// Shared with the probing thread, which may outlive the check (a start
// refused by the single-instance guard ends without waiting for it).
struct SessionBusCheck::Verdict {
    std::mutex mutex;
    std::optional<bool> answered;
    // The loop waiting for the verdict, while one does.
    QEventLoop *waiting = nullptr;
};

SessionBusCheck::SessionBusCheck(int timeoutMs)
    : m_address(BusProbe::sessionAddress()),
      m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)),
      m_verdict(std::make_shared<Verdict>())
{
    if (m_address.isEmpty())
        return;
    std::thread([verdict = m_verdict, address = m_address, timeoutMs] {
        const bool answered = BusProbe::answers(address, timeoutMs);
        const std::lock_guard lock(verdict->mutex);
        verdict->answered = answered;
        // Under the lock, so the loop cannot go while the call is posted.
        if (verdict->waiting)
            QMetaObject::invokeMethod(verdict->waiting, &QEventLoop::quit, Qt::QueuedConnection);
    }).detach();
}

SessionBusCheck::~SessionBusCheck() = default;

bool SessionBusCheck::settle()
{
    if (m_address.isEmpty())
        return false;
    std::optional<bool> answered;
    {
        QEventLoop loop;
        std::unique_lock lock(m_verdict->mutex);
        if (!m_verdict->answered) {
            m_verdict->waiting = &loop;
            lock.unlock();
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_deadline + std::chrono::milliseconds(100) - std::chrono::steady_clock::now());
            QTimer::singleShot(std::max(left, std::chrono::milliseconds(0)), &loop, &QEventLoop::quit);
            loop.exec();
            lock.lock();
            m_verdict->waiting = nullptr;
        }
        answered = m_verdict->answered;
    }
    if (answered.value_or(false))
        return true;
    qCInfo(lcDesktop) << "session bus" << m_address << "does not answer: the program goes on without it";
    qputenv("DBUS_SESSION_BUS_ADDRESS", kSilenced);
    return false;
}
