// A long run of channel switches at random moments among stations that
// misbehave the way real ones do: a good stream, one that accepts and sends
// nothing, a refused port, a name that does not resolve, a malformed
// playlist, a redirect loop, a 10 MiB playlist, binary garbage and a stream
// that drops mid-play. Prints crashes, threads and resident memory at the
// start, the middle and the end (each taken once the good stream plays
// again, the start after one round through every station; resident memory
// split into anonymous and file-backed pages, beside the heap's bytes in use
// and held), and the worst lateness of the user-interface thread.
//
//   unshare -n -- scripts/test-session.sh build/bench/media/bench_soak
//       [--switches 1000] [--max-gap-ms 1500] [--seed 1] [--default-heap]
//
// The switching runs in a child process, so that a crash is counted and
// reported instead of ending the benchmark.
#include "media/enginefixture.h"
#include "media/mediaengine.h"
#include "platform/memorypolicy.h"
#include "support/streamserver.h"
#include "support/tonedetector.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QNetworkInterface>
#include <QProcess>
#include <QRandomGenerator>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <execinfo.h>
#include <malloc.h>
#include <pthread.h>
#include <thread>

using namespace EngineTest;

namespace {

// Resident memory split by kind, and what the allocator holds in use: a
// rise in RSS with a flat in-use figure is the allocator keeping freed
// memory, a rise in both is memory still referenced.
struct Sample {
    long threads, rssKb, anonKb, fileKb;
    long heapInUseKb, heapHeldKb;
};

Sample sample()
{
    const struct mallinfo2 m = mallinfo2();
    return {threadCount(),
            rssKb(),
            procStatus("RssAnon:"),
            procStatus("RssFile:"),
            long(m.uordblks + m.hblkhd) / 1024,
            long(m.arena + m.hblkhd) / 1024};
}

void printSample(const char *name, const Sample &s)
{
    std::printf("  %-7s RSS %ld kB (anonymous %ld, files %ld); heap in use %ld kB of %ld kB held\n", name,
                s.rssKb, s.anonKb, s.fileKb, s.heapInUseKb, s.heapHeldKb);
}

// Only loopback may be reached: the unresolvable name must not leak out as
// a real name lookup.
bool onlyLoopback()
{
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces())
        if (!(i.flags() & QNetworkInterface::IsLoopBack) && (i.flags() & QNetworkInterface::IsUp)
            && !i.addressEntries().isEmpty())
            return false;
    return true;
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator rng(seed);
    QByteArray b(n, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32 *>(b.data()), n / 4);
    return b;
}

// --late-stacks: a watchdog thread that, whenever the user-interface thread
// has not run its 5 ms timer for 30 ms, interrupts it and prints where it
// is. A stack inside a call names what holds the thread; one in the event
// loop's wait means the thread was ready but not scheduled.
class LateStacks
{
public:
    static constexpr int kLateMs = 30, kMaxStacks = 8;

    LateStacks() : m_ui(pthread_self())
    {
        struct sigaction sa = {};
        sa.sa_handler = [](int) { s_depth = backtrace(s_frames, std::size(s_frames)); };
        sigaction(SIGUSR2, &sa, nullptr);
        m_clock.start();
        m_beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_beat, &QTimer::timeout, [this] { m_last = m_clock.elapsed(); });
        m_beat.start(5);
        m_watch = std::thread([this] { watch(); });
    }
    ~LateStacks()
    {
        m_stop = true;
        m_watch.join();
    }

private:
    void watch()
    {
        int printed = 0;
        bool reported = false;
        while (!m_stop && printed < kMaxStacks) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            const qint64 late = m_clock.elapsed() - m_last;
            if (late < kLateMs) {
                reported = false;
                continue;
            }
            if (reported)
                continue;
            reported = true;
            s_depth = 0;
            pthread_kill(m_ui, SIGUSR2);
            for (int i = 0; i < 100 && s_depth == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::fprintf(stderr, "-- user-interface thread %lld ms late:\n", qlonglong(late));
            backtrace_symbols_fd(s_frames, s_depth, 2);
            ++printed;
        }
    }

    static inline void *s_frames[48];
    static inline std::atomic<int> s_depth{0};
    pthread_t m_ui;
    QElapsedTimer m_clock;
    std::atomic<qint64> m_last{0};
    QTimer m_beat;
    std::atomic<bool> m_stop{false};
    std::thread m_watch;
};

