// The command pipeline and the renderer thread: the queue's bound and order, one renderer for every
// window, window lifetime, page flipping, window size and position, and a clean exit.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include "ReportPattern.h"
#include "TestWindow.h"
#include "Window.h"
#include "XDoTool.h"
#include "shared/CommandQueue.h"
#include "shared/Diagnostics.h"

namespace {

using namespace std::chrono_literals;

// Threads of this process whose name is the renderer's.
int rendererThreads() {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name == "brindlewood") ++count;
    }
    return count;
}

}  // namespace

// No window exists in these tests, so no renderer: the test takes the queue itself. The queue
// never dereferences a command's window.
Window* const anyWindow = reinterpret_cast<Window*>(0x1000);

DaemonCommand pointList(int points) {
    return DaemonCommand(anyWindow, command::Draw{Style::BLACK, command::PolyLine{command::Points(points, {1, 2})}});
}

TEST(CommandQueue, AProducerRunsAheadUpToTheBoundThenWaitsForTheRenderer) {
    auto producer = std::async(std::launch::async, [] {
        for (std::size_t i = 0; i <= CommandQueue::QUEUE_BOUND; ++i)
            CommandQueue::push(DaemonCommand(anyWindow, command::FlipPage{}));
    });
    EXPECT_EQ(producer.wait_for(300ms), std::future_status::timeout) << "the queue grew past its bound";
    std::vector<DaemonCommand> taken;
    std::vector<command::PlainPixel> pixels;
    CommandQueue::takeAll(taken, pixels);
    EXPECT_EQ(taken.size(), CommandQueue::QUEUE_BOUND);
    ASSERT_EQ(producer.wait_for(2s), std::future_status::ready) << "taking the queue did not release the producer";
    CommandQueue::takeAll(taken, pixels);
    EXPECT_EQ(taken.size(), 1u);
}

TEST(CommandQueue, LongPointListsAreBoundedByTheirSize) {
    const int points = static_cast<int>(CommandQueue::QUEUE_POINT_BOUND / 2);  // half the bound each
    auto producer = std::async(std::launch::async, [points] {
        for (int i = 0; i < 3; ++i) CommandQueue::push(pointList(points));
    });
    EXPECT_EQ(producer.wait_for(300ms), std::future_status::timeout) << "three lists of half the bound were queued";
    std::vector<DaemonCommand> taken;
    std::vector<command::PlainPixel> pixels;
    CommandQueue::takeAll(taken, pixels);
    EXPECT_EQ(taken.size(), 2u);
    EXPECT_EQ(producer.wait_for(2s), std::future_status::ready);
    CommandQueue::takeAll(taken, pixels);
    EXPECT_EQ(taken.size(), 1u);
}

TEST(CommandQueue, PlainPixelsShareOneCommandAndAreBoundedByTheirNumber) {
    for (std::size_t i = 0; i < CommandQueue::QUEUE_POINT_BOUND; ++i)
        CommandQueue::pushPixel(anyWindow, {static_cast<int>(i), 0, Color::RED});
    auto producer = std::async(std::launch::async, [] { CommandQueue::pushPixel(anyWindow, {0, 1, Color::RED}); });
    EXPECT_EQ(producer.wait_for(300ms), std::future_status::timeout) << "a pixel was queued past the bound";
    std::vector<DaemonCommand> taken;
    std::vector<command::PlainPixel> pixels;
    CommandQueue::takeAll(taken, pixels);
    EXPECT_EQ(taken.size(), 1u);
    EXPECT_EQ(pixels.size(), CommandQueue::QUEUE_POINT_BOUND);
    ASSERT_EQ(producer.wait_for(2s), std::future_status::ready) << "taking the queue did not release the producer";
    CommandQueue::takeAll(taken, pixels);
    EXPECT_EQ(pixels.size(), 1u);
}

// Each thread's calls run in the order made, and calls of different threads in the order queued.
TEST(CommandQueue, DrawingFromTwoThreadsKeepsTheOrderOfTheCalls) {
    Window window(120, 80, uniqueTitle("two-threads"));
    waitUntilShown(window);
    std::atomic<int> turn{0};
    const auto drawOnTurns = [&](int self, const Style& style) {
        for (int round = 0; round < 50; ++round) {
            while (turn % 2 != self) std::this_thread::yield();
            for (int i = 0; i < 100; ++i) window.drawLine(Style::GREEN, 0, i % 80, 119, 79 - i % 80);
            window.drawPixel(style, 7, 7);
            ++turn;
        }
    };
    std::thread red(drawOnTurns, 0, Style::RED);
    std::thread blue(drawOnTurns, 1, Style::BLUE);
    red.join();
    blue.join();
    EXPECT_EQ(window.readPixel(7, 7), Color::BLUE) << "the last pixel drawn was blue";
}

