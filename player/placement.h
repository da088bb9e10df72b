#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// The main window's outer rectangle, frame included, kept apart from Qt's
// client geometry. Every rectangle and frame here is in device pixels, the
// X server's own: the window manager tells the frame in them, and a window
// scaled by Qt (QT_SCALE_FACTOR) can only meet the screen's edges exactly
// when its place is worked out in them rather than in Qt's scaled units.
namespace Placement {

struct State {
    // The frame the client geometry was worked out with.
    QMargins frameUsed;
    // Bounds set while the window is minimised, for its restore.
    QRect restoredOuter;
    // Where the last placement put the client area.
    QRect client;
    // The client size (in Qt's units) the layout's controls need; the window
    // is never made smaller, whatever frame the window manager reports.
    QSize layoutMinimum;
};

// Qt's units to device pixels for `w`.
QSize toDevice(const QWidget *w, const QSize &size);

// The primary screen in device pixels.
QRect screenRect(const QWidget *w);

// The frame the window manager draws around `w` now (nothing without one).
QMargins currentFrame(const QWidget *w);

// The outer rectangle the window has, or will have once restored.
QRect outerRect(const QWidget *w, const State &s);

// Puts the outer rectangle's top-left at `outer`'s and gives it `outer`'s
// size, or more where the frame would leave the layout too little room.
// The user cannot resize the window, so its client size is fixed. A
// minimised window only keeps the bounds for its restore: under X11, Qt
// maps a minimised window again when its geometry changes.
void place(QWidget *w, State &s, const QRect &outer);

// Applies bounds kept while the window was minimised.
void applyRestored(QWidget *w, State &s);

// `value` held within [low, high]. Something larger than the screen leaves
// no room between them: then `low` wins, keeping the left or top edge (a
// menu's first items, a title bar) in reach.
constexpr int keepWithin(int value, int low, int high)
{
    return value > high ? (high < low ? low : high) : (value < low ? low : value);
}

}  // namespace Placement
