// The platform on freeglut and X: the only code that calls the toolkit. Renderer thread only, but
// for built-in font metrics. Each toolkit callback reports to the renderer's event sink; the few
// things the toolkit cannot do (resize now, notice windows destroyed by another program, survive X
// errors) go straight to X in WindowSystem.cpp.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "Font.h"
#include "NamedKey.h"
#include "platform/Platform.h"
#include "platform/glut/GlutKeys.h"
#include "platform/glut/WindowSystem.h"
#include "shared/Diagnostics.h"
#include "shared/Globals.h"

namespace platform {

int glut::glutKeyToNamedKey(int key) {
    if (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F12) return NamedKey::FUNCTION_1 + (key - GLUT_KEY_F1);
    if (key >= GLUT_KEY_LEFT && key <= GLUT_KEY_INSERT) return NamedKey::LEFT_ARROW + (key - GLUT_KEY_LEFT);
    return 0;
}

namespace {

// The modifier that a toolkit special key is itself (freeglut reports Shift, Control and Alt as
// special keys), NO_MODIFIERS for any other key.
KeyModifiers modifierKey(int key) {
    switch (key) {
        case GLUT_KEY_SHIFT_L:
        case GLUT_KEY_SHIFT_R:
            return KeyModifiers::SHIFT;
        case GLUT_KEY_CTRL_L:
        case GLUT_KEY_CTRL_R:
            return KeyModifiers::CONTROL;
        case GLUT_KEY_ALT_L:
        case GLUT_KEY_ALT_R:
            return KeyModifiers::ALT;
        default:
            return KeyModifiers::NO_MODIFIERS;
    }
}

KeyModifiers heldModifiers() {
    int held = glutGetModifiers();
    KeyModifiers modifiers = KeyModifiers::NO_MODIFIERS;
    if (held & GLUT_ACTIVE_SHIFT) modifiers |= KeyModifiers::SHIFT;
    if (held & GLUT_ACTIVE_CTRL) modifiers |= KeyModifiers::CONTROL;
    if (held & GLUT_ACTIVE_ALT) modifiers |= KeyModifiers::ALT;
    return modifiers;
}

// The modifiers held once the key has gone down or up. The toolkit reports the modifiers as they
// were before the key, which is stale exactly when the key is a modifier itself.
KeyModifiers modifiersAfter(int specialKey, bool down) {
    KeyModifiers own = modifierKey(specialKey);
    return down ? heldModifiers() | own : heldModifiers() & ~own;
}

MouseEvent::Button toolkitButton(int button) {
    switch (button) {
        case GLUT_LEFT_BUTTON:
            return MouseEvent::LEFT_BUTTON;
        case GLUT_MIDDLE_BUTTON:
            return MouseEvent::MIDDLE_BUTTON;
        case GLUT_RIGHT_BUTTON:
            return MouseEvent::RIGHT_BUTTON;
        default:
            return MouseEvent::NO_BUTTON;  // the wheel and any extra buttons
    }
}

void* builtinFont(int fontId, int size) {
    switch (fontId) {
        case Font::ROMAN:
            return GLUT_STROKE_ROMAN;
        case Font::MONO_ROMAN:
            return GLUT_STROKE_MONO_ROMAN;
        case Font::HELVETICA:
            return size == 10   ? GLUT_BITMAP_HELVETICA_10
                   : size == 12 ? GLUT_BITMAP_HELVETICA_12
                                : GLUT_BITMAP_HELVETICA_18;
        default:
            return size == 10 ? GLUT_BITMAP_TIMES_ROMAN_10 : GLUT_BITMAP_TIMES_ROMAN_24;
    }
}

bool isStroke(int fontId) { return fontId == Font::ROMAN || fontId == Font::MONO_ROMAN; }

const unsigned char* glutText(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.c_str()); }

// What the callbacks share with the platform. Built on first use and never destroyed: file-scope
// Windows of a program open windows before this file's statics are made, and after they die.
struct GlutState {
    EventSink* sink = nullptr;
    WindowId gameWindow = 0;                             // the full-screen window, while there is one
    std::set<WindowId> open;                             // opened and not yet closed
    std::map<int, int> lastEntry;                        // window -> last crossing state
    std::map<windowsystem::WindowId, WindowId> watched;  // X window -> window
};

GlutState& glutState() { return *Globals<GlutState>::impl(); }

class GlutPlatform final : public Platform {
public:
    void start(EventSink& eventSink, bool) override {  // the X server keeps what windows show
        glutState().sink = &eventSink;
        // The toolkit would end the process with a line of its own that leaves the user stuck.
        if (!windowsystem::openDisplay()) {
            const char* display = std::getenv("DISPLAY");
            FATAL_ERROR("The display could not be opened: set BRINDLEWOOD_PLATFORM=offscreen to draw without one",
                        display && *display ? std::string("DISPLAY is \"") + display + "\"" : "DISPLAY is not set");
        }
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
        int argc = 1;
        char name[] = "brindlewood";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        // A window closed by the user must not end the program from this thread: closed() reports it.
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
        windowsystem::takeOverErrorHandling();
    }

