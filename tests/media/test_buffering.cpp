#include "enginefixture.h"

#include <QSignalSpy>

using namespace EngineTest;

// The engine's buffering against servers whose delivery pauses now and then:
// for up to a quarter of a second, and for longer than the quick start's
// buffer (bench/media/bench_startup runs these for minutes).
class TestBuffering : public QObject
{
    Q_OBJECT

    StreamServer server;

    int rebuffersOver(int cachingMs, int seconds)
    {
        ToneDetector detector;
        MediaEngine::Options o = quietOptions(detector);
        o.networkCachingMs = cachingMs;
        MediaEngine::setDefaultOptions(o);
        MediaEngine engine;
        QSignalSpy rebuffered(&engine, &MediaEngine::rebuffered);
        engine.setURL(server.url("/stalls"));
        if (!detector.waitForTone(880, {440, 880}, 8000))
            return -1;
        QTest::qWait(seconds * 1000);
        engine.shutdown(2000);
        return int(rebuffered.count());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen());
        server.addStream("/stalls", {.toneHz = 880, .delivery = StreamServer::Delivery::Stalls});
    }

    void defaultCachingRidesOutStalls()
    {
        QCOMPARE(rebuffersOver(MediaEngine::kDefaultNetworkCachingMs, 10), 0);
    }

    void tooShortACachingDropsOut()
    {
        // The same server with a buffer shorter than its pauses: the dropouts
        // must show, or the test above proves nothing.
#ifdef __SANITIZE_THREAD__
        QSKIP("ThreadSanitizer slows the decoder past what this timing can tell");
#endif
        QVERIFY(rebuffersOver(50, 10) >= 1);
    }

    void aStationThatKeepsDroppingOutGetsALargerBuffer()
    {
        // Pauses longer than the quick-start buffer, shorter than the
        // library's default one; the second longer than the first, which
        // the library's own jitter allowance rides out after one dropout.
        StreamServer::Stream pausing;
        pausing.toneHz = 660;
        pausing.delivery = StreamServer::Delivery::Stalls;
        pausing.stallPatternMs = {450, 900, 700};
        server.addStream("/soluco", pausing);
        const QList<double> tones = {660, 880};
        ToneDetector detector;
        MediaEngine::setDefaultOptions(quietOptions(detector));
        MediaEngine engine;
        QSignalSpy rebuffered(&engine, &MediaEngine::rebuffered);
        QStringList seen;
        connect(&engine, &MediaEngine::statusChanged, &engine,
                [&seen](MediaEngine::Status, const QString &text) { seen << text; });
        QVERIFY(switchAndHear(engine, detector, server.url("/soluco"), 660, tones));

        // The dropouts repeat: the engine opens the station again by itself,
        // with a buffer its pauses no longer drain. The server's pauses fall
        // at random moments, so a loaded machine may also lose the
        // connection on the way; a reconnect opens with the raised buffer too.
        QTRY_VERIFY2_WITH_TIMEOUT(rebuffered.count() >= 2 && server.requests("/soluco") >= 2,
                                  qPrintable(QStringLiteral("%1 dropouts, %2 requests: %3")
                                                 .arg(rebuffered.count())
                                                 .arg(server.requests("/soluco"))
                                                 .arg(seen.join(QLatin1String(" | ")))),
                                  20000);
        QVERIFY(detector.waitForTone(660, tones, 8000));
        rebuffered.clear();
        QTest::qWait(10000);
        QVERIFY2(rebuffered.count() <= 1, qPrintable(QString::number(rebuffered.count())));
        QCOMPARE(engine.status(), MediaEngine::Status::Playing);

        // Another channel and back: the station keeps its larger buffer, so
        // it needs no second reopen.
        QVERIFY(switchAndHear(engine, detector, server.url("/stalls"), 880, tones));
        const int before = server.requests("/soluco");
        QVERIFY(switchAndHear(engine, detector, server.url("/soluco"), 660, tones));
        rebuffered.clear();
        QTest::qWait(10000);
        QCOMPARE(server.requests("/soluco"), before + 1);
        QVERIFY2(rebuffered.count() <= 1, qPrintable(QString::number(rebuffered.count())));
        engine.shutdown(2000);
    }
};

QTEST_MAIN(TestBuffering)
#include "test_buffering.moc"
