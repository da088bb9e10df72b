// The main window scaled by Qt (QT_SCALE_FACTOR, one factor per run) on a
// 2048 x 1536 screen: its frame's right and bottom edges must meet the work
// area's to the pixel in Normal and in Extended, and after a drag past the
// corner, although the window manager tells the frame in device pixels and
// Qt keeps the window in its scaled units.
//
// The test brings its own display with openbox, started before Qt connects
// to a display.
#include "display/owndisplay.h"
#include "display/quietwindow.h"
#include "display/xprobe.h"
#include "player/principal.h"

#include <QApplication>
#include <QTest>

#include <memory>

class TestHiDpi : public QObject
{
    Q_OBJECT

    std::unique_ptr<TFormPrincipal> w;
    QRect workArea;

    QRect outer() const { return XProbe::outerRect(quint64(w->winId())); }

    // The work area as the window manager publishes it (x, y, width, height).
    static QRect publishedWorkArea()
    {
        const QString s = XProbe::run(QStringLiteral("xprop"),
                                      {QStringLiteral("-root"), QStringLiteral("_NET_WORKAREA")});
        const QStringList v = s.mid(s.indexOf(u'=') + 1).split(u',');
        if (v.size() < 4)
            return {};
        return QRect(v[0].trimmed().toInt(), v[1].trimmed().toInt(), v[2].trimmed().toInt(),
                     v[3].trimmed().toInt());
    }

    // Right and bottom edges on the work area's, once settled; the size
    // is the layout's at this scale, give or take the frame's rounding.
    bool settlesInCorner(const QSize &designed)
    {
        const qreal f = w->devicePixelRatioF();
        const auto inCorner = [&] {
            const QRect r = outer();
            return r.right() == workArea.right() && r.bottom() == workArea.bottom()
                && qAbs(r.width() - designed.width() * f) <= 2
                && qAbs(r.height() - designed.height() * f) <= 2;
        };
        if (XProbe::waitFor(inCorner))
            return true;
        qWarning() << "outer" << outer() << "work area" << workArea << "designed" << designed << "at" << f;
        return false;
    }

private slots:
    void initTestCase()
    {
        const qreal factor = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
        QCOMPARE(qApp->devicePixelRatio(), factor);
        // The window manager publishes the work area once it is up, which
        // on a busy machine may come after the display answers.
        QTRY_COMPARE_WITH_TIMEOUT((workArea = publishedWorkArea()), QRect(0, 0, 2048, 1536), 20000);
        w = createQuietMainWindow();
    }

    void cleanupTestCase() { w.reset(); }

    void normalShowing()
    {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(settlesInCorner(QSize(168, 228)));
    }

    void extendedFromTheCorner()
    {
        w->ModoMaior1Click();
        QVERIFY(settlesInCorner(QSize(366, 381)));
    }

    // A drag past the corner stops with the edges on the work area's.
    void dragPastTheCorner()
    {
        w->move(w->x() + 40, w->y() + 40);
        QVERIFY(settlesInCorner(QSize(366, 381)));
    }

    void normalAgain()
    {
        w->move(100, 100);
        QVERIFY(XProbe::waitFor([&] { return outer().right() < 1000; }));
        w->ModoNormal1Click();
        QVERIFY(settlesInCorner(QSize(168, 228)));
    }
};

int main(int argc, char **argv)
{
    return runOnOwnDisplay("2048x1536x24", true, [&] {
        QApplication app(argc, argv);
        TestHiDpi test;
        return QTest::qExec(&test, argc, argv);
    });
}

#include "test_hidpi.moc"
