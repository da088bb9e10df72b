#include "support/vlcstandin.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

// The program on a machine where libVLC is installed without its plug-ins:
// it must say so in the error box at start-up and end, not sit there with a
// silent status text.
class E2EEngineUnavailable : public QObject
{
    Q_OBJECT

    static QString run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    static QStringList visibleWindows(qint64 pid)
    {
        return run(QStringLiteral("xdotool"),
                   {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                    QString::number(pid)})
            .split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void errorBoxAndEnd()
    {
        VlcStandIn broken(VlcStandIn::Kind::NoPlugins);
        QVERIFY2(broken.isValid(), qPrintable(broken.error()));
        QProcessEnvironment env = broken.environment();
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("brelo.*=true"));
        QProcess app;
        app.setProcessEnvironment(env);
        app.start(qEnvironmentVariable("BRELO_BINARY"), {});
        QVERIFY(app.waitForStarted());

        // A dialog with the program's title.
        QString box;
        QElapsedTimer t;
        t.start();
        while (box.isEmpty() && t.elapsed() < 30000 && app.state() == QProcess::Running) {
            for (const QString &w : visibleWindows(app.processId())) {
                if (run(QStringLiteral("xprop"),
                        {QStringLiteral("-id"), w, QStringLiteral("_NET_WM_WINDOW_TYPE")})
                        .contains(QLatin1String("_NET_WM_WINDOW_TYPE_DIALOG")))
                    box = w;
            }
            QTest::qWait(200);
        }
        QVERIFY2(!box.isEmpty(), "no error box");
        QCOMPARE(run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), box}),
                 QStringLiteral("Brelo Player 1.6"));

        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowactivate"), QStringLiteral("--sync"), box});
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
        QVERIFY2(app.waitForFinished(5000), "the program goes on after the box");
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        // What the support log says about it.
        QVERIFY(app.readAllStandardError().contains("EngineUnavailable"));
    }
};

QTEST_GUILESS_MAIN(E2EEngineUnavailable)
#include "e2e_engineunavailable.moc"
