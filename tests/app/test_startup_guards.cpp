#include "app/singleinstance.h"
#include "app/windowfinder.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

// The two checks that refuse a start: the instance name, and a foreign
// window titled "Player Brelo 1.6".
class TestStartupGuards : public QObject
{
    Q_OBJECT

private slots:
    void secondGuardIsBusyUntilFirstEnds()
    {
        const QString base = QStringLiteral("BreloGuardTest%1").arg(QCoreApplication::applicationPid());
        auto first = std::make_unique<SingleInstanceGuard>(base);
        QCOMPARE(first->acquire(), SingleInstanceGuard::Result::Acquired);
        {
            SingleInstanceGuard second(base);
            QCOMPARE(second.acquire(), SingleInstanceGuard::Result::Busy);
        }
        first.reset();
        SingleInstanceGuard third(base);
        QCOMPARE(third.acquire(), SingleInstanceGuard::Result::Acquired);
    }

    void nameCarriesTheUser()
    {
        SingleInstanceGuard g(QStringLiteral("InstanciaIniciada"));
        QVERIFY(g.name().startsWith(QStringLiteral("InstanciaIniciada")));
        QVERIFY(g.name().size() > QStringLiteral("InstanciaIniciada").size());
    }

    void findsForeignTitleOnly()
    {
        QVERIFY(!topLevelWindowTitled(QStringLiteral("Player Brelo 1.6")));

        QWidget ours;
        ours.setWindowTitle(QStringLiteral("Brelo Player 1.6"));
        ours.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ours));
        QVERIFY(!topLevelWindowTitled(QStringLiteral("Player Brelo 1.6")));

        QWidget blocking;
        blocking.setWindowTitle(QStringLiteral("Player Brelo 1.6"));
        blocking.show();
        QVERIFY(QTest::qWaitForWindowExposed(&blocking));
        QTRY_VERIFY(topLevelWindowTitled(QStringLiteral("Player Brelo 1.6")));

        // Exact title only.
        QVERIFY(!topLevelWindowTitled(QStringLiteral("Player Brelo 1.")));
        blocking.hide();
        blocking.setWindowTitle(QStringLiteral("player brelo 1.6"));
        blocking.show();
        QVERIFY(QTest::qWaitForWindowExposed(&blocking));
        QTRY_VERIFY(!topLevelWindowTitled(QStringLiteral("Player Brelo 1.6")));
    }
};

QTEST_MAIN(TestStartupGuards)
#include "test_startup_guards.moc"
