#pragma once

class QWidget;
class QWindow;

// The program shows one taskbar entry, the main window's; its other windows
// stand for nothing of their own there.
namespace TaskbarHint {

// Asks the window manager to leave the window out of the taskbar. Must be
// called while the window is unmapped, before every showing: the manager
// drops the hint when the window is withdrawn. Does nothing off X11.
void skipTaskbar(QWindow *window);

// Makes `window` transient for the window of its parent widget (the main
// window), which taskbars and window managers read as "part of that
// program", and leaves it out of the taskbar. Call before every showing.
void ownedByParent(QWidget *window);

}  // namespace TaskbarHint
