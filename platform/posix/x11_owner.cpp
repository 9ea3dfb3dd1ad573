#include "x11_owner.h"

#include <X11/Xatom.h>
#include <X11/extensions/XRes.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace klm::platform::x11 {

namespace {

// Set by the trap's handler; the GUI thread is the only X user here.
thread_local bool g_errorSeen = false;

int noteError(Display*, XErrorEvent*)
{
    g_errorSeen = true;
    return 0;
}

bool hasXRes(Display* d)
{
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XResQueryExtension(d, &event, &error))
        return false;
    // Client ids (and with them the pid) came with version 1.2.
    return XResQueryVersion(d, &major, &minor) && (major > 1 || (major == 1 && minor >= 2));
}

long pidFromXRes(Display* d, Window w)
{
    XResClientIdSpec spec;
    spec.client = w;
    spec.mask = XRES_CLIENT_ID_PID_MASK;
    long num = 0;
    XResClientIdValue* ids = nullptr;
    if (XResQueryClientIds(d, 1, &spec, &num, &ids) != Success)
        return -1;
    long pid = -1;
    for (long i = 0; i < num; ++i)
        if (XResGetClientIdType(&ids[i]) == XRES_CLIENT_ID_PID)
            pid = XResGetClientPid(&ids[i]);
    XResClientIdsDestroy(num, ids);
    return pid;
}

long pidFromProperty(Display* d, Window w)
{
    const Atom netWmPid = XInternAtom(d, "_NET_WM_PID", True);
    if (netWmPid == None)
        return -1;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(d, w, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        if (type == XA_CARDINAL && format == 32 && count == 1)
            pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

bool hasWmState(Display* d, Window w)
{
    const Atom wmState = XInternAtom(d, "WM_STATE", True);
    if (wmState == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(d, w, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count,
                                          &after, &data) == Success &&
                       type != None;
    if (data)
        XFree(data);
    return found;
}

long parentPid(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    // "pid (comm) state ppid ...": comm may hold spaces and parentheses.
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(text.substr(close + 1));
    std::string state;
    long ppid = -1;
    rest >> state >> ppid;
    return ppid;
}

}  // namespace

void DisplayCloser::operator()(Display* d) const
{
    if (d)
        XCloseDisplay(d);
}

DisplayPtr openDisplay(const std::string& name)
{
    return DisplayPtr(XOpenDisplay(name.empty() ? nullptr : name.c_str()));
}

ErrorTrap::ErrorTrap(Display* d) : d_(d)
{
    XSync(d_, False);
    g_errorSeen = false;
    previous_ = XSetErrorHandler(noteError);
}

ErrorTrap::~ErrorTrap()
{
    XSync(d_, False);
    XSetErrorHandler(previous_);
}

bool ErrorTrap::failed()
{
    XSync(d_, False);
    return g_errorSeen;
}

long windowPid(Display* d, Window w)
{
    ErrorTrap trap(d);
    long pid = hasXRes(d) ? pidFromXRes(d, w) : -1;
    if (pid <= 0)
        pid = pidFromProperty(d, w);
    return trap.failed() ? -1 : pid;
}

Window clientWindow(Display* d, Window top)
{
    ErrorTrap trap(d);
    std::vector<Window> queue = {top};
    for (size_t i = 0; i < queue.size() && i < 256; ++i) {
        if (hasWmState(d, queue[i]))
            return queue[i];
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(d, queue[i], &root, &parent, &children, &count) && children) {
            queue.insert(queue.end(), children, children + count);
            XFree(children);
        }
    }
    return top;
}

bool belongsTo(long pid, long root)
{
    for (int hops = 0; pid > 1 && hops < 64; ++hops) {
        if (pid == root)
            return true;
        pid = parentPid(pid);
    }
    return false;
}

}  // namespace klm::platform::x11
