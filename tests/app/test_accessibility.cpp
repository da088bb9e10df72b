#include "menu/menutestmain.h"

#include "about/formsobre.h"
#include "app/windows.h"
#include "media/mediaengine.h"
#include "news/noticia.h"
#include "player/links.h"
#include "player/principal.h"
#include "support/testmedia.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>

// What a screen reader is told about the real windows: names, roles and
// states of the controls, the keyboard path through the engine's controls,
// and the events that announce a new channel and the engine's status.
class TestAccessibility : public QObject
{
    Q_OBJECT

    ProgramWindows m_windows;
    QList<QUrl> m_opened;

    struct Seen {
        QObject *object;
        QAccessible::Event type;
    };
    static inline QList<Seen> s_events;
    static void record(QAccessibleEvent *e) { s_events.append({e->object(), e->type()}); }
    // Where the event first came among those seen, or -1.
    static qsizetype seenAt(QObject *o, QAccessible::Event type)
    {
        const auto it = std::find_if(s_events.cbegin(), s_events.cend(),
                                     [&](const Seen &s) { return s.object == o && s.type == type; });
        return it == s_events.cend() ? -1 : it - s_events.cbegin();
    }
    static bool raised(QObject *o, QAccessible::Event type) { return seenAt(o, type) >= 0; }

    TFormPrincipal *w() const { return m_windows.main(); }
    TBrowseNoticia *news() const { return qobject_cast<TBrowseNoticia *>(m_windows.newsWindow()); }
    MediaEngine *engine() const { return w()->PlayerBrelo; }
    template<typename T> T *engineControl(const char *name) const
    {
        auto *c = engine()->findChild<T *>(QLatin1String(name));
        Q_ASSERT(c);
        return c;
    }

    static QAccessibleInterface *iface(QObject *o)
    {
        QAccessibleInterface *i = QAccessible::queryAccessibleInterface(o);
        Q_ASSERT(i);
        return i;
    }

    void activate()
    {
        w()->showNormal();
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
    }

private slots:
    void initTestCase()
    {
        Links::setOpener([this](const QUrl &url) { m_opened.append(url); });
        // Qt raises no accessibility event at all until its bridge is on,
        // which takes an accessibility bus saying a screen reader runs
        // (tests/app/atspi_session.sh gives the test both).
        QTRY_VERIFY2_WITH_TIMEOUT(QAccessible::isActive(), "Qt's accessibility bridge did not turn on",
                                  10000);
        QAccessible::installUpdateHandler(&TestAccessibility::record);
        m_windows.create();
        m_windows.createNews([](QWidget *parent) { return new TBrowseNoticia(parent); });
        w()->show();
        activate();
    }

    void cleanupTestCase()
    {
        QAccessible::installUpdateHandler(nullptr);
        Links::setOpener({});
    }

    void namesAndRoles_data()
    {
        QTest::addColumn<QObject *>("control");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");

        auto row = [](const char *tag, QObject *o, QAccessible::Role r, const QString &n) {
            QTest::newRow(tag) << o << int(r) << n;
        };
        row("main window", w(), QAccessible::Window, QStringLiteral("Brelo Player 1.6"));
        row("menu button", w()->btnMenu, QAccessible::Button, QStringLiteral("Menu"));
        // Qt names a list after the channel it shows; its label comes apart.
        row("channel list", w()->BreloCombo, QAccessible::ComboBox, QStringLiteral("TV Tambrel"));
        row("play/pause", engineControl<QToolButton>("playPauseButton"), QAccessible::Button, QString());
        row("stop", engineControl<QToolButton>("stopButton"), QAccessible::Button, QStringLiteral("Parar"));
        // A button that stays pressed, not a check box.
        row("mute", engineControl<QToolButton>("muteButton"), QAccessible::Button, QStringLiteral("Sem som"));
        row("volume", engineControl<QSlider>("volumeSlider"), QAccessible::Slider, QStringLiteral("Volume"));
        row("position", engineControl<QSlider>("positionSlider"), QAccessible::Slider,
            QStringLiteral("Posição"));
        row("update label", w()->Label1, QAccessible::Link,
            QStringLiteral("Verifique sempre se há uma nova versão!"));
        TBrowseNoticia *newsWindow = news();
        row("news back", newsWindow->btnvoltar, QAccessible::Button, QStringLiteral("Voltar"));
        row("news forward", newsWindow->btnavancar, QAccessible::Button, QStringLiteral("Avançar"));
        row("news reload", newsWindow->btnAtualizar, QAccessible::Button, QStringLiteral("Atualizar"));
        row("news close", newsWindow->BtnSair, QAccessible::Button, QStringLiteral("Fechar"));
        auto *aboutLink = m_windows.about()->findChild<QLabel *>(QStringLiteral("LinkLabel1"));
        row("about link", aboutLink, QAccessible::Link, QString());
    }

