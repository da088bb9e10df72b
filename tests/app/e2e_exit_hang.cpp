#include "support/silentnameserver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

// The first channel's host name never resolves (the name server listens
// and stays silent), so the engine sits in glibc's resolver when the user
// chooses "&Sair": the program must still end within a second.
class E2EExitHang : public QObject
{
    Q_OBJECT

    SilentNameServer silentDns;

    static QString mainWindow(qint64 pid)
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                 QString::number(pid), QStringLiteral("--name"), QStringLiteral("^Brelo Player 1\\.6$")});
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).value(0);
    }

private slots:
    void initTestCase()
    {
        if (!SilentNameServer::resolverIsSilent())
            QSKIP("needs its own /etc/resolv.conf (run through ctest, as root)");
        QVERIFY2(silentDns.start(), "cannot bind UDP port 53");
    }

    void exitIsPromptWhileALookupHangs()
    {
        QProcess app;
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(qEnvironmentVariable("BRELO_BINARY"), {});
        QVERIFY(app.waitForStarted());
        QString win;
        QElapsedTimer shown;
        shown.start();
        while ((win = mainWindow(app.processId())).isEmpty() && shown.elapsed() < 20000
               && app.state() == QProcess::Running)
            QTest::qWait(100);
        QVERIFY2(!win.isEmpty(),
                 qPrintable(QStringLiteral("no main window after %1 ms; process %2")
                                .arg(shown.elapsed())
                                .arg(app.state() == QProcess::Running ? "running" : "ended")));
        // The engine has asked for the first channel's host and is waiting.
        QTRY_VERIFY_WITH_TIMEOUT(silentDns.questions() > 0, 10000);
        QTest::qWait(500);

        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowactivate"), QStringLiteral("--sync"), win});
        QElapsedTimer t;
        t.start();
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+x")});
        QVERIFY(app.waitForFinished(10000));
        const qint64 ms = t.elapsed();
        qInfo("process ended %lld ms after Ctrl+X", ms);
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QVERIFY2(ms < 1000, qPrintable(QStringLiteral("took %1 ms").arg(ms)));
    }
};

QTEST_GUILESS_MAIN(E2EExitHang)
#include "e2e_exit_hang.moc"
