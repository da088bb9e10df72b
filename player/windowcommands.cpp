// The tray icon and the window commands that come from outside the program.
#include "player/principal.h"

#include "app/appinfo.h"
#include "app/trayicon.h"

#include <QApplication>
#include <QCloseEvent>

void TFormPrincipal::setupTrayIcon()
{
    m_tray = std::make_unique<TrayIcon>(windowIcon(), AppInfo::trayTip());
    connect(m_tray.get(), &TrayIcon::activated, this, &TFormPrincipal::TrayIconMessage);
}

void TFormPrincipal::AddTrayIcon()
{
    m_tray->add();
}

void TFormPrincipal::RemoveTrayIcon()
{
    m_tray->remove();
}

void TFormPrincipal::TrayIconMessage(int) {}

void TFormPrincipal::changeEvent(QEvent *e)
{
    QWidget::changeEvent(e);
}

void TFormPrincipal::closeEvent(QCloseEvent *e)
{
    e->ignore();
    hide();
}
