#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace Placement {

// Top-left of a window frame of frameSize centred in workArea, pulled back
// to the desktop's left and top edges when the frame is larger than the
// work area.
QPoint centred(const QSize &frameSize, const QRect &workArea, const QRect &desktop);

}  // namespace Placement
