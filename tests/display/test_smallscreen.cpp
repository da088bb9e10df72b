// A primary screen smaller than the window: the clamp's tests contradict
// each other there. It must make a single pass, come to rest, and keep the
// window's left and top edges (its title bar) on the screen.
//
// The test brings its own 320 x 200 display with openbox, started before
// Qt connects to a display.
#include "display/movecounter.h"
#include "display/owndisplay.h"
#include "display/quietwindow.h"
#include "display/xprobe.h"
#include "player/principal.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include <memory>

class TestSmallScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<TFormPrincipal> w;

    QRect outer() const { return XProbe::outerRect(quint64(w->winId())); }

    bool settlesAt(const QRect &expected)
    {
        if (XProbe::waitFor([&] { return outer() == expected; }, 20000))
            return true;
        qWarning() << "outer" << outer() << "expected" << expected;
        return false;
    }

    // No more moves once settled: the clamp and the window manager do not
    // play ping-pong.
    bool staysStill(MoveCounter &counter)
    {
        QTest::qWait(300);
        const int before = counter.moves;
        const QRect at = outer();
        QTest::qWait(700);
        return counter.moves == before && outer() == at;
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 320, 200));
        w = createQuietMainWindow();
    }

    void cleanupTestCase() { w.reset(); }

    void normalTooHigh()
    {
        MoveCounter counter;
        w->installEventFilter(&counter);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // Right edge on the screen's; 228 > 200: the top edge wins.
        QVERIFY(settlesAt(QRect(152, 0, 168, 228)));
        QVERIFY(staysStill(counter));
        QVERIFY(counter.moves < 10);
    }

    void extendedTooLarge()
    {
        MoveCounter counter;
        w->installEventFilter(&counter);
        w->ModoMaior1Click();
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
        QVERIFY(staysStill(counter));
        QVERIFY(counter.moves < 10);
    }

    void dragPastEdges()
    {
        MoveCounter counter;
        w->installEventFilter(&counter);
        w->move(-80, -60);
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
        w->move(200, 150);
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
        QVERIFY(staysStill(counter));
    }

    void normalAgain()
    {
        w->ModoNormal1Click();
        QVERIFY(settlesAt(QRect(152, 0, 168, 228)));
    }

    // On this screen the menu fills most of the height: opened at the
    // bottom-right corner it flips above the point, right edge at the point,
    // and stays wholly on the screen (placement built with assertions on).
    void menuOnTheSmallScreen()
    {
        const QRect screen(0, 0, 320, 200);
        for (const QPoint &at : {QPoint(319, 199), QPoint(10, 10), QPoint(160, 100)}) {
            w->showPopupMenu(at);
            QVERIFY(QTest::qWaitForWindowExposed(w->PopupMenu));
            const QRect g = w->PopupMenu->geometry();
            w->PopupMenu->hide();
            QTRY_VERIFY(!w->PopupMenu->isVisible());
            QVERIFY2(screen.contains(g),
                     qPrintable(QStringLiteral("menu at %1,%2 %3x%4")
                                    .arg(g.x())
                                    .arg(g.y())
                                    .arg(g.width())
                                    .arg(g.height())));
            if (at.x() >= g.width())
                QCOMPARE(g.right() + 1, at.x());
        }
    }
};

int main(int argc, char **argv)
{
    return runOnOwnDisplay("320x200x24", true, [&] {
        QApplication app(argc, argv);
        TestSmallScreen test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "test_smallscreen.moc"
