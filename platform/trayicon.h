#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>

class QSystemTrayIcon;

// The one notification-area icon. Adding a present icon or removing an
// absent one changes nothing. The icon reaches the tray a moment after it
// is made (see trayicon.cpp); until then it keeps what it is told and shows
// it once it is there.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    // A null icon stands for "no application icon yet": a stock picture
    // is shown, since a tray shows nothing for a null icon.
    TrayIcon(const QIcon &icon, const QString &tip, QObject *parent = nullptr);
    ~TrayIcon() override;

    void add();
    void remove();
    bool isPresent() const;
    // Where the tray shows the icon, in screen coordinates; empty while the
    // icon is not in a tray.
    QRect geometry() const;
    void setIcon(const QIcon &icon);
    QString toolTip() const;

    // Whether the icon has reached the desktop's tray machinery.
    bool isInTray() const { return m_icon != nullptr; }

    // Whether the desktop's tray speaks StatusNotifierItem (over D-Bus)
    // rather than the X11 XEmbed protocol.
    bool isStatusNotifier() const { return m_statusNotifier; }

    // A StatusNotifierItem host reports no double click: its primary
    // activation (QSystemTrayIcon::Trigger) stands for it there.
    static int translate(int reason, bool statusNotifier);

signals:
    // QSystemTrayIcon::ActivationReason, as the program understands it.
    void activated(int reason);
    // The icon has reached the tray machinery (isInTray()).
    void inTray();

private:
    void enterTray();
    void askStatusNotifierHost();

    QSystemTrayIcon *m_icon = nullptr;
    QIcon m_shown;
    QString m_tip;
    bool m_wanted = false;
    bool m_statusNotifier = false;
};
