#include "media/engineworker_p.h"

#include "media/icymedia_p.h"
#include "media/icymetadata.h"
#include "media/playlist.h"
#include "media/playlistfetcher.h"
#include "platform/logging.h"

#include <QByteArray>
#include <QThread>

#include <vlc/vlc.h>

#include <vector>

using namespace EngineDetail;

namespace {

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;
// A station still sending, however slowly, gets this many more open periods.
constexpr int kMaxOpenExtensions = 3;
// The position slider needs no more than a few updates a second.
constexpr int kPositionIntervalMs = 250;
const QByteArray kUserAgent = QByteArrayLiteral("BreloPlayer/" BRELO_VERSION_SHORT);
// Pauses before the reconnect attempts: at once, then growing, then capped.
constexpr int kReconnectDelaysMs[] = {0, 1000, 2000, 4000, 8000, 15000};
// Sound that flowed this long proves the station sound again: the next
// break starts the waits from the beginning.
constexpr int kSteadyFlowMs = 30000;
// Breaks in a row, each after less sound than that, before the station is
// given up as lost rather than hammered for ever.
constexpr int kMaxQuickBreaks = 5;
// Titles go out at most this often, the latest one winning: a station that
// announces on every block must not drive the label and the desktop at the
// network's pace.
constexpr int kTitleIntervalMs = 250;
// libVLC's own default: the most a station's buffer grows to after dropouts.
constexpr int kMaxNetworkCachingMs = 1000;

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
    case libvlc_MediaMetaChanged: value = float(event->u.media_meta_changed.meta_type); break;
    default: break;
    }
    std::lock_guard lock(slot->bridge->mutex);
    if (slot->bridge->worker)
        slot->bridge->worker->postEvent(slot->serial, event->type, value);
}

void onAudioPlay(void *opaque, const void *samples, unsigned count, int64_t pts)
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
        slot->bridge->tap(static_cast<const qint16 *>(samples), int(count), kAudioChannels, kAudioRate, pts);
}

Engine::Reason reasonFor(PlaylistFetcher::Failure why)
{
    switch (why) {
    case PlaylistFetcher::Failure::NoAnswer: return Engine::Reason::NoAnswer;
    case PlaylistFetcher::Failure::Unreadable:
    case PlaylistFetcher::Failure::Refused: return Engine::Reason::PlaylistUnreadable;
    default: return Engine::Reason::Unreachable;
    }
}

// libVLC 3 has two HTTP clients. The newer one, tried first, gives up on
// any answer that carries icy-* headers (every SHOUTcast and Icecast
// station) and the older one connects again: each start took two of the
// station's listener slots. The older client's own scheme reaches it at
// once; it speaks plain HTTP as well. HLS stays with the newer client, the
// only one whose segments the HLS reader can fetch; so does a playlist
// address the fetcher handed on whole (an .m3u that answered with HLS).
QString libraryAddress(const QString &address)
{
    QUrl u(address);
    if (u.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0 || Playlist::looksLikePlaylist(u)
        || Playlist::looksLikeHls(u))
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

EngineWorker::EngineWorker(const Engine::Options &options, std::shared_ptr<Reaper> reaper)
    : m_options(options), m_reaper(std::move(reaper)), m_bridge(std::make_shared<Bridge>())
{
    m_bridge->worker = this;
    m_bridge->tap = options.audioTap;
    m_timeout = new QTimer(this);
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, &EngineWorker::onTimeout);
    m_silence = new QTimer(this);
    connect(m_silence, &QTimer::timeout, this, &EngineWorker::checkStillFlowing);
    m_reconnect = new QTimer(this);
    m_reconnect->setSingleShot(true);
    connect(m_reconnect, &QTimer::timeout, this, [this] { openEntry(m_lostEntry, m_entryFound); });
    m_titleGate = new QTimer(this);
    m_titleGate->setSingleShot(true);
    m_titleGate->setInterval(kTitleIntervalMs);
    connect(m_titleGate, &QTimer::timeout, this, [this] {
        if (!m_titlePending)
            return;
        m_titlePending = false;
        emit nowPlayingChanged(m_nowPlaying);
        m_titleGate->start();
    });
    m_fetcher = new PlaylistFetcher(options.openTimeoutMs, this);
    connect(m_fetcher, &PlaylistFetcher::entryReady, this, &EngineWorker::openEntry);
    connect(m_fetcher, &PlaylistFetcher::exhausted, this, [this](PlaylistFetcher::Failure why) {
        m_timeout->stop();
        // What the players ran into tells more than the playlists.
        if (m_lastFailure == Reason::None)
            m_lastFailure = reasonFor(why);
        setStatus(Status::Failed, m_lastFailure);
    });
}

