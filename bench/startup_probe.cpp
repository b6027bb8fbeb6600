// Starts a program and prints the milliseconds from its start until its first top-level
// window is mapped on the X display, then ends it. Used by startup_bench.sh.
//   startup_probe PROGRAM [ARGUMENTS...]
// Exit code 0 with the time on stdout; 1 when no window appeared within 30 seconds or the
// program ended first.
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace {

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_probe PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "startup_probe: no X display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const double start = Now();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    double mapped = -1;
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    while (mapped < 0 && Now() - start < 30000) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                mapped = Now() - start;
                break;
            }
        }
        if (mapped >= 0)
            break;
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "startup_probe: the program ended before a window appeared\n");
            return 1;
        }
        poll(&fd, 1, 5);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    if (mapped < 0) {
        std::fprintf(stderr, "startup_probe: no window within 30 seconds\n");
        return 1;
    }
    std::printf("%.1f\n", mapped);
    return 0;
}
