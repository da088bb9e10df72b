// The real program with a listener's own channel list in its configuration
// folder: it plays that list's row 1 from a local station at start, and a
// list with nothing usable in it leaves the built-in row 1 playing.
#include "catalogue/channelcatalogue.h"
#include "support/sessionbus.h"
#include "support/streamserver.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class TestOwnListE2E : public QObject
{
    Q_OBJECT

    StreamServer station;
    bool onPort80 = false;
    QTemporaryDir dir;
    std::unique_ptr<QProcess> app;

    static QString program()
    {
        return qEnvironmentVariable("BRELO_PLAYER",
                                    TestSupport::binaryDir() + QStringLiteral("/breloplayer"));
    }

    // A home of its own, holding `list` as the listener's channel list.
    QProcessEnvironment homeWith(const QString &name, const QByteArray &list)
    {
        const QString home = dir.filePath(name);
        const QString config = home + QStringLiteral("/.config");
        QDir().mkpath(config + QStringLiteral("/breloplayer"));
        QFile f(config + QStringLiteral("/breloplayer/canais.m3u"));
        if (f.open(QIODevice::WriteOnly))
            f.write(list);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        return env;
    }

    // The first visible window of the program titled `title`.
    QString window(const QString &title)
    {
        QString id;
        QTest::qWaitFor(
            [&] {
                QProcess p;
                p.start(QStringLiteral("xdotool"),
                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                         QString::number(app->processId()), QStringLiteral("--name"), title});
                p.waitForFinished(5000);
                id = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts).value(0);
                return !id.isEmpty();
            },
            20000);
        return id;
    }

    static void xdotool(const QStringList &args) { QProcess::execute(QStringLiteral("xdotool"), args); }

    void stop()
    {
        if (app)
            TestSupport::endProgram(*app);
        app.reset();
    }

    bool flowing(const QString &path)
    {
        return QTest::qWaitFor([&] { return station.bytesSent(path) > 16000; }, 20000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(QFileInfo::exists(program()), qPrintable(program()));
        // Port 80 lets the built-in row 1's own host name be served here
        // (root, in the test's own namespaces); without it only the
        // listener's list is tried.
        onPort80 = station.listen(QHostAddress::LocalHost, 80);
        if (!onPort80)
            QVERIFY(station.listen());
        station.addStream(QStringLiteral("/minha"), 440);
        station.addStream(QStringLiteral("/outra"), 660);
        station.addStream(QStringLiteral("/aovivo/tom"), 550);
    }

    void cleanup() { stop(); }

    void playsTheListsRowOne()
    {
        const QByteArray list = "\xEF\xBB\xBF#EXTM3U\r\n"
                                "# o que se ouve em casa\r\n"
                                "#EXTINF:-1,Minha R\xC3\xA1"
                                "dio\r\n"
            + station.url(QStringLiteral("/minha")).toUtf8()
            + "\r\n"
              "file:///etc/passwd\r\n"
              "#EXTINF:-1,Outra\r\n"
            + station.url(QStringLiteral("/outra")).toUtf8() + "\r\n";
        app = std::make_unique<QProcess>();
        app->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app->setProcessEnvironment(homeWith(QStringLiteral("own"), list));
        app->start(program(), {});
        QVERIFY(app->waitForStarted());

        QVERIFY2(flowing(QStringLiteral("/minha")), "the list's row 1 never played");
        QCOMPARE(station.openConnections(QStringLiteral("/minha")), 1);
        QCOMPARE(station.requests(QStringLiteral("/outra")), 0);
        QCOMPARE(app->state(), QProcess::Running);
    }

    void aChannelAddedInTheCanaisWindowPlays()
    {
        SessionBus bus;
        QVERIFY(bus.isRunning());
        station.addStream(QStringLiteral("/zeta"), 770);
        const QString config = dir.filePath(QStringLiteral("canais/.config/breloplayer/canais.m3u"));
        QProcessEnvironment env
            = homeWith(QStringLiteral("canais"),
                       "#EXTM3U\n#EXTINF:-1,Minha\n" + station.url(QStringLiteral("/minha")).toUtf8() + "\n");
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
        app = std::make_unique<QProcess>();
        app->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app->setProcessEnvironment(env);
        app->start(program(), {});
        QVERIFY(app->waitForStarted());
        QVERIFY2(flowing(QStringLiteral("/minha")), "the list's row 1 never played");

        // Menu key, then the new channel's name and address, from the keyboard.
        const QString main = window(QStringLiteral("^Brelo Player 1\\.6$"));
        QVERIFY(!main.isEmpty());
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+l")});
        const QString canais = window(QStringLiteral("^Canais$"));
        QVERIFY2(!canais.isEmpty(), "Ctrl+L opened no Canais window");
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), canais});
        // From the filter, past the list, to the name.
        xdotool({QStringLiteral("key"), QStringLiteral("Tab"), QStringLiteral("Tab")});
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                 QStringLiteral("Zeta Nova")});
        xdotool({QStringLiteral("key"), QStringLiteral("Tab")});
        xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                 station.url(QStringLiteral("/zeta"))});
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});

        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         QFile f(config);
                         return f.open(QIODevice::ReadOnly) && f.readAll().contains("Zeta Nova");
                     },
                     10000),
                 "the new channel was not saved");
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        // The desktop's Next goes on to the new row at once.
        QProcess next;
        next.setProcessEnvironment(env);
        next.start(QStringLiteral("dbus-send"),
                   {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=org.mpris.MediaPlayer2.breloplayer"),
                    QStringLiteral("/org/mpris/MediaPlayer2"),
                    QStringLiteral("org.mpris.MediaPlayer2.Player.Next")});
        QVERIFY(next.waitForFinished(10000));
        QCOMPARE(next.exitCode(), 0);
        QVERIFY2(flowing(QStringLiteral("/zeta")), "the channel added never played");
    }

    void unusableListKeepsTheBuiltInRowOne()
    {
        if (!onPort80)
            QSKIP("needs port 80 on 127.0.0.1 (root, in the test's own namespace)");
        // The built-in row 1's playlist, on its own host name, pointing at a
        // tone on the same host.
        const QUrl first(ChannelCatalogue::rows().first().address);
        station.addFile(first.path(),
                        StreamServer::asx({station.url(QStringLiteral("/aovivo/tom"), QStringLiteral("http"),
                                                       first.host())}));
        QFile hosts(dir.filePath(QStringLiteral("hosts")));
        QVERIFY(hosts.open(QIODevice::WriteOnly));
        hosts.write("127.0.0.1 localhost " + first.host().toUtf8() + "\n");
        hosts.close();

        const QByteArray list = "#EXTM3U\n#EXTINF:-1,Arquivo\nfile:///home/ana/radio.mp3\nmusica.mp3\n";
        app = std::make_unique<QProcess>();
        app->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app->setProcessEnvironment(homeWith(QStringLiteral("bad"), list));
        app->start(QStringLiteral("unshare"),
                   {QStringLiteral("-m"), QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("mount --bind \"$0\" /etc/hosts && exec \"$1\""), hosts.fileName(),
                    program()});
        QVERIFY(app->waitForStarted());

        QVERIFY2(flowing(QStringLiteral("/aovivo/tom")), "the built-in row 1 never played");
    }
};

QTEST_GUILESS_MAIN(TestOwnListE2E)
#include "test_ownlist_e2e.moc"
