#include "media/icyreader.h"
#include "support/streamserver.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QTest>

#include <thread>

// The engine's own reader for streams whose titles the library would drop:
// over TLS, through redirects, with titles changing while it reads.
class TestIcyReader : public QObject
{
    Q_OBJECT

    StreamServer secure, plain;

    // Reads `bytes` of audio on a thread of its own, as the library does.
    struct Run {
        bool opened = false;
        QByteArray audio;
        QStringList titles, names;
        qint64 ms = 0;
    };
    static Run read(IcyReader &reader, qint64 bytes, const std::function<void()> &midway = {})
    {
        Run run;
        QMutex mutex;
        reader.onTitle = [&](const QString &t) {
            QMutexLocker lock(&mutex);
            run.titles << t;
        };
        reader.onStationName = [&](const QString &n) { run.names << n; };
        // The server has a thread of its own: nothing to pump here.
        std::thread([&] {
            QElapsedTimer clock;
            clock.start();
            run.opened = reader.open();
            char buf[4096];
            bool half = false;
            while (run.opened && run.audio.size() < bytes) {
                const qint64 n = reader.read(buf, sizeof buf);
                if (n <= 0)
                    break;
                run.audio.append(buf, n);
                if (midway && !half && run.audio.size() > bytes / 2) {
                    half = true;
                    midway();
                }
            }
            run.ms = clock.elapsed();
        }).join();
        return run;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(secure.listenTls());
        QVERIFY(plain.listen());
        StreamServer::Stream s;
        s.toneHz = 440;
        s.delivery = StreamServer::Delivery::Burst;
        s.icyMetaInt = 1000;
        s.title = QStringLiteral("Primeira <i>canção</i>");
        secure.addStream("/radio", s);
        plain.addRedirect("/radio", secure.url("/radio"), 302);
    }

    void refusesAnUntrustedCertificate()
    {
        IcyReader reader(QUrl(secure.url("/radio")), 3000, "test");
        QVERIFY(!read(reader, 100).opened);
    }

    void readsAudioAndTitlesOverTls()
    {
        StreamServer::trustTestCertificate();
        IcyReader reader(QUrl(plain.url("/radio")), 3000, "test");
        const Run run = read(reader, 200000, [&] { secure.setTitle("/radio", QStringLiteral("Segunda")); });
        QVERIFY(run.opened);
        QCOMPARE(run.names, QStringList{"Tom 440 Hz"});
        // The audio arrives whole, the metadata blocks taken out: a WAV
        // header, then float samples of a quiet tone.
        QVERIFY(run.audio.startsWith("RIFF"));
        QCOMPARE(run.audio.mid(38, 4), QByteArray("data"));
        QVERIFY(!run.audio.contains("StreamTitle"));
        for (qsizetype i = 46; i + 4 <= run.audio.size(); i += 4) {
            float v;
            memcpy(&v, run.audio.constData() + i, 4);
            QVERIFY2(v > -0.5f && v < 0.5f, qPrintable(QString::number(i)));
        }
        QCOMPARE(run.titles, (QStringList{"Primeira <i>canção</i>", "Segunda"}));
    }

    void cancelEndsAWaitAtOnce()
    {
        secure.addStream("/mudo", {.delivery = StreamServer::Delivery::Hung});
        IcyReader reader(QUrl(secure.url("/mudo")), 20000, "test");
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            reader.cancel();
        });
        const Run run = read(reader, 100);
        canceller.join();
        QVERIFY(!run.opened);
        QVERIFY2(run.ms < 1500, qPrintable(QString::number(run.ms)));
    }
};

QTEST_MAIN(TestIcyReader)
#include "test_icyreader.moc"
