// The platform without a display: Mesa's EGL surfaceless platform, one GL context per window
// (its own GL state, as a toolkit window has), drawing into a pbuffer of the window's size. When
// snapshots are taken, a swap also keeps a copy of what it shows, apart from the drawing, as a
// window system's front buffer is. No input comes but what the program's side asks for. Renderer
// thread only, but for built-in font metrics.
#pragma once

#include <EGL/egl.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/offscreen/InputScript.h"

namespace platform::offscreen {

// The virtual screen's size from BRINDLEWOOD_SCREEN's WIDTHxHEIGHT (both positive), none if it
// reads otherwise.
std::optional<std::pair<int, int>> screenSizeFrom(const char* value);

class OffscreenPlatform final : public Platform {
public:
    void start(EventSink& sink, bool shownWanted) override;
    WindowId openWindow(int x, int y, bool positioned, int width, int height, const std::string& title) override;
    WindowId enterFullScreen(int width, int height, int depth, int rate) override;
    void leaveFullScreen() override;
    void closeWindow(WindowId window) override;

    void makeCurrent(WindowId window) override;
    WindowId currentWindow() override { return current; }
    void resize(int width, int height) override;
    void move(int x, int y) override;
    void show(bool) override {}
    void setTitle(const std::string& title) override;
    void position(int& x, int& y) override;
    void ignoreKeyRepeat(bool) override {}
    void swap() override;
    std::vector<unsigned char> shownPixels(int width, int height) override;
    void requestExpose() override { exposeRequested.insert(current); }

    void pumpEvents() override;
    InputSource inputSource() const override { return scripted ? InputSource::SCRIPT : InputSource::NONE; }
    void windowMade(int number, const std::string& title) override { input.windowMade(number, title); }
    bool deliverScriptedInput(WindowId window, int number, bool waiting) override;
    ScriptProgress scriptProgress() const override { return {input.lastPlayedLine(), input.lastLine()}; }
    void endScript() override {
        if (scripted) input.reportAtEnd();
    }

    void drawBuiltinText(int fontId, int size, const std::string& text) override;
    int builtinTextWidth(int fontId, int size, const std::string& text) override;

    // Closes the window as the user would with the window manager's close button: the event sink
    // hears of it first, then the window is gone.
    void closeAsUser(WindowId window);

private:
    struct OffscreenWindow {
        EGLContext context = EGL_NO_CONTEXT;
        EGLSurface drawn = EGL_NO_SURFACE;  // the back buffer
        std::vector<unsigned char> shown;   // as last swapped: RGBA rows, bottom up
        int shownWidth = 0, shownHeight = 0;
        int x = 0, y = 0;                       // where the window was asked to be
        int width = 0, height = 0;
        std::string title;
    };

    WindowId createWindow(int x, int y, int width, int height, const std::string& title);
    void destroyWindow(WindowId window);
    // Makes the window's pictures of this size, the drawn one current.
    void allocatePictures(OffscreenWindow& window, int width, int height);
    OffscreenWindow& currentRecord() { return windows.at(current); }

    EventSink* sink = nullptr;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    int screenWidth = 1920, screenHeight = 1080;
    std::map<WindowId, OffscreenWindow> windows;
    WindowId current = 0;
    WindowId lastId = 0;
    WindowId fullScreenWindow = 0;
    std::set<WindowId> exposeRequested;
    // Whether a swap keeps what it shows: a copy of the whole window, which nobody sees unless
    // snapshots are taken, and which took six sevenths of a whole-window picture's frame.
    bool keepsShown = false;
    bool scripted = false;  // BRINDLEWOOD_INPUT names a script; without one, no input ever comes
    InputScript input;      // the script's lines, or none
};

}  // namespace platform::offscreen
