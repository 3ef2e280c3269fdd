// The renderer's input callbacks and timers: freeglut calls them on the renderer thread, and each
// turns what the toolkit reports into events and key, button and pointer state of the current
// window, and fire the timers on their schedules. The timer-creating calls at the end run on the
// user's thread and only queue commands.
#include <GL/freeglut.h>
#include <sched.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "Diagnostics.h"
#include "Globals.h"
#include "NamedKey.h"
#include "Renderer.h"
#include "Window.h"
#include "WindowState.h"
#include "WindowSystem.h"

namespace {

RendererStatics* statics() { return Globals<RendererStatics>::impl(); }

bool isLowerCase(int key) { return key >= 'a' && key <= 'z'; }
bool isUpperCase(int key) { return key >= 'A' && key <= 'Z'; }

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

// The modifiers held once the key has gone down or up. The toolkit reports the modifiers as they
// were before the key, which is stale exactly when the key is a modifier itself.
KeyModifiers modifiersAfter(int specialKey, bool down, KeyModifiers reported) {
    KeyModifiers own = modifierKey(specialKey);
    return down ? reported | own : reported & ~own;
}

// The entries a character key is recorded under: both cases of a letter, so that isKeyDown('a')
// and isKeyDown('A') agree; the key itself twice for any other character.
std::array<int, 2> bothCases(int key) {
    if (isLowerCase(key)) return {key, key - 'a' + 'A'};
    if (isUpperCase(key)) return {key - 'A' + 'a', key};
    return {key, key};
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

}  // namespace

KeyModifiers Renderer::getModifiers() {
    int held = glutGetModifiers();
    KeyModifiers modifiers = KeyModifiers::NO_MODIFIERS;
    if (held & GLUT_ACTIVE_SHIFT) modifiers |= KeyModifiers::SHIFT;
    if (held & GLUT_ACTIVE_CTRL) modifiers |= KeyModifiers::CONTROL;
    if (held & GLUT_ACTIVE_ALT) modifiers |= KeyModifiers::ALT;
    return modifiers;
}

int Renderer::glutKeyToNamedKey(int key) {
    if (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F12) return NamedKey::FUNCTION_1 + (key - GLUT_KEY_F1);
    if (key >= GLUT_KEY_LEFT && key <= GLUT_KEY_INSERT) return NamedKey::LEFT_ARROW + (key - GLUT_KEY_LEFT);
    return 0;
}

// Key state is recorded before the event is queued, so a program that has taken the event sees
// the state the key press caused. Character codes above NamedKey::LAST (Latin-1 letters) have no
// KeyboardEvent and are ignored altogether.
void Renderer::keyboard(unsigned char key, int, int) {
    Window* w = currentWindow();
    if (w && key <= NamedKey::LAST) {
        KeyModifiers modifiers = getModifiers();
        for (int entry : bothCases(key)) w->recordKey(entry, true, modifiers);
        w->addKeyboardEvent(KeyboardEvent(key, modifiers));
    }
    sched_yield();
}

void Renderer::keyboardup(unsigned char key, int, int) {
    Window* w = currentWindow();
    if (w && key <= NamedKey::LAST) {
        KeyModifiers modifiers = getModifiers();
        for (int entry : bothCases(key)) w->recordKey(entry, false, modifiers);
    }
    sched_yield();
}

void Renderer::special(int key, int, int) {
    Window* w = currentWindow();
    KeyboardEvent event;
    if (w && recordSpecialKey(w, key, true, event)) w->addKeyboardEvent(event);
    sched_yield();
}

void Renderer::specialup(int key, int, int) {
    Window* w = currentWindow();
    KeyboardEvent event;
    if (w) recordSpecialKey(w, key, false, event);
    sched_yield();
}

// A special key without a named key (Shift, Control and Alt themselves, Num Lock...) makes no event
// and leaves the key table alone; only the modifiers it changes are recorded.
bool Renderer::recordSpecialKey(Window* w, int key, bool down, KeyboardEvent& event) {
    KeyModifiers modifiers = modifiersAfter(key, down, getModifiers());
    int value = glutKeyToNamedKey(key);
    if (value == 0) {
        w->shared->keyqueue.withLock([&] { w->shared->modifiersdown = modifiers; });
        return false;
    }
    w->recordKey(value, down, modifiers);
    event = KeyboardEvent(value, modifiers);
    return true;
}

// Every release makes a click, however far the pointer travelled since the press.
void Renderer::mouse(int button, int state, int x, int y) {
    Window* w = currentWindow();
    if (w) {
        RendererStatics* g = statics();
        KeyModifiers modifiers = getModifiers();
        MouseEvent::Button b = toolkitButton(button);
        if (state == GLUT_UP) {
            g->currentbutton = MouseEvent::NO_BUTTON;
            w->recordButton(b, false);
            w->addMouseEvent(MouseEvent(MouseEvent::BUTTON_UP_EVENT, b, x, y, modifiers));
            w->addMouseEvent(MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, b, x, y, modifiers));
        } else {
            g->currentbutton = b;
            w->recordButton(b, true);
            w->addMouseEvent(MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, b, x, y, modifiers));
        }
    }
    sched_yield();
}

