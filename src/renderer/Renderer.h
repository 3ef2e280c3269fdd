// Renderer: the one thread that owns the platform (the window system) and every OpenGL call. It
// drains the command queue between the platform's turns, executes each command, and turns what the
// platform reports and its own timers into window events. Private: no GL type appears here.
//
// Files: Renderer.cpp (thread, queue, window commands, page flips, snapshots), RendererDrawing.cpp
// (styles and primitives), RendererInput.cpp (input and timers), RendererSignals.cpp (the signals
// that end a program); the caches it draws from in caches/
// (FontInstance.cpp, ImageInstance.cpp, ImageFiles.cpp); the platform beneath it in platform/.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Image.h"
#include "MouseEvent.h"
#include "Style.h"
#include "platform/Platform.h"
#include "shared/DaemonCommand.h"
#include "shared/WindowState.h"

class Color;
class KeyboardEvent;
class Transform;
class Window;

// The drawing state of a GL context that styles set: each primitive's state is put into effect
// by changing only what differs from the state its window's context already has.
struct DrawState {
    Style::RasterOp rasterOp = Style::COPY_OP;
    bool blend = false;   // alpha blending, for see-through colours and smooth lines
    bool smooth = false;  // line smoothing
    std::uint16_t pattern = 0xFFFF;  // the line stipple; all set is solid
    int lineWidth = 1;
    bool operator==(const DrawState& o) const {
        return rasterOp == o.rasterOp && blend == o.blend && smooth == o.smooth && pattern == o.pattern &&
               lineWidth == o.lineWidth;
    }
    bool operator!=(const DrawState& o) const { return !(*this == o); }
};

// Plain pixels drawn into a window but not yet into its frame buffer, in call order. They reach it
// before anything else draws into the window, reads it or shows it: as points, or, when there are
// many for the box they cover, as one picture laid over the window, see-through where nothing is
// drawn, which costs far less than as many points.
struct PendingPixels {
    std::vector<command::PlainPixel> pixels;  // not yet in the picture
    // The picture, of the window's size when it was made: RGBA, rows bottom up as GL takes them,
    // alpha 0 where nothing is drawn; and the box of what it holds, empty while right < left.
    std::vector<unsigned char> rgba;
    int width = 0;
    int height = 0;
    int left = 0, top = 0, right = -1, bottom = -1;

    bool isEmpty() const { return pixels.empty() && right < left; }
};

// The ticks of a timer: start + k * interval on the steady clock, k = 1, 2 ... A turn of the
// renderer that comes after several ticks keeps one of them and skips the others, so a late
// renderer neither drifts the schedule nor makes up for lost ticks in a burst. Pure.
struct TickSchedule {
    using Clock = std::chrono::steady_clock;
    Clock::time_point start;
    Clock::duration interval;      // zero: a tick on every turn
    std::int64_t ticksPassed = 0;  // kept or skipped so far

    // How many ticks have come due since the last call (0 for none), all counted as passed now.
    std::int64_t takeDueTicks(Clock::time_point now);
    Clock::time_point nextTick() const { return start + (ticksPassed + 1) * interval; }
};

// The renderer's state. The maps are touched on the renderer thread only; skippedticks may be read
// by any.
struct RendererStatics {
    // A timer from its StartTimer command until it is stopped, has fired
    // once (a one-shot timer), or its window is destroyed.
    struct Timer {
        Window* window = nullptr;
        bool repeating = false;
        TickSchedule schedule;
    };
    struct Frame {
        bool pending = false;  // drawn into the back buffer but not yet swapped
        std::chrono::steady_clock::time_point drawnSince;  // when the first drawing not yet swapped was made
        std::chrono::steady_clock::time_point lastSwap;
        int width = -1;  // the size last set up by reshape
        int height = -1;
    };
    // A window as the renderer knows it, from its creation until it is destroyed or closed.
    struct RendererWindow {
        int number = 0;  // its place in the order the program created windows, from 1
        int platformid = 0;
        int windowedid = 0;  // its own platform window while full screen stands in; 0 for none
        bool fullscreen = false;
        bool antialias = false;
        bool autoflip = true;
        int width = 0;  // the window's size, as made and as last reported
        int height = 0;
        Frame frame;
        DrawState applied;          // what its context holds, when known
        bool appliedKnown = false;  // transformed pictures leave state of their own behind
        PendingPixels pending;
        int snapshots = 0;  // the pictures an input script has asked of it
    };

