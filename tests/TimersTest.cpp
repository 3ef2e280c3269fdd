// Timers: ids, one-shot and running timers firing into a window's timer queue on their schedule,
// stopping, counting under auto-flush, the bound of an unread queue, and timers of a closed
// window. Every case runs in a fresh process, so the first timer of a case has id 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "Brindlewood.h"
#include "ReportPattern.h"
#include "TestWindow.h"
#include "XDoTool.h"
#include "renderer/Renderer.h"
#include "shared/EventQueue.h"
#include "shared/Globals.h"

namespace {

std::string testName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

// Everything in w's timer queue, oldest first.
std::deque<TimerEvent> takeAllTimerEvents(Window& w) {
    std::deque<TimerEvent> events;
    while (!w.isTimerQueueEmpty()) events.push_back(w.getTimerEvent());
    return events;
}

// Blocks until the renderer has executed every command queued before this call.
void waitForRenderer(Window& w) { w.readPixel(0, 0); }

// Lets at least count more firings of a running timer go by: an interval of time, measured by the
// renderer's own clock instead of a guessed sleep.
void letFiringsPass(Window& w, const TimerEvent& ticker, int count) {
    int target = w.getTimerCount(ticker) + count;
    ASSERT_TRUE(eventually([&] { return w.getTimerCount(ticker) >= target; }));
}

// Starts a 5 ms timer, lets it fire at least firings times, stops it, and returns once the
// renderer has stopped it.
TimerEvent runThenStop(Window& w, int firings) {
    TimerEvent timer = w.startTimer(5);
    EXPECT_TRUE(eventually([&] { return w.getTimerCount(timer) >= firings; }));
    w.stopTimer(timer);
    waitForRenderer(w);
    return timer;
}

class Timers : public testing::Test {
protected:
    Timers() : window(100, 100, 300, 200, uniqueTitle(testName())) {}
    void SetUp() override { waitUntilShown(window); }

