#include "menutestmain.h"

#include "about/formsobre.h"
#include "app/windows.h"
#include "news/noticia.h"
#include "platform/errors.h"
#include "platform/trayicon.h"
#include "player/balloonhint.h"
#include "player/links.h"
#include "player/menustyle.h"
#include "player/principal.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

// The context menu of the real main window: its items, how it opens, its
// keys and the commands it runs. The About and news windows are observed on
// screen and closed again; the desktop opener and the error box are doubles.
class TestContextMenu : public QObject
{
    Q_OBJECT

    QList<QUrl> m_opened;
    QStringList m_errors;
    ProgramWindows m_windows;

    TFormPrincipal *w() const { return m_windows.main(); }
    TBrowseNoticia *news() const { return qobject_cast<TBrowseNoticia *>(m_windows.newsWindow()); }
    QMenu *menu() const { return m_windows.main()->PopupMenu; }

    void movePointer(const QPoint &global)
    {
        QCursor::setPos(global);
        QTRY_COMPARE_WITH_TIMEOUT(QCursor::pos(), global, 2000);
    }

    // Runs `act` and tells whether `dialog` came up modally meanwhile; the
    // dialog is closed again.
    bool cameUpModal(QDialog *dialog, const std::function<void()> &act)
    {
        bool seen = false;
        QTimer::singleShot(300, dialog, [&] {
            seen = dialog->isVisible() && QApplication::activeModalWidget() == dialog;
            dialog->reject();
        });
        act();
        QTest::qWait(400);
        return seen;
    }

    void closeMenu()
    {
        menu()->hide();
        QTRY_VERIFY(!menu()->isVisible());
    }

    // Back to a shown, active window in its place, whatever a mode command
    // did to it.
    void restoreWindow()
    {
        closeMenu();
        if (w()->isMinimized() || !w()->isVisible())
            QTest::qWait(400);  // the window manager's answer to a minimise comes late
        w()->showNormal();
        w()->move(300, 100);
        // A showing places the window at the corner and holds that place
        // for a moment while the window manager takes it in: move it again
        // after that, or it may jump back from under the test's pointer.
        QTest::qWait(400);
        w()->move(300, 100);
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        QTRY_VERIFY(w()->isVisible() && !w()->isMinimized() && w()->isActiveWindow());
        QTest::qWait(50);
    }

    // Right edge at the point, top at it — or bottom, when the screen has
    // no room below; pushed right when the screen has no room at the left.
    void verifyMenuAt(const QPoint &at)
    {
        const QRect g = menu()->geometry();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(g.x(), qMax(screen.left(), at.x() - g.width()));
        if (at.y() + g.height() <= screen.bottom() + 1)
            QCOMPARE(g.y(), at.y());
        else
            QCOMPARE(g.bottom() + 1, at.y());
    }

    void key(QWidget *target, int k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        QTest::keyClick(target, Qt::Key(k), mods);
    }

private slots:
    void initTestCase()
    {
        Errors::setErrorReporter([this](const QString &text) { m_errors.append(text); });
        Links::setOpener([this](const QUrl &url) { m_opened.append(url); });
        movePointer(QPoint(600, 700));
        m_windows.create();
        m_windows.createNews([](QWidget *parent) { return new TBrowseNoticia(parent); });
        w()->show();
        restoreWindow();
    }

    void cleanupTestCase()
    {
        closeMenu();
        Links::setOpener({});
        Errors::setErrorReporter({});
    }

    void init()
    {
        // A failed case may have left the menu open or the window hidden.
        if (menu()->isVisible() || !w()->isVisible())
            restoreWindow();
        m_opened.clear();
        m_errors.clear();
    }