// Threads that the GL driver starts from the renderer carry its name until they rename themselves,
// which under load can take a while: the fewest seen over half a second are the lasting ones.
int lastingRendererThreads() {
    int fewest = rendererThreads();
    for (int look = 0; look < 10; ++look) {
        std::this_thread::sleep_for(50ms);
        fewest = std::min(fewest, rendererThreads());
    }
    return fewest;
}

TEST(Renderer, EveryWindowSharesOneRendererThread) {
    EXPECT_EQ(rendererThreads(), 0);
    Window first(120, 80, uniqueTitle("first"));
    waitUntilShown(first);
    const int afterFirst = lastingRendererThreads();
    EXPECT_GE(afterFirst, 1);
    Window second(120, 80, uniqueTitle("second"));
    waitUntilShown(second);
    EXPECT_EQ(lastingRendererThreads(), afterFirst);
}

TEST(Renderer, AWindowOpenedAfterTheOnlyOneClosedStillDraws) {
    { Window only(120, 80, uniqueTitle("only")); }
    Window next(120, 80, uniqueTitle("next"));
    waitUntilShown(next);
    next.drawPixel(Style::RED, 10, 10);
    EXPECT_EQ(next.readPixel(10, 10), Color::RED);
}

// Run under the sanitizer builds this catches any renderer access to a destroyed window.
TEST(WindowLifetime, WindowsDestroyedRightAfterHeavyDrawingAreNeverTouchedAgain) {
    for (int round = 0; round < 20; ++round) {
        auto window = std::make_unique<Window>(40 + round, 40 + round, 160, 120, uniqueTitle("short-lived"));
        for (int i = 0; i < 200; ++i) {
            window->drawLine(Style::BLUE, 0, i % 120, 159, 119 - i % 120);
            window->drawCircleOutline(Style::RED, 80, 60, i % 50);
        }
        window->startTimer(1);
        window.reset();
    }
    Window survivor(120, 80, uniqueTitle("survivor"));
    waitUntilShown(survivor);
    survivor.drawPixel(Style::GREEN, 3, 3);
    EXPECT_EQ(survivor.readPixel(3, 3), Color::GREEN);
}

// The toolkit reports a new window's size a while after creating it; that report must not wipe
// what the program drew right after the constructor, in the first window or in any later one.
TEST(WindowLifetime, DrawingRightAfterTheConstructorStaysInEveryWindow) {
    std::vector<std::unique_ptr<Window>> windows;
    for (int i = 0; i < 3; ++i) {
        windows.push_back(
            std::make_unique<Window>(100 + 200 * i, 100, 120, 80, uniqueTitle("at-once-" + std::to_string(i))));
        windows.back()->drawRectangleFilled(Style::RED, 20, 20, 60, 60);
    }
    for (int i = 0; i < 3; ++i) {
        waitUntilMapped(uniqueTitle("at-once-" + std::to_string(i)));
        waitUntilShown(*windows[i]);
        EXPECT_EQ(windows[i]->readPixel(40, 40), Color::RED) << "window " << i;
    }
}

// A window opened, drawn in and deleted at once used to leave the GL context on its destroyed X
// window, and the next window's creation met an X error.
TEST(WindowLifetime, AThousandWindowsOpenedDrawnInAndDeletedAtOnceRaiseNoErrorAndKeepMemoryFlat) {
    long residentAfterFirstHundred = 0;
    const std::string output = stderrOf([&] {
        for (int i = 0; i < 1000; ++i) {
            auto window = std::make_unique<Window>(200, 150, uniqueTitle("churn"));
            window->startTimer(1);
            window->drawLine(Style::BLACK, 0, 0, 100, 100);
            window.reset();
            if (i == 99) residentAfterFirstHundred = residentKilobytes();
        }
    });
    EXPECT_EQ(output, "");
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // they keep freed memory's records
    EXPECT_LE(residentKilobytes(), residentAfterFirstHundred * 11 / 10);
#endif
}

TEST(PageFlip, ASwapKeepsWhatWasDrawnInTheBackBuffer) {
    Window window(120, 80, uniqueTitle("keeps"));
    waitUntilShown(window);
    window.drawRectangleFilled(Style::RED, 10, 10, 30, 30);
    for (int i = 0; i < 3; ++i) window.flipPage();
    window.drawPixel(Style::BLUE, 50, 50);
    EXPECT_EQ(window.readPixel(20, 20), Color::RED);
    EXPECT_EQ(window.readPixel(50, 50), Color::BLUE);
}

TEST(PageFlip, WithAutoflipDrawingReachesTheScreenByItself) {
    const std::string title = uniqueTitle("autoflip");
    Window window(300, 200, 120, 80, title);
    XDoTool mapped(title);
    waitUntilShown(window);
    window.drawRectangleFilled(Style::RED, 10, 10, 40, 40);
    EXPECT_TRUE(eventually([] { return screenPixel(300 + 20, 200 + 20) == Color::RED; }, 2000ms));
}

