// An analogue clock. A running timer wakes the program four times a second; whenever the second
// has changed, it draws the whole face again: the marks, the numbers and the hour, minute and
// second hands at the angles of the time. Escape quits.
#include <Brindlewood.h>

#include <cmath>
#include <ctime>
#include <string>

const int SIZE = 400, CENTRE = 200, RADIUS = 170;
const double PI = 3.14159265358979;

Style pen(Color colour, int width) { return Style(colour, width, Style::COPY_OP, Style::defaultpattern); }

// The point at distance from the centre in the direction of a clock angle: 0 degrees is 12 o'clock
// and angles grow clockwise, as the hands turn. The window's y grows downward, hence the minus.
int pointX(double angle, double distance) { return CENTRE + int(std::lround(distance * std::sin(angle * PI / 180))); }
int pointY(double angle, double distance) { return CENTRE - int(std::lround(distance * std::cos(angle * PI / 180))); }

// A line from inner to outer distance in the direction of angle: a hand, or a mark on the rim.
void ray(Window& window, const Style& style, double angle, double inner, double outer) {
    window.drawLine(style, pointX(angle, inner), pointY(angle, inner), pointX(angle, outer), pointY(angle, outer));
}

void drawClock(Window& window, const std::tm& now) {
    Font font(Font::HELVETICA, 18);
    window.clear();
    window.drawCircleOutline(pen(Color::BLACK, 3), CENTRE, CENTRE, RADIUS);
    for (int minute = 0; minute < 60; minute++) {
        bool hourMark = minute % 5 == 0;
        ray(window, pen(Color::BLACK, hourMark ? 3 : 1), minute * 6, RADIUS - (hourMark ? 14 : 6), RADIUS);
    }
    for (int hour = 1; hour <= 12; hour++) {
        // getStringSize measures the number, so that it can stand centred on its point.
        std::string number = std::to_string(hour);
        int width, height;
        font.getStringSize(number, width, height);
        window.drawText(Style::BLACK, font, pointX(hour * 30, RADIUS - 32) - width / 2,
                        pointY(hour * 30, RADIUS - 32) + height / 3, number);
    }
    double seconds = now.tm_sec;
    double minutes = now.tm_min + seconds / 60;
    double hours = now.tm_hour % 12 + minutes / 60;
    ray(window, pen(Color(30, 30, 140), 6), hours * 30, 0, RADIUS * 0.5);  // 360 / 12 degrees an hour
    ray(window, pen(Color::BLACK, 4), minutes * 6, 0, RADIUS * 0.75);     // 360 / 60 degrees a minute
    ray(window, pen(Color::RED, 2), seconds * 6, -20, RADIUS * 0.9);
    window.drawCircleFilled(Style::RED, CENTRE, CENTRE, 5);
    window.flipPage();
}

int main() {
    Window window(100, 100, SIZE, SIZE, "Clock");
    window.disableAutoPageFlip();  // show each face only when it is whole
    window.startTimer(250);
    std::time_t shown = 0;
    while (window.isOpen()) {
        std::time_t now = std::time(nullptr);
        if (now != shown) drawClock(window, *std::localtime(&now));
        shown = now;
        window.waitForTimerEvent();
        while (!window.isKeyboardQueueEmpty())
            if (window.getKeyboardEvent().getValue() == NamedKey::ESCAPE) return 0;
    }
}