    std::map<Window*, RendererWindow> records;
    std::map<platform::WindowId, Window*> windows;
    std::map<int, Timer> timers;     // by id
    int windowsCreated = 0;
    std::atomic<std::int64_t> skippedticks{0};  // ticks that no repeating timer could keep, all together
    std::atomic<platform::InputSource> inputsource{platform::InputSource::USER};  // known once the platform started
    MouseEvent::Button currentbutton = MouseEvent::NO_BUTTON;
    // The commands being executed, reused from turn to turn so taking the queue allocates nothing.
    // Kept here, in a record never destroyed, because the renderer still runs while statics die.
    std::vector<DaemonCommand> batch;
    std::vector<command::PlainPixel> pixels;  // that the batch's runs of plain pixels refer to
    int batchmode = -1;  // the mode of the glBegin left open for more primitives, -1 for none
    // The picture whose textured quads that glBegin draws (-1 for primitives), the pixels it
    // holds, and the size of the window it draws in.
    int batchpicture = -1;
    std::uint64_t batchgeneration = 0;
    std::array<int, 2> batcharea{};
};

class Renderer {
public:
    class FontInstance;
    class ImageInstance;

    // Sets the display mode and starts the renderer thread, once: the first Window calls it.
    static void start();

    // Whether the platform is started; waits for it if the renderer is starting. False if no window
    // was ever made (so no platform call may be made from a user thread).
    static bool waitUntilPlatformReady();
    // Blocks until the first window exists and the renderer will be stopped cleanly at exit, so a
    // program that returns at once still ends cleanly.
    static void waitUntilRunning();
    // Whether the calling thread is the renderer.
    static bool onRendererThread();
    // Whether the renderer runs: started and not yet stopped at process exit.
    static bool isRunning();
    // Where the platform's input comes from: other than from a user, a program that looks for input
    // asks the renderer to play it. Any thread, once a window exists.
    static platform::InputSource inputSource();
    // Whether a user thread waits for the renderer to leave the platform's turn: the process is
    // exiting, or a window's destructor waits. Pointer motion then is dropped, not worked through.
    static bool isAwaited();

    // The signals that end a program (RendererSignals.cpp). On the thread that opens the first
    // window: each that the program left to its default action gets a handler that reports it,
    // has the renderer save the snapshots (if taken), and ends the program by the same signal.
    static void handleEndingSignals(bool snapshotsTaken);
    // On the renderer thread as it starts: stops are left to the program's threads, so that the
    // renderer is free to save while a handler waits.
    static void prepareRendererForSignals();
    // Renderer side, once the platform has started and after each step played: tells the handler
    // whether an input script plays, and how far.
    static void publishScriptProgress();
    // Renderer side, each turn: saves the snapshots that a signal's handler waits for.
    static void answerEndingSignal();
    // Renderer side, as it stops for good: a handler has nothing more to wait for.
    static void stopAnsweringSignals();

    // Thread body.
    static void run();
    static void idle();
    static void reshapeWindow(int width, int height);
    // Executes one command, or drops it (answering whoever waits) if its window has been closed.
    static void execute(DaemonCommand& command);

    // Styles and primitives (RendererDrawing.cpp).
    static void setColor(const Color& color);
    // The state a style draws lines (lines true) or other primitives with in window.
    static DrawState stateFor(const RendererStatics::RendererWindow& window, const Style& style, bool lines);
    // Puts the state into effect in window's (current) context, changing only what differs.
    static void applyState(RendererStatics::RendererWindow& window, const DrawState& state);
    // Ends the run of primitives or pictures being drawn in one glBegin, if any: done before anything
    // but another primitive of the same kind and state, or the same picture, in the same window.
    static void endBatch();
    // Makes window current and puts style and batching into effect for the primitive drawn next.
    // Points, lines, triangles and filled rectangles, circles, ellipses, wedges and polygons in a
    // row share one glBegin while their state stays the same.
    static void begin(RendererStatics::RendererWindow& window, const Style& style, command::Batch batch);
    // Draws one primitive under its style in window, current or not.
    static void draw(const command::Draw& draw, RendererStatics::RendererWindow& window);
    // Adds a run of plain pixels to window's pending pixels.
    static void drawPlainPixels(const command::PlainPixels& run, RendererStatics::RendererWindow& window);
    // Lays window's pending pixels, if any, over its frame buffer: done before anything else draws
    // into it, reads it or shows it.
    static void drawPendingPixels(RendererStatics::RendererWindow& window);
    // Puts the raster position on (x, y) in window coordinates, wherever that lies.
    static void moveRasterTo(int x, int y);
    static void copyRegion(Window* w, int sl, int st, int dl, int dt, int cw, int ch);
    static Color readPixel(Window* w, int x, int y);

