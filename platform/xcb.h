#pragma once

#include <QGuiApplication>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// Small helpers over Qt's own connection to the X server.
namespace Xcb {

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
// xcb hands replies over to be freed with free().
template<typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Qt's connection; null off X11.
inline xcb_connection_t *connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

inline xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace Xcb
