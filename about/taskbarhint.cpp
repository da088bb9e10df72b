#include "about/taskbarhint.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace TaskbarHint {

namespace {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    XcbReply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

void skipTaskbar(QWindow *window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !window)
        return;
    xcb_connection_t *c = x11->connection();
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

} // namespace TaskbarHint
