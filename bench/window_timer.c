// window_timer SETTLE_MS PROGRAM [ARGS...]
//
// Times a window program from outside, as a user sees it, on the X display
// in $DISPLAY: from the start of the process to the map of its first
// top-level window ("shown"), its resident memory SETTLE_MS after that, and
// from SIGTERM to the end of the process ("close"). One line each on
// stdout, in milliseconds and MiB; with the processor time the program
// used for each (all its threads), which a busy machine inflates less than
// the time on the clock. Exit 1 when the program never shows a
// window (it is killed after 60 s) or ends before its close.
#define _GNU_SOURCE
#include <X11/Xlib.h>

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double nowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Processor time of the process so far (user + system, all threads), ms.
static double cpuMs(pid_t pid)
{
    char path[64], buf[1024];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    FILE* f = fopen(path, "r");
    if (!f) return -1;
    const size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = 0;
    const char* p = strrchr(buf, ')');  // the name may hold spaces
    unsigned long utime = 0, stime = 0;
    if (!p || sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2) return -1;
    return (utime + stime) * 1000.0 / sysconf(_SC_CLK_TCK);
}

static long residentKiB(pid_t pid)
{
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* f = fopen(path, "r");
    long kib = -1;
    if (!f) return -1;
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
    fclose(f);
    return kib;
}

// Waits for the first MapNotify of a top-level window; false after the
// deadline or when the child ended.
static int waitForMap(Display* dpy, pid_t child, double deadline)
{
    const int fd = ConnectionNumber(dpy);
    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == MapNotify && !ev.xmap.override_redirect) return 1;
        }
        if (waitpid(child, NULL, WNOHANG) == child || nowMs() > deadline) return 0;
        struct pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, 5);
    }
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: window_timer SETTLE_MS PROGRAM [ARGS...]\n");
        return 2;
    }
    const int settleMs = atoi(argv[1]);
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "window_timer: no X display\n");
        return 2;
    }
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);

    const double t0 = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (!waitForMap(dpy, child, t0 + 60000)) {
        kill(child, SIGKILL);
        waitpid(child, NULL, 0);
        fprintf(stderr, "window_timer: no window\n");
        return 1;
    }
    const double shown = nowMs() - t0;
    printf("shown %.1f ms (cpu %.0f ms)\n", shown, cpuMs(child));
    fflush(stdout);
    usleep((useconds_t)settleMs * 1000);
    printf("rss %.1f MiB\n", residentKiB(child) / 1024.0);

    const double cpuBefore = cpuMs(child);
    const double t1 = nowMs();
    kill(child, SIGTERM);
    int status = 0;
    struct rusage ru;
    wait4(child, &status, 0, &ru);
    const double cpuAll = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
                          (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
    printf("close %.1f ms (cpu %.0f ms)\n", nowMs() - t1, cpuAll - cpuBefore);
    XCloseDisplay(dpy);
    return WIFEXITED(status) ? 0 : 1;
}
