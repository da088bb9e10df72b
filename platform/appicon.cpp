#include "platform/appicon.h"

namespace AppIcon {

QString themeName()
{
    return QStringLiteral("breloplayer");
}

QList<int> sizes()
{
    return {16, 32, 48, 256};
}

QIcon builtIn()
{
    QIcon icon;
    for (int size : sizes())
        icon.addFile(QStringLiteral(":/icons/breloplayer-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon icon()
{
    return QIcon::fromTheme(themeName(), builtIn());
}

}  // namespace AppIcon
