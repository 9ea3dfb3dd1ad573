// Which process a window of the X display belongs to. Internal to the
// POSIX half; the public headers keep X11's macros out of every includer.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

namespace klm::platform::x11 {

// Our own connection to the display (empty name: $DISPLAY), closed on
// destruction; null when the display cannot be opened.
struct DisplayCloser {
    void operator()(Display* d) const;
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;
DisplayPtr openDisplay(const std::string& name);

// While alive, X errors (a window that vanished between two calls) are
// noted instead of ending the program through Xlib's default handler.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* d);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Syncs with the server and tells whether an error came since the start.
    bool failed();

private:
    Display* d_;
    int (*previous_)(Display*, XErrorEvent*);
};

// The process that owns the window: through the X Resource extension (the
// client's pid), else the window's _NET_WM_PID. −1 when unknown.
long windowPid(Display* d, Window w);

// The client window inside a top-level window: the window itself or the
// first descendant with WM_STATE (a window manager's frame holds it).
Window clientWindow(Display* d, Window top);

// True when pid is root or one of root's descendants (a wrapper that starts
// the real emulator still counts as the emulator).
bool belongsTo(long pid, long root);

}  // namespace klm::platform::x11
