// Helpers for tests that open windows on the test display.
#include "TestWindow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "XClient.h"
#include "XDoTool.h"

void waitUntilShown(Window& window) {
    int x = 0, y = 0;
    window.getPosition(x, y);  // a round trip: the window exists and the toolkit has run its set-up
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (window.readPixel(0, 0) == Color::WHITE &&
            window.readPixel(window.getWidth() - 1, window.getHeight() - 1) == Color::WHITE)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    FAIL() << "the window was never cleared to white";
}

void waitUntilMapped(const std::string& title) {
    const char* platform = std::getenv("BRINDLEWOOD_PLATFORM");
    if (!platform || std::string(platform) != "offscreen") XDoTool found(title);
}

std::string stderrOf(const std::function<void()>& action) {
    testing::internal::CaptureStderr();
    action();
    return testing::internal::GetCapturedStderr();
}

int occurrences(const std::string& output, const std::string& text) {
    int count = 0;
    for (auto at = output.find(text); at != std::string::npos; at = output.find(text, at + text.size())) ++count;
    return count;
}

Color screenPixel(int screenX, int screenY) {
    const std::vector<unsigned char> rgb = screenRGB(screenX, screenY, 1, 1);
    return Color(rgb[0], rgb[1], rgb[2]);
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}
