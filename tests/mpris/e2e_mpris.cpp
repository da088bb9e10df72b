// The real program driven as a desktop drives it: playerctl and dbus-send on
// a private session bus, with the first two channels served by a local
// station on their own host name. And the same program with no bus at all,
// and with a bus that never answers: it must start and play as ever.
#include "catalogue/channelcatalogue.h"
#include "display/xprobe.h"
#include "support/sessionbus.h"
#include "support/streamserver.h"
#include "support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class E2EMpris : public QObject
{
    Q_OBJECT

    StreamServer station;
    SessionBus bus;
    QTemporaryDir dir;
    QString hostsFile;
    std::unique_ptr<QProcess> app;
    QByteArray log;

    static QString path(int row) { return QUrl(ChannelCatalogue::rows().at(row - 1).address).path(); }
    static QString text(int row) { return ChannelCatalogue::rows().at(row - 1).text; }
    static QString tone(int row) { return QStringLiteral("/aovivo/tom%1").arg(row); }
    static double toneHz(int row) { return 300 + 100 * row; }
    // What the test server sends as the stream's icy-name.
    static QString stationName(int row) { return QStringLiteral("Tom %1 Hz").arg(toneHz(row)); }

    QProcessEnvironment environment(const QString &busAddress) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        if (!busAddress.isEmpty())
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        // A runtime folder without a bus socket in it.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("brelo.desktop=true"));
        return env;
    }

    void startProgram(const QString &busAddress)
    {
        const QString program
            = qEnvironmentVariable("BRELO_PLAYER", TestSupport::binaryDir() + QStringLiteral("/breloplayer"));
        QVERIFY(QFileInfo::exists(program));
        log.clear();
        app = std::make_unique<QProcess>();
        app->setProcessEnvironment(environment(busAddress));
        connect(app.get(), &QProcess::readyReadStandardError, this, [this] {
            const QByteArray chunk = app->readAllStandardError();
            log += chunk;
            fputs(chunk.constData(), stderr);
        });
        app->start(QStringLiteral("unshare"),
                   {QStringLiteral("-m"), QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("mount --bind \"$0\" /etc/hosts && exec \"$1\""), hostsFile, program});
        QVERIFY(app->waitForStarted());
    }

    void stopProgram()
    {
        if (app)
            TestSupport::endProgram(*app);
        app.reset();
    }

    quint64 mainWindow() const
    {
        const QString ids = XProbe::run(QStringLiteral("xdotool"),
                                        {QStringLiteral("search"), QStringLiteral("--pid"),
                                         QString::number(app->processId()), QStringLiteral("--name"),
                                         QStringLiteral("^Brelo Player 1.6$")});
        const QList<quint64> clients = XProbe::clientList();
        for (const QString &id : ids.split(u'\n', Qt::SkipEmptyParts))
            if (clients.contains(id.toULongLong()))
                return id.toULongLong();
        return 0;
    }

    // playerctl as the desktop runs it; its trimmed output.
    QString playerctl(const QStringList &args)
    {
        QProcess p;
        p.setProcessEnvironment(environment(bus.address()));
        p.start(QStringLiteral("playerctl"),
                QStringList{QStringLiteral("-p"), QStringLiteral("breloplayer")} + args);
        if (!p.waitForFinished(10000))
            return QStringLiteral("(hung)");
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    int dbusSend(const QString &method)
    {
        QProcess p;
        p.setProcessEnvironment(environment(bus.address()));
        p.start(QStringLiteral("dbus-send"),
                {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                 QStringLiteral("--dest=org.mpris.MediaPlayer2.breloplayer"),
                 QStringLiteral("/org/mpris/MediaPlayer2"),
                 QStringLiteral("org.mpris.MediaPlayer2.") + method});
        p.waitForFinished(10000);
        return p.exitCode();
    }

    bool flowing(int row, int ms = 20000)
    {
        const qint64 before = station.bytesSent(tone(row));
        return XProbe::waitFor([&] { return station.bytesSent(tone(row)) - before > 16000; }, ms);
    }

    bool waitForService()
    {
        return XProbe::waitFor(
            [&] { return playerctl({QStringLiteral("status")}) == QLatin1String("Playing"); }, 20000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("run"))));
        QVERIFY(bus.isRunning());
        QVERIFY2(station.listen(QHostAddress::LocalHost, 80),
                 "port 80 on 127.0.0.1 (the test runs as root in its own namespace)");
        // Rows 1 and 2: playlists on one host, each pointing at its own tone.
        const QString host = QUrl(ChannelCatalogue::rows().first().address).host();
        QCOMPARE(QUrl(ChannelCatalogue::rows().at(1).address).host(), host);
        for (int row : {1, 2}) {
            station.addStream(tone(row), toneHz(row));
            station.addFile(path(row),
                            StreamServer::asx({station.url(tone(row), QStringLiteral("http"), host)}));
        }
        hostsFile = dir.filePath(QStringLiteral("hosts"));
        QFile hosts(hostsFile);
        QVERIFY(hosts.open(QIODevice::WriteOnly));
        hosts.write("127.0.0.1 localhost " + host.toUtf8() + "\n");
    }

    void cleanupTestCase() { stopProgram(); }

    void statusAndMetadata()
    {
        startProgram(bus.address());
        QVERIFY2(waitForService(), log.constData());
        QVERIFY(flowing(1));
        // The title is what the station names itself (its icy-name) once the
        // stream told it; the channel is the artist.
        const QString expected
            = QStringLiteral("'/org/example/breloplayer/channel/1'|%1|%2").arg(stationName(1), text(1));
        QString got;
        QVERIFY2(XProbe::waitFor(
                     [&] {
                         got = playerctl(
                             {QStringLiteral("metadata"), QStringLiteral("--format"),
                              QStringLiteral("{{mpris:trackid}}|{{xesam:title}}|{{xesam:artist}}")});
                         return got == expected;
                     },
                     5000),
                 qPrintable(got));
    }

    void playPauseHoldsAndResumes()
    {
        // A desktop widget follows the player through PropertiesChanged.
        QProcess follow;
        follow.setProcessEnvironment(environment(bus.address()));
        follow.start(QStringLiteral("playerctl"),
                     {QStringLiteral("-p"), QStringLiteral("breloplayer"), QStringLiteral("--follow"),
                      QStringLiteral("status")});
        QVERIFY(follow.waitForStarted());
        QVERIFY(XProbe::waitFor([&] { return follow.canReadLine(); }));
        QCOMPARE(follow.readLine().trimmed(), QByteArray("Playing"));

        playerctl({QStringLiteral("play-pause")});
        QVERIFY(XProbe::waitFor(
            [&] { return playerctl({QStringLiteral("status")}) == QLatin1String("Paused"); }));
        QVERIFY(XProbe::waitFor([&] { return follow.canReadLine(); }));
        QCOMPARE(follow.readLine().trimmed(), QByteArray("Paused"));

        playerctl({QStringLiteral("play-pause")});
        QVERIFY(XProbe::waitFor(
            [&] { return playerctl({QStringLiteral("status")}) == QLatin1String("Playing"); }));
        QVERIFY(flowing(1));
        QVERIFY(XProbe::waitFor([&] { return follow.canReadLine(); }));
        QCOMPARE(follow.readLine().trimmed(), QByteArray("Playing"));
        follow.kill();
        follow.waitForFinished(3000);
    }

    void nextAndPreviousChooseChannels()
    {
        const int firstRequests = station.requests(path(1));
        // Row 1 has no previous row.
        playerctl({QStringLiteral("previous")});
        QTest::qWait(1000);
        QCOMPARE(station.requests(path(1)), firstRequests);
        QCOMPARE(station.requests(path(2)), 0);

        playerctl({QStringLiteral("next")});
        QVERIFY(XProbe::waitFor([&] { return station.requests(path(2)) == 1; }, 10000));
        QVERIFY(flowing(2));
        QCOMPARE(playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:artist")}), text(2));
        QVERIFY(XProbe::waitFor([&] { return log.contains("channel from the desktop: row 2"); }));

        playerctl({QStringLiteral("previous")});
        QVERIFY(XProbe::waitFor([&] { return station.requests(path(1)) == firstRequests + 1; }, 10000));
        QVERIFY(flowing(1));
        QVERIFY(XProbe::waitFor(
            [&] {
                return playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:title")})
                    == stationName(1);
            },
            5000));
        QTRY_COMPARE(station.openConnections(tone(2)), 0);
    }

    void volumeIsSetAndReadBack()
    {
        playerctl({QStringLiteral("volume"), QStringLiteral("0.5")});
        QVERIFY(XProbe::waitFor([&] { return playerctl({QStringLiteral("volume")}).toDouble() == 0.5; }));
        QVERIFY(XProbe::waitFor([&] { return log.contains("volume from the desktop: 50"); }));
    }

    void raiseBringsTheWindowBackFromTheTray()
    {
        const quint64 win = mainWindow();
        QVERIFY(win);
        // Closing the window hides it into the tray.
        XProbe::run(QStringLiteral("wmctrl"),
                    {QStringLiteral("-i"), QStringLiteral("-c"), QString::number(win)});
        QVERIFY(XProbe::waitFor([&] { return !XProbe::isViewable(win); }));
        QVERIFY(
            XProbe::waitFor([&] { return XProbe::trayIcons(QStringLiteral("breloplayer")).size() == 1; }));

        QCOMPARE(dbusSend(QStringLiteral("Raise")), 0);
        QVERIFY(XProbe::waitFor([&] { return XProbe::isViewable(win); }));
        QVERIFY(XProbe::waitFor([&] { return XProbe::trayIcons(QStringLiteral("breloplayer")).isEmpty(); }));
        QVERIFY(flowing(1));
    }

    void quitEndsTheProgramAndTheVolumeIsRemembered()
    {
        QCOMPARE(dbusSend(QStringLiteral("Quit")), 0);
        QVERIFY(app->waitForFinished(10000));
        QCOMPARE(app->exitStatus(), QProcess::NormalExit);
        QCOMPARE(app->exitCode(), 0);
        const QSettings saved(dir.filePath(QStringLiteral("config/breloplayer/breloplayer.conf")),
                              QSettings::NativeFormat);
        QCOMPARE(saved.value(QStringLiteral("sound/volume")).toInt(), 50);

        startProgram(bus.address());
        QVERIFY2(waitForService(), log.constData());
        QCOMPARE(playerctl({QStringLiteral("volume")}).toDouble(), 0.5);
        QVERIFY(flowing(1));
        stopProgram();
    }

    void startsAndPlaysWithoutABus()
    {
        startProgram(QString());
        QVERIFY(XProbe::waitFor([&] { return mainWindow() != 0; }, 15000));
        QVERIFY(flowing(1));
        QVERIFY(XProbe::waitFor([&] { return log.contains("no session bus"); }));
        stopProgram();
    }

    void startsAndPlaysBesideASilentBus()
    {
        SilentBus silent;
        QVERIFY(silent.isListening());
        QElapsedTimer t;
        t.start();
        startProgram(silent.address());
        // Well inside libdbus's 25 seconds of waiting for an answer.
        QVERIFY(XProbe::waitFor([&] { return mainWindow() != 0; }, 10000));
        const qint64 shown = t.elapsed();
        QVERIFY(flowing(1));
        QVERIFY(XProbe::waitFor([&] { return log.contains("does not answer"); }, 10000));
        qInfo("window shown after %lld ms beside a silent bus", shown);
        stopProgram();
    }
};

QTEST_GUILESS_MAIN(E2EMpris)
#include "e2e_mpris.moc"
