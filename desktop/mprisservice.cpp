#include "desktop/mprisservice.h"

#include "desktop/busprobe.h"
#include "desktop/desktopcontrols.h"
#include "desktop/mprisadaptors.h"
#include "platform/logging.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

#include <thread>

namespace {

// Replies of org.freedesktop.DBus.RequestName.
constexpr uint kPrimaryOwner = 1;
// Fail at once rather than wait in line behind another owner.
constexpr uint kDoNotQueue = 4;

}  // namespace

MprisService::MprisService(DesktopControls *controls, QObject *parent)
    : QObject(parent), m_controls(controls), m_object(new MprisObject(this))
{
    new MprisRootAdaptor(m_object, m_controls);
    new MprisPlayerAdaptor(m_object, m_controls);
    connect(m_controls, &DesktopControls::playerPropertiesChanged, this, &MprisService::announce);
}

void MprisService::start()
{
    start(BusProbe::sessionAddress());
}

void MprisService::start(const QString &address)
{
    if (address.isEmpty()) {
        qCInfo(lcDesktop) << "no session bus: desktop media controls off";
        emit unavailable(QStringLiteral("no session bus"));
        return;
    }
    // The service lives as long as the main window, to the process's end, so
    // the thread may outlive anything but this object's thread; a probe still
    // waiting at exit is simply dropped with the process.
    QPointer<MprisService> self(this);
    std::thread([self, address] {
        QString reason;
        std::optional<QDBusConnection> bus;
        if (!BusProbe::answers(address, kProbeTimeoutMs)) {
            reason = QStringLiteral("the session bus does not answer");
        } else {
            QDBusConnection c
                = QDBusConnection::connectToBus(address, QStringLiteral("brelo-mpris ") + address);
            if (c.isConnected())
                bus = c;
            else
                reason = c.lastError().message();
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, bus, reason, address] {
                if (!self)
                    return;
                if (bus) {
                    self->joined(*bus);
                } else {
                    qCInfo(lcDesktop) << "session bus" << address << "unusable:" << reason;
                    emit self->unavailable(reason);
                }
            },
            Qt::QueuedConnection);
    }).detach();
}

void MprisService::joined(const QDBusConnection &bus)
{
    m_bus = bus;
    // The object first, so that a desktop reacting to the name finds it.
    if (!m_bus->registerObject(QString::fromLatin1(kObjectPath), m_object, QDBusConnection::ExportAdaptors)) {
        qCWarning(lcDesktop) << "MPRIS object refused:" << m_bus->lastError().message();
        emit unavailable(m_bus->lastError().message());
        return;
    }
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << QString::fromLatin1(kServiceName) << kDoNotQueue;
    auto *watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError() || reply.value() != kPrimaryOwner) {
            const QString reason = reply.isError() ? reply.error().message() : QStringLiteral("name taken");
            qCWarning(lcDesktop) << "MPRIS name refused:" << reason;
            emit unavailable(reason);
            return;
        }
        m_registered = true;
        qCInfo(lcDesktop) << "MPRIS service on the session bus:" << kServiceName;
        emit registered();
    });
}

void MprisService::announce(const QVariantMap &changed)
{
    if (!m_registered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus->send(signal);
}
