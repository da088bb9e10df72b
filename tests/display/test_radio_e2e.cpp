// Radio from outside: the real program, with channel row 1's host mapped
// to 127.0.0.1 in a private mount namespace and served by a local station.
// The window must be minimised while the stream keeps flowing, and a double
// click on the icon must bring it back, never leaving the program without
// both icon and window.
#include "catalogue/channelcatalogue.h"
#include "display/xprobe.h"
#include "support/streamserver.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class TestRadioE2E : public QObject
{
    Q_OBJECT

    QProcess app;
    quint64 win = 0;
    StreamServer station;
    const QString streamPath = QStringLiteral("/aovivo/tom");
    QTemporaryDir dir;

    QString xdotool(const QStringList &args) { return XProbe::run(QStringLiteral("xdotool"), args); }

    QList<quint64> icons() const { return XProbe::trayIcons(QStringLiteral("breloplayer")); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(station.listen(QHostAddress::LocalHost, 80),
                 "port 80 on 127.0.0.1 (the test runs as root in its own namespace)");
        // The first channel's own playlist, on its own host name, pointing at
        // a tone on the same host.
        const QUrl first(ChannelCatalogue::rows().first().address);
        const QString host = first.host();
        station.addStream(streamPath, 440);
        station.addFile(first.path(),
                        StreamServer::asx({station.url(streamPath, QStringLiteral("http"), host)}));
        QFile hosts(dir.filePath(QStringLiteral("hosts")));
        QVERIFY(hosts.open(QIODevice::WriteOnly));
        hosts.write("127.0.0.1 localhost " + host.toUtf8() + "\n");
        hosts.close();

        const QString program
            = qEnvironmentVariable("BRELO_PLAYER", TestSupport::binaryDir() + QStringLiteral("/breloplayer"));
        QVERIFY(QFileInfo::exists(program));
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // unshare and sh exec in place: the process id stays the program's.
        app.start(QStringLiteral("unshare"),
                  {QStringLiteral("-m"), QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                   QStringLiteral("mount --bind \"$0\" /etc/hosts && exec \"$1\""), hosts.fileName(),
                   program});
        QVERIFY(app.waitForStarted());
        QVERIFY(XProbe::waitFor(
            [&] {
                const QList<quint64> clients = XProbe::clientList();
                for (const QString &id : xdotool({QStringLiteral("search"), QStringLiteral("--pid"),
                                                  QString::number(app.processId()), QStringLiteral("--name"),
                                                  QStringLiteral("^Brelo Player 1.6$")})
                                             .split(u'\n', Qt::SkipEmptyParts))
                    if (clients.contains(id.toULongLong()))
                        win = id.toULongLong();
                return win != 0;
            },
            15000));
    }

    void cleanupTestCase() { TestSupport::endProgram(app); }

    void radioKeepsPlaying()
    {
        const bool flowing = XProbe::waitFor([&] { return station.bytesSent(streamPath) > 16000; }, 20000);
        QVERIFY2(flowing, "the program never took the stream from the local station");

        // Ctrl+R is the menu's; without the menu nothing would happen.
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(win)});
        xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+r")});
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(win) == 3; }));

        // Minimised, still shown, and the sound goes on.
        QCOMPARE(XProbe::wmState(win), 3);
        const qint64 before = station.bytesSent(streamPath);
        QTest::qWait(3000);
        QCOMPARE(station.openConnections(streamPath), 1);
        QVERIFY(station.bytesSent(streamPath) - before > 30000);

        // The icon's double click removes it and brings the window back to
        // normal, while the sound goes on.
        QVERIFY(XProbe::waitFor([&] { return icons().size() == 1; }));
        const QPoint c = XProbe::outerRect(icons().first()).center();
        xdotool({QStringLiteral("mousemove"), QString::number(c.x()), QString::number(c.y())});
        xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                 QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
        QVERIFY(XProbe::waitFor([&] { return icons().isEmpty(); }));
        QVERIFY(XProbe::waitFor([&] { return XProbe::wmState(win) == 1 && XProbe::isViewable(win); }));
        QCOMPARE(station.openConnections(streamPath), 1);
    }
};

QTEST_GUILESS_MAIN(TestRadioE2E)
#include "test_radio_e2e.moc"
