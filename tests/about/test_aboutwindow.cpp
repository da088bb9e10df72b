#include "about/formsobre.h"
#include "platform/errors.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <QWindow>

// The About window as the user meets it, in the session's desktop under
// openbox.
class TestAboutWindow : public QObject
{
    Q_OBJECT

    QStringList m_opened;
    QStringList m_errors;

    template<typename T = QWidget> static T *child(QWidget *w, const char *name)
    {
        T *c = w->findChild<T *>(QLatin1String(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

    static QString xdotool() { return QStandardPaths::findExecutable(QStringLiteral("xdotool")); }

    static bool runXdotool(const QStringList &args)
    {
        QProcess p;
        p.start(xdotool(), args);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    static QString netWmState(QWidget *w)
    {
        QProcess p;
        p.start(QStringLiteral("xprop"), {"-id", QString::number(w->winId()), "_NET_WM_STATE"});
        p.waitForFinished(10000);
        return QString::fromLatin1(p.readAllStandardOutput());
    }

    static bool shownAndFramed(QWidget *w)
    {
        return w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed()
            && w->frameGeometry() != w->geometry();
    }

private slots:
    void init()
    {
        m_opened.clear();
        m_errors.clear();
        Tfsobre::setLinkOpener([this](const QString &t) { m_opened << t; });
        Errors::setErrorReporter([this](const QString &t) { m_errors << t; });
    }

    void cleanup()
    {
        Tfsobre::setLinkOpener({});
        Errors::setErrorReporter({});
    }

    void banner()
    {
        QImageReader reader(QStringLiteral(":/images/about/banner.jpg"));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage img = reader.read();
        QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(img.size(), QSize(562, 193));

        Tfsobre w;
        auto *banner = child<QLabel>(&w, "imgbrelo");
        QCOMPARE(banner->geometry(), QRect(-3, -2, 562, 193));
        QCOMPARE(banner->cursor().shape(), Qt::PointingHandCursor);
        // Read only when the window is first shown: the window is made at
        // start and most runs never open it.
        QVERIFY(banner->pixmap().isNull());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(banner->pixmap().size(), QSize(562, 193));
        QCOMPARE(banner->geometry(), QRect(-3, -2, 562, 193));
        w.hide();
        w.show();
        QCOMPARE(banner->pixmap().size(), QSize(562, 193));
    }

    void controls()
    {
        Tfsobre w;
        QCOMPARE(w.windowTitle(), QStringLiteral("About"));
        QCOMPARE(w.size(), QSize(556, 378));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        // Creation order is painting order: the verse must lie over the
        // banner, the labels over their frames.
        QStringList order;
        for (QObject *o : w.children()) {
            if (o->isWidgetType())
                order << o->objectName();
        }
        QCOMPARE(order,
                 (QStringList{"Bevel1", "Bevel3", "Bevel2", "imgbrelo", "Label3", "Label1", "Label2",
                              "labeldesenvolvedor", "Label4", "Label5", "Label7", "Label6", "Label8",
                              "Label9", "Label10", "OKButton", "LinkLabel1"}));

        // Fixed boxes keep their whole geometry; labels fit themselves to
        // their text from their top-left corner (the right-aligned verse
        // from its top-right one).
        const QList<std::pair<const char *, QRect>> boxes = {
            {"Bevel1", {337, 316, 152, 60}},    {"Bevel3", {0, 316, 334, 60}},
            {"Bevel2", {0, 192, 554, 121}},     {"OKButton", {492, 315, 62, 62}},
            {"LinkLabel1", {86, 353, 246, 19}},
        };
        for (const auto &[name, rect] : boxes)
            QCOMPARE(child(&w, name)->geometry(), rect);
        const QList<std::pair<const char *, QPoint>> corners = {
            {"Label3", {8, 197}},   {"Label1", {14, 229}},
            {"Label2", {8, 275}},   {"labeldesenvolvedor", {8, 318}},
            {"Label4", {132, 336}}, {"Label5", {8, 355}},
            {"Label7", {480, 177}}, {"Label8", {96, 319}},
            {"Label9", {343, 322}}, {"Label10", {8, 336}},
        };
        for (const auto &[name, corner] : corners)
            QVERIFY2(child(&w, name)->pos() == corner, name);
        QCOMPARE(child(&w, "Label6")->geometry().topRight(), QPoint(549, 151));

        // Wrapped paragraphs keep their width and must not run into the
        // next one or out of their frame.
        QCOMPARE(child(&w, "Label3")->width(), 520);
        QCOMPARE(child(&w, "Label1")->width(), 534);
        QCOMPARE(child(&w, "Label2")->width(), 537);
        QVERIFY(child(&w, "Label3")->geometry().bottom() < 229);
        QVERIFY(child(&w, "Label1")->geometry().bottom() < 275);
        QVERIFY(child(&w, "Label2")->geometry().bottom() < 312);
        // Lines shared by two labels stay apart.
        auto *dev = child<QLabel>(&w, "labeldesenvolvedor");
        QCOMPARE(dev->width(), 82);
        QVERIFY(dev->height() < 2 * dev->fontMetrics().lineSpacing());  // one line
        QVERIFY(child(&w, "Label10")->geometry().right() < 132);
        QVERIFY(child(&w, "Label5")->geometry().right() < 86);
        QVERIFY(child(&w, "Label8")->geometry().right() < 337);
        QVERIFY(child(&w, "Label4")->geometry().right() < 337);
        QVERIFY(QRect(337, 316, 152, 60).contains(child(&w, "Label9")->geometry()));
        // The verse sits above its reference, both on the banner.
        QVERIFY(child(&w, "Label6")->geometry().bottom() < 177);
        QVERIFY(child(&w, "Label6")->geometry().left() > 300);
        QVERIFY(child(&w, "Label7")->geometry().bottom() <= 190);
        QVERIFY(child(&w, "Label7")->geometry().right() < 556);
    }

    void textsAndLook()
    {
        Tfsobre w;
        auto text = [&](const char *name) { return child<QLabel>(&w, name)->text(); };
        QCOMPARE(text("labeldesenvolvedor"), QStringLiteral("Desenvolvido:"));
        QCOMPARE(text("Label5"), QStringLiteral("Atualizações:"));
        QCOMPARE(text("Label10"), QStringLiteral("Críticas e sugestões:"));
        QCOMPARE(text("Label7"), QStringLiteral("Marcos: 13:26"));
        QCOMPARE(
            text("Label6"),
            QStringLiteral("Então, verão o Filho do Homem vir nas\n nuvens, com grande poder e glória."));
        QCOMPARE(child<QPushButton>(&w, "OKButton")->text(), QStringLiteral("OK"));

        const QList<std::pair<const char *, int>> indents
            = {{"Label3", 6}, {"Label1", 5}, {"Label2", 3}, {"Label4", 1}};
        for (const auto &[name, blanks] : indents) {
            const QString t = text(name);
            QVERIFY2(t.startsWith(QString(blanks, u' ')) && t.at(blanks) != u' ', name);
        }
        QVERIFY(text("Label4").trimmed().endsWith(QStringLiteral("@example.com")));
        QCOMPARE(text("Label9").count(u'\n'), 3);
        for (const char *name : {"Label3", "Label1", "Label2", "labeldesenvolvedor", "Label6", "Label9"})
            QCOMPARE(child<QLabel>(&w, name)->textFormat(), Qt::PlainText);

        // Whole pixel heights, as laid out.
        QCOMPARE(w.font().pixelSize(), 11);
        for (const char *name : {"Label3", "Label1", "Label2", "Label9"})
            QVERIFY2(child(&w, name)->font().pixelSize() == 9, name);
        for (const char *name :
             {"labeldesenvolvedor", "Label4", "Label5", "Label6", "Label7", "Label8", "Label10"})
            QVERIFY2(child(&w, name)->font().pixelSize() == 11, name);
        for (const char *name : {"labeldesenvolvedor", "Label5", "Label10"})
            QVERIFY2(child(&w, name)->font().bold(), name);
        QVERIFY(!child(&w, "Label4")->font().bold());
        QVERIFY(child(&w, "Label7")->font().underline());
        QCOMPARE(child(&w, "Label9")->font().family(), QStringLiteral("Arial"));

        auto ink = [&](const char *name) {
            QWidget *c = child(&w, name);
            return c->palette().color(c->foregroundRole());
        };
        QCOMPARE(ink("Label6"), QColor(166, 202, 240));
        QCOMPARE(ink("Label7"), QColor(Qt::white));
        QCOMPARE(child(&w, "Label6")->autoFillBackground(), false);
        QCOMPARE(child(&w, "Label7")->autoFillBackground(), false);
        QCOMPARE(w.palette().color(w.backgroundRole()), w.palette().color(QPalette::Button));
    }

    // The colours as drawn under Fusion, the style the program gets on a
    // desktop without a Qt theme of its own (Debian's Qt6 ships none).
    void coloursAsDrawnUnderFusion()
    {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        Tfsobre w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage drawn = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        auto distance = [](const QColor &a, const QColor &b) {
            return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
        };
        // The pixel nearest the expected ink: the core of a stroke carries
        // the full colour even where its edges are blended.
        auto nearestInk = [&](const char *name, const QColor &ink) {
            const QRect r = child(&w, name)->geometry().intersected(drawn.rect());
            int best = INT_MAX;
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x)
                    best = qMin(best, distance(drawn.pixelColor(x, y), ink));
            }
            return best;
        };
        const QColor black(Qt::black);
        // Menu text, window frame and window text are black on a light
        // scheme; the three paragraphs, the contact address and the labels.
        for (const char *name :
             {"Label3", "Label1", "Label2", "Label4", "Label5", "Label8", "Label9", "Label10"})
            QVERIFY2(nearestInk(name, black) < 60, name);
        QVERIFY(nearestInk("Label6", QColor(166, 202, 240)) < 40);
        QVERIFY(nearestInk("Label7", QColor(Qt::white)) < 40);
        // The desktop's colour stands out from the text: a blue, not black.
        const QColor desktop = w.palette().color(child(&w, "labeldesenvolvedor")->foregroundRole());
        QVERIFY2(desktop.blue() > desktop.red() + 60 && desktop.value() > 120, qPrintable(desktop.name()));
        QVERIFY(nearestInk("labeldesenvolvedor", desktop) < 40);
        // The face behind the texts is the button face, not the window's.
        const QColor face = drawn.pixelColor(300, 330);
        QCOMPARE(face, w.palette().color(QPalette::Button));
        QVERIFY(face.lightness() > 200);
        w.hide();
    }

    void keysAndFocus()
    {
        Tfsobre w;
        auto *ok = child<QPushButton>(&w, "OKButton");
        auto *link = child<QLabel>(&w, "LinkLabel1");
        QVERIFY(ok->isDefault());

        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTRY_COMPARE(QApplication::focusWidget(), ok);
        QTest::keyClick(&w, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), link);
        QTest::keyClick(&w, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), ok);

        QTest::keyClick(&w, Qt::Key_Escape);
        QTest::qWait(100);
        QVERIFY(w.isVisible());

        // A click on the banner does nothing either.
        QTest::mouseClick(child(&w, "imgbrelo"), Qt::LeftButton, {}, QPoint(200, 100));
        QTest::qWait(50);
        QVERIFY(w.isVisible());
        QVERIFY(m_opened.isEmpty());
        w.hide();
    }

