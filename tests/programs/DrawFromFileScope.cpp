// A program whose window lives at file scope: it draws and returns from main at once, so the
// window is destroyed among the exit handlers. It must exit cleanly.
#include "Brindlewood.h"

Window window(200, 150, "draw from file scope");

int main() {
    for (int i = 0; i < 100; ++i) window.drawLine(Style::RED, i, 0, 199 - i, 149);
    window.drawCircleFilled(Style::BLUE, 100, 75, 40);
    return 0;
}
