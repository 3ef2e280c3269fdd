// The platform without a display. Each window is a GL context of its own with two framebuffer
// objects: the renderer draws, reads and copies in the drawn one (bound as the context's
// framebuffer, so its default read and draw buffers are the drawn picture), and swap() copies it
// to the shown one, leaving the drawn picture as it was, as the X server's swap does.
#define GL_GLEXT_PROTOTYPES
#include "platform/offscreen/OffscreenPlatform.h"

#include <EGL/eglext.h>
#include <GL/glext.h>

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

// The first configuration of exactly 8 bits a colour: Mesa lists its 10-bit ones first.
EGLConfig eightBitConfig(EGLDisplay display) {
    // The surfaceless platform's configurations are for pbuffers only, and ours draws in none.
    const EGLint wanted[] = {EGL_RED_SIZE,   8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                             EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, wanted, nullptr, 0, &count) || count <= 0) return nullptr;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    eglChooseConfig(display, wanted, configs.data(), count, &count);
    for (EGLConfig config : configs) {
        bool exact = true;
        for (EGLint attribute : {EGL_RED_SIZE, EGL_GREEN_SIZE, EGL_BLUE_SIZE, EGL_ALPHA_SIZE}) {
            EGLint bits = 0;
            eglGetConfigAttrib(display, config, attribute, &bits);
            exact = exact && bits == 8;
        }
        if (exact) return config;
    }
    return nullptr;
}

}  // namespace

void OffscreenPlatform::start(EventSink& eventSink) {
    sink = &eventSink;
    if (const char* screen = std::getenv("BRINDLEWOOD_SCREEN")) {
        if (auto size = screenSizeFrom(screen))
            std::tie(screenWidth, screenHeight) = *size;
        else
            WARNING(std::string("BRINDLEWOOD_SCREEN is \"") + screen + "\", not WIDTHxHEIGHT: the screen is 1920x1080");
    }
    display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API) ||
        !(config = eightBitConfig(display)))
        FATAL_ERROR("Cannot draw without a display: Mesa's EGL surfaceless platform is not available");
}

WindowId OffscreenPlatform::openWindow(int x, int y, bool positioned, int width, int height, const std::string& title) {
    // A window that asks for no place reports (-1, -1), as the toolkit's do.
    return positioned ? createWindow(x, y, width, height, title) : createWindow(-1, -1, width, height, title);
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
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, found->second.context);
    current = window;
}

void OffscreenPlatform::resize(int width, int height) {
    OffscreenWindow& window = currentRecord();
    if (width != window.width || height != window.height) allocatePictures(window, width, height);
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
    const OffscreenWindow& window = currentRecord();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, window.shown);
    glBlitFramebuffer(0, 0, window.width, window.height, 0, 0, window.width, window.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, window.drawn);
}

std::vector<unsigned char> OffscreenPlatform::shownPixels(int width, int height) {
    const OffscreenWindow& window = currentRecord();
    const std::size_t row = std::size_t(width) * 4;
    std::vector<unsigned char> pixels(row * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.shown);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, window.drawn);
    // GL's rows run bottom up.
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(pixels.begin() + top * row, pixels.begin() + (top + 1) * row, pixels.begin() + bottom * row);
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

void OffscreenPlatform::drawBuiltinText(int fontId, int size, const std::string& text) {
    offscreen::drawBuiltinText(fontId, size, text);
}

int OffscreenPlatform::builtinTextWidth(int fontId, int size, const std::string& text) {
    return offscreen::builtinTextWidth(fontId, size, text);
}

WindowId OffscreenPlatform::createWindow(int x, int y, int width, int height, const std::string& title) {
    OffscreenWindow window;
    window.context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (window.context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, window.context))
        FATAL_ERROR("Cannot draw without a display: EGL gave no OpenGL context for a window");
    window.x = x;
    window.y = y;
    window.title = title;
    glGenFramebuffers(1, &window.drawn);
    glGenFramebuffers(1, &window.shown);
    glGenRenderbuffers(1, &window.drawnColor);
    glGenRenderbuffers(1, &window.shownColor);
    allocatePictures(window, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, window.shown);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, window.shownColor);
    glBindFramebuffer(GL_FRAMEBUFFER, window.drawn);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, window.drawnColor);
    // As a window system's context starts, with the viewport on the whole window.
    glViewport(0, 0, width, height);
    current = ++lastId;
    windows[current] = window;
    return current;
}

void OffscreenPlatform::allocatePictures(OffscreenWindow& window, int width, int height) {
    // No alpha, as in the X server's 24-bit visual: pixels read back are opaque.
    for (GLuint picture : {window.drawnColor, window.shownColor}) {
        glBindRenderbuffer(GL_RENDERBUFFER, picture);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGB8, width, height);
    }
    window.width = width;
    window.height = height;
}

void OffscreenPlatform::destroyWindow(WindowId id) {
    auto found = windows.find(id);
    if (found == windows.end()) return;
    OffscreenWindow& window = found->second;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, window.context);
    glDeleteFramebuffers(1, &window.drawn);
    glDeleteFramebuffers(1, &window.shown);
    glDeleteRenderbuffers(1, &window.drawnColor);
    glDeleteRenderbuffers(1, &window.shownColor);
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
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
