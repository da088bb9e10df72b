#include "catalogue/channelcatalogue.h"
#include "catalogue/listenerlistloader.h"
#include "media/mediaengine.h"
#include "player/principal.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

// The main window with a listener's own list: its rows replace the built-in
// ones and its row 1 starts, whether the list is in at creation or arrives
// later; a list that brings nothing leaves the built-in channels.
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
