#include "localwebserver.h"
#include "support/testsupport.h"

#include "news/newsstatusbar.h"
#include "news/noticia.h"
#include "news/statustexts.h"
#include "news/webbrowser.h"
#include "platform/errors.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <unistd.h>

// The news window against pages served from 127.0.0.1: loading while
// hidden, the site list, history buttons, progress, closing and reopening.
class TestNewsBrowser : public QObject
{
    Q_OBJECT

    LocalWebServer server;
    QWidget player;  // stands in for the main window, the news window's parent
    TBrowseNoticia *news = nullptr;
    QStringList errors;
    QStringList finishedLoads;  // address of each load that ended, until consumed

    static QByteArray page(const QByteArray &title, const QByteArray &body)
    {
        const QByteArray head = title.isNull() ? QByteArray() : "<title>" + title + "</title>";
        return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + head + "</head><body>" + body
            + "</body></html>";
    }

    QString url() const { return news->WebBrowser->locationUrl(); }
    QWebEnginePage *webPage() const { return news->WebBrowser->view()->page(); }
    QString status() const { return news->StatusBar1->panelText(0); }

    void clickLink(const QString &id)
    {
        webPage()->runJavaScript(QStringLiteral("document.getElementById('%1').click()").arg(id));
    }

    // Waits for the page at `path` to finish loading in the news window.
    bool loaded(const QString &path)
    {
        const bool done = QTest::qWaitFor(
            [&] {
                return finishedLoads.contains(server.url(path)) && url() == server.url(path)
                    && !webPage()->isLoading() && status() == QStringLiteral("Concluído");
            },
            15000);
        if (!done)
            qWarning() << "waiting for" << path << "at" << url() << "loading" << webPage()->isLoading()
                       << "status" << status();
        finishedLoads.clear();
        return done;
    }

private slots:
    void initTestCase()
    {
        Errors::setErrorReporter([this](const QString &text) { errors << text; });
        QVERIFY(server.listen());
        server.addPage("/site1/",
                       page("Tambrel Local",
                            "<a id='p2' href='/pagina2.html'>dois</a> <a id='nova' href='/nova.html' "
                            "target='_blank'>nova</a>"
                            "<p>Notícias do dia</p>"));
        server.addPage("/pagina2.html", page("Página Dois", "<a id='p1' href='/site1/'>um</a>"));
        server.addPage("/nova.html", page("Nova Janela", "nova"));
        server.addPage("/site5/estudos", page("Portal Local", "estudos"));
        server.addPage("/semtitulo.html", page(QByteArray(), "sem título"));
        server.addPage("/lento.html", page("Lenta", "<img src='/lento.png' width=10 height=10>"));
        server.addPage("/lento.png", QByteArray(), "image/png");
        for (int row = 2; row <= 13; ++row) {
            if (row != 5)
                server.addPage(QStringLiteral("/site%1/").arg(row),
                               page("Site " + QByteArray::number(row), "x"));
        }
        QList<CatalogueEntry> rows;
        for (int row = 1; row <= 13; ++row) {
            const QString path
                = row == 5 ? QStringLiteral("/site5/estudos") : QStringLiteral("/site%1/").arg(row);
            rows.append({NewsSiteCatalogue::builtIn().at(row - 1).text, server.url(path)});
        }
        player.setWindowTitle(QStringLiteral("player"));
        news = new TBrowseNoticia(NewsSiteCatalogue(rows), &player);
        // The closing report of each load.
        connect(news->WebBrowser, &NewsWebBrowser::ProgressChange, this, [this](int progress) {
            if (progress == -1)
                finishedLoads << url();
        });
    }

    void cleanupTestCase() { delete news; }

    void loadsRowOneWhileHidden()
    {
        QCOMPARE(news->windowTitle(), QStringLiteral("BrowseNoticia"));
        QVERIFY(news->btnvoltar->isEnabled());
        QVERIFY(news->btnavancar->isEnabled());
        QVERIFY(loaded("/site1/"));
        QVERIFY(!news->isVisible());
        QCOMPARE(server.requestCount("/site1/"), 1);
        QCOMPARE(news->windowTitle(), QStringLiteral("Tambrel Local - Brelo Browser"));
        // The program writes no file: no cookies, cache or history on disk.
        QVERIFY(webPage()->profile()->isOffTheRecord());
        // The engine's first reports reach the hidden window too.
        QVERIFY(!news->btnvoltar->isEnabled());
        QVERIFY(!news->btnavancar->isEnabled());
        QVERIFY(errors.isEmpty());
    }

