#include "media/reaper_p.h"

#include <vlc/vlc.h>

#include <chrono>
#include <thread>

namespace EngineDetail {

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
        const bool got = m_work.wait_for(lock, std::chrono::milliseconds(kIdleExitMs),
                                         [this] { return !m_queue.empty(); });
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

}  // namespace EngineDetail
