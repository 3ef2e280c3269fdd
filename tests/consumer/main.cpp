// Draws a red pixel and reads it back: proof that the installed library and its renderer work.
#include <Brindlewood.h>

#include <iostream>

int main() {
    Window window(100, 80, "consumer");
    int x = 0, y = 0;
    window.getPosition(x, y);
    window.drawPixel(Style::RED, 10, 20);
    const Color seen = window.readPixel(10, 20);
    std::cout << seen << '\n';
    return seen == Color::RED ? 0 : 1;
}
