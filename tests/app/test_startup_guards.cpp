#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/windowfinder.h"
#include "app/windows.h"
#include "media/mediaengine.h"
#include "platform/errors.h"
#include "player/principal.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

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

    // The guard is per user: another user's copy neither blocks this one
    // nor is blocked by it, while the same user's second copy is refused.
    void otherUsersCopyIsNotRefused()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to start a copy as another user");
        const QString base = QStringLiteral("BreloUserTest%1").arg(QCoreApplication::applicationPid());
        SingleInstanceGuard mine(base);
        QCOMPARE(mine.acquire(), SingleInstanceGuard::Result::Acquired);

        const auto acquireAs = [&](const QStringList &prefix) {
            QProcess p;
            QStringList args = prefix;
            args << QCoreApplication::applicationFilePath() << QStringLiteral("--acquire") << base;
            p.start(args.takeFirst(), args);
            if (!p.waitForFinished(20000))
                return QStringLiteral("hung");
            return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(acquireAs({QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                            QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")}),
                 QStringLiteral("acquired"));
        QCOMPARE(acquireAs({QStringLiteral("env")}), QStringLiteral("busy"));

        // Nor can another user keep this one's program from starting by
        // taking the name first: the start goes on, unguarded.
        SingleInstanceGuard squatted(base + QStringLiteral("Squat"));
        QProcess squatter;
        squatter.start(QStringLiteral("setpriv"),
                       {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                        QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                        QStringLiteral("--hold"), squatted.name()});
        QVERIFY(squatter.waitForReadyRead(20000));
        QCOMPARE(squatter.readAllStandardOutput().trimmed(), QByteArray("holding"));
        QCOMPARE(squatted.acquire(), SingleInstanceGuard::Result::Unprotected);
        squatter.kill();
        squatter.waitForFinished();
    }

    // A refused start asks the holder to show its window. Only that request,
    // from the same user, is taken; a peer that says something else, says
    // nothing, or belongs to another user changes nothing.
    void secondStartAsksTheHolderToShow()
    {
        const QString base = QStringLiteral("BreloShowTest%1").arg(QCoreApplication::applicationPid());
        SingleInstanceGuard holder(base);
        QCOMPARE(holder.acquire(), SingleInstanceGuard::Result::Acquired);
        QSignalSpy asked(&holder, &SingleInstanceGuard::showRequested);

        const auto sendAs = [&](const QStringList &prefix, const QByteArray &payload) {
            QProcess p;
            QStringList args = prefix;
            args << QCoreApplication::applicationFilePath() << QStringLiteral("--send") << holder.name()
                 << QString::fromLatin1(payload.toPercentEncoding());
            p.start(args.takeFirst(), args);
            return p.waitForFinished(20000) && p.exitCode() == 0;
        };
        QVERIFY(sendAs({}, "bogus\n"));
        QVERIFY(sendAs({}, ""));
        QVERIFY(sendAs({}, QByteArray(64 * 1024, 'x')));
        if (::geteuid() == 0)
            QVERIFY(sendAs({QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                            QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")},
                           SingleInstanceGuard::showRequest()));
        QTest::qWait(300);
        QCOMPARE(asked.count(), 0);

        SingleInstanceGuard second(base);
        QCOMPARE(second.acquire(), SingleInstanceGuard::Result::Busy);
        second.askHolderToShow();
        QTRY_COMPARE(asked.count(), 1);
        QTest::qWait(200);
        QCOMPARE(asked.count(), 1);
    }

    // An error that escapes the creation of the windows (here a malformed
    // stored engine state) is shown in the error box and ends the start
    // with a failure code, instead of tearing the process down unexplained.
    void creationErrorIsShownAndEndsTheStart()
    {
        MediaEngine::Options o;
        o.video = false;
        o.audioTap = [](const qint16 *, int, int, int, qint64) {};
        MediaEngine::setDefaultOptions(o);
        QStringList shown;
        Errors::setErrorReporter([&](const QString &t) { shown << t; });
        bool loopRan = false;
        QTimer::singleShot(0, [&] {
            loopRan = true;
            QApplication::exit(0);
        });
        ProgramWindows windows;
        const int code = runWindows(windows, [](ProgramWindows &) {
            TFormPrincipal main;
            main.PlayerBrelo->setControlData(QStringLiteral("0003zz"));
        });
        Errors::setErrorReporter({});
        QCOMPARE(code, 1);
        QCOMPARE(shown.size(), 1);
        QVERIFY(!shown.first().isEmpty());
        // The event loop never ran: nothing was shown.
        QVERIFY(!loopRan);
        QTest::qWait(10);
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

int main(int argc, char **argv)
{
    // Helper mode: writes bytes to a guard's name, as any local program could.
    if (argc == 4 && qstrcmp(argv[1], "--send") == 0) {
        QCoreApplication app(argc, argv);
        QLocalSocket peer;
        peer.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        peer.connectToServer(QString::fromLocal8Bit(argv[2]));
        if (!peer.waitForConnected(5000))
            return 2;
        peer.write(QByteArray::fromPercentEncoding(argv[3]));
        peer.waitForBytesWritten(2000);
        // The holder hangs up after its one request, or after its wait.
        peer.waitForDisconnected(3000);
        return 0;
    }
    // Helper mode: holds a name as it stands until killed.
    if (argc == 3 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        QLocalServer server;
        server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
        if (!server.listen(QString::fromLocal8Bit(argv[2])))
            return 2;
        std::printf("holding\n");
        std::fflush(stdout);
        return app.exec();
    }
    // Helper mode: one attempt at the guard, the outcome on standard output.
    if (argc == 3 && qstrcmp(argv[1], "--acquire") == 0) {
        QCoreApplication app(argc, argv);
        SingleInstanceGuard guard(QString::fromLocal8Bit(argv[2]));
        const SingleInstanceGuard::Result r = guard.acquire();
        std::printf("%s\n",
                    r == SingleInstanceGuard::Result::Acquired   ? "acquired"
                        : r == SingleInstanceGuard::Result::Busy ? "busy"
                                                                 : "unprotected");
        return 0;
    }
    QApplication app(argc, argv);
    TestStartupGuards test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_startup_guards.moc"
