#include "window_watch.h"

#include "x11_owner.h"

namespace klm::platform {

struct WindowWatch::Impl {
    long pid = -1;
    x11::DisplayPtr display;
};

WindowWatch::WindowWatch(int pid, const std::string& display) : impl_(std::make_unique<Impl>())
{
    impl_->pid = pid;
    impl_->display = x11::openDisplay(display);
}

WindowWatch::~WindowWatch() = default;

bool WindowWatch::connected() const
{
    return impl_->display != nullptr;
}

unsigned long WindowWatch::findWindow()
{
    Display* d = impl_->display.get();
    if (!d)
        return 0;
    Window found = 0;
    for (int s = 0; s < ScreenCount(d) && !found; ++s) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        {
            x11::ErrorTrap trap(d);
            if (!XQueryTree(d, RootWindow(d, s), &root, &parent, &children, &count) || !children)
                continue;
        }
        for (unsigned int i = 0; i < count && !found; ++i) {
            XWindowAttributes attr;
            x11::ErrorTrap trap(d);
            if (!XGetWindowAttributes(d, children[i], &attr) || trap.failed() || attr.map_state != IsViewable)
                continue;
            const Window client = x11::clientWindow(d, children[i]);
            if (x11::belongsTo(x11::windowPid(d, client), impl_->pid))
                found = client;
        }
        XFree(children);
    }
    return found;
}

bool WindowWatch::requestClose(unsigned long window)
{
    Display* d = impl_->display.get();
    if (!d || !window)
        return false;
    x11::ErrorTrap trap(d);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &ev);
    return !trap.failed();
}

}  // namespace klm::platform
