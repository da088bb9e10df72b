#include "news/noticia.h"
#include "ui_noticia.h"

#include "news/newsstatusbar.h"
#include "news/progressrule.h"
#include "news/statustexts.h"
#include "news/webbrowser.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "platform/taskbarhint.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {
const QString kCaptionSuffix = QStringLiteral(" - Brelo Browser");
constexpr int kStatusPanel = 0;
constexpr int kProgressPanel = 1;
constexpr int kDatePanel = 2;
constexpr int kTimePanel = 3;
// The progress bar leaves the right end of its panel free.
constexpr int kProgressBarGap = 5;
// Longest the browser waits for the player to be drawn before starting.
constexpr int kPlayerWaitMs = 1500;
}  // namespace

TBrowseNoticia::TBrowseNoticia(QWidget *parent) : TBrowseNoticia(NewsSiteCatalogue(), parent) { }

TBrowseNoticia::TBrowseNoticia(NewsSiteCatalogue sites, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::BrowseNoticia>()), m_sites(std::move(sites))
{
    ui->setupUi(this);
    btnvoltar = ui->btnvoltar;
    btnavancar = ui->btnavancar;
    btnAtualizar = ui->btnAtualizar;
    BtnSair = ui->BtnSair;
    BrowseCombo = ui->BrowseCombo;
    WebBrowser = ui->WebBrowser;
    StatusBar1 = ui->StatusBar1;
    ProgressBar1 = ui->ProgressBar1;

    // A dialog border with the system menu and the close box only; it
    // always opens over the whole screen.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setWindowState(Qt::WindowMaximized);

    for (const CatalogueEntry &row : m_sites.rows())
        BrowseCombo->addItem(row.text);

    auto guardedSlot = [this](void (TBrowseNoticia::*handler)()) {
        return [this, handler] { Errors::guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(btnvoltar, &QToolButton::clicked, this, guardedSlot(&TBrowseNoticia::btnvoltarClick));
    connect(btnavancar, &QToolButton::clicked, this, guardedSlot(&TBrowseNoticia::btnavancarClick));
    connect(btnAtualizar, &QToolButton::clicked, this, guardedSlot(&TBrowseNoticia::btnAtualizarClick));
    connect(BtnSair, &QToolButton::clicked, this, guardedSlot(&TBrowseNoticia::BtnSairClick));
    // Every change of the selection by the user, by mouse, keys or wheel;
    // the program's own choice of a row raises nothing.
    connect(BrowseCombo, &QComboBox::activated, this, guardedSlot(&TBrowseNoticia::BrowseComboClick));

    connect(WebBrowser, &NewsWebBrowser::StatusTextChange, this,
            [this](const QString &t) { Errors::guarded([&] { WebBrowserStatusTextChange(t); }); });
    connect(WebBrowser, &NewsWebBrowser::ProgressChange, this,
            [this](int p, int max) { Errors::guarded([&] { WebBrowserProgressChange(p, max); }); });
    connect(WebBrowser, &NewsWebBrowser::CommandStateChange, this,
            [this](int c, bool on) { Errors::guarded([&] { WebBrowserCommandStateChange(c, on); }); });
    connect(WebBrowser, &NewsWebBrowser::TitleChange, this,
            [this](const QString &t) { Errors::guarded([&] { WebBrowserTitleChange(t); }); });

    // A download owns the progress panel while it runs; a click there
    // cancels it.
    connect(WebBrowser, &NewsWebBrowser::DownloadProgress, this, &TBrowseNoticia::showDownloadProgress);
    connect(WebBrowser, &NewsWebBrowser::DownloadEnded, this, [this] {
        ProgressBar1->hide();
        ProgressBar1->setToolTip(QString());
        ProgressBar1->unsetCursor();
    });
    ProgressBar1->installEventFilter(this);

    FormCreate();
    startBrowserSoon();
}

TBrowseNoticia::~TBrowseNoticia()
{
    if (m_waitingFor)
        m_waitingFor->removeEventFilter(this);
}

void TBrowseNoticia::FormCreate()
{
    if (!m_sites.rows().isEmpty())
        WebBrowser->Navigate(m_sites.at(0).address);
    BrowseCombo->setCurrentIndex(0);
    StatusBar1->setPanelText(kDatePanel, StatusTexts::datePanel(QDate::currentDate()));
    StatusBar1->setPanelText(kTimePanel, StatusTexts::timePanel(QTime::currentTime()));
}

// The web engine takes a noticeable while to come up and blocks the thread
// that does it, which is the user-interface thread. It is therefore started
// once the event loop runs and, when the player window is on its way to the
// screen, only after the player has been drawn: the player appears as fast
// as without the browser, and the first site still loads from program start.
void TBrowseNoticia::startBrowserSoon()
{
    QTimer::singleShot(0, this, [this] {
        QWidget *player = parentWidget() ? parentWidget()->window() : nullptr;
        QWindow *handle = player ? player->windowHandle() : nullptr;
        if (handle && player->isVisible() && !handle->isExposed() && !WebBrowser->isStarted()) {
            m_waitingFor = handle;
            handle->installEventFilter(this);
            QTimer::singleShot(kPlayerWaitMs, this, &TBrowseNoticia::startBrowser);
            return;
        }
        startBrowser();
    });
}

void TBrowseNoticia::startBrowser()
{
    if (m_waitingFor) {
        m_waitingFor->removeEventFilter(this);
        m_waitingFor = nullptr;
    }
    if (!WebBrowser->isStarted())
        qCDebug(lcNews) << "starting the web engine";
    WebBrowser->start();
}

bool TBrowseNoticia::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == ProgressBar1 && e->type() == QEvent::MouseButtonRelease && WebBrowser->isDownloading()
        && static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
        WebBrowser->CancelDownload();
        return true;
    }
    if (watched == m_waitingFor && e->type() == QEvent::Expose) {
        auto *handle = static_cast<QWindow *>(watched);
        // The player paints while this event is delivered; the start waits
        // for the next turn of the loop so that the picture is sent first.
        if (handle->isExposed())
            QTimer::singleShot(0, this, &TBrowseNoticia::startBrowser);
    }
    return QDialog::eventFilter(watched, e);
}

