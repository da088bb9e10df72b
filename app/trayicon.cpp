#include "app/trayicon.h"

#include <QSystemTrayIcon>

TrayIcon::TrayIcon(const QIcon &icon, const QString &tip, QObject *parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(icon, this))
{
    m_icon->setToolTip(tip);
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) { emit activated(int(r)); });
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
