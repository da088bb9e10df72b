#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

// The main window's outer rectangle, frame included, kept apart from Qt's
// client geometry. `frameUsed` is the frame the client geometry was worked
// out with; `restoredOuter` holds bounds set while the window is minimised.
namespace Placement {

// The frame the window manager draws around `w` now (nothing without one).
QMargins currentFrame(const QWidget *w);

// The outer rectangle the window has, or will have once restored.
QRect outerRect(const QWidget *w, const QMargins &frameUsed, const QRect &restoredOuter);

// Puts the outer rectangle at `outer`. The user cannot resize the window,
// so its client size is fixed to what the frame leaves. A minimised
// window only keeps the bounds for its restore: under X11, Qt maps a
// minimised window again when its geometry changes.
void place(QWidget *w, QMargins &frameUsed, QRect &restoredOuter, const QRect &outer);

// Applies bounds kept while the window was minimised.
void applyRestored(QWidget *w, QMargins &frameUsed, QRect &restoredOuter);

// `value` held within [low, high]. Something larger than the screen leaves
// no room between them: then `low` wins, keeping the left or top edge (a
// menu's first items, a title bar) in reach.
constexpr int keepWithin(int value, int low, int high)
{
    return value > high ? (high < low ? low : high) : (value < low ? low : value);
}

}  // namespace Placement
