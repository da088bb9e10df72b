#include "enginefixture.h"
#include "media/playbacksession.h"
#include "support/testmedia.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>

using namespace EngineTest;

// Stations as the internet serves them, played through the engine: nested
// and redirected playlists, local files named by the network, HLS, and the
// titles they send along.
class TestStations : public QObject
{
    Q_OBJECT

    ToneDetector detector;
    StreamServer server, other, secure;
    std::unique_ptr<MediaEngine> engine;
    const QList<double> tones = {350, 470, 590, 710, 830, 950, 1070};

    bool hear(const QString &url, double hz) { return switchAndHear(*engine, detector, url, hz, tones); }

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen());
        QVERIFY(other.listen());
        QVERIFY(secure.listenTls());
        StreamServer::trustTestCertificate();
        other.addStream("/fundo", 350);
        server.addStream("/perto", 470);
        MediaEngine::setDefaultOptions(quietOptions(detector));
        engine = std::make_unique<MediaEngine>();
    }

    void cleanupTestCase()
    {
        engine->shutdown(2000);
        engine.reset();
    }

    void nestedAndRedirectedPlaylistsPlay()
    {
        // An .asx whose entry is another .wvx behind a redirect to another
        // port, whose entry is a relative address.
        other.addFile("/dentro/final.wvx",
                      "<asx version=\"3.0\"><entry><ref href=\"../fundo\"/></entry></asx>");
        server.addRedirect("/ponte.wvx", other.url("/dentro/final.wvx"), 301);
        server.addFile("/canal.asx", "<ASX version=\"3.0\"><ENTRYREF HREF=\"/ponte.wvx\"/></ASX>");
        QVERIFY2(hear(server.url("/canal.asx"), 350), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), other.url("/fundo"));

        server.addFile("/lista.m3u", "#EXTM3U\n#EXTINF:-1,Perto\nperto\n");
        QVERIFY2(hear(server.url("/lista.m3u"), 470), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), server.url("/perto"));
    }

    void localFilesNamedByTheNetworkAreNotPlayed()
    {
        QTemporaryDir dir;
        const QString local = dir.filePath("local.mp3");
        QFile f(local);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(TestMedia::encode(TestMedia::Codec::Mp3, 590, 6));
        f.close();
        const QString fileUrl = QUrl::fromLocalFile(local).toString();
        server.addFile("/com-arquivo.asx", StreamServer::asx({fileUrl, server.url("/perto")}));
        QVERIFY2(hear(server.url("/com-arquivo.asx"), 470), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), server.url("/perto"));

        // Nothing but local entries: a failure, and silence.
        server.addFile("/so-arquivo.m3u", "#EXTM3U\n" + fileUrl.toUtf8() + "\n");
        detector.reset();
        engine->setURL(server.url("/so-arquivo.m3u"));
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Failed, 8000);
        QTest::qWait(500);
        QCOMPARE(detector.dominant(tones), 0.);
        QCOMPARE(detector.framesSinceReset(), 0);

        // The catalogue's own addresses are trusted as they stand.
        QVERIFY2(hear(fileUrl, 590), qPrintable(engine->statusText()));
    }

    void playlistLoopsFailWithoutHanging()
    {
        server.addFile("/ida.asx", "<asx><entryref href=\"volta.asx\"/></asx>");
        server.addFile("/volta.asx", "<asx><entryref href=\"ida.asx\"/></asx>");
        LatenessProbe probe;
        probe.start();
        QElapsedTimer t;
        t.start();
        engine->setURL(server.url("/ida.asx"));
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Failed, 8000);
        QVERIFY(t.elapsed() < 2000);
        QCOMPARE(engine->reason(), MediaEngine::Reason::PlaylistUnreadable);
        const QString stall = probe.stopAndJudge();
        QVERIFY2(stall.isEmpty(), qPrintable(stall));
    }

    void hlsIsStreamedByTheLibrary_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("entry");  // where the index was found
        QTest::newRow("named as HLS") << "/hls/index.m3u8"
                                      << "/hls/index.m3u8";
        // What the fetcher read decides, not the name: HLS served as a
        // plain playlist, and behind a redirect to a name that says nothing.
        QTest::newRow("served as .m3u") << "/hls/tv.m3u"
                                        << "/hls/tv.m3u";
        QTest::newRow("behind a redirect") << "/hls/go.m3u"
                                           << "/hls/index";
    }

    void hlsIsStreamedByTheLibrary()
    {
        QFETCH(QString, path);
        QFETCH(QString, entry);
        const QByteArray segment = TestMedia::encode(TestMedia::Codec::AacTs, 710, 4);
        QVERIFY(segment.size() > 1000);
        QByteArray index = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:4\n#EXT-X-MEDIA-SEQUENCE:0\n";
        for (int i = 0; i < 4; ++i) {
            server.addFile(QStringLiteral("/hls/s%1.ts").arg(i), segment, "video/mp2t");
            index += (i ? "#EXT-X-DISCONTINUITY\n" : "") + QByteArray("#EXTINF:4.0,\ns")
                + QByteArray::number(i) + ".ts\n";
        }
        index += "#EXT-X-ENDLIST\n";
        for (const char *at : {"/hls/index.m3u8", "/hls/tv.m3u", "/hls/index"})
            server.addFile(at, index, "application/vnd.apple.mpegurl");
        server.addRedirect("/hls/go.m3u", server.url("/hls/index"));
        QVERIFY2(hear(server.url(path), 710), qPrintable(engine->statusText()));
        QCOMPARE(engine->currentEntry(), server.url(entry));
        QVERIFY(server.requests("/hls/s0.ts") >= 1);
        engine->stop();
    }

    void aSecureStationIsNotFollowedIntoTheClear()
    {
        secure.addRedirect("/desce", server.url("/perto"));
        const int before = server.requests("/perto");
        engine->setURL(secure.url("/desce"));
        QTRY_COMPARE_WITH_TIMEOUT(engine->status(), MediaEngine::Status::Failed, 15000);
        QCOMPARE(server.requests("/perto"), before);
    }

    void aChannelsOwnHeadersReachItsServer()
    {
        // Over HTTP the library asks; over HTTPS the player's own reader.
        server.addStream("/exigente", 590);
        secure.addStream("/exigente", 710);
        PlaybackSession session(engine->engine());
        QList<CatalogueEntry> rows = {{"Simples", server.url("/perto")},
                                      {"Exigente", server.url("/exigente")},
                                      {"Segura", secure.url("/exigente")}};
        for (CatalogueEntry *row : {&rows[1], &rows[2]}) {
            row->userAgent = QStringLiteral("Agente/1.0 (TV)");
            row->referrer = QStringLiteral("https://portal.example/canais");
        }
        session.setChannels(rows);
        for (auto [row, route, hz] : {std::tuple{1, &server, 590}, {2, &secure, 710}}) {
            detector.reset();
            session.choose(row);
            QVERIFY2(detector.waitForTone(hz, tones, 8000), qPrintable(engine->statusText()));
            QCOMPARE(route->lastRequestHeader("/exigente", "User-Agent"), QByteArray("Agente/1.0 (TV)"));
            QCOMPARE(route->lastRequestHeader("/exigente", "Referer"),
                     QByteArray("https://portal.example/canais"));
        }
        // A channel whose address is a playlist sends them for the list too.
        server.addFile("/exigente.m3u", StreamServer::m3u({server.url("/exigente")}), "audio/x-mpegurl");
        rows.append({"Lista", server.url("/exigente.m3u")});
        rows.last().userAgent = rows[1].userAgent;
        rows.last().referrer = rows[1].referrer;
        session.setChannels(rows);
        detector.reset();
        session.choose(3);
        QVERIFY2(detector.waitForTone(590, tones, 8000), qPrintable(engine->statusText()));
        QCOMPARE(server.lastRequestHeader("/exigente.m3u", "User-Agent"), QByteArray("Agente/1.0 (TV)"));
        QCOMPARE(server.lastRequestHeader("/exigente.m3u", "Referer"),
                 QByteArray("https://portal.example/canais"));
        // A channel without its own keeps the player's.
        detector.reset();
        session.choose(0);
        QVERIFY(detector.waitForTone(470, tones, 8000));
        QVERIFY(!server.lastRequestHeader("/perto", "User-Agent").startsWith("Agente"));
        QVERIFY(server.lastRequestHeader("/perto", "Referer").isEmpty());
    }

    void titlesArriveOverHttpAndHttps_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("http") << false;
        QTest::newRow("https") << true;
    }

    void titlesArriveOverHttpAndHttps()
    {
        QFETCH(bool, tls);
        StreamServer &station = tls ? secure : server;
        const QString path = tls ? "/titulos-tls" : "/titulos";
        StreamServer::Stream s;
        s.toneHz = tls ? 830 : 950;
        s.icyMetaInt = 8192;
        s.title = QStringLiteral("Artista – <b>Canção</b>");
        station.addStream(path, s);
        QSignalSpy titles(engine.get(), &MediaEngine::nowPlayingChanged);
        QVERIFY2(hear(station.url(path), s.toneHz), qPrintable(engine->statusText()));
        QTRY_COMPARE_WITH_TIMEOUT(engine->nowPlaying(), s.title, 5000);

        // The full controls show it as it is, markup and all; the compact
        // ones in their tooltip.
        engine->setUiMode("Full");
        // As wide as a screen, the way the full controls are shown.
        engine->resize(1024, 300);
        engine->show();
        QVERIFY(QTest::qWaitForWindowExposed(engine.get()));
        auto *label = engine->findChild<QLabel *>("statusLabel");
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QVERIFY2(label->text().contains(s.title), qPrintable(label->text()));
        engine->setUiMode("Mini");
        // A tooltip would take markup: what it shows must be the title.
        QTextDocument shown;
        shown.setHtml(label->toolTip());
        QVERIFY2(shown.toPlainText().contains(s.title), qPrintable(label->toolTip()));
        QVERIFY(!label->text().contains(s.title));

        station.setTitle(path, QStringLiteral("Segunda faixa"));
        QTRY_COMPARE_WITH_TIMEOUT(engine->nowPlaying(), QStringLiteral("Segunda faixa"), 5000);
        QVERIFY(titles.count() >= 2);

        // Another station: the old title goes at once, then the new
        // station names itself.
        titles.clear();
        engine->setURL(server.url("/perto"));
        QTRY_COMPARE_WITH_TIMEOUT(engine->nowPlaying(), QStringLiteral("Tom 470 Hz"), 5000);
        QCOMPARE(titles.first().first().toString(), QString());
    }

    void titlesComeAtAReadablePace()
    {
        // A new title in every 512-byte block: about 40 a second.
        StreamServer::Stream s;
        s.toneHz = 1070;
        s.icyMetaInt = 512;
        s.title = QStringLiteral("Faixa");
        s.newTitleEveryBlock = true;
        server.addStream("/anuncios", s);
        QVERIFY2(hear(server.url("/anuncios"), s.toneHz), qPrintable(engine->statusText()));
        QSignalSpy titles(engine.get(), &MediaEngine::nowPlayingChanged);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() >= 2000 && titles.count() >= 2, 10000);
        const qint64 spent = clock.elapsed();
        // At most one every quarter second, the latest winning; what is
        // shown is still a title the station sent.
        QVERIFY2(titles.count() <= spent / 250 + 2,
                 qPrintable(QStringLiteral("%1 titles in %2 ms").arg(titles.count()).arg(spent)));
        QVERIFY(titles.last().first().toString().startsWith(QStringLiteral("Faixa ")));
    }
};

QTEST_MAIN(TestStations)
#include "test_stations.moc"
