#include "support/tonedetector.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {
constexpr int kWindowMs = 250;
}

ToneDetector::ToneDetector()
{
    m_ring.resize(m_rate * kWindowMs / 1000);
    m_clock.start();
}

MediaEngine::AudioTap ToneDetector::tap()
{
    return [this](const qint16 *s, int frames, int channels, int rate, qint64 dueUs) {
        feed(s, frames, channels, rate, dueUs);
    };
}

void ToneDetector::reset()
{
    QMutexLocker lock(&m_mutex);
    m_pos = 0;
    m_full = false;
    m_frames = 0;
    m_firstMs = -1;
    m_heardUntilUs = -1;
    m_longestGap = 0;
    m_gaps.clear();
    m_clock.restart();
}

void ToneDetector::feed(const qint16 *s, int frames, int channels, int rate, qint64 dueUs)
{
    QMutexLocker lock(&m_mutex);
    if (rate != m_rate) {
        m_rate = rate;
        m_ring.resize(rate * kWindowMs / 1000);
        m_pos = 0;
        m_full = false;
    }
    const qint64 now = m_clock.elapsed();
    if (m_firstMs < 0)
        m_firstMs = now;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const qint64 nowUs = qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
    const qint64 startUs = qMax(dueUs, nowUs);
    if (m_heardUntilUs >= 0) {
        if (const qint64 gap = (startUs - m_heardUntilUs) / 1000; gap > 40) {
            m_longestGap = qMax(m_longestGap, gap);
            m_gaps.append(gap);
        }
    }
    m_heardUntilUs = qMax(m_heardUntilUs, startUs + qint64(frames) * 1000000 / qMax(1, rate));
    for (int i = 0; i < frames; ++i) {
        m_ring[m_pos] = s[i * channels] / 32768.f;
        if (++m_pos == m_ring.size()) {
            m_pos = 0;
            m_full = true;
        }
    }
    m_frames += frames;
}

double ToneDetector::goertzelPower(const float *x, int n, double hz, int rate)
{
    const double coeff = 2 * std::cos(2 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (int i = 0; i < n; ++i) {
        const double s = x[i] + coeff * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / (double(n) * n);
}

double ToneDetector::dominant(const QList<double> &candidates, double dominance) const
{
    QVector<float> window;
    int rate;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_full)
            return 0;
        window.reserve(m_ring.size());
        for (int i = 0; i < m_ring.size(); ++i)
            window << m_ring[(m_pos + i) % m_ring.size()];
        rate = m_rate;
    }
    QList<double> power;
    for (double hz : candidates)
        power << goertzelPower(window.constData(), window.size(), hz, rate);
    int best = -1;
    for (int i = 0; i < power.size(); ++i)
        if (best < 0 || power[i] > power[best])
            best = i;
    // A tone at a fifth of full scale gives about 0.01; silence far less.
    if (best < 0 || power[best] < 1e-4)
        return 0;
    for (int i = 0; i < power.size(); ++i)
        if (i != best && power[best] < dominance * power[i])
            return 0;
    return candidates[best];
}

bool ToneDetector::waitForTone(double hz, const QList<double> &candidates, int timeoutMs)
{
    return QTest::qWaitFor([&] { return dominant(candidates) == hz; }, timeoutMs);
}

qint64 ToneDetector::framesSinceReset() const
{
    QMutexLocker lock(&m_mutex);
    return m_frames;
}

qint64 ToneDetector::firstAudioMs() const
{
    QMutexLocker lock(&m_mutex);
    return m_firstMs;
}

qint64 ToneDetector::longestGapMs() const
{
    QMutexLocker lock(&m_mutex);
    return m_longestGap;
}

int ToneDetector::gapsOver(qint64 ms) const
{
    QMutexLocker lock(&m_mutex);
    return int(std::count_if(m_gaps.cbegin(), m_gaps.cend(), [ms](qint64 g) { return g > ms; }));
}
