// XDoTool: runs the xdotool command for the tests and checks that every run succeeded.
#include "XDoTool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

// Runs one xdotool command line and returns what it printed; a failed run fails the test.
std::string xdotool(const std::string& arguments) {
    // A bounded run: a window that never appears fails the test instead of hanging it.
    std::string command =
        "timeout " + std::to_string(WINDOW_SEARCH_LIMIT.count()) + " xdotool " + arguments + " 2>/dev/null";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "could not run: " << command;
        return output;
    }
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    int status = pclose(pipe);
    EXPECT_EQ(status, 0) << "failed: " << command;
    return output;
}

// xdotool's own click pauses about 100 ms after each: a user's clicks come faster.
std::string clickSteps(int button) {
    const std::string number = std::to_string(button);
    return "mousedown " + number + " mouseup " + number + " ";
}

}  // namespace

XDoTool::XDoTool(const std::string& title) {
    std::string found = xdotool("search --sync --limit 1 --name '^" + title + "$'");
    window = found.substr(0, found.find('\n'));
}

void XDoTool::moveTo(int x, int y) {
    xdotool("mousemove --sync --window " + window + " " + std::to_string(x) + " " + std::to_string(y));
}

void XDoTool::moveOnScreenTo(int x, int y) {
    xdotool("mousemove --sync " + std::to_string(x) + " " + std::to_string(y));
}

void XDoTool::click(int button) { xdotool(clickSteps(button)); }
void XDoTool::clickEach(const std::vector<std::pair<int, int>>& points) {
    std::string arguments;
    for (auto [x, y] : points)
        arguments +=
            "mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) + " " + clickSteps(1);
    xdotool(arguments);
}
void XDoTool::press(int button) { xdotool("mousedown " + std::to_string(button)); }
void XDoTool::release(int button) { xdotool("mouseup " + std::to_string(button)); }
void XDoTool::key(const std::string& keys) { xdotool("key " + keys); }
void XDoTool::keyDown(const std::string& keys) { xdotool("keydown " + keys); }
void XDoTool::keyUp(const std::string& keys) { xdotool("keyup " + keys); }
void XDoTool::type(const std::string& text, int millisecondsPerKey) {
    xdotool("type --delay " + std::to_string(millisecondsPerKey) + " -- '" + text + "'");
}
void XDoTool::focus() { xdotool("windowfocus --sync " + window); }
void XDoTool::run(const std::string& steps) { xdotool(steps); }

XDoTool::Placement XDoTool::placement() const {
    // Lines such as "X=100", one for each value.
    std::istringstream lines(xdotool("getwindowgeometry --shell " + window));
    Placement place;
    std::string line;
    while (std::getline(lines, line)) {
        const std::string name = line.substr(0, line.find('=')), value = line.substr(line.find('=') + 1);
        if (name == "X") place.x = std::stoi(value);
        if (name == "Y") place.y = std::stoi(value);
        if (name == "WIDTH") place.width = std::stoi(value);
        if (name == "HEIGHT") place.height = std::stoi(value);
    }
    return place;
}

std::string uniqueTitle(const std::string& name) { return name + "-" + std::to_string(getpid()); }

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