void TBrowseNoticia::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // The player's own taskbar button stands for the program.
        TaskbarHint::ownedByParent(this);
        // Every opening covers the screen: a window manager drops the
        // maximised state of a window it withdraws, and Qt may hear of that
        // only after the window was hidden.
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    }
    QDialog::setVisible(visible);
}

void TBrowseNoticia::hideEvent(QHideEvent *e)
{
    WebBrowser->setShown(false);
    QDialog::hideEvent(e);
}

void TBrowseNoticia::showEvent(QShowEvent *e)
{
    WebBrowser->setShown(true);
    // Opened before the background start came round.
    startBrowser();
    QDialog::showEvent(e);
}

void TBrowseNoticia::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    FormResize();
}

void TBrowseNoticia::keyPressEvent(QKeyEvent *e)
{
    // The window closes by its button, its close box or Alt+F4 only; Escape
    // typed into a page must not end the showing.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TBrowseNoticia::FormResize()
{
    const auto panel = StatusBar1->panelRect(kProgressPanel);
    if (!panel)
        return;
    if (ProgressBar1->parentWidget() != StatusBar1) {
        const bool shown = !ProgressBar1->isHidden();
        ProgressBar1->setParent(StatusBar1);
        ProgressBar1->setVisible(shown);
    }
    ProgressBar1->setGeometry(panel->left(), panel->top(), panel->width() - kProgressBarGap, panel->height());
}

void TBrowseNoticia::btnvoltarClick()
{
    qCDebug(lcNews) << "back";
    WebBrowser->GoBack();
}

void TBrowseNoticia::btnavancarClick()
{
    qCDebug(lcNews) << "forward";
    WebBrowser->GoForward();
}

void TBrowseNoticia::btnAtualizarClick()
{
    qCDebug(lcNews) << "refresh";
    WebBrowser->Refresh();
}

void TBrowseNoticia::BtnSairClick()
{
    close();
}

void TBrowseNoticia::BrowseComboClick()
{
    for (const CatalogueEntry &row : m_sites.rows()) {
        if (BrowseCombo->currentText() == row.text) {
            qCDebug(lcNews) << "site chosen:" << row.address;
            WebBrowser->Navigate(row.address);
        }
    }
    WebBrowser->setFocus();
}

void TBrowseNoticia::WebBrowserStatusTextChange(const QString &Text)
{
    StatusBar1->setPanelText(kStatusPanel, Text);
}

void TBrowseNoticia::showDownloadProgress(qint64 received, qint64 total)
{
    ProgressBar1->setToolTip(QStringLiteral("Clique para cancelar o download"));
    ProgressBar1->setCursor(Qt::PointingHandCursor);
    // An unknown total shows the bar empty: something runs, how far is unknown.
    ProgressBar1->setValue(total > 0 ? int(std::clamp<qint64>(received * 100 / total, 0, 100)) : 0);
    ProgressBar1->show();
}

void TBrowseNoticia::WebBrowserProgressChange(int Progress, int ProgressMax)
{
    // The page's loads wait while a download holds the bar.
    if (WebBrowser->isDownloading())
        return;
    const ProgressStep step = progressStep(Progress, ProgressMax);
    if (!step.visible) {
        ProgressBar1->hide();
        return;
    }
    ProgressBar1->setValue(step.position);
    ProgressBar1->show();
}

void TBrowseNoticia::WebBrowserCommandStateChange(int Command, bool Enable)
{
    if (Command == NewsWebBrowser::NavigateForward)
        btnavancar->setEnabled(Enable);
    else if (Command == NewsWebBrowser::NavigateBack)
        btnvoltar->setEnabled(Enable);
}

void TBrowseNoticia::WebBrowserTitleChange(const QString &Text)
{
    setWindowTitle(Text + kCaptionSuffix);
}
