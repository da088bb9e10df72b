#include "platform/trayicon.h"

#include "platform/logging.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStyle>
#include <QSystemTrayIcon>

#include <thread>

namespace {

QIcon shownIcon(const QIcon &icon)
{
    if (!icon.isNull())
        return icon;
    return QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
}

// Qt picks the tray protocol once per process, when the first
// QSystemTrayIcon is made: it asks the session bus's StatusNotifierWatcher
// whether a host is registered, and waits for the answer. The watcher is
// another program, which may be slow or hung (libdbus then waits 25
// seconds). A first icon made and dropped on a thread of its own lets Qt
// ask there; the program's own icons are made once that is over, when Qt no
// longer asks.
class TrayProtocol : public QObject
{
    Q_OBJECT
public:
    // Starts the question on first use; made on the user-interface thread
    // and kept until the process ends, as the question may outlast
    // everything else.
    static TrayProtocol *instance()
    {
        static auto *protocol = new TrayProtocol;
        return protocol;
    }

    bool isDecided() const { return m_decided; }

signals:
    void decided();

private:
    TrayProtocol()
    {
        std::thread([this] {
            {
                QSystemTrayIcon askingQt;
            }
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_decided = true;
                    qCDebug(lcApp) << "tray: the desktop's tray protocol is known";
                    emit decided();
                },
                Qt::QueuedConnection);
        }).detach();
    }

    bool m_decided = false;
};

}  // namespace

TrayIcon::TrayIcon(const QIcon &icon, const QString &tip, QObject *parent)
    : QObject(parent), m_shown(shownIcon(icon)), m_tip(tip)
{
    TrayProtocol *protocol = TrayProtocol::instance();
    if (protocol->isDecided())
        enterTray();
    else
        connect(protocol, &TrayProtocol::decided, this, &TrayIcon::enterTray, Qt::SingleShotConnection);
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::enterTray()
{
    m_icon = new QSystemTrayIcon(m_shown, this);
    m_icon->setToolTip(m_tip);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        emit activated(translate(int(r), m_statusNotifier));
    });
    if (m_wanted)
        m_icon->show();
    askStatusNotifierHost();
    emit inTray();
}

// Qt's own answer is not published; the watcher is asked once more, without
// waiting. Until it answers, the icon is taken for an X11 one, whose double
// click is reported as such.
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
    m_wanted = true;
    if (m_icon && !m_icon->isVisible())
        m_icon->show();
}

void TrayIcon::remove()
{
    m_wanted = false;
    if (m_icon && m_icon->isVisible())
        m_icon->hide();
}

bool TrayIcon::isPresent() const
{
    return m_wanted;
}

void TrayIcon::setIcon(const QIcon &icon)
{
    m_shown = shownIcon(icon);
    if (m_icon)
        m_icon->setIcon(m_shown);
}

QRect TrayIcon::geometry() const
{
    return m_icon ? m_icon->geometry() : QRect();
}

QString TrayIcon::toolTip() const
{
    return m_tip;
}

int TrayIcon::translate(int reason, bool statusNotifier)
{
    if (statusNotifier && reason == QSystemTrayIcon::Trigger)
        return QSystemTrayIcon::DoubleClick;
    return reason;
}

#include "trayicon.moc"
