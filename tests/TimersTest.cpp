// Timers: ids, one-shot and running timers firing into a window's timer queue, stopping, counting
// under auto-flush, and timers of a closed window. Every case runs in a fresh process, so the
// first timer of a case has id 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <new>
#include <string>
#include <vector>

#include "Brindlewood.h"
#include "EventQueue.h"
#include "GLUTImp.h"
#include "ReportPattern.h"
#include "TestWindow.h"
#include "XDoTool.h"

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

TEST(TimerCreation, ATimerForNoWindowHalts) {
    EXPECT_DEATH(GLUTImp::startTimer(nullptr, 10),
                 onlyReport(diagnostics::Kind::FATAL_ASSERTION, "GLUTImpInput.cpp",
                            "I seem to have recieved a NULL Window pointer"));
}

}  // namespace
