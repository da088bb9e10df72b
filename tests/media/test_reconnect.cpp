#include "enginefixture.h"

#include <QSignalSpy>

using namespace EngineTest;

// Stations that go away while they play: the engine reopens the same
// entry by itself for as long as the channel stays chosen, one attempt at a
// time, and stops at once when the listener moves on.
class TestReconnect : public QObject
{
    Q_OBJECT

    ToneDetector detector;
    StreamServer server, other;
    std::unique_ptr<MediaEngine> engine;
    const QList<double> tones{520, 940};

    void playStation()
    {
        detector.reset();
        engine->setURL(server.url("/live"));
        QVERIFY2(detector.waitForTone(520, tones, 8000), qPrintable(engine->statusText()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen());
        QVERIFY(other.listen());
        server.addStream("/live", 520);
        other.addStream("/other", 940);
        MediaEngine::setDefaultOptions(quietOptions(detector, 2000));
        engine = std::make_unique<MediaEngine>();
    }

    void cleanupTestCase()
    {
        engine->shutdown(2000);
        engine.reset();
    }

    void soundReturnsAfterTheStationCameBack()
    {
        playStation();
        const int before = server.requests("/live");
        LatenessProbe probe;
        probe.start();
        QElapsedTimer down;
        down.start();
        server.goDownFor(2000);
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Reconnecting, 5000);
        QVERIFY2(engine->statusText().startsWith(QStringLiteral("Reconectando…")),
                 qPrintable(engine->statusText()));
        detector.reset();
        QVERIFY2(detector.waitForTone(520, tones, 12000), qPrintable(engine->statusText()));
        qInfo("sound again %lld ms after the station went down for 2 s", down.elapsed());
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Playing, 5000);
        QCOMPARE(engine->currentEntry(), server.url("/live"));
        // Attempts while the port refused, then the one that played; each
        // start now takes one connection.
        QVERIFY(server.requests("/live") - before >= 1);
        QCOMPARE(server.openConnections("/live"), 1);
        const QString stall = probe.stopAndJudge();
        QVERIFY2(stall.isEmpty(), qPrintable(stall));
    }

    void aStationBackButSilentIsTriedAgain()
    {
        playStation();
        // The station takes the connection back at once, answers, and
        // sends nothing: that attempt must give way to the next.
        server.addStream("/live", {.toneHz = 520, .delivery = StreamServer::Delivery::Mute});
        const int before = server.requests("/live");
        server.closeAll();
        QTRY_VERIFY_WITH_TIMEOUT(server.requests("/live") > before, 5000);
        QTest::qWait(3000);  // past the open time-out
        server.addStream("/live", 520);
        detector.reset();
        QVERIFY2(detector.waitForTone(520, tones, 15000), qPrintable(engine->statusText()));
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Playing, 5000);
    }

    void switchingAwayCancelsAtOnce()
    {
        playStation();
        server.goDownFor(30000);
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Reconnecting, 5000);
        detector.reset();
        engine->setURL(other.url("/other"));
        QVERIFY(detector.waitForTone(940, tones, 8000));
        const int requests = server.requests();
        server.goDownFor(0);  // back at once: nobody may come
        QTest::qWait(4000);
        QCOMPARE(server.requests(), requests);
        QCOMPARE(engine->status(), MediaEngine::Status::Playing);
    }

    void stopCancelsAtOnce()
    {
        playStation();
        server.goDownFor(30000);
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Reconnecting, 5000);
        engine->stop();
        QTRY_COMPARE(engine->status(), MediaEngine::Status::Stopped);
        const int requests = server.requests();
        server.goDownFor(0);
        QTest::qWait(4000);
        QCOMPARE(server.requests(), requests);
        QCOMPARE(engine->status(), MediaEngine::Status::Stopped);
    }

    void oneConnectionPerStart()
    {
        const int before = server.requests("/live");
        playStation();
        QTest::qWait(1000);
        QCOMPARE(server.requests("/live") - before, 1);
    }
};

QTEST_MAIN(TestReconnect)
#include "test_reconnect.moc"
