#pragma once

#include <QMargins>
#include <QPoint>
#include <QSize>
#include <optional>

class QWidget;

// The few EWMH conversations with the window manager that Qt does not
// offer: the frame it puts around a window, asked for before the window is
// mapped, and the "above" state. Every function does nothing, or answers
// "unknown", when the program does not run on X11 or no window manager
// runs.
namespace X11Window {

// Whether a window manager runs and announces the given EWMH atom in
// _NET_SUPPORTED.
bool wmSupports(const char *atomName);

// Asks the window manager which frame it will give `window` (native window
// created on demand); the answer arrives as _NET_FRAME_EXTENTS.
void requestFrameExtents(QWidget *window);

// The window's _NET_FRAME_EXTENTS, when the window manager has set them.
std::optional<QMargins> frameExtents(const QWidget *window);

// Waits up to `msTimeout` for _NET_FRAME_EXTENTS to appear.
std::optional<QMargins> waitForFrameExtents(const QWidget *window, int msTimeout);

// Where the window's client area is on the screen right now, asked of the
// X server itself (Qt's figure follows the server's reports, which can
// arrive late).
std::optional<QPoint> clientPosition(const QWidget *window);

// The size of the root window: with a single screen, that screen's size in
// device pixels.
std::optional<QSize> rootSize();

// Asks for the window's client area at `devicePos` (root coordinates), to
// the pixel. Qt's own moves are in its scaled units.
void moveClient(QWidget *window, const QPoint &devicePos);

// Whether a window manager manages the window now (WM_STATE Normal or
// Iconic): only then does it answer _NET_WM_STATE requests.
bool isManaged(const QWidget *window);

// Whether _NET_WM_STATE of the window holds _NET_WM_STATE_ABOVE.
bool isAbove(const QWidget *window);

// Asks the window manager to add _NET_WM_STATE_ABOVE to a mapped window,
// or to take it away.
void requestAbove(QWidget *window, bool above = true);

}  // namespace X11Window
