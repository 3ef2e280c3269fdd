// XClient: Xlib requests on the test display, made the way other programs would make them.
#include "XClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "XDoTool.h"

// After GoogleTest: X defines macros (None, Bool) that its headers would trip over.
#include <X11/Xlib.h>

namespace {

// The window titled title below root, or 0.
::Window findByTitle(Display* display, ::Window root, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(display, root, &name) && name) {
        const bool matches = title == name;
        XFree(name);
        if (matches) return root;
    }
    ::Window parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
    ::Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = findByTitle(display, children[i], title);
    if (children) XFree(children);
    return found;
}

// Runs request on the window titled title (waiting for it as long as xdotool's searches do), then syncs.
void onWindow(const std::string& title, const std::function<void(Display*, ::Window)>& request) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "cannot open the display";
    ::Window window = 0;
    const auto deadline = std::chrono::steady_clock::now() + WINDOW_SEARCH_LIMIT;
    while (!(window = findByTitle(display, DefaultRootWindow(display), title)) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(window, 0u) << "no window titled " << title;
    if (window) request(display, window);
    XSync(display, False);
    XCloseDisplay(display);
}

}  // namespace

void requestClose(const std::string& title) {
    onWindow(title, [](Display* display, ::Window window) {
        XEvent event;
        std::memset(&event, 0, sizeof event);
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
    });
}

void destroyFromOutside(const std::string& title) {
    onWindow(title, [](Display* display, ::Window window) { XDestroyWindow(display, window); });
}

void killOwnerOf(const std::string& title) {
    onWindow(title, [](Display* display, ::Window window) { XKillClient(display, window); });
}

void makeFailingRequest() {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "cannot open the display";
    XMapWindow(display, 1);  // no client owns window 1
    XSync(display, False);
    XCloseDisplay(display);
}