EngineWorker::~EngineWorker()
{
    std::lock_guard lock(m_bridge->mutex);
    m_bridge->worker = nullptr;
}

void EngineWorker::recordRequest(const QString &url, quint64 xwindow, const RequestHeaders &headers)
{
    QMutexLocker lock(&m_requestMutex);
    m_requestedUrl = url;
    m_requestedHeaders = headers;
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
        m_headers = m_requestedHeaders;
    }
    beginAttempt(url);
}

void EngineWorker::beginAttempt(const QString &url)
{
    cancelReconnect();
    dropPlayer();
    m_fetcher->cancel();
    clearTitles();
    m_url = url;
    m_entry.clear();
    m_lastFailure = Reason::None;
    m_reopening = false;
    m_paused = false;
    m_quickBreaks = 0;
    resetOpenProgress();
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
    m_fetcher->start(url, m_headers);
    m_fetcher->next();
}

void EngineWorker::tryNext()
{
    dropPlayer();
    m_entry.clear();
    m_fetcher->next();
}

QString EngineWorker::currentCandidate() const
{
    return m_entry;
}

void EngineWorker::resetOpenProgress()
{
    m_started = false;
    m_flowing = false;
    m_rebuffering = false;
    m_sawProgress = false;
    m_extensions = 0;
    m_bytesAtTimeout = 0;
}

