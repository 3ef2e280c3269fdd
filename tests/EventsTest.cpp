// Input from real X events (sent with xdotool) reaching a window's queues and key, button and
// pointer state; the queue operations, the stream of every kind in order, merged moves and full
// queues; WindowManager's event loop; the special-key mapping.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Brindlewood.h"
#include "ReportPattern.h"
#include "TestWindow.h"
#include "XDoTool.h"
#include "platform/glut/GlutKeys.h"
#include "renderer/Renderer.h"
#include "shared/EventQueue.h"
#include "shared/WindowState.h"

namespace {

std::string testName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

// Takes events from one of w's queues until one equal to last arrives (or five seconds pass) and
// returns every event taken, last included.
template <typename Event>
std::vector<Event> takeThrough(Window& w, bool (Window::*isEmpty)(), Event (Window::*take)(CallSite),
                               const Event& last) {
    std::vector<Event> taken;
    eventually([&] {
        while (!(w.*isEmpty)()) {
            taken.push_back((w.*take)(CallSite()));
            if (taken.back() == last) return true;
        }
        return false;
    });
    return taken;
}

std::vector<MouseEvent> mouseEventsThrough(Window& w, MouseEvent::Event last) {
    return takeThrough(w, &Window::isMouseQueueEmpty, &Window::getMouseEvent,
                       MouseEvent(last, MouseEvent::ANY_BUTTON, -1, -1, KeyModifiers::ANY_MODIFIERS));
}

std::vector<KeyboardEvent> keyboardEventsThrough(Window& w, int lastValue) {
    return takeThrough(w, &Window::isKeyboardQueueEmpty, &Window::getKeyboardEvent,
                       KeyboardEvent(lastValue, KeyModifiers::ANY_MODIFIERS));
}

std::vector<MouseEvent> ofKind(const std::vector<MouseEvent>& events, std::initializer_list<MouseEvent::Event> kinds) {
    std::vector<MouseEvent> kept;
    for (const MouseEvent& e : events) {
        if (std::find(kinds.begin(), kinds.end(), e.getEvent()) != kinds.end()) kept.push_back(e);
    }
    return kept;
}

std::vector<int> valuesOf(const std::vector<KeyboardEvent>& events) {
    std::vector<int> values;
    for (const KeyboardEvent& e : events) values.push_back(e.getValue());
    return values;
}

// A 300 by 200 window at (100, 100) on the screen, shown, with the pointer parked outside it and
// empty queues. Without a window manager keys go to the window under the pointer.
class WindowInput : public testing::Test {
protected:
    WindowInput() : title(uniqueTitle(testName())), window(100, 100, 300, 200, title) {}

    void SetUp() override {
        xdo = std::make_unique<XDoTool>(title);
        waitUntilShown(window);
        XDoTool::moveOnScreenTo(10, 10);
        window.flushMouseQueue();
        window.flushKeyboardQueue();
    }

    // Moves the pointer into the window and waits until the window has seen it arrive there, so
    // the crossing into the window is queued too.
    void pointAt(int x, int y) {
        xdo->moveTo(x, y);
        ASSERT_TRUE(eventually([&] { return window.getMouseX() == x && window.getMouseY() == y; }));
    }

    std::string title;
    Window window;
    std::unique_ptr<XDoTool> xdo;
};

using WindowMouse = WindowInput;
using WindowKeys = WindowInput;

TEST_F(WindowMouse, LeftPressAndReleaseQueueDownUpAndClickAtTheirPositions) {
    xdo->moveTo(10, 20);
    xdo->press(1);
    std::vector<MouseEvent> events = mouseEventsThrough(window, MouseEvent::BUTTON_DOWN_EVENT);
    EXPECT_TRUE(window.isButtonDown(MouseEvent::LEFT_BUTTON));
    xdo->moveTo(30, 40);
    xdo->release(1);
    for (const MouseEvent& e : mouseEventsThrough(window, MouseEvent::BUTTON_CLICK_EVENT)) events.push_back(e);

    std::vector<MouseEvent> expected = {
        MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 10, 20, KeyModifiers::NO_MODIFIERS),
        MouseEvent(MouseEvent::BUTTON_UP_EVENT, MouseEvent::LEFT_BUTTON, 30, 40, KeyModifiers::NO_MODIFIERS),
        MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::LEFT_BUTTON, 30, 40, KeyModifiers::NO_MODIFIERS)};
    EXPECT_EQ(ofKind(events, {MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::BUTTON_UP_EVENT,
                              MouseEvent::BUTTON_CLICK_EVENT}),
              expected);
    EXPECT_EQ(window.getMouseX(), 30);
    EXPECT_EQ(window.getMouseY(), 40);
    EXPECT_FALSE(window.isButtonDown(MouseEvent::LEFT_BUTTON));
}

