// Program exit while the news window is shown: the exit command ends the
// modal showing and the program, whose windows are never deleted, and the
// process ends with code 0 although a page is still loaded in the view.
#include "localwebserver.h"

#include "news/noticia.h"
#include "news/webbrowser.h"
#include "news/webenginesetup.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {
bool pageOutlivedEngine = false;
QtMessageHandler defaultHandler = nullptr;

void watchMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.contains(QLatin1String("WebEnginePage still not deleted")))
        pageOutlivedEngine = true;
    defaultHandler(type, context, text);
}

int run(int argc, char **argv)
{
    QApplication app(argc, argv);

    LocalWebServer server;
    if (!server.listen())
        return 2;
    server.addPage(QStringLiteral("/"), "<html><head><title>Sair</title></head><body>x</body></html>");
    QList<CatalogueEntry> rows = NewsSiteCatalogue::builtIn();
    rows[0].address = server.url(QStringLiteral("/"));

    auto *player = new QWidget;  // as at start-up: never deleted
    auto *news = new TBrowseNoticia(NewsSiteCatalogue(rows), player);
    bool loaded = false;
    QObject::connect(news, &QWidget::windowTitleChanged,
                     [&](const QString &t) { loaded = t == QStringLiteral("Sair - Brelo Browser"); });
    bool execEnded = false;
    QTimer::singleShot(0, [&] {
        news->exec();
        execEnded = true;
    });
    // The exit command, while the window is shown, once the page is in.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (loaded && news->isVisible()) {
            poll.stop();
            QApplication::processEvents();
            QApplication::exit(0);
        }
    });
    poll.start(50);
    QTimer::singleShot(20000, [] { QApplication::exit(3); });
    const int code = app.exec();
    if (code != 0 || !loaded) {
        std::fprintf(stderr, "exit code %d, page loaded %d\n", code, int(loaded));
        return 1;
    }
    // The modal showing returns once the main loop has let go.
    QCoreApplication::processEvents();
    if (!execEnded) {
        std::fprintf(stderr, "the modal showing did not end\n");
        return 1;
    }
    return 0;
}
}  // namespace

int main(int argc, char **argv)
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    WebEngineSetup::beforeApplication();
    defaultHandler = qInstallMessageHandler(watchMessages);
    const int code = run(argc, argv);  // the application object ends here
    if (pageOutlivedEngine) {
        std::fprintf(stderr, "the page outlived the web engine\n");
        return 1;
    }
    return code;
}
