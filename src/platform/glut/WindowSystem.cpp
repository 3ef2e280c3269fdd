// Direct X and GLX calls of the renderer thread: the error handler, the window operations that
// cannot wait for the toolkit's next turn, the watch for windows destroyed from outside, and the
// pictures that windows show.
#include "WindowSystem.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "shared/Diagnostics.h"
#include "shared/Globals.h"

namespace {

struct WindowSystemStatics {
    // Guards everything below: the error handler runs on whichever thread met the error, and an
    // error of the watching connection itself comes back to it while the lock is held.
    std::recursive_mutex mutex;
    std::set<windowsystem::WindowId> gone;  // destroyed by the window system, errors expected
    std::vector<windowsystem::WindowId> destroyed;  // of gone, not yet taken by the renderer
    Display* watcher = nullptr;                     // our own connection, for destruction notices
};

WindowSystemStatics& statics() { return *Globals<WindowSystemStatics>::impl(); }

// Reads the destruction notices that the watching connection has received; with untilNow, first
// makes sure it has received every notice sent before this call.
void readDestructionNotices(bool untilNow) {
    WindowSystemStatics& s = statics();
    std::lock_guard<std::recursive_mutex> guard(s.mutex);
    if (!s.watcher) return;
    if (untilNow) XSync(s.watcher, False);
    while (XPending(s.watcher) > 0) {
        XEvent event;
        XNextEvent(s.watcher, &event);
        if (event.type != DestroyNotify) continue;
        s.gone.insert(event.xdestroywindow.window);
        s.destroyed.push_back(event.xdestroywindow.window);
    }
}

// Whether errors about the resource are expected: its window is known destroyed. A window that
// another program destroys while we draw into it can meet an error before the renderer has read
// the notice of the destruction, which the window system sent first: the notices are read now.
bool isGone(Display* display, XID resource) {
    WindowSystemStatics& s = statics();
    std::lock_guard<std::recursive_mutex> guard(s.mutex);
    if (s.gone.count(resource) != 0) return true;
    if (display == s.watcher) return false;  // the watching connection's own errors come back here
    readDestructionNotices(true);
    return s.gone.count(resource) != 0;
}

// Xlib's own handler ends the process from whichever thread met the error, while it holds locks
// that the exit then waits for. The error is reported instead, and the renderer goes on.
int reportXError(Display* display, XErrorEvent* error) {
    if (isGone(display, error->resourceid)) return 0;
    char text[256];
    char request[128];
    XGetErrorText(display, error->error_code, text, sizeof text);
    const std::string code = std::to_string(error->request_code);
    XGetErrorDatabaseText(display, "XRequest", code.c_str(), code.c_str(), request, sizeof request);
    WARNING(std::string("The window system reported an error: ") + text + ", in request " + request);
    return 0;
}

// Xlib keeps a broken connection locked for the thread that met the break, so exit handlers that
// close it from another thread (the toolkit's) would wait forever: end at once instead, keeping
// what the program wrote to standard output.
int endOnLostConnection(Display*) {
    diagnostics::report(diagnostics::Kind::FATAL_ERROR, __FILE__, __LINE__,
                        "The connection to the window system was lost");
    std::fflush(stdout);
    _exit(1);
}

// The 8-bit value of the colour component that mask selects in an X pixel.
unsigned char component(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    const unsigned long lowest = mask & ~(mask - 1);
    return static_cast<unsigned char>((pixel & mask) / lowest * 255 / (mask / lowest));
}

}  // namespace

namespace windowsystem {

bool openDisplay() {
    // An X server just started, or refusing a burst of connections, answers within moments: a
    // program started together with its Xvfb would otherwise fail at once.
    constexpr auto PATIENCE = std::chrono::seconds(2);
    constexpr auto RETRY = std::chrono::milliseconds(50);
    const char* name = std::getenv("DISPLAY");
    const auto giveUp = std::chrono::steady_clock::now() + (name && *name ? PATIENCE : PATIENCE.zero());
    WindowSystemStatics& s = statics();
    std::lock_guard<std::recursive_mutex> guard(s.mutex);
    while (!(s.watcher = XOpenDisplay(nullptr)) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(RETRY);
    return s.watcher != nullptr;
}

void takeOverErrorHandling() {
    XSetErrorHandler(reportXError);
    XSetIOErrorHandler(endOnLostConnection);
}

void releaseCurrentDrawable() {
    glFinish();
    glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
}

void resizeCurrentWindow(int width, int height) {
    Display* display = glXGetCurrentDisplay();
    XResizeWindow(display, glXGetCurrentDrawable(), static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display, False);
}

void placeCurrentWindowIfUnplaced() {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    int x = 0, y = 0;
    ::Window child = 0;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child) || x != -1 || y != -1)
        return;
    XMoveWindow(display, window, 0, 0);
    XSync(display, False);
}

void keepCurrentWindowPicture() {
    XSetWindowAttributes attributes{};
    attributes.backing_store = Always;
    XChangeWindowAttributes(glXGetCurrentDisplay(), glXGetCurrentDrawable(), CWBackingStore, &attributes);
}

std::vector<unsigned char> currentWindowPicture(int width, int height) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    XWindowAttributes attributes{};
    // A window destroyed by another program fails here; its error is expected, not reported.
    if (!display || !window || !XGetWindowAttributes(display, window, &attributes) ||
        attributes.map_state != IsViewable)
        return {};
    const int shownWidth = std::min(width, attributes.width), shownHeight = std::min(height, attributes.height);
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(shownWidth),
                              static_cast<unsigned>(shownHeight), AllPlanes, ZPixmap);
    if (!image) return {};
    std::vector<unsigned char> pixels(std::size_t(width) * height * 4, 255);
    for (int y = 0; y < shownHeight; ++y) {
        for (int x = 0; x < shownWidth; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            unsigned char* rgba = &pixels[(std::size_t(y) * width + x) * 4];
            rgba[0] = component(pixel, image->red_mask);
            rgba[1] = component(pixel, image->green_mask);
            rgba[2] = component(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return pixels;
}

void dropPendingPointerMotion() {
    Display* display = glXGetCurrentDisplay();
    if (!display) return;
    XEvent event;
    while (XCheckMaskEvent(display, PointerMotionMask | ButtonMotionMask, &event)) {
    }
    // The extension events (XInput 2) that the toolkit also asks for carry motion too.
    while (XCheckTypedEvent(display, GenericEvent, &event)) {
    }
}

WindowId watchCurrentWindow() {
    const WindowId id = glXGetCurrentDrawable();
    // The toolkit's connection may still hold the window's creation unsent; the watching
    // connection's request would then name a window the server does not know yet.
    XSync(glXGetCurrentDisplay(), False);
    std::lock_guard<std::recursive_mutex> guard(statics().mutex);
    XSelectInput(statics().watcher, id, StructureNotifyMask);
    XFlush(statics().watcher);
    return id;
}

std::vector<WindowId> takeDestroyedWindows() {
    readDestructionNotices(false);
    WindowSystemStatics& s = statics();
    std::lock_guard<std::recursive_mutex> guard(s.mutex);
    std::vector<WindowId> destroyed;
    destroyed.swap(s.destroyed);
    return destroyed;
}

}  // namespace windowsystem
