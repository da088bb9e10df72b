#include "news/webbrowser.h"

#include "news/downloads.h"

#include "platform/errors.h"
#include "platform/logging.h"

#include <QAction>
#include <QCoreApplication>
#include <QPointer>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// What the engine says when asked to go where there is no page.
constexpr quint32 kFailCode = 0x80004005u;
const char *const kRefusedText = "Erro não especificado";

// How long a pop-up may stay blank before it is closed: long enough for a
// page that opens a window first and sends it somewhere once it knows where.
constexpr int BlankPopupGraceMs = 3000;

// Settled while the first page is made, which starts the web engine: the
// page is drawn by the processor, and the scene graph that shows it must not
// go looking for the OpenGL the program turned off. (The engine's own flags
// come with the application's arguments: WebEngineSetup.)
void prepareEngineStart()
{
    static const bool softwareSet = [] {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return true;
    }();
    Q_UNUSED(softwareSet);
}

bool isWebAddress(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// Stands in for a window the user's click asked a page to open. The window
// has nowhere to be shown, so its first main-frame navigation to a web
// address is handed to the browser's own page: the site opens in the same
// view and Back returns from it. Anything else ends the stand-in: another
// kind of address (file:, data:, ...) that the opening page could not have
// loaded itself, the page closing it, or its staying blank, where a script
// could write into it and run unseen, sound included.
class PopupCatcher : public QWebEnginePage
{
public:
    PopupCatcher(QWebEngineProfile *profile, QWebEnginePage *target)
        : QWebEnginePage(profile, target), m_target(target)
    {
        connect(this, &QWebEnginePage::windowCloseRequested, this, [this] { finish(QUrl()); });
        QTimer::singleShot(BlankPopupGraceMs, this, [this] {
            qCDebug(lcNews) << "pop-up closed: it stayed blank";
            finish(QUrl());
        });
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        // The empty document a pop-up starts with; the grace period runs.
        if (url.isEmpty() || url == QUrl(QStringLiteral("about:blank")))
            return true;
        if (isMainFrame)
            finish(url);
        return false;
    }

private:
    void finish(const QUrl &url)
    {
        if (m_done)
            return;
        m_done = true;
        if (!url.isEmpty()) {
            if (isWebAddress(url) && m_target) {
                qCDebug(lcNews) << "pop-up opened in the news view:" << url.toString();
                m_target->load(url);
            } else {
                qCDebug(lcNews) << "pop-up refused, not a web address:" << url.scheme();
            }
        }
        // Deleting the page ends its renderer's document: the opener sees the
        // window closed, and nothing of it runs on.
        deleteLater();
    }

    QPointer<QWebEnginePage> m_target;
    bool m_done = false;
};

class NewsPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    // Only windows the user asked for get here: the page's settings refuse
    // scripts that open windows on their own.
    QWebEnginePage *createWindow(WebWindowType) override { return new PopupCatcher(profile(), this); }
};

}  // namespace

NewsWebBrowser::NewsWebBrowser(QWidget *parent) : QWidget(parent)
{
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    // The program's windows live until the process ends, but the engine
    // shuts down with the application object and must not find a page of
    // ours still alive then.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        setFocusProxy(nullptr);
        delete m_view;
        m_view = nullptr;
        m_downloads = nullptr;
        m_pending.clear();
        m_closed = true;
    });
}

NewsWebBrowser::~NewsWebBrowser() = default;