TEST_F(WindowMouse, RightDragMovesCarryTheRightButtonAndNoModifiersEvenWithShiftHeld) {
    xdo->moveTo(50, 50);
    xdo->keyDown("shift");
    xdo->press(3);
    xdo->moveTo(80, 90);
    xdo->moveTo(120, 100);
    xdo->release(3);
    xdo->keyUp("shift");
    std::vector<MouseEvent> events = mouseEventsThrough(window, MouseEvent::BUTTON_CLICK_EVENT);

    auto down = std::find_if(events.begin(), events.end(),
                             [](const MouseEvent& e) { return e.getEvent() == MouseEvent::BUTTON_DOWN_EVENT; });
    ASSERT_NE(down, events.end());
    EXPECT_EQ(down->getModifiers(), KeyModifiers::SHIFT) << "shift was held for the press";
    std::vector<MouseEvent> drag = ofKind(std::vector<MouseEvent>(down, events.end()), {MouseEvent::MOUSE_MOVE_EVENT});
    ASSERT_FALSE(drag.empty());
    for (const MouseEvent& move : drag) {
        EXPECT_EQ(move.getButton(), MouseEvent::RIGHT_BUTTON) << move;
        EXPECT_EQ(move.getModifiers(), KeyModifiers::NO_MODIFIERS) << move;
    }
    EXPECT_EQ(drag.back().getX(), 120);
    EXPECT_EQ(drag.back().getY(), 100);
}

TEST_F(WindowMouse, LeavingQueuesOneExitEventWithoutAPositionAndKeepsThePointerPosition) {
    pointAt(50, 60);
    window.flushMouseQueue();

    XDoTool::moveOnScreenTo(10, 10);
    std::vector<MouseEvent> events = mouseEventsThrough(window, MouseEvent::EXIT_WINDOW_EVENT);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().getX(), -1);
    EXPECT_EQ(events.back().getY(), -1);
    EXPECT_EQ(events.back().getButton(), MouseEvent::NO_BUTTON);
    EXPECT_EQ(events.back().getModifiers(), KeyModifiers::NO_MODIFIERS);
    EXPECT_EQ(window.getMouseX(), 50);
    EXPECT_EQ(window.getMouseY(), 60);

    // Coming back in orders a later event after anything the crossing out could still have queued.
    xdo->moveTo(70, 80);
    for (const MouseEvent& e : mouseEventsThrough(window, MouseEvent::ENTER_WINDOW_EVENT)) events.push_back(e);
    EXPECT_EQ(ofKind(events, {MouseEvent::EXIT_WINDOW_EVENT}).size(), 1u);
}

TEST_F(WindowMouse, EnteringQueuesOneEnterEvent) {
    xdo->moveTo(50, 60);
    std::vector<MouseEvent> events = mouseEventsThrough(window, MouseEvent::ENTER_WINDOW_EVENT);
    XDoTool::moveOnScreenTo(10, 10);
    for (const MouseEvent& e : mouseEventsThrough(window, MouseEvent::EXIT_WINDOW_EVENT)) events.push_back(e);

    std::vector<MouseEvent> enters = ofKind(events, {MouseEvent::ENTER_WINDOW_EVENT});
    ASSERT_EQ(enters.size(), 1u);
    EXPECT_EQ(enters[0].getX(), -1);
    EXPECT_EQ(enters[0].getY(), -1);
}