    WindowId openWindow(int x, int y, bool positioned, int width, int height, const std::string& title) override {
        // Created at its final size and place, so the toolkit reports no interim size.
        glutInitWindowSize(width, height);
        if (positioned)
            glutInitWindowPosition(x, y);
        else
            glutInitWindowPosition(-1, -1);
        const WindowId id = glutCreateWindow(title.c_str());
        windowsystem::keepCurrentWindowPicture();
        glutState().watched[windowsystem::watchCurrentWindow()] = id;
        glutState().open.insert(id);
        setCallbacks();
        glutReshapeWindow(width, height);
        if (positioned)
            glutPositionWindow(x, y);
        else
            windowsystem::placeCurrentWindowIfUnplaced();
        return id;
    }

    WindowId enterFullScreen(int width, int height, int depth, int rate) override {
        char mode[64];
        std::snprintf(mode, sizeof mode, "%dx%d:%d@%d", width, height, depth, rate);
        glutGameModeString(mode);
        const WindowId id = glutEnterGameMode();
        if (id <= 0) return 0;
        windowsystem::keepCurrentWindowPicture();
        glutState().gameWindow = id;
        glutState().open.insert(id);
        setCallbacks();
        return id;
    }

    void leaveFullScreen() override {
        // Forgotten first: leaving game mode closes its window, which is not the user closing it.
        glutState().open.erase(glutState().gameWindow);
        glutState().gameWindow = 0;
        glutLeaveGameMode();
    }

    void closeWindow(WindowId window) override {
        // Forgotten first, so the toolkit's close callback for it finds nothing to report.
        glutState().open.erase(window);
        // Let go of the window's drawable before it goes: a context left current on a destroyed
        // window makes the driver query it later, an X error in the next window's creation.
        windowsystem::releaseCurrentDrawable();
        glutDestroyWindow(window);
    }

    void makeCurrent(WindowId window) override { glutSetWindow(window); }
    WindowId currentWindow() override { return glutGetWindow(); }

    void resize(int width, int height) override {
        // The toolkit would resize the X window on its next turn and report the size later still.
        glutReshapeWindow(width, height);
        windowsystem::resizeCurrentWindow(width, height);
        // The GL driver learns a window's new size when it swaps; until then it would clear the old
        // buffers, and then replace them by black ones of the new size.
        glutSwapBuffers();
    }
    void move(int x, int y) override { glutPositionWindow(x, y); }
    void show(bool shown) override { shown ? glutShowWindow() : glutHideWindow(); }
    void setTitle(const std::string& title) override { glutSetWindowTitle(title.c_str()); }
    void position(int& x, int& y) override {
        x = glutGet(GLUT_WINDOW_X);
        y = glutGet(GLUT_WINDOW_Y);
    }
    void ignoreKeyRepeat(bool ignore) override { glutIgnoreKeyRepeat(ignore); }
    void swap() override { glutSwapBuffers(); }
    // The X server's copy of the window is what the last swap put there: GL's front buffer reads
    // black under llvmpipe.
    std::vector<unsigned char> shownPixels(int width, int height) override {
        return windowsystem::currentWindowPicture(width, height);
    }
    void requestExpose() override { glutPostRedisplay(); }

    void pumpEvents() override {
        closeWindowsDestroyedElsewhere();
        glutMainLoopEvent();
    }
    InputSource inputSource() const override { return InputSource::USER; }
    bool deliverScriptedInput(WindowId, int, bool) override { return false; }

