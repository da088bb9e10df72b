#include "media/mediaengine.h"

#include "media/fullscreenwindow.h"
#include "media/statustexts.h"
#include "media/storedstate.h"
#include "platform/accessibility.h"
#include "platform/errors.h"
#include "ui_mediacontrols.h"

#include <QEvent>
#include <QMetaEnum>
#include <QPointer>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>

#include <optional>

class MediaEngine::Private
{
public:
    EngineService *engine = nullptr;
    std::unique_ptr<EngineService> ownEngine;
    std::optional<StoredState> pendingState;
    QString controlData;
    QString uiMode = QStringLiteral("mini");
    bool fullScreen = false;
    QString statusText;

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
};

MediaEngine::MediaEngine(QWidget *parent) : QWidget(parent), d(std::make_unique<Private>())
{
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
            const Status s = status();
            if (s == Status::Reconnecting)
                stop();  // nothing to pause: the wait for the station ends
            else if (s == Status::Playing || s == Status::Buffering)
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
        engine()->setPosition(d->ui.positionSlider->value() / 1000.0);
    });
    // Arrow, page and Home/End keys (and the wheel) move the slider without
    // pressing it: those steps seek at once, or the keyboard could never do.
    connect(d->ui.positionSlider, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderNoAction || action == QAbstractSlider::SliderMove)
            return;
        engine()->setPosition(d->ui.positionSlider->sliderPosition() / 1000.0);
    });

    d->fullScreenWindow = new FullScreenWindow(this);
    connect(d->fullScreenWindow, &FullScreenWindow::leaveRequested, this, &MediaEngine::leaveFullScreen);
    d->ui.statusLabel->installEventFilter(this);

    applyUiMode();
}

MediaEngine::~MediaEngine()
{
    // An engine of our own goes with us; a given one is its giver's.
    if (d->engine && d->engine != d->ownEngine.get())
        disconnect(d->engine, nullptr, this, nullptr);
}

void MediaEngine::setEngine(EngineService *engine)
{
    if (d->engine == engine)
        return;
    if (d->engine)
        disconnect(d->engine, nullptr, this, nullptr);
    d->engine = engine;
    bindEngine();
}

EngineService *MediaEngine::engine()
{
    if (!d->engine) {
        d->ownEngine = std::make_unique<EngineService>();
        d->engine = d->ownEngine.get();
        bindEngine();
    }
    return d->engine;
}

const EngineService *MediaEngine::service() const
{
    return d->engine;
}

void MediaEngine::bindEngine()
{
    EngineService *e = d->engine;
    e->setVideoWindow([surface = QPointer<QWidget>(d->surface)]() -> quint64 {
        return surface ? quint64(surface->winId()) : 0;
    });
    connect(e, &EngineService::urlWritten, this,
            [this](const QString &url) { emit propertyWritten(QStringLiteral("URL"), url); });
    connect(e, &EngineService::statusChanged, this, [this](Status s, Reason reason, int detail) {
        showEngineStatus(s, reason, detail);
        emit statusChanged(s, d->statusText);
    });
    connect(e, &EngineService::unavailable, this,
            [this] { emit unavailable(StatusTexts::text(Status::Failed, Reason::EngineUnavailable)); });
    connect(e, &EngineService::rebuffered, this, &MediaEngine::rebuffered);
    connect(e, &EngineService::entryStarted, this, &MediaEngine::entryStarted);
    connect(e, &EngineService::nowPlayingChanged, this, [this](const QString &title) {
        showStatus();
        emit nowPlayingChanged(title);
    });
    connect(e, &EngineService::volumeChanged, this, [this](int volume) {
        if (d->ui.volumeSlider->value() != volume) {
            const QSignalBlocker quiet(d->ui.volumeSlider);
            d->ui.volumeSlider->setValue(volume);
        }
        emit volumeChanged(volume);
    });
    connect(e, &EngineService::mutedChanged, this, [this](bool muted) {
        if (d->ui.muteButton->isChecked() != muted) {
            const QSignalBlocker quiet(d->ui.muteButton);
            d->ui.muteButton->setChecked(muted);
        }
        d->ui.muteButton->setIcon(muted ? d->mutedIcon : d->volumeIcon);
        emit mutedChanged(muted);
    });
    connect(e, &EngineService::positionChanged, this, [this](double pos, bool seekable) {
        d->ui.positionSlider->setEnabled(seekable);
        if (!d->positionDragging)
            d->ui.positionSlider->setValue(seekable ? int(pos * 1000) : 0);
    });
    if (d->pendingState) {
        const StoredState state = *d->pendingState;
        d->pendingState.reset();
        e->applyStoredState(state);
    }
    {
        const QSignalBlocker a(d->ui.volumeSlider), b(d->ui.muteButton);
        d->ui.volumeSlider->setValue(e->volume());
        d->ui.muteButton->setChecked(e->muted());
    }
    d->ui.muteButton->setIcon(e->muted() ? d->mutedIcon : d->volumeIcon);
    // An engine that has said nothing yet leaves the label empty until it does.
    if (e->status() != Status::Idle)
        showEngineStatus(e->status(), e->reason(), e->statusDetail());
}

