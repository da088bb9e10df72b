#include "media/engineservice.h"

#include "media/engineworker_p.h"
#include "media/storedstate.h"
#include "platform/logging.h"

#include <QDeadlineTimer>
#include <QThread>

#include <vector>

namespace {
Engine::Options &defaults()
{
    static Engine::Options o;
    return o;
}
}  // namespace

class EngineService::Private
{
public:
    Engine::Options options;
    QString url;
    bool autoStart = true;
    int volume = 100;
    bool muted = false;
    Engine::Status status = Engine::Status::Idle;
    Engine::Reason reason = Engine::Reason::None;
    int statusDetail = 0;
    QString nowPlaying;
    QString entry;
    RequestHeaderTable headers;

    std::function<quint64()> videoWindow;
    quint64 xwindow = 0;

    QThread *thread = nullptr;
    EngineWorker *worker = nullptr;
    std::shared_ptr<EngineDetail::Reaper> reaper;
    bool shutDown = false;
    bool reportedUnavailable = false;

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
        worker->recordRequest(url, xwindow, headers.value(url));
        post([](EngineWorker *w) { w->processSwitch(); });
    }
};

void EngineService::setDefaultOptions(const Engine::Options &options)
{
    defaults() = options;
}

Engine::Options EngineService::defaultOptions()
{
    return defaults();
}

EngineService::EngineService(const Engine::Options &options, QObject *parent)
    : PlaybackEngine(parent), d(std::make_unique<Private>())
{
    d->options = options;
    d->reaper = EngineDetail::Reaper::create();
    d->worker = new EngineWorker(d->options, d->reaper);
    d->thread = new QThread;
    d->thread->setObjectName(QStringLiteral("brelo-engine"));
    d->worker->moveToThread(d->thread);
    connect(d->worker, &EngineWorker::statusChanged, this,
            [this](Engine::Status s, Engine::Reason reason, int detail) {
                d->status = s;
                d->reason = reason;
                d->statusDetail = detail;
                if (s == Engine::Status::Failed || s == Engine::Status::Stopped || s == Engine::Status::Idle)
                    d->entry.clear();
                emit statusChanged(s, reason, detail);
                if (reason == Engine::Reason::EngineUnavailable && !d->reportedUnavailable) {
                    d->reportedUnavailable = true;
                    emit unavailable();
                }
            });
    connect(d->worker, &EngineWorker::rebuffered, this, &EngineService::rebuffered);
    connect(d->worker, &EngineWorker::nowPlayingChanged, this, [this](const QString &title) {
        d->nowPlaying = title;
        emit nowPlayingChanged(title);
    });
    connect(d->worker, &EngineWorker::entryStarted, this, [this](const QString &address) {
        d->entry = address;
        emit entryStarted(address);
    });
    connect(d->worker, &EngineWorker::positionChanged, this, &EngineService::positionChanged);
    d->thread->start();
    d->post([](EngineWorker *w) { w->startLibrary(); });
}

EngineService::~EngineService()
{
    shutdown();
}

const Engine::Options &EngineService::options() const
{
    return d->options;
}

void EngineService::applyStoredState(const StoredState &s)
{
    d->autoStart = s.autoStart;
    setVolume(s.volume);
    setMuted(s.mute);
    if (!s.url.isEmpty())
        setURL(s.url);
}

void EngineService::setVideoWindow(std::function<quint64()> window)
{
    d->videoWindow = std::move(window);
}

void EngineService::videoWindowChanged(quint64 window)
{
    if (!d->options.video || d->shutDown || !d->xwindow || !window || window == d->xwindow)
        return;
    if (d->status != Engine::Status::Playing && d->status != Engine::Status::Buffering
        && d->status != Engine::Status::Connecting)
        return;
    qCDebug(lcMedia) << "picture window made anew: the station starts again into it";
    d->xwindow = window;
    d->requestSwitch();
}

void EngineService::setURL(const QString &url)
{
    d->url = url;
    emit urlWritten(url);
    if (!d->autoStart || d->shutDown)
        return;
    startAddress();
}

void EngineService::setRequestHeaders(const RequestHeaderTable &table)
{
    d->headers = table;
}

void EngineService::play()
{
    if (d->status == Engine::Status::Paused)
        d->post([](EngineWorker *w) { w->resume(); });
    else
        startAddress();
}

void EngineService::startAddress()
{
    if (d->shutDown)
        return;
    if (d->options.video && d->videoWindow)
        d->xwindow = d->videoWindow();
    d->entry.clear();
    d->requestSwitch();
}

void EngineService::pause()
{
    d->post([](EngineWorker *w) { w->pause(); });
}

void EngineService::stop()
{
    d->post([](EngineWorker *w) { w->stop(); });
}

void EngineService::setVolume(int volume)
{
    const int before = d->volume;
    d->volume = qBound(0, volume, 100);
    d->post([v = d->volume](EngineWorker *w) { w->setVolume(v); });
    if (d->volume != before)
        emit volumeChanged(d->volume);
}

void EngineService::setMuted(bool muted)
{
    const bool before = d->muted;
    d->muted = muted;
    d->post([muted](EngineWorker *w) { w->setMuted(muted); });
    if (muted != before)
        emit mutedChanged(muted);
}

void EngineService::setPosition(double position)
{
    d->post([position](EngineWorker *w) { w->setPosition(position); });
}

QString EngineService::URL() const
{
    return d->url;
}
int EngineService::volume() const
{
    return d->volume;
}
bool EngineService::muted() const
{
    return d->muted;
}
Engine::Status EngineService::status() const
{
    return d->status;
}
Engine::Reason EngineService::reason() const
{
    return d->reason;
}
int EngineService::statusDetail() const
{
    return d->statusDetail;
}
QString EngineService::nowPlaying() const
{
    return d->nowPlaying;
}
QString EngineService::currentEntry() const
{
    return d->entry;
}

void EngineService::shutdown(int msTimeout)
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
        // Still inside the library: the thread is left to the process's end,
        // kept where a leak checker sees it is not lost.
        qCDebug(lcMedia) << "shut-down abandoned: the library did not return in" << msTimeout << "ms";
        static std::vector<std::pair<QThread *, std::shared_ptr<EngineDetail::Reaper>>> abandoned;
        abandoned.emplace_back(d->thread, d->reaper);
    }
    d->thread = nullptr;
}
