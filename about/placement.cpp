#include "about/placement.h"

#include <algorithm>

namespace Placement {

QPoint centred(const QSize &frameSize, const QRect &workArea, const QRect &desktop)
{
    const int x = workArea.x() + (workArea.width() - frameSize.width()) / 2;
    const int y = workArea.y() + (workArea.height() - frameSize.height()) / 2;
    // A caption pushed off the top could not be grabbed to move the window
    // back; the right and bottom may hang off instead.
    return {std::max(x, desktop.left()), std::max(y, desktop.top())};
}

}  // namespace Placement
