#include "media/icymetadata.h"
#include "media/playlist.h"

#include <QTest>

using Playlist::Entry;
using Playlist::Format;

// Reading playlist files and in-band titles as stations publish them.
class TestPlaylist : public QObject
{
    Q_OBJECT

private slots:
    void entries_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("format");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("asx upper case, two entries")
            << QByteArray("<ASX version=\"3.0\"><ENTRY><REF HREF=\"mms://a.example.com/x\"/></ENTRY>"
                          "<Entry><Ref href='http://b.example.com:8000/y?a=1&amp;b=2'></Entry></ASX>")
            << int(Format::Asx)
            << QStringList{"mms://a.example.com/x", "http://b.example.com:8000/y?a=1&b=2"};
        QTest::newRow("asx relative, comment, unquoted")
            << QByteArray("<asx version=3><!-- <ref href=\"http://old.example.com/\"/> -->"
                          "<entry><ref href=live></entry></asx>")
            << int(Format::Asx) << QStringList{"http://radio.example.com/aovivo/live"};
        QTest::newRow("[Reference] kept as written, in number order")
            << QByteArray(
                   "[Reference]\r\nRef2=http://b.example.com/y\r\nRef1=http://a.example.com:8080/x\r\n")
            << int(Format::Reference) << QStringList{"http://a.example.com:8080/x", "http://b.example.com/y"};
        QTest::newRow("m3u with comments")
            << QByteArray("#EXTM3U\n#EXTINF:-1,Radio\nhttp://a.example.com/x\n\n  http://b.example.com/y  \n")
            << int(Format::M3u) << QStringList{"http://a.example.com/x", "http://b.example.com/y"};
        QTest::newRow("extended m3u, relative entries")
            << QByteArray("#EXTM3U\r\n#EXTINF:-1,Um\r\nstream/live.mp3\r\n#EXTINF:-1,Dois\r\n../outro\r\n"
                          "#EXTINF:-1,Tres\r\n/raiz?x=1\r\n")
            << int(Format::M3u)
            << QStringList{"http://radio.example.com/aovivo/stream/live.mp3",
                           "http://radio.example.com/outro", "http://radio.example.com/raiz?x=1"};
        QTest::newRow("plain m3u, relative path") << QByteArray("live.mp3\n") << int(Format::M3u)
                                                  << QStringList{"http://radio.example.com/aovivo/live.mp3"};
        QTest::newRow("pls, relative and absolute")
            << QByteArray("[playlist]\nNumberOfEntries=2\nFile2=http://b.example.com/y\nTitle1=A\nFile1=x\n")
            << int(Format::Pls) << QStringList{"http://radio.example.com/aovivo/x", "http://b.example.com/y"};
        QTest::newRow("pls, an empty entry takes nothing from the next line")
            << QByteArray("[playlist]\nFile1=\nFile2=http://b.example.com/y\n") << int(Format::Pls)
            << QStringList{"http://b.example.com/y"};
        QTest::newRow("pls with a BOM and blank lines first")
            << QByteArray("\xEF\xBB\xBF\r\n\r\n[Playlist]\r\nFile1=http://a.example.com/x\r\n")
            << int(Format::Pls) << QStringList{"http://a.example.com/x"};
        QTest::newRow("hls media playlist")
            << QByteArray("#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:7\n#EXTINF:2,\nseg7.ts\n")
            << int(Format::Hls) << QStringList{};
        QTest::newRow("hls master playlist")
            << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=64000\nlow/index.m3u8\n") << int(Format::Hls)
            << QStringList{};
        // What the network may not name is still read: the fetcher refuses it.
        QTest::newRow("local entries are read, not judged")
            << QByteArray("#EXTM3U\nfile:///etc/passwd\nhttp://a.example.com/x\n") << int(Format::M3u)
            << QStringList{"file:///etc/passwd", "http://a.example.com/x"};
        QTest::newRow("html error page")
            << QByteArray("<html><body>404 Not Found</body></html>") << int(Format::None) << QStringList{};
        QTest::newRow("html page with a doctype and a link")
            << QByteArray("<!DOCTYPE html>\n<a href=\"x.mp3\">x</a>\n") << int(Format::None) << QStringList{};
        QTest::newRow("binary") << QByteArray("RIFF\xff\xff\xff\xffWAVEfmt ", 16) << int(Format::None)
                                << QStringList{};
        QTest::newRow("audio with NULs") << QByteArray("ID3\x04\0\0\0\0\0\x21http://a.example.com/x\n", 30)
                                         << int(Format::None) << QStringList{};
        // A stream cut at the size limit: text at first, audio further on.
        QTest::newRow("control bytes past the start")
            << QByteArray("#EXTM3U\nhttp://a.example.com/x\n" + QByteArray(600, ' ') + "\x01\x7f\xfb\n")
            << int(Format::None) << QStringList{};
        QTest::newRow("empty") << QByteArray() << int(Format::None) << QStringList{};
    }

    void entries()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, format);
        QFETCH(QStringList, expected);
        const QUrl base("http://radio.example.com/aovivo/canal.asx");
        QCOMPARE(int(Playlist::parse(body, base).format), format);
        QCOMPARE(Playlist::entries(body, base), expected);
    }

    void asxTellsNestedPlaylists()
    {
        const QByteArray body = "<asx version=\"3.0\"><entryref href=\"outra.asx\"/>"
                                "<ENTRYREF HREF=\"http://b.example.com/lista\"/>"
                                "<entry><ref href=\"mms://c.example.com/d\"/></entry></asx>";
        const auto parsed = Playlist::parse(body, QUrl("http://a.example.com/x/canal.asx"));
        QCOMPARE(parsed.entries,
                 (QList<Entry>{{"http://a.example.com/x/outra.asx", true},
                               {"http://b.example.com/lista", true},
                               {"mms://c.example.com/d", false}}));
    }

    void whatIsAPlaylist()
    {
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://tv.example.com/aovivo/tv.asx")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("mms://tv.example.com:1755/tv.ASX")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://r.example.com/a.wvx")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://r.example.com/a.wax")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("https://r.example.com:8000/listen.pls")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://r.example.com:8000/listen.m3u")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("http://r.example.com/live/index.m3u8")));
        QVERIFY(Playlist::looksLikeHls(QUrl("http://r.example.com/live/index.M3U8?token=1")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("file:///home/x/lista.m3u")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("http://192.0.2.10:8000")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("http://r.example.com/live?MSWMExt=.asf")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("http://r.example.com/player.swf")));
        QCOMPARE(Playlist::fetchAddress(QUrl("mms://tv.example.com:1755/tv.asx")),
                 QUrl("http://tv.example.com:1755/tv.asx"));
        QCOMPARE(
            Playlist::candidates("mms://198.51.100.7/live"),
            (QStringList{"mms://198.51.100.7/live", "mmsh://198.51.100.7/live", "http://198.51.100.7/live"}));
        QCOMPARE(Playlist::candidates("http://198.51.100.7/live"), QStringList{"http://198.51.100.7/live"});
    }

    void onlyNetworkStreamsFromTheNetwork()
    {
        for (const char *ok :
             {"http://a.example.com/x", "HTTPS://a.example.com/x", "mms://a.example.com/x",
              "mmsh://a.example.com:8080/x", "rtsp://a.example.com/x", "rtmp://a.example.com/x"})
            QVERIFY2(Playlist::allowedFromNetwork(QUrl(ok)), ok);
        for (const char *bad :
             {"file:///etc/passwd", "file://server/share/x.wav", "/dev/dsp", "v4l2:///dev/video0",
              "alsa://hw:0", "screen://", "dvb://frequency=1", "cdda:///dev/sr0", "smb://a/b",
              "ftp://a.example.com/x", "vlc://quit", "imem://", "http:///x", "javascript:x"})
            QVERIFY2(!Playlist::allowedFromNetwork(QUrl(bad)), bad);
    }

    void icyTitles_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << QByteArray("StreamTitle='Artista - Canção';StreamUrl='';\0\0\0", 48)
                               << QStringLiteral("Artista - Canção");
        QTest::newRow("apostrophes inside")
            << QByteArray("StreamTitle='Rock 'n' Roll';") << QStringLiteral("Rock 'n' Roll");
        QTest::newRow("no closing semicolon")
            << QByteArray("StreamTitle='Sem fim'") << QStringLiteral("Sem fim");
        QTest::newRow("latin-1") << QByteArray("StreamTitle='Ora\xe7\xe3o';") << QStringLiteral("Oração");
        QTest::newRow("control characters and markup stay text")
            << QByteArray("StreamTitle='<b>A</b>\r\n\tB\x1b[31m';") << QStringLiteral("<b>A</b> B [31m");
        QTest::newRow("empty title") << QByteArray("StreamTitle='';") << QStringLiteral("");
        QTest::newRow("no title") << QByteArray("StreamUrl='http://a.example.com/';") << QString();
        QTest::newRow("cut at the limit") << QByteArray("StreamTitle='" + QByteArray(1000, 'x') + "';")
                                          << QString(Icy::kMaxTitleLength, u'x');
    }

    void icyTitles()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, title);
        const QString got = Icy::streamTitle(block);
        QCOMPARE(got, title);
        QCOMPARE(got.isNull(), title.isNull());
    }

    void icySplitterIgnoresChunkBoundaries()
    {
        // Audio of 10-byte periods, a title every period, an empty block
        // ("no change") in between.
        const int metaInt = 10;
        QByteArray stream, audio;
        const QStringList titles = {"Primeira", "Primeira", "Segunda"};
        for (int period = 0; period < 6; ++period) {
            const QByteArray chunk(metaInt, char('a' + period));
            stream += chunk;
            audio += chunk;
            if (period % 2) {
                stream += '\0';
                continue;
            }
            QByteArray block = "StreamTitle='" + titles.at(period / 2).toUtf8() + "';";
            block += QByteArray((16 - block.size() % 16) % 16, '\0');
            stream += char(block.size() / 16) + block;
        }
        for (int step : {1, 3, 7, 11, 17, 1000}) {
            Icy::Splitter splitter(metaInt);
            QByteArray got;
            QStringList seen;
            for (int i = 0; i < stream.size(); i += step) {
                got += splitter.feed(stream.mid(i, step));
                QString t;
                if (splitter.takeTitle(&t))
                    seen << t;
            }
            QCOMPARE(got, audio);
            // A title repeated is no new title; with whole-stream chunks
            // only the newest is left to take.
            QCOMPARE(seen, step == 1000 ? QStringList{"Segunda"} : (QStringList{"Primeira", "Segunda"}));
        }
        Icy::Splitter none;
        QCOMPARE(none.feed(stream), stream);
    }
};

QTEST_MAIN(TestPlaylist)
#include "test_playlist.moc"
