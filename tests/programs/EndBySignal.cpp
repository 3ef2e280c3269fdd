// Draws a red square where its first left click is, then ends as a faulty program does, as the
// argument says: the tests of the signals that end a program run it under an input script.
//   null      writes through a null pointer
//   overflow  recurses until its stack overflows
//   abort     calls std::abort
//   halt      takes a key from an empty queue, which halts with a FATAL ERROR
//   hang      waits for ever, for a signal from outside (timeout): a stop that comes sooner waits
//             until the square is drawn, however slowly the program starts
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "Brindlewood.h"

namespace {

volatile int never = -1;  // a depth never reached, so the compiler keeps the recursion
int* volatile nowhere = nullptr;  // read as the program runs, so the compiler cannot tell it is null

int recurse(int depth) {
    volatile char room[1024];
    room[0] = static_cast<char>(depth);
    return depth == never ? 0 : recurse(depth + 1) + room[0];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string how = argc > 1 ? argv[1] : "";
    sigset_t stops;
    sigemptyset(&stops);
    for (int stop : {SIGTERM, SIGINT, SIGHUP, SIGALRM}) sigaddset(&stops, stop);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    Window window(200, 150, "Faulty");
    for (;;) {
        const MouseEvent event = window.waitForMouseEvent();
        if (event.getEvent() != MouseEvent::BUTTON_CLICK_EVENT) continue;
        window.drawRectangleFilled(Style::RED, event.getX() - 10, event.getY() - 10, event.getX() + 10, event.getY() + 10);
        break;
    }
    if (how == "null") *nowhere = 1;
    if (how == "overflow") return recurse(0);
    if (how == "abort") std::abort();
    if (how == "halt") window.getKeyboardEvent();
    pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}