    // What the platform reports (RendererInput.cpp; windows' reshapes, exposes and closes, and
    // snapshots, in Renderer.cpp).
    struct Input final : platform::EventSink {
        void character(platform::WindowId window, int key, bool down, KeyModifiers modifiers) override;
        void namedKey(platform::WindowId window, int key, bool down, KeyModifiers modifiers) override;
        void button(platform::WindowId window, MouseEvent::Button button, bool down, int x, int y,
                    KeyModifiers modifiers) override;
        void pointerMoved(platform::WindowId window, int x, int y, bool dragging) override;
        bool dropsPointerMotion() override;
        void crossed(platform::WindowId window, bool entered) override;
        void reshaped(platform::WindowId window, int width, int height) override;
        void exposed(platform::WindowId window, bool damaged) override;
        void closed(platform::WindowId window) override;
        void snapshot() override;
    };
    // Queues an event for every timer with a tick due; returns how long until the next tick.
    static std::chrono::microseconds fireDueTimers();
    // A StartTimer command: the first tick is interval milliseconds from now; a timer of negative
    // interval is never armed.
    static void armTimer(Window* w, int id, int interval, bool repeating);
    // Part of destroying a window: a gone window's timers notify nobody.
    static void stopTimersOf(Window* w);
    // Whether a timer of w is armed: a tick of it is still to come.
    static bool hasTimerRunning(Window* w);

private:
    struct Execution;
    static void createWindow(const command::CreateWindow& command, Window* w);
    // The window that a platform window draws, or null once its Window is gone.
    static Window* windowOf(platform::WindowId window);
    // The renderer's record of w, or null once it is closed (or before it is created).
    static RendererStatics::RendererWindow* recordOf(Window* w);
    // Makes the window's context current, unless it is already.
    static void makeCurrent(RendererStatics::RendererWindow& window);
    // Marks w as drawn; with autoflip on, the next frame shows it.
    static void requestRedisplay(RendererStatics::RendererWindow& window);
    // Shows what has been drawn into the window and not yet shown, now.
    static void showFrame(RendererStatics::RendererWindow& window, std::chrono::steady_clock::time_point now);
    // PlayScriptedInput: plays the window's next scripted line, once what the program drew before it
    // waited is shown, so each line meets the same picture in every run.
    static bool playScriptedInput(const command::PlayScriptedInput& command, Window* w,
                                  RendererStatics::RendererWindow& window);
    // Swaps every window whose drawing is due on screen (caughtUp: no command is left to draw);
    // returns how long until the next one is.
    static std::chrono::microseconds presentFrames(bool caughtUp);
    // Saves the picture that window shows as FOLDER/name when BRINDLEWOOD_SNAPSHOTS names a
    // folder: drawing due on screen is shown first. A file that cannot be written is a WARNING
    // saying that the picture could not be saved (notSaved), and why.
    static void saveSnapshot(RendererStatics::RendererWindow& window, const std::string& name, const char* notSaved);
    // The snapshot of a window that closes, or is open when the program ends: window-N.png, N its number.
    static void saveClosingSnapshot(RendererStatics::RendererWindow& window);
    // The windows still open save their snapshots, once the commands already queued (a last
    // flipPage among them) have run: at exit, or for a signal that ends the program.
    static void saveOpenWindowsSnapshots();
    static void destroyWindow(Window* w);
    // Erases w from every renderer map and stops its timers: its later commands are dropped.
    static void forgetWindow(Window* w);
    // w was closed by the user or the window system: forget it and wake whoever waits on it.
    static void markClosed(Window* w);
    // Drops a command for a window the user closed, answering a caller that waits for a reply.
    static void answerForClosedWindow(DaemonCommand& command);
    // Records w's size; a changed size sets up the coordinate system anew and clears.
    static void takeSize(Window* w, int width, int height);
    // RESIZE: resizes the current window at once and clears it.
    static void resizeNow(Window* w, int width, int height);
    // The exit handler (with the exit status): stops the renderer, or, if it cannot stop in time,
    // ends the process at once.
    static void stopAtExit(int status, void*);
    // Tells a waiting exit handler that the renderer has left its loop for good.
    static void leaveLoop();
    // Draws (and clears) a little so the GL driver finishes its lazy set-up now.
    static void warmUpDriver();
};
