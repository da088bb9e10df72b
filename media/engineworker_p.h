#pragma once

// Private to media/: the only place that knows libVLC.

#include "media/engineoptions.h"
#include "media/enginestatus.h"
#include "media/playlistfetcher.h"
#include "media/reaper_p.h"
#include "media/requestheaders.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>

struct libvlc_instance_t;

// Lives on the engine thread. Every libVLC call that may take time starts
// here or on the reaper, never on the user-interface thread.
//
// A channel's way to sound: beginAttempt() takes the address written and
// hands it to the PlaylistFetcher, which offers the stream addresses behind
// it one at a time; openEntry() opens each, tryNext() asks for the next
// until one plays.
class EngineWorker : public QObject
{
    Q_OBJECT
public:
    using Status = Engine::Status;
    using Reason = Engine::Reason;

    EngineWorker(const Engine::Options &options, std::shared_ptr<EngineDetail::Reaper> reaper);
    ~EngineWorker() override;

    // Any thread: records the address to play next; processSwitch() plays
    // it. The newest address wins; older requests still queued are dropped
    // unseen.
    void recordRequest(const QString &url, quint64 xwindow, const RequestHeaders &headers = {});

    // From libVLC threads.
    void postEvent(quint64 serial, int type, float value);
    void postAudio(quint64 serial);
    // An in-band title or the station's name, from a reading thread.
    void postTitle(quint64 serial, const QString &title, bool stationName);

public slots:
    // Loads the library ahead of the first address, so that a library that
    // cannot start is known at once.
    void startLibrary();
    void processSwitch();
    void pause();
    void resume();
    void stop();
    void setVolume(int volume);
    void setMuted(bool muted);
    void setPosition(double position);
    // Lets go of everything and ends the engine thread; the worker deletes
    // itself there, so nothing here needs the application object, which may
    // already be gone when a shut-down given up on finally runs.
    void shutdown();

signals:
    // `detail`: the buffer's fill while buffering, the attempt while
    // reconnecting.
    void statusChanged(Engine::Status status, Engine::Reason reason, int detail);
    void rebuffered();
    void positionChanged(double position, bool seekable);
    void entryStarted(const QString &address);
    void audioStarted();
    // The stream's current title, else the station's name; empty when none.
    void nowPlayingChanged(const QString &title);

private:
    void ensureInstance();
    void beginAttempt(const QString &url);
    void tryNext();
    void openEntry(const QString &address, PlaylistFetcher::Found found);
    // Forgets how far the last opening got: a new one starts from nothing.
    void resetOpenProgress();
    void dropPlayer();
    void candidateFailed(Reason why);
    void onEvent(quint64 serial, int type, float value);
    // The stream broke off after sound flowed: open the same entry again,
    // at once and then with a growing pause, until it plays or the channel
    // is left. One attempt at a time.
    void connectionBroke();
    void scheduleReconnect();
    void cancelReconnect();
    // After a re-buffering: raises the station's buffer; true when it
    // reopened the entry with it.
    bool dropoutReopens();
    void noteTitle(const QString &title, bool stationName);
    void clearTitles();
    void setStatus(Status s, Reason reason = Reason::None, int detail = 0);
    void onTimeout();
    // While sound flows: a live stream whose bytes stopped arriving broke off.
    void checkStillFlowing();
    void armTimeout();
    qint64 bytesRead() const;
    QString currentCandidate() const;

    Engine::Options m_options;
    quint64 m_xwindow = 0;
    std::shared_ptr<EngineDetail::Reaper> m_reaper;
    std::shared_ptr<EngineDetail::Bridge> m_bridge;
    libvlc_instance_t *m_vlc = nullptr;

    QMutex m_requestMutex;
    QString m_requestedUrl;
    quint64 m_requestedXwindow = 0;
    RequestHeaders m_requestedHeaders;
    RequestHeaders m_headers;  // the station's own, for every entry it leads to
    quint64 m_requestGen = 0;  // guarded by m_requestMutex
    quint64 m_handledGen = 0;

    QString m_url;
    PlaylistFetcher *m_fetcher = nullptr;
    QString m_entry;  // the stream address opened last
    PlaylistFetcher::Found m_entryFound = PlaylistFetcher::Found::Unknown;  // what the fetcher knew of it
    Reason m_lastFailure = Reason::None;
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
    QTimer *m_reconnect = nullptr;
    QTimer *m_silence = nullptr;
    qint64 m_bytesAtCheck = 0;
    int m_reconnectAttempt = 0;  // 0: not reconnecting
    int m_quickBreaks = 0;  // breaks in a row, each after little sound
    QElapsedTimer m_flowStart;  // since the sound last began to flow
    QString m_lostEntry;
    QString m_stationName, m_streamTitle, m_nowPlaying;
    QTimer *m_titleGate = nullptr;
    bool m_titlePending = false;  // a title came while the gate was shut
    QHash<QString, int> m_cachingFor;  // by station address, raised after dropouts
    int m_openCachingMs = 0;  // what the current entry was opened with
    int m_dropouts = 0;  // re-bufferings since it was opened
    bool m_reopening = false;  // opened again for a larger buffer
    QElapsedTimer m_lastPosition;
    bool m_shutDown = false;
};
