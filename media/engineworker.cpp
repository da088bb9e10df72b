#include "media/engineworker_p.h"

#include "media/playlist.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>

#include <vlc/vlc.h>

#include <netdb.h>
#include <sys/socket.h>

#include <thread>
#include <vector>

using namespace EngineDetail;

namespace {

constexpr qint64 kMaxPlaylistBytes = 256 * 1024;
constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;

const libvlc_event_type_t kEvents[] = {
    libvlc_MediaPlayerOpening,          libvlc_MediaPlayerBuffering,       libvlc_MediaPlayerPlaying,
    libvlc_MediaPlayerPaused,           libvlc_MediaPlayerStopped,         libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerPositionChanged, libvlc_MediaPlayerSeekableChanged,
};

void onVlcEvent(const libvlc_event_t *event, void *opaque)
{
    auto *slot = static_cast<PlayerSlot *>(opaque);
    if (slot->bridge->current.load() != slot->serial)
        return;
    float value = 0;
    switch (event->type) {
    case libvlc_MediaPlayerBuffering: value = event->u.media_player_buffering.new_cache; break;
    case libvlc_MediaPlayerPositionChanged:
        value = event->u.media_player_position_changed.new_position;
        break;
    case libvlc_MediaPlayerSeekableChanged:
        value = event->u.media_player_seekable_changed.new_seekable;
        break;
    default: break;
    }
    std::lock_guard lock(slot->bridge->mutex);
    if (slot->bridge->worker)
        slot->bridge->worker->postEvent(slot->serial, event->type, value);
}

void onAudioPlay(void *opaque, const void *samples, unsigned count, int64_t)
{
    auto *slot = static_cast<PlayerSlot *>(opaque);
    if (slot->bridge->current.load() != slot->serial)
        return;
    if (!slot->audioSeen.exchange(true)) {
        std::lock_guard lock(slot->bridge->mutex);
        if (slot->bridge->worker)
            slot->bridge->worker->postAudio(slot->serial);
    }
    if (slot->bridge->tap)
        slot->bridge->tap(static_cast<const qint16 *>(samples), int(count), kAudioChannels, kAudioRate);
}

QString statusWord(MediaEngine::Status s)
{
    switch (s) {
    case MediaEngine::Status::Idle: return {};
    case MediaEngine::Status::Connecting: return QStringLiteral("Conectando...");
    case MediaEngine::Status::Playing: return QStringLiteral("Reproduzindo");
    case MediaEngine::Status::Paused: return QStringLiteral("Pausado");
    case MediaEngine::Status::Stopped: return QStringLiteral("Parado");
    default: return {};
    }
}

bool needsLookup(const QString &host)
{
    return !host.isEmpty() && QHostAddress(host).isNull();
}

}  // namespace

// ---------------------------------------------------------------- Reaper

std::shared_ptr<Reaper> Reaper::create()
{
    std::shared_ptr<Reaper> r(new Reaper);
    r->m_self = r;
    return r;
}

void Reaper::push(PlayerSlot *slot)
{
    std::lock_guard lock(m_mutex);
    m_queue.push_back(slot);
    if (m_waiting == 0 && m_threads < kMaxThreads) {
        ++m_threads;
        // Detached: a thread stuck in the resolver must not hold up the
        // process's end. It keeps the reaper alive through its own reference.
        std::thread([self = m_self.lock()] { self->run(); }).detach();
    } else {
        m_work.notify_one();
    }
}

void Reaper::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_waiting;
        const bool got = m_work.wait_for(lock, std::chrono::seconds(2), [this] { return !m_queue.empty(); });
        --m_waiting;
        if (!got) {
            --m_threads;
            m_idle.notify_all();
            return;
        }
        PlayerSlot *slot = m_queue.front();
        m_queue.pop_front();
        ++m_busy;
        lock.unlock();
        libvlc_media_player_stop(slot->player);
        libvlc_media_player_release(slot->player);
        libvlc_release(slot->instance);
        delete slot;
        lock.lock();
        --m_busy;
        m_idle.notify_all();
    }
}

