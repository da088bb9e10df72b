#include "media/mediaengine.h"

#include "media/engineworker_p.h"
#include "media/fullscreenwindow.h"
#include "media/statustexts.h"
#include "media/storedstate.h"
#include "platform/accessibility.h"
#include "platform/errors.h"
#include "platform/logging.h"
#include "ui_mediacontrols.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QStyle>
#include <QTextDocument>
#include <QThread>
#include <QVBoxLayout>

namespace {
MediaEngine::Options &defaults()
{
    static MediaEngine::Options o;
    return o;
}
}  // namespace

class MediaEngine::Private
{
public:
    Options options;
    StoredState state;
    QString controlData;
    QString url;
    QString uiMode = QStringLiteral("mini");
    bool autoStart = true;
    bool fullScreen = false;
    int volume = 100;
    bool muted = false;
    Status status = Status::Idle;
    Reason reason = Reason::None;
    int statusDetail = 0;
    QString statusText;
    QString nowPlaying;
    QString entry;

    QVBoxLayout *layout = nullptr;
    QWidget *surface = nullptr;
    QWidget *controls = nullptr;
    Ui::MediaControls ui;
    // Made once: a button draws its icon through Qt's pixmap cache, keyed by
    // the icon, so a fresh icon at every change of state would leave one more
    // cached picture behind each time a station connects or fails.
    QIcon playIcon, pauseIcon, volumeIcon, mutedIcon;
    FullScreenWindow *fullScreenWindow = nullptr;
    bool positionDragging = false;

    QThread *thread = nullptr;
    EngineWorker *worker = nullptr;
    std::shared_ptr<EngineDetail::Reaper> reaper;
    bool shutDown = false;
    bool reportedUnavailable = false;
    quint64 xwindow = 0;

    // Every call into the worker goes through here: once shut down, the
    // worker is gone or abandoned to the process's end.
    template<typename Fn> bool post(Fn fn)
    {
        if (shutDown || !worker)
            return false;
        QMetaObject::invokeMethod(
            worker, [w = worker, fn = std::move(fn)] { fn(w); }, Qt::QueuedConnection);
        return true;
    }

    void requestSwitch()
    {
        if (shutDown || !worker)
            return;
        worker->recordRequest(url, xwindow);
        post([](EngineWorker *w) { w->processSwitch(); });
    }
};

void MediaEngine::setDefaultOptions(const Options &options)
{
    defaults() = options;
}
MediaEngine::Options MediaEngine::defaultOptions()
{
    return defaults();
}

