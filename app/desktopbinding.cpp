#include "app/desktopbinding.h"

#include "desktop/desktopcontrols.h"
#include "player/principal.h"

#include <QSystemTrayIcon>

DesktopControls *bindDesktopControls(TFormPrincipal *main)
{
    auto *controls = new DesktopControls(main->session(), main);
    QObject::connect(controls, &DesktopControls::raiseRequested, main,
                     [main] { main->TrayIconMessage(QSystemTrayIcon::DoubleClick); });
    // Queued, so that the caller's reply leaves before the program ends.
    QObject::connect(controls, &DesktopControls::quitRequested, main, &TFormPrincipal::Encerrar1Click,
                     Qt::QueuedConnection);
    return controls;
}