    void items()
    {
        struct Row {
            QAction *action;
            const char *name;
            QString caption;
            QKeySequence keys;
            int picture;
            bool check;
        };
        // A separator has picture -1; an item without one, this.
        constexpr int kNoPicture = -2;
        const QList<Row> rows = {
            {w()->ModoNormal1, "ModoNormal1", "Modo &Normal", QKeySequence("Ctrl+N"), 0, true},
            {w()->ModoMaior1, "ModoMaior1", "Modo &Extendido", QKeySequence("Ctrl+E"), 1, true},
            {w()->ModoTelaCheia1, "ModoTelaCheia1", "Modo &Fullscreen", QKeySequence(), 2, true},
            {w()->ModoRdio1, "ModoRdio1", "Modo &Rádio", QKeySequence("Ctrl+R"), 3, true},
            {w()->N2, "N2", QString(), QKeySequence(), -1, false},
            {w()->BrowserNoticias1, "BrowserNoticias1", "&Browser Noticias", QKeySequence("Ctrl+B"), 6,
             false},
            {w()->Canais1, "Canais1", "&Canais\u2026", QKeySequence("Ctrl+L"), kNoPicture, false},
            {w()->N1, "N1", QString(), QKeySequence(), -1, false},
            {w()->Ajuda1, "Ajuda1", "&Ajuda", QKeySequence("F1"), 4, false},
            {w()->Configurar, "Configurar", "S&obre", QKeySequence("Ctrl+S"), 5, false},
            {w()->N3, "N3", QString(), QKeySequence(), -1, false},
            {w()->Encerrar1, "Encerrar1", "&Sair", QKeySequence("Ctrl+X"), 7, false},
        };
        const QList<QAction *> actions = menu()->actions();
        QCOMPARE(actions.size(), rows.size());
        QCOMPARE(w()->imgpopup.size(), 8);
        for (int i = 0; i < rows.size(); ++i) {
            const Row &r = rows.at(i);
            QAction *a = actions.at(i);
            QCOMPARE(a, r.action);
            QCOMPARE(a->objectName(), QLatin1String(r.name));
            QCOMPARE(a->isSeparator(), r.picture == -1);
            QCOMPARE(a->text(), r.caption);
            QCOMPARE(a->shortcut(), r.keys);
            QCOMPARE(a->isCheckable(), r.check);
            QVERIFY(!a->isChecked());
            QVERIFY(a->isEnabled());
            QVERIFY(!a->actionGroup());
            if (r.picture >= 0) {
                QCOMPARE(w()->imgpopup.at(r.picture).size(), QSize(22, 22));
                QVERIFY(w()->imgpopup.at(r.picture).hasAlphaChannel());
                QCOMPARE(a->icon().pixmap(22, 22).toImage().convertToFormat(QImage::Format_ARGB32),
                         w()->imgpopup.at(r.picture).toImage().convertToFormat(QImage::Format_ARGB32));
            }
            if (r.picture == kNoPicture)
                QVERIFY(a->icon().isNull());
        }
        // Eight distinct pictures.
        for (int i = 0; i < 8; ++i)
            for (int j = i + 1; j < 8; ++j)
                QVERIFY(w()->imgpopup.at(i).toImage() != w()->imgpopup.at(j).toImage());
        // The key names are shown at the right of the captions.
        QVERIFY(w()->Configurar->isShortcutVisibleInContextMenu());
    }

    void menuButtonPicture()
    {
        const QPixmap pix = w()->btnMenu->icon().pixmap(16, 16);
        QCOMPARE(pix.size(), QSize(16, 16));
        const QImage img = pix.toImage().convertToFormat(QImage::Format_ARGB32);
        // Magenta is see-through; the blue square and the white triangle are not.
        QCOMPARE(qAlpha(img.pixel(0, 15)), 0);
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        const QColor middle = img.pixelColor(7, 7);
        QCOMPARE(middle.alpha(), 255);
        QCOMPARE(middle, QColor(Qt::white));
        const QColor square = img.pixelColor(3, 12);
        QVERIFY(square.blue() > 150 && square.red() < 100);
    }

    void checkMarksFromTheMenu()
    {
        // Chosen with the mouse from the open menu: each mode item inverts
        // its own mark and no other.
        QSignalSpy normal(w()->ModoNormal1, &QAction::triggered);
        const auto choose = [this](QAction *a) {
            w()->showPopupMenu(QPoint(700, 100));
            QVERIFY(QTest::qWaitForWindowExposed(menu()));
            QTest::mouseClick(menu(), Qt::LeftButton, {}, menu()->actionGeometry(a).center());
            QTRY_VERIFY(!menu()->isVisible());
        };
        choose(w()->ModoNormal1);
        QVERIFY(w()->ModoNormal1->isChecked());
        restoreWindow();
        choose(w()->ModoNormal1);
        QVERIFY(!w()->ModoNormal1->isChecked());
        QCOMPARE(normal.count(), 2);
        restoreWindow();
        choose(w()->ModoNormal1);
        restoreWindow();
        choose(w()->ModoMaior1);
        QVERIFY(w()->ModoNormal1->isChecked());
        QVERIFY(w()->ModoMaior1->isChecked());
        QVERIFY(!w()->ModoTelaCheia1->isChecked());
        QVERIFY(!w()->ModoRdio1->isChecked());
        restoreWindow();
    }