TEST_F(WindowMouse, AutoFlushDropsEventsWhileThePositionFollows) {
    window.autoFlushMouseQueue(true);
    xdo->moveTo(25, 35);
    xdo->click(1);
    xdo->moveTo(26, 36);  // arrives after the click, so the click has been dropped once it shows
    ASSERT_TRUE(eventually([&] { return window.getMouseX() == 26 && window.getMouseY() == 36; }));
    EXPECT_TRUE(window.isMouseQueueEmpty());

    window.autoFlushMouseQueue(false);
    xdo->click(1);
    std::vector<MouseEvent> events = mouseEventsThrough(window, MouseEvent::BUTTON_CLICK_EVENT);
    EXPECT_EQ(ofKind(events, {MouseEvent::BUTTON_CLICK_EVENT}).size(), 1u);
}

// The moves of a burst that nobody reads in time merge into the latest of each run; the clicks
// between the runs keep their order and their places.
TEST_F(WindowMouse, ABurstOfMovesLeavesTheLatestOfEachRunAndTheClicksInOrder) {
    pointAt(10, 20);
    window.flushMouseQueue();
    const XDoTool::Placement at = xdo->placement();
    const auto spotAt = [](int step) { return std::make_pair(10 + step % 28 * 10, 20 + step / 2); };
    std::string steps;
    std::vector<MouseEvent> expected;
    for (int step = 1; step <= 300; ++step) {
        const auto [x, y] = spotAt(step);
        steps += " mousemove " + std::to_string(at.x + x) + " " + std::to_string(at.y + y);
        if (step % 100 != 0) continue;
        expected.push_back(
            MouseEvent(MouseEvent::MOUSE_MOVE_EVENT, MouseEvent::NO_BUTTON, x, y, KeyModifiers::NO_MODIFIERS));
        if (step == 300) break;
        steps += " click 1";
        for (MouseEvent::Event kind :
             {MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::BUTTON_UP_EVENT, MouseEvent::BUTTON_CLICK_EVENT})
            expected.push_back(MouseEvent(kind, MouseEvent::LEFT_BUTTON, x, y, KeyModifiers::NO_MODIFIERS));
    }
    XDoTool::run(steps);
    const auto [lastX, lastY] = spotAt(300);
    ASSERT_TRUE(eventually([&] { return window.getMouseX() == lastX && window.getMouseY() == lastY; }));

    std::vector<MouseEvent> queued;
    while (!window.isMouseQueueEmpty()) queued.push_back(window.getMouseEvent());
    EXPECT_EQ(queued, expected);
}

TEST_F(WindowMouse, WaitForMouseEventReturnsTheClickThatArrives) {
    pointAt(40, 45);
    window.flushMouseQueue();
    std::thread clicker([&] { xdo->click(1); });
    MouseEvent first = window.waitForMouseEvent();
    clicker.join();
    EXPECT_EQ(first, MouseEvent(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, 40, 45,
                                KeyModifiers::NO_MODIFIERS));
}

TEST_F(WindowKeys, ShiftAQueuesOneUpperCaseEventAndHoldsBothCasesUntilReleased) {
    xdo->moveTo(50, 50);
    xdo->keyDown("shift+a");
    std::vector<KeyboardEvent> events = keyboardEventsThrough(window, 'A');
    EXPECT_EQ(events, std::vector<KeyboardEvent>{KeyboardEvent('A', KeyModifiers::SHIFT)});
    EXPECT_TRUE(window.isKeyDown('a'));
    EXPECT_TRUE(window.isKeyDown('A'));

    xdo->keyUp("shift+a");
    ASSERT_TRUE(eventually([&] { return !window.isKeyDown('a'); }));
    EXPECT_FALSE(window.isKeyDown('A'));
    EXPECT_TRUE(window.isKeyboardQueueEmpty()) << "neither the release nor shift itself makes an event";
}

TEST_F(WindowKeys, ShiftAloneQueuesNothingButIsHeldUntilReleased) {
    xdo->moveTo(50, 50);
    xdo->keyDown("shift");
    ASSERT_TRUE(eventually([&] { return window.isModifierDown(KeyModifiers::SHIFT); }));
    EXPECT_FALSE(window.isModifierDown(KeyModifiers::CONTROL));

    xdo->keyUp("shift");
    ASSERT_TRUE(eventually([&] { return !window.isModifierDown(KeyModifiers::SHIFT); }));
    EXPECT_TRUE(window.isKeyboardQueueEmpty());
}

