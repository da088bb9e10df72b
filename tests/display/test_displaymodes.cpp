// The main window's presentations, placement, clamp, stay-on-top and tray
// commands, driven in-process under the session's window manager and
// measured from outside with the X tools.
#include "display/movecounter.h"
#include "display/xprobe.h"
#include "media/mediaengine.h"
#include "platform/errors.h"
#include "platform/trayicon.h"
#include "player/principal.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWindow>

#include <memory>

namespace {

// The engine refusing a value: a listener on its writes throws, as the
// engine itself does for a value it does not take.
struct Refuse {
    Refuse(MediaEngine *engine, const QString &name, const QString &value)
    {
        conn = QObject::connect(engine, &MediaEngine::propertyWritten, engine,
                                [name, value](const QString &n, const QVariant &v) {
                                    if (n == name && v.toString() == value)
                                        throw ControlError(QStringLiteral("Valor recusado: %1").arg(value));
                                });
    }
    ~Refuse() { QObject::disconnect(conn); }
    QMetaObject::Connection conn;
};

}  // namespace

class TestDisplayModes : public QObject
{
    Q_OBJECT

    std::unique_ptr<TFormPrincipal> w;
    QStringList reported;

    quint64 wid() const { return quint64(w->winId()); }
    QRect outer() const { return XProbe::outerRect(wid()); }

    // The outer rectangle as the window manager shows it, once settled.
    bool settlesAt(const QRect &expected)
    {
        if (XProbe::waitFor([&] { return outer() == expected; }, 20000))
            return true;
        qWarning() << "outer" << outer() << "expected" << expected << "client" << w->geometry() << "frame"
                   << w->frameGeometry();
        return false;
    }

    void startShown()
    {
        w->FormCreate();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(settlesAt(QRect(856, 540, 168, 228)));
    }

    void maximiseFromOutside()
    {
        XProbe::run(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), QString::number(wid()), QStringLiteral("-f"),
                     QStringLiteral("_NET_WM_STATE"), QStringLiteral("32a"), QStringLiteral("-set"),
                     QStringLiteral("_NET_WM_STATE"),
                     QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT,_NET_WM_STATE_MAXIMIZED_HORZ")});
    }

