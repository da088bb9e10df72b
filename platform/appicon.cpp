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

QList<int> windowSizes()
{
    return {16, 32, 48};
}

QIcon windowIcon()
{
    const QIcon source = icon();
    QIcon small;
    for (int size : windowSizes())
        small.addPixmap(source.pixmap(QSize(size, size), 1.0));
    return small;
}

}  // namespace AppIcon
