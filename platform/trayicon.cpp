#include "platform/trayicon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStyle>
#include <QSystemTrayIcon>

namespace {

QIcon shownIcon(const QIcon &icon)
{
    if (!icon.isNull())
        return icon;
    return QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
}

}  // namespace

TrayIcon::TrayIcon(const QIcon &icon, const QString &tip, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(shownIcon(icon), this)), m_statusNotifier(false)
{
    askStatusNotifierHost();
    m_icon->setToolTip(tip);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        emit activated(translate(int(r), m_statusNotifier));
    });
}

TrayIcon::~TrayIcon() = default;

// Qt picks the D-Bus tray the same way: when a StatusNotifierWatcher runs
// with a host registered. The watcher is another program that may be slow
// or hung, so it is asked without waiting (Qt's own question, once per
// process, is beyond reach); until it answers, the icon is taken for an X11
// one, whose double click is reported as such.
void TrayIcon::askStatusNotifierHost()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher")
        << QStringLiteral("IsStatusNotifierHostRegistered");
    auto *answer = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        const QDBusPendingReply<QDBusVariant> reply = *call;
        m_statusNotifier = reply.isValid() && reply.value().variant().toBool();
        call->deleteLater();
    });
}

void TrayIcon::add()
{
    if (!m_icon->isVisible())
        m_icon->show();
}

void TrayIcon::remove()
{
    if (m_icon->isVisible())
        m_icon->hide();
}

bool TrayIcon::isPresent() const
{
    return m_icon->isVisible();
}

void TrayIcon::setIcon(const QIcon &icon)
{
    m_icon->setIcon(shownIcon(icon));
}

QRect TrayIcon::geometry() const
{
    return m_icon->geometry();
}

QString TrayIcon::toolTip() const
{
    return m_icon->toolTip();
}

int TrayIcon::translate(int reason, bool statusNotifier)
{
    if (statusNotifier && reason == QSystemTrayIcon::Trigger)
        return QSystemTrayIcon::DoubleClick;
    return reason;
}