    void drawBuiltinText(int fontId, int size, const std::string& text) override {
        void* font = builtinFont(fontId, size);
        for (unsigned char c : text) isStroke(fontId) ? glutStrokeCharacter(font, c) : glutBitmapCharacter(font, c);
    }
    int builtinTextWidth(int fontId, int size, const std::string& text) override {
        void* font = builtinFont(fontId, size);
        return isStroke(fontId) ? glutStrokeLength(font, glutText(text)) : glutBitmapLength(font, glutText(text));
    }

private:
    static void setCallbacks() {
        glutDisplayFunc(display);
        glutReshapeFunc(reshape);
        glutKeyboardFunc(keyboard);
        glutSpecialFunc(special);
        glutMouseFunc(mouse);
        glutMotionFunc(motion);
        glutPassiveMotionFunc(passiveMotion);
        glutEntryFunc(entry);
        glutKeyboardUpFunc(keyboardUp);
        glutSpecialUpFunc(specialUp);
        glutCloseFunc(closed);
    }

    static void display() { glutState().sink->exposed(glutGetWindow(), glutLayerGet(GLUT_NORMAL_DAMAGED) != 0); }
    static void reshape(int width, int height) { glutState().sink->reshaped(glutGetWindow(), width, height); }
    static void keyboard(unsigned char key, int, int) {
        glutState().sink->character(glutGetWindow(), key, true, heldModifiers());
    }
    static void keyboardUp(unsigned char key, int, int) {
        glutState().sink->character(glutGetWindow(), key, false, heldModifiers());
    }
    static void special(int key, int, int) {
        glutState().sink->namedKey(glutGetWindow(), glut::glutKeyToNamedKey(key), true, modifiersAfter(key, true));
    }
    static void specialUp(int key, int, int) {
        glutState().sink->namedKey(glutGetWindow(), glut::glutKeyToNamedKey(key), false, modifiersAfter(key, false));
    }
    static void mouse(int button, int state, int x, int y) {
        glutState().sink->button(glutGetWindow(), toolkitButton(button), state != GLUT_UP, x, y, heldModifiers());
    }
    // The toolkit returns to the renderer's loop only once no X event is pending: a burst of motion
    // would keep it from a destructor or the exit that waits for it, for as long as the burst
    // lasts. When one waits, the motion is dropped instead.
    static void moved(int x, int y, bool dragging) {
        if (glutState().sink->dropsPointerMotion()) {
            windowsystem::dropPendingPointerMotion();
            return;
        }
        glutState().sink->pointerMoved(glutGetWindow(), x, y, dragging);
    }
    static void motion(int x, int y) { moved(x, y, true); }
    static void passiveMotion(int x, int y) { moved(x, y, false); }
    // freeglut (built with XInput2) reports every crossing twice; a repeat of the last state
    // reported for this window is dropped, so one crossing makes one event.
    static void entry(int state) {
        const WindowId id = glutGetWindow();
        auto last = glutState().lastEntry.find(id);
        if (last != glutState().lastEntry.end() && last->second == state) return;
        glutState().lastEntry[id] = state;
        glutState().sink->crossed(id, state != GLUT_LEFT);
    }
    // The user or the window system closed the current window; one we close ourselves is gone
    // from open already. Reported while the window still shows its picture, for its snapshot.
    static void closed() {
        const WindowId id = glutGetWindow();
        if (!glutState().open.count(id)) return;
        glutState().sink->closed(id);
        glutState().open.erase(id);
        windowsystem::releaseCurrentDrawable();
    }

    // Closes the windows that another program destroyed (the toolkit does not notice).
    static void closeWindowsDestroyedElsewhere() {
        for (windowsystem::WindowId gone : windowsystem::takeDestroyedWindows()) {
            auto found = glutState().watched.find(gone);
            if (found == glutState().watched.end()) continue;
            const WindowId id = found->second;
            glutState().watched.erase(found);
            if (!glutState().open.erase(id)) continue;  // destroyed by us
            windowsystem::releaseCurrentDrawable();
            glutState().sink->closed(id);
            // The toolkit still keeps its record of the window; its own destroy request will fail
            // quietly, since errors about a window known gone are expected.
            glutDestroyWindow(id);
        }
    }
};

}  // namespace

Platform& glutPlatform() {
    static GlutPlatform* const platform = new GlutPlatform();  // never destroyed: the renderer outlives statics
    return *platform;
}

}  // namespace platform
