#include "enginefixture.h"
#include "support/testmedia.h"

using namespace EngineTest;
using TestMedia::Codec;

// The codecs real stations send, each made here by the library's own
// encoders, served live and decoded back to its tone.
class TestCodecs : public QObject
{
    Q_OBJECT

    ToneDetector detector;
    StreamServer server;
    std::unique_ptr<MediaEngine> engine;
    const QList<double> tones = {500, 620, 740, 860, 980, 1100};

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen());
        MediaEngine::setDefaultOptions(quietOptions(detector, 6000));
        engine = std::make_unique<MediaEngine>();
    }

    void cleanupTestCase()
    {
        engine->shutdown(2000);
        engine.reset();
    }

    void playsWhatStationsSend_data()
    {
        QTest::addColumn<int>("codec");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<bool>("loop");  // whether frames may simply repeat
        QTest::addColumn<double>("tone");
        QTest::newRow("MP3") << int(Codec::Mp3) << QByteArray("audio/mpeg") << true << 500.;
        QTest::newRow("AAC in ADTS") << int(Codec::AacAdts) << QByteArray("audio/aac") << true << 620.;
        QTest::newRow("Ogg Vorbis") << int(Codec::OggVorbis) << QByteArray("application/ogg") << false
                                    << 740.;
        QTest::newRow("Ogg Opus") << int(Codec::OggOpus) << QByteArray("audio/ogg") << false << 860.;
        QTest::newRow("WMA in ASF") << int(Codec::WmaAsf) << QByteArray("video/x-ms-asf") << false << 980.;
    }

    void playsWhatStationsSend()
    {
        QFETCH(int, codec);
        QFETCH(QByteArray, contentType);
        QFETCH(bool, loop);
        QFETCH(double, tone);
        const int seconds = 8;
        const QByteArray payload = TestMedia::encode(Codec(codec), tone, seconds);
        // The encoders come with the same plugin package as the decoders.
        QVERIFY2(payload.size() > 1000, "the library could not encode the test sound");
        const QString path = QStringLiteral("/codec%1").arg(codec);
        StreamServer::Stream s;
        s.payload = payload;
        s.contentType = contentType;
        s.payloadBytesPerSec = int(payload.size() / seconds);
        s.loopPayload = loop;
        s.delivery = StreamServer::Delivery::Burst;
        s.burstMs = 1000;
        server.addStream(path, s);

        detector.reset();
        engine->setURL(server.url(path));
        QVERIFY2(detector.waitForTone(tone, tones, 8000), qPrintable(engine->statusText()));
        // The report of "playing" from the engine's thread may trail the
        // first sound on a busy machine.
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Playing, 10000);
    }

    // A plain HTTP stream (no ICY status line) at a playlist's address plays
    // once its first bytes come, not once 256 KiB of it have (16 s at
    // 128 kbit/s, past the time limit).
    void plainStreamUnderAPlaylistsNamePlays()
    {
        const QByteArray payload = TestMedia::encode(Codec::Mp3, 1100, 8, 128);
        QVERIFY2(payload.size() > 1000, "the library could not encode the test sound");
        StreamServer::Stream s;
        s.icy = false;
        s.payload = payload;
        s.contentType = "audio/mpeg";
        s.payloadBytesPerSec = 16000;
        server.addStream("/aovivo.m3u", s);
        detector.reset();
        engine->setURL(server.url("/aovivo.m3u"));
        QVERIFY2(detector.waitForTone(1100, tones, 5000), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), server.url("/aovivo.m3u"));
    }
};

QTEST_MAIN(TestCodecs)
#include "test_codecs.moc"
