#include "media/engineworker_p.h"

#include "media/playlist.h"
#include "platform/logging.h"

#include <QByteArray>
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
// A station still sending, however slowly, gets this many more open periods.
constexpr int kMaxOpenExtensions = 3;
// The position slider needs no more than a few updates a second.
constexpr int kPositionIntervalMs = 250;
const QByteArray kUserAgent = QByteArrayLiteral("BreloPlayer/" BRELO_VERSION_SHORT);
// Pauses before the reconnect attempts: at once, then growing, then capped.
constexpr int kReconnectDelaysMs[] = {0, 1000, 2000, 4000, 8000, 15000};

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

bool needsLookup(const QString &host)
{
    return !host.isEmpty() && QHostAddress(host).isNull();
}

// libVLC 3 has two HTTP clients. The newer one, tried first, gives up on
// any answer that carries icy-* headers (every SHOUTcast and Icecast
// station) and the older one connects again: each start took two of the
// station's listener slots. The older client's own scheme reaches it at
// once; it speaks plain HTTP as well.
QString libraryAddress(const QString &address)
{
    QUrl u(address);
    if (u.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0)
        return address;
    u.setScheme(QStringLiteral("icyx"));
    return u.toString();
}

// An address as a support log may show it: never a user name or password.
QString forLog(const QString &address)
{
    return QUrl(address).toDisplayString(QUrl::RemoveUserInfo);
}

}  // namespace

EngineWorker::EngineWorker(const MediaEngine::Options &options, std::shared_ptr<Reaper> reaper)
    : m_options(options), m_reaper(std::move(reaper)), m_bridge(std::make_shared<Bridge>())
{
    m_bridge->worker = this;
    m_bridge->tap = options.audioTap;
    m_timeout = new QTimer(this);
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, &EngineWorker::onTimeout);
    m_reconnect = new QTimer(this);
    m_reconnect->setSingleShot(true);
    connect(m_reconnect, &QTimer::timeout, this, [this] { openEntry(m_lostEntry); });
    m_nam = new QNetworkAccessManager(this);
    m_nam->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

EngineWorker::~EngineWorker()
{
    std::lock_guard lock(m_bridge->mutex);
    m_bridge->worker = nullptr;
}

void EngineWorker::recordRequest(const QString &url, quint64 xwindow)
{
    QMutexLocker lock(&m_requestMutex);
    m_requestedUrl = url;
    m_requestedXwindow = xwindow;
    ++m_requestGen;
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
    const QByteArray caching = "--network-caching=" + QByteArray::number(m_options.networkCachingMs);
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
    if (!m_options.video) {
        // With no window VLC may pick a terminal video output.
        args.push_back("--no-video");
        args.push_back("--vout=dummy");
    }
    m_vlc = libvlc_new(int(args.size()), args.data());
    if (m_vlc)
        libvlc_set_user_agent(m_vlc, "Brelo Player", kUserAgent.constData());
}

void EngineWorker::startLibrary()
{
    ensureInstance();
    if (!m_vlc)
        setStatus(Status::Failed, Reason::EngineUnavailable);
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
        m_xwindow = m_requestedXwindow;
    }
    beginAttempt(url);
}

void EngineWorker::beginAttempt(const QString &url)
{
    cancelReconnect();
    dropPlayer();
    if (m_reply)
        m_reply->abort();
    m_lookupToken.reset();
    m_url = url;
    m_candidates.clear();
    m_next = 0;
    m_lastFailure = Reason::None;
    m_paused = false;
    m_started = false;
    m_flowing = false;
    m_sawProgress = false;
    m_extensions = 0;
    m_bytesAtTimeout = 0;
    if (url.trimmed().isEmpty()) {
        setStatus(Status::Idle);
        return;
    }
    setStatus(Status::Connecting);
    ensureInstance();
    if (!m_vlc) {
        setStatus(Status::Failed, Reason::EngineUnavailable);
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
    qCDebug(lcMedia) << "fetching playlist" << forLog(source.toString());
    afterLookup(source.host(), gen, [this, source, gen] {
        QNetworkRequest req(source);
        req.setTransferTimeout(m_options.openTimeoutMs);
        req.setHeader(QNetworkRequest::UserAgentHeader, kUserAgent);
        QNetworkReply *reply = m_nam->get(req);
        m_reply = reply;
        connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 got, qint64) {
            // An abort reports its progress once more, from a closed reply.
            if (got > kMaxPlaylistBytes && reply->isOpen()) {
                // Longer than any station's playlist: a stream under a
                // playlist's name or a runaway list. What came so far tells.
                reply->setProperty("head", reply->read(kMaxPlaylistBytes));
                reply->setProperty("tooBig", true);
                reply->abort();
            }
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply, gen] { playlistFetched(reply, gen); });
    });
}

