// What the program costs the machine it sits on all day, each figure beside
// a reference run in the same invocation:
//
//   start-up   exec to the main window mapped, against a bare Qt window of
//              the same size (this benchmark itself, run with --bare);
//   memory     PSS of the program's whole process tree (the web engine's
//              helpers included) after 10 s of playing with the news window
//              hidden, and again after the news window was opened and closed;
//   CPU        the tree's CPU in Radio mode, against `cvlc --no-video` on
//              the same stream, run as user nobody: both play at once and
//              are measured over the same windows of 30 s, so that whatever
//              else the machine does falls on both alike; a second `cvlc`
//              beside them shows how far two runs of one program differ.
//
// The station is a 128 kbit/s MP3 stream. Both players sound into a
// PulseAudio server of the benchmark's own with a null sink, which takes
// the sound in real time as a desktop's sound server does; without one
// (--no-sound-server, or pulseaudio not installed: scripts/setup.sh
// --bench installs it) libVLC finds no output and probes for one over and
// over, which is what the CPU figure then measures.
//
// The first channel's and the first news site's host names are mapped to
// 127.0.0.1 in a mount namespace of the program's own, where this benchmark
// serves a tone stream and a news page on port 80: run it as root inside
// the test session, in a network namespace. The program itself runs as
// nobody, as users run it, so that the web engine keeps its sandbox (an
// extra process, the sandboxed zygote's reaper); --as-root measures it
// unsandboxed, as it runs when started by root.
//
//   unshare -n -- scripts/test-session.sh build/bench/news/bench_footprint
//       [--runs 5] [--play-seconds 10] [--cpu-seconds 30] [--cpu-windows 3]
//       [--no-sound-server] [--as-root]
//
// QTWEBENGINE_CHROMIUM_FLAGS and BRELO_* variables in the environment reach
// the program, so that options can be compared run against run.
#include "proctree.h"
#include "support/streamserver.h"
#include "support/testmedia.h"
#include "support/testsupport.h"

#include "catalogue/channelcatalogue.h"
#include "news/newssitecatalogue.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString StreamPath = QStringLiteral("/aovivo/tom");

double median(QList<double> v)
{
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Watches the display for a top-level window of one process.
class WindowWatch
{
public:
    WindowWatch() : m_c(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        m_clients = atom("_NET_CLIENT_LIST");
        m_pid = atom("_NET_WM_PID");
        m_name = atom("_NET_WM_NAME");
    }
    ~WindowWatch() { xcb_disconnect(m_c); }

    // The window of `pid` whose title matches, once the window manager has
    // taken it in and it is viewable; 0 on time-out.
    xcb_window_t waitForWindow(qint64 pid, const QString &titleSuffix, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            for (xcb_window_t w : clients()) {
                if (cardinal(w, m_pid) == pid && title(w).endsWith(titleSuffix) && viewable(w))
                    return w;
            }
            QThread::usleep(1000);
        }
        return 0;
    }

    bool viewable(xcb_window_t w)
    {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> r(
            xcb_get_window_attributes_reply(m_c, xcb_get_window_attributes(m_c, w), nullptr), &std::free);
        return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(strlen(name)), name), nullptr),
            &std::free);
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QByteArray property(xcb_window_t w, xcb_atom_t prop)
    {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
            xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
                                   nullptr),
            &std::free);
        if (!r)
            return {};
        return QByteArray(static_cast<const char *>(xcb_get_property_value(r.get())),
                          xcb_get_property_value_length(r.get()));
    }

    QList<xcb_window_t> clients()
    {
        const QByteArray v = property(m_root, m_clients);
        QList<xcb_window_t> list;
        for (qsizetype i = 0; i + 4 <= v.size(); i += 4)
            list << *reinterpret_cast<const xcb_window_t *>(v.constData() + i);
        return list;
    }

    qint64 cardinal(xcb_window_t w, xcb_atom_t prop)
    {
        const QByteArray v = property(w, prop);
        return v.size() >= 4 ? *reinterpret_cast<const quint32 *>(v.constData()) : -1;
    }

    QString title(xcb_window_t w) { return QString::fromUtf8(property(w, m_name)); }

    xcb_connection_t *m_c;
    xcb_window_t m_root = 0;
    xcb_atom_t m_clients = 0, m_pid = 0, m_name = 0;
};

