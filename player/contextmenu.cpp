// The context menu, the menu button, the balloon hints, help and links.
#include "player/principal.h"

#include "app/trayicon.h"
#include "media/mediaengine.h"

#include <QApplication>

void TFormPrincipal::setupPopupMenu()
{
    PopupMenu = new QMenu(this);
}

void TFormPrincipal::setupHints() {}

bool TFormPrincipal::menuEventFilter(QObject *, QEvent *)
{
    return false;
}

bool TFormPrincipal::menuWindowEvent(QEvent *)
{
    return false;
}

void TFormPrincipal::showPopupMenu(const QPoint &pos)
{
    PopupMenu->popup(pos);
}

void TFormPrincipal::BrowserNoticias1Click() {}
void TFormPrincipal::Ajuda1Click() {}
void TFormPrincipal::ConfigurarClick() {}

void TFormPrincipal::Encerrar1Click()
{
    QApplication::processEvents();
    QApplication::exit(0);
    RemoveTrayIcon();
}

void TFormPrincipal::btnMenuClick() {}
void TFormPrincipal::btnMenuMouseLeave() {}
void TFormPrincipal::Label1Click() {}
