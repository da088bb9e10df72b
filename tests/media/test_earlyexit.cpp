#include "enginefixture.h"
#include "support/vlcstandin.h"

#include <QApplication>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <cstdlib>

using namespace EngineTest;

namespace {

// What the program does when its exit command comes `exitAfterMs` after
// start: the application's loop ends, the engine is shut down with the
// usual time limit, the application goes, and the process lives on for
// `lingerMs` while whatever the shut-down left behind finishes its call.
int runAsProgram(char *program, int exitAfterMs, int lingerMs)
{
    {
        int argc = 1;
        char *argv[] = {program, nullptr};
        QApplication app(argc, argv);
        MediaEngine::Options o;
        o.video = false;
        MediaEngine::setDefaultOptions(o);
        // As the program's windows, the engine lives until the process ends.
        auto *engine = new MediaEngine;
        engine->setURL(QStringLiteral("http://127.0.0.1:%1/aovivo").arg(closedPort()));
        QTimer::singleShot(exitAfterMs, &app, &QCoreApplication::quit);
        app.exec();
        QElapsedTimer t;
        t.start();
        engine->shutdown();
        std::printf("shutdown %lld ms\n", t.elapsed());
        std::fflush(stdout);
    }
    QThread::msleep(lingerMs);
    return 0;
}

}  // namespace

// The exit command may come while the engine's first library start still
// runs (it loads every plug-in): the program must end cleanly all the same.
class TestEarlyExit : public QObject
{
    Q_OBJECT

    // Runs the program's exit sequence in a child; its shut-down time.
    qint64 exitEarly(const QProcessEnvironment &env, int exitAfterMs, int lingerMs)
    {
        QProcess child;
        // The exit abandons a library start on purpose: what that start
        // holds at the end is no leak (sanitizer builds only).
        QProcessEnvironment childEnv = env;
        childEnv.insert(QStringLiteral("ASAN_OPTIONS"),
                        env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
        child.setProcessEnvironment(childEnv);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--as-program"), QString::number(exitAfterMs), QString::number(lingerMs)});
        if (!child.waitForFinished(60000)) {
            child.kill();
            child.waitForFinished();
            qWarning("child did not end");
            return -1;
        }
        const QByteArray out = child.readAllStandardOutput();
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            qWarning("child ended by signal or with code %d: %s", child.exitCode(), out.constData());
            return -1;
        }
        return out.trimmed().split(' ').value(1).toLongLong();
    }

private slots:
    void exitDuringTheFirstLibraryStart()
    {
        VlcStandIn coldStart(VlcStandIn::Kind::ColdStart);
        QVERIFY2(coldStart.isValid(), qPrintable(coldStart.error()));
        int abandoned = 0;
        for (int i = 0; i < 3; ++i) {
            // The cold start usually takes seconds; the process outlives it.
            const qint64 ms = exitEarly(coldStart.environment(), 100, 8000);
            QVERIFY2(ms >= 0, "the process did not end cleanly");
            QVERIFY2(ms < MediaEngine::kShutdownTimeoutMs + 200, qPrintable(QString::number(ms)));
            // A shut-down that used its whole limit gave up on a library
            // still starting, the case that must end cleanly. A quiet
            // machine with a warm disk may finish the start first.
            if (ms >= MediaEngine::kShutdownTimeoutMs - 20)
                ++abandoned;
        }
        if (abandoned == 0)
            qWarning(
                "the library's start ended before every exit: the abandoned shut-down was not exercised");
    }

    void exitSoonAfterAnOrdinaryStart()
    {
        for (int exitAfterMs : {100, 100, 100, 300, 1000}) {
            const qint64 ms = exitEarly(QProcessEnvironment::systemEnvironment(), exitAfterMs, 1000);
            QVERIFY2(ms >= 0,
                     qPrintable(QStringLiteral("exit after %1 ms did not end cleanly").arg(exitAfterMs)));
        }
    }
};

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--as-program") == 0)
        return runAsProgram(argv[0], std::atoi(argv[2]), std::atoi(argv[3]));
    QApplication app(argc, argv);
    TestEarlyExit test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_earlyexit.moc"