// The toolkit returns to the renderer's loop only once no X event is pending: a burst of motion
// would keep it from a destructor or the exit that waits for it, for as long as the burst lasts.
// When one waits, the motion is dropped instead. No yield here: on a loaded machine each one
// costs a time slice, thousands of them in a burst.
void Renderer::motion(int x, int y) {
    if (isAwaited()) {
        windowsystem::dropPendingPointerMotion();
        return;
    }
    if (Window* w = currentWindow()) {
        w->addMouseEvent(
            MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, statics()->currentbutton, x, y, KeyModifiers::NO_MODIFIERS));
    }
}

void Renderer::passivemotion(int x, int y) {
    if (isAwaited()) {
        windowsystem::dropPendingPointerMotion();
        return;
    }
    if (Window* w = currentWindow()) {
        w->addMouseEvent(
            MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::NO_BUTTON, x, y, KeyModifiers::NO_MODIFIERS));
    }
}

// freeglut (built with XInput2) reports every crossing twice; a repeat of the last state reported
// for this toolkit window is dropped, so one crossing makes one event.
void Renderer::entry(int state) {
    Window* w = currentWindow();
    if (w) {
        RendererStatics* g = statics();
        int id = glutGetWindow();
        auto last = g->lastentry.find(id);
        if (last == g->lastentry.end() || last->second != state) {
            g->lastentry[id] = state;
            MouseEvent::Event event = state == GLUT_LEFT ? MouseEvent::EXIT_WINDOW_EVENT : MouseEvent::ENTER_WINDOW_EVENT;
            w->addMouseEvent(MouseEvent(event, g->currentbutton, -1, -1, KeyModifiers::NO_MODIFIERS));
        }
    }
    sched_yield();
}

std::int64_t TickSchedule::takeDueTicks(Clock::time_point now) {
    if (interval <= Clock::duration::zero()) return 1;
    const std::int64_t passed = std::max<std::int64_t>((now - start) / interval, ticksPassed);
    const std::int64_t due = passed - ticksPassed;
    ticksPassed = passed;
    return due;
}

void Renderer::armTimer(Window* w, int id, int interval, bool repeating) {
    if (interval < 0) return;  // the caller was warned that such a timer never fires
    statics()->timers[id] = {w, repeating, {TickSchedule::Clock::now(), std::chrono::milliseconds(interval)}};
}

// A timer notifies its window only while it is armed: stopped timers, fired one-shot timers and
// timers of destroyed windows are gone from the table.
std::chrono::microseconds Renderer::fireDueTimers() {
    RendererStatics* g = statics();
    const auto now = TickSchedule::Clock::now();
    auto untilNext = std::chrono::microseconds::max();
    for (auto entry = g->timers.begin(); entry != g->timers.end();) {
        RendererStatics::Timer& timer = entry->second;
        const std::int64_t due = timer.schedule.takeDueTicks(now);
        if (due > 0) timer.window->addTimerEvent(TimerEvent(entry->first));
        if (due > 0 && !timer.repeating) {
            entry = g->timers.erase(entry);
            continue;
        }
        if (due > 1) g->skippedticks += due - 1;
        const auto wait = std::chrono::ceil<std::chrono::microseconds>(timer.schedule.nextTick() - now);
        untilNext = std::min(untilNext, std::max(wait, std::chrono::microseconds::zero()));
        ++entry;
    }
    return untilNext;
}

void Renderer::stopTimersOf(Window* w) {
    auto& timers = statics()->timers;
    for (auto entry = timers.begin(); entry != timers.end();) {
        entry = entry->second.window == w ? timers.erase(entry) : std::next(entry);
    }
}
