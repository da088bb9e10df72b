// A primary screen smaller than the window: the clamp's tests contradict
// each other there. It must make a single pass, come to rest, and keep the
// window's left and top edges (its title bar) on the screen.
//
// The test brings its own 320 x 200 display with openbox, started before
// Qt connects to a display.
#include "display/movecounter.h"
#include "display/xprobe.h"
#include "media/mediaengine.h"
#include "platform/errors.h"
#include "player/principal.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

class TestSmallScreen : public QObject
{
    Q_OBJECT

    std::unique_ptr<TFormPrincipal> w;

    QRect outer() const { return XProbe::outerRect(quint64(w->winId())); }

    bool settlesAt(const QRect &expected)
    {
        if (XProbe::waitFor([&] { return outer() == expected; }, 3000))
            return true;
        qWarning() << "outer" << outer() << "expected" << expected;
        return false;
    }

    // No more moves once settled: the clamp and the window manager do not
    // play ping-pong.
    bool staysStill(MoveCounter &counter)
    {
        QTest::qWait(300);
        const int before = counter.moves;
        const QRect at = outer();
        QTest::qWait(700);
        return counter.moves == before && outer() == at;
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 320, 200));
        MediaEngine::Options o = MediaEngine::defaultOptions();
        o.video = false;
        MediaEngine::setDefaultOptions(o);
        Errors::setErrorReporter([](const QString &) {});
        w = std::make_unique<TFormPrincipal>();
        w->FormCreate();
    }

    void cleanupTestCase() { w.reset(); }

    void normalTooHigh()
    {
        MoveCounter counter;
        w->installEventFilter(&counter);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // Right edge on the screen's; 228 > 200: the top edge wins.
        QVERIFY(settlesAt(QRect(152, 0, 168, 228)));
        QVERIFY(staysStill(counter));
        QVERIFY(counter.moves < 10);
    }

    void extendedTooLarge()
    {
        MoveCounter counter;
        w->installEventFilter(&counter);
        w->ModoMaior1Click();
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
        QVERIFY(staysStill(counter));
        QVERIFY(counter.moves < 10);
    }

    void dragPastEdges()
    {
        MoveCounter counter;
        w->installEventFilter(&counter);
        w->move(-80, -60);
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
        w->move(200, 150);
        QVERIFY(settlesAt(QRect(0, 0, 366, 381)));
        QVERIFY(staysStill(counter));
    }

    void normalAgain()
    {
        w->ModoNormal1Click();
        QVERIFY(settlesAt(QRect(152, 0, 168, 228)));
    }
};

namespace {

pid_t spawn(const char *const argv[], int fdOut = -1)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (fdOut >= 0) {
            dup2(fdOut, 3);
        }
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        execvp(argv[0], const_cast<char *const *>(argv));
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid)
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    int fds[2];
    if (pipe(fds) != 0)
        return 1;
    const char *xvfbArgs[]
        = {"Xvfb", "-displayfd", "3", "-screen", "0", "320x200x24", "-nolisten", "tcp", nullptr};
    const pid_t xvfb = spawn(xvfbArgs, fds[1]);
    close(fds[1]);
    char buf[16] = {};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    if (n <= 0) {
        stop(xvfb);
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    const QByteArray display = ":" + QByteArray(buf, int(n)).trimmed();
    setenv("DISPLAY", display.constData(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    const char *wmArgs[] = {"openbox", "--sm-disable", nullptr};
    const pid_t wm = spawn(wmArgs);
    int tries = 0;
    while (std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") != 0) {
        if (++tries > 100) {
            stop(wm);
            stop(xvfb);
            std::fprintf(stderr, "openbox did not start\n");
            return 1;
        }
        usleep(100 * 1000);
    }

    int rc;
    {
        QApplication app(argc, argv);
        TestSmallScreen test;
        rc = QTest::qExec(&test, argc, argv);
    }
    stop(wm);
    stop(xvfb);
    return rc;
}

#include "test_smallscreen.moc"
