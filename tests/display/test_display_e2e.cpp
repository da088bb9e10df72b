// The real program, driven from outside as a person would, under the
// session's openbox and trayer: placement, drags, the tray icon and the
// window commands. Figures are read with xwininfo and xprop, never from
// the program itself.
#include "display/xprobe.h"
#include "support/testsupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

const QRect corner(856, 540, 168, 228);
const QRect extendedCorner(658, 387, 366, 381);

QString hex(quint64 w)
{
    return QStringLiteral("0x%1").arg(w, 0, 16);
}

QString xdotool(const QStringList &args)
{
    return XProbe::run(QStringLiteral("xdotool"), args);
}

}  // namespace

class TestDisplayE2E : public QObject
{
    Q_OBJECT

    QProcess app;
    quint64 win = 0;

    QRect outer() const { return XProbe::outerRect(win); }

    bool settlesAt(const QRect &expected, int ms = 20000)
    {
        if (XProbe::waitFor([&] { return outer() == expected; }, ms))
            return true;
        qWarning() << "outer" << outer() << "expected" << expected;
        return false;
    }

    QList<quint64> icons() const { return XProbe::trayIcons(QStringLiteral("breloplayer")); }

    QList<quint64> ourWindows() const
    {
        QList<quint64> ids;
        for (const QString &s :
             xdotool({QStringLiteral("search"), QStringLiteral("--pid"), QString::number(app.processId())})
                 .split(u'\n', Qt::SkipEmptyParts))
            ids.append(s.toULongLong());
        return ids;
    }

    // Our windows that are taskbar entries (_NET_CLIENT_LIST).
    QList<quint64> taskbarEntries() const
    {
        QList<quint64> entries;
        const QList<quint64> ours = ourWindows();
        for (quint64 w : XProbe::clientList())
            if (ours.contains(w))
                entries.append(w);
        return entries;
    }

    QPoint iconCentre() const
    {
        const QList<quint64> i = icons();
        if (i.isEmpty())
            return {};
        return XProbe::outerRect(i.first()).center();
    }

    void doubleClickIcon()
    {
        const QPoint c = iconCentre();
        xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y())});
        QTest::qWait(100);
        xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                 QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    }

    // A drag by the title bar, in steps as a hand would move.
    void dragBy(int dx, int dy)
    {
        const QRect o = outer();
        const QPoint grip(o.left() + 50, o.top() + 8);
        // The pointer cannot leave the screen (and xdotool takes a negative
        // figure for an option).
        const auto onScreen = [](int v, int max) { return qBound(0, v, max - 1); };
        xdotool({QStringLiteral("mousemove"), QString::number(grip.x()), QString::number(grip.y())});
        QTest::qWait(80);
        xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
        for (int step = 1; step <= 5; ++step) {
            QTest::qWait(60);
            xdotool({QStringLiteral("mousemove"), QString::number(onScreen(grip.x() + dx * step / 5, 1024)),
                     QString::number(onScreen(grip.y() + dy * step / 5, 768))});
        }
        QTest::qWait(100);
        xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    }

    void key(const QString &keys)
    {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(win)});
        QTest::qWait(100);
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
    }

    void screenshot(const QString &name)
    {
        const QString file = TestSupport::screenshotDir() + u'/' + name;
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), file});
        QVERIFY(QFileInfo::exists(file));
    }

