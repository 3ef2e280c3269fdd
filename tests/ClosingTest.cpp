// Windows closed by the user or the window system: the close button's WM_DELETE_WINDOW message,
// another program destroying the window, the X server cutting the program off. The program never
// crashes, never prints X errors and never hangs; waiting on a closed window ends it normally.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

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

TEST(ClosedWindow, WaitForAnyEventReturnsWhenTheWindowCloses) {
    ClosableWindow closable;
    std::thread closer([&] { requestClose(closable.title); });
    closable.window.waitForAnyEvent();
    closer.join();
    EXPECT_FALSE(closable.window.isOpen());
}

using ClosedWindowDeathTest = testing::Test;

TEST_F(ClosedWindowDeathTest, AProgramWaitingForAClickEndsNormallyWhenItsWindowCloses) {
    EXPECT_EXIT(
        {
            std::atexit(reportExitHandlersRan);
            ClosableWindow closable;
            std::thread closer([&] { requestClose(closable.title); });
            closer.detach();
            closable.window.waitForMouseEvent();
        },
        testing::ExitedWithCode(0), ENDED_NORMALLY);
}

TEST_F(ClosedWindowDeathTest, WaitingForAKeyAfterTheWindowClosedEndsTheProgramNormally) {
    EXPECT_EXIT(
        {
            std::atexit(reportExitHandlersRan);
            ClosableWindow closable;
            closable.closeAndWait();
            closable.window.waitForKeyboardEvent();
        },
        testing::ExitedWithCode(0), ENDED_NORMALLY);
}

TEST_F(ClosedWindowDeathTest, WaitingForATimerOfAClosedWindowEndsTheProgramNormally) {
    EXPECT_EXIT(
        {
            std::atexit(reportExitHandlersRan);
            ClosableWindow closable;
            closable.window.startTimer(100000);
            closable.closeAndWait();
            closable.window.waitForTimerEvent();
        },
        testing::ExitedWithCode(0), ENDED_NORMALLY);
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
            closable.window.waitForMouseEvent();
        },
        testing::ExitedWithCode(0), ENDED_NORMALLY);
}
