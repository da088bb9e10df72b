#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// The application's icon, shown on every window and in the notification
// area. An installed copy finds it in the desktop's icon theme, where the
// theme may also restyle it; a copy run from its build folder falls back on
// the pictures built into the program.
namespace AppIcon {
QString themeName();
QList<int> sizes();
QIcon builtIn();
QIcon icon();
// What the windows and the tray carry: icon() at the small sizes only. Every
// size a window's icon offers is converted and sent to the display when the
// window is made, which for the 256 px picture held up the first window by
// tens of milliseconds; the window manager and the tray draw it small. The
// program hands its windows icon() once the first one is up.
QList<int> windowSizes();
QIcon windowIcon();
}  // namespace AppIcon
