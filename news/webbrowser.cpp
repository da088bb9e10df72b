#include "news/webbrowser.h"

#include "platform/errors.h"

#include <QAction>
#include <QCoreApplication>
#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// What the engine says when asked to go where there is no page.
constexpr quint32 E_FAIL_CODE = 0x80004005u;
const char *const RefusedText = "Erro não especificado";

// Stands in for a window a page asks to open: its first main-frame
// navigation is handed to the browser's own page and the stand-in goes
// away, so the site opens in the same view and Back returns from it.
class NewWindowCatcher : public QWebEnginePage
{
public:
    NewWindowCatcher(QWebEngineProfile *profile, QWebEnginePage *target)
        : QWebEnginePage(profile, target), m_target(target)
    {
        // Some openings (a script writing into a blank window) never ask for
        // a navigation; the address they settle on is taken instead.
        connect(this, &QWebEnginePage::urlChanged, this, [this](const QUrl &url) {
            if (!url.isEmpty() && url != QUrl(QStringLiteral("about:blank")))
                handOver(url);
        });
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame)
            handOver(url);
        return false;
    }

private:
    void handOver(const QUrl &url)
    {
        if (m_done)
            return;
        m_done = true;
        if (m_target)
            m_target->load(url);
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
    QWebEnginePage *createWindow(WebWindowType) override { return new NewWindowCatcher(profile(), this); }
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
        m_pending.clear();
        m_closed = true;
    });
}

NewsWebBrowser::~NewsWebBrowser() = default;

void NewsWebBrowser::start()
{
    if (m_view || m_closed)
        return;
    m_view = new QWebEngineView(this);
    // The default profile keeps nothing on disk: the program writes no file.
    auto *page = new NewsPage(QWebEngineProfile::defaultProfile(), m_view);
    m_view->setPage(page);
    layout()->addWidget(m_view);
    setFocusProxy(m_view);

    connect(page, &QWebEnginePage::titleChanged, this, &NewsWebBrowser::TitleChange);
    connect(page, &QWebEnginePage::linkHovered, this, &NewsWebBrowser::StatusTextChange);
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            emit StatusTextChange(QStringLiteral("Abrindo página ") + info.url().toString());
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            emit StatusTextChange(QStringLiteral("Concluído"));
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
            emit StatusTextChange(QStringLiteral("Não foi possível abrir a página ") + info.url().toString());
            break;
        case QWebEngineLoadingInfo::LoadStoppedStatus: break;
        }
    });
    connect(page, &QWebEnginePage::loadProgress, this,
            [this](int percent) { emit ProgressChange(percent, 100); });
    // The end of a load is its closing report, which hides the bar.
    connect(page, &QWebEnginePage::loadFinished, this, [this] { emit ProgressChange(-1, 100); });

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
    if (!m_view || !m_view->history()->canGoBack())
        throw ControlError(QString::fromUtf8(RefusedText), E_FAIL_CODE);
    m_view->back();
}

void NewsWebBrowser::GoForward()
{
    if (!m_view || !m_view->history()->canGoForward())
        throw ControlError(QString::fromUtf8(RefusedText), E_FAIL_CODE);
    m_view->forward();
}

void NewsWebBrowser::Refresh()
{
    if (m_view)
        m_view->reload();
}

QString NewsWebBrowser::locationUrl() const
{
    return m_view ? m_view->url().toString() : QString();
}