private slots:
    void init()
    {
        const QString program
            = qEnvironmentVariable("BRELO_PLAYER", TestSupport::binaryDir() + QStringLiteral("/breloplayer"));
        QVERIFY2(QFileInfo::exists(program), qPrintable(program));
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(program, {});
        QVERIFY(app.waitForStarted());
        // The main window is the one the window manager lists.
        win = XProbe::waitForClientWindow(app.processId(), QStringLiteral("^Brelo Player 1.6$"));
        QVERIFY(win != 0);
        // As a person would, wait for the window to have appeared before
        // grabbing it: the window manager is still taking it in meanwhile.
        QTest::qWait(500);
    }

    void cleanup()
    {
        TestSupport::endProgram(app);
        win = 0;
    }

    // First showing: the outer rectangle in the screen's corner, on top,
    // one taskbar entry, the icon in the tray.
    void firstShowing()
    {
        QVERIFY(settlesAt(corner));
        QCOMPARE(XProbe::title(win), QStringLiteral("Brelo Player 1.6"));
        QVERIFY(XProbe::netWmState(win).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
        QCOMPARE(taskbarEntries(), QList<quint64>{win});
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        screenshot(QStringLiteral("display-normal-corner.png"));
    }

    // Hovering the icon shows its tooltip (its text is checked in-process;
    // from outside only the tooltip window can be seen).
    void trayTooltip()
    {
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        const QList<quint64> before = ourWindows();
        const QPoint c = iconCentre();
        xdotool({QStringLiteral("mousemove"), QString::number(c.x() - 3), QString::number(c.y())});
        QTest::qWait(50);
        xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y())});
        QVERIFY(XProbe::waitFor(
            [&] {
                for (quint64 w : ourWindows()) {
                    if (before.contains(w) || !XProbe::isViewable(w))
                        continue;
                    const QString type
                        = XProbe::run(QStringLiteral("xprop"),
                                      {QStringLiteral("-id"), hex(w), QStringLiteral("_NET_WM_WINDOW_TYPE")});
                    if (type.contains(QStringLiteral("TOOLTIP")))
                        return true;
                }
                return false;
            },
            5000));
        screenshot(QStringLiteral("display-tray-tooltip.png"));
    }

    // The right button's press on the icon opens the context menu at once,
    // before the button comes up, right-aligned to the pointer as far as
    // the screen allows.
    void trayRightButtonOpensMenu()
    {
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        // Qt keeps the menu's window once made, and the engine's picture is
        // a native window too: look for a tall window of ours away from the
        // main window at the bottom-right corner.
        const QRect mainWindow = outer();
        const auto openMenu = [&]() -> QRect {
            for (quint64 w : ourWindows()) {
                if (!XProbe::isViewable(w))
                    continue;
                const QRect r = XProbe::outerRect(w);
                if (r.height() > 150 && !r.intersects(mainWindow))
                    return r;
            }
            return {};
        };
        QVERIFY(openMenu().isNull());
        const QPoint c = iconCentre();
        xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y())});
        QTest::qWait(100);
        xdotool({QStringLiteral("mousedown"), QStringLiteral("3")});
        QRect menu;
        const bool opened = XProbe::waitFor([&] { return !(menu = openMenu()).isNull(); });
        xdotool({QStringLiteral("mouseup"), QStringLiteral("3")});
        QTest::qWait(100);
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QVERIFY2(opened, "no menu opened while the right button was down");
        QCOMPARE(menu.top(), c.y());
        // The icon sits near the screen's left edge, so the menu is pushed
        // right just enough to stay on the screen.
        QVERIFY2(menu.right() + 1 == c.x() || menu.left() == 0,
                 qPrintable(QStringLiteral("menu at %1,%2 for the pointer at %3")
                                .arg(menu.left())
                                .arg(menu.right())
                                .arg(c.x())));
        QVERIFY(XProbe::waitFor([&] { return openMenu().isNull(); }));
    }

    // Drags past each edge stop at that edge; a window at an edge stays.
    void dragsStopAtEdges()
    {
        QVERIFY(settlesAt(corner));
        dragBy(-400, -200);
        QVERIFY(settlesAt(QRect(456, 340, 168, 228)));
        dragBy(-700, 0);
        QVERIFY(settlesAt(QRect(0, 340, 168, 228)));
        dragBy(0, -500);
        QVERIFY(settlesAt(QRect(0, 0, 168, 228)));
        dragBy(1200, 0);
        QVERIFY(settlesAt(QRect(856, 0, 168, 228)));
        dragBy(0, 900);
        QVERIFY(settlesAt(corner));

        // Moved exactly to the left edge from outside: not moved again.
        const QList<int> e = [&] {
            QList<int> v;
            const QString s
                = XProbe::run(QStringLiteral("xprop"),
                              {QStringLiteral("-id"), hex(win), QStringLiteral("_NET_FRAME_EXTENTS")});
            for (const QString &p : s.mid(s.indexOf(u'=') + 1).split(u',', Qt::SkipEmptyParts))
                v.append(p.trimmed().toInt());
            return v;
        }();
        QCOMPARE(e.size(), 4);
        xdotool({QStringLiteral("windowmove"), QString::number(win), QString::number(e[0]),
                 QString::number(300 + e[2])});
        QVERIFY(settlesAt(QRect(0, 300, 168, 228)));
        QTest::qWait(300);
        QCOMPARE(outer(), QRect(0, 300, 168, 228));
    }

    // Minimise from outside: hidden into the tray with one icon; a double
    // click brings it back to the corner and removes the icon.
    void minimiseIntoTray()
    {
        QVERIFY(settlesAt(corner));
        dragBy(-300, -300);
        QVERIFY(settlesAt(QRect(556, 240, 168, 228)));
        xdotool({QStringLiteral("windowminimize"), QString::number(win)});
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(win); }));
        QVERIFY(XProbe::waitFor([&] { return taskbarEntries().isEmpty(); }));
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        QTest::qWait(300);
        QCOMPARE(icons().size(), 1);
        QCOMPARE(app.state(), QProcess::Running);

        doubleClickIcon();
        QVERIFY(XProbe::waitFor([&] { return XProbe::isViewable(win); }));
        QVERIFY(settlesAt(corner));
        QCOMPARE(XProbe::wmState(win), 1);
        QVERIFY(XProbe::waitFor([&] { return icons().isEmpty(); }));
        QCOMPARE(taskbarEntries(), QList<quint64>{win});
    }

    // Alt+F4 only hides; with the icon gone it brings the icon back.
    void closeOnlyHides()
    {
        QVERIFY(settlesAt(corner));
        key(QStringLiteral("alt+F4"));
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(win); }));
        QTest::qWait(300);
        QCOMPARE(app.state(), QProcess::Running);
        QCOMPARE(icons().size(), 1);
        QVERIFY(taskbarEntries().isEmpty());

        doubleClickIcon();
        QVERIFY(XProbe::waitFor([&] { return XProbe::isViewable(win); }));
        QVERIFY(XProbe::waitFor([&] { return icons().isEmpty(); }));

        // The icon is absent now: closing must not leave the program
        // unreachable.
        key(QStringLiteral("alt+F4"));
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(win); }));
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        QCOMPARE(app.state(), QProcess::Running);
    }

    // Extended, Normal and a hidden Extended window, through the menu's
    // shortcut keys.
    void extendedAndNormalByShortcut()
    {
        QVERIFY(settlesAt(corner));
        key(QStringLiteral("ctrl+e"));
        QVERIFY(settlesAt(extendedCorner));
        screenshot(QStringLiteral("display-extended-corner.png"));

        dragBy(-800, -500);
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
        key(QStringLiteral("ctrl+n"));
        QVERIFY(settlesAt(corner));
        dragBy(-900, -600);
        QVERIFY(settlesAt(QRect(0, 0, 168, 228)));
        key(QStringLiteral("ctrl+e"));
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));

        // Hidden in Extended, shown again: at the corner in Extended size.
        xdotool({QStringLiteral("windowminimize"), QString::number(win)});
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(win); }));
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        doubleClickIcon();
        QVERIFY(XProbe::waitFor([&] { return XProbe::isViewable(win); }));
        QVERIFY(settlesAt(extendedCorner));
    }

    // Full screen chosen from the context menu with the keyboard, as a
    // viewer would: the compact window goes below the picture, Esc at once
    // ends it, and the window is back in its corner, on top.
    void fullScreenFromTheMenuAndBack()
    {
        QVERIFY(settlesAt(corner));
        const auto shown = [&] {
            QList<quint64> viewable;
            for (quint64 w : ourWindows())
                if (XProbe::isViewable(w))
                    viewable << w;
            return viewable;
        };
        const QList<quint64> before = shown();
        const QRect o = outer();
        // On the channel list, whose right button opens the context menu.
        xdotool(
            {QStringLiteral("mousemove"), QString::number(o.left() + 90), QString::number(o.bottom() - 14)});
        QTest::qWait(100);
        xdotool({QStringLiteral("click"), QStringLiteral("3")});
        QVERIFY(XProbe::waitFor([&] { return shown().size() > before.size(); }));
        xdotool({QStringLiteral("key"), QStringLiteral("f")});
        quint64 picture = 0;
        QVERIFY(XProbe::waitFor([&] {
            for (quint64 w : XProbe::clientList())
                if (w != win && ourWindows().contains(w) && XProbe::isViewable(w)
                    && XProbe::outerRect(w).size() == QSize(1024, 768))
                    picture = w;
            return picture != 0;
        }));
        QVERIFY(XProbe::waitFor(
            [&] { return !XProbe::netWmState(win).contains(QStringLiteral("_NET_WM_STATE_ABOVE")); }));
        QVERIFY(XProbe::waitFor([&] {
            const QList<quint64> stacking = XProbe::stackingList();
            return stacking.indexOf(picture) > stacking.indexOf(win);
        }));
        screenshot(QStringLiteral("display-fullscreen.png"));

        // No click on the picture first: the keyboard is already its.
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(picture); }));
        QVERIFY(XProbe::waitFor(
            [&] { return XProbe::netWmState(win).contains(QStringLiteral("_NET_WM_STATE_ABOVE")); }));
        QVERIFY(settlesAt(corner));
        QVERIFY(XProbe::isViewable(win));
    }

    // The exit command's key ends the process with code 0 and leaves no
    // icon; nothing else ends it.
    void exitLeavesNoIcon()
    {
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        QVERIFY(!app.waitForFinished(500));
        key(QStringLiteral("ctrl+x"));
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QTest::qWait(300);
        QVERIFY(icons().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDisplayE2E)
#include "test_display_e2e.moc"
