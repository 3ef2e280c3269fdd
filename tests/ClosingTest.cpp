// Windows closed by the user or the window system: the close button's WM_DELETE_WINDOW message,
// another program destroying the window, the X server cutting the program off. The program never
// crashes, never prints X errors and never hangs; the first wait on a closed window says it has
// closed, and waiting on it again ends the program normally.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "TestWindow.h"
#include "Window.h"
#include "WindowManager.h"
#include "XClient.h"
#include "XDoTool.h"

namespace {

// Written by an exit handler of the test program: proof that the program ended through exit.
void reportExitHandlersRan() { std::fputs("exit handlers ran\n", stderr); }
const char* const ENDED_NORMALLY = "^exit handlers ran\n$";

std::string testName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

// A shown window whose close button the test can press.
struct ClosableWindow {
    std::string title;
    Window window;
    explicit ClosableWindow(const std::string& name = "closable")
        : title(uniqueTitle(testName() + "-" + name)), window(160, 120, title) {
        waitUntilShown(window);
    }
    void closeAndWait() {
        requestClose(title);
        ASSERT_TRUE(eventually([&] { return !window.isOpen(); })) << "the window never closed";
    }
};

bool allWhite(const Image& image) {
    const std::vector<unsigned char> pixels = image.getPixels();
    return !pixels.empty() && std::all_of(pixels.begin(), pixels.end(), [](unsigned char c) { return c == 255; });
}

}  // namespace

TEST(ClosedWindow, IsOpenUntilItsCloseButtonIsPressed) {
    ClosableWindow closable;
    EXPECT_TRUE(closable.window.isOpen());
    closable.closeAndWait();
}

TEST(ClosedWindow, DropsRequestsQuietlyAndAnswersWithWhite) {
    ClosableWindow closable;
    Window& window = closable.window;
    window.drawRectangleFilled(Style::BLACK, 0, 0, 160, 120);
    closable.closeAndWait();
    const std::string output = stderrOf([&] {
        for (int i = 0; i < 100; ++i) window.drawLine(Style::RED, 0, i, 150, i);
        window.drawImage(Image::createEditable(10, 10), 5, 5);
        window.clear(Color::BLUE);
        window.resize(90, 100);
        window.setTitle("gone");
        window.flipPage();
        window.startTimer(5);
        int x = -1, y = -1;
        window.getPosition(x, y);
        EXPECT_EQ(window.readPixel(10, 10), Color::WHITE);
        const Image captured = window.createImage(0, 0, 30, 20);
        EXPECT_EQ(captured.getWidth(), 30);
        EXPECT_EQ(captured.getHeight(), 20);
        EXPECT_TRUE(allWhite(captured));
    });
    EXPECT_EQ(output, "") << "closing is not an error";
}

TEST(ClosedWindow, AWindowOpenedAfterAClosedOneDraws) {
    {
        ClosableWindow closable;
        closable.closeAndWait();
    }
    Window next(120, 80, uniqueTitle("next"));
    waitUntilShown(next);
    next.drawPixel(Style::RED, 10, 10);
    EXPECT_EQ(next.readPixel(10, 10), Color::RED);
}

TEST(ClosedWindow, ClosingOneWindowLeavesTheOthersOpen) {
    ClosableWindow kept("kept");
    ClosableWindow closed("closed");
    kept.window.drawPixel(Style::RED, 1, 1);  // the kept window is the renderer's current one
    EXPECT_EQ(kept.window.readPixel(1, 1), Color::RED);
    closed.closeAndWait();
    kept.window.drawPixel(Style::BLUE, 2, 2);
    EXPECT_EQ(kept.window.readPixel(2, 2), Color::BLUE);
    EXPECT_TRUE(kept.window.isOpen());
}

// The renderer may be drawing into the window, or swapping it, when it goes: the window system's
// errors about it are expected, not reported.
TEST(ClosedWindow, AWindowDestroyedByAnotherProgramWhileDrawingRaisesNoError) {
    ClosableWindow closable;
    const std::string output = stderrOf([&] {
        std::atomic<bool> gone{false};
        std::thread drawer([&] {
            for (int i = 0; !gone; ++i) closable.window.drawLine(Style::BLACK, 0, i % 120, 159, 119 - i % 120);
        });
        destroyFromOutside(closable.title);
        EXPECT_TRUE(eventually([&] { return !closable.window.isOpen(); }));
        gone = true;
        drawer.join();
        // The window system's answers to the last requests arrive a little later.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Window other(40, 40, uniqueTitle("after"));
        waitUntilShown(other);
    });
    EXPECT_EQ(output, "");
}

