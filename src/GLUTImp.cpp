// The renderer: the one thread that owns freeglut and every OpenGL call. It drains the command
// queue in the toolkit's idle turn, executes each command in handleCommand, and paces page flips
// to the display rate. At process exit it leaves the toolkit's loop and is joined.
#include "GLUTImp.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <condition_variable>
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

namespace {

using Clock = std::chrono::steady_clock;

// Where the window system chooses the position.
constexpr int ANY_POSITION = 2147483647;
// Drawing reaches the screen at most once per frame, within one frame of being drawn.
constexpr auto FRAME = std::chrono::microseconds(16000);
// With nothing to do, the idle turn sleeps this long at most, so input and timers stay prompt.
constexpr auto IDLE_WAIT = std::chrono::microseconds(2000);

// The renderer thread's life, shared with the user threads that start, query and stop it.
struct RendererThread {
    std::mutex mutex;
    std::condition_variable stateChanged;
    bool started = false;       // the thread exists
    bool toolkitReady = false;  // glutInit has run
    bool running = false;       // the first window exists and the exit handler is registered
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> stopped{false};
    std::thread thread;
};

RendererThread& rendererThread() { return *Globals<RendererThread>::impl(); }

GLUTImpStatics& state() { return *Globals<GLUTImpStatics>::impl(); }

long key(Window* w) { return reinterpret_cast<long>(w); }

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

void GLUTImp::stopAtExit() {
    RendererThread& r = rendererThread();
    // freeglut may end the process from the renderer itself (no display): nothing to join then.
    if (onRendererThread()) return;
    r.stopRequested = true;
    r.stateChanged.notify_all();
    r.thread.join();
    std::lock_guard<std::mutex> guard(r.mutex);
    r.stopped = true;
}

void* GLUTImp::start_glut(void*) {
    pthread_setname_np(pthread_self(), "brindlewood");  // so the renderer is easy to find in a debugger
    int argc = 1;
    char name[] = "brindlewood";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    // A window closed by the user must not end the program from this thread.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    RendererThread& r = rendererThread();
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.toolkitReady = true;
    }
    r.stateChanged.notify_all();

    // Until the first window exists the toolkit has nothing to process: run commands here.
    std::deque<DaemonCommand*> batch;
    bool windowCreated = false;
    while (!windowCreated) {
        if (r.stopRequested) {
            closeQueue();
            return nullptr;
        }
        takeAll(batch);
        for (DaemonCommand* command : batch) {
            windowCreated = windowCreated || command->type() == DaemonCommand::CREATE_WINDOW;
            handleCommand(*command);
            delete command;
        }
        if (!windowCreated) waitForCommands(IDLE_WAIT);
    }
    // Exit handlers run in reverse order of registration: registered only now, after the toolkit
    // and the GL driver have registered theirs, stopping the renderer comes before their teardown.
    // The driver's shader compiler registers its own on first use, so make it compile first.
    warmUpDriver();
    std::atexit(stopAtExit);
    {
        std::lock_guard<std::mutex> guard(r.mutex);
        r.running = true;
    }
    r.stateChanged.notify_all();
    // Our own main loop rather than glutMainLoop, which ends by itself when the last window is
    // destroyed: a program may close its only window and open another. It ends at process exit.
    while (!r.stopRequested) {
        glutMainLoopEvent();
        idle();
    }
    // Nothing more is drawn; the toolkit and the driver are left as they are for the process's end
    // to release (tearing them down here raced the driver's own exit handlers).
    closeQueue();
    return nullptr;
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
}

void GLUTImp::idle() {
    // While producers keep queueing, go on executing for up to one slice before the toolkit's next
    // turn: polling the X connection between every two commands would cost more than drawing them.
    const Clock::time_point sliceEnd = Clock::now() + IDLE_WAIT;
    std::deque<DaemonCommand*>& batch = state().batch;
    bool executed = false;
    for (;;) {
        takeAll(batch);
        if (batch.empty() && executed) {
            // A throttled producer appends its next command right after we take the last one.
            sched_yield();
            takeAll(batch);
        }
        if (batch.empty()) break;
        for (DaemonCommand* command : batch) {
            handleCommand(*command);
            delete command;
        }
        executed = true;
        if (Clock::now() >= sliceEnd) break;
    }
    const std::chrono::microseconds untilNextFrame = presentFrames();
    // With nothing to do, sleep until a producer appends (or the next frame or input is due)
    // instead of spinning.
    if (!executed) waitForCommands(std::min(untilNextFrame, IDLE_WAIT));
}

