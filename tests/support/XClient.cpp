// XClient: Xlib requests on the test display, made the way other programs would make them.
#include "XClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "XDoTool.h"

// After GoogleTest: X defines macros (None, Bool) that its headers would trip over.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

// The 8 bits of a colour channel held under mask in a pixel value.
unsigned char channel(unsigned long pixel, unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return static_cast<unsigned char>((pixel >> shift & mask) * 255 / (mask ? mask : 1));
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

std::vector<unsigned char> screenRGB(int x, int y, int width, int height) {
    std::vector<unsigned char> rgb(std::size_t(width) * height * 3, 0);
    Display* display = XOpenDisplay(nullptr);
    EXPECT_NE(display, nullptr) << "cannot open the display";
    if (!display) return rgb;
    const int screen = DefaultScreen(display);
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = std::min(x + width, DisplayWidth(display, screen));
    const int bottom = std::min(y + height, DisplayHeight(display, screen));
    XImage* image = right > left && bottom > top ? XGetImage(display, RootWindow(display, screen), left, top,
                                                             right - left, bottom - top, AllPlanes, ZPixmap)
                                                 : nullptr;
    if (image) {
        for (int row = top; row < bottom; ++row) {
            for (int column = left; column < right; ++column) {
                const unsigned long pixel = XGetPixel(image, column - left, row - top);
                unsigned char* at = &rgb[(std::size_t(row - y) * width + (column - x)) * 3];
                at[0] = channel(pixel, image->red_mask);
                at[1] = channel(pixel, image->green_mask);
                at[2] = channel(pixel, image->blue_mask);
            }
        }
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return rgb;
}
