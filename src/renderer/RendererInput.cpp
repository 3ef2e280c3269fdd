// The renderer's input and timers: the platform reports input for a window, which becomes that
// window's events and key, button and pointer state; timers fire on their schedules. Renderer
// thread only.
#include <sched.h>

#include <algorithm>
#include <array>
#include <iterator>

#include "NamedKey.h"
#include "Window.h"
#include "renderer/Renderer.h"
#include "shared/Globals.h"
#include "shared/WindowState.h"

namespace {

RendererStatics* statics() { return Globals<RendererStatics>::impl(); }

bool isLowerCase(int key) { return key >= 'a' && key <= 'z'; }
bool isUpperCase(int key) { return key >= 'A' && key <= 'Z'; }

// The entries a character key is recorded under: both cases of a letter, so that isKeyDown('a')
// and isKeyDown('A') agree; the key itself twice for any other character.
std::array<int, 2> bothCases(int key) {
    if (isLowerCase(key)) return {key, key - 'a' + 'A'};
    if (isUpperCase(key)) return {key - 'A' + 'a', key};
    return {key, key};
}

}  // namespace

// Key state is recorded before the event is queued, so a program that has taken the event sees
// the state the key press caused. Character codes above NamedKey::LAST (Latin-1 letters) have no
// KeyboardEvent and are ignored altogether.
void Renderer::Input::character(platform::WindowId window, int key, bool down, KeyModifiers modifiers) {
    Window* w = windowOf(window);
    if (w && key <= NamedKey::LAST) {
        for (int entry : bothCases(key)) w->recordKey(entry, down, modifiers);
        if (down) w->addKeyboardEvent(KeyboardEvent(key, modifiers));
    }
    sched_yield();
}

// A key without a name (Shift, Control and Alt themselves, Num Lock...) makes no event and leaves
// the key table alone; only the modifiers it changes are recorded.
void Renderer::Input::namedKey(platform::WindowId window, int key, bool down, KeyModifiers modifiers) {
    if (Window* w = windowOf(window)) {
        if (key == 0) {
            w->shared->keyqueue.withLock([&] { w->shared->modifiersdown = modifiers; });
        } else {
            w->recordKey(key, down, modifiers);
            if (down) w->addKeyboardEvent(KeyboardEvent(key, modifiers));
        }
    }
    sched_yield();
}

// Every release makes a click, however far the pointer travelled since the press.
void Renderer::Input::button(platform::WindowId window, MouseEvent::Button b, bool down, int x, int y,
                             KeyModifiers modifiers) {
    if (Window* w = windowOf(window)) {
        RendererStatics* g = statics();
        if (!down) {
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

// No yield here: on a loaded machine each one costs a time slice, thousands of them in a burst.
void Renderer::Input::pointerMoved(platform::WindowId window, int x, int y, bool dragging) {
    if (Window* w = windowOf(window)) {
        const MouseEvent::Button held = dragging ? statics()->currentbutton : MouseEvent::NO_BUTTON;
        w->addMouseEvent(MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, held, x, y, KeyModifiers::NO_MODIFIERS));
    }
}

bool Renderer::Input::dropsPointerMotion() { return isAwaited(); }

void Renderer::Input::crossed(platform::WindowId window, bool entered) {
    if (Window* w = windowOf(window)) {
        const MouseEvent::Event event = entered ? MouseEvent::ENTER_WINDOW_EVENT : MouseEvent::EXIT_WINDOW_EVENT;
        w->addMouseEvent(MouseEvent(event, statics()->currentbutton, -1, -1, KeyModifiers::NO_MODIFIERS));
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

bool Renderer::hasTimerRunning(Window* w) {
    const auto& timers = statics()->timers;
    return std::any_of(timers.begin(), timers.end(), [w](const auto& entry) { return entry.second.window == w; });
}

void Renderer::stopTimersOf(Window* w) {
    auto& timers = statics()->timers;
    for (auto entry = timers.begin(); entry != timers.end();) {
        entry = entry->second.window == w ? timers.erase(entry) : std::next(entry);
    }
}
