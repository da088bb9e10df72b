#include "player/placement.h"

#include "player/x11window.h"

#include <QWidget>

namespace Placement {

QMargins currentFrame(const QWidget *w)
{
    if (auto m = X11Window::frameExtents(w))
        return *m;
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

QRect outerRect(const QWidget *w, const QMargins &frameUsed, const QRect &restoredOuter)
{
    if (restoredOuter.isValid())
        return restoredOuter;
    return w->geometry().marginsAdded(frameUsed);
}

void place(QWidget *w, QMargins &frameUsed, QRect &restoredOuter, const QRect &outer)
{
    if (w->windowState() & Qt::WindowMinimized) {
        restoredOuter = outer;
        return;
    }
    restoredOuter = QRect();
    const QMargins frame = currentFrame(w);
    const QRect client = outer.marginsRemoved(frame);
    frameUsed = frame;
    // Minimum and maximum change together: a window manager that saw the
    // window resizable for a moment would give it a resize handle, and
    // another frame.
    if (w->minimumSize() != client.size() || w->maximumSize() != client.size())
        w->setFixedSize(client.size());
    if (client != w->geometry())
        w->setGeometry(client);
}

void applyRestored(QWidget *w, QMargins &frameUsed, QRect &restoredOuter)
{
    if (!restoredOuter.isValid() || (w->windowState() & Qt::WindowMinimized))
        return;
    const QRect outer = restoredOuter;
    place(w, frameUsed, restoredOuter, outer);
}

}  // namespace Placement
