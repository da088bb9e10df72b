#include "player/x11window.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>

#include "platform/xcb.h"

namespace X11Window {

namespace {

using Xcb::atom;
using Xcb::connection;

xcb_window_t rootOf(xcb_connection_t *c)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    return xcb_setup_roots_iterator(setup).data->root;
}

// The native window of a widget that already has one; 0 otherwise, so that
// asking never creates a window as a side effect.
xcb_window_t nativeOf(const QWidget *w)
{
    return w && w->testAttribute(Qt::WA_WState_Created) ? xcb_window_t(w->effectiveWinId()) : 0;
}

QList<quint32> cardinals(xcb_connection_t *c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type)
{
    QList<quint32> values;
    const auto cookie = xcb_get_property(c, 0, w, property, type, 0, 1024);
    Xcb::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (reply && reply->type == type && reply->format == 32) {
        const auto *data = static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
        const int n = xcb_get_property_value_length(reply.get()) / 4;
        for (int i = 0; i < n; ++i)
            values.append(data[i]);
    }
    return values;
}

void sendToRoot(xcb_connection_t *c, xcb_window_t w, xcb_atom_t type, const quint32 (&data)[5])
{
    xcb_client_message_event_t event = {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = type;
    for (int i = 0; i < 5; ++i)
        event.data.data32[i] = data[i];
    xcb_send_event(c, 0, rootOf(c), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

}  // namespace

bool wmSupports(const char *atomName)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    const xcb_window_t root = rootOf(c);
    // A window manager that has died leaves its properties behind; the check
    // window it names must still exist and name itself.
    const QList<quint32> check = cardinals(c, root, atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (check.isEmpty())
        return false;
    const QList<quint32> self
        = cardinals(c, check.first(), atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (self.isEmpty() || self.first() != check.first())
        return false;
    return cardinals(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM).contains(atom(c, atomName));
}

void requestFrameExtents(QWidget *window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return;
    const xcb_window_t w = xcb_window_t(window->winId());
    sendToRoot(c, w, atom(c, "_NET_REQUEST_FRAME_EXTENTS"), {0, 0, 0, 0, 0});
}

std::optional<QMargins> frameExtents(const QWidget *window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = nativeOf(window);
    if (!c || !w)
        return std::nullopt;
    const QList<quint32> v = cardinals(c, w, atom(c, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL);
    if (v.size() != 4)
        return std::nullopt;
    // left, right, top, bottom
    return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
}

std::optional<QMargins> waitForFrameExtents(const QWidget *window, int msTimeout)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (auto m = frameExtents(window))
            return m;
        if (clock.elapsed() >= msTimeout)
            return std::nullopt;
        QThread::msleep(2);
    }
}

std::optional<QPoint> clientPosition(const QWidget *window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = nativeOf(window);
    if (!c || !w)
        return std::nullopt;
    const auto cookie = xcb_translate_coordinates(c, w, rootOf(c), 0, 0);
    Xcb::Reply<xcb_translate_coordinates_reply_t> reply(xcb_translate_coordinates_reply(c, cookie, nullptr));
    if (!reply)
        return std::nullopt;
    return QPoint(reply->dst_x, reply->dst_y);
}

std::optional<QSize> rootSize()
{
    xcb_connection_t *c = connection();
    if (!c)
        return std::nullopt;
    Xcb::Reply<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, rootOf(c)), nullptr));
    if (!reply)
        return std::nullopt;
    return QSize(reply->width, reply->height);
}

void moveClient(QWidget *window, const QPoint &devicePos)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = nativeOf(window);
    if (!c || !w)
        return;
    // With the static gravity Qt gives a window it places itself, the window
    // manager puts the client area, not its frame, at this point.
    const quint32 values[] = {quint32(devicePos.x()), quint32(devicePos.y())};
    xcb_configure_window(c, w, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
    xcb_flush(c);
}

bool isManaged(const QWidget *window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = nativeOf(window);
    if (!c || !w)
        return false;
    const xcb_atom_t wmState = atom(c, "WM_STATE");
    const QList<quint32> state = cardinals(c, w, wmState, wmState);
    // 1 = NormalState, 3 = IconicState
    return !state.isEmpty() && (state.first() == 1 || state.first() == 3);
}

bool isAbove(const QWidget *window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = nativeOf(window);
    if (!c || !w)
        return false;
    return cardinals(c, w, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM).contains(atom(c, "_NET_WM_STATE_ABOVE"));
}

void requestAbove(QWidget *window, bool above)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = nativeOf(window);
    if (!c || !w)
        return;
    // 1 = _NET_WM_STATE_ADD, 0 = _REMOVE; source indication 1 = an
    // ordinary application
    sendToRoot(c, w, atom(c, "_NET_WM_STATE"), {above ? 1u : 0u, atom(c, "_NET_WM_STATE_ABOVE"), 0, 1, 0});
}

}  // namespace X11Window
