#include "app/startup.h"

#include "app/breloapplication.h"
#include "app/desktopbinding.h"
#include "app/displaycheck.h"
#include "app/newslibrary.h"
#include "app/singleinstance.h"
#include "app/windowfinder.h"
#include "app/windows.h"
#include "desktop/busprobe.h"
#include "desktop/desktopcontrols.h"
#include "desktop/mprisservice.h"
#include "media/engineservice.h"
#include "media/statustexts.h"
#include "news/webenginesetup.h"
#include "platform/appicon.h"
#include "platform/appinfo.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "platform/memorypolicy.h"
#include "player/principal.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kFullIconDelayMs = 500;

void prepareEnvironment()
{
    // The player places, clamps and minimises itself through the X11 window
    // manager; under a Wayland session it runs through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Chromium refuses to start its sandbox as root; an ordinary user keeps it.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Without it the news pages are a blank box to a screen reader.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
    WebEngineSetup::beforeApplication();
}

const char *guardOutcome(SingleInstanceGuard::Result r)
{
    switch (r) {
    case SingleInstanceGuard::Result::Acquired: return "acquired";
    case SingleInstanceGuard::Result::Busy: return "held by a running copy, start refused";
    case SingleInstanceGuard::Result::Unprotected: return "could not be set up, starting unprotected";
    }
    return "?";
}

}  // namespace

int runBrelo(int argc, char **argv)
{
    MemoryPolicy::apply();
    // Without a display there is no window to show an error box in.
    if (const auto missing = DisplayCheck::missingDisplay()) {
        std::fprintf(stderr, "%s\n", missing->c_str());
        return 1;
    }
    prepareEnvironment();
    SessionBusCheck bus;
    // Qt is shown the program name and the web engine's flags only: no
    // command line is read.
    WebEngineSetup::ApplicationArguments qtArgs(argc > 0 ? 1 : 0, argv);
    BreloApplication app(qtArgs.argc(), qtArgs.argv());
    WebEngineSetup::afterApplication();
    QApplication::setApplicationVersion(QStringLiteral(BRELO_VERSION_SHORT));
    // Ties the windows to the menu entry, so the desktop groups them under it.
    QGuiApplication::setDesktopFileName(QStringLiteral("breloplayer"));
    // Set before any window exists: every window and the tray icon take it.
    // The small sizes only for now; the large picture follows once the main
    // window is up (below).
    QApplication::setWindowIcon(AppIcon::windowIcon());

    SingleInstanceGuard guard(AppInfo::instanceName());
    const SingleInstanceGuard::Result held = guard.acquire();
    qCDebug(lcApp) << "instance guard:" << guardOutcome(held);
    if (held == SingleInstanceGuard::Result::Busy) {
        // The running copy's window may sit in a tray that is gone, or be
        // minimised where no taskbar shows it: it comes forward as well.
        guard.askHolderToShow();
        QMessageBox::information(nullptr, QStringLiteral("Atenção"),
                                 QStringLiteral("Atenção o programa já está aberto!."));
        return 0;
    }

    if (topLevelWindowTitled(AppInfo::blockingWindowTitle())) {
        qCDebug(lcApp) << "start refused: a window titled" << AppInfo::blockingWindowTitle() << "exists";
        QMessageBox::information(nullptr, QStringLiteral("Information"),
                                 QStringLiteral("Você não pode executar outra cópia do aplicativo"));
        return 0;
    }

    QApplication::setApplicationName(QStringLiteral("breloplayer"));
    app.setHelpFile(AppInfo::helpFile());
    // Before the first window, whose accessibility bridge joins the bus on
    // this thread; the event loop turns while the verdict comes in.
    bus.settle();
    ProgramWindows windows;
    NewsLibrary news(NewsLibrary::besideProgram());
    QObject::connect(&news, &NewsLibrary::loaded, &news, [&windows](BreloNewsWindowEntry make) {
        if (!Errors::guarded([&] { windows.createNews(make); }))
            windows.newsUnavailable();
    });
    QObject::connect(&news, &NewsLibrary::failed, &news, [&windows] { windows.newsUnavailable(); });
    return runWindows(
        windows,
        [&guard](ProgramWindows &w) {
            w.createMain();
            QObject::connect(&guard, &SingleInstanceGuard::showRequested, w.main(),
                             &TFormPrincipal::ShowFromOutside);
            // A library that cannot start is known only once the engine's
            // thread tried it; the program then says so and ends, as for any
            // error at start-up.
            QObject::connect(w.engine(), &EngineService::unavailable, qApp, [&w] {
                qCWarning(lcApp) << "media engine unavailable; ending";
                w.main()->hide();
                Errors::showErrorBox(
                    StatusTexts::text(Engine::Status::Failed, Engine::Reason::EngineUnavailable));
                QCoreApplication::quit();
            });
        },
        [&news](ProgramWindows &w) {
            // Before the event loop turns: no command can ask for it sooner.
            w.createAbout();
            // Task switchers and docks that draw a window's own icon large
            // get the 256 px picture too, once the window has been drawn.
            QTimer::singleShot(kFullIconDelayMs, qApp, [] { QApplication::setWindowIcon(AppIcon::icon()); });
            // The news page still starts loading at once, only after the
            // main window rather than before it.
            news.load();
            // The desktop's media keys and widgets; joins the bus in the background.
            auto *controls = bindDesktopControls(w.main());
            (new MprisService(controls, controls))->start();
        });
}

int runWindows(ProgramWindows &windows, const std::function<void(ProgramWindows &)> &create,
               const std::function<void(ProgramWindows &)> &shown)
{
    // A stream whose host name never resolves can hold the library for
    // seconds; the process must still end at once.
    const auto shutDownEngine = [&windows] {
        if (windows.engine())
            windows.engine()->shutdown();
    };
    if (!Errors::guarded([&] { create(windows); })) {
        qCWarning(lcApp) << "start-up failed: the windows could not be created";
        shutDownEngine();
        return 1;
    }
    windows.main()->show();
    if (shown)
        shown(windows);
    qCDebug(lcApp) << "event loop running";
    QApplication::exec();
    qCDebug(lcApp) << "event loop ended";
    shutDownEngine();
    return 0;
}
