#pragma once

// Private to media/: libVLC players and the threads that let go of them.

#include "media/engineoptions.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

struct libvlc_instance_t;
struct libvlc_media_player_t;
class EngineWorker;

namespace EngineDetail {

class IcyFeed;

// What libVLC's threads may reach: the worker while it lives, the serial of
// the player whose events and sound still count.
struct Bridge {
    std::mutex mutex;
    EngineWorker *worker = nullptr;  // guarded by mutex; null once shut down
    std::atomic<quint64> current{0};
    Engine::AudioTap tap;
};

// One libVLC player: a fresh one per attempt, so a call hung inside an old
// one never holds up the next.
struct PlayerSlot {
    quint64 serial = 0;
    libvlc_instance_t *instance = nullptr;  // a reference of its own
    libvlc_media_player_t *player = nullptr;
    std::shared_ptr<Bridge> bridge;
    std::atomic<bool> audioSeen{false};
    std::shared_ptr<IcyFeed> feed;  // when the engine reads the stream itself
};

// Stops and releases players off every Qt thread. A release can hang for
// seconds inside the resolver, so a few threads share the queue; they are
// bounded and leave when idle.
class Reaper
{
public:
    static constexpr int kMaxThreads = 3;
    static constexpr int kIdleExitMs = 2000;
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