    // The way the menu shows it: modally, Enter pressing OK.
    void enterClosesWithOk()
    {
        Tfsobre w;
        bool pressed = false;
        QTimer::singleShot(0, &w, [&] {
            if (!QTest::qWaitFor([&] { return w.isActiveWindow(); }, 5000)) {
                w.done(-1);  // fails below instead of hanging in exec()
                return;
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            pressed = true;
        });
        QCOMPARE(w.exec(), int(QDialog::Accepted));
        QVERIFY(pressed);
        QVERIFY(!w.isVisible());
        QVERIFY(m_errors.isEmpty());
    }

    void link()
    {
        Tfsobre w;
        auto *link = child<QLabel>(&w, "LinkLabel1");
        const QString markup = link->text();
        const QRegularExpression form(QStringLiteral(
            "^<a href=\"(http://[a-z0-9.-]+\\.example(\\.(com|org|net))?/[^\"]*\\?p=\\d+)\">\\1</a>$"));
        QVERIFY2(form.match(markup).hasMatch(), qPrintable(markup));
        const QString page = form.match(markup).captured(1);

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPoint onText(20, link->height() / 2);
        QTest::mouseClick(link, Qt::LeftButton, {}, onText);
        QTRY_COMPARE(m_opened, QStringList{page});
        QVERIFY(w.isVisible());

        // From the keyboard, Enter on the link opens it and leaves the
        // window open rather than pressing OK.
        QVERIFY(QTest::qWaitForWindowActive(&w));
        child(&w, "OKButton")->setFocus();
        QTest::keyClick(&w, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), link);
        QTest::keyClick(link, Qt::Key_Return);
        QTRY_COMPARE(m_opened, (QStringList{page, page}));
        QVERIFY(w.isVisible());
        m_opened.clear();

        // An anchor's id, when it has one, is what the handler opens.
        link->setText("<a id=\"novidades\" href=\"" + page + "\">" + page + "</a>");
        QTest::mouseClick(link, Qt::LeftButton, {}, onText);
        QTRY_COMPARE(m_opened, QStringList{QStringLiteral("novidades")});
        QVERIFY(w.isVisible());
        QVERIFY(m_errors.isEmpty());
    }