bool Reaper::waitIdle(int ms)
{
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(qMax(0, ms)),
                           [this] { return m_queue.empty() && m_busy == 0; });
}

// ---------------------------------------------------------------- Worker

EngineWorker::EngineWorker(const Config &config, std::shared_ptr<Reaper> reaper)
    : m_config(config), m_reaper(std::move(reaper)), m_bridge(std::make_shared<Bridge>())
{
    m_bridge->worker = this;
    m_bridge->tap = config.tap;
    m_timeout = new QTimer(this);
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, [this] {
        if (m_started)
            return;
        if (m_reply) {
            m_reply->setProperty("timedOut", true);
            m_reply->abort();
            return;
        }
        if (m_lookupToken) {
            m_lookupToken.reset();
            candidateFailed(Failure::NoAnswer);
            return;
        }
        // A station that sends, however slowly, is not a dead one; give it
        // a few more periods to fill the buffer.
        const qint64 got = bytesRead();
        if ((got > m_bytesAtTimeout || m_sawProgress) && m_extensions < 3) {
            ++m_extensions;
            m_bytesAtTimeout = got;
            m_sawProgress = false;
            m_timeout->start(m_config.openTimeoutMs);
            return;
        }
        candidateFailed(Failure::NoAnswer);
    });
    m_nam = new QNetworkAccessManager(this);
    m_nam->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

EngineWorker::~EngineWorker()
{
    std::lock_guard lock(m_bridge->mutex);
    m_bridge->worker = nullptr;
}

void EngineWorker::requestSwitch(const QString &url, quint64 xwindow)
{
    {
        QMutexLocker lock(&m_requestMutex);
        m_requestedUrl = url;
        m_requestedXwindow = xwindow;
        ++m_requestGen;
    }
    QMetaObject::invokeMethod(this, &EngineWorker::processSwitch, Qt::QueuedConnection);
}

void EngineWorker::postEvent(quint64 serial, int type, float value)
{
    QMetaObject::invokeMethod(
        this, [this, serial, type, value] { onEvent(serial, type, value); }, Qt::QueuedConnection);
}

void EngineWorker::postAudio(quint64 serial)
{
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (m_slot && m_slot->serial == serial)
                emit audioStarted();
        },
        Qt::QueuedConnection);
}

void EngineWorker::ensureInstance()
{
    if (m_vlc)
        return;
    const QByteArray caching = "--network-caching=" + QByteArray::number(m_config.networkCachingMs);
    std::vector<const char *> args = {
        "--no-video-title-show",
        "--no-snapshot-preview",
        "--no-osd",
        // Our window keeps its own context menu and keys.
        "--no-mouse-events",
        "--no-keyboard-events",
        "--no-xlib",
        // Lua playlist scripts probe every stream for web sites it knows;
        // that costs a fifth of a second per start and no radio needs it.
        "--no-lua",
        caching.constData(),
    };
    if (qEnvironmentVariableIsEmpty("BRELO_VLC_VERBOSE"))
        args.push_back("--quiet");
    if (!m_config.video) {
        // With no window VLC may pick a terminal video output.
        args.push_back("--no-video");
        args.push_back("--vout=dummy");
    }
    m_vlc = libvlc_new(int(args.size()), args.data());
    if (m_vlc)
        libvlc_set_user_agent(m_vlc, "Brelo Player", "BreloPlayer/" BRELO_VERSION_SHORT);
}

void EngineWorker::processSwitch()
{
    QString url;
    {
        QMutexLocker lock(&m_requestMutex);
        if (m_requestGen == m_handledGen || m_shutDown)
            return;  // already served by an earlier call
        m_handledGen = m_requestGen;
        url = m_requestedUrl;
        m_config.xwindow = m_requestedXwindow;
    }
    beginAttempt(url);
}