    // Moves the outer rectangle's top-left corner as a drag would.
    void moveOuterTo(int x, int y)
    {
        w->move(x, y);  // a top-level's position is its frame's
    }

private slots:
    void initTestCase()
    {
        MediaEngine::Options o = MediaEngine::defaultOptions();
        o.video = false;
        MediaEngine::setDefaultOptions(o);
        Errors::setErrorReporter([this](const QString &text) { reported << text; });
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768));
    }

    void init()
    {
        reported.clear();
        w = std::make_unique<TFormPrincipal>();
    }

    void cleanup()
    {
        w.reset();
        QTest::qWait(50);
    }

    // The first showing puts the outer rectangle at the corner, and the
    // window is already there when it first appears.
    void firstShowingAtCorner()
    {
        w->FormCreate();
        QRect firstExposed;
        struct ExposeSpy : QObject {
            TFormPrincipal *f;
            QRect *first;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Expose && first->isNull() && f->windowHandle()->isExposed())
                    *first = f->geometry();
                return false;
            }
        } spy;
        spy.f = w.get();
        spy.first = &firstExposed;
        w->show();
        w->windowHandle()->installEventFilter(&spy);
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(settlesAt(QRect(856, 540, 168, 228)));
        QCOMPARE(firstExposed, w->geometry());
        QVERIFY(XProbe::netWmState(wid()).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
        QCOMPARE(XProbe::title(wid()), QStringLiteral("Brelo Player 1.6"));
        // A fixed border: the user cannot resize the window.
        QCOMPARE(w->minimumSize(), w->maximumSize());
    }

    // The update label shows its whole text in its designed place in
    // Extended, in the packaged Tahoma twin; Normal shows not a pixel of it.
    void updateLabelOnlyInExtended()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        QLabel *label = w->Label1;
        QVERIFY2(label->visibleRegion().isEmpty(), "a sliver of the label shows in Normal");

        w->ModoMaior1Click();
        QVERIFY(settlesAt(QRect(658, 387, 366, 381)));
        QCOMPARE(label->geometry(), QRect(165, 341, 199, 13));
        QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("Tahoma"));
        QCOMPARE(QFontInfo(label->font()).pixelSize(), 11);
        QCOMPARE(label->visibleRegion(), QRegion(label->rect()));
        const int textWidth = QFontMetrics(label->font()).horizontalAdvance(label->text());
        QVERIFY2(textWidth <= label->width(), qPrintable(QStringLiteral("text %1 px wide").arg(textWidth)));

        w->ModoNormal1Click();
        QVERIFY(settlesAt(QRect(856, 540, 168, 228)));
        QVERIFY(label->visibleRegion().isEmpty());
    }

    void extendedFromCorner()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        w->ModoMaior1Click();
        QVERIFY(settlesAt(QRect(658, 387, 366, 381)));
        QCOMPARE(w->PlayerBrelo->geometry(), QRect(0, 0, 362, 337));
        QCOMPARE(w->BreloCombo->pos(), QPoint(21, 336));
        QCOMPARE(w->btnMenu->pos(), QPoint(0, 335));
        QCOMPARE(w->Label1->pos(), QPoint(165, 341));
        QCOMPARE(w->PlayerBrelo->uiMode(), QStringLiteral("full"));
        QTest::qWait(300);  // let the grown window repaint before the picture
        const QString shot
            = TestSupport::screenshotDir() + QStringLiteral("/display-extended-corner-inprocess.png");
        QVERIFY(w->screen()->grabWindow(0).save(shot));
        QCOMPARE(outer(), QRect(658, 387, 366, 381));  // and it stays there

        // Again: the same figures, and the clamp leaves it where it is.
        w->ModoMaior1Click();
        QTest::qWait(200);
        QCOMPARE(outer(), QRect(658, 387, 366, 381));
    }

    void extendedFromTopLeftStays()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        moveOuterTo(0, 0);
        QVERIFY(settlesAt(QRect(0, 0, 168, 228)));
        w->ModoMaior1Click();
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
    }

    void normalAfterDrag()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        w->ModoMaior1Click();
        moveOuterTo(100, 50);
        QVERIFY(settlesAt(QRect(100, 50, 366, 381)));
        w->ModoNormal1Click();
        QVERIFY(settlesAt(QRect(856, 540, 168, 228)));
        QCOMPARE(w->PlayerBrelo->geometry(), QRect(0, 0, 162, 185));
        QCOMPARE(w->BreloCombo->pos(), QPoint(20, 184));
        QCOMPARE(w->btnMenu->pos(), QPoint(-1, 183));
        // Normal never moves the label back.
        QCOMPARE(w->Label1->pos(), QPoint(165, 341));
        QCOMPARE(w->PlayerBrelo->uiMode(), QStringLiteral("mini"));
    }

    void clamp_data()
    {
        QTest::addColumn<bool>("extended");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("past left") << false << QPoint(-50, 100) << QPoint(0, 100);
        QTest::newRow("past top") << false << QPoint(100, -30) << QPoint(100, 0);
        QTest::newRow("past right") << false << QPoint(900, 100) << QPoint(856, 100);
        QTest::newRow("past bottom") << false << QPoint(100, 600) << QPoint(100, 540);
        QTest::newRow("past top-left") << false << QPoint(-10, -10) << QPoint(0, 0);
        QTest::newRow("far past bottom-right") << false << QPoint(2000, 2000) << QPoint(856, 540);
        QTest::newRow("exactly at right edge") << false << QPoint(856, 10) << QPoint(856, 10);
        QTest::newRow("exactly at left edge") << false << QPoint(0, 300) << QPoint(0, 300);
        QTest::newRow("extended past right") << true << QPoint(700, 100) << QPoint(658, 100);
        QTest::newRow("extended past bottom") << true << QPoint(10, 400) << QPoint(10, 387);
        QTest::newRow("extended exactly at corner") << true << QPoint(658, 387) << QPoint(658, 387);
    }

    // Every move is held inside the primary screen; a window touching an
    // edge is not moved.
    void clamp()
    {
        QFETCH(bool, extended);
        QFETCH(QPoint, to);
        QFETCH(QPoint, expected);
        startShown();
        if (QTest::currentTestFailed())
            return;
        if (extended)
            w->ModoMaior1Click();
        const QSize size = extended ? QSize(366, 381) : QSize(168, 228);
        moveOuterTo(to.x(), to.y());
        QVERIFY2(settlesAt(QRect(expected, size)), qPrintable(QVariant(outer()).toString()));
    }

    // The clamp's corrections come to an end: a fitting window takes one
    // correction per edge and then stays put.
    void clampSettles()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        MoveCounter counter;
        w->installEventFilter(&counter);
        moveOuterTo(-40, -40);
        // the move itself plus one correction for each of the two edges
        QCOMPARE(counter.moves, 3);
        QVERIFY(settlesAt(QRect(0, 0, 168, 228)));
        QTest::qWait(300);
        const int settled = counter.moves;
        QTest::qWait(300);
        QCOMPARE(counter.moves, settled);
        QVERIFY(settled < 10);
    }

    // A refused uiMode ends Normal before anything of the window changed.
    void normalRefusedLeavesWindow()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        w->ModoMaior1Click();
        QVERIFY(settlesAt(QRect(658, 387, 366, 381)));
        {
            Refuse refuse(w->PlayerBrelo, QStringLiteral("uiMode"), QStringLiteral("Mini"));
            Errors::guarded([this] { w->ModoNormal1Click(); });
        }
        QCOMPARE(reported, QStringList{QStringLiteral("Valor recusado: Mini.")});
        QTest::qWait(200);
        QCOMPARE(outer(), QRect(658, 387, 366, 381));
        QCOMPARE(w->BreloCombo->pos(), QPoint(21, 336));
        QCOMPARE(w->PlayerBrelo->size(), QSize(362, 337));
    }

    // A refused uiMode ends Extended after the sizes: no label move, no clamp.
    void extendedRefusedKeepsSizes()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        {
            Refuse refuse(w->PlayerBrelo, QStringLiteral("uiMode"), QStringLiteral("Full"));
            Errors::guarded([this] { w->ModoMaior1Click(); });
        }
        QCOMPARE(reported.size(), 1);
        // Not clamped: still growing out of the corner.
        QCOMPARE(w->frameGeometry(), QRect(856, 540, 366, 381));
        QCOMPARE(w->PlayerBrelo->size(), QSize(362, 337));
        QCOMPARE(w->BreloCombo->pos(), QPoint(21, 336));
        QCOMPARE(w->btnMenu->pos(), QPoint(0, 335));
        QCOMPARE(w->Label1->pos(), QPoint(165, 189));
    }

    void fullscreenChangesNothingOfTheWindow()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        const QRect before = outer();
        w->ModoTelaCheia1Click();
        QVERIFY(w->PlayerBrelo->fullScreen());
        QCOMPARE(w->PlayerBrelo->uiMode(), QStringLiteral("mini"));
        QTest::qWait(200);
        QCOMPARE(outer(), before);
        QCOMPARE(w->BreloCombo->pos(), QPoint(20, 184));
    }

    // Radio minimises without hiding; it is not taken for the user's
    // minimise, so no icon business happens.
    void radioMinimises()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        w->RemoveTrayIcon();
        w->ModoRdio1Click();
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(wid()) == 3; }));
        QTest::qWait(200);
        QVERIFY(w->isVisible());
        QVERIFY(w->isMinimized());
        QVERIFY(!w->trayIcon()->isPresent());
        // Still the program's taskbar entry while minimised.
        QVERIFY(XProbe::clientList().contains(wid()));

        // Extended while minimised changes only the restored bounds.
        w->ModoMaior1Click();
        QVERIFY(w->isMinimized());
        QTest::qWait(300);
        QCOMPARE(XProbe::wmState(wid()), 3);

        // The user restores it: Extended, held inside the screen.
        XProbe::run(QStringLiteral("wmctrl"),
                    {QStringLiteral("-i"), QStringLiteral("-a"), QString::number(wid())});
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(wid()) == 1; }));
        QVERIFY(settlesAt(QRect(658, 387, 366, 381)));
    }

    // The icon's double click takes the icon away, so it must not leave a
    // minimised window behind: on a desktop without a taskbar nothing
    // would reach the program any more.
    void doubleClickRestoresRadio()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        w->ModoRdio1Click();
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(wid()) == 3; }));
        w->ModoMaior1Click();  // while minimised: only the restored bounds
        w->AddTrayIcon();
        w->TrayIconMessage(QSystemTrayIcon::DoubleClick);
        QVERIFY(!w->trayIcon()->isPresent());
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(wid()) == 1 && XProbe::isViewable(wid()); }));
        QVERIFY(!w->isMinimized());
        QVERIFY(settlesAt(QRect(658, 387, 366, 381)));
    }

    // Radio chosen while the window sits in the tray (closed, or hidden
    // by a minimise request): choosing it does not show the window, and
    // the double click that takes the icon away brings it back in full.
    void radioWhileHiddenThenDoubleClick_data()
    {
        QTest::addColumn<bool>("byMinimise");
        QTest::newRow("closed") << false;
        QTest::newRow("minimise request") << true;
    }

    void radioWhileHiddenThenDoubleClick()
    {
        QFETCH(bool, byMinimise);
        startShown();
        if (QTest::currentTestFailed())
            return;
        if (byMinimise)
            XProbe::run(QStringLiteral("xdotool"),
                        {QStringLiteral("windowminimize"), QString::number(wid())});
        else
            w->close();
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(wid()); }));
        QVERIFY(XProbe::waitFor([&] { return !w->isVisible(); }));
        w->ModoRdio1Click();
        QTest::qWait(200);
        QVERIFY(!XProbe::isViewable(wid()));  // choosing Radio does not show it
        w->TrayIconMessage(QSystemTrayIcon::DoubleClick);
        QVERIFY(!w->trayIcon()->isPresent());
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(wid()) == 1 && XProbe::isViewable(wid()); }));
        QTest::qWait(300);
        QCOMPARE(XProbe::wmState(wid()), 1);
        QVERIFY(!w->isMinimized());
    }

    // Stay-on-top is asked for again only when the window manager lost it,
    // and asking changes nothing of the stacking.
    void stayOnTop()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        const QString id = QStringLiteral("0x%1").arg(wid(), 0, 16);
        QVERIFY(XProbe::netWmState(wid()).contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
        const QList<quint64> stacking = XProbe::stackingList();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(w.get(), &activate);
        QTest::qWait(200);
        QCOMPARE(XProbe::stackingList(), stacking);

        XProbe::run(QStringLiteral("wmctrl"),
                    {QStringLiteral("-i"), QStringLiteral("-r"), id, QStringLiteral("-b"),
                     QStringLiteral("remove,above")});
        QVERIFY(XProbe::waitFor(
            [&] { return !XProbe::netWmState(wid()).contains(QStringLiteral("_NET_WM_STATE_ABOVE")); }));
        QCoreApplication::sendEvent(w.get(), &activate);
        QVERIFY(XProbe::waitFor(
            [&] { return XProbe::netWmState(wid()).contains(QStringLiteral("_NET_WM_STATE_ABOVE")); }));
    }

    // The window's visibility and the icon's presence through the window
    // commands and the icon's clicks (states A to D).
    void trayStates()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        TrayIcon *icon = w->trayIcon();
        QCOMPARE(icon->toolTip(), QStringLiteral("Player Brelo 1.6"));
        QVERIFY(icon->isPresent());  // A

        // Single clicks, the middle button and unknown reports do nothing.
        for (int r : {int(QSystemTrayIcon::Trigger), int(QSystemTrayIcon::MiddleClick),
                      int(QSystemTrayIcon::Unknown)}) {
            w->TrayIconMessage(r);
            QVERIFY(w->isVisible());
            QVERIFY(icon->isPresent());
        }

        // A minimise request from outside: hidden into the tray.
        const QString id = QString::number(wid());
        XProbe::run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), id});
        QVERIFY(XProbe::waitFor([&] { return !w->isVisible(); }));  // B
        QVERIFY(icon->isPresent());
        QVERIFY(XProbe::waitFor([&] { return !XProbe::clientList().contains(wid()); }));

        // Close while hidden: stays B.
        w->close();
        QVERIFY(!w->isVisible());
        QVERIFY(icon->isPresent());

        // Double click: shown at the corner, not minimised, icon gone.
        w->TrayIconMessage(QSystemTrayIcon::DoubleClick);  // C
        QVERIFY(w->isVisible());
        QVERIFY(!icon->isPresent());
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(wid()) == 1; }));
        QVERIFY(settlesAt(QRect(856, 540, 168, 228)));
        QVERIFY(!w->isMinimized());

        // A maximise request shows and never maximises. Openbox refuses to
        // maximise a fixed-size window, so the state is written the way a
        // window manager that maximises would write it.
        maximiseFromOutside();
        QTest::qWait(300);
        QVERIFY(w->isVisible());
        QVERIFY(!w->isMaximized());
        QVERIFY(!icon->isPresent());  // still C

        // Close with the icon absent: hidden, and the icon comes back so the
        // program stays reachable (without it: D, reachable by nobody).
        w->close();
        QVERIFY(!w->isVisible());
        QVERIFY(icon->isPresent());  // B, not D

        // (A hidden X11 window is withdrawn: no window manager sends it a
        // maximise request, so B -> A by maximising cannot happen here.)

        // Adding a present icon or removing an absent one changes nothing.
        w->AddTrayIcon();
        QVERIFY(icon->isPresent());
        w->RemoveTrayIcon();
        w->RemoveTrayIcon();
        QVERIFY(!icon->isPresent());
    }

    void trayRightButtonOpensMenu()
    {
        startShown();
        if (QTest::currentTestFailed())
            return;
        w->PopupMenu->addAction(QStringLiteral("item"));  // whatever the menu holds
        w->hide();
        w->TrayIconMessage(QSystemTrayIcon::Context);
        QVERIFY(XProbe::waitFor([&] { return w->PopupMenu->isVisible(); }));
        QVERIFY(!w->isVisible());
        w->PopupMenu->hide();
    }

    // On a StatusNotifierItem tray the primary activation is the double
    // click; on an XEmbed tray a single click stays a single click.
    void statusNotifierActivation()
    {
        QCOMPARE(TrayIcon::translate(QSystemTrayIcon::Trigger, true), int(QSystemTrayIcon::DoubleClick));
        QCOMPARE(TrayIcon::translate(QSystemTrayIcon::Trigger, false), int(QSystemTrayIcon::Trigger));
        QCOMPARE(TrayIcon::translate(QSystemTrayIcon::Context, true), int(QSystemTrayIcon::Context));
        QCOMPARE(TrayIcon::translate(QSystemTrayIcon::MiddleClick, true), int(QSystemTrayIcon::MiddleClick));
        // The session's trayer speaks XEmbed only.
        QVERIFY(!w->trayIcon()->isStatusNotifier());
    }
};

QTEST_MAIN(TestDisplayModes)
#include "test_displaymodes.moc"
