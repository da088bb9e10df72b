#include "display/owndisplay.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

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

int runOnOwnDisplay(const char *screen, bool withWindowManager, const std::function<int()> &test)
{
    int fds[2];
    if (pipe(fds) != 0)
        return 1;
    const char *xvfbArgs[] = {"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", nullptr};
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
    std::string display = ":" + std::string(buf, size_t(n));
    while (!display.empty() && (display.back() == '\n' || display.back() == ' '))
        display.pop_back();
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    pid_t wm = -1;
    if (withWindowManager) {
        const char *wmArgs[] = {"openbox", "--sm-disable", nullptr};
        wm = spawn(wmArgs);
    }
    int tries = 0;
    while (withWindowManager
           && std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") != 0) {
        if (++tries > 100) {
            stop(wm);
            stop(xvfb);
            std::fprintf(stderr, "openbox did not start\n");
            return 1;
        }
        usleep(100 * 1000);
    }

    const int rc = test();
    stop(wm);
    stop(xvfb);
    return rc;
}
