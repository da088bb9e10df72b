#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

// Looks at the desktop from outside, with the same tools a person would use
// (xwininfo, xprop, xdotool, wmctrl), so the figures do not come from the
// code under test.
namespace XProbe {

// Runs a tool; its standard output, or an empty string when it fails.
QString run(const QString &program, const QStringList &args, int msTimeout = 5000);

// The window's outer rectangle: the client's absolute position minus
// _NET_FRAME_EXTENTS (xdotool and wmctrl report client figures).
QRect outerRect(quint64 window);

// Whether the window is mapped and viewable.
bool isViewable(quint64 window);

// WM_STATE: 0 withdrawn or none, 1 normal, 3 iconic.
int wmState(quint64 window);

// Names of the atoms in _NET_WM_STATE.
QStringList netWmState(quint64 window);

// _NET_CLIENT_LIST and _NET_CLIENT_LIST_STACKING of the root window.
QList<quint64> clientList();
QList<quint64> stackingList();

// _NET_WM_NAME of a window.
QString title(quint64 window);

// Windows of the given WM_CLASS class name embedded in the tray host
// (trayer): the notification-area icons of that program.
QList<quint64> trayIcons(const QString &classname);

// The viewable window of process `pid` titled as `titleRegex` that the
// window manager lists as a client (a program's main window, not its
// helper windows); 0 if none comes within `msTimeout`.
quint64 waitForClientWindow(qint64 pid, const QString &titleRegex, int msTimeout = 15000);

// Waits until `condition` holds, up to `msTimeout`, processing Qt events.
// The limit is generous because it only bounds a failure: a window manager
// sharing two cores with other tests can take seconds to place a window.
bool waitFor(const std::function<bool()> &condition, int msTimeout = 20000);

}  // namespace XProbe
