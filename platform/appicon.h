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
}  // namespace AppIcon