void NewsWebBrowser::start()
{
    if (m_view || m_closed)
        return;
    prepareEngineStart();
    m_view = new QWebEngineView(this);
    // The default profile keeps nothing on disk: the program writes no file.
    auto *page = new NewsPage(QWebEngineProfile::defaultProfile(), m_view);
    // A window opened without the user's click (an advertisement, a
    // pop-under) is refused: window.open returns null to the page.
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_view->setPage(page);
    // A page no one has seen is loaded but not drawn: the window's first
    // showing makes it visible.
    if (!m_shown)
        page->setVisible(false);
    layout()->addWidget(m_view);
    setFocusProxy(m_view);

    connect(page, &QWebEnginePage::titleChanged, this, &NewsWebBrowser::TitleChange);
    connect(page, &QWebEnginePage::linkHovered, this, &NewsWebBrowser::StatusTextChange);
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            qCDebug(lcNews) << "loading" << info.url().toDisplayString();
            emit StatusTextChange(QStringLiteral("Abrindo página ") + info.url().toString());
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            emit StatusTextChange(QStringLiteral("Concluído"));
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
            qCDebug(lcNews) << "load failed:" << info.url().toDisplayString() << info.errorString();
            emit StatusTextChange(QStringLiteral("Não foi possível abrir a página ") + info.url().toString());
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus: break;
        }
    });
    connect(page, &QWebEnginePage::loadProgress, this,
            [this](int percent) { emit ProgressChange(percent, 100); });
    // The end of a load is its closing report, which hides the bar.
    connect(page, &QWebEnginePage::loadFinished, this, [this] {
        emit ProgressChange(-1, 100);
        freezeIfHidden();
    });

    m_downloads = new PageDownloads(page, window());
    connect(m_downloads, &PageDownloads::progress, this, &NewsWebBrowser::DownloadProgress);
    connect(m_downloads, &PageDownloads::statusText, this, &NewsWebBrowser::StatusTextChange);
    connect(m_downloads, &PageDownloads::ended, this, &NewsWebBrowser::DownloadEnded);

    QAction *back = page->action(QWebEnginePage::Back);
    QAction *forward = page->action(QWebEnginePage::Forward);
    connect(back, &QAction::enabledChanged, this,
            [this](bool on) { emit CommandStateChange(NavigateBack, on); });
    connect(forward, &QAction::enabledChanged, this,
            [this](bool on) { emit CommandStateChange(NavigateForward, on); });
    // The buttons start enabled, as laid out; the engine's first word on
    // them is the state of its empty history.
    emit CommandStateChange(NavigateForward, forward->isEnabled());
    emit CommandStateChange(NavigateBack, back->isEnabled());

    if (!m_pending.isEmpty()) {
        m_view->load(QUrl(m_pending));
        m_pending.clear();
    }
}

void NewsWebBrowser::Navigate(const QString &address)
{
    if (!m_view) {
        m_pending = address;
        return;
    }
    m_view->load(QUrl(address));
}

void NewsWebBrowser::GoBack()
{
    if (!m_view || !m_view->history()->canGoBack()) {
        qCDebug(lcNews) << "back refused: no earlier page";
        throw ControlError(QString::fromUtf8(kRefusedText), kFailCode);
    }
    m_view->back();
}

void NewsWebBrowser::GoForward()
{
    if (!m_view || !m_view->history()->canGoForward()) {
        qCDebug(lcNews) << "forward refused: no later page";
        throw ControlError(QString::fromUtf8(kRefusedText), kFailCode);
    }
    m_view->forward();
}

void NewsWebBrowser::Refresh()
{
    if (m_view)
        m_view->reload();
}

void NewsWebBrowser::setShown(bool shown)
{
    m_shown = shown;
    if (!m_view)
        return;
    if (shown) {
        m_view->page()->setLifecycleState(QWebEnginePage::LifecycleState::Active);
        qCDebug(lcNews) << "page active";
    } else {
        freezeIfHidden();
    }
}

void NewsWebBrowser::freezeIfHidden()
{
    QWebEnginePage *page = m_view ? m_view->page() : nullptr;
    // A page still loading is left to finish; the end of its load comes back here.
    if (m_shown || !page || page->isLoading()
        || page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        return;
    // A page whose window was never shown still counts as visible to the
    // engine, and a visible page cannot be frozen.
    page->setVisible(false);
    page->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
    qCDebug(lcNews) << "page frozen while the window is hidden";
}

bool NewsWebBrowser::isDownloading() const
{
    return m_downloads && m_downloads->isRunning();
}

void NewsWebBrowser::CancelDownload()
{
    if (m_downloads)
        m_downloads->cancel();
}

QString NewsWebBrowser::locationUrl() const
{
    return m_view ? m_view->url().toString() : QString();
}
