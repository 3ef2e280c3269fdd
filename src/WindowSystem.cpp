// Direct X and GLX calls of the renderer thread: the error handler, the window operations that
// cannot wait for the toolkit's next turn, and the watch for windows destroyed from outside.
#include "WindowSystem.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "Diagnostics.h"
#include "Globals.h"

namespace {

struct WindowSystemStatics {
    std::mutex mutex;  // guards gone: the error handler runs on whichever thread met the error
    std::set<windowsystem::WindowId> gone;  // destroyed by the window system, errors expected
    Display* watcher = nullptr;             // our own connection, for destruction notices
    bool watcherTried = false;
};

WindowSystemStatics& statics() { return *Globals<WindowSystemStatics>::impl(); }

bool isGone(XID resource) {
    WindowSystemStatics& s = statics();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.gone.count(resource) != 0;
}

// Xlib's own handler ends the process from whichever thread met the error, while it holds locks
// that the exit then waits for. The error is reported instead, and the renderer goes on.
int reportXError(Display* display, XErrorEvent* error) {
    if (isGone(error->resourceid)) return 0;
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

// Opened once, on first use; without it (the server refused one more connection) windows are
// simply not watched.
Display* watcher() {
    WindowSystemStatics& s = statics();
    if (!s.watcherTried) {
        s.watcherTried = true;
        s.watcher = XOpenDisplay(DisplayString(glXGetCurrentDisplay()));
    }
    return s.watcher;
}

}  // namespace

namespace windowsystem {

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

WindowId watchCurrentWindow() {
    const WindowId id = glXGetCurrentDrawable();
    if (Display* display = watcher()) {
        XSelectInput(display, id, StructureNotifyMask);
        XFlush(display);
    }
    return id;
}

std::vector<WindowId> takeDestroyedWindows() {
    std::vector<WindowId> destroyed;
    Display* display = statics().watcher;
    if (!display) return destroyed;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == DestroyNotify) destroyed.push_back(event.xdestroywindow.window);
    }
    if (!destroyed.empty()) {
        WindowSystemStatics& s = statics();
        std::lock_guard<std::mutex> guard(s.mutex);
        s.gone.insert(destroyed.begin(), destroyed.end());
    }
    return destroyed;
}

}  // namespace windowsystem
