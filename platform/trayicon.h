#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

// The one notification-area icon. Adding a present icon or removing an
// absent one changes nothing.
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
    // Where the tray shows the icon, in screen coordinates.
    QRect geometry() const;
    void setIcon(const QIcon &icon);
    QString toolTip() const;

    // Whether the desktop's tray speaks StatusNotifierItem (over D-Bus)
    // rather than the X11 XEmbed protocol.
    bool isStatusNotifier() const { return m_statusNotifier; }

    // A StatusNotifierItem host reports no double click: its primary
    // activation (QSystemTrayIcon::Trigger) stands for it there.
    static int translate(int reason, bool statusNotifier);

signals:
    // QSystemTrayIcon::ActivationReason, as the program understands it.
    void activated(int reason);

private:
    void askStatusNotifierHost();

    QSystemTrayIcon *m_icon;
    bool m_statusNotifier;
};