TEST_F(WindowKeys, ControlCarriesItsModifier) {
    xdo->moveTo(50, 50);
    xdo->key("ctrl+c");
    EXPECT_EQ(keyboardEventsThrough(window, 3), std::vector<KeyboardEvent>{KeyboardEvent(3, KeyModifiers::CONTROL)});
}

TEST_F(WindowKeys, FunctionAndArrowKeysArriveAsNamedKeys) {
    xdo->moveTo(50, 50);
    xdo->key("F5 Left Up Right Down Prior Next Home End Insert");
    std::vector<int> expected = {NamedKey::FUNCTION_5, NamedKey::LEFT_ARROW, NamedKey::UP_ARROW,
                                 NamedKey::RIGHT_ARROW, NamedKey::DOWN_ARROW, NamedKey::PAGE_UP,
                                 NamedKey::PAGE_DOWN,   NamedKey::HOME,       NamedKey::END,
                                 NamedKey::INSERT};
    EXPECT_EQ(valuesOf(keyboardEventsThrough(window, NamedKey::INSERT)), expected);
}

TEST_F(WindowKeys, HeldF5IsDownByItsNamedKey) {
    xdo->moveTo(50, 50);
    xdo->keyDown("F5");
    keyboardEventsThrough(window, NamedKey::FUNCTION_5);
    EXPECT_TRUE(window.isKeyDown(NamedKey::FUNCTION_5));
    xdo->keyUp("F5");
    EXPECT_TRUE(eventually([&] { return !window.isKeyDown(NamedKey::FUNCTION_5); }));
}

TEST_F(WindowKeys, EditingKeysArriveAsTheirCharacters) {
    xdo->moveTo(50, 50);
    xdo->key("Return BackSpace Escape Delete");
    EXPECT_EQ(valuesOf(keyboardEventsThrough(window, 127)), (std::vector<int>{13, 8, 27, 127}));
}

TEST_F(WindowKeys, TypedTextArrivesCharacterByCharacter) {
    xdo->moveTo(50, 50);
    xdo->type("-20 x");
    EXPECT_EQ(valuesOf(keyboardEventsThrough(window, 'x')), (std::vector<int>{'-', '2', '0', ' ', 'x'}));
}

// Latin-1 letters have codes above NamedKey::LAST, which no KeyboardEvent can hold.
TEST_F(WindowKeys, LatinOneLettersAreIgnoredWithoutHalting) {
    xdo->moveTo(50, 50);
    xdo->keyDown("eacute");
    xdo->key("x");
    EXPECT_EQ(valuesOf(keyboardEventsThrough(window, 'x')), std::vector<int>{'x'});
    EXPECT_FALSE(window.isKeyDown(0xE9)) << "held, but it has no key value";
    xdo->keyUp("eacute");
}

// The renderer writes the key table while this thread reads it; under ThreadSanitizer a lookup
// that inserted, or a read outside the lock, would be reported here.
TEST_F(WindowKeys, QueryingKeysWhileTypingSeesOnlyTypedKeys) {
    xdo->moveTo(50, 50);
    std::atomic<bool> typed{false};
    std::thread typist([&] {
        xdo->type("qwerty");
        typed = true;
    });
    const std::string typedKeys = "qwertyQWERTY";
    bool otherKeyDown = false;
    while (!typed) {
        for (int key = 1; key <= NamedKey::LAST; ++key) {
            if (typedKeys.find(static_cast<char>(key)) == std::string::npos) otherKeyDown |= window.isKeyDown(key);
        }
        window.isModifierDown(KeyModifiers::SHIFT);
    }
    typist.join();
    EXPECT_FALSE(otherKeyDown);
    EXPECT_EQ(valuesOf(keyboardEventsThrough(window, 'y')), (std::vector<int>{'q', 'w', 'e', 'r', 't', 'y'}));
}

// The report for taking from an empty queue; kind is "Mouse" or "Keyboard".
std::string emptyQueueReport(const std::string& kind) {
    return onlyReport(diagnostics::Kind::FATAL_ERROR, "Window.cpp",
                      "Tried to remove a " + kind + "Event from an empty queue!  Call is" + kind +
                          "QueueEmpty() first to ensure that this does not occur");
}

