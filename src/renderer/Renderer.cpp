// The renderer: the one thread that owns the platform and every OpenGL call. It drains the command
// queue in the platform's idle turn, executes each command (execute), and paces page flips
// to the display rate. At process exit it leaves the platform's loop and is joined.
#include "renderer/Renderer.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <type_traits>
#include <variant>

#include "Transform.h"
#include "Window.h"
#include "caches/FontInstance.h"
#include "caches/ImageInstance.h"
#include "shared/CommandQueue.h"
#include "shared/Diagnostics.h"
#include "shared/Globals.h"
#include "shared/WindowState.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where the window system chooses the position.
constexpr int ANY_POSITION = 2147483647;
// Drawing reaches the screen at most once per frame, within one frame of being drawn.
constexpr auto FRAME = std::chrono::microseconds(16000);
// With nothing to do, the idle turn sleeps this long at most, so input and timers stay prompt.
constexpr auto IDLE_WAIT = std::chrono::microseconds(2000);
// A take of only this few plain pixels, which the renderer merely sets aside, is followed by this
// long a pause: taking the queue again at once would meet a program streaming pixels at the queue's
// lock at nearly every call.
constexpr std::size_t PIXELS_WORTH_A_TAKE = 4096;
constexpr auto PIXEL_GATHER = std::chrono::microseconds(100);
// How long the exit handler waits for the renderer to stop. It normally takes a few milliseconds;
// a renderer that cannot stop (it waits for a lock held by the thread that is exiting) is left
// behind rather than hanging the exit.
constexpr auto STOP_WAIT = std::chrono::seconds(5);

// The renderer thread's life, shared with the user threads that start, query and stop it.
struct RendererThread {
    std::mutex mutex;
    std::condition_variable stateChanged;
    bool started = false;        // the thread exists
    bool platformReady = false;  // the platform has started
    bool running = false;        // the first window exists and the exit handler is registered
    std::atomic<bool> stopRequested{false};
    bool loopLeft = false;  // the renderer has left its loop and drawn its last
    std::atomic<bool> stopped{false};
    std::thread thread;
};

RendererThread& rendererThread() { return *Globals<RendererThread>::impl(); }

const char* const SNAPSHOT_NOT_SAVED = "The picture of a closing window could not be saved";
const char* const ASKED_SNAPSHOT_NOT_SAVED = "The picture that the input script asked for could not be saved";

// What the WARNING of a snapshot that could not be saved says of its file.
const char* whyNotSaved(SaveOutcome outcome) {
    switch (outcome) {
        case SaveOutcome::NOT_WRITTEN:
            return "not written in full: the disk may be full";
        case SaveOutcome::NO_READER:
            return "a FIFO that no program reads";
        default:
            return "not writable";
    }
}

// The folder that BRINDLEWOOD_SNAPSHOTS names, or null: closing windows then save nothing.
const char* snapshotFolder() {
    const char* folder = std::getenv("BRINDLEWOOD_SNAPSHOTS");
    return folder && *folder ? folder : nullptr;
}

RendererStatics& state() { return *Globals<RendererStatics>::impl(); }

// Whether a batch holds runs of plain pixels alone: no caller waits on any of it.
bool onlyPlainPixels(const std::vector<DaemonCommand>& batch) {
    return std::all_of(batch.begin(), batch.end(), [](const DaemonCommand& command) {
        return std::holds_alternative<command::PlainPixels>(command.action);
    });
}

}  // namespace

void Renderer::start() {
    RendererThread& r = rendererThread();
    std::lock_guard<std::mutex> guard(r.mutex);
    if (r.started) return;
    handleEndingSignals(snapshotFolder() != nullptr);
    r.thread = std::thread(run);
    r.started = true;
}

bool Renderer::waitUntilPlatformReady() {
    RendererThread& r = rendererThread();
    std::unique_lock<std::mutex> guard(r.mutex);
    if (!r.started) return false;
    r.stateChanged.wait(guard, [&r] { return r.platformReady; });
    return true;
}

void Renderer::waitUntilRunning() {
    RendererThread& r = rendererThread();
    std::unique_lock<std::mutex> guard(r.mutex);
    r.stateChanged.wait(guard, [&r] { return r.running || r.stopRequested; });
}

bool Renderer::onRendererThread() {
    RendererThread& r = rendererThread();
    std::lock_guard<std::mutex> guard(r.mutex);
    return r.started && r.thread.get_id() == std::this_thread::get_id();
}

