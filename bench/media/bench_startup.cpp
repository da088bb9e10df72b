// The engine next to libVLC at its default settings, on local servers:
// - time from a `URL` write to the first decoded sound, on an ICY stream
//   served in real time and on one that starts with an Icecast-style burst;
// - a long run on a server whose delivery stalls for up to 250 ms now and
//   then, counting the engine's re-buffering events;
// - both playing at once from a server that pauses 300-900 ms every 0.7-3 s,
//   counting dropouts (decoded sound stopping for over 150 ms);
// - both playing when the server drops every connection and accepts again
//   2 s later: time from its return to sound again.
//
//   scripts/test-session.sh build/bench/media/bench_startup [--runs 7] [--stall-seconds 60]
//       [--pause-seconds 180] [--outages 3] [--caching ms]
#include "media/mediaengine.h"
#include "support/streamserver.h"
#include "support/tonedetector.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTest>

#include <vlc/vlc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>

namespace {

double median(QList<double> v)
{
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    const int n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

constexpr qint64 kDropoutMs = 150;

// libVLC as it comes: default network caching, a plain media player.
class PlainVlc
{
public:
    // A player left playing, its sound going to `tap`.
    struct Playing {
        libvlc_media_player_t *player = nullptr;
        MediaEngine::AudioTap tap;
        ~Playing()
        {
            if (player) {
                libvlc_media_player_stop(player);
                libvlc_media_player_release(player);
            }
        }
    };
    std::unique_ptr<Playing> play(const QString &url, MediaEngine::AudioTap tap)
    {
        auto p = std::make_unique<Playing>();
        p->tap = std::move(tap);
        libvlc_media_t *m = libvlc_media_new_location(m_vlc, url.toUtf8().constData());
        p->player = libvlc_media_player_new_from_media(m);
        libvlc_media_release(m);
        libvlc_audio_set_callbacks(
            p->player,
            [](void *self, const void *samples, unsigned count, int64_t pts) {
                static_cast<Playing *>(self)->tap(static_cast<const qint16 *>(samples), int(count), 2, 44100,
                                                  pts);
            },
            nullptr, nullptr, nullptr, nullptr, p.get());
        libvlc_audio_set_format(p->player, "S16N", 44100, 2);
        libvlc_media_player_play(p->player);
        return p;
    }

    PlainVlc()
    {
        const char *args[] = {"--quiet", "--no-video"};
        m_vlc = libvlc_new(2, args);
    }
    ~PlainVlc() { libvlc_release(m_vlc); }

    // Milliseconds from play() to the first decoded sound; -1 on none.
    double firstAudio(const QString &url, int timeoutMs)
    {
        m_first = -1;
        libvlc_media_t *m = libvlc_media_new_location(m_vlc, url.toUtf8().constData());
        libvlc_media_player_t *mp = libvlc_media_player_new_from_media(m);
        libvlc_media_release(m);
        libvlc_audio_set_callbacks(mp, &PlainVlc::play, nullptr, nullptr, nullptr, nullptr, this);
        libvlc_audio_set_format(mp, "S16N", 44100, 2);
        m_clock.start();
        libvlc_media_player_play(mp);
        // No sound within the limit leaves m_first negative: reported as a failed run.
        (void)QTest::qWaitFor([this] { return m_first.load() >= 0; }, timeoutMs);
        libvlc_media_player_stop(mp);
        libvlc_media_player_release(mp);
        return m_first.load();
    }

private:
    static void play(void *self, const void *, unsigned, int64_t)
    {
        auto *p = static_cast<PlainVlc *>(self);
        double expected = -1;
        p->m_first.compare_exchange_strong(expected, double(p->m_clock.nsecsElapsed()) / 1e6);
    }

    libvlc_instance_t *m_vlc = nullptr;
    QElapsedTimer m_clock;
    std::atomic<double> m_first{-1};
};

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addHelpOption();
    cli.addOption({"runs", "Start-ups measured per case.", "n", "7"});
    cli.addOption({"stall-seconds", "Length of the run on a stalling server.", "s", "60"});
    cli.addOption({"pause-seconds", "Length of the run on the server that pauses 300-900 ms.", "s", "180"});
    cli.addOption({"outages", "Server outages of 2 s measured.", "n", "3"});
    cli.addOption({"caching", "The engine's network caching in ms.", "ms",
                   QString::number(MediaEngine::kDefaultNetworkCachingMs)});
    cli.process(app);
    const int runs = qMax(1, cli.value("runs").toInt());
    const int stallSeconds = cli.value("stall-seconds").toInt();

    StreamServer server;
    if (!server.listen()) {
        std::fprintf(stderr, "cannot listen\n");
        return 1;
    }
    server.addStream("/aovivo", 440);
    StreamServer::Stream burst;
    burst.toneHz = 440;
    burst.delivery = StreamServer::Delivery::Burst;
    server.addStream("/burst", burst);
    StreamServer::Stream stalls;
    stalls.toneHz = 440;
    stalls.delivery = StreamServer::Delivery::Stalls;
    server.addStream("/stalls", stalls);
    StreamServer::Stream pauses = stalls;
    pauses.stallMinMs = 300;
    pauses.stallMaxMs = 900;
    server.addStream("/pausas", pauses);

    ToneDetector detector;
    MediaEngine::Options options;
    options.video = false;
    options.audioTap = detector.tap();
    options.networkCachingMs = cli.value("caching").toInt();
    MediaEngine::setDefaultOptions(options);
    MediaEngine engine;
    PlainVlc plain;

    auto engineFirstAudio = [&](const QString &url) -> double {
        engine.setURL(QString());
        QTest::qWait(300);
        QElapsedTimer t;
        t.start();
        detector.reset();
        engine.setURL(url);
        if (!QTest::qWaitFor([&] { return detector.firstAudioMs() >= 0; }, 10000))
            return -1;
        return double(detector.firstAudioMs());
    };

    // Warm both up: the first start also loads the plug-ins.
    engineFirstAudio(server.url("/aovivo"));
    plain.firstAudio(server.url("/aovivo"), 10000);

    std::printf("first decoded sound after a URL write, median of %d runs, engine caching %d ms\n", runs,
                options.networkCachingMs);
    std::printf("%-28s %10s %10s %8s\n", "stream", "engine ms", "libVLC ms", "ratio");
    for (const char *path : {"/aovivo", "/burst"}) {
        QList<double> ours, theirs;
        for (int i = 0; i < runs; ++i) {
            ours << engineFirstAudio(server.url(QString::fromLatin1(path)));
            theirs << plain.firstAudio(server.url(QString::fromLatin1(path)), 10000);
        }
        const double a = median(ours), b = median(theirs);
        std::printf("%-28s %10.0f %10.0f %8.2f\n",
                    path == QLatin1String("/burst") ? "ICY, 2 s initial burst" : "ICY, real time (no burst)",
                    a, b, b > 0 ? a / b : -1);
        std::fflush(stdout);
    }

    if (stallSeconds > 0) {
        int rebuffers = 0;
        QObject::connect(&engine, &MediaEngine::rebuffered, [&] { ++rebuffers; });
        detector.reset();
        engine.setURL(server.url("/stalls"));
        if (!QTest::qWaitFor([&] { return engine.status() == MediaEngine::Status::Playing; }, 10000))
            qWarning("the stalling stream did not start playing within 10 s");
        QTest::qWait(500);
        rebuffers = 0;
        detector.reset();
        QTest::qWait(stallSeconds * 1000);
        std::printf("stalling server (pauses of up to 250 ms), %d s: %d re-buffering events\n", stallSeconds,
                    rebuffers);
    }
    // Both at once on the same server, each on its own connection; the
    // pauses are drawn at random per connection, the same distribution.
    const int pauseSeconds = cli.value("pause-seconds").toInt();
    if (pauseSeconds > 0) {
        int rebuffers = 0;
        auto counting = QObject::connect(&engine, &MediaEngine::rebuffered, [&] { ++rebuffers; });
        ToneDetector plainEar;
        detector.reset();
        engine.setURL(server.url("/pausas"));
        const auto plainPlaying = plain.play(server.url("/pausas"), plainEar.tap());
        if (!QTest::qWaitFor([&] { return detector.firstAudioMs() >= 0 && plainEar.firstAudioMs() >= 0; },
                             15000))
            qWarning("no sound from the pausing server within 15 s");
        const qint64 engineFirst = detector.firstAudioMs(), plainFirst = plainEar.firstAudioMs();
        QTest::qWait(pauseSeconds * 1000);
        std::printf("server pausing 300-900 ms every 0.7-3 s, %d s: dropouts (sound stopped > %lld ms)\n",
                    pauseSeconds, kDropoutMs);
        std::printf("%-28s %10s %10s\n", "", "engine", "libVLC");
        std::printf("%-28s %10lld %10lld\n", "first sound, ms", engineFirst, plainFirst);
        std::printf("%-28s %10d %10d\n", "dropouts", detector.gapsOver(kDropoutMs),
                    plainEar.gapsOver(kDropoutMs));
        std::printf("%-28s %10lld %10lld\n", "longest silence, ms", detector.longestGapMs(),
                    plainEar.longestGapMs());
        std::printf("%-28s %10d %10s\n", "engine re-bufferings", rebuffers, "-");
        std::printf("%-28s %10d %10s\n", "connections (engine + VLC)", server.requests("/pausas"), "");
        std::fflush(stdout);

        // The station chosen again: it keeps the buffer it earned, so only
        // its start shows the difference. libVLC plays on meanwhile.
        engine.setURL(server.url("/aovivo"));
        QTest::qWait(1000);
        rebuffers = 0;
        detector.reset();
        engine.setURL(server.url("/pausas"));
        if (!QTest::qWaitFor([&] { return detector.firstAudioMs() >= 0; }, 15000))
            qWarning("no sound from the pausing server within 15 s");
        const qint64 againFirst = detector.firstAudioMs();
        plainEar.reset();
        QTest::qWait(pauseSeconds * 1000 / 3);
        std::printf("the same station chosen again, %d s:\n", pauseSeconds / 3);
        std::printf("%-28s %10lld %10s\n", "first sound, ms", againFirst, "-");
        std::printf("%-28s %10d %10d\n", "dropouts", detector.gapsOver(kDropoutMs),
                    plainEar.gapsOver(kDropoutMs));
        std::printf("%-28s %10d %10s\n", "engine re-bufferings", rebuffers, "-");
        std::fflush(stdout);
        QObject::disconnect(counting);
    }

    // The server drops every connection and accepts again 2 s later.
    const int outages = cli.value("outages").toInt();
    if (outages > 0) {
        QList<double> ours, theirs;
        int plainBack = 0;
        for (int i = 0; i < outages; ++i) {
            ToneDetector plainEar;
            engine.setURL(server.url("/aovivo"));
            const auto plainPlaying = plain.play(server.url("/aovivo"), plainEar.tap());
            if (!QTest::qWaitFor([&] { return engine.status() == MediaEngine::Status::Playing; }, 10000)
                || !QTest::qWaitFor([&] { return plainEar.firstAudioMs() >= 0; }, 10000))
                qWarning("a stream did not start before the outage");
            QTest::qWait(2000);
            server.goDownFor(2000);
            QTest::qWait(2000);
            // The server accepts again from here on.
            detector.reset();
            plainEar.reset();
            (void)QTest::qWaitFor(
                [&] { return detector.firstAudioMs() >= 0 && plainEar.firstAudioMs() >= 0; }, 20000);
            ours << double(detector.firstAudioMs());
            if (plainEar.firstAudioMs() >= 0) {
                theirs << double(plainEar.firstAudioMs());
                ++plainBack;
            }
            engine.setURL(QString());
            QTest::qWait(300);
        }
        std::printf("server down for 2 s, %d times: from accepting again to sound again, median ms "
                    "(-1: none within 20 s)\n",
                    outages);
        std::printf("%-28s %10.0f %10.0f   (libVLC back %d of %d times)\n", "", median(ours),
                    plainBack ? median(theirs) : -1.0, plainBack, outages);
    }
    engine.shutdown(2000);
    return 0;
}