    Window window;
};

TEST_F(Timers, IdsCountFromZeroAcrossWindowsAndKinds) {
    Window other(450, 100, 300, 200, uniqueTitle(testName() + "-other"));
    EXPECT_EQ(window.registerNewTimerEvent(1000), TimerEvent(0));
    TimerEvent running = other.startTimer(1000);
    EXPECT_EQ(running, TimerEvent(1));
    EXPECT_EQ(window.startTimer(1000), TimerEvent(2));
    other.stopTimer(running);
}

TEST_F(Timers, ARunningTimerFiresAgainAndAgain) {
    TimerEvent ticker = window.startTimer(10);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(window.waitForTimerEvent(), ticker);
    EXPECT_GE(window.getTimerCount(ticker), 3);
    window.stopTimer(ticker);
}

TEST_F(Timers, AOneShotTimerFiresExactlyOnce) {
    TimerEvent once = window.registerNewTimerEvent(20);
    TimerEvent ticker = window.startTimer(5);
    ASSERT_TRUE(eventually([&] { return window.getTimerCount(once) == 1; }));
    letFiringsPass(window, ticker, 10);

    EXPECT_EQ(window.getTimerCount(once), 1);
    std::deque<TimerEvent> events = takeAllTimerEvents(window);
    EXPECT_EQ(std::count(events.begin(), events.end(), once), 1);
    window.stopTimer(ticker);
}

TEST_F(Timers, AStoppedTimerQueuesNoMore) {
    TimerEvent stopped = runThenStop(window, 3);
    int count = window.getTimerCount(stopped);
    std::deque<TimerEvent> before = takeAllTimerEvents(window);

    TimerEvent ticker = window.startTimer(5);
    letFiringsPass(window, ticker, 10);
    EXPECT_EQ(window.getTimerCount(stopped), count);
    std::deque<TimerEvent> after = takeAllTimerEvents(window);
    EXPECT_EQ(std::count(after.begin(), after.end(), stopped), 0);
    EXPECT_EQ(std::count(before.begin(), before.end(), stopped), count);
    window.stopTimer(ticker);
}

TEST_F(Timers, CountsGoOnUnderAutoFlushWhileTheQueueStaysEmpty) {
    window.autoFlushTimerQueue(true);
    TimerEvent ticker = window.startTimer(5);
    ASSERT_TRUE(eventually([&] { return window.getTimerCount(ticker) >= 3; }));
    EXPECT_TRUE(window.isTimerQueueEmpty());

    window.autoFlushTimerQueue(false);
    EXPECT_EQ(window.waitForTimerEvent(), ticker);
    window.stopTimer(ticker);
}

TEST_F(Timers, SetTimerCountRestartsTheCount) {
    TimerEvent ticker = runThenStop(window, 5);
    window.setTimerCount(ticker, 0);

    TimerEvent reference = window.registerNewTimerEvent(30);
    ASSERT_TRUE(eventually([&] { return window.getTimerCount(reference) == 1; }));
    EXPECT_EQ(window.getTimerCount(ticker), 0);
}

// The successor is built in the very storage of the closed window, as an allocator reusing the
// memory would do, so a timer still notifying the closed window would show up in its counts.
TEST_F(Timers, ATimerOfAClosedWindowNeverReachesAWindowAtItsAddress) {
    alignas(Window) unsigned char storage[sizeof(Window)];
    Window* closed = new (storage) Window(450, 100, 300, 200, uniqueTitle(testName() + "-closed"));
    TimerEvent orphan = closed->startTimer(5);
    ASSERT_TRUE(eventually([&] { return closed->getTimerCount(orphan) >= 2; }));
    closed->~Window();
    Window* successor = new (storage) Window(450, 100, 300, 200, uniqueTitle(testName() + "-successor"));

    TimerEvent ticker = window.startTimer(5);
    letFiringsPass(window, ticker, 10);
    EXPECT_EQ(successor->getTimerCount(orphan), 0);
    EXPECT_TRUE(successor->isTimerQueueEmpty());
    window.stopTimer(ticker);
    successor->~Window();
}

// Ticks at start + k * interval: over a second, the ticks a timer fired and those it had to skip
// (the renderer was busy past a whole interval, as under load) add up to the ticks of the time.
// A timer timed from its last tick falls behind by the renderer's delay at every tick.
TEST_F(Timers, ARepeatingTimerKeepsItsScheduleOverTime) {
    const std::atomic<std::int64_t>& skipped = Globals<RendererStatics>::impl()->skippedticks;
    for (int interval : {1, 5}) {
        const auto start = std::chrono::steady_clock::now();
        const std::int64_t skippedBefore = skipped;
        TimerEvent ticker = window.startTimer(interval);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const std::int64_t ticks = window.getTimerCount(ticker) + skipped - skippedBefore;
        const double scheduled =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / interval;
        window.stopTimer(ticker);
        EXPECT_GE(ticks, 0.9 * scheduled) << "every " << interval << " ms";
        EXPECT_LE(ticks, scheduled + 1) << "every " << interval << " ms";
    }
}

TEST(TickSchedule, ALateTurnKeepsOneTickAndSkipsTheOthersWithoutMovingTheSchedule) {
    using Milliseconds = std::chrono::milliseconds;
    const auto at = [](int ms) { return TickSchedule::Clock::time_point(Milliseconds(ms)); };
    TickSchedule schedule{at(0), Milliseconds(5)};
    struct Turn {
        int now;
        int due;
        int next;
    };
    const Turn turns[] = {{4, 0, 5}, {5, 1, 10}, {12, 1, 15}, {32, 4, 35}, {33, 0, 35}, {35, 1, 40}};
    for (const Turn& turn : turns) {
        EXPECT_EQ(schedule.takeDueTicks(at(turn.now)), turn.due) << "at " << turn.now << " ms";
        EXPECT_EQ(schedule.nextTick(), at(turn.next)) << "at " << turn.now << " ms";
    }
}

// Timers that fire on every turn of the renderer while nobody reads: the queue keeps the latest
// events up to its bound, and says so once.
TEST_F(Timers, UnreadFastTimersKeepTheirQueueBoundedAndWarnOnce) {
    testing::internal::CaptureStderr();
    std::vector<TimerEvent> tickers(5);
    for (TimerEvent& ticker : tickers) ticker = window.startTimer(0);
    const bool overflowed = eventually(
        [&] {
            int fired = 0;
            for (const TimerEvent& ticker : tickers) fired += window.getTimerCount(ticker);
            return fired > static_cast<int>(MAX_QUEUED_EVENTS) + 100;
        },
        std::chrono::seconds(60));
    for (const TimerEvent& ticker : tickers) window.stopTimer(ticker);
    waitForRenderer(window);
    const std::string reports = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(overflowed);
    EXPECT_EQ(takeAllTimerEvents(window).size(), MAX_QUEUED_EVENTS);
    EXPECT_PRED2(matchesWhole, reports,
                 reportPattern(diagnostics::Kind::WARNING, "EventQueue.h",
                               "The TimerEvent queue is full (50000 unread events): the oldest are dropped until it "
                               "is emptied.  Take events sooner, or call autoFlushTimerQueue(true)"));
}

TEST_F(Timers, TakingFromAnEmptyTimerQueueHalts) {
    EXPECT_DEATH(window.getTimerEvent(),
                 onlyReport(diagnostics::Kind::FATAL_ERROR, "Window.cpp",
                            "Tried to remove a TimerEvent from an empty queue!  Call isTimerQueueEmpty() first to "
                            "ensure that this does not occur"));
}

}  // namespace
