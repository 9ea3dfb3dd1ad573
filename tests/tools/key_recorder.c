/* A plain X client that records every key event it receives: it maps one
 * window, takes the keyboard focus, and appends a line per event to the file
 * named by its argument: "press <keysym> <ms>" or "release <keysym> <ms>",
 * ms on the system's monotonic clock. It ends when its window is closed. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <time.h>

static long long nowMs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    FILE* out = fopen(argv[1], "a");
    Display* d = XOpenDisplay(NULL);
    if (!out || !d)
        return 3;
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 320, 240, 0, 0, 0);
    XStoreName(d, w, "key recorder");
    Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &del, 1);
    XSelectInput(d, w, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
    XMapWindow(d, w);
    for (;;) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == MapNotify) {
            XSetInputFocus(d, w, RevertToParent, CurrentTime);
            XFlush(d);
        } else if (ev.type == KeyPress || ev.type == KeyRelease) {
            KeySym sym = XLookupKeysym(&ev.xkey, 0);
            const char* name = XKeysymToString(sym);
            fprintf(out, "%s %s %lld\n", ev.type == KeyPress ? "press" : "release", name ? name : "?", nowMs());
            fflush(out);
        } else if (ev.type == ClientMessage && (Atom)ev.xclient.data.l[0] == del) {
            break;
        }
    }
    fclose(out);
    XCloseDisplay(d);
    return 0;
}
