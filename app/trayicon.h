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
    TrayIcon(const QIcon &icon, const QString &tip, QObject *parent = nullptr);
    ~TrayIcon() override;

    void add();
    void remove();
    bool isPresent() const;

signals:
    // QSystemTrayIcon::ActivationReason, as the tray reports it.
    void activated(int reason);

private:
    QSystemTrayIcon *m_icon;
};
