// Platform: the window system beneath the renderer, the one interface through which the renderer
// opens, shows and presents its windows and hears about input. Renderer thread only (but for
// built-in font metrics); an implementation lives in a folder of its own and is the only code that
// includes a window system's headers. It draws nothing but built-in fonts: the renderer owns GL.
#pragma once

#include <string>
#include <vector>

#include "KeyModifiers.h"
#include "MouseEvent.h"

namespace platform {

// A window as the platform knows it; 0 for none.
using WindowId = int;

// How far an input script has played: the number of the file line played last (0 before the
// first), and of the last line that plays anything; both 0 without a script.
struct ScriptProgress {
    int lastPlayedLine = 0;
    int lastLine = 0;
};

// Where the windows' input comes from.
enum class InputSource {
    USER,    // a window system's user: keys, clicks and the close button
    SCRIPT,  // an input script, a line at a time as the program looks for input
    NONE,    // nowhere: nothing will ever come, so a program that waits for input has its window closed
};

// What the window system tells the renderer, for the window given: from pumpEvents, or from
// closeWindow for the window it closes.
class EventSink {
public:
    // A character key (Latin-1) or a named key (NamedKey, 0 for a key without a name, such as
    // Shift itself: only the modifiers held changed) went down or up; modifiers as held after it.
    virtual void character(WindowId window, int key, bool down, KeyModifiers modifiers) = 0;
    virtual void namedKey(WindowId window, int key, bool down, KeyModifiers modifiers) = 0;
    virtual void button(WindowId window, MouseEvent::Button button, bool down, int x, int y,
                        KeyModifiers modifiers) = 0;
    // The pointer moved, with a button held (dragging) or not.
    virtual void pointerMoved(WindowId window, int x, int y, bool dragging) = 0;
    // Whether pointer motion is to be dropped instead, because a thread waits for the renderer.
    virtual bool dropsPointerMotion() = 0;
    virtual void crossed(WindowId window, bool entered) = 0;
    virtual void reshaped(WindowId window, int width, int height) = 0;
    // The window must be drawn again on screen; damaged: its contents were lost.
    virtual void exposed(WindowId window, bool damaged) = 0;
    // The user or the window system closed the window; the platform forgets it afterwards.
    virtual void closed(WindowId window) = 0;
    // An input script asks for a picture of every open window, now.
    virtual void snapshot() = 0;

protected:
    ~EventSink() = default;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Connects to the window system, which reports to sink from now on; its errors are reported as
    // WARNINGs. shownWanted: shownPixels will be asked for; without it a platform need not keep
    // what its windows show.
    virtual void start(EventSink& sink, bool shownWanted) = 0;
    // A double-buffered window with a GL context of its own, made current; x and y chosen by the
    // window system unless positioned.
    virtual WindowId openWindow(int x, int y, bool positioned, int width, int height, const std::string& title) = 0;
    // A full-screen window of its own with a GL context, made current; 0 if refused.
    virtual WindowId enterFullScreen(int width, int height, int depth, int rate) = 0;
    virtual void leaveFullScreen() = 0;
    virtual void closeWindow(WindowId window) = 0;

    virtual void makeCurrent(WindowId window) = 0;
    virtual WindowId currentWindow() = 0;
    // The rest act on the current window.
    // Resizes the window now, so that the next swap presents the new size.
    virtual void resize(int width, int height) = 0;
    virtual void move(int x, int y) = 0;
    virtual void show(bool shown) = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual void position(int& x, int& y) = 0;
    virtual void ignoreKeyRepeat(bool ignore) = 0;
    virtual void swap() = 0;
    // What the current window shows, as last presented by swap(): width x height RGBA pixels,
    // the top row first; empty if the window system cannot give it, or was not asked to keep it.
    virtual std::vector<unsigned char> shownPixels(int width, int height) = 0;
    // Asks for an exposed() call on the next pump.
    virtual void requestExpose() = 0;

    // Delivers what the window system has reported since the last pump, without waiting.
    virtual void pumpEvents() = 0;

    // Where input comes from, once started.
    virtual InputSource inputSource() const = 0;
    // The program made its number-th window (from 1) with this title: an input script names a
    // window by either.
    virtual void windowMade(int number, const std::string& title) = 0;
    // Plays the next step of the input script that is meant for window to the event sink: a
    // line's events, a click's or key's release, a frame of nothing, or the window's close (also
    // when the script has no line left for it). Without a script nothing is played, but a window
    // whose program waits for input (waiting) closes, as nothing will ever come. False if nothing
    // was played and nothing closed; always so for USER. number: as windowMade gave it.
    virtual bool deliverScriptedInput(WindowId window, int number, bool waiting) = 0;
    virtual ScriptProgress scriptProgress() const = 0;
    // The program ends: an input script reports the windows it had no line for, and halts on lines
    // for a window that never opened.
    virtual void endScript() = 0;

    // The built-in fonts (Font::HELVETICA, TIMES_ROMAN, ROMAN, MONO_ROMAN in a size they have):
    // draws text at the current raster position (bitmap fonts) or in the current matrix, 100
    // units high (stroke fonts); measures its width, from any thread once started.
    virtual void drawBuiltinText(int fontId, int size, const std::string& text) = 0;
    virtual int builtinTextWidth(int fontId, int size, const std::string& text) = 0;
};

// The platform that the environment's BRINDLEWOOD_PLATFORM names: "offscreen" (windows drawn into
// pictures of their own, no display needed), or freeglut and X when it is unset or empty; any other
// value is a FATAL ERROR, as is an input script (BRINDLEWOOD_INPUT) on X.
Platform& windowSystem();

// Each platform's one instance.
Platform& glutPlatform();
Platform& offscreenPlatform();

}  // namespace platform
