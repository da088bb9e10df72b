#pragma once

#include "media/mediaengine.h"
#include "support/streamserver.h"
#include "support/tonedetector.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTest>
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

namespace EngineTest {

// A port on 127.0.0.1 where nothing listens.
inline quint16 closedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const quint16 p = s.serverPort();
    s.close();
    return p;
}

inline MediaEngine::Options quietOptions(ToneDetector &detector, int openTimeoutMs = 3000)
{
    MediaEngine::Options o;
    o.video = false;
    o.audioTap = detector.tap();
    o.openTimeoutMs = openTimeoutMs;
    return o;
}

inline long procStatus(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
    return -1;
}

inline long threadCount()
{
    return procStatus("Threads:");
}
inline long rssKb()
{
    return procStatus("VmRSS:");
}

}  // namespace EngineTest