    void opensMaximisedWithStateSet()
    {
        const QString date = news->StatusBar1->panelText(2);
        const QString time = news->StatusBar1->panelText(3);
        QCOMPARE(date, StatusTexts::datePanel(QDate::currentDate()));
        QVERIFY(QRegularExpression("^ \\d\\d:\\d\\d:\\d\\d$").match(time).hasMatch());

        // The menu command shows it with exec(); its close button ends that.
        bool checked = false;
        QTimer::singleShot(0, this, [&] {
            if (!QTest::qWaitFor(
                    [&] {
                        return news->isVisible() && news->isMaximized() && news->geometry().width() > 900;
                    },
                    5000))
                return news->reject();
            QTest::qWait(300);
            checked = news->windowTitle() == QStringLiteral("Tambrel Local - Brelo Browser")
                && status() == QStringLiteral("Concluído") && news->BrowseCombo->currentIndex() == 0
                && news->BrowseCombo->currentText() == QStringLiteral("Tambrel Notícias");
            // The bar lies over panel 1 but for its rightmost 5 pixels.
            checked = checked && news->ProgressBar1->parentWidget() == news->StatusBar1
                && news->ProgressBar1->geometry() == QRect(550, 2, 95, 17);
            const QRect frame = news->frameGeometry();
            QScreen *screen = news->screen();
            screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                .save(TestSupport::screenshotDir() + QStringLiteral("/news-browser.png"));
            news->BtnSair->click();
        });
        QCOMPARE(news->exec(), int(QDialog::Rejected));
        QVERIFY(checked);
        QVERIFY(!news->isVisible());
        QCOMPARE(server.requestCount("/site1/"), 1);
        QCOMPARE(news->StatusBar1->panelText(2), date);
        QCOMPARE(news->StatusBar1->panelText(3), time);
    }

    void choosingRowFiveNavigatesOnce()
    {
        news->show();
        QVERIFY(QTest::qWaitForWindowExposed(news));
        news->activateWindow();
        server.clearLog();
        // What the dropped-down list does when the user picks row 5.
        news->BrowseCombo->setCurrentIndex(4);
        emit news->BrowseCombo->activated(4);
        QVERIFY(loaded("/site5/estudos"));
        QCOMPARE(server.requestCount("/site5/estudos"), 1);
        QCOMPARE(server.requestCount("/site1/"), 0);
        QCOMPARE(news->windowTitle(), QStringLiteral("Portal Local - Brelo Browser"));
        QTRY_VERIFY(news->WebBrowser->view()->isAncestorOf(QApplication::focusWidget())
                    || QApplication::focusWidget() == news->WebBrowser->view());

        // A key press in the closed list moves one row and navigates there.
        news->BrowseCombo->setFocus();
        QTRY_VERIFY(news->BrowseCombo->hasFocus());
        QTest::keyClick(news->BrowseCombo, Qt::Key_Down);
        QCOMPARE(news->BrowseCombo->currentIndex(), 5);
        QVERIFY(loaded("/site6/"));
        QCOMPARE(server.requestCount("/site6/"), 1);
        QVERIFY(errors.isEmpty());
    }

    void historyButtonsFollowTheEngine()
    {
        // History now: site1, site5, site6.
        QTRY_VERIFY(news->btnvoltar->isEnabled());
        QVERIFY(!news->btnavancar->isEnabled());

        news->btnvoltar->click();
        QVERIFY(loaded("/site5/estudos"));
        QTRY_VERIFY(news->btnavancar->isEnabled());
        QVERIFY(news->btnvoltar->isEnabled());
        news->btnvoltar->click();
        QVERIFY(loaded("/site1/"));
        QTRY_VERIFY(!news->btnvoltar->isEnabled());
        QVERIFY(news->btnavancar->isEnabled());

        news->btnavancar->click();
        QVERIFY(loaded("/site5/estudos"));
        news->btnavancar->click();
        QVERIFY(loaded("/site6/"));
        QTRY_VERIFY(!news->btnavancar->isEnabled());

        // Following a link drops the forward part and leaves the list alone.
        news->btnvoltar->click();
        QVERIFY(loaded("/site5/estudos"));
        QTRY_VERIFY(news->btnavancar->isEnabled());
        news->BrowseCombo->setCurrentIndex(0);
        emit news->BrowseCombo->activated(0);
        QVERIFY(loaded("/site1/"));
        QTRY_VERIFY(!news->btnavancar->isEnabled());
        clickLink("p2");
        QVERIFY(loaded("/pagina2.html"));
        QCOMPARE(news->BrowseCombo->currentIndex(), 0);
        news->btnAtualizar->click();
        QTRY_COMPARE(server.requestCount("/pagina2.html"), 2);
        QVERIFY(loaded("/pagina2.html"));
        QCOMPARE(news->BrowseCombo->currentIndex(), 0);
        QVERIFY(errors.isEmpty());
    }

