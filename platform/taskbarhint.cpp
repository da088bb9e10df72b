#include "platform/taskbarhint.h"

#include "platform/xcb.h"

#include <QWidget>
#include <QWindow>

#include <vector>

namespace TaskbarHint {

namespace {
using Xcb::atom;
template<typename T> using XcbReply = Xcb::Reply<T>;
}  // namespace

void skipTaskbar(QWindow *window)
{
    xcb_connection_t *c = Xcb::connection();
    if (!c || !window)
        return;
    const auto w = xcb_window_t(window->winId());
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE)
        return;

    // Keep whatever states are already asked for; Qt adds its own on
    // mapping and keeps ours the same way.
    std::vector<xcb_atom_t> atoms;
    XcbReply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, state, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (r && r->format == 32 && r->type == XCB_ATOM_ATOM) {
        const auto *data = static_cast<const xcb_atom_t *>(xcb_get_property_value(r.get()));
        atoms.assign(data, data + xcb_get_property_value_length(r.get()) / sizeof(xcb_atom_t));
    }
    for (xcb_atom_t a : atoms) {
        if (a == skip)
            return;
    }
    atoms.push_back(skip);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, state, XCB_ATOM_ATOM, 32, uint32_t(atoms.size()),
                        atoms.data());
    xcb_flush(c);
}

void ownedByParent(QWidget *window)
{
    // Asking for the native window's id creates it.
    if (!window->windowHandle())
        window->winId();
    QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    // A window whose native window came before its owner's was given no
    // owner by Qt; the owner gets its native window here if need be.
    if (owner && !owner->windowHandle())
        owner->winId();
    if (owner && window->windowHandle()->transientParent() != owner->windowHandle())
        window->windowHandle()->setTransientParent(owner->windowHandle());
    skipTaskbar(window->windowHandle());
}

}  // namespace TaskbarHint