std::chrono::microseconds GLUTImp::presentFrames() {
    GLUTImpStatics& s = state();
    const Clock::time_point now = Clock::now();
    std::chrono::microseconds untilNext = IDLE_WAIT;
    for (auto& [window, frame] : s.frames) {
        if (!frame.pending) continue;
        const auto due = frame.lastSwap + FRAME;
        if (now >= due) {
            glutSetWindow(s.glutids[window]);
            glutSwapBuffers();
            frame.pending = false;
            frame.lastSwap = now;
        } else {
            untilNext = std::min(untilNext, std::chrono::duration_cast<std::chrono::microseconds>(due - now));
        }
    }
    return untilNext;
}

void GLUTImp::requestRedisplay(Window* w) {
    GLUTImpStatics& s = state();
    if (s.autoflip[key(w)]) s.frames[key(w)].pending = true;
}

void GLUTImp::display() {
    Window* w = currentWindow();
    if (!w) return;
    if (state().autoflip[key(w)]) glutSwapBuffers();
    if (glutLayerGet(GLUT_NORMAL_DAMAGED) != 0) glutSwapBuffers();
    sched_yield();
}

void GLUTImp::reshape(int width, int height) {
    Window* w = currentWindow();
    if (!w) return;
    GLUTImpStatics::Frame& frame = state().frames[key(w)];
    w->_setWindowSize(width, height);
    // The toolkit also reports unchanged sizes (when the window is mapped); only a real change
    // (or the first report) clears, so drawing made meanwhile is not lost.
    if (frame.width != width || frame.height != height) {
        frame.width = width;
        frame.height = height;
        reshapeWindow(width, height);
    }
    glutPostRedisplay();
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

void GLUTImp::makeCurrent(Window* w) { glutSetWindow(state().glutids[key(w)]); }

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
    }
    s.fullscreen[key(w)] = inGameMode;
    s.glutids[key(w)] = id;
    s.antialias[key(w)] = false;
    s.autoflip[key(w)] = true;
    s.windows[id] = w;
    setCallbacks();
    glutReshapeWindow(width, height);
    if (x != ANY_POSITION && y != ANY_POSITION) glutPositionWindow(x, y);
    glutPostRedisplay();
}

void GLUTImp::destroyWindow(Window* w) {
    GLUTImpStatics& s = state();
    const long k = key(w);
    if (s.fullscreen[k]) {
        s.windows.erase(s.glutids[k]);
        disableFullscreen();
        auto windowed = s.windowedids.find(k);
        if (windowed != s.windowedids.end()) s.glutids[k] = windowed->second;
        s.windowedids.erase(k);
    }
    const int id = s.glutids[k];
    // A window born in game mode has no other toolkit window: leaving game mode closed it.
    if (s.windows.count(id)) glutDestroyWindow(id);
    // Forget the window entirely: callbacks and timers still in flight find nothing to reach.
    s.windows.erase(id);
    s.glutids.erase(k);
    s.antialias.erase(k);
    s.autoflip.erase(k);
    s.fullscreen.erase(k);
    s.frames.erase(k);
    stopTimersOf(w);
    w->destroyedsignal.signal();
}

