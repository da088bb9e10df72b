#pragma once

// Private to media/: the only place that knows libVLC.

#include "media/mediaengine.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

struct libvlc_instance_t;
struct libvlc_media_player_t;
class QNetworkAccessManager;
class QNetworkReply;
class EngineWorker;

namespace EngineDetail {

// What libVLC's threads may reach: the worker while it lives, the serial of
// the player whose events and sound still count.
struct Bridge {
    std::mutex mutex;
    EngineWorker *worker = nullptr;  // guarded by mutex; null once shut down
    std::atomic<quint64> current{0};
    MediaEngine::AudioTap tap;
};

// One libVLC player: a fresh one per attempt, so a call hung inside an old
// one never holds up the next.
struct PlayerSlot {
    quint64 serial = 0;
    libvlc_instance_t *instance = nullptr;  // a reference of its own
    libvlc_media_player_t *player = nullptr;
    std::shared_ptr<Bridge> bridge;
    std::atomic<bool> audioSeen{false};
};

// Stops and releases players off every Qt thread. A release can hang for
// seconds inside the resolver, so a few threads share the queue; they are
// bounded and leave when idle.
class Reaper
{
public:
    static constexpr int kMaxThreads = 3;
    static std::shared_ptr<Reaper> create();

    void push(PlayerSlot *slot);
    // True when every player handed over is released before the deadline.
    bool waitIdle(int ms);

private:
    Reaper() = default;
    void run();

    std::weak_ptr<Reaper> m_self;
    mutable std::mutex m_mutex;
    std::condition_variable m_work, m_idle;
    std::deque<PlayerSlot *> m_queue;
    int m_threads = 0, m_waiting = 0, m_busy = 0;
};

}  // namespace EngineDetail

// Lives on the engine thread. Every libVLC call that may take time starts
// here or on the reaper, never on the user-interface thread.
class EngineWorker : public QObject
{
    Q_OBJECT
public:
    struct Config {
        bool video = true;
        MediaEngine::AudioTap tap;
        int openTimeoutMs = 8000;
        int networkCachingMs = 300;
        quint64 xwindow = 0;
    };
    EngineWorker(const Config &config, std::shared_ptr<EngineDetail::Reaper> reaper);
    ~EngineWorker() override;

    // Any thread: the newest address wins; older requests still queued are
    // dropped unseen.
    void requestSwitch(const QString &url, quint64 xwindow);

    // From libVLC threads.
    void postEvent(quint64 serial, int type, float value);
    void postAudio(quint64 serial);

public slots:
    void processSwitch();
    void pause();
    void resume();
    void stop();
    void setVolume(int volume);
    void setMuted(bool muted);
    void setPosition(double position);
    void shutdown();

signals:
    void statusChanged(MediaEngine::Status status, const QString &text);
    void rebuffered();
    void positionChanged(double position, bool seekable);
    void entryStarted(const QString &address);
    void audioStarted();

private:
    enum class Failure { None, NoAnswer, Error, PlaylistUnreadable };

    void ensureInstance();
    void beginAttempt(const QString &url);
    void fetchPlaylist(const QUrl &url);
    void playlistFetched(QNetworkReply *reply, quint64 gen);
    void tryNext();
    void startPlayer(const QString &address);
    void dropPlayer();
    void candidateFailed(Failure why);
    void onEvent(quint64 serial, int type, float value);
    void setStatus(MediaEngine::Status s, const QString &text);
    void armTimeout();
    qint64 bytesRead() const;

    Config m_config;
    std::shared_ptr<EngineDetail::Reaper> m_reaper;
    std::shared_ptr<EngineDetail::Bridge> m_bridge;
    libvlc_instance_t *m_vlc = nullptr;

    QMutex m_requestMutex;
    QString m_requestedUrl;
    quint64 m_requestedXwindow = 0;
    quint64 m_requestGen = 0;  // guarded by m_requestMutex
    quint64 m_handledGen = 0;

    QString m_url;
    QStringList m_candidates;
    int m_next = 0;
    Failure m_lastFailure = Failure::None;
    EngineDetail::PlayerSlot *m_slot = nullptr;
    quint64 m_serial = 0;
    bool m_started = false;  // the station answered: the library plays
    bool m_flowing = false;  // the buffer was full once: sound flows
    bool m_rebuffering = false;
    bool m_sawProgress = false;  // buffering began: the station answers
    int m_extensions = 0;
    qint64 m_bytesAtTimeout = 0;
    bool m_paused = false;
    int m_volume = 100;
    bool m_muted = false;
    QTimer *m_timeout = nullptr;
    QNetworkAccessManager *m_nam = nullptr;
    QPointer<QNetworkReply> m_reply;
    std::shared_ptr<std::atomic<quint64>> m_lookupToken;
    QElapsedTimer m_lastPosition;
    bool m_shutDown = false;
};
