// Prints, one a line, the events its windows get until they close: the end-to-end tests drive it
// with an input script. The argument says how it waits:
//   mouse    for mouse events
//   keys     for keyboard events
//   windows  for the keyboard events of its second window, then of its first
//   full     as windows, with its first window in full screen
//   frames   for frames until its window closes (50 at most), then prints the frames and the keys typed
//   timer    for three ticks of a repeating timer, then for keyboard events
//   stream   for events of any kind: takes them without waiting while there are any, then waits
//            for the closing, then waits again (which ends it)
#include <iostream>
#include <string>

#include "Brindlewood.h"

namespace {

template <typename Wait>
void printUntilClosed(const std::string& prefix, Wait wait) {
    for (;;) {
        const auto event = wait();
        std::cout << prefix << event << '\n';
        if (event.getEvent() == decltype(event)::WINDOW_CLOSED_EVENT) return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    Window first(200, 100, "first");
    if (mode == "mouse") printUntilClosed("", [&] { return first.waitForMouseEvent(); });
    if (mode == "keys") printUntilClosed("", [&] { return first.waitForKeyboardEvent(); });
    if (mode == "full") first.enableFullScreen(24, 60);
    if (mode == "windows" || mode == "full") {
        Window second(200, 100, "second");
        printUntilClosed("2 ", [&] { return second.waitForKeyboardEvent(); });
        printUntilClosed("1 ", [&] { return first.waitForKeyboardEvent(); });
    }
    if (mode == "frames") {
        int frames = 0;
        for (; first.isOpen() && frames < 50; ++frames) first.waitForNextFrame(100);
        std::cout << frames << " frames\n";
        while (!first.isKeyboardQueueEmpty()) std::cout << first.getKeyboardEvent() << '\n';
    }
    if (mode == "timer") {
        first.startTimer(10);
        for (int tick = 0; tick < 3; ++tick) std::cout << first.waitForTimerEvent() << '\n';
        printUntilClosed("", [&] { return first.waitForKeyboardEvent(); });
    }
    if (mode == "stream") {
        for (Event event; first.pollEvent(event);) std::cout << event << '\n';
        std::cout << first.waitForEvent() << '\n';
        first.waitForEvent();
        std::cout << "still running after a second wait on a closed window\n";
    }
}
