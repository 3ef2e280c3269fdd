// The renderer: the one thread that owns freeglut and every OpenGL call. It drains the command
// queue in the toolkit's idle turn, executes each command in handleCommand, and paces page flips
// to the display rate. At process exit it leaves the toolkit's loop and is joined.
#include "GLUTImp.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "Daemon.h"
#include "Diagnostics.h"
#include "FontInstance.h"
#include "Globals.h"
#include "ImageInstance.h"
#include "Transform.h"
#include "Window.h"
#include "WindowState.h"
#include "WindowSystem.h"

namespace {

using Clock = std::chrono::steady_clock;

// Where the window system chooses the position.
constexpr int ANY_POSITION = 2147483647;
// Drawing reaches the screen at most once per frame, within one frame of being drawn.
constexpr auto FRAME = std::chrono::microseconds(16000);
// With nothing to do, the idle turn sleeps this long at most, so input and timers stay prompt.
constexpr auto IDLE_WAIT = std::chrono::microseconds(2000);
// How long the exit handler waits for the renderer to stop. It normally takes a few milliseconds;
// a renderer that cannot stop (it waits for a lock held by the thread that is exiting) is left
// behind rather than hanging the exit.
constexpr auto STOP_WAIT = std::chrono::seconds(5);

// The renderer thread's life, shared with the user threads that start, query and stop it.
struct RendererThread {
    std::mutex mutex;
    std::condition_variable stateChanged;
    bool started = false;       // the thread exists
    bool toolkitReady = false;  // glutInit has run
    bool running = false;       // the first window exists and the exit handler is registered
    std::atomic<bool> stopRequested{false};
    bool loopLeft = false;  // the renderer has left its loop and drawn its last
    std::atomic<bool> stopped{false};
    std::thread thread;
};

RendererThread& rendererThread() { return *Globals<RendererThread>::impl(); }

GLUTImpStatics& state() { return *Globals<GLUTImpStatics>::impl(); }

Transform takeTransform(DaemonCommand& c) {
    const double rotation = c.removeArgument() / Transform::SCALE;
    const double scaleX = c.removeArgument() / Transform::SCALE;
    const double scaleY = c.removeArgument() / Transform::SCALE;
    return Transform(rotation, scaleX, scaleY);
}

}  // namespace

GLUTImp::GLUTImp() {
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
    RendererThread& r = rendererThread();
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.thread = std::thread(start_glut, nullptr);
        r.started = true;
    }
}

bool GLUTImp::waitUntilToolkitReady() {
    RendererThread& r = rendererThread();
    std::unique_lock<std::mutex> guard(r.mutex);
    if (!r.started) return false;
    r.stateChanged.wait(guard, [&r] { return r.toolkitReady; });
    return true;
}

void GLUTImp::waitUntilRunning() {
    RendererThread& r = rendererThread();
    std::unique_lock<std::mutex> guard(r.mutex);
    r.stateChanged.wait(guard, [&r] { return r.running || r.stopRequested; });
}

bool GLUTImp::onRendererThread() {
    RendererThread& r = rendererThread();
    std::lock_guard<std::mutex> guard(r.mutex);
    return r.started && r.thread.get_id() == std::this_thread::get_id();
}

bool GLUTImp::isRunning() {
    RendererThread& r = rendererThread();
    std::lock_guard<std::mutex> guard(r.mutex);
    return r.started && !r.stopped;
}

bool GLUTImp::isAwaited() { return rendererThread().stopRequested || isDestructionQueued(); }

void GLUTImp::stopAtExit(int status, void*) {
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
    // The toolkit's and the driver's exit handlers, next, would tear down what the renderer may
    // still be using, and crash: end here, with what the program wrote.
    std::fflush(nullptr);
    _exit(status);
}

