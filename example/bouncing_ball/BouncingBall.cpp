// A bouncing ball: the classic animation loop. Every frame clears the window, moves the ball one
// step, bounces it off the walls and draws it; waitForNextFrame then shows the frame and waits
// until the next one is due, 60 times a second. Escape quits.
#include <Brindlewood.h>

#include <string>

const int WIDTH = 640, HEIGHT = 480, RADIUS = 20;
const int FRAMES_PER_SECOND = 60;
const double GRAVITY = 0.4;  // added to the downward speed every frame: the ball falls ever faster

int main() {
    Window window(100, 100, WIDTH, HEIGHT, "Bouncing ball");
    window.disableAutoPageFlip();  // show each frame whole, never half drawn
    Font font(Font::HELVETICA, 12);
    double x = 100, y = 100;             // the ball's centre
    double speedX = 4, speedY = 0;       // pixels a frame
    double start = WindowManager::getSeconds();
    int frames = 0;

    while (window.isOpen()) {
        while (!window.isKeyboardQueueEmpty())
            if (window.getKeyboardEvent().getValue() == NamedKey::ESCAPE) return 0;

        speedY += GRAVITY;
        x += speedX;
        y += speedY;
        // Touching a wall turns the ball back; it is put back inside, so it never sticks there.
        if (x < RADIUS || x > WIDTH - RADIUS) {
            speedX = -speedX;
            x = x < RADIUS ? RADIUS : WIDTH - RADIUS;
        }
        if (y > HEIGHT - RADIUS) {
            speedY = -speedY;
            y = HEIGHT - RADIUS;
        }

        window.clear(Color(230, 240, 255));
        window.drawCircleFilled(Style::RED, int(x), int(y), RADIUS);
        frames++;
        double rate = frames / (WindowManager::getSeconds() - start);
        window.drawText(Style::BLACK, font, 10, 20, Window::numberToString(rate, 1) + " frames a second");
        window.waitForNextFrame(FRAMES_PER_SECOND);
    }
}