TEST(WindowQueues, TakingFromAnEmptyMouseQueueHalts) {
    EXPECT_DEATH(Window(100, 100, 300, 200, uniqueTitle(testName())).getMouseEvent(), emptyQueueReport("Mouse"));
}

TEST(WindowQueues, TakingFromAnEmptyKeyboardQueueHalts) {
    EXPECT_DEATH(Window(100, 100, 300, 200, uniqueTitle(testName())).getKeyboardEvent(),
                 emptyQueueReport("Keyboard"));
}

// Everything in a queue or a stream, oldest first.
template <typename Queue>
std::vector<typename Queue::value_type> takeAll(Queue& queue) {
    std::vector<typename Queue::value_type> taken;
    for (typename Queue::value_type event; queue.tryTake(event);) taken.push_back(event);
    return taken;
}

MouseEvent pointer(MouseEvent::Event kind, int x, int y, MouseEvent::Button button = MouseEvent::NO_BUTTON) {
    return MouseEvent(kind, button, x, y, KeyModifiers::NO_MODIFIERS);
}

// The mouse queue as the renderer fills it while nobody reads, without a display.
TEST(QueuedMoves, MergeOnlyIntoAnUnreadMoveOfTheSameKindDirectlyBeforeThem) {
    const auto move = [](int x, int y) { return pointer(MouseEvent::MOUSE_MOVE_EVENT, x, y); };
    const auto drag = [](int x, int y) { return pointer(MouseEvent::MOUSE_MOVE_EVENT, x, y, MouseEvent::LEFT_BUTTON); };
    const MouseEvent down = pointer(MouseEvent::BUTTON_DOWN_EVENT, 1, 1, MouseEvent::LEFT_BUTTON);
    const MouseEvent up = pointer(MouseEvent::BUTTON_UP_EVENT, 3, 3, MouseEvent::LEFT_BUTTON);
    const MouseEvent exit = pointer(MouseEvent::EXIT_WINDOW_EVENT, -1, -1);
    const MouseEvent enter = pointer(MouseEvent::ENTER_WINDOW_EVENT, -1, -1);
    struct Case {
        const char* rule;
        std::vector<MouseEvent> arriving;
        std::vector<MouseEvent> queued;
    };
    const Case cases[] = {
        {"moves in a row leave the latest", {move(1, 1), move(2, 2), move(3, 3)}, {move(3, 3)}},
        {"a press and a release keep their places",
         {move(0, 0), move(1, 1), down, drag(2, 2), drag(3, 3), up, move(4, 4)},
         {move(1, 1), down, drag(3, 3), up, move(4, 4)}},
        {"a drag is not a plain move", {drag(1, 1), move(2, 2), drag(3, 3)}, {drag(1, 1), move(2, 2), drag(3, 3)}},
        {"crossings keep their places", {move(1, 1), exit, enter, move(2, 2)}, {move(1, 1), exit, enter, move(2, 2)}},
    };
    for (const Case& c : cases) {
        EventSignal signal;
        EventQueue<MouseEvent> queue(signal, "Mouse");
        for (const MouseEvent& event : c.arriving) queue.add(event);
        EXPECT_EQ(takeAll(queue), c.queued) << c.rule;
    }
}

// Queues each event on its kind's queue of the window, as the renderer does.
void arrive(WindowState& window, const std::vector<Event>& events) {
    for (const Event& event : events) {
        if (event.getKind() == Event::KEYBOARD_EVENT) window.keyqueue.add(event.getKeyboardEvent());
        if (event.getKind() == Event::MOUSE_EVENT) window.mousequeue.add(event.getMouseEvent());
        if (event.getKind() == Event::TIMER_EVENT) window.timerqueue.add(event.getTimerEvent());
    }
}

Event mouse(MouseEvent::Event kind, int x, int y) { return Event(pointer(kind, x, y, MouseEvent::LEFT_BUTTON)); }
Event move(int x, int y) { return Event(pointer(MouseEvent::MOUSE_MOVE_EVENT, x, y)); }
Event key(int value) { return Event(KeyboardEvent(value, KeyModifiers::NO_MODIFIERS)); }

