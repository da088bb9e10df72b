#include "enginefixture.h"

#include <QSignalSpy>

using namespace EngineTest;

// Real playback through the engine: local stations, each its own tone, and
// the decoded sound must carry the tone of the address last written.
class TestPlayback : public QObject
{
    Q_OBJECT

    ToneDetector detector;
    StreamServer server, rootServer;
    std::unique_ptr<MediaEngine> engine;
    QList<double> tones;

    void addTone(double hz) { tones << hz; }

    bool switchAndHear(const QString &url, double hz, int timeoutMs = 20000)
    {
        return EngineTest::switchAndHear(*engine, detector, url, hz, tones, timeoutMs);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen());
        QVERIFY(rootServer.listen());
        for (double hz : {300., 420., 540., 660., 780., 900., 1020., 1140., 1260., 1380.})
            addTone(hz);
        server.addStream("/", 300);
        rootServer.addStream("/", 420);
        server.addStream("/aovivo", 540);
        server.addStream("/asx", 660);
        server.addStream("/wvx", 780);
        server.addStream("/wax", 900);
        server.addStream("/ref", 1020);
        server.addStream("/m3u", 1140);
        server.addStream("/second", 1260);
        server.addStream("/hung", {.toneHz = 1380, .delivery = StreamServer::Delivery::Hung});
        server.addStream("/pendente.asx", {.toneHz = 1380, .delivery = StreamServer::Delivery::Hung});
        server.addFile("/canal.asx", StreamServer::asx({server.url("/asx")}));
        server.addFile("/canal.wvx", StreamServer::asx({server.url("/wvx")}));
        server.addFile("/canal.wax", StreamServer::asx({server.url("/wax")}));
        server.addFile("/ref.asx", StreamServer::reference({server.url("/ref")}));
        server.addFile("/lista.m3u", StreamServer::m3u({server.url("/m3u")}), "audio/x-mpegurl");