void* GLUTImp::start_glut(void*) {
    pthread_setname_np(pthread_self(), "brindlewood");  // so the renderer is easy to find in a debugger
    int argc = 1;
    char name[] = "brindlewood";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    // A window closed by the user must not end the program from this thread: closed() marks it.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    windowsystem::takeOverErrorHandling();
    RendererThread& r = rendererThread();
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.toolkitReady = true;
    }
    r.stateChanged.notify_all();

    // Until the first window exists the toolkit has nothing to process: run commands here.
    std::vector<DaemonCommand>& batch = state().batch;
    bool windowCreated = false;
    while (!windowCreated) {
        if (r.stopRequested) {
            closeQueue();
            leaveLoop();
            return nullptr;
        }
        takeAll(batch);
        for (DaemonCommand& command : batch) {
            windowCreated = windowCreated || command.type() == DaemonCommand::CREATE_WINDOW;
            handleCommand(command);
        }
        endBatch();
        if (!windowCreated) waitForCommands(IDLE_WAIT);
    }
    // Exit handlers run in reverse order of registration: registered only now, after the toolkit
    // and the GL driver have registered theirs, stopping the renderer comes before their teardown.
    // The driver's shader compiler registers its own on first use, so make it compile first.
    warmUpDriver();
    on_exit(stopAtExit, nullptr);
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.running = true;
    }
    r.stateChanged.notify_all();
    // Our own main loop rather than glutMainLoop, which ends by itself when the last window is
    // destroyed: a program may close its only window and open another. It ends at process exit.
    while (!r.stopRequested) {
        closeWindowsDestroyedElsewhere();
        glutMainLoopEvent();
        idle();
    }
    // Nothing more is drawn; the toolkit and the driver are left as they are for the process's end
    // to release (tearing them down here raced the driver's own exit handlers).
    closeQueue();
    leaveLoop();
    return nullptr;
}

void GLUTImp::leaveLoop() {
    RendererThread& r = rendererThread();
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.loopLeft = true;
    }
    r.stateChanged.notify_all();
}

