// The calls of animation and event loops: clearing a window, pacing frames, reading the clock, and
// sleeping until any kind of event arrives.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

#include "ReportPattern.h"
#include "TestWindow.h"
#include "Window.h"
#include "WindowManager.h"
#include "XClient.h"
#include "XDoTool.h"

namespace {

using namespace std::chrono_literals;

std::string testName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

// A shown window of its own for each test.
class Animation : public testing::Test {
protected:
    std::string title = uniqueTitle(testName());
    Window window{100, 100, 160, 120, title};
    void SetUp() override { waitUntilShown(window); }
};

}  // namespace

TEST_F(Animation, ClearFillsTheWholeWindowWithTheColourAndDrawingGoesOnAfterIt) {
    window.drawRectangleFilled(Style::BLACK, 0, 0, 160, 120);
    window.clear(Color::BLUE);
    window.drawPixel(Style::RED, 10, 10);
    EXPECT_EQ(window.readPixel(0, 0), Color::BLUE);
    EXPECT_EQ(window.readPixel(159, 119), Color::BLUE);
    EXPECT_EQ(window.readPixel(10, 10), Color::RED);
}

TEST_F(Animation, ClearWithoutAColourMakesTheWindowWhite) {
    window.drawRectangleFilled(Style::BLACK, 0, 0, 160, 120);
    window.clear();
    EXPECT_EQ(window.readPixel(80, 60), Color::WHITE);
    EXPECT_EQ(window.readPixel(159, 0), Color::WHITE);
}

TEST_F(Animation, WaitForNextFrameShowsTheFrameWhenFlippingIsOff) {
    window.disableAutoPageFlip();
    int x = 0, y = 0;
    window.getPosition(x, y);
    window.drawRectangleFilled(Style::RED, 0, 0, 160, 120);
    EXPECT_EQ(screenPixel(x + 80, y + 60), Color::WHITE) << "not shown before the frame ends";
    window.waitForNextFrame(30);
    EXPECT_TRUE(eventually([&] { return screenPixel(x + 80, y + 60) == Color::RED; }));
}

// The rate itself is measured in bench/; here only that frames are paced at all, and that a slow
// frame does not make the following ones rush.
TEST_F(Animation, WaitForNextFrameKeepsASteadyRate) {
    const double start = WindowManager::getSeconds();
    for (int frame = 0; frame < 20; ++frame) {
        window.drawPixel(Style::BLACK, frame, frame);
        window.waitForNextFrame(50);
    }
    const double elapsed = WindowManager::getSeconds() - start;
    EXPECT_GT(elapsed, 0.35);  // 20 frames at 50 a second take 0.4 s
    EXPECT_LT(elapsed, 2.0);
}

// A period shorter than the clock's tick once came out as zero and divided by it.
TEST_F(Animation, AFrameRateBeyondTheClocksResolutionRunsAsFastAsItCan) {
    const double start = WindowManager::getSeconds();
    for (int rate : {1000000001, 2000000000, std::numeric_limits<int>::max()}) {
        for (int frame = 0; frame < 3; ++frame) window.waitForNextFrame(rate);
    }
    EXPECT_LT(WindowManager::getSeconds() - start, 1.0);
}

TEST_F(Animation, AFrameRateBelowOneHalts) {
    EXPECT_DEATH(window.waitForNextFrame(0),
                 onlyReport(diagnostics::Kind::FATAL_ERROR, "Window.cpp",
                            "The frame rate passed to waitForNextFrame is not a positive integer"));
}

TEST(Clock, GetSecondsFollowsTheWallClockNotTheProcessor) {
    const double before = WindowManager::getSeconds();
    std::this_thread::sleep_for(300ms);  // sleeping uses no processor time
    const double slept = WindowManager::getSeconds() - before;
    EXPECT_GE(slept, 0.3);
    EXPECT_LT(slept, 1.3);
    EXPECT_GE(before, 0.0);
}

TEST_F(Animation, WaitForAnyEventReturnsOnATimer) {
    window.registerNewTimerEvent(20);
    window.waitForAnyEvent();
    EXPECT_FALSE(window.isTimerQueueEmpty());
}

TEST_F(Animation, WaitForAnyEventReturnsOnAKeyAndOnAClick) {
    XDoTool xdo(title);
    xdo.moveTo(50, 50);
    window.flushMouseQueue();
    std::thread typist([&] { xdo.key("k"); });
    window.waitForAnyEvent();
    typist.join();
    EXPECT_TRUE(eventually([&] { return !window.isKeyboardQueueEmpty(); }));
    window.flushKeyboardQueue();

    std::thread clicker([&] { xdo.click(1); });
    window.waitForAnyEvent();
    clicker.join();
    EXPECT_FALSE(window.isMouseQueueEmpty());
}

TEST_F(Animation, WaitForAnyEventReturnsAtOnceWhileAnEventWaits) {
    TimerEvent timer = window.registerNewTimerEvent(1);
    ASSERT_TRUE(eventually([&] { return window.getTimerCount(timer) == 1; }));
    window.waitForAnyEvent();
    window.waitForAnyEvent();  // nothing taken: still there
    EXPECT_EQ(window.getTimerEvent(), timer);
}

TEST_F(Animation, WaitForAnyEventIgnoresAutoFlushedEvents) {
    window.autoFlushTimerQueue(true);
    window.registerNewTimerEvent(1);
    std::thread closer([&] {
        std::this_thread::sleep_for(100ms);
        requestClose(title);
    });
    window.waitForAnyEvent();  // woken by the close, not by the dropped timer events
    closer.join();
    EXPECT_FALSE(window.isOpen());
}