void EngineWorker::openEntry(const QString &address, PlaylistFetcher::Found found)
{
    resetOpenProgress();

    m_entry = address;
    m_entryFound = found;
    clearTitles();
    // An HLS index is the library's newer client's to fetch piece by piece,
    // whatever its address looks like.
    const bool hls = found == PlaylistFetcher::Found::Hls;
    qCDebug(lcMedia) << "opening" << forLog(address) << found;
    auto *slot = new PlayerSlot;
    slot->serial = ++m_serial;
    slot->bridge = m_bridge;
    libvlc_media_t *media = nullptr;
    const QUrl url(address);
    if (!hls && wantsIcyReader(url)) {
        // The library's own HTTPS access drops in-band titles.
        IcyMedia icy = newIcyMedia(m_vlc, url, m_options.openTimeoutMs, m_headers,
                                   [bridge = m_bridge, serial = slot->serial](const QString &t, bool name) {
                                       if (bridge->current.load() != serial)
                                           return;
                                       std::lock_guard lock(bridge->mutex);
                                       if (bridge->worker)
                                           bridge->worker->postTitle(serial, t, name);
                                   });
        media = icy.media;
        slot->feed = icy.feed;
    } else {
        media = libvlc_media_new_location(m_vlc,
                                          (hls ? address : libraryAddress(address)).toUtf8().constData());
    }
    if (media && !m_headers.userAgent.isEmpty())
        libvlc_media_add_option(media, (":http-user-agent=" + m_headers.userAgent).toUtf8().constData());
    if (media && !m_headers.referrer.isEmpty())
        libvlc_media_add_option(media, (":http-referrer=" + m_headers.referrer).toUtf8().constData());
    m_openCachingMs = m_cachingFor.value(m_url, m_options.networkCachingMs);
    m_dropouts = 0;
    if (media && m_openCachingMs != m_options.networkCachingMs) {
        qCDebug(lcMedia) << "buffer for this station" << m_openCachingMs << "ms";
        libvlc_media_add_option(
            media, QByteArray(":network-caching=" + QByteArray::number(m_openCachingMs)).constData());
    }
    if (media) {
        // Titles and station names the library's own access reads.
        libvlc_event_attach(libvlc_media_event_manager(media), libvlc_MediaMetaChanged, onVlcEvent, slot);
        slot->player = libvlc_media_player_new_from_media(media);
        libvlc_media_release(media);
    }
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
    // A reconnect counts only once sound flows again: a station that takes
    // the connection back and sends nothing is tried again.
    if (m_started && !m_reconnectAttempt)
        return;
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

void EngineWorker::checkStillFlowing()
{
    if (!m_slot || !m_flowing) {
        m_silence->stop();
        return;
    }
    // Paused, nothing is read; a recording may be read to its end long
    // before it is heard to its end.
    if (m_paused || libvlc_media_player_get_length(m_slot->player) > 0)
        return;
    const qint64 got = bytesRead();
    if (got > m_bytesAtCheck) {
        m_bytesAtCheck = got;
        return;
    }
    // The connection is open but the station went silent: the library
    // would wait on it for ever.
    qCWarning(lcMedia) << "nothing received for" << m_options.openTimeoutMs << "ms" << forLog(m_entry);
    connectionBroke();
}

void EngineWorker::dropPlayer()
{
    if (!m_slot)
        return;
    m_bridge->current.store(0);
    m_silence->stop();
    // A read of our own waiting for the station gives up, so that the
    // library's stop does not wait for it.
    cancelIcyFeed(m_slot->feed);
    // Silence it now; stopping may take seconds on the reaper.
    if (!m_bridge->tap)
        libvlc_audio_set_mute(m_slot->player, 1);
    m_reaper->push(m_slot);
    m_slot = nullptr;
    emit positionChanged(0, false);
}

void EngineWorker::candidateFailed(Reason why)
{
    if (m_reopening) {
        // The same entry played a moment ago: treat it as a lost connection.
        m_reopening = false;
        connectionBroke();
        return;
    }
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
        if (!m_started && !m_reconnectAttempt && !m_reopening)
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
                if (dropoutReopens())
                    break;
            }
            if (!m_reconnectAttempt)
                setStatus(Status::Buffering, Reason::None, int(value));
        } else {
            // The buffer is full: the sound flows (again).
            if (m_reconnectAttempt) {
                qCDebug(lcMedia) << "reconnected" << forLog(m_lostEntry);
                m_timeout->stop();
            }
            m_reconnectAttempt = 0;
            m_reopening = false;
            if (!m_flowing)
                m_flowStart.start();
            m_flowing = true;
            if (!m_silence->isActive()) {
                m_bytesAtCheck = bytesRead();
                m_silence->start(m_options.openTimeoutMs);
            }
            m_rebuffering = false;
            setStatus(m_paused ? Status::Paused : Status::Playing);
        }
        break;
    case libvlc_MediaPlayerPlaying:
        // The library reports "playing" once the station answered, before
        // its buffer is filled.
        if (!m_started) {
            m_started = true;
            if (!m_reconnectAttempt)
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
    case libvlc_MediaMetaChanged: {
        const auto which = libvlc_meta_t(int(value));
        if (which != libvlc_meta_NowPlaying && which != libvlc_meta_Title)
            break;
        libvlc_media_t *media = libvlc_media_player_get_media(m_slot->player);
        if (!media)
            break;
        char *raw = libvlc_media_get_meta(media, which);
        libvlc_media_release(media);
        QString text = Icy::headerText(QByteArray(raw));
        libvlc_free(raw);
        // Without a title of its own the library names a stream after its
        // address.
        if (which == libvlc_meta_Title
            && (QUrl(text) == QUrl(m_entry) || QUrl(text) == QUrl(libraryAddress(m_entry))))
            text.clear();
        noteTitle(text, which == libvlc_meta_Title);
        break;
    }
    default: break;
    }
}

void EngineWorker::postTitle(quint64 serial, const QString &title, bool stationName)
{
    QMetaObject::invokeMethod(
        this,
        [this, serial, title, stationName] {
            if (m_slot && m_slot->serial == serial)
                noteTitle(title, stationName);
        },
        Qt::QueuedConnection);
}

