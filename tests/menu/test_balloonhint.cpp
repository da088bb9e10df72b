#include "menutestmain.h"
#include "player/balloonhint.h"
#include "support/testsupport.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <algorithm>

// The balloon against real pointer moves of the test display: its delay,
// its fading, where it goes, and that it never takes the focus.
class TestBalloonHint : public QObject
{
    Q_OBJECT

    QWidget *m_host = nullptr;
    QPushButton *m_upper = nullptr;  // a control in the upper half of the screen
    QPushButton *m_lower = nullptr;  // and one in the lower half
    BalloonHint *m_balloon = nullptr;
    QElapsedTimer m_clock;
    qint64 m_enteredAt = -1;

    static QPoint away() { return QPoint(600, 400); }

    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Enter)
            m_enteredAt = m_clock.elapsed();
        return false;
    }

    void movePointer(const QPoint &global)
    {
        QCursor::setPos(global);
        QTRY_COMPARE_WITH_TIMEOUT(QCursor::pos(), global, 2000);
    }

    QPushButton *addControl(int y)
    {
        auto *b = new QPushButton(QStringLiteral("controle"), m_host);
        b->setGeometry(20, y, 120, 24);
        b->setProperty("hint", QStringLiteral("Configurações|Meu Principal|0"));
        b->installEventFilter(this);
        m_balloon->attach(b);
        return b;
    }

    void leaveAndWaitGone()
    {
        movePointer(away());
        QTRY_VERIFY_WITH_TIMEOUT(!m_balloon->isVisible(), 2000);
    }

private slots:
    void initTestCase()
    {
        m_clock.start();
        // A frameless host covering a strip at the left, from the top to the
        // bottom of the screen; the pointer rests right of it.
        m_host = new QWidget(nullptr, Qt::FramelessWindowHint);
        m_host->setGeometry(0, 40, 200, 700);
        m_balloon = new BalloonHint({QPixmap(QStringLiteral(":/images/hints/menu.png"))}, m_host);
        m_upper = addControl(100);  // global y 140
        m_lower = addControl(600);  // global y 640
        movePointer(away());
        m_host->show();
        m_host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_host));
        m_upper->setFocus();
    }

    void cleanupTestCase() { delete m_host; }

    void showsAfterDelayAndFadesIn()
    {
        QSignalSpy shown(m_balloon, &BalloonHint::shown);
        m_enteredAt = -1;
        const QPoint at = m_upper->mapToGlobal(QPoint(30, 12));
        movePointer(at);
        QVERIFY(shown.wait(2000));
        const qint64 delay = m_clock.elapsed() - m_enteredAt;
        QVERIFY2(m_enteredAt >= 0, "the control saw no Enter");
        QVERIFY2(delay >= BalloonHint::kShowDelayMs && delay < BalloonHint::kShowDelayMs + 250,
                 qPrintable(QString::number(delay)));

        // Tenths rise one by one every 20 ms: about 200 ms to full.
        QVERIFY(m_balloon->opacityTenths() <= 2);
        QList<int> seen;
        QElapsedTimer fade;
        fade.start();
        while (m_balloon->opacityTenths() < 10 && fade.elapsed() < 2000) {
            seen.append(m_balloon->opacityTenths());
            QTest::qWait(5);
        }
        QCOMPARE(m_balloon->opacityTenths(), 10);
        QVERIFY2(fade.elapsed() >= 150, qPrintable(QString::number(fade.elapsed())));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QVERIFY(seen.contains(5));
        QCOMPARE(m_balloon->windowOpacity(), 1.0);
        qInfo("balloon: shown %lld ms after Enter, faded in within %lld ms", delay, fade.elapsed());

        // It stays while the pointer does, and takes nothing from the window.
        QTest::qWait(600);
        QVERIFY(m_balloon->isVisible());
        QCOMPARE(m_balloon->hint().title, QStringLiteral("Configurações"));
        QVERIFY(m_host->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), m_upper);
        QVERIFY(!m_balloon->hasFocus());

        m_balloon->grab().save(TestSupport::screenshotDir() + QStringLiteral("/balloon-hint.png"));
        QGuiApplication::primaryScreen()->grabWindow(0).save(TestSupport::screenshotDir()
                                                             + QStringLiteral("/balloon-hint-screen.png"));
    }

    void fadesOutWhenPointerLeaves()
    {
        QVERIFY(m_balloon->isVisible());
        QSignalSpy hidden(m_balloon, &BalloonHint::hidden);
        movePointer(away());
        QList<int> seen;
        QElapsedTimer fade;
        fade.start();
        while (m_balloon->isVisible() && fade.elapsed() < 2000) {
            seen.append(m_balloon->opacityTenths());
            QTest::qWait(5);
        }
        QVERIFY(!m_balloon->isVisible());
        QCOMPARE(hidden.count(), 1);
        QVERIFY2(fade.elapsed() >= 150, qPrintable(QString::number(fade.elapsed())));
        QVERIFY(std::is_sorted(seen.rbegin(), seen.rend()));
        qInfo("balloon: faded out within %lld ms", fade.elapsed());
        QVERIFY(seen.contains(5));
    }

    void notShownWhenPointerLeftSooner()
    {
        QSignalSpy shown(m_balloon, &BalloonHint::shown);
        movePointer(m_upper->mapToGlobal(QPoint(30, 12)));
        QTest::qWait(300);
        QVERIFY(m_balloon->isWaiting());
        movePointer(away());
        QTest::qWait(600);
        QCOMPARE(shown.count(), 0);
        QVERIFY(!m_balloon->isVisible());
    }

    void placedBelowInUpperHalf()
    {
        const QPoint at = m_upper->mapToGlobal(QPoint(40, 10));
        movePointer(at);
        QTRY_VERIFY_WITH_TIMEOUT(m_balloon->isVisible(), 2000);
        const QRect g = m_balloon->geometry();
        QCOMPARE(m_balloon->anchor(), at);
        QCOMPARE(g.top(), at.y());
        QCOMPARE(g.left(), qMax(0, at.x() + 10 - g.width() / 2));
        leaveAndWaitGone();
    }

    void placedAboveInLowerHalf()
    {
        const QPoint at = m_lower->mapToGlobal(QPoint(40, 10));
        QVERIFY(at.y() > QGuiApplication::primaryScreen()->geometry().height() / 2);
        movePointer(at);
        QTRY_VERIFY_WITH_TIMEOUT(m_balloon->isVisible(), 2000);
        const QRect g = m_balloon->geometry();
        QCOMPARE(g.bottom() + 1, at.y());
        QVERIFY(!g.contains(at));
        leaveAndWaitGone();
    }

    void placementRule_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QRect>("expected");
        const QSize s(200, 60);
        QTest::newRow("upper half") << QPoint(500, 100) << QRect(QPoint(410, 100), s);
        QTest::newRow("lower half") << QPoint(500, 600) << QRect(QPoint(410, 540), s);
        QTest::newRow("middle line counts as lower") << QPoint(500, 384) << QRect(QPoint(410, 324), s);
        QTest::newRow("right border") << QPoint(1020, 100) << QRect(QPoint(824, 100), s);
        QTest::newRow("left border") << QPoint(3, 700) << QRect(QPoint(0, 640), s);
    }

    void placementRule()
    {
        QFETCH(QPoint, point);
        QFETCH(QRect, expected);
        QCOMPARE(BalloonHint::placement(point, QSize(200, 60), QRect(0, 0, 1024, 768)), expected);
    }
};

BRELO_WINDOW_TEST_MAIN(TestBalloonHint)
#include "test_balloonhint.moc"
