#pragma once

class QWindow;

namespace TaskbarHint {

// Asks the window manager to leave the window out of the taskbar. Must be
// called while the window is unmapped, before every showing: the manager
// drops the hint when the window is withdrawn. Does nothing off X11.
void skipTaskbar(QWindow *window);

}  // namespace TaskbarHint
