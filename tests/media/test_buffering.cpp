#include "enginefixture.h"

#include <QSignalSpy>

using namespace EngineTest;

// The engine's buffering against a server whose delivery pauses now and then
// for up to a quarter of a second (the benchmark runs this for a minute).
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
};

QTEST_MAIN(TestBuffering)
#include "test_buffering.moc"