MediaEngine::MediaEngine(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
    d->options = defaults();

    d->layout = new QVBoxLayout(this);
    d->layout->setContentsMargins(0, 0, 0, 0);
    d->layout->setSpacing(0);

    // The library draws into this window, which must be a real X11 window
    // of its own, created before the first address is handed over.
    d->surface = new QWidget(this);
    d->surface->setObjectName(QStringLiteral("videoSurface"));
    d->surface->setAttribute(Qt::WA_NativeWindow);
    d->surface->setAttribute(Qt::WA_DontCreateNativeAncestors);
    QPalette black = d->surface->palette();
    black.setColor(QPalette::Window, Qt::black);
    d->surface->setPalette(black);
    d->surface->setAutoFillBackground(true);
    d->surface->setFocusPolicy(Qt::NoFocus);
    d->surface->installEventFilter(this);
    d->layout->addWidget(d->surface, 1);

    Accessibility::install();
    d->controls = new QWidget(this);
    d->ui.setupUi(d->controls);
    Accessibility::refresh(d->controls);
    d->layout->addWidget(d->controls);
    QStyle *st = style();
    d->playIcon = st->standardIcon(QStyle::SP_MediaPlay);
    d->pauseIcon = st->standardIcon(QStyle::SP_MediaPause);
    d->volumeIcon = st->standardIcon(QStyle::SP_MediaVolume);
    d->mutedIcon = st->standardIcon(QStyle::SP_MediaVolumeMuted);
    d->ui.playPauseButton->setIcon(d->playIcon);
    d->ui.stopButton->setIcon(st->standardIcon(QStyle::SP_MediaStop));
    d->ui.muteButton->setIcon(d->volumeIcon);
    d->ui.positionSlider->setEnabled(false);

    connect(d->ui.playPauseButton, &QToolButton::clicked, this, [this] {
        Errors::guarded([this] {
            if (d->status == Status::Reconnecting)
                stop();  // nothing to pause: the wait for the station ends
            else if (d->status == Status::Playing || d->status == Status::Buffering)
                pause();
            else
                play();
        });
    });
    connect(d->ui.stopButton, &QToolButton::clicked, this, [this] { Errors::guarded([this] { stop(); }); });
    connect(d->ui.muteButton, &QToolButton::toggled, this,
            [this](bool on) { Errors::guarded([this, on] { setMuted(on); }); });
    connect(d->ui.volumeSlider, &QSlider::valueChanged, this,
            [this](int v) { Errors::guarded([this, v] { setVolume(v); }); });
    connect(d->ui.positionSlider, &QSlider::sliderPressed, this, [this] { d->positionDragging = true; });
    connect(d->ui.positionSlider, &QSlider::sliderReleased, this, [this] {
        d->positionDragging = false;
        const double pos = d->ui.positionSlider->value() / 1000.0;
        d->post([pos](EngineWorker *w) { w->setPosition(pos); });
    });
    // Arrow, page and Home/End keys (and the wheel) move the slider without
    // pressing it: those steps seek at once, or the keyboard could never do.
    connect(d->ui.positionSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderNoAction || action == QAbstractSlider::SliderMove)
            return;
        const double pos = d->ui.positionSlider->sliderPosition() / 1000.0;
        d->post([pos](EngineWorker *w) { w->setPosition(pos); });
    });

    d->fullScreenWindow = new FullScreenWindow(this);
    connect(d->fullScreenWindow, &FullScreenWindow::leaveRequested, this, [this] {
        if (!d->fullScreen)
            return;
        d->fullScreen = false;
        d->fullScreenWindow->hide();
        d->surface->setParent(this);
        d->layout->insertWidget(0, d->surface, 1);
        d->surface->setVisible(d->uiMode != QLatin1String("invisible"));
        emit fullScreenChanged(false);
    });

    d->reaper = EngineDetail::Reaper::create();
    d->worker = new EngineWorker(d->options, d->reaper);
    d->thread = new QThread;
    d->thread->setObjectName(QStringLiteral("brelo-engine"));
    d->worker->moveToThread(d->thread);
    d->ui.statusLabel->installEventFilter(this);
    connect(d->worker, &EngineWorker::statusChanged, this, [this](Status s, Reason reason, int detail) {
        const QString text = StatusTexts::text(s, reason, detail);
        d->status = s;
        d->reason = reason;
        d->statusDetail = detail;
        d->statusText = text;
        showStatus();
        const bool running = s == Status::Playing || s == Status::Buffering || s == Status::Connecting
            || s == Status::Reconnecting;
        d->ui.playPauseButton->setIcon(running ? d->pauseIcon : d->playIcon);
        const QString playPause = running ? QStringLiteral("Pausar") : QStringLiteral("Reproduzir");
        d->ui.playPauseButton->setToolTip(playPause);
        if (d->ui.playPauseButton->accessibleName() != playPause)
            d->ui.playPauseButton->setAccessibleName(playPause);
        // The keyboard focus rests on the engine after a channel is chosen,
        // so its description is what a screen reader speaks as the stream
        // connects, plays or fails.
        setAccessibleDescription(text);
        if (s == Status::Failed || s == Status::Stopped || s == Status::Idle)
            d->entry.clear();
        emit statusChanged(s, text);
        if (reason == Reason::EngineUnavailable && !d->reportedUnavailable) {
            d->reportedUnavailable = true;
            emit unavailable(text);
        }
    });
    connect(d->worker, &EngineWorker::rebuffered, this, &MediaEngine::rebuffered);
    connect(d->worker, &EngineWorker::nowPlayingChanged, this, [this](const QString &title) {
        d->nowPlaying = title;
        showStatus();
        emit nowPlayingChanged(title);
    });
    connect(d->worker, &EngineWorker::entryStarted, this, [this](const QString &address) {
        d->entry = address;
        emit entryStarted(address);
    });
    connect(d->worker, &EngineWorker::positionChanged, this, [this](double pos, bool seekable) {
        d->ui.positionSlider->setEnabled(seekable);
        if (!d->positionDragging)
            d->ui.positionSlider->setValue(seekable ? int(pos * 1000) : 0);
    });
    d->thread->start();
    d->post([](EngineWorker *w) { w->startLibrary(); });

    applyUiMode();
}