void MediaEngine::showEngineStatus(Engine::Status s, Engine::Reason reason, int detail)
{
    const QString text = StatusTexts::text(s, reason, detail);
    d->statusText = text;
    showStatus();
    const bool running = Engine::isActive(s);
    d->ui.playPauseButton->setIcon(running ? d->pauseIcon : d->playIcon);
    const QString playPause = running ? QStringLiteral("Pausar") : QStringLiteral("Reproduzir");
    d->ui.playPauseButton->setToolTip(playPause);
    if (d->ui.playPauseButton->accessibleName() != playPause)
        d->ui.playPauseButton->setAccessibleName(playPause);
    // The keyboard focus rests on the engine after a channel is chosen, so
    // its description is what a screen reader speaks as the stream
    // connects, plays or fails.
    setAccessibleDescription(text);
}

void MediaEngine::setControlData(const QString &hex)
{
    const StoredState s = StoredState::fromHex(hex);
    d->controlData = hex;
    if (d->engine)
        d->engine->applyStoredState(s);
    else
        d->pendingState = s;
    {
        const QSignalBlocker a(d->ui.volumeSlider), b(d->ui.muteButton);
        d->ui.volumeSlider->setValue(s.volume);
        d->ui.muteButton->setChecked(s.mute);
    }
    d->uiMode = s.uiMode;
    applyUiMode();
    if (s.fullScreen)
        setFullScreen(true);
}

QString MediaEngine::controlData() const
{
    return d->controlData;
}

void MediaEngine::setURL(const QString &url)
{
    engine()->setURL(url);
}

void MediaEngine::play()
{
    engine()->play();
}

void MediaEngine::pause()
{
    engine()->pause();
}

void MediaEngine::stop()
{
    engine()->stop();
}

void MediaEngine::setVolume(int volume)
{
    engine()->setVolume(volume);
}

void MediaEngine::setMuted(bool muted)
{
    engine()->setMuted(muted);
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

void MediaEngine::setUiMode(UiMode mode)
{
    setUiMode(QString::fromLatin1(QMetaEnum::fromType<UiMode>().valueToKey(int(mode))));
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
    const Status s = status();
    QString whole = d->statusText;
    const QString now = nowPlaying();
    const bool sounding = s == Status::Playing || s == Status::Buffering || s == Status::Paused;
    if (sounding && !now.isEmpty())
        whole = whole.isEmpty() ? now : whole + QStringLiteral(" — ") + now;
    const QString shown
        = compact ? StatusTexts::text(s, reason(), d->engine ? d->engine->statusDetail() : 0, true) : whole;
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
        leaveFullScreen();
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
    d->fullScreenWindow->takeFocus();
    emit fullScreenChanged(true);
}

void MediaEngine::focusFullScreen()
{
    if (d->fullScreen)
        d->fullScreenWindow->takeFocus();
}

void MediaEngine::leaveFullScreen()
{
    if (!d->fullScreen)
        return;
    d->fullScreen = false;
    d->fullScreenWindow->hide();
    d->surface->setParent(this);
    d->layout->insertWidget(0, d->surface, 1);
    d->surface->setVisible(d->uiMode != QLatin1String("invisible"));
    emit fullScreenChanged(false);
}

bool MediaEngine::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->ui.statusLabel && event->type() == QEvent::Resize)
        showStatus();
    if (watched == d->surface) {
        if (event->type() == QEvent::WinIdChange && d->engine) {
            // The window was made anew (the main window changed its flags).
            d->engine->videoWindowChanged(quint64(d->surface->internalWinId()));
        } else if (event->type() == QEvent::MouseButtonDblClick && d->fullScreen) {
            leaveFullScreen();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString MediaEngine::URL() const
{
    return d->engine ? d->engine->URL() : QString();
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
    if (d->engine)
        return d->engine->volume();
    return d->pendingState ? d->pendingState->volume : 100;
}
bool MediaEngine::muted() const
{
    if (d->engine)
        return d->engine->muted();
    return d->pendingState && d->pendingState->mute;
}
MediaEngine::Status MediaEngine::status() const
{
    return d->engine ? d->engine->status() : Status::Idle;
}
MediaEngine::Reason MediaEngine::reason() const
{
    return d->engine ? d->engine->reason() : Reason::None;
}
QString MediaEngine::statusText() const
{
    return d->statusText;
}
QString MediaEngine::nowPlaying() const
{
    return d->engine ? d->engine->nowPlaying() : QString();
}
QString MediaEngine::currentEntry() const
{
    return d->engine ? d->engine->currentEntry() : QString();
}

void MediaEngine::shutdown(int msTimeout)
{
    if (d->engine)
        d->engine->shutdown(msTimeout);
}
