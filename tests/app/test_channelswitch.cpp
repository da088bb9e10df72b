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
        QCOMPARE(w->BreloCombo->maxVisibleItems(), 20);
        QVERIFY(!w->BreloCombo->isEditable());

        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        writes->clear();
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
