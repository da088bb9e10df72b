#include "media/playlist.h"
#include "media/playlistfetcher.h"
#include "support/streamserver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using Failure = PlaylistFetcher::Failure;

// From a station's address to the streams to try, against servers that
// redirect, nest playlists, loop and misbehave.
class TestPlaylistFetcher : public QObject
{
    Q_OBJECT

    StreamServer server, other;

    struct Outcome {
        QStringList entries;
        Failure failure = Failure::None;
        qint64 ms = 0;
    };

    // Every address the fetcher offers, asking for the next as a player
    // whose every attempt fails would.
    static Outcome walk(const QString &address, int timeoutMs = 2000)
    {
        PlaylistFetcher fetcher(timeoutMs);
        QSignalSpy ready(&fetcher, &PlaylistFetcher::entryReady);
        QSignalSpy done(&fetcher, &PlaylistFetcher::exhausted);
        QElapsedTimer t;
        t.start();
        fetcher.start(address);
        fetcher.next();
        Outcome out;
        while (done.isEmpty()) {
            const int before = int(ready.count());
            if (!QTest::qWaitFor([&] { return ready.count() > before || !done.isEmpty(); }, 15000))
                break;
            if (ready.count() > before)
                fetcher.next();
        }
        for (const auto &args : ready)
            out.entries << args.at(0).toString();
        out.failure = done.isEmpty() ? Failure::None : done.first().at(0).value<Failure>();
        out.ms = t.elapsed();
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.listen());
        QVERIFY(other.listen());
    }

    void nestedPlaylistsAreFollowed()
    {
        const QString live = other.url("/live");
        other.addFile("/fim.wvx", StreamServer::asx({live}));
        server.addFile("/meio.asx",
                       "<asx version=\"3.0\"><entryref href=\"" + other.url("/fim.wvx").toUtf8()
                           + "\"/></asx>");
        server.addFile("/topo.asx", StreamServer::asx({server.url("/meio.asx"), server.url("/depois")}));
        const Outcome o = walk(server.url("/topo.asx"));
        QCOMPARE(o.entries, (QStringList{live, server.url("/depois")}));
        QCOMPARE(o.failure, Failure::None);
    }

    void entriesAreResolvedAgainstThePlaylist()
    {
        server.addFile("/dir/lista.m3u", "#EXTM3U\n#EXTINF:-1,A\n../streams/a\n#EXTINF:-1,B\nb.mp3\n",
                       "audio/x-mpegurl");
        // A .m3u address that answers with a PLS body.
        server.addFile("/dir/pls.m3u", StreamServer::pls({"c", server.url("/d")}), "audio/x-scpls");
        QCOMPARE(walk(server.url("/dir/lista.m3u")).entries,
                 (QStringList{server.url("/streams/a"), server.url("/dir/b.mp3")}));
        QCOMPARE(walk(server.url("/dir/pls.m3u")).entries,
                 (QStringList{server.url("/dir/c"), server.url("/d")}));
    }

    void redirectsAreFollowedAcrossHostsAndPorts()
    {
        other.addFile("/final.pls", StreamServer::pls({other.url("/radio")}));
        // Every kind of redirect once, the last one to another port and a
        // relative Location on the way.
        server.addRedirect("/r1.pls", server.url("/r2.pls"), 301);
        server.addRedirect("/r2.pls", "/r3.pls", 302);
        server.addRedirect("/r3.pls", server.url("/r4.pls", "http", "localhost"), 303);
        server.addRedirect("/r4.pls", server.url("/r5.pls"), 307);
        server.addRedirect("/r5.pls", other.url("/final.pls"), 308);
        const Outcome o = walk(server.url("/r1.pls"));
        QCOMPARE(o.entries, QStringList{other.url("/radio")});
        QCOMPARE(server.requests("/r5.pls"), 1);

        // Entries relative to a redirected playlist belong to where it ended.
        other.addFile("/rel.m3u", "#EXTM3U\nrelativo\n");
        server.addRedirect("/movido.m3u", other.url("/rel.m3u"));
        QCOMPARE(walk(server.url("/movido.m3u")).entries, QStringList{other.url("/relativo")});
    }

    void redirectsThatNeverEndFail()
    {
        // Six hops is one too many; a loop fails at once, not by the clock.
        for (int i = 1; i <= 6; ++i)
            server.addRedirect(QStringLiteral("/h%1.asx").arg(i),
                               server.url(QStringLiteral("/h%1.asx").arg(i + 1)));
        server.addFile("/h7.asx", StreamServer::asx({server.url("/live")}));
        Outcome o = walk(server.url("/h1.asx"));
        QCOMPARE(o.entries, QStringList{});
        QCOMPARE(o.failure, Failure::Unreadable);
        QCOMPARE(server.requests("/h7.asx"), 0);
        QCOMPARE(walk(server.url("/h2.asx")).entries, QStringList{server.url("/live")});

        server.addRedirect("/ping.asx", server.url("/pong.asx"), 307);
        server.addRedirect("/pong.asx", other.url("/x", "http", "localhost"), 302);
        other.addRedirect("/x", server.url("/ping.asx"), 301);
        o = walk(server.url("/ping.asx"), 5000);
        QCOMPARE(o.failure, Failure::Unreadable);
        QVERIFY2(o.ms < 2000, qPrintable(QString::number(o.ms)));

        // A redirect may not lead off the web either.
        server.addRedirect("/local.asx", "file:///etc/passwd");
        QCOMPARE(walk(server.url("/local.asx")).failure, Failure::Refused);
    }

    void nestingStopsAtFiveLevels()
    {
        // /n1 → /n2 → ... each level one playlist deeper; the stream sits
        // inside the deepest.
        auto chain = [this](const QString &name, int levels) {
            for (int i = 1; i < levels; ++i)
                server.addFile(
                    QStringLiteral("/%1%2.asx").arg(name).arg(i),
                    StreamServer::asx({server.url(QStringLiteral("/%1%2.asx").arg(name).arg(i + 1))}));
            server.addFile(QStringLiteral("/%1%2.asx").arg(name).arg(levels),
                           StreamServer::asx({server.url("/fundo")}));
            return walk(server.url(QStringLiteral("/%1").arg(name) + "1.asx"));
        };
        QCOMPARE(chain("cinco", 5).entries, QStringList{server.url("/fundo")});
        const Outcome six = chain("seis", 6);
        QCOMPARE(six.entries, QStringList{});
        QCOMPARE(six.failure, Failure::Unreadable);
        QCOMPARE(server.requests("/seis6.asx"), 0);
    }

    void playlistLoopsFailQuickly()
    {
        server.addFile("/a.asx", "<asx><entryref href=\"b.asx\"/><entry><ref href=\"/fica\"/></entry></asx>");
        server.addFile("/b.asx", "<asx><entryref href=\"a.asx\"/><entryref href=\"b.asx\"/></asx>");
        server.addFile("/eu.m3u", "#EXTM3U\n" + server.url("/eu.m3u").toUtf8() + "\n");
        Outcome o = walk(server.url("/a.asx"));
        QCOMPARE(o.entries, QStringList{server.url("/fica")});
        QCOMPARE(server.requests("/a.asx"), 1);
        QCOMPARE(server.requests("/b.asx"), 1);
        o = walk(server.url("/eu.m3u"));
        QCOMPARE(o.entries, QStringList{});
        QCOMPARE(o.failure, Failure::Unreadable);
        QVERIFY(o.ms < 2000);

        // A wide tree is cut off too: each playlist names itself twice
        // under new names.
        server.addFile("/largo.m3u", "#EXTM3U\nlargo.m3u?1\nlargo.m3u?2\nlargo.m3u?3\n");
        QElapsedTimer t;
        t.start();
        o = walk(server.url("/largo.m3u"));
        QCOMPARE(o.entries, QStringList{});
        QVERIFY(server.requests("/largo.m3u") <= PlaylistFetcher::kMaxFetches);

        // So is a long list: a station tries its first entries only.
        QStringList many;
        for (int i = 0; i < 3 * PlaylistFetcher::kMaxEntries; ++i)
            many << server.url(QStringLiteral("/s%1").arg(i));
        server.addFile("/longa.m3u", StreamServer::m3u(many), "audio/x-mpegurl");
        QCOMPARE(walk(server.url("/longa.m3u")).entries, many.first(PlaylistFetcher::kMaxEntries));
    }

    void onlyNetworkStreamsAreOffered()
    {
        server.addFile("/misto.m3u",
                       "#EXTM3U\nfile:///etc/passwd\nv4l2:///dev/video0\n/dev/dsp\nscreen://\n"
                       "mms://127.0.0.1/radio\nrtsp://127.0.0.1/tv\n");
        Outcome o = walk(server.url("/misto.m3u"));
        // "/dev/dsp" is a path on the station's own server: harmless.
        QCOMPARE(o.entries,
                 (QStringList{server.url("/dev/dsp"), "mms://127.0.0.1/radio", "mmsh://127.0.0.1/radio",
                              "http://127.0.0.1/radio", "rtsp://127.0.0.1/tv"}));

        server.addFile("/so-local.asx", StreamServer::asx({"file:///tmp/a.wav", "dvb://frequency=1"}));
        o = walk(server.url("/so-local.asx"));
        QCOMPARE(o.entries, QStringList{});
        QCOMPARE(o.failure, Failure::Refused);

        // The built-in catalogue is trusted as it stands.
        QCOMPARE(walk("file:///tmp/som.wav").entries, QStringList{"file:///tmp/som.wav"});
    }

    void whatIsNotAPlaylistIsHandedOn()
    {
        // A stream under a playlist's name: read no further than the cap.
        server.addStream("/grande.m3u",
                         {.delivery = StreamServer::Delivery::Burst, .icy = false, .burstMs = 8000});
        Outcome o = walk(server.url("/grande.m3u"), 8000);
        QCOMPARE(o.entries, QStringList{server.url("/grande.m3u")});
        QVERIFY(o.ms < 2000);
        QVERIFY(server.bytesSent("/grande.m3u") < 4 * Playlist::kMaxBytes);
        // Plain HTTP streams at their own pace: handed on at their first
        // bytes, by their type or by bytes no playlist has, long before the
        // size limit or the time limit.
        QByteArray frames;
        for (int i = 0; i < 64; ++i)
            frames += QByteArray("\xFF\xFB\x90\x64") + QByteArray(413, '\0');
        const QByteArray asfHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
        server.addStream("/simples.m3u", {.icy = false, .payload = frames, .contentType = "audio/mpeg"});
        server.addStream("/simples.pls", {.icy = false});
        server.addStream("/simples.asx",
                         {.icy = false, .payload = asfHeader + frames, .contentType = "video/x-ms-asf"});
        for (const char *path : {"/simples.m3u", "/simples.pls", "/simples.asx"}) {
            o = walk(server.url(path), 8000);
            QCOMPARE(o.entries, QStringList{server.url(path)});
            QVERIFY2(o.ms < 2000, qPrintable(QStringLiteral("%1: %2 ms").arg(path).arg(o.ms)));
        }
        // A SHOUTcast server's answer is no HTTP, but a stream all the same.
        server.addStream("/radio.pls", 440);
        QCOMPARE(walk(server.url("/radio.pls")).entries, QStringList{server.url("/radio.pls")});

        // HLS found behind a .m3u address goes to the library whole, from
        // where it was found.
        server.addFile("/tv/index.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\ns.ts\n");
        server.addRedirect("/tv.m3u", server.url("/tv/index.m3u8"));
        QCOMPARE(walk(server.url("/tv.m3u")).entries, QStringList{server.url("/tv/index.m3u8")});
        QCOMPARE(walk(server.url("/tv/index.m3u8")).entries, QStringList{server.url("/tv/index.m3u8")});
    }

    void failuresSayWhy()
    {
        server.addStream("/mudo.asx", {.delivery = StreamServer::Delivery::Hung});
        server.addFile("/vazio.pls", "[playlist]\nNumberOfEntries=0\n");
        Outcome o = walk(server.url("/mudo.asx"), 1000);
        QCOMPARE(o.failure, Failure::NoAnswer);
        QVERIFY2(o.ms >= 900 && o.ms < 3000, qPrintable(QString::number(o.ms)));
        QCOMPARE(walk(server.url("/nada.asx")).failure, Failure::Unreachable);
        QCOMPARE(walk(server.url("/vazio.pls")).failure, Failure::Unreadable);
        // A nested playlist that fails does not stop the entries after it.
        server.addFile("/com-falha.asx", StreamServer::asx({server.url("/nada.asx"), server.url("/live")}));
        QCOMPARE(walk(server.url("/com-falha.asx")).entries, QStringList{server.url("/live")});
    }
};

QTEST_MAIN(TestPlaylistFetcher)
#include "test_playlistfetcher.moc"
