#include "catalogue/channelcatalogue.h"
#include "catalogue/channelstore.h"
#include "catalogue/listenerlistloader.h"
#include "channels/formcanais.h"
#include "channels/listimport.h"
#include "media/mediaengine.h"
#include "player/principal.h"
#include "support/streamserver.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

// The main window with a listener's own list: its rows replace the built-in
// ones and its row 1 starts, whether the list is in at creation or arrives
// later; a list that brings nothing leaves the built-in channels. Lists
// imported in the Canais window, and what is refused there.
class TestOwnListWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<TFormPrincipal> w;
    std::unique_ptr<QSignalSpy> writes;

    const QList<CatalogueEntry> own = {
        {QStringLiteral("Minha R\u00e1dio"), QStringLiteral("http://127.0.0.1:9/minha")},
        {QStringLiteral("Outra"), QStringLiteral("rtsp://127.0.0.1:9/outra")},
    };

    QStringList urlWrites() const { return TestSupport::writtenValues(*writes, QStringLiteral("URL")); }

    void create(ListenerListLoader::Read read)
    {
        w = std::make_unique<TFormPrincipal>();
        writes = std::make_unique<QSignalSpy>(w->PlayerBrelo, &MediaEngine::propertyWritten);
        w->setChannelSource(new ListenerListLoader(std::move(read)));
        w->FormCreate();
    }

    static QByteArray entries(int count, const QByteArray &host = "tv.example")
    {
        QByteArray b;
        for (int i = 1; i <= count; ++i)
            b += "#EXTINF:-1 group-title=\"G" + QByteArray::number(i % 40) + "\",Canal "
                + QByteArray::number(i) + "\nhttp://" + host + "/" + QByteArray::number(i) + "\n";
        return b;
    }

    QStringList items() const
    {
        QStringList t;
        for (int i = 0; i < w->BreloCombo->count(); ++i)
            t << w->BreloCombo->itemText(i);
        return t;
    }

