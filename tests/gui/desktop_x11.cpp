// The few plain X calls of the desktop tests, kept apart from Qt: Xlib's
// macros (KeyPress, None, …) would clash with Qt's names.
#include "desktop_x11.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

bool klmTestWindowManagerReady(const std::string& display, const std::function<bool()>& stillRunning, int ms)
{
    Display* dpy = XOpenDisplay(display.c_str());
    if (!dpy) return false;
    // A window manager owns the selection WM_S0 of the screen it manages,
    // and then sets the work area.
    const Atom selection = XInternAtom(dpy, "WM_S0", False);
    const Atom workArea = XInternAtom(dpy, "_NET_WORKAREA", False);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    bool ready = false;
    while (!ready && stillRunning() && std::chrono::steady_clock::now() < end) {
        if (XGetSelectionOwner(dpy, selection) != None) {
            Atom type = None;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(dpy, DefaultRootWindow(dpy), workArea, 0, 4, False, AnyPropertyType, &type, &format,
                               &items, &after, &data);
            if (data) XFree(data);
            ready = items == 4;
        }
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XCloseDisplay(dpy);
    return ready;
}

bool klmTestRequestResize(const std::string& display, unsigned long window, int width, int height)
{
    Display* dpy = XOpenDisplay(display.c_str());
    if (!dpy) return false;
    XResizeWindow(dpy, static_cast<Window>(window), static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return true;
}
