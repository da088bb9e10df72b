// The tray icon and the window commands that come from outside the program.
#include "player/principal.h"

#include "platform/appinfo.h"
#include "platform/logging.h"
#include "platform/trayicon.h"
#include "player/placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QSystemTrayIcon>
#include <QWindowStateChangeEvent>

namespace {

// Makes the main window visible; a hidden window runs its show event.
void makeVisible(QWidget *w, bool &hiddenByMinimise)
{
    if (hiddenByMinimise) {
        // Qt still holds the minimised state the window manager gave the
        // window before it was hidden; a bare show() would map it iconic.
        hiddenByMinimise = false;
        w->showNormal();
    } else {
        w->show();
    }
}

}  // namespace

void TFormPrincipal::setupTrayIcon()
{
    // Only the exit command ends the program: closing the main window hides
    // it, and a modal window closed while the main window sits in the tray
    // must not end the program either.
    QApplication::setQuitOnLastWindowClosed(false);
    m_tray = std::make_unique<TrayIcon>(windowIcon(), AppInfo::trayTip());
    connect(m_tray.get(), &TrayIcon::activated, this, &TFormPrincipal::TrayIconMessage);
}

void TFormPrincipal::AddTrayIcon()
{
    if (!m_tray->isPresent())
        qCDebug(lcPlayer) << "tray icon added";
    m_tray->add();
}

void TFormPrincipal::RemoveTrayIcon()
{
    if (m_tray->isPresent())
        qCDebug(lcPlayer) << "tray icon removed";
    m_tray->remove();
}

void TFormPrincipal::TrayIconMessage(int reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        qCDebug(lcPlayer) << "tray icon: menu";
        showPopupMenu(QCursor::pos());
        break;
    case QSystemTrayIcon::DoubleClick:
        qCDebug(lcPlayer) << "tray icon: double click, window shown";
        ShowFromOutside();
        break;
    default: break;
    }
}

void TFormPrincipal::ShowFromOutside()
{
    makeVisible(this, m_hiddenByMinimise);
    // The icon goes away, so a minimised window (Radio) must come back
    // with it: on a desktop without a taskbar nothing else would reach
    // the program while its sound plays on.
    if (isMinimized()) {
        qCDebug(lcPlayer) << "window shown: minimised window restored";
        showNormal();
        Placement::applyRestored(this, m_place);
    }
    raise();
    activateWindow();
    RemoveTrayIcon();
}

bool TFormPrincipal::hasTray() const
{
    // Asked at each hiding: a tray host may come or go while the program runs.
    return m_tray->isInTray() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TFormPrincipal::changeEvent(QEvent *e)
{
    // The program's own state changes (Radio) arrive as sent events; only
    // the window manager's arrive spontaneously.
    if (e->type() == QEvent::WindowStateChange && e->spontaneous()) {
        const Qt::WindowStates before = static_cast<QWindowStateChangeEvent *>(e)->oldState();
        const Qt::WindowStates now = windowState();
        if ((now & Qt::WindowMinimized) && !(before & Qt::WindowMinimized)) {
            if (hasTray()) {
                // A minimise request hides the window into the tray instead.
                qCDebug(lcPlayer) << "window command: minimise, hidden into the tray";
                m_hiddenByMinimise = true;
                hide();
                AddTrayIcon();
            } else {
                // Hidden without a tray, nothing could bring it back.
                qCDebug(lcPlayer) << "window command: minimise, no tray: window stays minimised";
            }
        } else if ((now & Qt::WindowMaximized) && !(before & Qt::WindowMaximized)) {
            // A maximise request only shows the window.
            qCDebug(lcPlayer) << "window command: maximise, window shown";
            setWindowState(now & ~Qt::WindowMaximized);
            makeVisible(this, m_hiddenByMinimise);
        } else if ((before & Qt::WindowMinimized) && !(now & Qt::WindowMinimized)) {
            // Restored by the user: bounds set meanwhile take effect now.
            Placement::applyRestored(this, m_place);
        }
    }
    QWidget::changeEvent(e);
}

void TFormPrincipal::closeEvent(QCloseEvent *e)
{
    e->ignore();
    if (!hasTray()) {
        // The sound plays on, as it does from the tray; minimised, the
        // window stays in the taskbar and the window switcher.
        qCDebug(lcPlayer) << "window command: close, no tray: window minimised";
        setWindowState(windowState() | Qt::WindowMinimized);
        return;
    }
    qCDebug(lcPlayer) << "window command: close, window hidden";
    hide();
    // Hidden without an icon, the program could be neither reached nor
    // ended, and it would block every new start: the tray always offers the
    // way back.
    AddTrayIcon();
}
