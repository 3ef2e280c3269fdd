// A program that draws and ends through exit with its window still open (exit destroys no local
// object): the window closes as the program ends, right after the drawing was queued.
#include <cstdlib>

#include "Brindlewood.h"

int main() {
    Window window(200, 150, "exit with a window open");
    window.drawRectangleFilled(Style::RED, 20, 30, 120, 90);
    std::exit(0);
}
