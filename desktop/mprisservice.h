#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>

class DesktopControls;
class MprisObject;

// The player on the session bus as org.mpris.MediaPlayer2.breloplayer, for
// the desktop's media keys, widgets and lock screen. Finding and joining the
// bus happen on a thread of their own: without a bus, or with one that does
// not answer, the player simply goes on without.
class MprisService : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *kServiceName = "org.mpris.MediaPlayer2.breloplayer";
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";
    // How long a bus may take to answer before the player does without it.
    static constexpr int kProbeTimeoutMs = 3000;

    explicit MprisService(DesktopControls *controls, QObject *parent = nullptr);

    // Looks for the bus and, when it answers, takes the service name; from
    // then on, every change is announced. Returns at once.
    void start();
    // The same on the bus at `address` (tests).
    void start(const QString &address);

    bool isRegistered() const { return m_registered; }

signals:
    // The name is ours: the desktop now sees the player.
    void registered();
    // No bus, a bus that did not answer, or the name was refused.
    void unavailable(const QString &reason);

private:
    void joined(const QDBusConnection &bus);
    void announce(const QVariantMap &changed);

    DesktopControls *m_controls;
    MprisObject *m_object;
    std::optional<QDBusConnection> m_bus;
    bool m_registered = false;
};
