#pragma once

#include <QElapsedTimer>
#include <QTimer>

// Longest lateness of a timer on the user-interface thread while it runs:
// what a user would feel as a frozen window.
class LatenessProbe
{
public:
    explicit LatenessProbe(int intervalMs = 5) : m_interval(intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_worst = qMax(m_worst, now - m_last - m_interval);
            m_last = now;
        });
    }
    void start()
    {
        m_worst = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return m_worst;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_worst = 0;
    int m_interval;
};