void EngineWorker::beginAttempt(const QString &url)
{
    dropPlayer();
    if (m_reply)
        m_reply->abort();
    m_lookupToken.reset();
    m_url = url;
    m_candidates.clear();
    m_next = 0;
    m_lastFailure = Failure::None;
    m_paused = false;
    m_started = false;
    m_flowing = false;
    m_sawProgress = false;
    m_extensions = 0;
    m_bytesAtTimeout = 0;
    if (url.trimmed().isEmpty()) {
        setStatus(MediaEngine::Status::Idle, {});
        return;
    }
    setStatus(MediaEngine::Status::Connecting, statusWord(MediaEngine::Status::Connecting));
    ensureInstance();
    if (!m_vlc) {
        setStatus(MediaEngine::Status::Failed, QStringLiteral("O player de mídia não pôde ser iniciado"));
        return;
    }
    const QUrl parsed(url);
    if (Playlist::looksLikePlaylist(parsed)) {
        fetchPlaylist(parsed);
        return;
    }
    m_candidates = Playlist::candidates(url);
    tryNext();
}

void EngineWorker::fetchPlaylist(const QUrl &url)
{
    // Started here, the whole fetch, lookup included, counts against the
    // station's time limit.
    armTimeout();
    const quint64 gen = m_handledGen;
    const QUrl source = Playlist::fetchAddress(url);
    auto go = [this, source, gen] {
        QNetworkRequest req(source);
        req.setTransferTimeout(m_config.openTimeoutMs);
        req.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("BreloPlayer/" BRELO_VERSION_SHORT));
        QNetworkReply *reply = m_nam->get(req);
        m_reply = reply;
        connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 got, qint64) {
            if (got > kMaxPlaylistBytes) {
                reply->setProperty("tooBig", true);
                reply->abort();
            }  // not a playlist: a stream under a playlist's name
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply, gen] { playlistFetched(reply, gen); });
    };
    if (!needsLookup(source.host())) {
        go();
        return;
    }
    // Qt's own lookups run in a pool that the process's exit waits for; a
    // resolver that never answers would hold the exit for seconds. So look
    // the name up on a thread nobody waits for, and fetch only once it
    // answered.
    auto token = std::make_shared<std::atomic<quint64>>(gen);
    m_lookupToken = token;
    QPointer<EngineWorker> self(this);
    auto bridge = m_bridge;
    const QByteArray host = source.host().toUtf8();
    std::thread([bridge, token, host, gen, go] {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *res = nullptr;
        const bool ok = getaddrinfo(host.constData(), nullptr, &hints, &res) == 0;
        if (res)
            freeaddrinfo(res);
        std::lock_guard lock(bridge->mutex);
        if (!bridge->worker || token->load() != gen)
            return;
        EngineWorker *w = bridge->worker;
        QMetaObject::invokeMethod(
            w,
            [w, token, gen, ok, go] {
                if (w->m_lookupToken != token || w->m_handledGen != gen)
                    return;
                w->m_lookupToken.reset();
                if (ok)
                    go();
                else
                    w->candidateFailed(Failure::Error);
            },
            Qt::QueuedConnection);
    }).detach();
}

void EngineWorker::playlistFetched(QNetworkReply *reply, quint64 gen)
{
    reply->deleteLater();
    if (gen != m_handledGen || reply != m_reply)
        return;
    m_reply = nullptr;
    const bool tooBig = reply->property("tooBig").toBool();
    if (reply->error() != QNetworkReply::NoError && !tooBig) {
        m_timeout->stop();
        m_lastFailure = reply->error() == QNetworkReply::TimeoutError || reply->property("timedOut").toBool()
            ? Failure::NoAnswer
            : Failure::Error;
        m_candidates.clear();
        tryNext();
        return;
    }
    const QStringList entries = tooBig ? QStringList() : Playlist::entries(reply->readAll(), reply->url());
    m_candidates.clear();
    if (entries.isEmpty()) {
        // Not a playlist after all: let the library make what it can of it.
        m_candidates = Playlist::candidates(m_url);
    } else {
        for (const QString &e : entries)
            m_candidates << Playlist::candidates(e);
    }
    tryNext();
}

void EngineWorker::tryNext()
{
    dropPlayer();
    if (m_next >= m_candidates.size()) {
        m_timeout->stop();
        QString why;
        switch (m_lastFailure) {
        case Failure::NoAnswer: why = QStringLiteral("A estação não responde"); break;
        case Failure::PlaylistUnreadable:
            why = QStringLiteral("A lista de reprodução não pôde ser lida");
            break;
        default: why = QStringLiteral("Não foi possível conectar à estação"); break;
        }
        setStatus(MediaEngine::Status::Failed, why);
        return;
    }
    startPlayer(m_candidates.at(m_next++));
}

