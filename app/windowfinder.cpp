#include "app/windowfinder.h"

#include "platform/xcb.h"

#include <vector>

namespace {

using Xcb::atom;
template<typename T> using XcbReply = Xcb::Reply<T>;

// A desktop holds hundreds of windows, and a request answered before the
// next is sent costs a round trip each: every level's requests go out
// together and their answers are read afterwards.

struct TitleRequests {
    xcb_get_property_cookie_t netName, name, nameUtf8;
};

TitleRequests askTitles(xcb_connection_t *c, xcb_window_t w, xcb_atom_t netWmName, xcb_atom_t utf8)
{
    return {xcb_get_property(c, 0, w, netWmName, utf8, 0, 1024),
            xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 1024),
            xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, utf8, 0, 1024)};
}

QString textReply(xcb_connection_t *c, xcb_get_property_cookie_t cookie, bool latin1)
{
    XcbReply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, cookie, nullptr));
    if (!r || r->format != 8)
        return {};
    const auto *data = static_cast<const char *>(xcb_get_property_value(r.get()));
    const int len = xcb_get_property_value_length(r.get());
    return latin1 ? QString::fromLatin1(data, len) : QString::fromUtf8(data, len);
}

// Reads every answer, so none is left waiting on the connection.
bool anyTitled(xcb_connection_t *c, const std::vector<TitleRequests> &asked, const QString &title)
{
    bool found = false;
    for (const TitleRequests &t : asked) {
        found |= textReply(c, t.netName, false) == title;
        found |= textReply(c, t.name, true) == title;
        found |= textReply(c, t.nameUtf8, false) == title;
    }
    return found;
}

std::vector<xcb_window_t> childrenOf(xcb_connection_t *c, const std::vector<xcb_window_t> &parents)
{
    std::vector<xcb_query_tree_cookie_t> asked;
    asked.reserve(parents.size());
    for (xcb_window_t w : parents)
        asked.push_back(xcb_query_tree(c, w));
    std::vector<xcb_window_t> kids;
    for (xcb_query_tree_cookie_t cookie : asked) {
        XcbReply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(c, cookie, nullptr));
        if (!r)
            continue;
        const xcb_window_t *k = xcb_query_tree_children(r.get());
        kids.insert(kids.end(), k, k + xcb_query_tree_children_length(r.get()));
    }
    return kids;
}

bool anyTitled(xcb_connection_t *c, const std::vector<xcb_window_t> &windows, const QString &title,
               xcb_atom_t netWmName, xcb_atom_t utf8)
{
    std::vector<TitleRequests> asked;
    asked.reserve(windows.size());
    for (xcb_window_t w : windows)
        asked.push_back(askTitles(c, w, netWmName, utf8));
    return anyTitled(c, asked, title);
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

    std::vector<xcb_window_t> roots;
    for (auto it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it))
        roots.push_back(it.data->root);
    const std::vector<xcb_window_t> tops = childrenOf(c, roots);
    if (anyTitled(c, tops, title, netWmName, utf8))
        return true;
    return anyTitled(c, childrenOf(c, tops), title, netWmName, utf8);
}
