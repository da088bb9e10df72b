#include "app/windowfinder.h"

#include "platform/xcb.h"

#include <vector>

namespace {

using Xcb::atom;
template<typename T> using XcbReply = Xcb::Reply<T>;

QString textProperty(xcb_connection_t *c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type)
{
    if (prop == XCB_ATOM_NONE)
        return {};
    XcbReply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 1024), nullptr));
    if (!r || r->format != 8)
        return {};
    const auto *data = static_cast<const char *>(xcb_get_property_value(r.get()));
    const int len = xcb_get_property_value_length(r.get());
    return type == XCB_ATOM_STRING ? QString::fromLatin1(data, len) : QString::fromUtf8(data, len);
}

std::vector<xcb_window_t> children(xcb_connection_t *c, xcb_window_t w)
{
    XcbReply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    if (!r)
        return {};
    const xcb_window_t *kids = xcb_query_tree_children(r.get());
    return {kids, kids + xcb_query_tree_children_length(r.get())};
}

}  // namespace

bool topLevelWindowTitled(const QString &title)
{
    xcb_connection_t *c = Xcb::connection();
    if (!c)
        return false;
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");

    auto matches = [&](xcb_window_t w) {
        return textProperty(c, w, netWmName, utf8) == title
            || textProperty(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) == title
            || textProperty(c, w, XCB_ATOM_WM_NAME, utf8) == title;
    };

    for (auto it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it)) {
        for (xcb_window_t top : children(c, it.data->root)) {
            if (matches(top))
                return true;
            for (xcb_window_t client : children(c, top))
                if (matches(client))
                    return true;
        }
    }
    return false;
}
