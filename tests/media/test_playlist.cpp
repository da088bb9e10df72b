#include "media/playlist.h"

#include <QTest>

// Reading playlist files as stations publish them.
class TestPlaylist : public QObject
{
    Q_OBJECT

private slots:
    void entries_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("expected");
        const QUrl base("http://radio.example.com/aovivo/canal.asx");

        QTest::newRow("asx upper case, two entries")
            << QByteArray("<ASX version=\"3.0\"><ENTRY><REF HREF=\"mms://a.example.com/x\"/></ENTRY>"
                          "<Entry><Ref href='http://b.example.com:8000/y?a=1&amp;b=2'></Entry></ASX>")
            << QStringList{"mms://a.example.com/x", "http://b.example.com:8000/y?a=1&b=2"};
        QTest::newRow("asx relative, comment, unquoted")
            << QByteArray("<asx version=3><!-- <ref href=\"http://old.example.com/\"/> -->"
                          "<entry><ref href=live></entry></asx>")
            << QStringList{"http://radio.example.com/aovivo/live"};
        QTest::newRow("[Reference] kept as written, in number order")
            << QByteArray(
                   "[Reference]\r\nRef2=http://b.example.com/y\r\nRef1=http://a.example.com:8080/x\r\n")
            << QStringList{"http://a.example.com:8080/x", "http://b.example.com/y"};
        QTest::newRow("m3u with comments")
            << QByteArray("#EXTM3U\n#EXTINF:-1,Radio\nhttp://a.example.com/x\n\n  http://b.example.com/y  \n")
            << QStringList{"http://a.example.com/x", "http://b.example.com/y"};
        QTest::newRow("pls") << QByteArray("[playlist]\nNumberOfEntries=1\nFile1=http://a.example.com/x\n")
                             << QStringList{"http://a.example.com/x"};
        QTest::newRow("html error page")
            << QByteArray("<html><body>404 Not Found</body></html>") << QStringList{};
        QTest::newRow("binary") << QByteArray("RIFF\xff\xff\xff\xffWAVEfmt ", 16) << QStringList{};
    }

    void entries()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, expected);
        QCOMPARE(Playlist::entries(body, QUrl("http://radio.example.com/aovivo/canal.asx")), expected);
    }

    void whatIsAPlaylist()
    {
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://tv.example.com/aovivo/tv.asx")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("mms://tv.example.com:1755/tv.ASX")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://r.example.com/a.wvx")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://r.example.com/a.wax")));
        QVERIFY(Playlist::looksLikePlaylist(QUrl("http://r.example.com:8000/listen.m3u")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("http://192.0.2.10:8000")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("http://r.example.com/live?MSWMExt=.asf")));
        QVERIFY(!Playlist::looksLikePlaylist(QUrl("http://r.example.com/player.swf")));
        QCOMPARE(Playlist::fetchAddress(QUrl("mms://tv.example.com:1755/tv.asx")),
                 QUrl("http://tv.example.com:1755/tv.asx"));
        QCOMPARE(Playlist::candidates("mms://198.51.100.7/live"),
                 (QStringList{"mms://198.51.100.7/live", "http://198.51.100.7/live"}));
        QCOMPARE(Playlist::candidates("http://198.51.100.7/live"), QStringList{"http://198.51.100.7/live"});
    }
};

QTEST_MAIN(TestPlaylist)
#include "test_playlist.moc"