    void checkedPictureLooksPressed()
    {
        // Normal and Extended are checked now: opened where the tray opens
        // it, while the window is hidden, the menu draws their pictures
        // framed and the others plain.
        QVERIFY(w()->ModoNormal1->isChecked() && !w()->ModoTelaCheia1->isChecked());
        w()->hide();
        w()->showPopupMenu(QPoint(230, 24));
        QVERIFY(QTest::qWaitForWindowExposed(menu()));
        const QImage img = menu()->grab().toImage();
        const QRgb frame = menu()->palette().color(QPalette::Highlight).darker(150).rgb();
        const QRgb plain = img.pixel(menu()->actionGeometry(w()->N2).topLeft() + QPoint(1, 1));
        for (QAction *a : {w()->ModoNormal1, w()->ModoMaior1, w()->ModoTelaCheia1, w()->ModoRdio1}) {
            const QRect cell = MenuStyle::pictureCell(menu()->actionGeometry(a));
            QCOMPARE(img.pixel(cell.topLeft()) == frame, a->isChecked());
            QCOMPARE(img.pixel(cell.topLeft() + QPoint(1, 1)) != plain, a->isChecked());
        }
        QGuiApplication::primaryScreen()->grabWindow(0).save(TestSupport::screenshotDir()
                                                             + QStringLiteral("/context-menu.png"));
        QVERIFY(!w()->isVisible());

        // Its commands run while the window is hidden, and leave it hidden.
        QVERIFY(cameUpModal(m_windows.about(), [this] {
            QTest::mouseClick(menu(), Qt::LeftButton, {}, menu()->actionGeometry(w()->Configurar).center());
        }));
        QVERIFY(!w()->isVisible());
        restoreWindow();
    }

