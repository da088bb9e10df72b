#include "catalogue/channelcatalogue.h"
#include "media/mediaengine.h"
#include "player/principal.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

// Choosing a channel in the list hands its address to the engine, once per
// change, and leaves the keyboard focus on the engine.
class TestChannelSwitch : public QObject
{
    Q_OBJECT

    TFormPrincipal *w = nullptr;
    std::unique_ptr<QSignalSpy> writes;

    QStringList urlWrites() const { return TestSupport::writtenValues(*writes, QStringLiteral("URL")); }

    static QString address(int row) { return ChannelCatalogue::rows().at(row - 1).address; }

    // A channel picked again while it plays or connects is left alone; the
    // cases below that pick the playing channel again stop it first.
    void stopEngine()
    {
        w->PlayerBrelo->stop();
        QTRY_COMPARE(w->PlayerBrelo->status(), MediaEngine::Status::Stopped);
    }

    void chooseInPopup(int index)
    {
        QComboBox *combo = w->BreloCombo;
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(combo->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
    }

private slots:
    void initTestCase()
    {
        TestSupport::quietEngines();
        w = new TFormPrincipal;
        writes = std::make_unique<QSignalSpy>(w->PlayerBrelo, &MediaEngine::propertyWritten);
        QSignalSpy activated(w->BreloCombo, &QComboBox::activated);
        w->FormCreate();
        QCOMPARE(activated.count(), 0);
    }

    void firstChannelAtCreation()
    {
        QCOMPARE(urlWrites(), QStringList{address(1)});
        QCOMPARE(w->PlayerBrelo->URL(), address(1));
        QCOMPARE(w->BreloCombo->currentText(), QStringLiteral("TV Tambrel"));
        QCOMPARE(w->BreloCombo->count(), 58);
        QCOMPARE(w->BreloCombo->itemText(57), QString());
        QVERIFY(!w->BreloCombo->isEditable());

        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        writes->clear();
    }

    // The list drops down from itself, 20 rows at a time: below it when the
    // screen has room there, above it otherwise (the window's corner place).
    void popupDropsDownTwentyRows_data()
    {
        QTest::addColumn<bool>("atTop");
        QTest::newRow("window at the bottom corner: above the list") << false;
        QTest::newRow("window at the top: below the list") << true;
    }

    void popupDropsDownTwentyRows()
    {
        QFETCH(bool, atTop);
        if (atTop) {
            w->move(200, 0);
            QTRY_COMPARE(w->pos().y(), 0);
        }
        QComboBox *combo = w->BreloCombo;
        combo->showPopup();
        QAbstractItemView *view = combo->view();
        QWidget *popup = view->window();
        QTRY_VERIFY(popup->isVisible());
        QTest::qWait(50);

        const int first = view->indexAt(QPoint(2, 1)).row();
        const int last = view->indexAt(QPoint(2, view->viewport()->height() - 2)).row();
        const QRect list(combo->mapToGlobal(QPoint(0, 0)), combo->size());
        const QRect drop = popup->frameGeometry();
        combo->hidePopup();
        QTRY_VERIFY(!popup->isVisible());

        QCOMPARE(last - first + 1, 20);
        QVERIFY2(drop.height() < 24 * view->sizeHintForRow(0),
                 qPrintable(QStringLiteral("popup %1 px high").arg(drop.height())));
        if (atTop)
            QVERIFY2(drop.top() >= list.bottom() - 1,
                     qPrintable(
                         QStringLiteral("popup top %1, list bottom %2").arg(drop.top()).arg(list.bottom())));
        else
            QVERIFY2(drop.bottom() <= list.top() + 1,
                     qPrintable(
                         QStringLiteral("popup bottom %1, list top %2").arg(drop.bottom()).arg(list.top())));
        QVERIFY(urlWrites().isEmpty());
    }

    void lastRowWritesExactlyItsAddress()
    {
        chooseInPopup(56);
        QCOMPARE(urlWrites(), QStringList{address(57)});
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->PlayerBrelo));
        writes->clear();
    }

    void emptyItemWritesNothing()
    {
        chooseInPopup(57);
        QCOMPARE(w->BreloCombo->currentText(), QString());
        QVERIFY(urlWrites().isEmpty());
        QCOMPARE(w->PlayerBrelo->URL(), address(57));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->PlayerBrelo));
        writes->clear();
    }

    void arrowKeySwitchesAtOnceAndMovesFocus()
    {
        {
            const QSignalBlocker quiet(w->BreloCombo);
            w->BreloCombo->setCurrentIndex(0);
        }
        w->BreloCombo->setFocus();
        QTRY_VERIFY(w->BreloCombo->hasFocus());
        QTest::keyClick(w->BreloCombo, Qt::Key_Down);
        QCOMPARE(urlWrites(), QStringList{address(2)});
        QCOMPARE(w->BreloCombo->currentIndex(), 1);
        QTRY_VERIFY(w->PlayerBrelo->hasFocus());

        // The second key goes to the engine, not to the list.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(w->BreloCombo->currentIndex(), 1);
        QCOMPARE(urlWrites().size(), 1);
        writes->clear();
    }

    void typeAheadPicksFirstMatchInEitherCase()
    {
        stopEngine();
        {
            const QSignalBlocker quiet(w->BreloCombo);
            w->BreloCombo->setCurrentIndex(0);
        }
        w->BreloCombo->setFocus();
        QTRY_VERIFY(w->BreloCombo->hasFocus());
        QTest::keyClicks(w->BreloCombo, QStringLiteral("r"));
        QCOMPARE(w->BreloCombo->currentText(), QStringLiteral("Radio Tambrel"));
        QCOMPARE(urlWrites(), QStringList{address(2)});
        QTRY_VERIFY(w->PlayerBrelo->hasFocus());
        writes->clear();
    }

    // Counted from the top whatever row is selected, not from the next one.
    void typeAheadSearchesFromTheTop()
    {
        stopEngine();
        QTest::qWait(QApplication::keyboardInputInterval() + 50);  // a new search
        {
            const QSignalBlocker quiet(w->BreloCombo);
            w->BreloCombo->setCurrentIndex(4);
        }
        w->BreloCombo->setFocus();
        QTRY_VERIFY(w->BreloCombo->hasFocus());
        QTest::keyClicks(w->BreloCombo, QStringLiteral("r"));
        QCOMPARE(w->BreloCombo->currentIndex(), 1);
        QCOMPARE(urlWrites(), QStringList{address(2)});
        writes->clear();

        // The same letter again finds the same first row: nothing changes,
        // where a search from the next row would move on to row 3.
        w->BreloCombo->setFocus();
        QTRY_VERIFY(w->BreloCombo->hasFocus());
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        QTest::keyClicks(w->BreloCombo, QStringLiteral("R"));
        QCOMPARE(w->BreloCombo->currentIndex(), 1);
        QVERIFY(urlWrites().isEmpty());
    }

    void leavingTheListFocusesTheWindow()
    {
        w->BreloCombo->setFocus();
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w->BreloCombo, &leave);
        // The window is active already: the focus stays where it was.
        QVERIFY(w->BreloCombo->hasFocus());
        QVERIFY(urlWrites().isEmpty());
    }
};

QTEST_MAIN(TestChannelSwitch)
#include "test_channelswitch.moc"
