#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

// Longest lateness of a timer on the user-interface thread while it runs:
// what a user would feel as a frozen window, less the time the thread sat
// queued for a processor that other programs held (a busy machine's doing,
// not the program's). Beside it, the longest time
// the thread spent waiting between two ticks: off the processor and not
// queued for it, i.e. blocked on something (a lock, a reply, a sleep)
// rather than busy or crowded out by other programs.
class LatenessProbe
{
public:
    explicit LatenessProbe(int intervalMs = 5) : m_interval(intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        // Read on the thread that runs the timer: the probe's own thread.
        m_schedstat = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    }
    ~LatenessProbe()
    {
        if (m_schedstat >= 0)
            ::close(m_schedstat);
    }
    LatenessProbe(const LatenessProbe &) = delete;
    LatenessProbe &operator=(const LatenessProbe &) = delete;

    void start()
    {
        reset();
        m_timer.start();
    }
    // The worst so far, while it runs.
    qint64 worst() const { return m_worst; }
    // Longest lateness (ms) since start() or the last take().
    qint64 stop()
    {
        m_timer.stop();
        return m_worst;
    }
    // Stops the probe and judges what it saw against what a user would feel
    // as a frozen window (50 ms): empty when within it, else what went
    // wrong. A sanitizer build runs every thread several times slower on
    // machines whose cores are shared, so there lateness says more about
    // the build than the program, and even a short lock held by a slowed
    // thread is waited on longer; what such a build is still held to is
    // that the thread was never blocked for long, which a call that waits
    // on the network or on the library's stopping would be.
    QString stopAndJudge()
    {
        m_timer.stop();
        const qint64 waitMs = m_worstWaitNs / 1000000;
#if defined(__SANITIZE_THREAD__)  // many times over: lateness tells nothing
        const qint64 lateLimit = std::numeric_limits<qint64>::max(), waitLimit = 250;
#elif defined(__SANITIZE_ADDRESS__)
        const qint64 lateLimit = 250, waitLimit = 150;
#else
        const qint64 lateLimit = kFrozenMs, waitLimit = kFrozenMs;
#endif
        if (m_worst >= lateLimit)
            return QStringLiteral("UI thread late by %1 ms").arg(m_worst);
        if (waitMs >= waitLimit)
            return QStringLiteral("UI thread blocked for %1 ms").arg(waitMs);
        return {};
    }
    static constexpr qint64 kFrozenMs = 50;

    // Longest lateness and wait (ms) since start() or the last take();
    // the probe runs on.
    struct Figures {
        qint64 lateMs = 0, waitMs = 0;
    };
    Figures take()
    {
        const Figures f{m_worst, m_worstWaitNs / 1000000};
        m_worst = 0;
        m_worstWaitNs = 0;
        return f;
    }

private:
    void reset()
    {
        m_worst = 0;
        m_worstWaitNs = 0;
        m_clock.start();
        m_last = 0;
        m_lastNs = 0;
        m_lastBusyNs = busyNs(&m_lastQueuedNs);
    }

    // Time the thread ran or was ready to run, in ns: what schedstat counts
    // (on the processor, queued for it); only the processor time when the
    // kernel keeps no such figures.
    qint64 busyNs(qint64 *queuedNs = nullptr) const
    {
        if (queuedNs)
            *queuedNs = 0;
        char buf[128];
        if (m_schedstat >= 0) {
            const ssize_t n = ::pread(m_schedstat, buf, sizeof buf - 1, 0);
            if (n > 0) {
                buf[n] = 0;
                unsigned long long run = 0, queued = 0;
                if (std::sscanf(buf, "%llu %llu", &run, &queued) == 2) {
                    if (queuedNs)
                        *queuedNs = qint64(queued);
                    return qint64(run + queued);
                }
            }
        }
        timespec ts{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }

    void tick()
    {
        const qint64 nowNs = m_clock.nsecsElapsed();
        const qint64 now = nowNs / 1000000;
        qint64 queued = 0;
        const qint64 busy = busyNs(&queued);
        m_worst = qMax(m_worst, now - m_last - m_interval - (queued - m_lastQueuedNs) / 1000000);
        // The event loop rightly sleeps out the interval itself.
        const qint64 waited = (nowNs - m_lastNs) - (busy - m_lastBusyNs) - qint64(m_interval) * 1000000;
        m_worstWaitNs = qMax(m_worstWaitNs, waited);
        m_last = now;
        m_lastNs = nowNs;
        m_lastBusyNs = busy;
        m_lastQueuedNs = queued;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_worst = 0;
    qint64 m_lastNs = 0, m_lastBusyNs = 0, m_lastQueuedNs = 0, m_worstWaitNs = 0;
    int m_interval;
    int m_schedstat = -1;
};