void EngineWorker::startPlayer(const QString &address)
{
    m_started = false;
    m_flowing = false;
    m_rebuffering = false;
    m_sawProgress = false;
    m_extensions = 0;
    m_bytesAtTimeout = 0;

    libvlc_media_t *media = libvlc_media_new_location(m_vlc, address.toUtf8().constData());
    if (!media) {
        candidateFailed(Failure::Error);
        return;
    }
    auto *slot = new PlayerSlot;
    slot->serial = ++m_serial;
    slot->bridge = m_bridge;
    slot->player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    if (!slot->player) {
        delete slot;
        candidateFailed(Failure::Error);
        return;
    }
    libvlc_retain(m_vlc);
    slot->instance = m_vlc;
    m_slot = slot;
    m_bridge->current.store(slot->serial);

    libvlc_event_manager_t *events = libvlc_media_player_event_manager(slot->player);
    for (libvlc_event_type_t type : kEvents)
        libvlc_event_attach(events, type, onVlcEvent, slot);
    if (m_config.video && m_config.xwindow) {
        libvlc_media_player_set_xwindow(slot->player, uint32_t(m_config.xwindow));
        libvlc_video_set_mouse_input(slot->player, false);
        libvlc_video_set_key_input(slot->player, false);
    }
    if (m_bridge->tap) {
        libvlc_audio_set_callbacks(slot->player, onAudioPlay, nullptr, nullptr, nullptr, nullptr, slot);
        libvlc_audio_set_format(slot->player, "S16N", kAudioRate, kAudioChannels);
    }
    if (m_volume != 100)
        libvlc_audio_set_volume(slot->player, m_volume);
    if (m_muted)
        libvlc_audio_set_mute(slot->player, 1);
    armTimeout();
    if (libvlc_media_player_play(slot->player) != 0)
        candidateFailed(Failure::Error);
}

qint64 EngineWorker::bytesRead() const
{
    if (!m_slot)
        return 0;
    libvlc_media_t *media = libvlc_media_player_get_media(m_slot->player);
    if (!media)
        return 0;
    libvlc_media_stats_t stats{};
    const bool ok = libvlc_media_get_stats(media, &stats);
    libvlc_media_release(media);
    return ok ? stats.i_read_bytes : 0;
}

void EngineWorker::armTimeout()
{
    m_timeout->start(m_config.openTimeoutMs);
}

void EngineWorker::dropPlayer()
{
    if (!m_slot)
        return;
    m_bridge->current.store(0);
    // Silence it now; stopping may take seconds on the reaper.
    if (!m_bridge->tap)
        libvlc_audio_set_mute(m_slot->player, 1);
    m_reaper->push(m_slot);
    m_slot = nullptr;
    emit positionChanged(0, false);
}

void EngineWorker::candidateFailed(Failure why)
{
    if (why != Failure::None)
        m_lastFailure = why;
    tryNext();
}

