// The Mandelbrot set, drawn pixel by pixel. Every pixel stands for a point c of the complex plane;
// we repeat z = z * z + c from z = 0. Where z stays small for MAX_STEPS steps, c belongs to the set
// and the pixel is black; elsewhere the colour says how quickly z ran away. Any key closes.
#include <Brindlewood.h>

const int WIDTH = 480, HEIGHT = 320;
const int MAX_STEPS = 80;
// The window shows x from -2.2 to 0.8 and y from -1 to 1: STEP is the width of one pixel.
const double LEFT = -2.2, TOP = 1.0, STEP = 3.0 / WIDTH;

// How many steps z needs to leave the circle of radius 2, or MAX_STEPS if it never does.
int escapeSteps(double cx, double cy) {
    double x = 0, y = 0;
    int steps = 0;
    while (steps < MAX_STEPS && x * x + y * y <= 4) {
        double nextX = x * x - y * y + cx;  // (x + iy)^2 = x^2 - y^2 + 2ixy
        y = 2 * x * y + cy;
        x = nextX;
        steps++;
    }
    return steps;
}

// Black inside the set; outside, dark blue through red to yellow the longer z stayed near.
Color colourFor(int steps) {
    if (steps == MAX_STEPS) return Color::BLACK;
    double t = double(steps) / MAX_STEPS;
    double u = 1 - t;
    return Color(int(9 * u * t * t * t * 255), int(15 * u * u * t * t * 255), int(8.5 * u * u * u * t * 255));
}

int main() {
    Window window(100, 100, WIDTH, HEIGHT, "Mandelbrot set");
    // Automatic flipping would update the screen again and again while 150,000 pixels are drawn:
    // it is quicker to show each finished row.
    window.disableAutoPageFlip();
    for (int row = 0; row < HEIGHT; row++) {
        for (int column = 0; column < WIDTH; column++) {
            Color colour = colourFor(escapeSteps(LEFT + column * STEP, TOP - row * STEP));
            window.drawPixel(Style(colour, 1, Style::COPY_OP, Style::defaultpattern), column, row);
        }
        window.flipPage();
    }
    window.waitForKeyboardEvent();
}
