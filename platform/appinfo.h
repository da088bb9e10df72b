#pragma once

#include <QString>

// The application's fixed texts.
namespace AppInfo {
inline QString title()
{
    return QStringLiteral("Brelo Player 1.6");
}
inline QString blockingWindowTitle()
{
    return QStringLiteral("Player Brelo 1.6");
}
inline QString trayTip()
{
    return QStringLiteral("Player Brelo 1.6");
}
inline QString helpFile()
{
    return QStringLiteral("ajuda.chm");
}
inline QString instanceName()
{
    return QStringLiteral("InstanciaIniciada");
}
}  // namespace AppInfo