int runChild(const QCommandLineParser &args)
{
    // The heap as the program sets it up; --default-heap measures without.
    if (!args.isSet("default-heap"))
        MemoryPolicy::apply();
    const int switches = args.value("switches").toInt();
    const int maxGapMs = args.value("max-gap-ms").toInt();
    const quint32 seed = args.value("seed").toUInt();

    StreamServer server;
    if (!server.listen()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 2;
    }
    const QList<double> tones{440, 880};
    server.addStream("/good", 440);
    server.addStream("/silent", {.toneHz = 600, .delivery = StreamServer::Delivery::Hung});
    server.addStream("/drops", {.toneHz = 880, .dropAfterMs = 1500});
    server.addFile("/bad.asx",
                   "<ASX version=\"3.0\"><ENTRY><REF HREF=\"\x01::\x7f//\"<REF href='"
                       + randomBytes(300, seed) + "<entry><ref href=");
    server.addRedirect("/loop", server.url("/loop2"));
    server.addRedirect("/loop2", server.url("/loop"));
    server.addRedirect("/loop.asx", server.url("/loop2.asx"));
    server.addRedirect("/loop2.asx", server.url("/loop.asx"));
    QStringList huge;
    for (int i = 0; huge.size() * 40 < 10 * 1024 * 1024; ++i)
        huge << server.url(QStringLiteral("/good?n=%1").arg(i));
    server.addFile("/huge.m3u", StreamServer::m3u(huge), "audio/x-mpegurl");
    server.addFile("/garbage", randomBytes(2 * 1024 * 1024, seed + 1), "audio/mpeg");

    // Named, so that --only can narrow a run down to the stations behind a
    // figure. The good stream comes first: every checkpoint plays it.
    QList<std::pair<QString, QString>> all{
        {"good", server.url("/good")},
        {"silent", server.url("/silent")},
        {"refused", QStringLiteral("http://127.0.0.1:%1/aovivo").arg(closedPort())},
        {"unresolvable", QStringLiteral("http://canal-inexistente.invalid/aovivo")},
        {"malformed", server.url("/bad.asx")},
        {"loop", server.url("/loop")},
        {"loop-playlist", server.url("/loop.asx")},
        {"huge", server.url("/huge.m3u")},
        {"garbage", server.url("/garbage")},
        {"drops", server.url("/drops")},
    };
    const QStringList only = args.value("only").split(u',', Qt::SkipEmptyParts);
    QStringList stations, names;
    for (const auto &[name, address] : std::as_const(all))
        if (only.isEmpty() || name == QLatin1String("good") || only.contains(name)) {
            stations << address;
            names << name;
        }

    ToneDetector detector;
    MediaEngine::Options options = quietOptions(detector, 3000);
    options.video = true;  // the picture's threads and windows take part too
    MediaEngine::setDefaultOptions(options);
    MediaEngine engine;
    engine.resize(320, 240);
    engine.show();

    // The same state at every checkpoint: the good stream audible, the old
    // connections gone, the engine's helpers given time to leave.
    auto settle = [&]() -> Sample {
        detector.reset();
        engine.setURL(stations.first());
        if (!detector.waitForTone(440, tones, 15000))
            std::printf("  (the good stream did not play: %s)\n", qPrintable(engine.statusText()));
        if (!QTest::qWaitFor([&] { return server.openConnections() == 1; }, 15000))
            std::printf("  (%d connections still open)\n", server.openConnections());
        QTest::qWait(3000);
        return sample();
    };

    // The first visit of each kind of station loads the library's plug-ins
    // for it and warms the allocator: memory that is taken once, not a
    // growth. One round through them all comes before the start figure.
    const Sample cold = settle();
    for (const QString &address : std::as_const(stations)) {
        engine.setURL(address);
        waitInLoop(1500);
    }
    const Sample start = settle();
    QRandomGenerator rng(seed);
    QHash<QString, int> failures;
    QObject::connect(&engine, &MediaEngine::statusChanged, [&](MediaEngine::Status s, const QString &) {
        if (s == MediaEngine::Status::Failed)
            ++failures[engine.URL()];
    });
    std::unique_ptr<LateStacks> lateStacks;
    if (args.isSet("late-stacks"))
        lateStacks = std::make_unique<LateStacks>();
    LatenessProbe probe;
    long peakThreads = 0;
    qint64 slowestCall = 0;
    QElapsedTimer clock, call;
    clock.start();
    probe.start();
    Sample middle{};
    qint64 worstLate = 0, worstBlocked = 0;
    // Lateness counts every cause, the machine's other programs included;
    // the blocked figure only what held the thread off the processor
    // while it could have run (a lock, a reply, a sleep).
    auto collect = [&] {
        const LatenessProbe::Figures f = probe.take();
        worstLate = qMax(worstLate, f.lateMs);
        worstBlocked = qMax(worstBlocked, f.waitMs);
        probe.stop();
    };
    QString lateAt;  // the station chosen just before the worst lateness
    int lateAtSwitch = 0;
    for (int i = 0; i < switches; ++i) {
        const int pick = rng.bounded(stations.size());
        call.start();
        engine.setURL(stations.at(pick));
        slowestCall = qMax(slowestCall, call.elapsed());
        // Mostly the quick hops of a user running down the list, now and
        // then a stay long enough for a station to answer, fail or drop.
        const int gap = rng.bounded(100) < 80 ? rng.bounded(200) : 200 + rng.bounded(qMax(1, maxGapMs - 200));
        const qint64 lateBefore = probe.worst();
        waitInLoop(gap);
        if (probe.worst() > lateBefore && probe.worst() > worstLate) {
            lateAt = names.at(pick);
            lateAtSwitch = i + 1;
        }
        peakThreads = qMax(peakThreads, threadCount());
        if (i + 1 == switches / 2) {
            collect();
            middle = settle();
            probe.start();
        }
    }
    collect();
    const double seconds = clock.elapsed() / 1000.0;
    const Sample end = settle();
    const bool playsAtEnd = detector.dominant(tones) == 440;
    engine.shutdown(2000);

    std::printf("switches: %d in %.0f s among %lld stations (seed %u)\n", switches, seconds,
                qlonglong(stations.size()), seed);
    std::printf("threads: start %ld, middle %ld, end %ld (peak while switching %ld)\n", start.threads,
                middle.threads, end.threads, peakThreads);
    std::printf("before one round through the stations: threads %ld, RSS %ld kB\n", cold.threads, cold.rssKb);
    std::printf("RSS: start %ld kB, middle %ld kB, end %ld kB (end/middle %.3f)\n", start.rssKb, middle.rssKb,
                end.rssKb, middle.rssKb ? double(end.rssKb) / middle.rssKb : 0.0);
    printSample("cold", cold);
    printSample("start", start);
    printSample("middle", middle);
    printSample("end", end);
    std::printf("UI thread: worst lateness %lld ms (limit 50) after switch %d to %s, longest blocked %lld "
                "ms, slowest URL "
                "write %lld ms\n",
                qlonglong(worstLate), lateAtSwitch, qPrintable(lateAt), qlonglong(worstBlocked),
                qlonglong(slowestCall));
    int failed = 0;
    for (int n : std::as_const(failures))
        failed += n;
    std::printf("stations reported as failed: %d times; good stream plays at the end: %s\n", failed,
                playsAtEnd ? "yes" : "NO");
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser args;
    args.addOption({"switches", "Channel switches.", "n", "1000"});
    args.addOption({"max-gap-ms", "Longest pause between switches.", "ms", "1500"});
    args.addOption({"seed", "Seed of the random choices.", "n", "1"});
    args.addOption({"only",
                    "Only these stations besides the good one (comma-separated: silent, refused, "
                    "unresolvable, malformed, loop, loop-playlist, huge, garbage, drops).",
                    "names"});
    args.addOption({"late-stacks", "Print where the user-interface thread is whenever it is 30 ms late."});
    args.addOption({"default-heap", "Leave glibc's heap settings as they are, unlike the program."});
    args.addOption({"child", "Run the switching here (used by the parent)."});
    args.addHelpOption();
    args.process(app);

    if (!onlyLoopback()) {
        std::fprintf(stderr, "run this inside a network namespace of its own (unshare -n)\n");
        return 2;
    }
    if (args.isSet("child"))
        return runChild(args);

    QStringList childArgs = app.arguments().mid(1);
    childArgs << "--child";
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(app.applicationFilePath(), childArgs);
    child.waitForFinished(-1);
    const bool crashed = child.exitStatus() == QProcess::CrashExit;
    std::printf("crashes: %d%s\n", crashed ? 1 : 0,
                crashed ? qPrintable(QStringLiteral(" (%1)").arg(child.errorString())) : "");
    return crashed ? 1 : child.exitCode();
}