private slots:
    void initTestCase() { TestSupport::quietEngines(); }

    void cleanup()
    {
        writes.reset();
        w.reset();
    }

    void listInAtCreation()
    {
        create([this] { return own; });
        // The first channel reaches the engine from the event loop, which a
        // busy machine may not have turned yet.
        QTRY_COMPARE_WITH_TIMEOUT(urlWrites(), QStringList{own.at(0).address}, 10000);
        QCOMPARE(items(), QStringList({own.at(0).text, own.at(1).text, QString()}));
        QCOMPARE(w->BreloCombo->currentIndex(), 0);

        // The switch finds its rows in the listener's list.
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->BreloCombo->setFocus();
        QTRY_VERIFY(w->BreloCombo->hasFocus());
        QTest::keyClick(w->BreloCombo, Qt::Key_Down);
        QCOMPARE(urlWrites(), QStringList({own.at(0).address, own.at(1).address}));
    }

    void listArrivingLate()
    {
        auto go = std::make_shared<QSemaphore>();
        create([go, this] {
            go->acquire();
            return own;
        });
        // Nothing plays and nothing can be chosen until the list is in.
        QVERIFY(urlWrites().isEmpty());
        QCOMPARE(items(), QStringList{QString()});
        go->release();
        QTRY_COMPARE(urlWrites(), QStringList{own.at(0).address});
        QCOMPARE(items(), QStringList({own.at(0).text, own.at(1).text, QString()}));
        QCOMPARE(w->BreloCombo->currentIndex(), 0);
    }

    void editsReachTheCompactListAtOnce()
    {
        QTemporaryDir home;
        create([this] { return own; });
        QNetworkAccessManager network;
        ChannelStore store({}, home.filePath(QStringLiteral("canais.m3u")));
        TFormCanais canais(w->session(), &store, &network, w.get());
        canais.show();
        QVERIFY(QTest::qWaitForWindowExposed(&canais));
        canais.findChild<QLineEdit *>(QStringLiteral("NovoNome"))
            ->setText(QStringLiteral("Nova\tR\u00e1dio"));
        canais.findChild<QLineEdit *>(QStringLiteral("NovoEndereco"))
            ->setText(QStringLiteral("http://127.0.0.1:9/nova"));
        canais.findChild<QPushButton *>(QStringLiteral("Adicionar"))->click();
        QCOMPARE(items(),
                 QStringList({own.at(0).text, own.at(1).text, QStringLiteral("Nova R\u00e1dio"), QString()}));

        // The new row, chosen by Add, goes up past the others.
        auto *list = canais.findChild<QTreeView *>(QStringLiteral("Lista"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
        QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(items(),
                 QStringList({QStringLiteral("Nova R\u00e1dio"), own.at(0).text, own.at(1).text, QString()}));
        // The playing channel followed to its new row; removed, it goes on.
        QCOMPARE(w->BreloCombo->currentIndex(), 1);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(items(), QStringList({QStringLiteral("Nova R\u00e1dio"), own.at(1).text, QString()}));
        QCOMPARE(w->BreloCombo->currentIndex(), 2);
        QCOMPARE(urlWrites(), QStringList{own.at(0).address});
    }

    void anImportOf20000ReachesTheCompactList()
    {
        QTemporaryDir home;
        StreamServer server;
        QVERIFY(server.listen());
        server.addFile("/lista.m3u",
                       "#EXTM3U x-tvg-url=\"http://g.example/epg.xml\"\n" + entries(20000)
                           + "file:///etc/passwd\nsmb://nas/a\nmusica.mp3\n",
                       "audio/x-mpegurl");
        w = std::make_unique<TFormPrincipal>();
        QNetworkAccessManager network;
        const QString path = home.filePath(QStringLiteral("canais.m3u"));
        ChannelStore store({}, path);
        TFormCanais canais(w->session(), &store, &network, w.get());
        canais.findChild<QLineEdit *>(QStringLiteral("Origem"))->setText(server.url("/lista.m3u"));
        canais.findChild<QRadioButton *>(QStringLiteral("Substituir"))->setChecked(true);
        canais.findChild<QPushButton *>(QStringLiteral("Importar"))->click();

        QTRY_COMPARE_WITH_TIMEOUT(w->BreloCombo->count(), 20001, 30000);
        QCOMPARE(w->BreloCombo->itemText(19999), QStringLiteral("Canal 20000"));
        QCOMPARE(canais.findChild<QLabel *>(QStringLiteral("Aviso"))->text(),
                 QStringLiteral("20000 canais importados, 3 ignorados."));
        // Saved, guide and all.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 20000 * 30, 10000);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const ListenerList::Parsed back = ListenerList::parse(saved.readAll());
        QCOMPARE(back.rows.size(), 20000);
        QCOMPARE(back.guides, QStringList{"http://g.example/epg.xml"});
    }

    void whatIsNoListIsRefused_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("message");
        QTest::newRow("web page") << "/pagina"
                                  << "uma página da web";
        QTest::newRow("binary") << "/binario"
                                << "arquivo binário";
        QTest::newRow("empty answer") << "/vazio"
                                      << "resposta vazia";
        QTest::newRow("100 MiB") << "/enorme"
                                 << "mais de 32 MiB";
        QTest::newRow("never answers") << "/mudo"
                                       << "não respondeu a tempo";
        QTest::newRow("redirect loop") << "/laco"
                                       << "redireciona sem fim";
        QTest::newRow("100 000 entries") << "/demais"
                                         << "mais de 50000 canais";
        QTest::newRow("no network address") << "/locais"
                                            << "não são de rede";
    }

    void whatIsNoListIsRefused()
    {
        QFETCH(QString, route);
        QFETCH(QString, message);
        static StreamServer server;
        if (!server.port()) {
            QVERIFY(server.listen());
            server.addFile("/pagina", "<!DOCTYPE html>\n<html><body>\nhttp://a.example/x\n</body></html>",
                           "text/html");
            server.addFile("/binario", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "image/png");
            server.addFile("/vazio", QByteArray(), "audio/x-mpegurl");
            server.addFile("/enorme", QByteArray(100 * 1024 * 1024, '#'), "audio/x-mpegurl");
            server.addStream("/mudo", 440, StreamServer::Delivery::Hung);
            server.addRedirect("/laco", server.url("/laco"));
            server.addFile("/demais", entries(100000), "audio/x-mpegurl");
            server.addFile("/locais", "#EXTM3U\nfile:///etc/passwd\n/dev/dsp\n", "audio/x-mpegurl");
        }
        QNetworkAccessManager network;
        ListImport import(&network, 1500);
        QSignalSpy finished(&import, &ListImport::finished);
        QSignalSpy failed(&import, &ListImport::failed);
        import.start(server.url(route));
        QVERIFY(failed.wait(20000));
        QVERIFY2(failed.at(0).at(0).toString().contains(message), qPrintable(failed.at(0).at(0).toString()));
        QCOMPARE(finished.count(), 0);
    }

    void unusableListLateKeepsTheBuiltInChannels()
    {
        auto go = std::make_shared<QSemaphore>();
        create([go] {
            go->acquire();
            return QList<CatalogueEntry>{};
        });
        go->release();
        QTRY_COMPARE(urlWrites(), QStringList{ChannelCatalogue::rows().first().address});
        QCOMPARE(w->BreloCombo->count(), ChannelCatalogue::rows().size() + 1);
        QCOMPARE(w->BreloCombo->currentText(), ChannelCatalogue::rows().first().text);
    }
};

QTEST_MAIN(TestOwnListWindow)
#include "test_ownlist_window.moc"
