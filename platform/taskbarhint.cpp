#include "platform/taskbarhint.h"

#include "platform/xcb.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace TaskbarHint {

namespace {
using Xcb::atom;
template<typename T> using XcbReply = Xcb::Reply<T>;

// The window's _NET_WM_STATE atoms.
std::vector<xcb_atom_t> states(xcb_connection_t *c, xcb_window_t w, xcb_atom_t state)
{
    std::vector<xcb_atom_t> atoms;
    XcbReply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, state, XCB_ATOM_ATOM, 0, 1024), nullptr));
    if (r && r->format == 32 && r->type == XCB_ATOM_ATOM) {
        const auto *data = static_cast<const xcb_atom_t *>(xcb_get_property_value(r.get()));
        atoms.assign(data, data + xcb_get_property_value_length(r.get()) / sizeof(xcb_atom_t));
    }
    return atoms;
}

bool hasState(xcb_connection_t *c, xcb_window_t w, xcb_atom_t state, xcb_atom_t which)
{
    const std::vector<xcb_atom_t> atoms = states(c, w, state);
    return std::find(atoms.begin(), atoms.end(), which) != atoms.end();
}

// A window shown again at once after it was withdrawn may meet a window
// manager still busy forgetting the old mapping, which then deletes the
// state set on the unmapped window after we set it. Once the manager
// mapped the window again (its first exposure), the hint is checked and, if
// gone, asked for again by message, the way for a managed window.
class AskAgainWhenMapped : public QObject
{
public:
    explicit AskAgainWhenMapped(QWindow *window) : QObject(window) { window->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window->isExposed()) {
            window->removeEventFilter(this);
            askMapped(window);
            deleteLater();
        }
        return false;
    }

private:
    static void askMapped(QWindow *window)
    {
        xcb_connection_t *c = Xcb::connection();
        if (!c)
            return;
        const auto w = xcb_window_t(window->winId());
        const xcb_atom_t state = atom(c, "_NET_WM_STATE");
        const xcb_atom_t skip = atom(c, "_NET_WM_STATE_SKIP_TASKBAR");
        if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE || hasState(c, w, state, skip))
            return;
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = w;
        ev.type = state;
        ev.data.data32[0] = 1;  // _NET_WM_STATE_ADD
        ev.data.data32[1] = skip;
        ev.data.data32[3] = 1;  // from an application
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char *>(&ev));
        xcb_flush(c);
    }
};

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
    std::vector<xcb_atom_t> atoms = states(c, w, state);
    if (std::find(atoms.begin(), atoms.end(), skip) == atoms.end())
        atoms.push_back(skip);
    // Written even when present: a manager that has not yet seen the last
    // withdrawal may still hold the old mapping's copy, which it deletes.
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
    if (Xcb::connection())
        new AskAgainWhenMapped(window->windowHandle());
}

}  // namespace TaskbarHint
