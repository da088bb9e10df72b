#include "catalogue/listenerlist.h"
#include "catalogue/listenerlistloader.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(QList<CatalogueEntry>)

// A listener's own channel list: what an M3U file as people share them
// yields, what gets the whole file set aside, where it is looked for, and
// how it is read without holding anybody up.
class TestListenerList : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static QStringList texts(const QList<CatalogueEntry> &rows)
    {
        QStringList t;
        for (const auto &r : rows)
            t << r.text + QStringLiteral(" -> ") + r.address;
        return t;
    }

    static QByteArray plainEntries(int count)
    {
        QByteArray b;
        for (int i = 1; i <= count; ++i)
            b += "http://radio.example.net/" + QByteArray::number(i) + "\n";
        return b;
    }

    QString write(const QString &relative, const QByteArray &bytes)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(bytes);
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void entriesAsListenersWriteThem()
    {
        const QByteArray file = "\xEF\xBB\xBF#EXTM3U\r\n"
                                "#EXTINF:-1,R\xC3\xA1"
                                "dio da Cidade\r\n"
                                "http://radio.example.net:8000/aovivo\r\n"
                                "\r\n"
                                "https://tv.example.org/live.m3u8\r\n"
                                "#EXTINF:-1 tvg-id=\"n1\" group-title=\"Not\xC3\xAD"
                                "cias, Esportes\",TV Not\xC3\xAD"
                                "cias\r\n"
                                "#EXTVLCOPT:network-caching=1000\r\n"
                                "rtsp://192.0.2.9/noticias\r\n"
                                "#EXTINF:-1,Arquivo local\r\n"
                                "file:///home/ana/radio.mp3\r\n"
                                "musica/local.mp3\r\n"
                                "#EXTINF:-1,R\xC3\xA1"
                                "dio da Cidade\r\n"
                                "mms://outra.example/cidade\r\n"
                                "#extinf:-1,Mesma r\xC3\xA1"
                                "dio, outro nome\r\n"
                                "http://radio.example.net:8000/aovivo\r\n"
                                "#EXTINF:-1,\r\n"
                                "mmsh://d.example/x\r\n"
                                "#EXTINF:-1,Sem endere\xC3\xA7o\r\n"
                                "#EXTINF:-1,R\xC3\xA1"
                                "dio Final\r\n"
                                "  rtmp://e.example/live/final  \r\n"
                                "#EXTINF:-1,Sino\x07\r\n"
                                "http://f.example/sino\r\n"
                                "#EXTINF:-1,Esquecida";
        const ListenerList::Parsed p = ListenerList::parse(file);
        QCOMPARE(texts(p.rows),
                 QStringList({
                     QStringLiteral("R\u00e1dio da Cidade -> http://radio.example.net:8000/aovivo"),
                     QStringLiteral("https://tv.example.org/live.m3u8 -> https://tv.example.org/live.m3u8"),
                     QStringLiteral("TV Not\u00edcias -> rtsp://192.0.2.9/noticias"),
                     QStringLiteral("Mesma r\u00e1dio, outro nome -> http://radio.example.net:8000/aovivo"),
                     QStringLiteral("mmsh://d.example/x -> mmsh://d.example/x"),
                     QStringLiteral("R\u00e1dio Final -> rtmp://e.example/live/final"),
                     QStringLiteral("Sino -> http://f.example/sino"),
                 }));
        // One reason per line set aside, naming it.
        QStringList lines;
        for (const QString &r : p.reasons)
            lines << r.section(u':', 0, 0);
        QCOMPARE(lines, QStringList({"line 10", "line 11", "line 13", "line 18", "line 23"}));
        QVERIFY(p.reasons.at(0).contains(QLatin1String("not a network address")));
        QVERIFY(p.reasons.at(2).contains(QLatin1String("the first is kept")));
        QVERIFY(p.reasons.at(3).contains(QLatin1String("#EXTINF without an address")));
    }

    void addressesAreHandedOnAsWritten()
    {
        const ListenerList::Parsed p = ListenerList::parse(
            "HTTP://Radio.Example.net/AoVivo?x=1&y=%20\nhttp://a.example/sem t\xC3\xADtulo\n");
        QCOMPARE(p.rows.size(), 2);
        QCOMPARE(p.rows.at(0).address, QStringLiteral("HTTP://Radio.Example.net/AoVivo?x=1&y=%20"));
        QCOMPARE(p.rows.at(1).address, QStringLiteral("http://a.example/sem t\u00edtulo"));
        QCOMPARE(p.rows.at(1).text, p.rows.at(1).address);
    }

    void wholeFileSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "empty";
        QTest::newRow("blank lines") << QByteArray("\n \r\n\t\n") << "empty";
        QTest::newRow("only a BOM") << QByteArray("\xEF\xBB\xBF") << "empty";
        QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                   << "binary data, not a text file";
        QTest::newRow("Latin-1") << QByteArray("#EXTINF:-1,R\xe1"
                                               "dio\nhttp://a.example/\n")
                                 << "not UTF-8 text";
        QByteArray big = plainEntries(3);
        big += QByteArray(ListenerList::maxBytes + 1 - big.size(), '\n');
        QTest::newRow("32 MiB and a byte") << big << "larger than 32 MiB";
        QTest::newRow("no valid entry")
            << QByteArray("#EXTM3U\n#EXTINF:-1,X\nfile:///x.mp3\nsmb://nas/r\n") << "no valid entry";
        QTest::newRow("only comments") << QByteArray("#EXTM3U\n# nada\n") << "no valid entry";
    }

    void wholeFileSetAside()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const ListenerList::Parsed p = ListenerList::parse(bytes);
        QVERIFY(p.rows.isEmpty());
        QVERIFY(!p.reasons.isEmpty());
        QCOMPARE(p.reasons.last(), reason);
    }

    void limits()
    {
#if !defined(__SANITIZE_ADDRESS__)
        // Exactly the most bytes is still read. (Some 33 million lines: the
        // sanitizer build would spend minutes on them and learn nothing the
        // entries below do not already show it.)
        QByteArray full = plainEntries(2);
        full += QByteArray(ListenerList::maxBytes - full.size(), '\n');
        QCOMPARE(ListenerList::parse(full).rows.size(), 2);
#endif

        const int n = ListenerList::maxRows;
        const ListenerList::Parsed most = ListenerList::parse(plainEntries(n));
        QCOMPARE(most.rows.size(), n);
        QVERIFY(most.reasons.isEmpty());
        QVERIFY(!most.cut);

        // Set-aside lines and duplicates do not count towards the most.
        const ListenerList::Parsed cut = ListenerList::parse("file:///x\n" + plainEntries(1)
                                                             + plainEntries(n + 1) + "http://z.example/\n");
        QCOMPARE(cut.rows.size(), n);
        QVERIFY(cut.cut);
        QCOMPARE(cut.rows.last().address, QStringLiteral("http://radio.example.net/%1").arg(n));
        QCOMPARE(cut.reasons.last(),
                 QStringLiteral("line %1: more than %2 entries; the rest is left out").arg(n + 3).arg(n));

        // A file of bad lines names the first few and counts the rest.
        QByteArray bad;
        for (int i = 0; i < 1000; ++i)
            bad += "musica/faixa.mp3\n";
        const ListenerList::Parsed none = ListenerList::parse(bad + plainEntries(1));
        QCOMPARE(none.rows.size(), 1);
        QCOMPARE(none.reasons.size(), 21);
        QVERIFY(none.reasons.at(19).startsWith(QLatin1String("line 20: not a network address")));
        QCOMPARE(none.reasons.last(), QStringLiteral("980 more lines left out"));
    }

    void writesBackWhatItDoesNotUnderstand()
    {
        const QByteArray file
            = "\xEF\xBB\xBF#EXTM3U x-tvg-url=\"http://g.example/a.xml,http://g.example/b.xml\" "
              "url-tvg=\"http://g.example/c.xml\" catchup=\"shift\"\r\n"
              "# lista da Ana\r\n"
              "#EXTINF:-1 tvg-id=\"c1\" tvg-name=\"Um HD\" tvg-logo=\"http://l.example/1.png\" "
              "group-title=\"Not\xC3\xAD"
              "cias;Brasil\" radio=\"true\" x-novo=\"?\",Canal Um\r\n"
              "#EXTVLCOPT:http-user-agent=Agente/1.0\r\n"
              "#EXTVLCOPT:http-referrer=http://portal.example/\r\n"
              "#EXTVLCOPT:network-caching=1000\r\n"
              "#KODIPROP:inputstream=adaptive\r\n"
              "http://tv.example/um.m3u8\r\n"
              "musica/local.mp3\n"
              "#EXTGRP:Filmes\n"
              "#EXTINF:0,Dois\n"
              "http://tv.example/dois|User-Agent=Outro%20Agente&Referer=http://r.example/\n"
              "# fim";
        const ListenerList::Parsed p = ListenerList::parse(file);
        QCOMPARE(p.rows.size(), 2);
        QCOMPARE(p.guides,
                 QStringList({"http://g.example/a.xml", "http://g.example/b.xml", "http://g.example/c.xml"}));
        const CatalogueEntry &um = p.rows.at(0);
        QCOMPARE(um.group, QStringLiteral("Not\u00edcias;Brasil"));
        QCOMPARE(um.userAgent, QStringLiteral("Agente/1.0"));
        QCOMPARE(um.referrer, QStringLiteral("http://portal.example/"));
        const CatalogueEntry &dois = p.rows.at(1);
        QCOMPARE(dois.address, QStringLiteral("http://tv.example/dois"));
        QCOMPARE(dois.group, QStringLiteral("Filmes"));
        QCOMPARE(dois.userAgent, QStringLiteral("Outro Agente"));
        QCOMPARE(dois.referrer, QStringLiteral("http://r.example/"));
        QCOMPARE(p.skipped, 1);

        // Unchanged: the very bytes.
        QCOMPARE(ListenerList::write(p), file);

        // Renamed, moved and one made here: the other lines stay as written.
        ListenerList::Parsed edited = p;
        edited.rows = {dois,
                       ListenerList::renamed(um, QStringLiteral("Canal \x01Um Novo")),
                       {QStringLiteral("Nova"), QStringLiteral("https://n.example/")}};
        const QByteArray out = ListenerList::write(edited);
        QVERIFY(out.contains("x-novo=\"?\",Canal Um Novo\r\n#EXTVLCOPT:http-user-agent=Agente/1.0\r\n"));
        QVERIFY(out.contains("#KODIPROP:inputstream=adaptive\r\n"));
        QVERIFY(out.endsWith("# fim"));
        const ListenerList::Parsed again = ListenerList::parse(out);
        QCOMPARE(texts(again.rows),
                 QStringList({"Dois -> http://tv.example/dois", "Canal Um Novo -> http://tv.example/um.m3u8",
                              "Nova -> https://n.example/"}));
        QCOMPARE(again.rows.at(1).referrer, um.referrer);
        QCOMPARE(again.guides, p.guides);
    }

    void savingNeverLosesTheListenersFile()
    {
        const QString folder = dir.filePath(QStringLiteral("save"));
        QVERIFY(QDir().mkpath(folder));
        if (::geteuid() == 0) {
            // A full disk: a tiny file system of the test's own.
            QVERIFY(::unshare(CLONE_NEWNS) == 0);
            QVERIFY(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
            QVERIFY(::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k") == 0);
        }
        auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH); });
        const QString path = folder + QStringLiteral("/canais.m3u");
        const QByteArray old = "#EXTM3U\n#EXTINF:-1,Um\nhttp://a.example/1\n";
        write(QStringLiteral("save/canais.m3u"), old);
        ListenerList::Stamp stamp = ListenerList::stampOf(path);
        QVERIFY(stamp.exists);

        const ListenerList::Saved small = ListenerList::save(path, old + "http://a.example/2\n", stamp);
        QCOMPARE(small.outcome, ListenerList::Saved::Done);
        QVERIFY(small.stamp != stamp);
        stamp = small.stamp;

        // Too big for the disk (or, not being root, a folder that cannot be written).
        if (::geteuid() != 0)
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const ListenerList::Saved failed = ListenerList::save(path, QByteArray(1024 * 1024, '#'), stamp);
        QCOMPARE(failed.outcome, ListenerList::Saved::Failed);
        QVERIFY(!failed.error.isEmpty());
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), old + "http://a.example/2\n");
        kept.close();
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        // Another editor wrote it meanwhile: not overwritten.
        write(QStringLiteral("save/canais.m3u"), "#EXTM3U\nhttp://outro.example/\n");
        QCOMPARE(ListenerList::save(path, old, stamp).outcome, ListenerList::Saved::Conflict);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("#EXTM3U\nhttp://outro.example/\n"));
    }

    void looksInTheConfigurationFolders()
    {
        const QByteArray oldHome = qgetenv("XDG_CONFIG_HOME");
        const QByteArray oldDirs = qgetenv("XDG_CONFIG_DIRS");
        auto restore = qScopeGuard([&] {
            qputenv("XDG_CONFIG_HOME", oldHome);
            qputenv("XDG_CONFIG_DIRS", oldDirs);
        });
        const QString home = dir.filePath(QStringLiteral("cfg-home"));
        const QString sys1 = dir.filePath(QStringLiteral("cfg-sys1"));
        const QString sys2 = dir.filePath(QStringLiteral("cfg-sys2"));
        for (const QString &d : {home, sys1, sys2})
            QVERIFY(QDir().mkpath(d));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(sys1 + u':' + sys2));

        QCOMPARE(ListenerList::locate(), QString());
        // A folder of that name is no list.
        QVERIFY(QDir().mkpath(sys1 + QStringLiteral("/breloplayer/canais.m3u")));
        QCOMPARE(ListenerList::locate(), QString());
        const QString system = write(QStringLiteral("cfg-sys2/breloplayer/canais.m3u"), plainEntries(1));
        QCOMPARE(ListenerList::locate(), system);
        const QString own = write(QStringLiteral("cfg-home/breloplayer/canais.m3u"), plainEntries(1));
        QCOMPARE(ListenerList::locate(), own);
    }

    void loadsOnlyAReadableFile()
    {
        const QString good = write(QStringLiteral("load/good.m3u"), "#EXTINF:-1,Um\nhttp://a.example/1\n");
        QCOMPARE(texts(ListenerList::load(good).rows),
                 QStringList{QStringLiteral("Um -> http://a.example/1")});

        QVERIFY(ListenerList::load(QString()).rows.isEmpty());
        QVERIFY(ListenerList::load(dir.filePath(QStringLiteral("load/absent.m3u"))).rows.isEmpty());
        QVERIFY(ListenerList::load(dir.filePath(QStringLiteral("load"))).rows.isEmpty());
        // Valid entries, but far too much of them to read.
        QByteArray huge;
        while (huge.size() <= 2 * ListenerList::maxBytes)
            huge += plainEntries(5000);
        QVERIFY(ListenerList::load(write(QStringLiteral("load/huge.m3u"), huge)).rows.isEmpty());

        if (::geteuid() != 0) {
            QFile locked(write(QStringLiteral("load/locked.m3u"), plainEntries(1)));
            QVERIFY(locked.setPermissions(QFileDevice::WriteOwner));
            QVERIFY(ListenerList::load(locked.fileName()).rows.isEmpty());
        }
    }

    void loaderHandsOverAReadyList()
    {
        const QList<CatalogueEntry> rows = {{QStringLiteral("Um"), QStringLiteral("http://a.example/1")}};
        ListenerListLoader loader([rows] { return rows; });
        QSignalSpy ready(&loader, &ListenerListLoader::ready);
        const auto taken = loader.takeWithin(5s);
        QVERIFY(taken.has_value());
        QCOMPARE(texts(*taken), texts(rows));
        // Taken at once: nothing follows.
        QTest::qWait(200);
        QCOMPARE(ready.count(), 0);
    }

    void loaderDeliversASlowListLater()
    {
        QSemaphore go;
        ListenerListLoader loader([&go] {
            go.acquire();
            return QList<CatalogueEntry>{{QStringLiteral("Dois"), QStringLiteral("http://a.example/2")}};
        });
        QSignalSpy ready(&loader, &ListenerListLoader::ready);
        QVERIFY(!loader.takeWithin(5ms).has_value());
        go.release();
        QVERIFY(ready.wait(5000));
        QCOMPARE(ready.count(), 1);
        QCOMPARE(texts(ready.at(0).at(0).value<QList<CatalogueEntry>>()),
                 QStringList{QStringLiteral("Dois -> http://a.example/2")});
        QTest::qWait(100);
        QCOMPARE(ready.count(), 1);
    }

    void loaderGoneBeforeTheReadEnds()
    {
        auto go = std::make_shared<QSemaphore>();
        auto finished = std::make_shared<std::atomic_bool>(false);
        {
            ListenerListLoader loader([go, finished] {
                go->acquire();
                finished->store(true);
                return QList<CatalogueEntry>{
                    {QStringLiteral("Tr\u00eas"), QStringLiteral("http://a.example/3")}};
            });
        }
        go->release();
        QTRY_VERIFY(finished->load());
        // The read's end finds no loader and posts nothing.
        QTest::qWait(100);
    }
};

QTEST_GUILESS_MAIN(TestListenerList)
#include "test_listenerlist.moc"
