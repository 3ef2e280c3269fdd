// Several threads of one program asking the same window for answers at once: every blocking call
// with a reply (readPixel, createImage, getPosition) answers each caller, with its own answer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "TestWindow.h"
#include "Window.h"
#include "XDoTool.h"

namespace {

using namespace std::chrono_literals;

// Generous: the reads take well under a second; only a caller left waiting for ever exceeds it.
constexpr auto ALL_ANSWERED = 60s;

// Runs read on each of threads threads at once, and fails unless every run returns.
void expectAllAnswered(int threads, const std::function<void(int)>& read) {
    std::vector<std::future<void>> runs;
    for (int thread = 0; thread < threads; ++thread) runs.push_back(std::async(std::launch::async, read, thread));
    const auto deadline = std::chrono::steady_clock::now() + ALL_ANSWERED;
    for (auto& run : runs) {
        if (run.wait_until(deadline) == std::future_status::ready) continue;
        // A thread still waiting would keep the test from ending: end the process instead.
        ADD_FAILURE() << "a caller was never answered";
        std::fflush(stdout);
        std::_Exit(1);
    }
}

}  // namespace

class SharedWindow : public testing::Test {
protected:
    static constexpr int THREADS = 4;
    // Each thread reads a column of its own colour, so an answer meant for another thread shows.
    const Color colours[THREADS] = {Color::RED, Color::GREEN, Color::BLUE, Color::BLACK};
    Window window{40, 60, 120, 80, uniqueTitle("shared")};

    void SetUp() override {
        waitUntilShown(window);
        for (int thread = 0; thread < THREADS; ++thread)
            window.drawRectangleFilled(Style(colours[thread], 1, Style::COPY_OP, Style::defaultpattern), 10 * thread, 0,
                                       10 * thread + 10, 80);
    }
};

TEST_F(SharedWindow, EveryThreadReadingPixelsGetsItsOwnPixels) {
    expectAllAnswered(THREADS, [&](int thread) {
        for (int i = 0; i < 200; ++i) ASSERT_EQ(window.readPixel(10 * thread + 5, i % 80), colours[thread]) << i;
    });
}

TEST_F(SharedWindow, EveryThreadCapturingGetsItsOwnPicture) {
    expectAllAnswered(THREADS, [&](int thread) {
        for (int i = 0; i < 50; ++i) {
            const Image captured = window.createImage(10 * thread, 0, 10, 1 + i % 80);
            ASSERT_EQ(captured.getHeight(), 1 + i % 80);
            const std::vector<unsigned char> pixels = captured.getPixels();
            ASSERT_EQ(Color(pixels[0], pixels[1], pixels[2], pixels[3]), colours[thread]) << i;
        }
    });
}

// Reads of every kind mixed, as a program with a drawing thread and an input thread may make them.
TEST_F(SharedWindow, ThreadsMixingReadsCapturesAndPositionsAreAllAnswered) {
    expectAllAnswered(THREADS, [&](int thread) {
        for (int i = 0; i < 100; ++i) {
            int x = 0, y = 0;
            window.getPosition(x, y);
            ASSERT_EQ(x, 40);
            ASSERT_EQ(y, 60);
            ASSERT_EQ(window.readPixel(10 * thread + 5, 5), colours[thread]);
            ASSERT_EQ(window.createImage(10 * thread, 5, 3, 3).getWidth(), 3);
        }
    });
}
