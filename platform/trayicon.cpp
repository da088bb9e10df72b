#include "platform/trayicon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QStyle>
#include <QSystemTrayIcon>

namespace {

// Qt picks the D-Bus tray the same way: when a StatusNotifierWatcher runs
// with a host registered.
bool statusNotifierHostRegistered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface watcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                           QStringLiteral("/StatusNotifierWatcher"),
                           QStringLiteral("org.kde.StatusNotifierWatcher"), bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

QIcon shownIcon(const QIcon &icon)
{
    if (!icon.isNull())
        return icon;
    return QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
}

}  // namespace

TrayIcon::TrayIcon(const QIcon &icon, const QString &tip, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(shownIcon(icon), this)),
      m_statusNotifier(statusNotifierHostRegistered())
{
    m_icon->setToolTip(tip);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        emit activated(translate(int(r), m_statusNotifier));
    });
}

TrayIcon::~TrayIcon() = default;

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
