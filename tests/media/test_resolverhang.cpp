#include "enginefixture.h"

#include "support/silentnameserver.h"

using namespace EngineTest;

// A name server that never answers: glibc's resolver then holds whoever
// asks for about ten seconds and cannot be interrupted. Runs in a mount
// namespace of its own whose /etc/resolv.conf points at 127.0.0.1, where
// this test listens on UDP port 53 and stays silent.
class TestResolverHang : public QObject
{
    Q_OBJECT

    ToneDetector detector;
    StreamServer server;
    SilentNameServer silentDns;
    const QList<double> tones{600, 800, 1000};
    const QString mute = QStringLiteral("http://estacao-muda.example.com:8000/aovivo");

private slots:
    void initTestCase()
    {
        if (!SilentNameServer::resolverIsSilent())
            QSKIP("needs its own /etc/resolv.conf (run through ctest, as root)");
        QVERIFY2(silentDns.start(), "cannot bind UDP port 53");
        QVERIFY(server.listen());
        server.addStream("/a", 600);
        server.addStream("/b", 800);
        server.addStream("/c", 1000);
        MediaEngine::setDefaultOptions(quietOptions(detector, 3000));
    }

    void unresolvableNameNeitherFreezesNorBlocksTheNextSwitch()
    {
        MediaEngine engine;
        detector.reset();
        engine.setURL(server.url("/a"));
        QVERIFY2(detector.waitForTone(600, tones, 8000), qPrintable(engine.statusText()));

        int i = 0;
        for (const QString &url : {mute, QStringLiteral("http://estacao-muda.example.com/aovivo/tv.asx")}) {
            LatenessProbe probe;
            probe.start();
            engine.setURL(url);
            QTRY_COMPARE_WITH_TIMEOUT(engine.status(), MediaEngine::Status::Failed, 6000);
            QCOMPARE(engine.statusText(), QStringLiteral("A estação não responde"));
            // The library is still inside the resolver; a good station must
            // not wait for it.
            detector.reset();
            engine.setURL(server.url(i++ ? "/c" : "/b"));
            QVERIFY2(detector.waitForTone(i == 1 ? 800 : 1000, tones, 5000), qPrintable(engine.statusText()));
            const QString stall = probe.stopAndJudge();
            QVERIFY2(stall.isEmpty(), qPrintable(stall));
        }
        engine.shutdown(500);
    }

    void shutdownReturnsInTimeWhileALookupHangs()
    {
        MediaEngine engine;
        engine.setURL(mute);
        QTest::qWait(700);  // well inside the lookup
        QCOMPARE(engine.status(), MediaEngine::Status::Connecting);
        QElapsedTimer t;
        t.start();
        engine.shutdown(500);
        QVERIFY2(t.elapsed() < 600, qPrintable(QString::number(t.elapsed())));
    }
};

QTEST_MAIN(TestResolverHang)
#include "test_resolverhang.moc"