TEST(PageFlip, WithoutAutoflipDrawingStaysOffScreenUntilFlipPageYetReadsBack) {
    const std::string title = uniqueTitle("manual");
    Window window(500, 200, 120, 80, title);
    XDoTool mapped(title);
    waitUntilShown(window);
    window.disableAutoPageFlip();
    window.drawRectangleFilled(Style::RED, 10, 10, 40, 40);
    EXPECT_EQ(window.readPixel(20, 20), Color::RED);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(screenPixel(500 + 20, 200 + 20), Color::WHITE);
    window.flipPage();
    EXPECT_TRUE(eventually([] { return screenPixel(500 + 20, 200 + 20) == Color::RED; }, 2000ms));
}

TEST(WindowSize, ResizeTakesTheHeightFirstAndClearsToWhite) {
    Window window(200, 150, uniqueTitle("resize"));
    waitUntilShown(window);
    window.drawRectangleFilled(Style::BLACK, 0, 0, 200, 150);
    window.resize(300, 400);
    EXPECT_EQ(window.getWidth(), 400);
    EXPECT_EQ(window.getHeight(), 300);
    EXPECT_EQ(window.readPixel(5, 5), Color::WHITE);
    EXPECT_EQ(window.readPixel(399, 299), Color::WHITE);
}

// The toolkit reports the new size a while after the resize; that report must not wipe what was
// drawn meanwhile.
TEST(WindowSize, DrawingRightAfterAResizeStays) {
    Window window(200, 150, uniqueTitle("resize-draw"));
    waitUntilShown(window);
    for (int i = 0; i < 10; ++i) {
        const int width = 300 + 10 * i;
        window.resize(200, width);
        window.drawPixel(Style::RED, width - 1, 199);
        EXPECT_EQ(window.readPixel(width - 1, 199), Color::RED) << "at width " << width;
        EXPECT_EQ(window.readPixel(width - 2, 198), Color::WHITE) << "at width " << width;
        std::this_thread::sleep_for(50ms);  // time for the toolkit's own report of the size
        EXPECT_EQ(window.readPixel(width - 1, 199), Color::RED) << "at width " << width;
    }
}

TEST(WindowPosition, GetPositionReportsWhereTheWindowWasPlaced) {
    Window window(150, 120, 100, 60, uniqueTitle("placed"));
    waitUntilShown(window);
    int x = 0, y = 0;
    window.getPosition(x, y);
    EXPECT_EQ(x, 150);
    EXPECT_EQ(y, 120);
}

// X alone: the screen read back. An X server without a window manager leaves a window where it is.
TEST(WindowPosition, AWindowThatAsksForNoPlaceOpensWholeInTheCornerOfAScreenWithoutAWindowManager) {
    Window window(100, 60, uniqueTitle("anywhere"));
    waitUntilShown(window);
    window.drawPixel(Style::RED, 0, 0);
    int x = -1, y = -1;
    window.getPosition(x, y);
    EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
    EXPECT_TRUE(eventually([] { return screenPixel(0, 0) == Color::RED; }));
}

TEST(WindowChecks, AWidthBelowOneHalts) {
    EXPECT_DEATH(Window(0, 10, "no width"),
                 reportPattern(diagnostics::Kind::FATAL_ERROR, "Window.cpp", "Window width is not a positive integer"));
}

TEST(WindowChecks, AHeightBelowOneHaltsAfterTheWidthIsChecked) {
    EXPECT_DEATH(Window(10, 0, "no height"), reportPattern(diagnostics::Kind::FATAL_ERROR, "Window.cpp",
                                                           "Window height is a not a positive integer"));
    EXPECT_DEATH(Window(0, 0, "neither"),
                 reportPattern(diagnostics::Kind::FATAL_ERROR, "Window.cpp", "Window width is not a positive integer"));
}

TEST(NumberToString, FormatsIntegersAndFixedPointNumbers) {
    EXPECT_EQ(Window::numberToString(-42), "-42");
    EXPECT_EQ(Window::numberToString(3.14159, 2), "3.14");
    EXPECT_EQ(Window::numberToString(2.5, -1), "2.500000");
    EXPECT_EQ(Window::numberToString(1.0, 500), Window::numberToString(1.0, 100));
    EXPECT_EQ(Window::numberToString(1.0, 100).size(), 102u);
}

TEST(FullScreen, AFullScreenWindowDrawsInGameModeOrSaysWhyNot) {
    std::unique_ptr<FullScreenWindow> window;
    const std::string output = stderrOf([&] {
        window = std::make_unique<FullScreenWindow>(800, 600, 24, 60);
        int x = 0, y = 0;
        window->getPosition(x, y);
    });
    if (occurrences(output, "Could not enter full-screen mode") == 1)
        GTEST_SKIP() << "this X server cannot enter game mode; the window opened as a plain window";
    EXPECT_EQ(output, "");
    window->drawPixel(Style::RED, 5, 5);
    EXPECT_EQ(window->readPixel(5, 5), Color::RED);
}