TEST(ClosedWindow, TheFirstWaitOfEachKindReturnsAClosingEvent) {
    ClosableWindow keys("keys"), mouse("mouse"), timers("timers");
    for (ClosableWindow* closable : {&keys, &mouse, &timers}) closable->closeAndWait();
    EXPECT_EQ(keys.window.waitForKeyboardEvent(), KeyboardEvent::windowClosed());
    EXPECT_EQ(mouse.window.waitForMouseEvent().getEvent(), MouseEvent::WINDOW_CLOSED_EVENT);
    EXPECT_EQ(timers.window.waitForTimerEvent().getEvent(), TimerEvent::WINDOW_CLOSED_EVENT);
}

TEST(ClosedWindow, AWaitInProgressReturnsAClosingEventWhenTheWindowCloses) {
    ClosableWindow closable;
    std::thread closer([&] { requestClose(closable.title); });
    EXPECT_EQ(closable.window.waitForMouseEvent(), MouseEvent::windowClosed());
    closer.join();
}

TEST(ClosedWindow, WaitForAnyEventReturnsWhenTheWindowCloses) {
    ClosableWindow closable;
    std::thread closer([&] { requestClose(closable.title); });
    closable.window.waitForAnyEvent();
    closer.join();
    EXPECT_FALSE(closable.window.isOpen());
}

using ClosedWindowDeathTest = testing::Test;

// The usual loop ends when the window closes during its wait, and the program goes on after it.
TEST_F(ClosedWindowDeathTest, ALoopOnIsOpenEndsWhenTheWindowClosesAndTheCodeAfterItRuns) {
    EXPECT_EXIT(
        {
            std::atexit(reportExitHandlersRan);
            ClosableWindow closable;
            std::thread closer([&] { requestClose(closable.title); });
            closer.detach();
            while (closable.window.isOpen()) closable.window.waitForKeyboardEvent();
            std::fputs("after the loop\n", stderr);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^after the loop\nexit handlers ran\n$");
}

// A loop that never looks at isOpen() cannot wait for ever: its next wait ends the program.
TEST_F(ClosedWindowDeathTest, WaitingAgainOnAClosedWindowEndsTheProgramNormally) {
    const std::vector<std::function<void(Window&)>> waits = {
        [](Window& w) { w.waitForKeyboardEvent(); }, [](Window& w) { w.waitForMouseEvent(); },
        [](Window& w) { w.waitForTimerEvent(); }, [](Window& w) { w.waitForAnyEvent(); },
        [](Window& w) { w.waitForEvent(); }};
    for (std::size_t first = 0; first < waits.size(); ++first) {
        for (std::size_t again = 0; again < waits.size(); ++again) {
            SCOPED_TRACE(std::to_string(first) + " then " + std::to_string(again));
            EXPECT_EXIT(
                {
                    std::atexit(reportExitHandlersRan);
                    ClosableWindow closable;
                    closable.window.startTimer(100000);
                    closable.closeAndWait();
                    waits[first](closable.window);
                    std::fputs("told\n", stderr);
                    waits[again](closable.window);
                },
                testing::ExitedWithCode(0), "^told\nexit handlers ran\n$");
        }
    }
}

TEST_F(ClosedWindowDeathTest, TheEventLoopEndsTheProgramOnceEveryWindowIsClosed) {
    EXPECT_EXIT(
        {
            std::atexit(reportExitHandlersRan);
            ClosableWindow first("first");
            ClosableWindow second("second");
            std::thread closer([&] {
                requestClose(first.title);
                requestClose(second.title);
            });
            closer.detach();
            WindowManager::handleEvents();
        },
        testing::ExitedWithCode(0), ENDED_NORMALLY);
}

TEST_F(ClosedWindowDeathTest, AWindowDestroyedByAnotherProgramClosesAndItsWaitEnds) {
    EXPECT_EXIT(
        {
            std::atexit(reportExitHandlersRan);
            ClosableWindow closable;
            destroyFromOutside(closable.title);
            if (!eventually([&] { return !closable.window.isOpen(); })) std::abort();
            closable.window.drawLine(Style::BLACK, 0, 0, 50, 50);
            if (closable.window.waitForMouseEvent() != MouseEvent::windowClosed()) std::abort();
            closable.window.waitForMouseEvent();
        },
        testing::ExitedWithCode(0), ENDED_NORMALLY);
}
