#include "player/placement.h"

#include "player/x11window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace Placement {

namespace {

qreal ratioOf(const QWidget *w)
{
    return w->devicePixelRatioF();
}

QPoint toDevice(const QWidget *w, const QPoint &p)
{
    return p * ratioOf(w);
}

QRect toDevice(const QWidget *w, const QRect &r)
{
    return QRect(toDevice(w, r.topLeft()), Placement::toDevice(w, r.size()));
}

QPoint fromDevice(const QWidget *w, const QPoint &p)
{
    return p / ratioOf(w);
}

// Whether Qt's figure `units` is what it makes of `device` pixels: the
// two differ by less than half of one of Qt's units.
bool agrees(const QWidget *w, int units, int device)
{
    return std::abs(units * ratioOf(w) - device) <= ratioOf(w) / 2 + 1e-9;
}

// The client area in device pixels. Qt keeps it in its own units, rounded
// at a fractional scale; the last placement knows it exactly, as long as
// nothing has moved the window since (Qt's figure still agrees with it).
QRect clientRect(const QWidget *w, const State &s)
{
    const QRect g = w->geometry();
    const QRect &c = s.client;
    if (c.isValid() && agrees(w, g.x(), c.x()) && agrees(w, g.y(), c.y()) && agrees(w, g.width(), c.width())
        && agrees(w, g.height(), c.height()))
        return c;
    return toDevice(w, g);
}

// A client size in Qt's units near `wanted` device pixels and not below
// `least`, whose device size the window manager keeps. At a fractional
// scale Qt asks for sizes in steps of one of its units rounded to device
// pixels (two at 1.5), and a window manager that honours the steps trims
// any other size: the window would then end short of the screen's edge.
int onSteps(const QWidget *w, qreal wanted, int least, int step)
{
    const int around = qMax(qRound(wanted / ratioOf(w)), least);
    int best = around;
    qreal bestMiss = -1;
    for (int units = qMax(around - 2, least); units <= around + 2; ++units) {
        const int device = qRound(units * ratioOf(w));
        if (device % step != 0)
            continue;
        const qreal miss = std::abs(device - wanted);
        // Of two as near, the larger: the layout keeps its room.
        if (bestMiss < 0 || miss <= bestMiss) {
            best = units;
            bestMiss = miss;
        }
    }
    return best;
}

}  // namespace

QSize toDevice(const QWidget *w, const QSize &size)
{
    // Rounded as Qt rounds a window's size on its way to the X server.
    return size * ratioOf(w);
}

QRect screenRect(const QWidget *w)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    // Qt keeps a screen's corner in device pixels and rounds its size into
    // its own units; with a single screen the X server knows the size exactly.
    if (QGuiApplication::screens().size() == 1) {
        if (const auto root = X11Window::rootSize())
            return QRect(screen->geometry().topLeft(), *root);
    }
    return QRect(screen->geometry().topLeft(), toDevice(w, screen->geometry().size()));
}

QMargins currentFrame(const QWidget *w)
{
    if (auto m = X11Window::frameExtents(w))
        return *m;
    // What Qt makes of the window manager's frame window, shadows included
    // on some compositors: a guess, which is why the layout keeps its room.
    const QRect f = toDevice(w, w->frameGeometry());
    const QRect g = toDevice(w, w->geometry());
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

QRect outerRect(const QWidget *w, const State &s)
{
    if (s.restoredOuter.isValid())
        return s.restoredOuter;
    return clientRect(w, s).marginsAdded(s.frameUsed);
}

void place(QWidget *w, State &s, const QRect &outer)
{
    if (w->windowState() & Qt::WindowMinimized) {
        s.restoredOuter = outer;
        return;
    }
    s.restoredOuter = QRect();
    const QMargins frame = currentFrame(w);
    const QSize left = outer.marginsRemoved(frame).size();
    const QSize step = toDevice(w, QSize(1, 1));
    const QSize units(onSteps(w, left.width(), s.layoutMinimum.width(), step.width()),
                      onSteps(w, left.height(), s.layoutMinimum.height(), step.height()));
    const QRect client(outer.topLeft() + QPoint(frame.left(), frame.top()), toDevice(w, units));
    s.frameUsed = frame;
    s.client = client;
    // Minimum and maximum change together: a window manager that saw the
    // window resizable for a moment would give it a resize handle, and
    // another frame.
    if (w->minimumSize() != units || w->maximumSize() != units)
        w->setFixedSize(units);
    const QRect inUnits(fromDevice(w, client.topLeft()), units);
    if (inUnits != w->geometry())
        w->setGeometry(inUnits);
    // Qt's units place a scaled window on a grid of its scale, and Qt sends
    // nothing when they have not changed although the window manager may
    // have moved the window by a pixel: the pixel the window must start at
    // is asked for directly.
    if (!qFuzzyCompare(ratioOf(w), 1.0))
        X11Window::moveClient(w, client.topLeft());
}

void applyRestored(QWidget *w, State &s)
{
    if (!s.restoredOuter.isValid() || (w->windowState() & Qt::WindowMinimized))
        return;
    const QRect outer = s.restoredOuter;
    place(w, s, outer);
}

}  // namespace Placement
