// Showing the main window must never hold the user-interface thread for
// the window manager's answer. Here a window manager announces that it
// tells a window's frame on request, yet never answers (hung, or busy with
// something else): the display is the test's own, without a real one.
#include "display/owndisplay.h"
#include "display/quietwindow.h"
#include "platform/xcb.h"
#include "player/principal.h"
#include "support/latenessprobe.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

void setAtoms(xcb_connection_t *c, xcb_window_t w, const char *property, xcb_atom_t type,
              const quint32 *values, int n)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Xcb::atom(c, property), type, 32, quint32(n), values);
}

// Leaves on the root window what a window manager announces: its check
// window and the EWMH requests it claims to serve.
void announceSilentWindowManager()
{
    xcb_connection_t *c = Xcb::connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t check = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, check, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    setAtoms(c, screen->root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, &check, 1);
    setAtoms(c, check, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW, &check, 1);
    const quint32 supported[] = {Xcb::atom(c, "_NET_REQUEST_FRAME_EXTENTS"), Xcb::atom(c, "_NET_WM_STATE"),
                                 Xcb::atom(c, "_NET_WM_STATE_ABOVE")};
    setAtoms(c, screen->root, "_NET_SUPPORTED", XCB_ATOM_ATOM, supported, 3);
    xcb_flush(c);
}

}  // namespace

class TestShowingStall : public QObject
{
    Q_OBJECT

    std::unique_ptr<TFormPrincipal> w;

    // The user-interface thread's longest stall while `step` runs from the
    // event loop.
    static qint64 stallDuring(const std::function<void()> &step)
    {
        LatenessProbe probe;
        probe.start();
        QTimer::singleShot(20, step);
        QTest::qWait(600);
        return probe.stop();
    }

private slots:
    void initTestCase()
    {
        announceSilentWindowManager();
        w = createQuietMainWindow();
    }

    void cleanupTestCase() { w.reset(); }

    // Every showing: the first, and one after the window was hidden.
    // (Generous for a loaded machine: the old wait was 300 ms.)
    void showingDoesNotWaitForTheFrame()
    {
        const qint64 first = stallDuring([this] { w->show(); });
        QVERIFY(w->isVisible());
        QVERIFY2(first < 150, qPrintable(QStringLiteral("first showing stalled %1 ms").arg(first)));

        w->hide();
        const qint64 again = stallDuring([this] { w->show(); });
        QVERIFY2(again < 150, qPrintable(QStringLiteral("showing again stalled %1 ms").arg(again)));
    }
};

int main(int argc, char **argv)
{
    return runOnOwnDisplay("1024x768x24", false, [&] {
        QApplication app(argc, argv);
        TestShowingStall test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "test_showingstall.moc"