// A window's queues as the renderer fills them while nobody reads, without a display.
TEST(EventStream, HandsOutTheEventsOfEveryKindInTheOrderTheyHappened) {
    const Event tick(TimerEvent(7));
    const std::vector<Event> click = {mouse(MouseEvent::BUTTON_DOWN_EVENT, 5, 5),
                                      mouse(MouseEvent::BUTTON_UP_EVENT, 5, 5),
                                      mouse(MouseEvent::BUTTON_CLICK_EVENT, 5, 5)};
    const std::vector<Event> clickKeyClick = {click[0], click[1], click[2], key('k'), click[0], click[1], click[2]};
    struct Case {
        const char* rule;
        std::vector<Event> arriving;
        std::vector<Event> streamed;
    };
    const Case cases[] = {
        {"a key between two clicks", clickKeyClick, clickKeyClick},
        {"a timer's tick between two keys", {key('a'), tick, key('b')}, {key('a'), tick, key('b')}},
        {"moves merge only when nothing came after them",
         {move(1, 1), move(2, 2), key('a'), move(3, 3), tick, move(4, 4), move(5, 5)},
         {move(2, 2), key('a'), move(3, 3), tick, move(5, 5)}},
    };
    for (const Case& c : cases) {
        WindowState window;
        arrive(window, c.arriving);
        EXPECT_EQ(takeAll(window.stream), c.streamed) << c.rule;
    }
}

TEST(EventStream, TakingAnEventFromItsQueueTakesItFromTheStreamAndTheOtherWayRound) {
    WindowState window;
    const Event tick(TimerEvent(7));
    arrive(window, {key('a'), move(1, 1), key('b'), tick});
    KeyboardEvent first;
    ASSERT_TRUE(window.keyqueue.tryTake(first));
    EXPECT_EQ(Event(first), key('a'));
    Event next;
    ASSERT_TRUE(window.stream.tryTake(next));
    EXPECT_EQ(next, move(1, 1));
    EXPECT_TRUE(window.mousequeue.isEmpty());
    EXPECT_EQ(takeAll(window.timerqueue), std::vector<TimerEvent>{tick.getTimerEvent()});
    EXPECT_EQ(takeAll(window.stream), std::vector<Event>{key('b')});
    EXPECT_TRUE(window.keyqueue.isEmpty());
}

TEST(FullQueues, DropTheirOldestWithOneWarningUntilEmptied) {
    EventSignal signal;
    EventQueue<TimerEvent> queue(signal, "Timer");
    const int limit = static_cast<int>(MAX_QUEUED_EVENTS);
    const std::string warning = reportPattern(
        diagnostics::Kind::WARNING, "EventQueue.h",
        "The TimerEvent queue is full (50000 unread events): the oldest are dropped until it is emptied.  Take "
        "events sooner, or call autoFlushTimerQueue(true)");
    for (int episode = 1; episode <= 2; ++episode) {
        testing::internal::CaptureStderr();
        for (int id = 0; id < limit + 10; ++id) queue.add(TimerEvent(id));
        EXPECT_PRED2(matchesWhole, testing::internal::GetCapturedStderr(), warning) << "episode " << episode;
        std::vector<TimerEvent> kept = takeAll(queue);
        ASSERT_EQ(kept.size(), MAX_QUEUED_EVENTS);
        EXPECT_EQ(kept.front(), TimerEvent(10));
        EXPECT_EQ(kept.back(), TimerEvent(limit + 9));
    }
}

// A window whose handlers log one letter per call (T timer, K keyboard, M mouse, I idle) and then
// run what the test asks; by default the idle handler ends the event loop.
class ScriptedWindow : public Window {
public:
    explicit ScriptedWindow(const std::string& title) : Window(100, 100, 300, 200, title) {}

    void handleTimerEvent(const TimerEvent&) override { log += 'T'; }
    void handleKeyboardEvent(const KeyboardEvent&) override { log += 'K'; }
    void handleMouseEvent(const MouseEvent&) override { log += 'M'; }
    void handleIdleEvent() override {
        log += 'I';
        onIdle();
    }

    std::string log;
    std::function<void()> onIdle = [] { WindowManager::exitHandler(); };
};