bool Renderer::isRunning() {
    RendererThread& r = rendererThread();
    std::lock_guard<std::mutex> guard(r.mutex);
    return r.started && !r.stopped;
}

platform::InputSource Renderer::inputSource() { return state().inputsource; }

bool Renderer::isAwaited() { return rendererThread().stopRequested || CommandQueue::isDestructionQueued(); }

void Renderer::stopAtExit(int status, void*) {
    RendererThread& r = rendererThread();
    // A dependency may end the process from the renderer itself (no display): nothing to join then.
    if (onRendererThread()) return;
    r.stopRequested = true;
    r.stateChanged.notify_all();
    std::unique_lock<std::mutex> guard(r.mutex);
    const bool left = r.stateChanged.wait_for(guard, STOP_WAIT, [&r] { return r.loopLeft; });
    r.stopped = true;
    guard.unlock();
    if (left) {
        r.thread.join();
        return;
    }
    WARNING("The renderer did not stop in time; the program ends without waiting for it");
    // The platform's and the driver's exit handlers, next, would tear down what the renderer may
    // still be using, and crash: end here, with what the program wrote.
    std::fflush(nullptr);
    _exit(status);
}

void Renderer::run() {
    pthread_setname_np(pthread_self(), "brindlewood");  // so the renderer is easy to find in a debugger
    prepareRendererForSignals();
    static Input input;
    platform::windowSystem().start(input, snapshotFolder() != nullptr);
    state().inputsource = platform::windowSystem().inputSource();
    publishScriptProgress();
    RendererThread& r = rendererThread();
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.platformReady = true;
    }
    r.stateChanged.notify_all();

    // Until the first window exists the platform has nothing to process: run commands here.
    std::vector<DaemonCommand>& batch = state().batch;
    bool windowCreated = false;
    while (!windowCreated) {
        if (r.stopRequested) {
            CommandQueue::closeQueue();
            leaveLoop();
            return;
        }
        CommandQueue::takeAll(batch, state().pixels);
        for (DaemonCommand& command : batch) {
            windowCreated = windowCreated || std::holds_alternative<command::CreateWindow>(command.action);
            execute(command);
        }
        endBatch();
        answerEndingSignal();
        if (!windowCreated) CommandQueue::waitForCommands(IDLE_WAIT);
    }
    // Exit handlers run in reverse order of registration: registered only now, after the platform
    // and the GL driver have registered theirs, stopping the renderer comes before their teardown.
    // The driver's shader compiler registers its own on first use, so make it compile first.
    warmUpDriver();
    on_exit(stopAtExit, nullptr);
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.running = true;
    }
    r.stateChanged.notify_all();
    // Our own main loop rather than the platform's, which ends by itself when the last window is
    // destroyed: a program may close its only window and open another. It ends at process exit.
    while (!r.stopRequested) {
        platform::windowSystem().pumpEvents();
        idle();
        answerEndingSignal();
    }
    saveOpenWindowsSnapshots();
    platform::windowSystem().endScript();
    // Nothing more is drawn; the platform and the driver are left as they are for the process's end
    // to release (tearing them down here raced the driver's own exit handlers).
    CommandQueue::closeQueue();
    leaveLoop();
}

void Renderer::leaveLoop() {
    stopAnsweringSignals();
    RendererThread& r = rendererThread();
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.loopLeft = true;
    }
    r.stateChanged.notify_all();
}

