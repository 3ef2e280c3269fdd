// The platform without a display. Each window is a GL context of its own drawing into a pbuffer
// of the window's size, in the X server's own pixel format, 8 bits a colour and no alpha, so that
// drawing and reading back behave as in an X window's back buffer. swap() reads the pbuffer into
// the picture that the window shows, leaving the drawn picture as it was, as the X server's swap
// does; a copy through the CPU, as X's own, since a GL blit would compile shaders in every new
// context.
#include "platform/offscreen/OffscreenPlatform.h"

#include <EGL/eglext.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <tuple>

#include "platform/offscreen/BuiltinFonts.h"
#include "shared/Diagnostics.h"

namespace platform {

namespace offscreen {

std::optional<std::pair<int, int>> screenSizeFrom(const char* value) {
    static const std::regex size("([1-9][0-9]{0,4})x([1-9][0-9]{0,4})");
    std::cmatch sides;
    if (!std::regex_match(value, sides, size)) return std::nullopt;
    return std::make_pair(std::stoi(sides[1]), std::stoi(sides[2]));
}

namespace {

// The configuration of the X server's 24-bit visual: 8 bits a colour, no alpha (pixels read back
// are opaque, blending sees an opaque destination), no depth, stencil or multisampling. Mesa lists
// its 10-bit configurations first, so the list is walked.
EGLConfig xVisualConfig(EGLDisplay display) {
    const EGLint wanted[] = {EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                             EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, nullptr, 0, &count) || count <= 0) return nullptr;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    eglChooseConfig(display, wanted, configs.data(), count, &count);
    const std::pair<EGLint, EGLint> visual[] = {{EGL_RED_SIZE, 8},   {EGL_GREEN_SIZE, 8},   {EGL_BLUE_SIZE, 8},
                                                {EGL_ALPHA_SIZE, 0}, {EGL_DEPTH_SIZE, 0},   {EGL_STENCIL_SIZE, 0},
                                                {EGL_SAMPLES, 0}};
    for (EGLConfig config : configs) {
        bool exact = true;
        for (const auto& [attribute, size] : visual) {
            EGLint value = -1;
            eglGetConfigAttrib(display, config, attribute, &value);
            exact = exact && value == size;
        }
        if (exact) return config;
    }
    return nullptr;
}

}  // namespace

void OffscreenPlatform::start(EventSink& eventSink, bool shownWanted) {
    sink = &eventSink;
    keepsShown = shownWanted;
    // Empty, like every variable of ours, it is as if unset.
    if (const char* screen = std::getenv("BRINDLEWOOD_SCREEN"); screen && *screen) {
        if (auto size = screenSizeFrom(screen))
            std::tie(screenWidth, screenHeight) = *size;
        else
            WARNING(std::string("BRINDLEWOOD_SCREEN is \"") + screen + "\", not WIDTHxHEIGHT: the screen is 1920x1080");
    }
    display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API) ||
        !(config = xVisualConfig(display)))
        FATAL_ERROR("Cannot draw without a display: Mesa's EGL surfaceless platform is not available");
    const char* script = std::getenv("BRINDLEWOOD_INPUT");
    scripted = script && *script;
    if (scripted) input = InputScript::read(script);
}

WindowId OffscreenPlatform::openWindow(int x, int y, bool positioned, int width, int height, const std::string& title) {
    // A window that asks for no place opens in the corner, as on an X server without a window manager.
    return positioned ? createWindow(x, y, width, height, title) : createWindow(0, 0, width, height, title);
}

WindowId OffscreenPlatform::enterFullScreen(int width, int height, int, int) {
    // As a display switches to the mode asked for, if it has one that large.
    if (width > screenWidth || height > screenHeight) return 0;
    fullScreenWindow = createWindow(0, 0, width, height, "");
    return fullScreenWindow;
}

void OffscreenPlatform::leaveFullScreen() {
    destroyWindow(fullScreenWindow);
    fullScreenWindow = 0;
}

void OffscreenPlatform::closeWindow(WindowId window) {
    destroyWindow(window);
    if (window == fullScreenWindow) fullScreenWindow = 0;
}

void OffscreenPlatform::closeAsUser(WindowId window) {
    if (windows.count(window) == 0) return;
    sink->closed(window);
    closeWindow(window);
}