    void newWindowOpensInTheSameView()
    {
        clickLink("p1");
        QVERIFY(loaded("/site1/"));
        clickLink("nova");
        QVERIFY(loaded("/nova.html"));
        QCOMPARE(news->windowTitle(), QStringLiteral("Nova Janela - Brelo Browser"));
        const auto widgets = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(widgets.begin(), widgets.end(), [](QWidget *w) { return w->isVisible(); }), 1);
        news->btnvoltar->click();
        QVERIFY(loaded("/site1/"));
    }

    void slowPageShowsProgress()
    {
        server.hold("/lento.png");
        news->WebBrowser->Navigate(server.url("/lento.html"));
        QTRY_COMPARE_WITH_TIMEOUT(server.requestCount("/lento.png"), 1, 10000);
        QTRY_VERIFY(news->ProgressBar1->isVisible());
        const int value = news->ProgressBar1->value();
        QVERIFY2(value > 0 && value < 100, qPrintable(QString::number(value)));
        QCOMPARE(news->ProgressBar1->parentWidget(), news->StatusBar1);
        server.release("/lento.png");
        QVERIFY(loaded("/lento.html"));
        QTRY_VERIFY(!news->ProgressBar1->isVisible());
        QCOMPARE(news->windowTitle(), QStringLiteral("Lenta - Brelo Browser"));
    }

    void pageWithoutTitle()
    {
        news->WebBrowser->Navigate(server.url("/semtitulo.html"));
        QVERIFY(loaded("/semtitulo.html"));
        // Whatever the engine reports for a page without a title (the
        // address, here) goes into the caption as it is.
        QCOMPARE(news->windowTitle(), webPage()->title() + QStringLiteral(" - Brelo Browser"));
        qInfo() << "caption of a page without a title:" << news->windowTitle();
        news->WebBrowserTitleChange(QString());
        QCOMPARE(news->windowTitle(), QStringLiteral(" - Brelo Browser"));
    }

    void closeAndReopenKeepsEverything()
    {
        news->WebBrowser->Navigate(server.url("/site1/"));
        QVERIFY(loaded("/site1/"));
        // A hovered link's address is the status text.
        emit webPage()->linkHovered(server.url("/pagina2.html"));
        QCOMPARE(status(), server.url("/pagina2.html"));
        news->WebBrowser->Navigate(server.url("/pagina2.html"));
        QVERIFY(loaded("/pagina2.html"));
        QTRY_VERIFY(news->btnvoltar->isEnabled());
        // Escape typed into the window does not close it.
        QTest::keyClick(news, Qt::Key_Escape);
        QVERIFY(news->isVisible());

        const QString title = news->windowTitle();
        const QString panels = news->StatusBar1->panelText(0) + news->StatusBar1->panelText(2)
            + news->StatusBar1->panelText(3);
        const int row = news->BrowseCombo->currentIndex();
        news->close();  // the close box and Alt+F4 come here
        QVERIFY(!news->isVisible());
        server.clearLog();
        QTest::qWait(1100);  // past the next second of the clock

        news->show();
        QVERIFY(QTest::qWaitForWindowExposed(news));
        QVERIFY(news->isMaximized());
        QCOMPARE(url(), server.url("/pagina2.html"));
        QCOMPARE(news->windowTitle(), title);
        QCOMPARE(news->StatusBar1->panelText(0) + news->StatusBar1->panelText(2)
                     + news->StatusBar1->panelText(3),
                 panels);
        QCOMPARE(news->BrowseCombo->currentIndex(), row);
        QVERIFY(news->btnvoltar->isEnabled());
        QTest::qWait(200);
        QVERIFY(server.requests().isEmpty());  // showing reloads nothing
        news->btnvoltar->click();
        QVERIFY(loaded("/site1/"));
        news->close();
        QVERIFY(errors.isEmpty());
    }

    void refusedBackIsReportedAndHarmless()
    {
        // A second window whose engine has not come up yet: its Back button
        // is still enabled as laid out, and there is no earlier page.
        QList<CatalogueEntry> rows = news->sites().rows();
        TBrowseNoticia fresh(NewsSiteCatalogue(rows), &player);
        QVERIFY(fresh.btnvoltar->isEnabled());
        fresh.btnvoltar->click();
        QCOMPARE(errors, QStringList{QStringLiteral("Erro não especificado.")});
        errors.clear();
        fresh.btnavancar->click();
        QCOMPARE(errors.size(), 1);
        errors.clear();

        // A resize before the status bar has a size leaves the bar where it
        // was laid out.
        fresh.FormResize();
        QCOMPARE(fresh.ProgressBar1->parentWidget(), &fresh);
        QCOMPARE(fresh.ProgressBar1->geometry(), QRect(360, 256, 150, 17));

        // The window still works: the first site loads.
        QTRY_COMPARE_WITH_TIMEOUT(fresh.windowTitle(), QStringLiteral("Tambrel Local - Brelo Browser"),
                                  15000);
    }
};

int main(int argc, char **argv)
{
    // Chromium refuses to run its sandbox as root.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestNewsBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_newsbrowser.moc"
