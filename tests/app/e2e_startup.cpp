#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <csignal>

// The real program, started as a user would: once only, refusing a second
// copy, recovering after a crash, and refusing to start beside a window
// titled "Player Brelo 1.6".
class E2EStartup : public QObject
{
    Q_OBJECT

    static QString binary() { return qEnvironmentVariable("BRELO_BINARY"); }

    static QStringList windowsNamed(const QString &regex, bool onlyVisible = true)
    {
        QProcess p;
        QStringList args{QStringLiteral("search")};
        if (onlyVisible)
            args << QStringLiteral("--onlyvisible");
        args << QStringLiteral("--name") << regex;
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(5000);
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    static bool waitForWindow(const QString &regex, int ms = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (!windowsNamed(regex).isEmpty())
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    // Presses Enter in the message box, as the user closing it would.
    static void confirm(const QString &regex)
    {
        const QString id = windowsNamed(regex).value(0);
        QVERIFY(!id.isEmpty());
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowactivate"), QStringLiteral("--sync"), id});
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Return")});
    }

    static std::unique_ptr<QProcess> start()
    {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(binary(), {});
        return p;
    }

    std::unique_ptr<QProcess> first;

    // The command lines of the web engine's zygotes among `pid`'s children.
    static QList<qint64> childrenOf(qint64 pid)
    {
        QList<qint64> found;
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
        if (children.open(QIODevice::ReadOnly))
            for (const QByteArray &child : children.readAll().split(' '))
                if (const qint64 id = child.trimmed().toLongLong(); id > 0)
                    found << id;
        return found;
    }

    // The engine's renderers: the processes under its zygote that fork
    // nothing themselves (with the sandbox on, the zygote runs under a
    // reaper of its own).
    static QList<qint64> webEngineRenderers(qint64 pid)
    {
        QList<qint64> below, leaves;
        for (qint64 child : childrenOf(pid)) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(child));
            if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("--type=zygote"))
                below += childrenOf(child);
        }
        for (qsizetype i = 0; i < below.size(); ++i) {
            const QList<qint64> next = childrenOf(below.at(i));
            if (next.isEmpty())
                leaves << below.at(i);
            below += next;
        }
        return leaves;
    }

    // Resident anonymous memory that may run as code: what V8 compiled,
    // and any copy of its built-ins.
    static qint64 anonymousCodeKb(qint64 pid)
    {
        QFile smaps(QStringLiteral("/proc/%1/smaps").arg(pid));
        if (!smaps.open(QIODevice::ReadOnly))
            return -1;
        qint64 kb = 0;
        bool anonymousCode = false;
        for (const QByteArray &line : smaps.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() >= 5 && f.at(0).contains('-') && f.at(1).size() == 4)
                anonymousCode = f.at(1).at(2) == 'x' && (f.size() == 5 || f.at(5).startsWith("[anon"));
            else if (anonymousCode && f.value(0) == "Rss:")
                kb += f.value(1).toLongLong();
        }
        return kb;
    }

    static QStringList webEngineZygotes(qint64 pid)
    {
        QStringList found;
        for (qint64 child : childrenOf(pid)) {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(child));
            if (!cmdline.open(QIODevice::ReadOnly))
                continue;
            const QString line = QString::fromLocal8Bit(cmdline.readAll().replace('\0', ' '));
            if (line.contains(QLatin1String("--type=zygote")))
                found << line;
        }
        return found;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(binary()), qPrintable(binary()));
        QVERIFY(windowsNamed(QStringLiteral("Brelo")).isEmpty());
    }

    void firstStartShowsTheMainWindow()
    {
        first = start();
        QVERIFY(first->waitForStarted());
        QVERIFY(waitForWindow(QStringLiteral("^Brelo Player 1\\.6$")));
        QCOMPARE(first->state(), QProcess::Running);
    }

    // The news page is drawn in software: neither the program nor its web
    // engine loads the OpenGL driver stack (tens of megabytes, and most of
    // the start-up time on a machine without a graphics card).
    void noOpenGLDriverIsLoaded()
    {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(first->processId()));
        // The web engine starts once the window is on the screen.
        QTest::qWait(3000);
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libQt6WebEngineCore"));
        QVERIFY2(!mapped.contains("_dri.so"), "an OpenGL driver is loaded");
        QVERIFY2(!mapped.contains("libLLVM"), "LLVM is loaded");
    }

    // The web engine runs one zygote, which forks the page's renderer; the
    // second, unsandboxed one would only serve helpers this browser never
    // starts.
    void oneZygoteOnly()
    {
        QStringList zygotes;
        QTRY_VERIFY_WITH_TIMEOUT(!(zygotes = webEngineZygotes(first->processId())).isEmpty(), 10000);
        QTest::qWait(500);
        zygotes = webEngineZygotes(first->processId());
        QVERIFY2(zygotes.size() == 1, qPrintable(zygotes.join(u'\n')));
        QVERIFY2(!zygotes.first().contains(QLatin1String("--no-zygote-sandbox")),
                 qPrintable(zygotes.first()));
    }

    // The page's renderer runs V8's built-in functions from the library's
    // own pages: a copy of them in its code space, for shorter calls,
    // would hold about 1.5 MiB all day behind a page that sits frozen.
    void rendererKeepsNoCopyOfScriptBuiltins()
    {
        QList<qint64> renderers;
        QTRY_VERIFY_WITH_TIMEOUT(!(renderers = webEngineRenderers(first->processId())).isEmpty(), 10000);
        QTest::qWait(1000);
        for (qint64 renderer : webEngineRenderers(first->processId())) {
            const qint64 kb = anonymousCodeKb(renderer);
            QVERIFY2(kb >= 0 && kb < 1024,
                     qPrintable(QStringLiteral("renderer %1: %2 KiB").arg(renderer).arg(kb)));
        }
    }

    void secondStartIsRefused()
    {
        auto second = start();
        QVERIFY(second->waitForStarted());
        QVERIFY(waitForWindow(QStringLiteral("^Atenção$")));
        QCOMPARE(windowsNamed(QStringLiteral("^Brelo Player 1\\.6$")).size(), 1);
        confirm(QStringLiteral("^Atenção$"));
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(first->state(), QProcess::Running);
    }

    void startAfterAKilledCopyGoesOn()
    {
        ::kill(pid_t(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(QStringLiteral("^Brelo Player 1\\.6$")).isEmpty(), 5000);

        auto again = start();
        QVERIFY(waitForWindow(QStringLiteral("^Brelo Player 1\\.6$")));
        QVERIFY(windowsNamed(QStringLiteral("^Atenção$")).isEmpty());
        ::kill(pid_t(again->processId()), SIGKILL);
        QVERIFY(again->waitForFinished(5000));
    }

    void foreignWindowTitleStopsTheStart()
    {
        QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(QStringLiteral("^Brelo Player 1\\.6$")).isEmpty(), 5000);
        QWidget other;
        other.setWindowTitle(QStringLiteral("Player Brelo 1.6"));
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));

        auto p = start();
        QVERIFY(waitForWindow(QStringLiteral("^Information$")));
        QVERIFY(windowsNamed(QStringLiteral("^Brelo Player 1\\.6$"), false).isEmpty());
        confirm(QStringLiteral("^Information$"));
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
    }
};

QTEST_MAIN(E2EStartup)
#include "e2e_startup.moc"