void GLUTImp::warmUpDriver() {
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

void GLUTImp::setCallbacks() {
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutPassiveMotionFunc(passivemotion);
    glutEntryFunc(entry);
    glutKeyboardUpFunc(keyboardup);
    glutSpecialUpFunc(specialup);
    glutCloseFunc(closed);
}

void GLUTImp::idle() {
    // While producers keep queueing, go on executing for up to one slice before the toolkit's next
    // turn: polling the X connection between every two commands would cost more than drawing them.
    const Clock::time_point sliceEnd = Clock::now() + IDLE_WAIT;
    std::vector<DaemonCommand>& batch = state().batch;
    bool executed = false;
    bool caughtUp = false;
    while (!caughtUp) {
        takeAll(batch);
        caughtUp = batch.empty();
        for (DaemonCommand& command : batch) handleCommand(command);
        executed = executed || !caughtUp;
        if (Clock::now() >= sliceEnd) break;
    }
    endBatch();  // before the swaps and the toolkit's turn
    const std::chrono::microseconds untilNextFrame = presentFrames(caughtUp);
    const std::chrono::microseconds untilNextTick = fireDueTimers();
    // With nothing to do, sleep until a producer appends (or the next frame, tick or input is due)
    // instead of spinning.
    if (!executed) waitForCommands(std::min({untilNextFrame, untilNextTick, IDLE_WAIT}));
}

std::chrono::microseconds GLUTImp::presentFrames(bool caughtUp) {
    GLUTImpStatics& s = state();
    const Clock::time_point now = Clock::now();
    std::chrono::microseconds untilNext = IDLE_WAIT;
    for (auto& [window, record] : s.records) {
        GLUTImpStatics::Frame& frame = record.frame;
        if (!frame.pending) continue;
        // At most one swap a frame. While more drawing is queued, a swap would only slow it: the
        // frame waits until the renderer has caught up, or until its first drawing is a frame old.
        const auto due = caughtUp ? frame.lastSwap + FRAME : std::max(frame.lastSwap, frame.drawnSince) + FRAME;
        if (now >= due) {
            glutSetWindow(record.glutid);
            glutSwapBuffers();
            frame.pending = false;
            frame.lastSwap = now;
        } else {
            untilNext = std::min(untilNext, std::chrono::duration_cast<std::chrono::microseconds>(due - now));
        }
    }
    return untilNext;
}

void GLUTImp::requestRedisplay(GLUTImpStatics::RendererWindow& window) {
    GLUTImpStatics::Frame& frame = window.frame;
    if (!window.autoflip || frame.pending) return;
    frame.pending = true;
    frame.drawnSince = Clock::now();
}

void GLUTImp::display() {
    GLUTImpStatics::RendererWindow* window = recordOf(currentWindow());
    if (!window) return;
    if (window->autoflip) glutSwapBuffers();
    if (glutLayerGet(GLUT_NORMAL_DAMAGED) != 0) glutSwapBuffers();
    sched_yield();
}

void GLUTImp::reshape(int width, int height) {
    Window* w = currentWindow();
    if (!w) return;
    takeSize(w, width, height);
    glutPostRedisplay();
}

void GLUTImp::takeSize(Window* w, int width, int height) {
    GLUTImpStatics::RendererWindow& window = *recordOf(w);
    GLUTImpStatics::Frame& frame = window.frame;
    w->_setWindowSize(width, height);
    window.width = width;
    window.height = height;
    // The toolkit also reports unchanged sizes (when the window is mapped, or after resizeNow);
    // only a real change (or the first report) clears, so drawing made meanwhile is not lost.
    if (frame.width != width || frame.height != height) {
        frame.width = width;
        frame.height = height;
        reshapeWindow(width, height);
    }
}

void GLUTImp::resizeNow(Window* w, int width, int height) {
    // The toolkit would resize the X window on its next turn and report the size later still,
    // clearing whatever was drawn in between. Resize it now, in queue order, and clear now: the
    // toolkit's later report of the same size then changes nothing.
    glutReshapeWindow(width, height);
    windowsystem::resizeCurrentWindow(width, height);
    // The GL driver learns a window's new size when it swaps; until then it would clear the old
    // buffers, and then replace them by black ones of the new size.
    glutSwapBuffers();
    takeSize(w, width, height);
}

void GLUTImp::reshapeWindow(int width, int height) {
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
    glutSwapBuffers();
}

Window* GLUTImp::currentWindow() {
    GLUTImpStatics& s = state();
    auto found = s.windows.find(glutGetWindow());
    return found == s.windows.end() ? nullptr : found->second;
}

GLUTImpStatics::RendererWindow* GLUTImp::recordOf(Window* w) {
    GLUTImpStatics& s = state();
    auto found = s.records.find(w);
    return found == s.records.end() ? nullptr : &found->second;
}

void GLUTImp::makeCurrent(GLUTImpStatics::RendererWindow& window) {
    if (glutGetWindow() == window.glutid) return;
    endBatch();  // a glBegin belongs to the context it was made in
    glutSetWindow(window.glutid);
}

void GLUTImp::createWindow(DaemonCommand& c, Window* w) {
    GLUTImpStatics& s = state();
    const std::string title = c.getString();
    const int x = c.removeArgument(), y = c.removeArgument();
    const int width = c.removeArgument(), height = c.removeArgument();
    const bool fullScreen = c.removeArgument() != 0;
    const int depth = c.removeArgument(), rate = c.removeArgument();
    // Game mode may be refused (Xvfb cannot change its screen): the window opens windowed then.
    int id = fullScreen ? enableFullscreen(width, height, depth, rate) : 0;
    if (fullScreen && id <= 0) WARNING("Could not enter full-screen mode: the window opens as a plain window");
    const bool inGameMode = id > 0;
    if (!inGameMode) {
        // Created at its final size and place, so the toolkit reports no interim size.
        glutInitWindowSize(width, height);
        if (x != ANY_POSITION && y != ANY_POSITION)
            glutInitWindowPosition(x, y);
        else
            glutInitWindowPosition(-1, -1);
        id = glutCreateWindow(title.c_str());
        s.watched[windowsystem::watchCurrentWindow()] = id;
    }
    GLUTImpStatics::RendererWindow& record = s.records[w];
    record.glutid = id;
    record.fullscreen = inGameMode;
    record.width = width;
    record.height = height;
    s.windows[id] = w;
    setCallbacks();
    // Set up and cleared now, in queue order: the drawing queued right after the constructor comes
    // next, and the toolkit's later first report of this same size then changes nothing.
    takeSize(w, width, height);
    glutReshapeWindow(width, height);
    if (x != ANY_POSITION && y != ANY_POSITION) glutPositionWindow(x, y);
    glutPostRedisplay();
}

void GLUTImp::forgetWindow(Window* w) {
    GLUTImpStatics& s = state();
    auto record = s.records.find(w);
    if (record == s.records.end()) return;
    s.windows.erase(record->second.glutid);
    s.records.erase(record);
    stopTimersOf(w);
}

void GLUTImp::destroyWindow(Window* w) {
    GLUTImpStatics& s = state();
    GLUTImpStatics::RendererWindow& record = *recordOf(w);
    if (record.fullscreen) {
        s.windows.erase(record.glutid);
        disableFullscreen();
        if (record.windowedid != 0) record.glutid = record.windowedid;
    }
    const int id = record.glutid;
    // A window born in game mode has no other toolkit window: leaving game mode closed it.
    const bool exists = s.windows.count(id) != 0;
    // Forgotten first, so the toolkit's close callback for it finds nothing to report.
    forgetWindow(w);
    if (exists) {
        // Let go of the window's drawable before it goes: a context left current on a destroyed
        // window makes the driver query it later, an X error in the next window's creation.
        windowsystem::releaseCurrentDrawable();
        glutDestroyWindow(id);
    }
}

void GLUTImp::closed() {
    Window* w = currentWindow();
    // A window that we destroy ourselves has been forgotten already.
    if (!w) return;
    windowsystem::releaseCurrentDrawable();
    markClosed(w);
}

void GLUTImp::markClosed(Window* w) {
    forgetWindow(w);
    w->shared->events.close();
}

void GLUTImp::closeWindowsDestroyedElsewhere() {
    GLUTImpStatics& s = state();
    for (windowsystem::WindowId gone : windowsystem::takeDestroyedWindows()) {
        auto watched = s.watched.find(gone);
        if (watched == s.watched.end()) continue;
        const int id = watched->second;
        s.watched.erase(watched);
        auto window = s.windows.find(id);
        if (window == s.windows.end()) continue;  // destroyed by us
        windowsystem::releaseCurrentDrawable();
        markClosed(window->second);
        // The toolkit still keeps its record of the window; its own destroy request will fail
        // quietly, since errors about a window known gone are expected.
        glutDestroyWindow(id);
    }
}

void GLUTImp::answerForClosedWindow(DaemonCommand& c, Window* w) {
    switch (c.type()) {
        case DaemonCommand::DESTROY_WINDOW:
            destructionDone();
            w->shared->destroyedsignal.signal();
            break;
        case DaemonCommand::GET_POSITION:
            c.answer(ScreenPosition{});
            break;
        case DaemonCommand::READ_PIXEL:
            c.answer(Color::WHITE);
            break;
        case DaemonCommand::CREATE_IMAGE: {
            c.removeArgument();
            c.removeArgument();
            const int width = c.removeArgument(), height = c.removeArgument();
            c.answer(Image(createEditableImage(width, height), width, height, Image::SCREEN));
            break;
        }
        case DaemonCommand::DRAW_IMAGE:
        case DaemonCommand::DRAW_IMAGE_TRANSFORMED:
            // The builder raised the picture's count for the queue; nothing draws it now.
            Daemon::releaseImageHandle(c.removeArgument());
            break;
        default:
            break;
    }
}

void GLUTImp::handleCommand(DaemonCommand& c) {
    Window* w = c.getWindow();
    if (!w) FATAL_ASSERTION("I seem to have been passed a null Window pointer");
    GLUTImpStatics& s = state();
    GLUTImpStatics::RendererWindow* record = recordOf(w);
    const DaemonCommand::DaemonCommand_t type = c.type();
    // Every window's first command creates it; a window unknown after that has been closed.
    if (type != DaemonCommand::CREATE_WINDOW && !record) {
        answerForClosedWindow(c, w);
        return;
    }
    // The common case first: a primitive, which may join the run of primitives being drawn.
    if (type >= DaemonCommand::DRAW_PIXEL && type <= DaemonCommand::DRAW_BEZIER_CURVE && type != DaemonCommand::DRAW_TEXT) {
        makeCurrent(*record);
        drawPrimitive(c, *record);
        requestRedisplay(*record);
        return;
    }
    endBatch();
    switch (type) {
        case DaemonCommand::CREATE_WINDOW:
            createWindow(c, w);
            break;
        case DaemonCommand::DESTROY_WINDOW:
            destroyWindow(w);
            destructionDone();
            w->shared->destroyedsignal.signal();
            break;
        case DaemonCommand::HIDE_WINDOW:
            makeCurrent(*record);
            glutHideWindow();
            break;
        case DaemonCommand::SHOW_WINDOW:
            makeCurrent(*record);
            glutShowWindow();
            break;
        case DaemonCommand::SET_TITLE:
            makeCurrent(*record);
            glutSetWindowTitle(c.getString().c_str());
            break;
        case DaemonCommand::RESIZE: {
            makeCurrent(*record);
            const int width = c.removeArgument();
            resizeNow(w, width, c.removeArgument());
            break;
        }
        case DaemonCommand::SET_POSITION: {
            makeCurrent(*record);
            const int x = c.removeArgument();
            glutPositionWindow(x, c.removeArgument());
            requestRedisplay(*record);
            break;
        }
        case DaemonCommand::GET_POSITION:
            makeCurrent(*record);
            c.answer(ScreenPosition{glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y)});
            break;
        case DaemonCommand::REGISTER_NEW_TIMER_EVENT:
        case DaemonCommand::START_TIMER: {
            const int interval = c.removeArgument();
            armTimer(w, c.removeArgument(), interval, type == DaemonCommand::START_TIMER);
            break;
        }
        case DaemonCommand::STOP_TIMER:
            s.timers.erase(c.removeArgument());
            break;
        case DaemonCommand::ENABLE_ANTIALIASING:
        case DaemonCommand::DISABLE_ANTIALIASING:
            record->antialias = type == DaemonCommand::ENABLE_ANTIALIASING;
            break;
        case DaemonCommand::ENABLE_AUTO_PAGE_FLIP:
        case DaemonCommand::DISABLE_AUTO_PAGE_FLIP:
            record->autoflip = type == DaemonCommand::ENABLE_AUTO_PAGE_FLIP;
            break;
        case DaemonCommand::ENABLE_FULL_SCREEN: {
            const int depth = c.removeArgument(), rate = c.removeArgument();
            if (record->fullscreen) break;
            const int gameId = enableFullscreen(w->getWidth(), w->getHeight(), depth, rate);
            if (gameId <= 0) {
                WARNING("Could not enter full-screen mode: the window stays a plain window");
                break;
            }
            // The game-mode window, with a context of its own, stands in for the window until full
            // screen ends.
            record->fullscreen = true;
            record->windowedid = record->glutid;
            record->glutid = gameId;
            record->appliedKnown = false;
            s.windows[gameId] = w;
            setCallbacks();
            break;
        }
        case DaemonCommand::DISABLE_FULL_SCREEN:
            if (!record->fullscreen || record->windowedid == 0) break;  // born full screen: stays
            record->fullscreen = false;
            s.windows.erase(record->glutid);
            disableFullscreen();
            record->glutid = record->windowedid;
            record->windowedid = 0;
            record->appliedKnown = false;
            break;
        case DaemonCommand::FLIP_PAGE:
            makeCurrent(*record);
            glutSwapBuffers();
            glutPostRedisplay();
            break;
        case DaemonCommand::DRAW_TEXT: {
            makeCurrent(*record);
            const std::string text = c.getString();
            const int x = c.removeArgument(), y = c.removeArgument(), handle = c.removeArgument();
            const bool transformed = c.countArguments() > 0;
            const Transform transform = transformed ? takeTransform(c) : Transform();
            applyState(*record, stateFor(*record, c.getStyle(), true));  // stroke fonts are lines
            setColor(c.getStyle().getColor());
            FontInstance::drawText(handle, w, x, y, &text, transformed ? &transform : nullptr);
            record->appliedKnown = false;
            requestRedisplay(*record);
            break;
        }
        case DaemonCommand::DRAW_IMAGE:
        case DaemonCommand::DRAW_IMAGE_TRANSFORMED: {
            makeCurrent(*record);
            const int handle = c.removeArgument(), x = c.removeArgument(), y = c.removeArgument();
            applyState(*record, DrawState());
            if (type == DaemonCommand::DRAW_IMAGE)
                ImageInstance::drawImage(handle, x, y);
            else
                ImageInstance::drawImage(handle, x, y, takeTransform(c));
            record->appliedKnown = false;
            requestRedisplay(*record);
            // The builder raised the count so the picture outlived the queue; drop that reference.
            Daemon::releaseImageHandle(handle);
            break;
        }
        case DaemonCommand::CREATE_IMAGE: {
            makeCurrent(*record);
            const int left = c.removeArgument(), top = c.removeArgument();
            const int width = c.removeArgument(), height = c.removeArgument();
            const int handle = ImageInstance::createImage(w->getWidth(), w->getHeight(), left, top, width, height);
            c.answer(Image(handle, width, height, Image::SCREEN));
            break;
        }
        case DaemonCommand::COPY_REGION: {
            makeCurrent(*record);
            const int sl = c.removeArgument(), st = c.removeArgument();
            const int dl = c.removeArgument(), dt = c.removeArgument();
            const int cw = c.removeArgument(), ch = c.removeArgument();
            applyState(*record, DrawState());  // copied pixels pass through logic ops and blending
            copyRegion(w, sl, st, dl, dt, cw, ch);
            requestRedisplay(*record);
            break;
        }
        case DaemonCommand::READ_PIXEL: {
            makeCurrent(*record);
            const int x = c.removeArgument();
            c.answer(readPixel(w, x, c.removeArgument()));
            break;
        }
        case DaemonCommand::IGNORE_KEY_REPEAT:
            makeCurrent(*record);
            glutIgnoreKeyRepeat(c.removeArgument());
            break;
        case DaemonCommand::CLEAR: {
            makeCurrent(*record);
            const int red = c.removeArgument(), green = c.removeArgument();
            const int blue = c.removeArgument(), alpha = c.removeArgument();
            glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, alpha / 255.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            requestRedisplay(*record);
            break;
        }
        default:
            WARNING("Renderer recieved a command that it could not process");
            break;
    }
}