// Closes itself from its timer handler, counting the timer events it was handed.
class SelfClosingWindow : public Window {
public:
    SelfClosingWindow(const std::string& title, int& handled) : Window(100, 100, 300, 200, title), handled(handled) {}

    void handleTimerEvent(const TimerEvent&) override {
        ++handled;
        delete this;
    }

private:
    int& handled;
};

// The log with each run of one letter written once: "TTKMMMI" reads "TKMI".
std::string squeezed(const std::string& log) {
    std::string runs;
    for (char c : log) {
        if (runs.empty() || runs.back() != c) runs += c;
    }
    return runs;
}

TEST(EventLoop, DeliversTimerThenKeyboardThenMouseEventsThenIdle) {
    std::string title = uniqueTitle(testName());
    ScriptedWindow window(title);
    XDoTool xdo(title);
    waitUntilShown(window);
    xdo.moveTo(50, 50);
    window.flushMouseQueue();

    // Queued in the order key, click, timer; handed over in the order timer, key, click.
    xdo.key("k");
    xdo.click(1);
    TimerEvent timer = window.registerNewTimerEvent(1);
    ASSERT_TRUE(eventually([&] {
        return window.getTimerCount(timer) == 1 && !window.isKeyboardQueueEmpty() && !window.isMouseQueueEmpty();
    }));

    WindowManager::handleEvents();
    EXPECT_EQ(squeezed(window.log), "TKMI");
}

TEST(EventLoop, FiltersChangedByAHandlerAreRestoredAfterTheLoop) {
    ScriptedWindow window(uniqueTitle(testName()));
    window.setTimerFilter(TimerEvent(7));
    window.setKeyboardFilter(KeyboardEvent('q', KeyModifiers::CONTROL));
    window.onIdle = [&] {
        window.setTimerFilter(TimerEvent(9));
        window.setKeyboardFilter(KeyboardEvent('z', KeyModifiers::ALT));
        window.setMouseFilter(
            MouseEvent(MouseEvent::BUTTON_CLICK_EVENT, MouseEvent::LEFT_BUTTON, 5, 6, KeyModifiers::SHIFT));
        WindowManager::exitHandler();
    };

    WindowManager::handleEvents();
    EXPECT_EQ(window.getTimerFilter(), TimerEvent(7));
    EXPECT_EQ(window.getKeyboardFilter().getValue(), 'q');
    EXPECT_EQ(window.getKeyboardFilter().getModifiers(), KeyModifiers::CONTROL);
    MouseEvent mouse = window.getMouseFilter();
    EXPECT_EQ(mouse.getEvent(), MouseEvent::MOUSE_MOVE_EVENT);
    EXPECT_EQ(mouse.getButton(), MouseEvent::NO_BUTTON);
    EXPECT_EQ(mouse.getX(), -1);
    EXPECT_EQ(mouse.getY(), -1);
    EXPECT_EQ(mouse.getModifiers(), KeyModifiers::NO_MODIFIERS);
}

TEST(EventLoop, AWindowOpenedByAHandlerIsVisitedAndGetsItsFilterBack) {
    ScriptedWindow window(uniqueTitle(testName()));
    std::unique_ptr<ScriptedWindow> opened;
    window.onIdle = [&] {
        if (opened) return;
        opened = std::make_unique<ScriptedWindow>(uniqueTitle(testName() + "-opened"));
        opened->setTimerFilter(TimerEvent(9));
    };

    WindowManager::handleEvents();  // ended by the opened window's idle handler
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->log, "I");
    EXPECT_EQ(opened->getTimerFilter(), TimerEvent(-1));
}

TEST(EventLoop, AHandlerMayCloseItsOwnWindow) {
    int handled = 0;
    auto* closing = new SelfClosingWindow(uniqueTitle(testName()), handled);
    TimerEvent first = closing->registerNewTimerEvent(1);
    TimerEvent second = closing->registerNewTimerEvent(1);
    ASSERT_TRUE(eventually([&] { return closing->getTimerCount(first) == 1 && closing->getTimerCount(second) == 1; }));

    ScriptedWindow watcher(uniqueTitle(testName() + "-watcher"));
    int passes = 0;
    watcher.onIdle = [&] {
        if (++passes == 3) WindowManager::exitHandler();
    };

    WindowManager::handleEvents();
    EXPECT_EQ(handled, 1) << "the second timer event must not reach the closed window";
    EXPECT_EQ(passes, 3);
}

