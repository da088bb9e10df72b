// What the news browser costs at program start: how long the player window
// waits to appear, how long the user-interface thread stalls, the time to
// the first page, and the memory of the whole process tree (the engine's
// helper processes included) once that page is shown.
//
//   bench_newsstart [eager]
//
// "eager" starts the web engine inside the window's constructor instead of
// after the player has been drawn, for comparison. Run it inside
// scripts/test-session.sh; the page comes from a server on 127.0.0.1.
#include "localwebserver.h"
#include "proctree.h"

#include "news/noticia.h"
#include "news/webbrowser.h"
#include "news/webenginesetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {

// The compact player window the user waits for.
class PlayerStandIn : public QWidget
{
public:
    PlayerStandIn()
    {
        resize(168, 228);
        setWindowTitle(QStringLiteral("player"));
    }
    qint64 firstPaintMs = -1;
    QElapsedTimer *clock = nullptr;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), Qt::darkBlue);
        if (firstPaintMs < 0)
            firstPaintMs = clock->elapsed();
    }
};

}  // namespace

int main(int argc, char **argv)
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    WebEngineSetup::beforeApplication();
    WebEngineSetup::ApplicationArguments qtArgs(argc, argv);
    QApplication app(qtArgs.argc(), qtArgs.argv());
    const bool eager = argc > 1 && QByteArray(argv[1]) == "eager";

    LocalWebServer server;
    if (!server.listen())
        return 1;
    server.addPage(QStringLiteral("/noticias/"),
                   "<!DOCTYPE html><html><head><meta charset='utf-8'><title>Notícias</title></head>"
                   "<body><h1>Notícias</h1><p>Uma página local de teste.</p></body></html>");
    QList<CatalogueEntry> rows = NewsSiteCatalogue::builtIn();
    rows[0].address = server.url(QStringLiteral("/noticias/"));

    const ProcTree::Memory before = ProcTree::memory(int(::getpid()));

    // Start-up as the program does it: player created, news window created,
    // player shown, event loop.
    QElapsedTimer clock;
    clock.start();
    PlayerStandIn player;
    player.clock = &clock;
    auto *news = new TBrowseNoticia(NewsSiteCatalogue(rows), &player);
    qint64 engineStartMs = -1;
    if (eager) {
        QElapsedTimer t;
        t.start();
        news->WebBrowser->start();
        engineStartMs = t.elapsed();
    }
    player.show();

    // The longest time the event loop did not turn.
    qint64 longestStall = 0;
    QElapsedTimer tick;
    tick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestStall = qMax(longestStall, tick.restart()); });
    ticker.start(5);

    qint64 firstPageMs = -1;
    QByteArray treeReport;
    ProcTree::Memory after;
    QObject::connect(news->WebBrowser, &NewsWebBrowser::ProgressChange, [&](int progress) {
        if (progress == -1 && firstPageMs < 0) {
            firstPageMs = clock.elapsed();
            // Let the helpers settle after the page is shown, and measure
            // while the page is still alive: the view goes when the loop ends.
            QTimer::singleShot(1500, &app, [&] {
                after = ProcTree::memory(int(::getpid()), &treeReport);
                QCoreApplication::quit();
            });
        }
    });
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    app.exec();
    ticker.stop();

    std::printf("news window, engine start %s\n",
                eager ? "in the constructor (eager)" : "after the player is drawn");
    if (const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"); !flags.isEmpty())
        std::printf("chromium flags: %s\n", flags.constData());
    std::printf("player first painted:       %6lld ms\n", player.firstPaintMs);
    if (eager)
        std::printf("engine start in constructor:%6lld ms\n", engineStartMs);
    std::printf("longest UI stall after show:%6lld ms\n", longestStall);
    std::printf("first page loaded:          %6lld ms%s\n", firstPageMs,
                firstPageMs < 0 ? " (timed out)" : "");
    std::printf("process tree after the first page:\n%s", treeReport.constData());
    std::printf("before the browser: RSS %.1f MiB, PSS %.1f MiB\n", before.rssKb / 1024.0,
                before.pssKb / 1024.0);
    std::printf("after the first page: RSS %.1f MiB, PSS %.1f MiB (tree total)\n", after.rssKb / 1024.0,
                after.pssKb / 1024.0);
    std::printf("browser cost: RSS %.1f MiB, PSS %.1f MiB\n", (after.rssKb - before.rssKb) / 1024.0,
                (after.pssKb - before.pssKb) / 1024.0);
    delete news;
    return firstPageMs < 0 ? 1 : 0;
}