void Renderer::warmUpDriver() {
    glBegin(GL_TRIANGLES);
    glVertex2i(0, 0);
    glVertex2i(1, 0);
    glVertex2i(0, 1);
    glEnd();
    glBegin(GL_LINES);
    glVertex2i(0, 0);
    glVertex2i(1, 1);
    glEnd();
    glFinish();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

void Renderer::idle() {
    // While producers keep queueing, go on executing for up to one slice before the platform's next
    // turn: polling the X connection between every two commands would cost more than drawing them.
    const Clock::time_point sliceEnd = Clock::now() + IDLE_WAIT;
    std::vector<DaemonCommand>& batch = state().batch;
    bool executed = false;
    bool caughtUp = false;
    while (!caughtUp) {
        CommandQueue::takeAll(batch, state().pixels);
        caughtUp = batch.empty();
        for (DaemonCommand& command : batch) execute(command);
        executed = executed || !caughtUp;
        if (!caughtUp && state().pixels.size() < PIXELS_WORTH_A_TAKE && onlyPlainPixels(batch))
            std::this_thread::sleep_for(PIXEL_GATHER);
        if (Clock::now() >= sliceEnd) break;
    }
    endBatch();  // before the swaps and the platform's turn
    const std::chrono::microseconds untilNextFrame = presentFrames(caughtUp);
    const std::chrono::microseconds untilNextTick = fireDueTimers();
    // With nothing to do, sleep until a producer appends (or the next frame, tick or input is due)
    // instead of spinning.
    if (!executed) CommandQueue::waitForCommands(std::min({untilNextFrame, untilNextTick, IDLE_WAIT}));
}

std::chrono::microseconds Renderer::presentFrames(bool caughtUp) {
    RendererStatics& s = state();
    const Clock::time_point now = Clock::now();
    std::chrono::microseconds untilNext = IDLE_WAIT;
    for (auto& [window, record] : s.records) {
        RendererStatics::Frame& frame = record.frame;
        if (!frame.pending) continue;
        // At most one swap a frame. While more drawing is queued, a swap would only slow it: the
        // frame waits until the renderer has caught up, or until its first drawing is a frame old.
        const auto due = caughtUp ? frame.lastSwap + FRAME : std::max(frame.lastSwap, frame.drawnSince) + FRAME;
        if (now >= due) {
            showFrame(record, now);
        } else {
            untilNext = std::min(untilNext, std::chrono::duration_cast<std::chrono::microseconds>(due - now));
        }
    }
    return untilNext;
}

void Renderer::showFrame(RendererStatics::RendererWindow& window, Clock::time_point now) {
    drawPendingPixels(window);
    platform::windowSystem().makeCurrent(window.platformid);
    platform::windowSystem().swap();
    window.frame.pending = false;
    window.frame.lastSwap = now;
}

bool Renderer::playScriptedInput(const command::PlayScriptedInput& c, Window* w,
                                 RendererStatics::RendererWindow& window) {
    if (c.tickWillDo && hasTimerRunning(w)) return false;
    if (window.frame.pending) showFrame(window, Clock::now());
    // A window in full screen is still its own: the one the program made, with its lines.
    const platform::WindowId id = window.windowedid != 0 ? window.windowedid : window.platformid;
    // The line may close the window, and its record with it.
    const bool played = platform::windowSystem().deliverScriptedInput(id, window.number, c.waiting);
    publishScriptProgress();
    return played;
}

void Renderer::requestRedisplay(RendererStatics::RendererWindow& window) {
    RendererStatics::Frame& frame = window.frame;
    if (!window.autoflip || frame.pending) return;
    frame.pending = true;
    frame.drawnSince = Clock::now();
}

void Renderer::Input::exposed(platform::WindowId id, bool damaged) {
    RendererStatics::RendererWindow* window = recordOf(windowOf(id));
    if (!window) return;
    drawPendingPixels(*window);
    if (window->autoflip) platform::windowSystem().swap();
    if (damaged) platform::windowSystem().swap();
    sched_yield();
}

void Renderer::Input::reshaped(platform::WindowId id, int width, int height) {
    Window* w = windowOf(id);
    if (!w) return;
    takeSize(w, width, height);
    platform::windowSystem().requestExpose();
}

void Renderer::takeSize(Window* w, int width, int height) {
    RendererStatics::RendererWindow& window = *recordOf(w);
    RendererStatics::Frame& frame = window.frame;
    w->_setWindowSize(width, height);
    window.width = width;
    window.height = height;
    // The platform also reports unchanged sizes (when the window is mapped, or after resizeNow);
    // only a real change (or the first report) clears, so drawing made meanwhile is not lost.
    if (frame.width != width || frame.height != height) {
        frame.width = width;
        frame.height = height;
        window.pending = PendingPixels();  // clearing drops them with the rest
        reshapeWindow(width, height);
    }
}

void Renderer::resizeNow(Window* w, int width, int height) {
    // The platform would resize the X window on its next turn and report the size later still,
    // clearing whatever was drawn in between. Resize it now, in queue order, and clear now: the
    // platform's later report of the same size then changes nothing.
    platform::windowSystem().resize(width, height);
    takeSize(w, width, height);
}

void Renderer::reshapeWindow(int width, int height) {
    glViewport(0, 0, width, height);
    glLoadIdentity();
    gluOrtho2D(0, width, 0, height);
    glTranslatef(0, static_cast<GLfloat>(height), 0);
    glScalef(1, -1, 1);
    // Integer coordinates lie on pixel corners; a point or line exactly there lights a pixel that
    // depends on the driver. This offset makes pixel (x, y) light pixel (x, y) on every driver,
    // while filled shapes keep their coverage.
    glTranslatef(0.375f, 0.375f, 0);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    platform::windowSystem().swap();
}

Window* Renderer::windowOf(platform::WindowId id) {
    RendererStatics& s = state();
    auto found = s.windows.find(id);
    return found == s.windows.end() ? nullptr : found->second;
}

RendererStatics::RendererWindow* Renderer::recordOf(Window* w) {
    RendererStatics& s = state();
    auto found = s.records.find(w);
    return found == s.records.end() ? nullptr : &found->second;
}

void Renderer::makeCurrent(RendererStatics::RendererWindow& window) {
    platform::Platform& platform = platform::windowSystem();
    if (platform.currentWindow() == window.platformid) return;
    endBatch();  // a glBegin belongs to the context it was made in
    platform.makeCurrent(window.platformid);
}

void Renderer::createWindow(const command::CreateWindow& c, Window* w) {
    RendererStatics& s = state();
    platform::Platform& platform = platform::windowSystem();
    // Full screen may be refused (Xvfb cannot change its screen): the window opens windowed then.
    platform::WindowId id = c.fullScreen ? platform.enterFullScreen(c.width, c.height, c.depth, c.refresh) : 0;
    if (c.fullScreen && id == 0) WARNING("Could not enter full-screen mode: the window opens as a plain window");
    const bool inGameMode = id != 0;
    const bool positioned = c.x != ANY_POSITION && c.y != ANY_POSITION;
    if (!inGameMode) id = platform.openWindow(c.x, c.y, positioned, c.width, c.height, c.title);
    RendererStatics::RendererWindow& record = s.records[w];
    record.number = ++s.windowsCreated;
    platform.windowMade(record.number, c.title);
    record.platformid = id;
    record.fullscreen = inGameMode;
    record.width = c.width;
    record.height = c.height;
    s.windows[id] = w;
    // Set up and cleared now, in queue order: the drawing queued right after the constructor comes
    // next, and the platform's later first report of this same size then changes nothing.
    takeSize(w, c.width, c.height);
    platform.requestExpose();
}

void Renderer::forgetWindow(Window* w) {
    RendererStatics& s = state();
    auto record = s.records.find(w);
    if (record == s.records.end()) return;
    s.windows.erase(record->second.platformid);
    ImageInstance::forgetContext(record->second.platformid);
    s.records.erase(record);
    stopTimersOf(w);
}

void Renderer::saveSnapshot(RendererStatics::RendererWindow& window, const std::string& name, const char* notSaved) {
    const char* folder = snapshotFolder();
    if (!folder) return;
    makeCurrent(window);
    if (window.frame.pending) showFrame(window, Clock::now());
    const std::string path = (std::filesystem::path(folder) / name).string();
    std::vector<unsigned char> pixels = platform::windowSystem().shownPixels(window.width, window.height);
    if (pixels.empty()) {
        WARNING(notSaved, diagnostics::aboutFile(path, "the window system gave no picture"));
        return;
    }
    std::error_code ignored;  // a folder that cannot be made cannot be written: the save says so
    std::filesystem::create_directories(folder, ignored);
    const SaveOutcome outcome = ImageInstance::pngsaveTopFirst(
        path, static_cast<unsigned short>(window.width), static_cast<unsigned short>(window.height), pixels.data());
    if (outcome != SaveOutcome::SAVED) WARNING(notSaved, diagnostics::aboutFile(path, whyNotSaved(outcome)));
}

void Renderer::saveClosingSnapshot(RendererStatics::RendererWindow& window) {
    saveSnapshot(window, "window-" + std::to_string(window.number) + ".png", SNAPSHOT_NOT_SAVED);
}

void Renderer::Input::snapshot() {
    for (auto& [w, record] : state().records) {
        const std::string name =
            "window-" + std::to_string(record.number) + "-" + std::to_string(++record.snapshots) + ".png";
        saveSnapshot(record, name, ASKED_SNAPSHOT_NOT_SAVED);
    }
}

void Renderer::saveOpenWindowsSnapshots() {
    if (!snapshotFolder()) return;
    std::vector<DaemonCommand>& batch = state().batch;
    CommandQueue::takeAll(batch, state().pixels);
    for (DaemonCommand& command : batch) execute(command);
    endBatch();
    for (auto& [window, record] : state().records) saveClosingSnapshot(record);
}

void Renderer::destroyWindow(Window* w) {
    RendererStatics& s = state();
    RendererStatics::RendererWindow& record = *recordOf(w);
    saveClosingSnapshot(record);
    if (record.fullscreen) {
        s.windows.erase(record.platformid);
        ImageInstance::forgetContext(record.platformid);
        platform::windowSystem().leaveFullScreen();
        if (record.windowedid != 0) record.platformid = record.windowedid;
    }
    const int id = record.platformid;
    // A window born full screen has no other platform window: leaving full screen closed it.
    const bool exists = s.windows.count(id) != 0;
    forgetWindow(w);
    if (exists) platform::windowSystem().closeWindow(id);
}

void Renderer::Input::closed(platform::WindowId id) {
    // A window that we destroy ourselves has been forgotten already.
    Window* w = windowOf(id);
    if (!w) return;
    saveClosingSnapshot(*recordOf(w));
    markClosed(w);
}

void Renderer::markClosed(Window* w) {
    forgetWindow(w);
    w->shared->events.close();
}

// Each kind of command but CreateWindow and Draw, for a window that is open.
struct Renderer::Execution {
    Window* w;
    RendererStatics::RendererWindow& record;

    // Executed by execute itself.
    void operator()(const command::CreateWindow&) {}
    void operator()(const command::Draw&) {}
    void operator()(const command::PlainPixels&) {}
    void operator()(const command::DestroyWindow&) {
        destroyWindow(w);
        CommandQueue::destructionDone();
        w->shared->destroyedsignal.signal();
    }
    void operator()(const command::ShowWindow& c) {
        makeCurrent(record);
        platform::windowSystem().show(c.shown);
    }
    void operator()(const command::SetTitle& c) {
        makeCurrent(record);
        platform::windowSystem().setTitle(c.title);
    }
    void operator()(const command::Resize& c) {
        makeCurrent(record);
        resizeNow(w, c.width, c.height);
    }
    void operator()(const command::SetPosition& c) {
        makeCurrent(record);
        platform::windowSystem().move(c.x, c.y);
        requestRedisplay(record);
    }
    void operator()(const command::GetPosition& c) {
        makeCurrent(record);
        ScreenPosition position;
        platform::windowSystem().position(position.x, position.y);
        c.reply->put(position);
    }
    void operator()(const command::StartTimer& c) { armTimer(w, c.id, c.interval, c.repeating); }
    void operator()(const command::StopTimer& c) { state().timers.erase(c.id); }
    void operator()(const command::SetAntialiasing& c) { record.antialias = c.on; }
    void operator()(const command::SetAutoPageFlip& c) {
        // What was drawn with it on reaches the screen now; what is drawn after, only with a flip.
        if (!c.on && record.frame.pending) showFrame(record, Clock::now());
        record.autoflip = c.on;
    }
    void operator()(const command::EnableFullScreen& c) {
        if (record.fullscreen) return;
        const platform::WindowId gameId =
            platform::windowSystem().enterFullScreen(w->getWidth(), w->getHeight(), c.depth, c.refresh);
        if (gameId == 0) {
            WARNING("Could not enter full-screen mode: the window stays a plain window");
            return;
        }
        // The game-mode window, with a context of its own, stands in for the window until full
        // screen ends.
        record.fullscreen = true;
        record.windowedid = record.platformid;
        record.platformid = gameId;
        record.appliedKnown = false;
        state().windows[gameId] = w;
    }
    void operator()(const command::DisableFullScreen&) {
        if (!record.fullscreen || record.windowedid == 0) return;  // born full screen: stays
        record.fullscreen = false;
        state().windows.erase(record.platformid);
        ImageInstance::forgetContext(record.platformid);
        platform::windowSystem().leaveFullScreen();
        record.platformid = record.windowedid;
        record.windowedid = 0;
        record.appliedKnown = false;
    }
    void operator()(const command::FlipPage&) {
        makeCurrent(record);
        platform::windowSystem().swap();
        platform::windowSystem().requestExpose();
    }
    void operator()(const command::IgnoreKeyRepeat& c) {
        makeCurrent(record);
        platform::windowSystem().ignoreKeyRepeat(c.ignore);
    }
    void operator()(const command::PlayScriptedInput& c) { c.reply->put(playScriptedInput(c, w, record)); }
    void operator()(const command::DrawText& c) {
        makeCurrent(record);
        applyState(record, stateFor(record, c.style, true));  // stroke fonts are lines
        setColor(c.style.getColor());
        // Text changes no state that styles set: the next primitive finds the context as known.
        FontInstance::drawText(c.font, w, c.x, c.y, &c.text, c.transformed ? &c.transform : nullptr);
        requestRedisplay(record);
    }
    void operator()(const command::DrawImage& c) {
        makeCurrent(record);
        if (c.transformed) {
            endBatch();
            applyState(record, DrawState());
            ImageInstance::drawImage(c.image, c.x, c.y, c.transform);
            record.appliedKnown = false;
        } else {
            ImageInstance::drawImage(c.image, c.x, c.y, record);
        }
        requestRedisplay(record);
        // Window raised the count so the picture outlived the queue; drop that reference.
        ImageInstance::releaseImageHandle(c.image);
    }
    void operator()(const command::CreateImage& c) {
        makeCurrent(record);
        const int handle = ImageInstance::createImage(w->getWidth(), w->getHeight(), c.x, c.y, c.width, c.height);
        c.reply->put(Image(handle, c.width, c.height, Image::SCREEN));
    }
    void operator()(const command::CopyRegion& c) {
        makeCurrent(record);
        applyState(record, DrawState());  // copied pixels pass through logic ops and blending
        copyRegion(w, c.x, c.y, c.destX, c.destY, c.width, c.height);
        requestRedisplay(record);
    }
    void operator()(const command::ReadPixel& c) {
        makeCurrent(record);
        c.reply->put(readPixel(w, c.x, c.y));
    }
    void operator()(const command::Clear& c) {
        makeCurrent(record);
        const Color& color = c.color;
        glClearColor(color.getRed() / 255.0f, color.getGreen() / 255.0f, color.getBlue() / 255.0f,
                     color.getAlpha() / 255.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        requestRedisplay(record);
    }
};

void Renderer::answerForClosedWindow(DaemonCommand& c) {
    Window* w = c.window;
    std::visit(
        [w](const auto& a) {
            using Kind = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<Kind, command::DestroyWindow>) {
                CommandQueue::destructionDone();
                w->shared->destroyedsignal.signal();
            } else if constexpr (std::is_same_v<Kind, command::GetPosition>) {
                a.reply->put(ScreenPosition{});
            } else if constexpr (std::is_same_v<Kind, command::PlayScriptedInput>) {
                a.reply->put(false);
            } else if constexpr (std::is_same_v<Kind, command::ReadPixel>) {
                a.reply->put(Color::WHITE);
            } else if constexpr (std::is_same_v<Kind, command::CreateImage>) {
                a.reply->put(
                    Image(ImageInstance::createEditableImage(a.width, a.height), a.width, a.height, Image::SCREEN));
            } else if constexpr (std::is_same_v<Kind, command::DrawImage>) {
                ImageInstance::releaseImageHandle(
                    a.image);  // Window raised the count for the queue; nothing draws it now
            }
        },
        c.action);
}

void Renderer::execute(DaemonCommand& c) {
    Window* w = c.window;
    // Every window's first command creates it; a window unknown after that has been closed.
    if (const auto* create = std::get_if<command::CreateWindow>(&c.action)) {
        endBatch();
        createWindow(*create, w);
        return;
    }
    RendererStatics::RendererWindow* record = recordOf(w);
    if (!record) {
        answerForClosedWindow(c);
        return;
    }
    // The common cases first: plain pixels, or a primitive, which may join the run being drawn.
    if (const auto* run = std::get_if<command::PlainPixels>(&c.action)) {
        drawPlainPixels(*run, *record);
        requestRedisplay(*record);
        return;
    }
    // Whatever else comes for the window comes after the plain pixels before it.
    drawPendingPixels(*record);
    if (const auto* primitive = std::get_if<command::Draw>(&c.action)) {
        draw(*primitive, *record);
        requestRedisplay(*record);
        return;
    }
    // Only primitives may join the run being drawn, and a plain picture the run of its own quads.
    if (!std::holds_alternative<command::DrawImage>(c.action)) endBatch();
    std::visit(Execution{w, *record}, c.action);
}