    // Placement and taskbar as the window manager sees them; needs the
    // session's openbox.
    void placement()
    {
        if (xdotool().isEmpty())
            QFAIL("xdotool is needed to drag the window like a user");
        QWidget owner;
        owner.setGeometry(700, 500, 168, 228);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));

        Tfsobre w(&owner);
        w.show();
        QTRY_VERIFY(shownAndFramed(&w));
        QVERIFY(netWmState(&w).contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR")));
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_VERIFY2((w.frameGeometry().center() - work.center()).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("frame %1,%2 %3x%4 in %5,%6 %7x%8")
                                    .arg(w.frameGeometry().x())
                                    .arg(w.frameGeometry().y())
                                    .arg(w.frameGeometry().width())
                                    .arg(w.frameGeometry().height())
                                    .arg(work.x())
                                    .arg(work.y())
                                    .arg(work.width())
                                    .arg(work.height())));

        // Drag it by its caption.
        const QRect frame = w.frameGeometry();
        const QPoint grip(frame.x() + 120, (frame.y() + w.geometry().y()) / 2);
        const QPoint delta(-170, 90);
        QVERIFY(runXdotool({"mousemove",
                            QString::number(grip.x()),
                            QString::number(grip.y()),
                            "sleep",
                            "0.2",
                            "mousedown",
                            "1",
                            "sleep",
                            "0.2",
                            "mousemove",
                            QString::number(grip.x() + 20),
                            QString::number(grip.y() + 10),
                            "sleep",
                            "0.2",
                            "mousemove",
                            QString::number(grip.x() + delta.x()),
                            QString::number(grip.y() + delta.y()),
                            "sleep",
                            "0.2",
                            "mouseup",
                            "1"}));
        const QPoint dragged = frame.topLeft() + delta;
        QTRY_COMPARE(w.pos(), dragged);

        // Alt+F4 closes it, keeping it for the next showing.
        w.setResult(QDialog::Accepted);
        QVERIFY(runXdotool({"key", "alt+F4"}));
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));

        w.show();
        QTRY_VERIFY(shownAndFramed(&w));
        QTest::qWait(200);
        QCOMPARE(w.pos(), dragged);
        // Withdrawing the window dropped the hint; it is asked for again.
        QVERIFY(netWmState(&w).contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR")));
        w.hide();
    }

    // Shown while nothing of the program is on screen (the player hidden in
    // the tray), the frame is not known beforehand; it still ends centred.
    void firstShowingWithoutOwner()
    {
        Tfsobre w;
        w.show();
        QTRY_VERIFY(shownAndFramed(&w));
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_VERIFY((w.frameGeometry().center() - work.center()).manhattanLength() <= 2);
        w.hide();
    }

    void screenshot()
    {
        QWidget owner;  // as in the program, the main window owns it
        owner.setGeometry(850, 530, 168, 228);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        Tfsobre w(&owner);
        w.show();
        QTRY_VERIFY(shownAndFramed(&w));
        QTest::qWait(200);
        const QImage shot = w.screen()
                                ->grabWindow(0, w.frameGeometry().x(), w.frameGeometry().y(),
                                             w.frameGeometry().width(), w.frameGeometry().height())
                                .toImage();
        QVERIFY(shot.save(TestSupport::screenshotDir() + QStringLiteral("/about-window.png")));

        // Legible verse: light blue strokes on the darker sky, and no box of
        // the window's colour behind them.
        const QImage drawn = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QColor face = w.palette().color(QPalette::Window);
        const QColor verse(166, 202, 240);
        for (const char *name : {"Label6", "Label7"}) {
            const QRect r = child(&w, name)->geometry();
            int faceCount = 0, inkCount = 0;
            double skyLuma = 0;
            int skyCount = 0;
            const QColor ink = name == QByteArray("Label6") ? verse : QColor(Qt::white);
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x) {
                    const QColor c = drawn.pixelColor(x, y);
                    if (c == face)
                        ++faceCount;
                    const int d = qAbs(c.red() - ink.red()) + qAbs(c.green() - ink.green())
                        + qAbs(c.blue() - ink.blue());
                    if (d < 40)
                        ++inkCount;
                    else if (d > 150) {
                        skyLuma += 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
                        ++skyCount;
                    }
                }
            }
            QVERIFY2(faceCount == 0, name);
            QVERIFY2(inkCount > 40, name);
            QVERIFY2(skyCount > r.width() * r.height() / 2, name);
            const double inkLuma = 0.2126 * ink.redF() + 0.7152 * ink.greenF() + 0.0722 * ink.blueF();
            QVERIFY2(inkLuma - skyLuma / skyCount > 0.35, name);
        }
    }
};

QTEST_MAIN(TestAboutWindow)
#include "test_aboutwindow.moc"
