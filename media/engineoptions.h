#pragma once

#include <QtGlobal>

#include <functional>

namespace Engine {

// Decoded audio, for tests and benchmarks: interleaved signed 16-bit
// samples, called on an engine thread ahead of the moment they are due to
// sound, `dueUs` on the monotonic clock (CLOCK_MONOTONIC, in µs).
using AudioTap = std::function<void(const qint16 *samples, int frames, int channels, int rate, qint64 dueUs)>;

constexpr int kDefaultNetworkCachingMs = 250;

struct Options {
    bool video = true;  // false: no picture at all (window-less tests)
    AudioTap audioTap;  // set: decoded sound goes here instead of the speakers
    int openTimeoutMs = 8000;  // a station that sends nothing for this long "does not answer"
    // How far ahead of the sound the network is read. Short enough that a
    // channel starts in about a third of the library's default time, long
    // enough to ride out a server that pauses for a quarter of a second (the
    // library's clock adds its own margin on top).
    int networkCachingMs = kDefaultNetworkCachingMs;
};

}  // namespace Engine