void GLUTImp::handleCommand(DaemonCommand& c) {
    Window* w = c.getWindow();
    if (!w) FATAL_ASSERTION("I seem to have been passed a null Window pointer");
    GLUTImpStatics& s = state();
    const long k = key(w);
    switch (c.type()) {
        case DaemonCommand::CREATE_WINDOW:
            createWindow(c, w);
            break;
        case DaemonCommand::DESTROY_WINDOW:
            destroyWindow(w);
            break;
        case DaemonCommand::HIDE_WINDOW:
            makeCurrent(w);
            glutHideWindow();
            break;
        case DaemonCommand::SHOW_WINDOW:
            makeCurrent(w);
            glutShowWindow();
            break;
        case DaemonCommand::SET_TITLE:
            makeCurrent(w);
            glutSetWindowTitle(c.getString().c_str());
            break;
        case DaemonCommand::RESIZE: {
            makeCurrent(w);
            const int width = c.removeArgument();
            glutReshapeWindow(width, c.removeArgument());
            break;
        }
        case DaemonCommand::SET_POSITION: {
            makeCurrent(w);
            const int x = c.removeArgument();
            glutPositionWindow(x, c.removeArgument());
            requestRedisplay(w);
            break;
        }
        case DaemonCommand::GET_POSITION:
            makeCurrent(w);
            w->positionsignal.put(Window::Position{glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y)});
            break;
        case DaemonCommand::REGISTER_NEW_TIMER_EVENT:
        case DaemonCommand::START_TIMER: {
            const int interval = c.removeArgument();
            const int id = c.removeArgument();
            s.timerwindows[id] = w;
            s.timerstates[id] =
                c.type() == DaemonCommand::START_TIMER ? GLUTImpStatics::RUNNING : GLUTImpStatics::REGISTERED;
            s.timerintervals[id] = interval;
            glutTimerFunc(static_cast<unsigned>(interval), timer, id);
            break;
        }
        case DaemonCommand::STOP_TIMER:
            s.timerstates[c.removeArgument()] = GLUTImpStatics::STOPPED;
            break;
        case DaemonCommand::ENABLE_ANTIALIASING:
        case DaemonCommand::DISABLE_ANTIALIASING:
            s.antialias[k] = c.type() == DaemonCommand::ENABLE_ANTIALIASING;
            break;
        case DaemonCommand::ENABLE_AUTO_PAGE_FLIP:
        case DaemonCommand::DISABLE_AUTO_PAGE_FLIP:
            s.autoflip[k] = c.type() == DaemonCommand::ENABLE_AUTO_PAGE_FLIP;
            break;
        case DaemonCommand::ENABLE_FULL_SCREEN: {
            const int depth = c.removeArgument(), rate = c.removeArgument();
            if (s.fullscreen[k]) break;
            const int gameId = enableFullscreen(w->getWidth(), w->getHeight(), depth, rate);
            if (gameId <= 0) {
                WARNING("Could not enter full-screen mode: the window stays a plain window");
                break;
            }
            // The game-mode window stands in for the window until full screen ends.
            s.fullscreen[k] = true;
            s.windowedids[k] = s.glutids[k];
            s.glutids[k] = gameId;
            s.windows[gameId] = w;
            setCallbacks();
            break;
        }
        case DaemonCommand::DISABLE_FULL_SCREEN: {
            auto windowed = s.windowedids.find(k);
            if (!s.fullscreen[k] || windowed == s.windowedids.end()) break;  // born full screen: stays
            s.fullscreen[k] = false;
            s.windows.erase(s.glutids[k]);
            disableFullscreen();
            s.glutids[k] = windowed->second;
            s.windowedids.erase(windowed);
            break;
        }
        case DaemonCommand::FLIP_PAGE:
            makeCurrent(w);
            glutSwapBuffers();
            glutPostRedisplay();
            break;
        case DaemonCommand::DRAW_TEXT: {
            makeCurrent(w);
            const std::string text = c.getString();
            const int x = c.removeArgument(), y = c.removeArgument(), handle = c.removeArgument();
            const bool transformed = c.countArguments() > 0;
            const Transform transform = transformed ? takeTransform(c) : Transform();
            enableStyle(k, c.getStyle());
            FontInstance::drawText(handle, w, x, y, &text, transformed ? &transform : nullptr);
            disableStyle(k, c.getStyle());
            requestRedisplay(w);
            break;
        }
        case DaemonCommand::DRAW_IMAGE:
        case DaemonCommand::DRAW_IMAGE_TRANSFORMED: {
            makeCurrent(w);
            const int handle = c.removeArgument(), x = c.removeArgument(), y = c.removeArgument();
            if (c.type() == DaemonCommand::DRAW_IMAGE)
                ImageInstance::drawImage(handle, x, y);
            else
                ImageInstance::drawImage(handle, x, y, takeTransform(c));
            requestRedisplay(w);
            // The builder raised the count so the picture outlived the queue; drop that reference.
            Daemon::releaseImageHandle(handle);
            break;
        }
        case DaemonCommand::CREATE_IMAGE: {
            makeCurrent(w);
            const int left = c.removeArgument(), top = c.removeArgument();
            const int width = c.removeArgument(), height = c.removeArgument();
            const int handle = ImageInstance::createImage(w->getHeight(), left, top, width, height);
            w->imagesignal.put(Image(handle, width, height, Image::SCREEN));
            break;
        }
        case DaemonCommand::COPY_REGION: {
            makeCurrent(w);
            const int sl = c.removeArgument(), st = c.removeArgument();
            const int dl = c.removeArgument(), dt = c.removeArgument();
            const int cw = c.removeArgument(), ch = c.removeArgument();
            copyRegion(w, sl, st, dl, dt, cw, ch);
            requestRedisplay(w);
            break;
        }
        case DaemonCommand::READ_PIXEL: {
            makeCurrent(w);
            const int x = c.removeArgument();
            w->colorsignal.put(readPixel(w, x, c.removeArgument()));
            break;
        }
        case DaemonCommand::IGNORE_KEY_REPEAT:
            makeCurrent(w);
            glutIgnoreKeyRepeat(c.removeArgument());
            break;
        default:
            if (c.type() >= DaemonCommand::DRAW_PIXEL && c.type() <= DaemonCommand::DRAW_BEZIER_CURVE) {
                makeCurrent(w);
                drawPrimitive(c, w);
                requestRedisplay(w);
            } else {
                WARNING("Renderer recieved a command that it could not process");
            }
            break;
    }
}