// A program started in a mount namespace where the catalogue's hosts lead
// to 127.0.0.1; sh and unshare exec in place, so the pid is the program's.
// A home of nobody's own in `dir`, for what runs as nobody: the test
// session's directories belong to root. Empty when it cannot be made.
QString nobodyHome(const QTemporaryDir &dir)
{
    if (!dir.isValid())
        return {};
    const QString home = dir.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    if (::chown(QFile::encodeName(home).constData(), 65534, 65534) != 0)
        return {};
    return home;
}

// `env` arguments that give a program every place it keeps state in `home`.
QStringList homeEnvironment(const QString &home)
{
    QStringList env;
    for (const char *name :
         {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        env << QStringLiteral("%1=%2").arg(QLatin1String(name), home);
    return env;
}

class Started
{
public:
    // An empty userHome runs the program as root, as the benchmark itself
    // runs; otherwise it runs as nobody with that home, which is how users
    // meet it: then the web engine keeps its sandbox, which root turns off.
    Started(const QString &hostsFile, const QString &program, const QStringList &args = {},
            const QString &userHome = {})
    {
        QStringList command{program};
        if (!userHome.isEmpty()) {
            command = QStringList{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--", "env"}
                + homeEnvironment(userHome) + QStringList{program};
        }
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(
            QStringLiteral("unshare"),
            QStringList{"-m", "--", "sh", "-c", "mount --bind \"$0\" /etc/hosts && exec \"$@\"", hostsFile}
                + command + args);
        m_process.waitForStarted();
    }
    ~Started() { stop(); }

    qint64 pid() const { return m_process.processId(); }

    void stop() { TestSupport::endProgram(m_process); }

private:
    QProcess m_process;
};

void key(xcb_window_t w, const char *keys)
{
    QProcess::execute(QStringLiteral("xdotool"),
                      {"windowactivate", "--sync", QString::number(w), "key", "--clearmodifiers", keys});
}

// One thread's processor time so far, in seconds.
double threadCpuSeconds(int pid, int tid)
{
    QFile f(QStringLiteral("/proc/%1/task/%2/stat").arg(pid).arg(tid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = f.readAll();
    // Fields after the name, which is in brackets and may hold blanks.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

// The CPU a process tree uses between the window's opening and its closing.
class CpuWindow
{
public:
    explicit CpuWindow(qint64 pid) : m_pid(int(pid))
    {
        for (int p : ProcTree::pids(m_pid)) {
            m_before.insert(p, ProcTree::ownCpuSeconds(p));
            for (int t : threads(p))
                m_threadsBefore.insert(t, threadCpuSeconds(p, t));
        }
        m_treeBefore = ProcTree::cpuSeconds(m_pid);
        m_clock.start();
    }

    // Percent of one core since the window opened; with `report`, one line
    // per process that lived through it and its busiest threads.
    double close(QByteArray *report = nullptr) const
    {
        const double elapsed = m_clock.nsecsElapsed() / 1e9;
        const double tree = 100.0 * (ProcTree::cpuSeconds(m_pid) - m_treeBefore) / elapsed;
        if (!report)
            return tree;
        for (int p : ProcTree::pids(m_pid)) {
            if (!m_before.contains(p))
                continue;
            QFile comm(QStringLiteral("/proc/%1/comm").arg(p));
            comm.open(QIODevice::ReadOnly);
            *report += QByteArray("  pid ") + QByteArray::number(p) + "   "
                + comm.readAll().trimmed().leftJustified(18, ' ') + " "
                + QByteArray::number(100.0 * (ProcTree::ownCpuSeconds(p) - m_before.value(p)) / elapsed, 'f',
                                     2)
                + " %\n";
            for (int t : threads(p)) {
                const double share = 100.0 * (threadCpuSeconds(p, t) - m_threadsBefore.value(t)) / elapsed;
                if (!m_threadsBefore.contains(t) || share < 0.05)
                    continue;
                QFile name(QStringLiteral("/proc/%1/task/%2/comm").arg(p).arg(t));
                name.open(QIODevice::ReadOnly);
                *report += QByteArray("      thread ") + name.readAll().trimmed().leftJustified(18, ' ') + " "
                    + QByteArray::number(share, 'f', 2) + " %\n";
            }
        }
        return tree;
    }

private:
    static QList<int> threads(int p)
    {
        QList<int> ids;
        for (const QString &t :
             QDir(QStringLiteral("/proc/%1/task").arg(p)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            ids << t.toInt();
        return ids;
    }

    int m_pid;
    QHash<int, double> m_before, m_threadsBefore;
    double m_treeBefore = 0;
    QElapsedTimer m_clock;
};

// A PulseAudio server with a null sink, run as nobody (it will not run as
// root) with its socket where root and nobody both reach it. Programs
// started after it inherit PULSE_SERVER.
class SoundServer
{
public:
    bool start()
    {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        const QString home = nobodyHome(m_dir);
        if (pulseaudio.isEmpty() || home.isEmpty())
            return false;
        const QString socket = home + QStringLiteral("/native");
        // Every place it keeps state, its own: the test session's belong to root.
        const QStringList env = homeEnvironment(home);
        m_process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(
            QStringLiteral("setpriv"),
            QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", "env"} + env
                + QStringList{pulseaudio, "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                              "--load=module-null-sink sink_name=nulo",
                              "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer t;
        t.start();
        while (!QFileInfo::exists(socket) && t.elapsed() < 10000 && m_process.state() == QProcess::Running)
            QThread::msleep(20);
        if (!QFileInfo::exists(socket))
            return false;
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
        return true;
    }
    ~SoundServer()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

private:
    // Not under the session's TMPDIR, which only root may enter.
    QTemporaryDir m_dir{QStringLiteral("/tmp/brelo-som-XXXXXX")};
    QProcess m_process;
};

// Waits in the event loop: the station runs on its own thread, but the
// benchmark's own objects are served here.
void pause(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

int bare(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("bare"));
    w.resize(168, 228);
    w.show();
    return app.exec();
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--bare")
        return bare(argc, argv);

    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addOptions({{"runs", "start-up runs of each", "n", "5"},
                        {"play-seconds", "playing before memory is read", "s", "10"},
                        {"cpu-seconds", "CPU window in Radio mode", "s", "30"},
                        {"cpu-windows", "CPU windows, one after the other", "n", "3"},
                        {"no-sound-server", "play with no sound server: libVLC finds no output"},
                        {"as-root", "run the player as root, its web engine then unsandboxed"},
                        {"program", "the player to measure", "path"}});
    options.process(app);
    const int runs = options.value("runs").toInt();
    const int playSeconds = options.value("play-seconds").toInt();
    const int cpuSeconds = options.value("cpu-seconds").toInt();
    const int cpuWindows = qMax(1, options.value("cpu-windows").toInt());
    QString program = options.value("program");
    if (program.isEmpty())
        program = QCoreApplication::applicationDirPath() + QStringLiteral("/../../breloplayer");
    if (::geteuid() != 0) {
        std::fprintf(stderr, "run as root in a network namespace: the station listens on port 80\n");
        return 2;
    }

    StreamServer station;
    if (!station.listen(QHostAddress::LocalHost, 80)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:80\n");
        return 2;
    }
    SoundServer sound;
    const bool sounding = !options.isSet("no-sound-server") && sound.start();

    const QUrl channel(ChannelCatalogue::rows().first().address);
    const QUrl site(NewsSiteCatalogue::builtIn().first().address);
    StreamServer::Stream mp3;
    mp3.payload = TestMedia::encode(TestMedia::Codec::Mp3, 440, 20, 128);
    mp3.contentType = "audio/mpeg";
    mp3.payloadBytesPerSec = 128000 / 8;
    if (mp3.payload.isEmpty()) {
        std::fprintf(stderr, "libVLC cannot encode MP3 here\n");
        return 2;
    }
    station.addStream(StreamPath, mp3);
    station.addFile(channel.path(),
                    StreamServer::asx({station.url(StreamPath, QStringLiteral("http"), channel.host())}));
    QByteArray news = "<!DOCTYPE html><html><head><meta charset='utf-8'><title>Notícias</title></head><body>";
    for (int i = 0; i < 200; ++i)
        news += "<h2>Notícia " + QByteArray::number(i)
            + "</h2><p>Texto de uma notícia local, com algumas "
              "linhas para que a página tenha o peso de uma página de verdade.</p>";
    news += "</body></html>";
    station.addFile(site.path(), news, "text/html; charset=utf-8");

    QTemporaryDir dir;
    const QString hosts = dir.filePath(QStringLiteral("hosts"));
    {
        QFile f(hosts);
        f.open(QIODevice::WriteOnly);
        f.write("127.0.0.1 localhost " + channel.host().toUtf8() + " " + site.host().toUtf8() + "\n");
    }
    WindowWatch display;
    const bool asRoot = options.isSet("as-root");
    const QTemporaryDir userDir(QStringLiteral("/tmp/brelo-user-XXXXXX"));
    const QString userHome = asRoot ? QString() : nobodyHome(userDir);
    if (!asRoot && userHome.isEmpty()) {
        std::fprintf(stderr, "cannot make a home for nobody\n");
        return 2;
    }

    // Start-up, alternating so that a busy moment of the machine falls on both.
    QList<double> bareMs, playerMs;
    for (int i = 0; i < runs; ++i) {
        for (bool reference : {true, false}) {
            QElapsedTimer t;
            t.start();
            Started s(hosts, reference ? QCoreApplication::applicationFilePath() : program,
                      reference ? QStringList{"--bare"} : QStringList{}, userHome);
            const xcb_window_t w = display.waitForWindow(
                s.pid(), reference ? QStringLiteral("bare") : QStringLiteral("Brelo Player 1.6"), 20000);
            const double ms = w ? t.nsecsElapsed() / 1e6 : -1;
            (reference ? bareMs : playerMs) << ms;
            s.stop();
            pause(500);
        }
    }

    // Memory while playing, news hidden; then with the news window opened
    // and closed again.
    Started player(hosts, program, {}, userHome);
    const xcb_window_t main = display.waitForWindow(player.pid(), QStringLiteral("Brelo Player 1.6"), 20000);
    if (!main) {
        std::fprintf(stderr, "the player showed no window\n");
        return 1;
    }
    pause(playSeconds * 1000);
    const bool playing = station.bytesSent(StreamPath) > 16000;
    QByteArray hiddenReport, afterReport;
    const ProcTree::Memory hidden = ProcTree::memory(int(player.pid()), &hiddenReport);
    QElapsedTimer opening;
    opening.start();
    key(main, "ctrl+b");
    const xcb_window_t newsWindow
        = display.waitForWindow(player.pid(), QStringLiteral("Notícias - Brelo Browser"), 10000);
    const double openMs = newsWindow ? opening.nsecsElapsed() / 1e6 : -1;
    pause(2000);
    if (newsWindow)
        QProcess::execute(QStringLiteral("wmctrl"),
                          {"-i", "-c", QStringLiteral("0x%1").arg(newsWindow, 0, 16)});
    pause(3000);
    const ProcTree::Memory closed = ProcTree::memory(int(player.pid()), &afterReport);

    // Radio: the window minimised, only the sound goes on.
    key(main, "ctrl+r");
    pause(3000);
    const ProcTree::Memory radio = ProcTree::memory(int(player.pid()));

    // The reference plays beside it from here on, and so does a second
    // `cvlc`: two runs of the very same program differ by as much as a
    // quarter in CPU (each gets its own buffering from the sound server),
    // and the control's ratio to the reference shows that spread.
    // VLC refuses to run as root; both run as nobody.
    const QString cvlc = QStandardPaths::findExecutable(QStringLiteral("cvlc"));
    QProcess vlc, control;
    for (QProcess *p : {&vlc, &control}) {
        if (cvlc.isEmpty())
            break;
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->start(QStringLiteral("setpriv"),
                 {"--reuid=65534", "--regid=65534", "--clear-groups", "--", cvlc, "--no-video", "--quiet",
                  station.url(StreamPath)});
        p->waitForStarted();
    }
    pause(playSeconds * 1000);
    QByteArray cpuReport;
    QList<double> playerCpus, vlcCpus, controlCpus, ratios, controlRatios, pairRatios;
    for (int i = 0; i < cpuWindows; ++i) {
        const CpuWindow playerWindow(player.pid());
        std::unique_ptr<CpuWindow> vlcWindow, controlWindow;
        if (!cvlc.isEmpty()) {
            vlcWindow = std::make_unique<CpuWindow>(vlc.processId());
            controlWindow = std::make_unique<CpuWindow>(control.processId());
        }
        QThread::sleep(cpuSeconds);
        // The last window's breakdown is printed.
        playerCpus << playerWindow.close(i == cpuWindows - 1 ? &cpuReport : nullptr);
        vlcCpus << (vlcWindow ? vlcWindow->close() : -1);
        controlCpus << (controlWindow ? controlWindow->close() : -1);
        ratios << playerCpus.last() / vlcCpus.last();
        controlRatios << controlCpus.last() / vlcCpus.last();
        pairRatios << playerCpus.last() / ((vlcCpus.last() + controlCpus.last()) / 2);
    }
    const double playerCpu = median(playerCpus), vlcCpu = median(vlcCpus);
    player.stop();
    // The reference's memory alone: while the others run, the pages it
    // shares with them are split among them.
    ProcTree::Memory vlcMemory;
    if (!cvlc.isEmpty()) {
        TestSupport::endProgram(control);
        pause(2000);
        vlcMemory = ProcTree::memory(int(vlc.processId()));
        TestSupport::endProgram(vlc);
    }

    const double bareMedian = median(bareMs), playerMedian = median(playerMs);
    if (const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"); !flags.isEmpty())
        std::printf("QTWEBENGINE_CHROMIUM_FLAGS=%s\n", flags.constData());
    std::printf("station: MP3 128 kbit/s; sound: %s\n",
                sounding ? "PulseAudio server, null sink" : "NO sound server");
    std::printf("player run as: %s\n",
                asRoot ? "root (web engine unsandboxed)" : "nobody (web engine sandboxed)");
    std::printf("stream flowing to the player: %s\n\n", playing ? "yes" : "NO");
    std::printf("%-44s %12s %12s %10s\n", "measure", "player", "reference", "ratio");
    std::printf("%-44s %9.0f ms %9.0f ms %9.2fx  (+%.0f ms; goal +80 ms)\n",
                "exec -> main window mapped (median)", playerMedian, bareMedian, playerMedian / bareMedian,
                playerMedian - bareMedian);
    std::printf("%-44s %8.1f MiB %8.1f MiB %9.2fx  (goal <= 160 MiB)\n", "tree PSS, playing, news hidden",
                hidden.pssKb / 1024.0, vlcMemory.pssKb / 1024.0, double(hidden.pssKb) / vlcMemory.pssKb);
    std::printf("%-44s %8.1f MiB %8.1f MiB %9.2fx\n", "tree PSS, news opened and closed",
                closed.pssKb / 1024.0, vlcMemory.pssKb / 1024.0, double(closed.pssKb) / vlcMemory.pssKb);
    std::printf("%-44s %8.1f MiB %8.1f MiB %9.2fx\n", "tree PSS, Radio mode", radio.pssKb / 1024.0,
                vlcMemory.pssKb / 1024.0, double(radio.pssKb) / vlcMemory.pssKb);
    std::printf("%-44s %8.1f MiB %8.1f MiB %9.2fx\n", "tree USS (private), playing, news hidden",
                hidden.ussKb / 1024.0, vlcMemory.ussKb / 1024.0, double(hidden.ussKb) / vlcMemory.ussKb);
    std::printf("%-44s %8.1f MiB %8.1f MiB %9.2fx\n", "tree USS (private), news opened and closed",
                closed.ussKb / 1024.0, vlcMemory.ussKb / 1024.0, double(closed.ussKb) / vlcMemory.ussKb);
    std::printf("%-44s %9.2f %% %9.2f %% %9.2fx  (goal <= 1.0x)\n", "tree CPU, Radio mode (median window)",
                playerCpu, vlcCpu, median(ratios));
    std::printf("%-44s %9.2f %% %9.2f %% %9.2fx  (the measure's own spread)\n",
                "  the same, a second cvlc against the first", median(controlCpus), vlcCpu,
                median(controlRatios));
    // Which of two identical runs is "the" reference is chance; their mean is not.
    std::printf("%-44s %9.2f %% %9.2f %% %9.2fx\n", "  the player against both cvlc's mean", playerCpu,
                (vlcCpu + median(controlCpus)) / 2, median(pairRatios));
    std::printf("%-44s %9.0f ms\n", "news window shown after ctrl+b", openMs);
    std::printf("\nstart-up runs, player: ");
    for (double v : playerMs)
        std::printf("%.0f ", v);
    std::printf("ms; bare Qt: ");
    for (double v : bareMs)
        std::printf("%.0f ", v);
    std::printf("ms\nCPU windows of %d s, player/cvlc/second cvlc: ", cpuSeconds);
    for (qsizetype i = 0; i < ratios.size(); ++i)
        std::printf("%.2f/%.2f/%.2f %% ", playerCpus[i], vlcCpus[i], controlCpus[i]);
    std::printf("\n\nprocess tree, news hidden:\n%s", hiddenReport.constData());
    std::printf("process tree, news opened and closed:\n%s", afterReport.constData());
    std::printf("CPU by process, Radio mode, last window:\n%s", cpuReport.constData());
    return playing && newsWindow ? 0 : 1;
}
