// Turtle graphics: a turtle walks over the window and draws a line wherever it walks. tree() draws
// a branch, then on its tip two smaller trees turned left and right: a tree made of trees. The
// turtle is passed by value, so each smaller tree starts from its own copy at the branch's tip.
// Any key closes the window.
#include <Brindlewood.h>

#include <cmath>

const double PI = 3.14159265358979;

struct Turtle {
    Window& window;
    double x, y;
    double heading;  // degrees: 0 points right, 90 up, as in a maths book

    void turn(double degrees) { heading += degrees; }

    // Walks distance pixels straight ahead, drawing with the pen. The window's y grows downward,
    // so walking up means y gets smaller.
    void forward(double distance, const Style& pen) {
        double newX = x + distance * std::cos(heading * PI / 180);
        double newY = y - distance * std::sin(heading * PI / 180);
        window.drawLine(pen, int(std::lround(x)), int(std::lround(y)), int(std::lround(newX)), int(std::lround(newY)));
        x = newX;
        y = newY;
    }
};

const int DEPTH = 11;  // branches from the trunk to a twig

// Thick brown wood at the trunk (depth DEPTH), thin green twigs at the tips (depth 1).
Style pen(int depth) {
    Color colour(30 + 80 * depth / DEPTH, 160 - 90 * depth / DEPTH, 40 - 10 * depth / DEPTH);
    return Style(colour, depth / 2 + 1, Style::COPY_OP, Style::defaultpattern);
}

void tree(Turtle turtle, double length, int depth) {
    if (depth == 0) return;
    turtle.forward(length, pen(depth));
    Turtle left = turtle;
    left.turn(22);
    tree(left, length * 0.78, depth - 1);
    turtle.turn(-30);
    tree(turtle, length * 0.7, depth - 1);
}

int main() {
    Window window(100, 100, 520, 420, "Turtle tree");
    Turtle turtle{window, 250, 410, 90};  // at the bottom, looking up
    tree(turtle, 100, DEPTH);
    window.waitForKeyboardEvent();
}