MediaEngine::~MediaEngine()
{
    shutdown();
}

void MediaEngine::setControlData(const QString &hex)
{
    const StoredState s = StoredState::fromHex(hex);
    d->controlData = hex;
    d->state = s;
    d->autoStart = s.autoStart;
    d->volume = s.volume;
    d->muted = s.mute;
    {
        const QSignalBlocker a(d->ui.volumeSlider), b(d->ui.muteButton);
        d->ui.volumeSlider->setValue(s.volume);
        d->ui.muteButton->setChecked(s.mute);
    }
    d->post([v = s.volume, m = s.mute](EngineWorker *w) {
        w->setVolume(v);
        w->setMuted(m);
    });
    d->uiMode = s.uiMode;
    applyUiMode();
    if (!s.url.isEmpty())
        setURL(s.url);
    if (s.fullScreen)
        setFullScreen(true);
}

QString MediaEngine::controlData() const
{
    return d->controlData;
}

void MediaEngine::setURL(const QString &url)
{
    d->url = url;
    emit propertyWritten(QStringLiteral("URL"), url);
    if (!d->autoStart || d->shutDown)
        return;
    // Always the new address: a paused station must not resume under the
    // name of the one just chosen.
    startAddress();
}

void MediaEngine::play()
{
    if (d->status == Status::Paused)
        d->post([](EngineWorker *w) { w->resume(); });
    else
        startAddress();
}

void MediaEngine::startAddress()
{
    if (d->shutDown)
        return;
    if (d->options.video)
        d->xwindow = d->surface->winId();
    d->entry.clear();
    d->requestSwitch();
}

void MediaEngine::pause()
{
    d->post([](EngineWorker *w) { w->pause(); });
}

void MediaEngine::stop()
{
    d->post([](EngineWorker *w) { w->stop(); });
}

void MediaEngine::setVolume(int volume)
{
    const int before = d->volume;
    d->volume = qBound(0, volume, 100);
    if (d->ui.volumeSlider->value() != d->volume)
        d->ui.volumeSlider->setValue(d->volume);
    d->post([v = d->volume](EngineWorker *w) { w->setVolume(v); });
    // The slider re-enters here with the same value: one signal per change.
    if (d->volume != before)
        emit volumeChanged(d->volume);
}

void MediaEngine::setMuted(bool muted)
{
    const bool before = d->muted;
    d->muted = muted;
    if (d->ui.muteButton->isChecked() != muted)
        d->ui.muteButton->setChecked(muted);
    d->ui.muteButton->setIcon(muted ? d->mutedIcon : d->volumeIcon);
    d->post([muted](EngineWorker *w) { w->setMuted(muted); });
    if (muted != before)
        emit mutedChanged(muted);
}

void MediaEngine::setUiMode(const QString &mode)
{
    const QString m = mode.toLower();
    if (!StoredState::uiModes().contains(m))
        throw ControlError(QStringLiteral("Valor inválido para uiMode: \"%1\"").arg(mode));
    d->uiMode = m;
    applyUiMode();
    emit propertyWritten(QStringLiteral("uiMode"), mode);
}

void MediaEngine::applyUiMode()
{
    const QString &m = d->uiMode;
    const bool full = m == QLatin1String("full");
    const bool withControls = full || m == QLatin1String("mini");
    d->controls->setVisible(withControls);
    d->ui.positionSlider->setVisible(full);
    d->ui.volumeSlider->setVisible(full);
    if (!d->fullScreen)
        d->surface->setVisible(m != QLatin1String("invisible"));
    showStatus();
}