    void shortcutKeys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::newRow("channel list") << "BreloCombo";
        QTest::newRow("menu button") << "btnMenu";
        QTest::newRow("media engine") << "PlayerBrelo";
    }

    void shortcutKeys()
    {
        QFETCH(QString, focus);
        QWidget *target = w()->findChild<QWidget *>(focus);
        QVERIFY(target);

        QVERIFY(cameUpModal(m_windows.about(), [&] { key(target, Qt::Key_S, Qt::ControlModifier); }));
        restoreWindow();
        QVERIFY(cameUpModal(news(), [&] { key(target, Qt::Key_B, Qt::ControlModifier); }));
        restoreWindow();

        const QString help = QCoreApplication::applicationDirPath() + QStringLiteral("/ajuda.chm");
        QFile f(help);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        key(target, Qt::Key_F1);
        QFile::remove(help);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(help)});

        for (auto [action, k] : {std::pair{w()->ModoNormal1, Qt::Key_N},
                                 {w()->ModoMaior1, Qt::Key_E},
                                 {w()->ModoRdio1, Qt::Key_R}}) {
            QSignalSpy chosen(action, &QAction::triggered);
            const bool before = action->isChecked();
            key(target, k, Qt::ControlModifier);
            QCOMPARE(chosen.count(), 1);
            QCOMPARE(action->isChecked(), !before);
            restoreWindow();
        }
        QVERIFY(m_errors.isEmpty());
    }

    void controlCannotClaimShortcut()
    {
        // A control that would keep Ctrl+S for itself is not asked first.
        struct Greedy : QObject {
            int asked = 0;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::ShortcutOverride) {
                    ++asked;
                    e->accept();
                    return true;
                }
                return false;
            }
        } greedy;
        w()->BreloCombo->installEventFilter(&greedy);
        QVERIFY(
            cameUpModal(m_windows.about(), [this] { key(w()->BreloCombo, Qt::Key_S, Qt::ControlModifier); }));
        w()->BreloCombo->removeEventFilter(&greedy);
        QCOMPARE(greedy.asked, 0);
        restoreWindow();
    }

    // AltGr combinations are typed text, never shortcuts. Typed through the
    // X server as a keyboard would: X11 tells AltGr only in the key's native
    // state, which Qt's shortcut map disregards.
    void altGrCombinationIsNoShortcut()
    {
        const auto typeOnDisplay = [](const QString &keys) {
            QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
        };
        w()->BreloCombo->setFocus();
        QTRY_VERIFY(w()->BreloCombo->hasFocus());
        QVERIFY(!cameUpModal(m_windows.about(),
                             [&] { typeOnDisplay(QStringLiteral("ctrl+ISO_Level3_Shift+s")); }));
        restoreWindow();
        // The same keys without AltGr do reach the window's shortcut.
        w()->BreloCombo->setFocus();
        QTRY_VERIFY(w()->BreloCombo->hasFocus());
        QVERIFY(cameUpModal(m_windows.about(), [&] { typeOnDisplay(QStringLiteral("ctrl+s")); }));
        restoreWindow();
        QVERIFY(m_errors.isEmpty());
    }

    void keysThatChooseNothing()
    {
        // The Fullscreen item answers no key of the family.
        QSignalSpy fullscreen(w()->ModoTelaCheia1, &QAction::triggered);
        key(w()->BreloCombo, Qt::Key_F, Qt::ControlModifier);
        QTest::qWait(100);
        QCOMPARE(fullscreen.count(), 0);
        QVERIFY(!menu()->isVisible());
        restoreWindow();
    }

    void opensFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }

    void opensFromTheKeyboard()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        this->key(w()->BreloCombo, key, Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(menu()->isVisible());
        verifyMenuAt(w()->BreloCombo->mapToGlobal(QPoint(0, 0)));
        closeMenu();
    }

    void menuButtonOpensAtPointer()
    {
        const QPoint at = w()->btnMenu->mapToGlobal(QPoint(12, 11));
        movePointer(at);
        QTRY_COMPARE(QApplication::widgetAt(at), w()->btnMenu);
        QTest::mouseClick(w()->btnMenu, Qt::LeftButton, {}, QPoint(12, 11));
        QTRY_VERIFY(menu()->isVisible());
        verifyMenuAt(at);
        QCOMPARE(w()->focusWidget(), w()->PlayerBrelo);
        closeMenu();
    }

    void menuKeptOnScreen()
    {
        // Near the bottom-right corner the menu opens above the point and
        // stays whole on the screen.
        w()->showPopupMenu(QPoint(700, 100));
        QTRY_VERIFY(menu()->isVisible());
        QCOMPARE(menu()->geometry().topRight(), QPoint(699, 100));
        closeMenu();

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint at(screen.right() - 5, screen.bottom() - 10);
        w()->showPopupMenu(at);
        QTRY_VERIFY(menu()->isVisible());
        const QRect g = menu()->geometry();
        QVERIFY(screen.contains(g));
        QCOMPARE(g.x() + g.width(), at.x());
        QCOMPARE(g.bottom() + 1, at.y());
        closeMenu();
    }

    void pointerLeavingButton()
    {
        // Puts the pointer on the button and the focus on the list, once
        // the test display's own enter and leave events for the move have
        // come in.
        const auto pointerOnButtonFocusOnList = [this] {
            // Come from elsewhere: a pointer already resting where the button
            // reappears gives it no enter, and so no leave later.
            movePointer(w()->PlayerBrelo->mapToGlobal(QPoint(80, 60)));
            const QPoint on = w()->btnMenu->mapToGlobal(QPoint(12, 11));
            movePointer(on);
            QTRY_COMPARE(QApplication::widgetAt(on), w()->btnMenu);
            QTRY_VERIFY(w()->btnMenu->underMouse());
            // Past the balloon's 500 ms, so it is not mapping just as the
            // pointer leaves.
            QTest::qWait(800);
            w()->BreloCombo->setFocus();
            QTRY_VERIFY(w()->BreloCombo->hasFocus());
            QTest::qWait(100);
            QVERIFY(w()->BreloCombo->hasFocus());
        };

        // Hiding the window under a still pointer is no leave: the focus
        // does not go to the engine and the hidden window is not activated.
        pointerOnButtonFocusOnList();
        w()->hide();
        QTest::qWait(200);
        QVERIFY(w()->focusWidget() != w()->PlayerBrelo);  // Qt itself moves it on to the next
        QVERIFY(!w()->isVisible());
        restoreWindow();

        // The pointer really leaving gives the focus to the engine.
        pointerOnButtonFocusOnList();
        movePointer(QPoint(600, 700));
        QTRY_COMPARE(w()->focusWidget(), w()->PlayerBrelo);
    }

    void balloonsOfTheWindow()
    {
        struct Case {
            QWidget *control;
            BalloonHint *balloon;
            QList<QPixmap> images;
            QString title;
            QString description;
        };
        const QList<Case> cases = {
            {w()->btnMenu, w()->HintMenu, w()->ImageListMenu, "Configurações", "Meu Principal"},
            {w()->BreloCombo, w()->HintCombo, w()->ImageListCombo, "Lista de Canais TV e Estações de Radios",
             "Escolha há qual estação quer se conectar!"},
        };
        for (const Case &c : cases) {
            QCOMPARE(c.images.size(), 1);
            QCOMPARE(c.images.first().size(), QSize(32, 32));
            QVERIFY(c.images.first().hasAlphaChannel());
            QVERIFY(c.control->toolTip().isEmpty());
            QCOMPARE(c.balloon->images().size(), 1);
            QCOMPARE(c.balloon->images().first().toImage(), c.images.first().toImage());
            movePointer(c.control->mapToGlobal(QPoint(5, 5)));
            QTRY_VERIFY_WITH_TIMEOUT(c.balloon->isVisible(), 3000);
            QCOMPARE(c.balloon->hint().title, c.title);
            QCOMPARE(c.balloon->hint().description, c.description);
            QCOMPARE(c.balloon->hint().imageIndex, 0);
            movePointer(QPoint(600, 700));
            QTRY_VERIFY_WITH_TIMEOUT(!c.balloon->isVisible(), 3000);
        }
    }

    // With the pointer away from the window, a right click at it would open
    // nothing: the keyboard's press opens the menu at the button instead.
    void spaceOnButtonWithPointerElsewhere()
    {
        movePointer(QPoint(600, 700));
        w()->btnMenu->setFocus();
        QTRY_VERIFY(w()->btnMenu->hasFocus());
        QTest::keyClick(w()->btnMenu, Qt::Key_Space);
        QTRY_VERIFY(menu()->isVisible());
        verifyMenuAt(w()->btnMenu->mapToGlobal(QPoint(0, 0)));
        // The click was taken: the focus went on to the engine.
        QCOMPARE(w()->focusWidget(), w()->PlayerBrelo);
        closeMenu();
    }

    void rightClicks()
    {
        // On the list, the button and the update label: the menu opens at
        // the pointer on the release.
        for (QWidget *c : {static_cast<QWidget *>(w()->BreloCombo), static_cast<QWidget *>(w()->btnMenu),
                           static_cast<QWidget *>(w()->Label1)}) {
            const QPoint local(3, 4);
            QTest::mousePress(c, Qt::RightButton, {}, local);
            QTest::qWait(50);
            QVERIFY2(!menu()->isVisible(), c->objectName().toLatin1());
            QTest::mouseRelease(c, Qt::RightButton, {}, local);
            QTRY_VERIFY(menu()->isVisible());
            verifyMenuAt(c->mapToGlobal(local));
            closeMenu();
        }
        // The window's own surface, where no control lies.
        QPoint bare(-1, -1);
        for (int y = w()->height() - 1; y >= 0 && bare.x() < 0; --y)
            for (int x = 0; x < w()->width() && bare.x() < 0; ++x)
                if (!w()->childAt(QPoint(x, y)))
                    bare = QPoint(x, y);
        QVERIFY(bare.x() >= 0);
        QTest::mouseClick(w(), Qt::RightButton, {}, bare);
        QTRY_VERIFY(menu()->isVisible());
        verifyMenuAt(w()->mapToGlobal(bare));
        closeMenu();
        // The engine's picture is not the window's surface.
        QTest::mouseClick(w()->PlayerBrelo, Qt::RightButton, {}, QPoint(40, 40));
        QTest::qWait(100);
        QVERIFY(!menu()->isVisible());
        QVERIFY(!w()->BreloCombo->view()->isVisible());
    }

    void rightClickOnItemChoosesNothing()
    {
        QSignalSpy about(w()->Configurar, &QAction::triggered);
        w()->showPopupMenu(QPoint(700, 100));
        QVERIFY(QTest::qWaitForWindowExposed(menu()));
        const QPoint item = menu()->actionGeometry(w()->Configurar).center();
        QTest::mouseMove(menu(), item);
        QTest::mouseClick(menu(), Qt::RightButton, {}, item);
        QTest::qWait(100);
        QCOMPARE(about.count(), 0);
        QVERIFY(menu()->isVisible());
        QVERIFY(!m_windows.about()->isVisible());
        closeMenu();
    }

    // While the About window is shown modally with the main window hidden
    // in the tray, the icon still answers: its right button opens the menu,
    // whose About item is refused, and its double click brings the main
    // window back. Driven through the display, as the tray host delivers it.
    void trayIconAnswersDuringModalWindow()
    {
        const auto xdotool
            = [](const QStringList &args) { QProcess::execute(QStringLiteral("xdotool"), args); };
        const auto at = [](const QPoint &p) {
            return QStringList{QString::number(p.x()), QString::number(p.y())};
        };
        TrayIcon *icon = w()->trayIcon();
        w()->AddTrayIcon();
        QTRY_VERIFY_WITH_TIMEOUT(icon->geometry().width() > 0, 5000);
        w()->hide();
        QTRY_VERIFY(!w()->isVisible());

        bool menuOpened = false;
        bool mainShown = false;
        bool iconRemoved = false;
        QStringList refused;
        QTimer::singleShot(300, m_windows.about(), [&] {
            const QPoint c = icon->geometry().center();
            xdotool(QStringList{QStringLiteral("mousemove")} + at(c));
            QTest::qWait(100);
            xdotool({QStringLiteral("mousedown"), QStringLiteral("3")});
            menuOpened = QTest::qWaitFor([&] { return menu()->isVisible(); }, 3000);
            xdotool({QStringLiteral("mouseup"), QStringLiteral("3")});
            if (menuOpened) {
                QTest::qWait(200);
                const QPoint item = menu()->mapToGlobal(menu()->actionGeometry(w()->Configurar).center());
                xdotool(QStringList{QStringLiteral("mousemove")} + at(item));
                QTest::qWait(100);
                xdotool({QStringLiteral("click"), QStringLiteral("1")});
                (void)QTest::qWaitFor([&] { return !m_errors.isEmpty(); }, 3000);
                refused = m_errors;
            }
            xdotool(QStringList{QStringLiteral("mousemove")} + at(c));
            QTest::qWait(100);
            xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                     QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
            mainShown = QTest::qWaitFor([&] { return w()->isVisible(); }, 3000);
            iconRemoved = !icon->isPresent();
            m_windows.about()->reject();
        });
        w()->ConfigurarClick();
        closeMenu();
        QVERIFY2(menuOpened, "the icon's right button opened no menu during the modal window");
        QCOMPARE(refused, QStringList{QStringLiteral("Cannot make a visible window modal.")});
        QVERIFY2(mainShown, "the icon's double click did not show the main window");
        QVERIFY(iconRemoved);
        QVERIFY(!m_windows.about()->isVisible());
        restoreWindow();
    }

    void visibleWindowIsNotShownModalAgain()
    {
        m_windows.about()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_windows.about()));
        const QRect before = m_windows.about()->geometry();
        w()->Configurar->trigger();
        QCOMPARE(m_errors, QStringList{QStringLiteral("Cannot make a visible window modal.")});
        QVERIFY(m_windows.about()->isVisible());
        QCOMPARE(m_windows.about()->geometry(), before);
        m_windows.about()->hide();
        restoreWindow();
    }

    void helpFromAnotherFolder()
    {
        const QString exeDir = QCoreApplication::applicationDirPath();
        const QString help = exeDir + QStringLiteral("/AJUDA.chm");
        QFile::remove(help);
        QVERIFY(Links::helpFileIn(exeDir).isEmpty());

        // Without a help file F1 does nothing and says nothing.
        key(w()->BreloCombo, Qt::Key_F1);
        QVERIFY(m_opened.isEmpty());
        QVERIFY(m_errors.isEmpty());

        QFile f(help);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QTemporaryDir elsewhere;
        const QString oldCurrent = QDir::currentPath();
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        key(w()->BreloCombo, Qt::Key_F1);
        QDir::setCurrent(oldCurrent);
        QFile::remove(help);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(help)});
    }

    void updateLabel()
    {
        QTest::mouseClick(w()->Label1, Qt::LeftButton, {}, QPoint(3, 4));
        QCOMPARE(m_opened.size(), 1);
        const QUrl page = m_opened.first();
        QCOMPARE(page.scheme(), QStringLiteral("http"));
        QCOMPARE(page.path(), QStringLiteral("/projects/breloplayer/"));
        QVERIFY(page.host().endsWith(QStringLiteral(".example.org"))
                || page.host().endsWith(QStringLiteral(".example.com"))
                || page.host().endsWith(QStringLiteral(".example.net")));
        QVERIFY(!menu()->isVisible());
    }
};

BRELO_WINDOW_TEST_MAIN(TestContextMenu)
#include "test_contextmenu.moc"