        MediaEngine::setDefaultOptions(quietOptions(detector));
        engine = std::make_unique<MediaEngine>();
    }

    void cleanupTestCase()
    {
        engine->shutdown(2000);
        engine.reset();
    }

    void everyAddressFormPlaysItsOwnStream_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<double>("tone");
        QTest::addColumn<QString>("entry");  // what the engine must end up playing
        const QString root = server.url(QString());
        QTest::newRow("server root") << root << 300. << root;
        QTest::newRow("server root/") << rootServer.url("/") << 420. << rootServer.url("/");
        QTest::newRow("mount point") << server.url("/aovivo") << 540. << server.url("/aovivo");
        QTest::newRow(".asx") << server.url("/canal.asx") << 660. << server.url("/asx");
        QTest::newRow(".wvx") << server.url("/canal.wvx") << 780. << server.url("/wvx");
        QTest::newRow(".wax") << server.url("/canal.wax") << 900. << server.url("/wax");
        QTest::newRow("[Reference]") << server.url("/ref.asx") << 1020. << server.url("/ref");
        QTest::newRow(".m3u") << server.url("/lista.m3u") << 1140. << server.url("/m3u");
        // Back to the first, so the last switch goes away from a playlist.
        QTest::newRow("root again") << root << 300. << root;
    }

    void everyAddressFormPlaysItsOwnStream()
    {
        QFETCH(QString, url);
        QFETCH(double, tone);
        QFETCH(QString, entry);
        QVERIFY2(switchAndHear(url, tone), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), entry);
        // The first sound reaches the tap on the audio thread before the
        // engine's thread has reported "playing" to this one; on a busy
        // machine that report may trail by more than a moment.
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Playing, 10000);
        QCOMPARE(engine->statusText(), QStringLiteral("Reproduzindo"));
        // The old station's connection is let go.
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections() + rootServer.openConnections(), 1, 5000);
    }

    void playlistWithDeadFirstEntryPlaysTheSecond()
    {
        const QString refused = QStringLiteral("http://127.0.0.1:%1/fora").arg(closedPort());
        server.addFile("/morto.asx", StreamServer::asx({refused, server.url("/second")}));
        QVERIFY2(switchAndHear(server.url("/morto.asx"), 1260), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), server.url("/second"));

        // A first entry that answers nothing costs the time limit, no more.
        server.addFile("/mudo.m3u", StreamServer::m3u({server.url("/hung"), server.url("/m3u")}));
        QElapsedTimer t;
        t.start();
        QVERIFY2(switchAndHear(server.url("/mudo.m3u"), 1140, 10000), qPrintable(engine->statusText()));
        QVERIFY(t.elapsed() >= 3000);
    }

    // A runaway list plays from its first entries; the library is never
    // handed the whole of it to read again.
    void oversizedPlaylistPlaysItsFirstEntries()
    {
        QStringList many;
        for (int i = 0; many.size() * 40 < 10 * 1024 * 1024; ++i)
            many << server.url(QStringLiteral("/second?n=%1").arg(i));
        server.addFile("/enorme.m3u", StreamServer::m3u(many), "audio/x-mpegurl");
        QVERIFY2(switchAndHear(server.url("/enorme.m3u"), 1260), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), many.first());
        QCOMPARE(server.requests("/enorme.m3u"), 1);
    }

    void failuresKeepTheWindowResponsiveAndSayWhy_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("text");
        QTest::newRow("hung server") << server.url("/hung") << "A estação não responde";
        QTest::newRow("refused port") << QStringLiteral("http://127.0.0.1:%1/aovivo").arg(closedPort())
                                      << "Não foi possível conectar à estação";
        QTest::newRow("mms, nothing listening") << QStringLiteral("mms://127.0.0.1:%1/x").arg(closedPort())
                                                << "Não foi possível conectar à estação";
        QTest::newRow("playlist on a hung server") << server.url("/pendente.asx") << "A estação não responde";
    }

    void failuresKeepTheWindowResponsiveAndSayWhy()
    {
        QFETCH(QString, url);
        QFETCH(QString, text);
        QVERIFY(switchAndHear(server.url("/aovivo"), 540));

        LatenessProbe probe;
        detector.reset();
        probe.start();
        engine->setURL(url);
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Failed, 8000);
        const QString stall = probe.stopAndJudge();
        QCOMPARE(engine->statusText(), text);
        // Nothing stays connected to a station given up on.
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 3000);
        QVERIFY2(stall.isEmpty(), qPrintable(stall));
        // The old station is silent: nothing of it reaches the speakers.
        QCOMPARE(detector.dominant(tones), 0.);

        QVERIFY2(switchAndHear(server.url("/m3u"), 1140), qPrintable(engine->statusText()));
    }

    void catalogueAddressFormsPlayOnPort80()
    {
        // As end-to-end tests of the program use it: port 80, a catalogue
        // path, the host name left to the caller.
        StreamServer port80;
        if (!port80.listen(QHostAddress::LocalHost, 80))
            QSKIP("port 80 needs root in a network namespace of its own");
        port80.addStream("/aovivo/tvtambrel", 660);
        port80.addFile("/aovivo/tvtambrel.asx", StreamServer::asx({port80.url("/aovivo/tvtambrel")}));
        QVERIFY2(switchAndHear(QStringLiteral("http://127.0.0.1/aovivo/tvtambrel.asx"), 660),
                 qPrintable(engine->statusText()));
        QCOMPARE(port80.requests("/aovivo/tvtambrel.asx"), 1);
        QCOMPARE(port80.openConnections("/aovivo/tvtambrel"), 1);
        QVERIFY(port80.bytesSent("/aovivo/tvtambrel") > 22050);

        // Catalogue mms:// addresses name no port: plain MMS (port 1755)
        // is refused here, and the stream must come over HTTP on port 80,
        // not on MMS's port.
        engine->setURL(server.url("/aovivo"));
        QTRY_COMPARE_WITH_TIMEOUT(port80.openConnections(), 0, 5000);
        QVERIFY2(switchAndHear(QStringLiteral("mms://127.0.0.1/aovivo/tvtambrel"), 660),
                 qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), QStringLiteral("http://127.0.0.1/aovivo/tvtambrel"));
        engine->setURL(server.url("/aovivo"));
        QTRY_COMPARE_WITH_TIMEOUT(port80.openConnections(), 0, 5000);
    }

    void aUrlWriteAfterPauseStartsTheNewStation()
    {
        // The engine's own button pauses the station; choosing another
        // channel then must not resume the paused one under the new name.
        QVERIFY(switchAndHear(server.url("/aovivo"), 540));
        engine->pause();
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Paused, 5000);
        QVERIFY2(switchAndHear(server.url("/second"), 1260), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), server.url("/second"));
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections("/aovivo"), 0, 5000);

        // The play button still resumes what was paused, without a new
        // connection.
        const int requests = server.requests("/second");
        engine->pause();
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Paused, 5000);
        detector.reset();
        engine->play();
        QVERIFY(detector.waitForTone(1260, tones, 5000));
        QCOMPARE(server.requests("/second"), requests);
    }

    void newestWriteWins()
    {
        // Writes in one go: only the last one may end up playing.
        detector.reset();
        for (const char *path : {"/asx", "/wvx", "/hung", "/wax", "/canal.asx", "/aovivo"})
            engine->setURL(server.url(QString::fromLatin1(path)));
        QVERIFY(detector.waitForTone(540, tones, 8000));
        QTest::qWait(1000);
        QCOMPARE(detector.dominant(tones), 540.);
        QCOMPARE(engine->URL(), server.url("/aovivo"));
    }
};

QTEST_MAIN(TestPlayback)
#include "test_playback.moc"