void EngineWorker::afterLookup(const QString &host, quint64 gen, std::function<void()> then)
{
    if (!needsLookup(host)) {
        then();
        return;
    }
    // Qt's own lookups run in a pool that the process's exit waits for; a
    // resolver that never answers would hold the exit for seconds. So look
    // the name up on a thread nobody waits for, and go on only once it
    // answered.
    auto token = std::make_shared<std::atomic<quint64>>(gen);
    m_lookupToken = token;
    auto bridge = m_bridge;
    const QByteArray name = host.toUtf8();
    std::thread([bridge, token, name, gen, then = std::move(then)] {
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *res = nullptr;
        const bool ok = getaddrinfo(name.constData(), nullptr, &hints, &res) == 0;
        if (res)
            freeaddrinfo(res);
        std::lock_guard lock(bridge->mutex);
        if (!bridge->worker || token->load() != gen)
            return;
        EngineWorker *w = bridge->worker;
        QMetaObject::invokeMethod(
            w,
            [w, token, gen, ok, name, then] {
                if (w->m_lookupToken != token || w->m_handledGen != gen)
                    return;
                w->m_lookupToken.reset();
                if (ok) {
                    then();
                } else {
                    qCDebug(lcMedia) << "name not found" << name;
                    w->candidateFailed(Reason::Unreachable);
                }
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
            ? Reason::NoAnswer
            : Reason::Unreachable;
        qCDebug(lcMedia) << "playlist not fetched" << forLog(reply->url().toString()) << reply->error();
        m_candidates.clear();
        tryNext();
        return;
    }
    QByteArray body = tooBig ? reply->property("head").toByteArray() : reply->readAll();
    if (tooBig) {
        // A runaway list plays from its first entries; handed to the library
        // whole, it would be read and held entirely (hundreds of megabytes).
        body.truncate(body.lastIndexOf('\n') + 1);
    }
    const QStringList entries = Playlist::entries(body, reply->url());
    qCDebug(lcMedia) << "playlist read" << forLog(reply->url().toString()) << "entries:" << entries.size();
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
        const Reason why = m_lastFailure == Reason::None ? Reason::Unreachable : m_lastFailure;
        setStatus(Status::Failed, why);
        return;
    }
    openEntry(m_candidates.at(m_next++));
}

QString EngineWorker::currentCandidate() const
{
    return m_candidates.value(m_next - 1);
}

void EngineWorker::openEntry(const QString &address)
{
    m_started = false;
    m_flowing = false;
    m_rebuffering = false;
    m_sawProgress = false;
    m_extensions = 0;
    m_bytesAtTimeout = 0;

    qCDebug(lcMedia) << "opening" << forLog(address);
    libvlc_media_t *media = libvlc_media_new_location(m_vlc, libraryAddress(address).toUtf8().constData());
    if (!media) {
        candidateFailed(Reason::Unreachable);
        return;
    }
    auto *slot = new PlayerSlot;
    slot->serial = ++m_serial;
    slot->bridge = m_bridge;
    slot->player = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    if (!slot->player) {
        delete slot;
        candidateFailed(Reason::Unreachable);
        return;
    }
    libvlc_retain(m_vlc);
    slot->instance = m_vlc;
    m_slot = slot;
    m_bridge->current.store(slot->serial);

    libvlc_event_manager_t *events = libvlc_media_player_event_manager(slot->player);
    for (libvlc_event_type_t type : kEvents)
        libvlc_event_attach(events, type, onVlcEvent, slot);
    if (m_options.video && m_xwindow) {
        libvlc_media_player_set_xwindow(slot->player, uint32_t(m_xwindow));
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
        candidateFailed(Reason::Unreachable);
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
    m_timeout->start(m_options.openTimeoutMs);
}

void EngineWorker::onTimeout()
{
    if (m_started)
        return;
    if (m_reply) {
        m_reply->setProperty("timedOut", true);
        m_reply->abort();
        return;
    }
    if (m_lookupToken) {
        m_lookupToken.reset();
        candidateFailed(Reason::NoAnswer);
        return;
    }
    // A station that sends, however slowly, is not a dead one; give it
    // a few more periods to fill the buffer.
    const qint64 got = bytesRead();
    if ((got > m_bytesAtTimeout || m_sawProgress) && m_extensions < kMaxOpenExtensions) {
        ++m_extensions;
        m_bytesAtTimeout = got;
        m_sawProgress = false;
        armTimeout();
        return;
    }
    candidateFailed(Reason::NoAnswer);
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

void EngineWorker::candidateFailed(Reason why)
{
    if (m_reconnectAttempt > 0) {
        qCDebug(lcMedia) << "reconnect failed" << forLog(m_lostEntry) << why;
        dropPlayer();
        scheduleReconnect();
        return;
    }
    const QString entry = currentCandidate();
    qCDebug(lcMedia) << "entry failed" << forLog(entry.isEmpty() ? m_url : entry) << why;
    if (why != Reason::None)
        m_lastFailure = why;
    tryNext();
}

void EngineWorker::onEvent(quint64 serial, int type, float value)
{
    if (!m_slot || m_slot->serial != serial)
        return;
    switch (type) {
    case libvlc_MediaPlayerOpening:
        if (!m_started && !m_reconnectAttempt)
            setStatus(Status::Connecting);
        break;
    case libvlc_MediaPlayerBuffering:
        if (!m_started && value < 1.f)
            break;  // announced before the connection: nothing received yet
        m_sawProgress = true;
        if (value < 100.f) {
            if (m_flowing && !m_rebuffering) {
                m_rebuffering = true;
                qCDebug(lcMedia) << "re-buffering" << forLog(currentCandidate());
                emit rebuffered();
            }
            if (!m_reconnectAttempt)
                setStatus(Status::Buffering, Reason::None, int(value));
        } else {
            // The buffer is full: the sound flows (again).
            if (m_reconnectAttempt)
                qCDebug(lcMedia) << "reconnected" << forLog(m_lostEntry);
            m_reconnectAttempt = 0;
            m_flowing = true;
            m_rebuffering = false;
            setStatus(m_paused ? Status::Paused : Status::Playing);
        }
        break;
    case libvlc_MediaPlayerPlaying:
        // The library reports "playing" once the station answered, before
        // its buffer is filled.
        if (!m_started) {
            m_started = true;
            m_timeout->stop();
            qCDebug(lcMedia) << "station answered" << forLog(currentCandidate());
            emit entryStarted(currentCandidate());
        }
        m_paused = false;
        if (m_flowing)
            setStatus(Status::Playing);
        break;
    case libvlc_MediaPlayerPaused:
        m_paused = true;
        setStatus(Status::Paused);
        break;
    case libvlc_MediaPlayerEncounteredError:
        if (!m_flowing)
            candidateFailed(Reason::Unreachable);
        else
            connectionBroke();
        break;
    case libvlc_MediaPlayerEndReached:
        if (!m_flowing) {
            // Ended before any sound: nothing playable behind this entry
            // (a playlist the library only lists, a file it cannot read).
            candidateFailed(Reason::Unreachable);
        } else if (libvlc_media_player_get_length(m_slot->player) > 0) {
            // A recording with a length played to its end: nothing to resume.
            dropPlayer();
            setStatus(Status::Stopped, Reason::BroadcastEnded);
        } else {
            // A live stream has no end of its own: the connection broke.
            connectionBroke();
        }
        break;
    case libvlc_MediaPlayerPositionChanged:
        if (!m_lastPosition.isValid() || m_lastPosition.elapsed() > kPositionIntervalMs) {
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

void EngineWorker::setStatus(Status s, Reason reason, int detail)
{
    if (s == Status::Failed || reason == Reason::BroadcastEnded)
        qCWarning(lcMedia) << "station" << forLog(m_url) << s << reason;
    emit statusChanged(s, reason, detail);
}

void EngineWorker::connectionBroke()
{
    m_lostEntry = currentCandidate();
    qCWarning(lcMedia) << "connection lost" << forLog(m_lostEntry);
    dropPlayer();
    m_reconnectAttempt = 0;
    scheduleReconnect();
}

void EngineWorker::scheduleReconnect()
{
    const int delays = int(std::size(kReconnectDelaysMs));
    const int delay = kReconnectDelaysMs[qMin(m_reconnectAttempt, delays - 1)];
    ++m_reconnectAttempt;
    qCDebug(lcMedia) << "reconnect" << forLog(m_lostEntry) << "attempt" << m_reconnectAttempt << "in" << delay
                     << "ms";
    setStatus(Status::Reconnecting, Reason::ConnectionLost, m_reconnectAttempt);
    m_reconnect->start(delay);
}

void EngineWorker::cancelReconnect()
{
    m_reconnect->stop();
    m_reconnectAttempt = 0;
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
    if (!m_slot && !m_url.isEmpty() && !m_reply && !m_lookupToken) {
        recordRequest(m_url, m_xwindow);
        processSwitch();
    }
}

void EngineWorker::stop()
{
    cancelReconnect();
    if (m_reply)
        m_reply->abort();
    m_lookupToken.reset();
    m_timeout->stop();
    m_candidates.clear();
    m_next = 0;
    dropPlayer();
    setStatus(Status::Stopped);
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
    cancelReconnect();
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
    // Deleted on this thread as its loop ends.
    deleteLater();
    thread()->quit();
}
