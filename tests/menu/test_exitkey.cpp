#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

// The real program, driven through the test display's keyboard: Ctrl+X in
// its main window ends it with exit code 0.
class TestExitKey : public QObject
{
    Q_OBJECT

    static QString xdotool(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

private slots:
    void ctrlXEndsTheProgram()
    {
        QProcess player;
        player.setProcessChannelMode(QProcess::ForwardedChannels);
        player.start(TestSupport::binaryDir() + QStringLiteral("/breloplayer"), {});
        QVERIFY(player.waitForStarted(10000));

        QString window;
        QElapsedTimer clock;
        clock.start();
        while (window.isEmpty() && clock.elapsed() < 30000 && player.state() == QProcess::Running) {
            window
                = xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--pid"), QString::number(player.processId()),
                           QStringLiteral("--name"), QStringLiteral("^Brelo Player 1\\.6$")})
                      .section(u'\n', 0, 0);
            if (window.isEmpty())
                QTest::qWait(200);
        }
        QVERIFY2(!window.isEmpty(), "the main window did not appear");

        // --sync would wait for a change that never comes when the window
        // is active already; ask until the desktop says it is.
        QTRY_VERIFY_WITH_TIMEOUT((xdotool({QStringLiteral("windowactivate"), window}),
                                  xdotool({QStringLiteral("getactivewindow")}) == window),
                                 10000);
        // Only the exit key ends it: it still runs after a moment here.
        QVERIFY(!player.waitForFinished(500));
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+x")});
        QVERIFY(player.waitForFinished(15000));
        QCOMPARE(player.exitStatus(), QProcess::NormalExit);
        QCOMPARE(player.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestExitKey)
#include "test_exitkey.moc"