void EngineWorker::noteTitle(const QString &title, bool stationName)
{
    (stationName ? m_stationName : m_streamTitle) = title;
    const QString now = m_streamTitle.isEmpty() ? m_stationName : m_streamTitle;
    if (now == m_nowPlaying)
        return;
    m_nowPlaying = now;
    // The title itself is the listener's business, not the log's.
    qCDebug(lcMedia) << "title changed" << forLog(m_entry);
    if (m_titleGate->isActive()) {
        m_titlePending = true;
        return;
    }
    emit nowPlayingChanged(now);
    m_titleGate->start();
}

void EngineWorker::clearTitles()
{
    m_stationName.clear();
    m_streamTitle.clear();
    m_titlePending = false;
    if (m_nowPlaying.isEmpty())
        return;
    m_nowPlaying.clear();
    emit nowPlayingChanged({});
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
    const bool steady = m_flowStart.isValid() && m_flowStart.elapsed() >= kSteadyFlowMs;
    m_quickBreaks = steady ? 1 : m_quickBreaks + 1;
    qCWarning(lcMedia) << "connection lost" << forLog(m_lostEntry) << "break" << m_quickBreaks << "in a row";
    dropPlayer();
    if (m_quickBreaks > kMaxQuickBreaks) {
        // An overloaded server that sheds its listeners every few seconds
        // would otherwise be opened again for as long as the channel stays.
        qCWarning(lcMedia) << "station given up after" << kMaxQuickBreaks << "quick breaks";
        m_timeout->stop();
        cancelReconnect();
        m_quickBreaks = 0;
        m_entry.clear();
        setStatus(Status::Failed, Reason::ConnectionLost);
        return;
    }
    // The waits between attempts go on growing from one quick break to the
    // next; only sound that held resets them.
    m_reconnectAttempt = m_quickBreaks - 1;
    scheduleReconnect();
}

void EngineWorker::scheduleReconnect()
{
    // No attempt is open while the engine waits: an open time-out left from
    // the one that just failed would count a failure that never happened.
    m_timeout->stop();
    const int delays = int(std::size(kReconnectDelaysMs));
    const int delay = kReconnectDelaysMs[qMin(m_reconnectAttempt, delays - 1)];
    ++m_reconnectAttempt;
    qCDebug(lcMedia) << "reconnect" << forLog(m_lostEntry) << "attempt" << m_reconnectAttempt << "in" << delay
                     << "ms";
    setStatus(Status::Reconnecting, Reason::ConnectionLost, m_reconnectAttempt);
    m_reconnect->start(delay);
}

bool EngineWorker::dropoutReopens()
{
    ++m_dropouts;
    // A quick start needs a small buffer, which a station whose network
    // pauses for longer keeps running dry: its next open gets twice the
    // buffer, up to the library's own default, for the rest of the session.
    const int had = m_cachingFor.value(m_url, m_openCachingMs);
    const int raised = qMin(kMaxNetworkCachingMs, had * 2);
    if (raised > had) {
        m_cachingFor.insert(m_url, raised);
        qCDebug(lcMedia) << "buffer for" << forLog(m_url) << "raised to" << raised << "ms";
    }
    // One dropout may be a passing hiccup; a second on the same connection
    // says the buffer is too small now, not only at the next choice.
    if (m_dropouts < 2 || m_cachingFor.value(m_url) <= m_openCachingMs)
        return false;
    qCDebug(lcMedia) << "reopening with the larger buffer" << forLog(m_entry);
    const QString entry = m_entry;
    dropPlayer();
    m_reopening = true;
    openEntry(entry, m_entryFound);
    return true;
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
    if (!m_slot && !m_url.isEmpty() && !m_fetcher->busy()) {
        recordRequest(m_url, m_xwindow);
        processSwitch();
    }
}

void EngineWorker::stop()
{
    cancelReconnect();
    m_quickBreaks = 0;
    m_fetcher->cancel();
    m_timeout->stop();
    m_entry.clear();
    dropPlayer();
    clearTitles();
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
    m_fetcher->cancel();
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
