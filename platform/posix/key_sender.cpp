#include "key_sender.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

#include "x11_owner.h"

namespace klm::platform {

namespace {

// The X key for a Windows virtual-key code (the keys of a US keyboard
// layout for the punctuation codes); NoSymbol when there is none.
KeySym keysymOf(int vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= 0x60 && vk <= 0x69)
        return XK_KP_0 + (vk - 0x60);
    if (vk >= 0x70 && vk <= 0x87)
        return XK_F1 + (vk - 0x70);
    struct Pair {
        int vk;
        KeySym sym;
    };
    static constexpr Pair kKeys[] = {
        {0x08, XK_BackSpace}, {0x09, XK_Tab},        {0x0C, XK_Clear},       {0x0D, XK_Return},
        {0x10, XK_Shift_L},   {0x11, XK_Control_L},  {0x12, XK_Alt_L},       {0x13, XK_Pause},
        {0x14, XK_Caps_Lock}, {0x1B, XK_Escape},     {0x20, XK_space},       {0x21, XK_Prior},
        {0x22, XK_Next},      {0x23, XK_End},        {0x24, XK_Home},        {0x25, XK_Left},
        {0x26, XK_Up},        {0x27, XK_Right},      {0x28, XK_Down},        {0x2C, XK_Print},
        {0x2D, XK_Insert},    {0x2E, XK_Delete},     {0x5B, XK_Super_L},     {0x5C, XK_Super_R},
        {0x5D, XK_Menu},      {0x6A, XK_KP_Multiply}, {0x6B, XK_KP_Add},     {0x6C, XK_KP_Separator},
        {0x6D, XK_KP_Subtract}, {0x6E, XK_KP_Decimal}, {0x6F, XK_KP_Divide}, {0x90, XK_Num_Lock},
        {0x91, XK_Scroll_Lock}, {0xA0, XK_Shift_L},  {0xA1, XK_Shift_R},     {0xA2, XK_Control_L},
        {0xA3, XK_Control_R}, {0xA4, XK_Alt_L},      {0xA5, XK_Alt_R},       {0xBA, XK_semicolon},
        {0xBB, XK_equal},     {0xBC, XK_comma},      {0xBD, XK_minus},       {0xBE, XK_period},
        {0xBF, XK_slash},     {0xC0, XK_grave},      {0xDB, XK_bracketleft}, {0xDC, XK_backslash},
        {0xDD, XK_bracketright}, {0xDE, XK_apostrophe},
    };
    for (const Pair& p : kKeys)
        if (p.vk == vk)
            return p.sym;
    return NoSymbol;
}

}  // namespace

struct KeySender::Impl {
    long pid = -1;
    x11::DisplayPtr display;
    bool xtest = false;
    std::vector<KeyCode> pressed;

    void fake(KeyCode code, bool down)
    {
        XTestFakeKeyEvent(display.get(), code, down ? True : False, CurrentTime);
        XFlush(display.get());
    }
};

KeySender::KeySender(int pid, const std::string& display) : impl_(std::make_unique<Impl>())
{
    impl_->pid = pid;
    impl_->display = x11::openDisplay(display);
    if (impl_->display) {
        int event = 0, error = 0, major = 0, minor = 0;
        impl_->xtest = XTestQueryExtension(impl_->display.get(), &event, &error, &major, &minor);
    }
}

KeySender::~KeySender()
{
    releaseAll();
}

bool KeySender::available() const
{
    return impl_->display && impl_->xtest;
}

bool KeySender::programFocused()
{
    if (!available())
        return false;
    Display* d = impl_->display.get();
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d, &focus, &revert);
    if (focus == None)
        return false;
    if (focus == PointerRoot) {
        // The focus follows the pointer: the window under it gets the keys.
        Window root = 0, child = 0;
        int rx = 0, ry = 0, wx = 0, wy = 0;
        unsigned int mask = 0;
        x11::ErrorTrap trap(d);
        if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask) || !child)
            return false;
        focus = x11::clientWindow(d, child);
    }
    // A child window of the program has no pid of its own to read when the
    // X Resource extension is missing: its ancestors are asked too.
    for (int depth = 0; focus && depth < 32; ++depth) {
        const long pid = x11::windowPid(d, focus);
        if (pid > 0)
            return x11::belongsTo(pid, impl_->pid);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        x11::ErrorTrap trap(d);
        if (!XQueryTree(d, focus, &root, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        if (parent == root)
            return false;
        focus = parent;
    }
    return false;
}

KeySendResult KeySender::send(int virtualKey, bool down)
{
    if (!available())
        return KeySendResult::Unavailable;
    const KeySym sym = keysymOf(virtualKey);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(impl_->display.get(), sym);
    if (code == 0)
        return KeySendResult::NoKey;
    auto held = std::find(impl_->pressed.begin(), impl_->pressed.end(), code);
    if (!down) {
        // A release is sent wherever the focus is: a key the server thinks
        // is held would repeat into the window that has the focus now.
        if (held != impl_->pressed.end()) {
            impl_->fake(code, false);
            impl_->pressed.erase(held);
        }
        return KeySendResult::Sent;
    }
    if (!programFocused())
        return KeySendResult::NotFocused;
    impl_->fake(code, true);
    if (held == impl_->pressed.end())
        impl_->pressed.push_back(code);
    return KeySendResult::Sent;
}

void KeySender::releaseAll()
{
    if (!available())
        return;
    while (!impl_->pressed.empty()) {
        impl_->fake(impl_->pressed.back(), false);
        impl_->pressed.pop_back();
    }
}

}  // namespace klm::platform