void MediaEngine::showStatus()
{
    // The compact controls have room for a few words: their wording is
    // shorter, what still does not fit ends in an ellipsis, and the tooltip
    // always holds the whole text with what plays now. A title is the
    // station's text, never markup: the label is plain text, and the
    // tooltip, which would take markup, gets it escaped.
    QLabel *label = d->ui.statusLabel;
    const bool compact = d->uiMode != QLatin1String("full");
    QString whole = d->statusText;
    const bool sounding
        = d->status == Status::Playing || d->status == Status::Buffering || d->status == Status::Paused;
    if (sounding && !d->nowPlaying.isEmpty())
        whole = whole.isEmpty() ? d->nowPlaying : whole + QStringLiteral(" — ") + d->nowPlaying;
    const QString shown = compact ? StatusTexts::text(d->status, d->reason, d->statusDetail, true) : whole;
    label->setText(
        label->fontMetrics().elidedText(shown, Qt::ElideRight, qMax(0, label->contentsRect().width())));
    label->setToolTip(whole.isEmpty() ? QString() : Qt::convertFromPlainText(whole));
    // A screen reader reads the whole text, not the shortened one, and is
    // told each time it changes.
    if (label->accessibleName() != whole)
        label->setAccessibleName(whole);
}

void MediaEngine::setFullScreen(bool on)
{
    emit propertyWritten(QStringLiteral("fullScreen"), on);
    if (!on) {
        emit d->fullScreenWindow->leaveRequested();
        return;
    }
    if (d->fullScreen)
        return;
    d->fullScreen = true;
    QWidget *target = d->fullScreenWindow;
    if (screen())
        target->setScreen(screen());
    d->surface->setParent(target);
    static_cast<QVBoxLayout *>(target->layout())->addWidget(d->surface);
    d->surface->show();
    target->showFullScreen();
    target->raise();
    target->activateWindow();
    target->setFocus();
    emit fullScreenChanged(true);
}

bool MediaEngine::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->ui.statusLabel && event->type() == QEvent::Resize)
        showStatus();
    if (watched == d->surface) {
        const WId now = d->surface->internalWinId();
        if (event->type() == QEvent::WinIdChange && d->options.video && !d->shutDown && d->xwindow && now
            && now != d->xwindow
            && (d->status == Status::Playing || d->status == Status::Buffering
                || d->status == Status::Connecting)) {
            // The window was made anew (the main window changed its flags):
            // the library cannot move its picture, so the same address starts
            // again into the new window.
            d->xwindow = now;
            d->requestSwitch();
        } else if (event->type() == QEvent::MouseButtonDblClick && d->fullScreen) {
            emit d->fullScreenWindow->leaveRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString MediaEngine::URL() const
{
    return d->url;
}
QString MediaEngine::uiMode() const
{
    return d->uiMode;
}
bool MediaEngine::fullScreen() const
{
    return d->fullScreen;
}
int MediaEngine::volume() const
{
    return d->volume;
}
bool MediaEngine::muted() const
{
    return d->muted;
}
MediaEngine::Status MediaEngine::status() const
{
    return d->status;
}
MediaEngine::Reason MediaEngine::reason() const
{
    return d->reason;
}
QString MediaEngine::statusText() const
{
    return d->statusText;
}
QString MediaEngine::nowPlaying() const
{
    return d->nowPlaying;
}
QString MediaEngine::currentEntry() const
{
    return d->entry;
}

void MediaEngine::shutdown(int msTimeout)
{
    const QDeadlineTimer deadline(msTimeout);
    if (!d->post([](EngineWorker *w) { w->shutdown(); }))
        return;
    d->shutDown = true;
    // The worker deletes itself on its thread as that ends.
    d->worker = nullptr;
    if (d->thread->wait(deadline)) {
        delete d->thread;
        d->reaper->waitIdle(int(deadline.remainingTime()));
    } else {
        // Still inside the library: the thread is left to the process's end.
        qCDebug(lcMedia) << "shut-down abandoned: the library did not return in" << msTimeout << "ms";
    }
    d->thread = nullptr;
}