void EngineWorker::onEvent(quint64 serial, int type, float value)
{
    if (!m_slot || m_slot->serial != serial)
        return;
    switch (type) {
    case libvlc_MediaPlayerOpening:
        if (!m_started)
            setStatus(MediaEngine::Status::Connecting, statusWord(MediaEngine::Status::Connecting));
        break;
    case libvlc_MediaPlayerBuffering:
        if (!m_started && value < 1.f)
            break;  // announced before the connection: nothing received yet
        m_sawProgress = true;
        if (value < 100.f) {
            if (m_flowing && !m_rebuffering) {
                m_rebuffering = true;
                emit rebuffered();
            }
            setStatus(MediaEngine::Status::Buffering,
                      QStringLiteral("Armazenando em buffer: %1%").arg(int(value)));
        } else {
            // The buffer is full: the sound flows (again).
            m_flowing = true;
            m_rebuffering = false;
            setStatus(m_paused ? MediaEngine::Status::Paused : MediaEngine::Status::Playing,
                      statusWord(m_paused ? MediaEngine::Status::Paused : MediaEngine::Status::Playing));
        }
        break;
    case libvlc_MediaPlayerPlaying:
        // The library reports "playing" once the station answered, before
        // its buffer is filled.
        if (!m_started) {
            m_started = true;
            m_timeout->stop();
            emit entryStarted(m_candidates.value(m_next - 1));
        }
        m_paused = false;
        if (m_flowing)
            setStatus(MediaEngine::Status::Playing, statusWord(MediaEngine::Status::Playing));
        break;
    case libvlc_MediaPlayerPaused:
        m_paused = true;
        setStatus(MediaEngine::Status::Paused, statusWord(MediaEngine::Status::Paused));
        break;
    case libvlc_MediaPlayerEncounteredError:
        if (!m_flowing) {
            candidateFailed(Failure::Error);
        } else {
            dropPlayer();
            setStatus(MediaEngine::Status::Failed, QStringLiteral("A conexão com a estação foi perdida"));
        }
        break;
    case libvlc_MediaPlayerEndReached:
        if (!m_flowing) {
            // Ended before any sound: nothing playable behind this entry
            // (a playlist the library only lists, a file it cannot read).
            candidateFailed(Failure::Error);
        } else {
            dropPlayer();
            setStatus(MediaEngine::Status::Stopped, QStringLiteral("A transmissão terminou"));
        }
        break;
    case libvlc_MediaPlayerPositionChanged:
        if (!m_lastPosition.isValid() || m_lastPosition.elapsed() > 250) {
            m_lastPosition.start();
            emit positionChanged(value, libvlc_media_player_is_seekable(m_slot->player));
        }
        break;
    case libvlc_MediaPlayerSeekableChanged:
        emit positionChanged(libvlc_media_player_get_position(m_slot->player), value != 0);
        break;
    default: break;
    }
}

void EngineWorker::setStatus(MediaEngine::Status s, const QString &text)
{
    emit statusChanged(s, text);
}

void EngineWorker::pause()
{
    if (m_slot && m_started && libvlc_media_player_can_pause(m_slot->player))
        libvlc_media_player_set_pause(m_slot->player, 1);
}

void EngineWorker::resume()
{
    if (m_slot && m_paused) {
        libvlc_media_player_set_pause(m_slot->player, 0);
        return;
    }
    if (!m_slot && !m_url.isEmpty() && !m_reply && !m_lookupToken)
        requestSwitch(m_url, m_config.xwindow);
}

void EngineWorker::stop()
{
    if (m_reply)
        m_reply->abort();
    m_lookupToken.reset();
    m_timeout->stop();
    m_candidates.clear();
    m_next = 0;
    dropPlayer();
    setStatus(MediaEngine::Status::Stopped, statusWord(MediaEngine::Status::Stopped));
}

void EngineWorker::setVolume(int volume)
{
    m_volume = qBound(0, volume, 100);
    if (m_slot)
        libvlc_audio_set_volume(m_slot->player, m_volume);
}

void EngineWorker::setMuted(bool muted)
{
    m_muted = muted;
    if (m_slot)
        libvlc_audio_set_mute(m_slot->player, muted ? 1 : 0);
}

void EngineWorker::setPosition(double position)
{
    if (m_slot && libvlc_media_player_is_seekable(m_slot->player))
        libvlc_media_player_set_position(m_slot->player, float(position));
}

void EngineWorker::shutdown()
{
    {
        QMutexLocker lock(&m_requestMutex);
        m_shutDown = true;
    }
    m_timeout->stop();
    if (m_reply)
        m_reply->abort();
    m_lookupToken.reset();
    dropPlayer();
    {
        std::lock_guard lock(m_bridge->mutex);
        m_bridge->worker = nullptr;
    }
    if (m_vlc) {
        // Players still on the reaper hold references of their own.
        libvlc_release(m_vlc);
        m_vlc = nullptr;
    }
    // Handed back so that the user-interface thread may delete it.
    QThread *own = thread();
    moveToThread(QCoreApplication::instance()->thread());
    own->quit();
}
