#pragma once

#include "media/mediaengine.h"

#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QVector>

// Listens to an engine's decoded sound (MediaEngine::Options::audioTap) and
// tells which tone plays, by Goertzel filters over the latest quarter second.
class ToneDetector
{
public:
    ToneDetector();

    // The tap to put into MediaEngine::Options; the detector must outlive
    // the engine.
    MediaEngine::AudioTap tap();

    // Forgets what was heard and restarts the clock (call at a switch).
    void reset();

    // Of `candidates`, the frequency whose power in the latest window is
    // greatest and at least `dominance` times every other; 0 when none is,
    // or when the window is silent or not yet full.
    double dominant(const QList<double> &candidates, double dominance = 10) const;

    // Pumps the event loop until `hz` dominates among `candidates`.
    bool waitForTone(double hz, const QList<double> &candidates, int timeoutMs);

    qint64 framesSinceReset() const;
    // Milliseconds from reset() to the first decoded sound; -1 before it.
    qint64 firstAudioMs() const;
    // Longest silence a listener would hear since the first sound after
    // reset(): sound is heard from when it is due, or from when it arrives
    // if it comes late, to its end.
    qint64 longestGapMs() const;
    // How many of those silences lasted longer than `ms` (at least 40).
    int gapsOver(qint64 ms) const;

    static double goertzelPower(const float *samples, int n, double hz, int rate);

private:
    void feed(const qint16 *samples, int frames, int channels, int rate, qint64 dueUs);

    mutable QMutex m_mutex;
    QVector<float> m_ring;
    int m_pos = 0;
    bool m_full = false;
    int m_rate = 44100;
    qint64 m_frames = 0;
    qint64 m_firstMs = -1;
    qint64 m_heardUntilUs = -1;
    qint64 m_longestGap = 0;
    QList<qint64> m_gaps;  // those over 40 ms
    QElapsedTimer m_clock;
};
