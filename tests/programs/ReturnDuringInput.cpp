// A program that returns from main while the pointer pours motion into its window (the test moves
// it there): the exit must drop that backlog rather than work through it, and keep what the program
// printed. Busy threads stand for a loaded machine, on which working through it took half a minute.
#include <cstdio>
#include <thread>

#include "Brindlewood.h"

int main() {
    Window window(0, 0, 400, 300, "return during input");
    for (unsigned i = 0; i < 4 * std::thread::hardware_concurrency(); ++i)
        std::thread([] {
            for (volatile unsigned long spin = 0;; spin = spin + 1) {
            }
        }).detach();
    // Some hundred moves show that the burst is well under way.
    for (int moves = 0; moves < 200;)
        if (window.waitForMouseEvent().getEvent() == MouseEvent::MOUSE_MOVE_EVENT) ++moves;
    std::printf("returned from main\n");  // still in stdout's buffer: the exit must flush it
    return 0;
}