    void namesAndRoles()
    {
        QFETCH(QObject *, control);
        QFETCH(int, role);
        QFETCH(QString, name);
        QAccessibleInterface *i = iface(control);
        QCOMPARE(int(i->role()), role);
        const QString spoken = i->text(QAccessible::Name);
        if (name.isEmpty())
            QVERIFY2(!spoken.trimmed().isEmpty(), "no accessible name");
        else
            QCOMPARE(spoken, name);
        // Anything a user can press or move also says what it is for.
        if ((role != QAccessible::Link && role != QAccessible::Window) || control == w()->Label1)
            QVERIFY2(!i->text(QAccessible::Description).trimmed().isEmpty(), "no description");
    }

    // Qt names a list after the item it shows: what the list is for comes
    // from its label.
    void listsAreLabelled_data()
    {
        QTest::addColumn<QObject *>("list");
        QTest::addColumn<QString>("label");
        QTest::newRow("channels") << static_cast<QObject *>(w()->BreloCombo)
                                  << QStringLiteral("Lista de canais");
        QTest::newRow("news sites") << static_cast<QObject *>(news()->BrowseCombo)
                                    << QStringLiteral("Opções:");
    }

    void listsAreLabelled()
    {
        QFETCH(QObject *, list);
        QFETCH(QString, label);
        const auto labels = iface(list)->relations(QAccessible::Label);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first().first->text(QAccessible::Name), label);
    }

    // Whatever can be pressed, moved or chosen in the main window has a
    // name, so a control added later without one shows up here. The opened
    // list is a window of its own, whose scroll bars Qt names.
    void everyMainWindowControlIsNamed()
    {
        const auto widgets = w()->findChildren<QWidget *>();
        for (QWidget *c : widgets) {
            if (!qobject_cast<QAbstractButton *>(c) && !qobject_cast<QAbstractSlider *>(c)
                && !qobject_cast<QComboBox *>(c) && c != engine())
                continue;
            if (c->window() != w())
                continue;
            QVERIFY2(!iface(c)->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(c->objectName()));
        }
    }

    void aboutLinkReadsItsAddress()
    {
        auto *link = m_windows.about()->findChild<QLabel *>(QStringLiteral("LinkLabel1"));
        QAccessibleInterface *i = iface(link);
        QVERIFY(i->text(QAccessible::Name).startsWith(QLatin1String("http")));
        QVERIFY(!i->text(QAccessible::Name).contains(QLatin1Char('<')));
        QVERIFY(i->state().focusable);
        QVERIFY(i->actionInterface());
        QVERIFY(i->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }

    void muteExposesItsPressedState()
    {
        auto *mute = engineControl<QToolButton>("muteButton");
        QAccessibleInterface *i = iface(mute);
        QVERIFY(i->state().checkable);
        QVERIFY(!i->state().checked);
        s_events.clear();
        i->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(engine()->muted());
        QVERIFY(i->state().checked);
        QVERIFY(i->state().pressed);
        QVERIFY(raised(mute, QAccessible::StateChanged));
        i->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!engine()->muted());
        QVERIFY(!i->state().checked);
    }

    void modeItemsExposeTheirCheck()
    {
        QMenu *menu = w()->PopupMenu;
        QAccessibleInterface *m = iface(menu);
        QAccessibleInterface *normal = nullptr;
        QAccessibleInterface *news = nullptr;
        for (int k = 0; k < m->childCount(); ++k) {
            QAccessibleInterface *c = m->child(k);
            if (c->object() == w()->ModoNormal1)
                normal = c;
            if (c->object() == w()->BrowserNoticias1)
                news = c;
        }
        QVERIFY(normal && news);
        QCOMPARE(normal->role(), QAccessible::MenuItem);
        QVERIFY(normal->state().checkable);
        QVERIFY(!news->state().checkable);
        const bool before = w()->ModoNormal1->isChecked();
        QCOMPARE(bool(normal->state().checked), before);
        w()->ModoNormal1->setChecked(!before);
        QCOMPARE(bool(normal->state().checked), !before);
        w()->ModoNormal1->setChecked(before);
    }

    QList<QWidget *> tabWalk(qsizetype steps)
    {
        engine()->setFocus();
        [&] { QTRY_VERIFY(engine()->hasFocus()); }();
        QList<QWidget *> walked;
        for (qsizetype k = 0; k < steps; ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked.append(QApplication::focusWidget());
            if (!walked.last() || !iface(walked.last())->state().focused)
                break;
        }
        return walked;
    }

    // Tab walks from the engine through its controls and on to the list,
    // the menu button and, where it shows, the update link, then back to
    // the engine; the keys work the controls.
    void keyboardWalksTheEngine()
    {
        activate();
        QWidget *play = engineControl<QWidget>("playPauseButton");
        QWidget *stop = engineControl<QWidget>("stopButton");
        QWidget *mute = engineControl<QWidget>("muteButton");
        QWidget *volume = engineControl<QWidget>("volumeSlider");
        // Normal: the compact controls, no update label.
        w()->ModoNormal1Click();
        QCOMPARE(tabWalk(6), (QList<QWidget *>{play, stop, mute, w()->BreloCombo, w()->btnMenu, engine()}));
        // Extended: the volume, and the update label after the menu button.
        w()->ModoMaior1Click();
        QCOMPARE(tabWalk(8),
                 (QList<QWidget *>{play, stop, mute, volume, w()->BreloCombo, w()->btnMenu, w()->Label1,
                                   engine()}));

        mute->setFocus();
        QTest::keyClick(mute, Qt::Key_Space);
        QVERIFY(engine()->muted());
        QTest::keyClick(mute, Qt::Key_Space);
        QVERIFY(!engine()->muted());

        volume->setFocus();
        QTest::keyClick(volume, Qt::Key_Left);
        QCOMPARE(engine()->volume(), 99);
        QTest::keyClick(volume, Qt::Key_Right);
        QCOMPARE(engine()->volume(), 100);

        m_opened.clear();
        w()->Label1->setFocus();
        QTest::keyClick(w()->Label1, Qt::Key_Return);
        QCOMPARE(m_opened, QList<QUrl>{Links::downloadPage()});
        iface(w()->Label1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_opened.size(), 2);
        w()->ModoNormal1Click();
    }

    // The position slider answers the keyboard as the mouse: End on a
    // recording seeks to its end, which the engine then reports.
    void positionKeysSeek()
    {
        activate();
        const QByteArray sound = TestMedia::encode(TestMedia::Codec::Mp3, 440, 30);
        if (sound.isEmpty())
            QSKIP("the library cannot encode MP3 here");
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("tom.mp3")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(sound) == sound.size());
        file.close();
        w()->ModoMaior1Click();
        auto *position = engineControl<QSlider>("positionSlider");
        engine()->setURL(QUrl::fromLocalFile(file.fileName()).toString());
        QTRY_VERIFY_WITH_TIMEOUT(engine()->status() == MediaEngine::Status::Playing && position->isEnabled(),
                                 10000);
        position->setFocus();
        QTRY_VERIFY(position->hasFocus());
        QTest::keyClick(position, Qt::Key_End);
        // Thirty seconds of sound end within a few only if the key sought.
        QTRY_COMPARE_WITH_TIMEOUT(engine()->reason(), MediaEngine::Reason::BroadcastEnded, 5000);
        w()->ModoNormal1Click();
    }

    // The list hands the focus on to the engine at once, so the engine's
    // name, changed before the focus arrives, is what tells the listener
    // which channel now plays; the list itself reports its new value too.
    void keyboardChoiceIsAnnounced()
    {
        activate();
        QComboBox *combo = w()->BreloCombo;
        QSignalBlocker quiet(combo);
        combo->setCurrentIndex(0);
        quiet.unblock();
        combo->setFocus();
        QTRY_VERIFY(combo->hasFocus());
        s_events.clear();
        QTest::keyClick(combo, Qt::Key_Down);
        const QString second = combo->itemText(1);
        QCOMPARE(combo->currentText(), second);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(engine()));
        QAccessibleInterface *panel = iface(engine());
        QVERIFY2(panel->text(QAccessible::Name).contains(second), qPrintable(panel->text(QAccessible::Name)));
        QVERIFY(raised(combo, QAccessible::ValueChanged));
        const qsizetype named = seenAt(engine(), QAccessible::NameChanged);
        const qsizetype focused = seenAt(engine(), QAccessible::Focus);
        QVERIFY(named >= 0 && focused >= 0);
        QVERIFY2(named < focused, "the focus arrived before the new name");

        // The empty item plays on the channel before: the name keeps it.
        combo->setFocus();
        QTRY_VERIFY(combo->hasFocus());
        QTest::keyClick(combo, Qt::Key_End);
        QCOMPARE(combo->currentText(), QString());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(engine()));
        QCOMPARE(panel->text(QAccessible::Name), QStringLiteral("Reprodutor: %1").arg(second));
    }

    // A stream's progress (connecting, playing, failing) reaches the reader
    // both on the status label and on the engine, where the focus rests.
    // The compact controls shorten and elide the label; its name is whole.
    void statusChangesAreAnnounced()
    {
        auto *status = engine()->findChild<QLabel *>(QStringLiteral("statusLabel"));
        QVERIFY(status);
        s_events.clear();
        QSignalSpy changed(engine(), &MediaEngine::statusChanged);
        engine()->setURL(QStringLiteral("http://127.0.0.1:9/nada"));
        QTRY_VERIFY(!changed.isEmpty());
        const QString text = changed.last().at(1).toString();
        QVERIFY(!text.isEmpty());
        QCOMPARE(iface(status)->text(QAccessible::Name), text);
        QVERIFY(raised(status, QAccessible::NameChanged));
        QCOMPARE(iface(engine())->text(QAccessible::Description), text);
        QVERIFY(raised(engine(), QAccessible::DescriptionChanged));
    }
};

BRELO_WINDOW_TEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
