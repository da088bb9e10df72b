#include "localwebserver.h"
#include "support/testsupport.h"

#include "news/newsstatusbar.h"
#include "news/noticia.h"
#include "news/statustexts.h"
#include "news/webbrowser.h"
#include "news/webenginesetup.h"
#include "platform/errors.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <unistd.h>

QString userDownloadFolder();

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
    bool asked = false;  // a save dialog came up
    QTemporaryDir downloads;  // where the user saves them

    static QByteArray page(const QByteArray &title, const QByteArray &body)
    {
        const QByteArray head = title.isNull() ? QByteArray() : "<title>" + title + "</title>";
        return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">" + head + "</head><body>" + body
            + "</body></html>";
    }

    QString url() const { return news->WebBrowser->locationUrl(); }
    QWebEnginePage *webPage() const { return news->WebBrowser->view()->page(); }
    QString status() const { return news->StatusBar1->panelText(0); }

    // A script's click: no user gesture behind it.
    void clickLink(const QString &id)
    {
        webPage()->runJavaScript(QStringLiteral("document.getElementById('%1').click()").arg(id));
    }

    // The value of `script` in the page, waited for.
    QVariant js(const QString &script)
    {
        QVariant result;
        bool done = false;
        webPage()->runJavaScript(script, [&](const QVariant &v) {
            result = v;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 10000))
            qWarning() << "no answer from the page to" << script;
        return result;
    }

    // Where element `id` lies in the view, as the user sees it.
    QPoint centreOf(const QString &id)
    {
        const QVariantList r
            = js(QStringLiteral("(function(){const r=document.getElementById('%1').getBoundingClientRect();"
                                "return [r.left+r.width/2, r.top+r.height/2];})()")
                     .arg(id))
                  .toList();
        return r.size() == 2 ? QPoint(qRound(r.at(0).toDouble()), qRound(r.at(1).toDouble())) : QPoint();
    }

    // What the screen shows of the web view.
    QImage viewOnScreen() const
    {
        QWidget *view = news->WebBrowser->view();
        const QPoint at = view->mapToGlobal(QPoint());
        return view->screen()->grabWindow(0, at.x(), at.y(), view->width(), view->height()).toImage();
    }

    // Pixels dark enough to be a page's text on its white.
    static int darkPixels(const QImage &image)
    {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 96;
        return dark;
    }

    // The surface the engine draws on and takes input from.
    QWidget *surface() const { return news->WebBrowser->view()->focusProxy(); }

    // The user's click on element `id`, by the mouse.
    void userClick(const QString &id)
    {
        const QPoint at = centreOf(id);
        QTest::mouseMove(surface(), at);
        QTest::mouseClick(surface(), Qt::LeftButton, {}, at);
    }

    static QString xprop(QWidget *w, const char *property)
    {
        QProcess p;
        p.start(QStringLiteral("xprop"), {"-id", QString::number(w->winId()), QString::fromLatin1(property)});
        p.waitForFinished(10000);
        return QString::fromLatin1(p.readAllStandardOutput());
    }

    // Answers the next save dialog from within its own loop, which runs
    // inside the engine's report of the download: `answer` gets the dialog
    // and the file it proposed.
    void whenAsked(std::function<void(QFileDialog *, const QString &)> answer)
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll, answer] {
            // The dialog, whether or not the window manager gave it focus yet.
            QFileDialog *dialog = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *d = qobject_cast<QFileDialog *>(w); d && d->isVisible())
                    dialog = d;
            if (!dialog)
                return;
            poll->deleteLater();
            poll->stop();
            asked = true;
            answer(dialog, dialog->selectedFiles().value(0));
        });
        poll->start(50);
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

    // Types `path` into the save dialog's name field, as a user would, and
    // accepts it. (QFileDialog::selectFile leaves the field alone once it
    // has the focus, which the window manager gives it sooner or later.)
    // The dialog reads its folder asynchronously and may put the proposed
    // name back meanwhile, so the name is typed again until the dialog holds
    // it; after 10 s it is accepted as it stands, so that the test fails on
    // the file rather than hang in the dialog.
    static void saveAs(QFileDialog *dialog, const QString &path)
    {
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        // Focused from the start, so that no run depends on when the focus comes.
        name->setFocus();
        name->setText(path);
        auto *retry = new QTimer(dialog);
        retry->setInterval(20);
        QObject::connect(retry, &QTimer::timeout, dialog, [dialog, name, retry, path, tries = 0]() mutable {
            const QString held = dialog->selectedFiles().value(0);
            if (held == path || ++tries > 500) {
                if (held != path)
                    qWarning() << "the save dialog kept" << held << "instead of" << path;
                retry->stop();
                static_cast<QDialog *>(dialog)->accept();  // public there
            } else {
                name->setText(path);
            }
        });
        retry->start();
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
        // Pop-ups: by script on its own, by the user's click, left blank,
        // and to addresses that are not web pages.
        server.addPage(
            "/janelas.html",
            page("Janelas",
                 "<p><a id='nova' href='/nova.html' target='_blank'>nova</a></p>"
                 "<p><button id='abrir' onclick=\"window.open('/nova.html')\">abrir</button></p>"
                 "<p><button id='branca' onclick=\"window.pop=window.open('');"
                 "window.pop.document.write('<p>escrita</p>')\">branca</button></p>"
                 "<p><button id='arquivo' onclick=\"window.pop=window.open('file:///etc/hostname')\">"
                 "arquivo</button></p>"
                 "<p><button id='dados' onclick=\"window.pop=window.open('data:text/html,"
                 "<title>dados</title>x')\">dados</button></p>"
                 "<p><a id='p2' href='/pagina2.html'>dois</a></p>"));
        server.addPage("/sozinha.html",
                       page("Sozinha",
                            "<script>setTimeout(function(){var w=window.open('/nova.html');"
                            "document.title=w?'aberta':'recusada';},100)</script>"));
        server.addPage("/titulo.html",
                       page("Antes", "<script>setTimeout(function(){document.title='Depois'},300)</script>"));
        // Downloads: whole, stalled part-way, and broken off part-way.
        server.addPage("/baixar.html",
                       page("Downloads",
                            "<p><a id='inteiro' href='/relatorio.zip'>inteiro</a></p>"
                            "<p><a id='lento' href='/grande.bin'>lento</a></p>"
                            "<p><a id='quebrado' href='/quebrado.bin'>quebrado</a></p>"));
        server.addAttachment("/relatorio.zip", QByteArray(200000, 'r'), "relatorio.zip");
        server.addAttachment("/grande.bin", QByteArray(1000000, 'g'), "grande.bin");
        server.stallAfter("/grande.bin", 300000);
        server.addAttachment("/quebrado.bin", QByteArray(500000, 'q'), "quebrado.bin");
        server.breakAfter("/quebrado.bin", 100000);
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

    // A test that failed half-way leaves no download holding the bar.
    void cleanup() { news->WebBrowser->CancelDownload(); }

    void loadsRowOneWhileHidden()
    {
        QCOMPARE(news->windowTitle(), QStringLiteral("BrowseNoticia"));
        QVERIFY(news->btnvoltar->isEnabled());
        QVERIFY(news->btnavancar->isEnabled());
        QVERIFY(loaded("/site1/"));
        QVERIFY(!news->isVisible());
        // Loaded and hidden, the page is frozen: no script of it runs.
        QTRY_COMPARE(webPage()->lifecycleState(), QWebEnginePage::LifecycleState::Frozen);
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
            // The page was loaded unseen; its first showing draws it.
            checked = checked && QTest::qWaitFor([&] { return darkPixels(viewOnScreen()) > 50; }, 5000);
            const QRect frame = news->frameGeometry();
            QScreen *screen = news->screen();
            screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                .save(TestSupport::screenshotDir() + QStringLiteral("/news-browser.png"));
            news->BtnSair->click();
        });
        QCOMPARE(news->exec(), int(QDialog::Rejected));
        QVERIFY(checked);
        QVERIFY(!news->isVisible());
        // Loaded and hidden, the page is frozen: no script of it runs.
        QTRY_COMPARE(webPage()->lifecycleState(), QWebEnginePage::LifecycleState::Frozen);
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

    // A taskbar shows the program once: the news window belongs to the
    // player's window and stays out of the taskbar itself.
    void oneTaskbarEntry()
    {
        QVERIFY(news->isVisible());
        QCOMPARE(xprop(news, "WM_TRANSIENT_FOR").trimmed(),
                 QStringLiteral("WM_TRANSIENT_FOR(WINDOW): window id # 0x%1").arg(player.winId(), 0, 16));
        // The window manager writes the state when it gets to it, which on
        // a busy machine can take longer than QTRY's usual 5 s.
        QTRY_VERIFY2_WITH_TIMEOUT(
            xprop(news, "_NET_WM_STATE").contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR")),
            qPrintable(xprop(news, "_NET_WM_STATE")), 30000);
        // Still so after the window was withdrawn and shown again at once,
        // before the window manager caught up with the withdrawal.
        for (int i = 0; i < 3; ++i) {
            news->hide();
            news->show();
            QVERIFY(QTest::qWaitForWindowExposed(news));
            QTRY_VERIFY2_WITH_TIMEOUT(
                xprop(news, "_NET_WM_STATE").contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR")),
                qPrintable(QStringLiteral("showing %1: %2").arg(i).arg(xprop(news, "_NET_WM_STATE"))), 30000);
        }
    }

    void userPopupsOpenInTheSameView()
    {
        news->WebBrowser->Navigate(server.url("/janelas.html"));
        QVERIFY(loaded("/janelas.html"));
        // A link into a new window, clicked.
        userClick("nova");
        QVERIFY(loaded("/nova.html"));
        QCOMPARE(news->windowTitle(), QStringLiteral("Nova Janela - Brelo Browser"));
        const auto widgets = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(widgets.begin(), widgets.end(), [](QWidget *w) { return w->isVisible(); }), 1);
        news->btnvoltar->click();
        QVERIFY(loaded("/janelas.html"));
        // A script opening a window at the user's click.
        server.clearLog();
        userClick("abrir");
        QVERIFY(loaded("/nova.html"));
        QCOMPARE(server.requestCount("/nova.html"), 1);
        news->btnvoltar->click();
        QVERIFY(loaded("/janelas.html"));
        QTRY_VERIFY(webPage()->findChildren<QWebEnginePage *>().isEmpty());
    }

    void popupsWithoutAClickAreRefused()
    {
        server.clearLog();
        news->WebBrowser->Navigate(server.url("/sozinha.html"));
        QVERIFY(loaded("/sozinha.html"));
        QTRY_COMPARE(news->windowTitle(), QStringLiteral("recusada - Brelo Browser"));
        QTest::qWait(500);
        QCOMPARE(url(), server.url("/sozinha.html"));
        QCOMPARE(server.requestCount("/nova.html"), 0);
        // Nor does a script's click on a link count as the user's.
        news->WebBrowser->Navigate(server.url("/janelas.html"));
        QVERIFY(loaded("/janelas.html"));
        clickLink("nova");
        QTest::qWait(500);
        QCOMPARE(url(), server.url("/janelas.html"));
        QCOMPARE(server.requestCount("/nova.html"), 0);
    }

    // A pop-up that stays blank, written into by its opener, is closed, and
    // one sent to a local file or inline data never shows.
    void blankAndForeignPopupsAreClosed()
    {
        for (const char *button : {"branca", "arquivo", "dados"}) {
            js("window.pop=undefined");
            userClick(QString::fromLatin1(button));
            QVERIFY2(QTest::qWaitFor([&] { return js("window.pop!==undefined").toBool(); }, 5000), button);
            QVERIFY2(
                QTest::qWaitFor([&] { return js("window.pop===null||window.pop.closed").toBool(); }, 10000),
                button);
            QTRY_VERIFY2(webPage()->findChildren<QWebEnginePage *>().isEmpty(), button);
            QCOMPARE(url(), server.url("/janelas.html"));
            QCOMPARE(news->windowTitle(), QStringLiteral("Janelas - Brelo Browser"));
        }
        QVERIFY(errors.isEmpty());
    }

    void titleFollowsThePage()
    {
        news->WebBrowser->Navigate(server.url("/titulo.html"));
        QVERIFY(loaded("/titulo.html"));
        QTRY_COMPARE(news->windowTitle(), QStringLiteral("Depois - Brelo Browser"));
    }

    // A download asks where to go, in the user's download folder under the
    // name the server suggests, and lands there.
    void downloadSavesWhereTheUserSays()
    {
        news->WebBrowser->Navigate(server.url("/baixar.html"));
        QVERIFY(loaded("/baixar.html"));
        const QString folder = userDownloadFolder();
        QString proposed;
        asked = false;
        whenAsked([&](QFileDialog *dialog, const QString &file) {
            proposed = file;
            saveAs(dialog, downloads.filePath("escolhido.zip"));
        });
        userClick("inteiro");
        QTRY_VERIFY_WITH_TIMEOUT(asked, 10000);
        QCOMPARE(proposed, folder + QStringLiteral("/relatorio.zip"));
        QTRY_COMPARE_WITH_TIMEOUT(
            status(), QStringLiteral("Download concluído: ") + downloads.filePath("escolhido.zip"), 10000);
        QFile saved(downloads.filePath("escolhido.zip"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray(200000, 'r'));
        QVERIFY(!news->ProgressBar1->isVisible());
        QCOMPARE(url(), server.url("/baixar.html"));

        // Declined: nothing is written.
        asked = false;
        whenAsked([&](QFileDialog *dialog, const QString &) { dialog->reject(); });
        userClick("inteiro");
        QTRY_VERIFY_WITH_TIMEOUT(asked, 10000);
        QTest::qWait(500);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/relatorio.zip")));
        QVERIFY(!news->WebBrowser->isDownloading());
        QVERIFY(errors.isEmpty());
    }

    void downloadShowsProgressAndCancels()
    {
        asked = false;
        whenAsked(
            [&](QFileDialog *dialog, const QString &) { saveAs(dialog, downloads.filePath("grande.bin")); });
        userClick("lento");
        QTRY_VERIFY_WITH_TIMEOUT(asked, 10000);
        // 300 kB of 1 MB in: the bar in the progress panel shows the share.
        QTRY_VERIFY_WITH_TIMEOUT(news->ProgressBar1->isVisible() && news->ProgressBar1->value() >= 25, 10000);
        QCOMPARE(news->ProgressBar1->value(), 30);
        QCOMPARE(news->ProgressBar1->parentWidget(), news->StatusBar1);
        // A page loading meanwhile leaves the bar to the download.
        news->WebBrowser->Refresh();
        QVERIFY(loaded("/baixar.html"));
        QVERIFY(news->ProgressBar1->isVisible());
        QCOMPARE(news->ProgressBar1->value(), 30);

        QTest::mouseClick(news->ProgressBar1, Qt::LeftButton);
        QTRY_COMPARE(status(), QStringLiteral("Download cancelado: grande.bin"));
        QVERIFY(!news->ProgressBar1->isVisible());
        QVERIFY(!news->WebBrowser->isDownloading());
        server.release("/grande.bin");
        QTest::qWait(300);
        QVERIFY(!QFile::exists(downloads.filePath("grande.bin")));
    }

    void downloadFailureIsReported()
    {
        asked = false;
        whenAsked([&](QFileDialog *dialog, const QString &) {
            saveAs(dialog, downloads.filePath("quebrado.bin"));
        });
        userClick("quebrado");
        QTRY_VERIFY_WITH_TIMEOUT(asked, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(status().startsWith(QStringLiteral("Falha no download de quebrado.bin: ")),
                                 20000);
        qInfo() << "failure reported as:" << status();
        QVERIFY(!news->ProgressBar1->isVisible());
        QVERIFY(!news->WebBrowser->isDownloading());
        QVERIFY(errors.isEmpty());
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
    }

    void closeAndReopenKeepsEverything()
    {
        news->WebBrowser->Navigate(server.url("/site1/"));
        QVERIFY(loaded("/site1/"));
        // The address of the link under the pointer is the status text.
        QTest::mouseMove(surface(), centreOf("p2"));
        QTRY_COMPARE(status(), server.url("/pagina2.html"));
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
        QTRY_COMPARE(webPage()->lifecycleState(), QWebEnginePage::LifecycleState::Frozen);
        server.clearLog();
        QTest::qWait(1100);  // past the next second of the clock

        news->show();
        QVERIFY(QTest::qWaitForWindowExposed(news));
        QVERIFY(news->isMaximized());
        QCOMPARE(webPage()->lifecycleState(), QWebEnginePage::LifecycleState::Active);
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

namespace {
// A home of the test's own, so that the desktop's download folder is known.
QTemporaryDir &home()
{
    static QTemporaryDir dir;
    return dir;
}
}  // namespace

QString userDownloadFolder()
{
    return home().filePath(QStringLiteral("Transferências"));
}

int main(int argc, char **argv)
{
    // The desktop's download folder, as xdg-user-dirs records it.
    QDir(home().path()).mkpath(QStringLiteral("config"));
    QDir().mkpath(userDownloadFolder());
    QFile dirs(home().filePath(QStringLiteral("config/user-dirs.dirs")));
    if (!dirs.open(QIODevice::WriteOnly))
        return 2;
    dirs.write("XDG_DOWNLOAD_DIR=\"" + userDownloadFolder().toUtf8() + "\"\n");
    dirs.close();
    qputenv("XDG_CONFIG_HOME", home().filePath(QStringLiteral("config")).toUtf8());

    // Chromium refuses to run its sandbox as root.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    WebEngineSetup::beforeApplication();
    QApplication app(argc, argv);
    TestNewsBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_newsbrowser.moc"
