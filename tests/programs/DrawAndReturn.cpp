// A program that opens a window, draws and returns from main at once: it must exit cleanly.
#include "Brindlewood.h"

int main() {
    Window window(200, 150, "draw and return");
    for (int i = 0; i < 100; ++i) window.drawLine(Style::RED, i, 0, 199 - i, 149);
    window.drawCircleFilled(Style::BLUE, 100, 75, 40);
    return 0;
}