namespace {

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Counted for the calling thread, sleeps among them: unlike calls a second, this holds under load.
long voluntaryContextSwitches() {
    std::ifstream status("/proc/thread-self/status");
    const std::string field = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
    return -1;
}

struct LoopSecond {
    double processorSeconds;  // of the whole program
    long loopSwitches;        // times the loop's thread gave up the processor
};

// Runs handleEvents on a thread of its own for a second.
LoopSecond oneSecondInTheLoop() {
    LoopSecond second{};
    std::thread loop([&] {
        const long before = voluntaryContextSwitches();
        WindowManager::handleEvents();
        second.loopSwitches = voluntaryContextSwitches() - before;
    });
    const double before = processorSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    second.processorSeconds = processorSeconds() - before;
    WindowManager::exitHandler();
    loop.join();
    return second;
}

}  // namespace

// The default handlers only yield: a loop with nothing to hand over must sleep, not spin.
TEST(EventLoop, WithTheDefaultHandlersAnIdleLoopLeavesTheProcessorAlone) {
    Window window(100, 100, 300, 200, uniqueTitle(testName()));
    waitUntilShown(window);
    EXPECT_LT(oneSecondInTheLoop().processorSeconds, 0.25) << "a spinning loop takes about a whole second";
}

TEST(EventLoop, AProgramsOwnIdleHandlerIsCalledWithoutPause) {
    ScriptedWindow window(uniqueTitle(testName()));
    std::atomic<int> calls{0};
    window.onIdle = [&] { ++calls; };
    const long switches = oneSecondInTheLoop().loopSwitches;
    EXPECT_GT(calls, 10 * switches) << "a loop that slept between passes would give up the processor at every call";
}

TEST(EventLoop, EndsWhenAnotherThreadCallsExitHandler) {
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread loop([finished] {
        WindowManager::handleEvents();
        *finished = true;
    });
    EXPECT_TRUE(eventually([&] {
        WindowManager::exitHandler();
        return finished->load();
    }));
    if (*finished) {
        loop.join();
    } else {
        loop.detach();
    }
}

TEST(WindowRegistry, RegisteringANullWindowHalts) {
    EXPECT_DEATH(WindowManager::registerWindow(nullptr),
                 onlyReport(diagnostics::Kind::FATAL_ASSERTION, "WindowManager.cpp",
                            "How did you do that?  registerWindow has been passed a NULL pointer"));
}

TEST(WindowRegistry, RemovingANullWindowHalts) {
    EXPECT_DEATH(WindowManager::removeWindow(nullptr),
                 onlyReport(diagnostics::Kind::FATAL_ASSERTION, "WindowManager.cpp",
                            "How did you do that?  removeWindow has been passed a NULL pointer"));
}

TEST(KeyMapping, FunctionKeysBecomeFunctionOneToTwelve) {
    for (int key = 1; key <= 12; ++key) EXPECT_EQ(platform::glut::glutKeyToNamedKey(key), NamedKey::FUNCTION_1 + key - 1);
}

TEST(KeyMapping, ArrowAndPageKeysBecomeTheirNamedKeys) {
    std::vector<int> expected = {NamedKey::LEFT_ARROW, NamedKey::UP_ARROW,  NamedKey::RIGHT_ARROW,
                                 NamedKey::DOWN_ARROW, NamedKey::PAGE_UP,   NamedKey::PAGE_DOWN,
                                 NamedKey::HOME,       NamedKey::END,       NamedKey::INSERT};
    for (int key = 100; key <= 108; ++key) EXPECT_EQ(platform::glut::glutKeyToNamedKey(key), expected[key - 100]) << key;
}

TEST(KeyMapping, OtherSpecialKeysBecomeZero) {
    for (int key : {0, 13, 99, 109, 111, 112, 113, 114, 115, 116, 117, 127, -1})
        EXPECT_EQ(platform::glut::glutKeyToNamedKey(key), 0) << key;
}

}  // namespace