void OffscreenPlatform::makeCurrent(WindowId window) {
    auto found = windows.find(window);
    if (found == windows.end()) return;
    const OffscreenWindow& record = found->second;
    eglMakeCurrent(display, record.drawn, record.drawn, record.context);
    current = window;
}

void OffscreenPlatform::resize(int width, int height) {
    OffscreenWindow& window = currentRecord();
    if (width == window.width && height == window.height) return;
    const EGLSurface old = window.drawn;
    allocatePictures(window, width, height);
    eglDestroySurface(display, old);
}

void OffscreenPlatform::move(int x, int y) {
    currentRecord().x = x;
    currentRecord().y = y;
}

void OffscreenPlatform::setTitle(const std::string& title) { currentRecord().title = title; }

void OffscreenPlatform::position(int& x, int& y) {
    x = currentRecord().x;
    y = currentRecord().y;
}

void OffscreenPlatform::swap() {
    if (!keepsShown) return;
    OffscreenWindow& window = currentRecord();
    window.shown.resize(std::size_t(window.width) * window.height * 4);
    window.shownWidth = window.width;
    window.shownHeight = window.height;
    // Read as the renderer's readPixel reads, whatever pixel store state the renderer has left.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, window.width, window.height, GL_RGBA, GL_UNSIGNED_BYTE, window.shown.data());
    glPopClientAttrib();
}

std::vector<unsigned char> OffscreenPlatform::shownPixels(int width, int height) {
    if (!keepsShown) return {};
    const OffscreenWindow& window = currentRecord();
    std::vector<unsigned char> pixels(std::size_t(width) * height * 4);
    // GL's rows run bottom up; a part of the window not shown yet stays black, as on a screen.
    const std::size_t rowBytes = std::size_t(std::min(width, window.shownWidth)) * 4;
    for (int top = 0; top < std::min(height, window.shownHeight); ++top)
        std::copy_n(window.shown.begin() + std::size_t(window.shownHeight - 1 - top) * window.shownWidth * 4, rowBytes,
                    pixels.begin() + std::size_t(top) * width * 4);
    return pixels;
}

void OffscreenPlatform::pumpEvents() {
    std::set<WindowId> exposed;
    exposed.swap(exposeRequested);
    for (WindowId window : exposed) {
        if (windows.count(window) == 0) continue;
        makeCurrent(window);  // as a toolkit calls back, with the window current
        sink->exposed(window, false);
    }
}

bool OffscreenPlatform::deliverScriptedInput(WindowId window, int number, bool waiting) {
    if (!scripted && !waiting) return false;
    if (!input.playNext(number, window, *sink)) closeAsUser(window);
    return true;
}

void OffscreenPlatform::drawBuiltinText(int fontId, int size, const std::string& text) {
    offscreen::drawBuiltinText(fontId, size, text);
}

int OffscreenPlatform::builtinTextWidth(int fontId, int size, const std::string& text) {
    return offscreen::builtinTextWidth(fontId, size, text);
}

WindowId OffscreenPlatform::createWindow(int x, int y, int width, int height, const std::string& title) {
    OffscreenWindow window;
    window.context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (window.context == EGL_NO_CONTEXT)
        FATAL_ERROR("Cannot draw without a display: EGL gave no OpenGL context for a window");
    window.x = x;
    window.y = y;
    window.title = title;
    allocatePictures(window, width, height);
    current = ++lastId;
    windows[current] = window;
    return current;
}

void OffscreenPlatform::allocatePictures(OffscreenWindow& window, int width, int height) {
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    window.drawn = eglCreatePbufferSurface(display, config, size);
    if (window.drawn == EGL_NO_SURFACE ||
        !eglMakeCurrent(display, window.drawn, window.drawn, window.context))
        FATAL_ERROR("Cannot draw without a display: EGL gave no picture of " + std::to_string(width) + "x" +
                    std::to_string(height) + " pixels to draw a window in");
    window.width = width;
    window.height = height;
}

void OffscreenPlatform::destroyWindow(WindowId id) {
    auto found = windows.find(id);
    if (found == windows.end()) return;
    OffscreenWindow& window = found->second;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(display, window.drawn);
    eglDestroyContext(display, window.context);
    windows.erase(found);
    exposeRequested.erase(id);
    current = 0;
}

}  // namespace offscreen

Platform& offscreenPlatform() {
    static offscreen::OffscreenPlatform* const platform =
        new offscreen::OffscreenPlatform();  // never destroyed: the renderer outlives statics
    return *platform;
}

}  // namespace platform
