#pragma once

#include "media/mediaengine.h"
#include "support/latenessprobe.h"
#include "support/streamserver.h"
#include "support/tonedetector.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

namespace EngineTest {

// Waits the way the program's own loop does: asleep in the event loop until
// an event or timer is due. QTest::qWait instead sleeps in 10 ms steps
// between rounds of events, and a lateness probe would count that sleep.
inline void waitInLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

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

// Writes `url` and waits until its tone `hz` dominates among `tones`. The
// limit only bounds a failure: a sanitizer build sharing two busy cores can
// take many seconds to its first sound.
inline bool switchAndHear(MediaEngine &engine, ToneDetector &detector, const QString &url, double hz,
                          const QList<double> &tones, int timeoutMs = 20000)
{
    detector.reset();
    engine.setURL(url);
    return detector.waitForTone(hz, tones, timeoutMs);
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
