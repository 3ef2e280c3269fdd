// A paint program. Drag with the left button to draw. Keys pick the colour (r red, g green,
// b blue, k black, w white to rub out); c clears, s saves the picture as painting.png, Escape quits.
// Keys and mouse events come in one stream, in the order they happened: a stroke keeps the colour
// it was drawn in, however soon after it a key picks another.
#include <Brindlewood.h>

const Font HELP_FONT(Font::HELVETICA, 12);

void drawHelp(Window& window) {
    window.drawText(Style::BLACK, HELP_FONT, 10, 20, "r g b k w: colour   c: clear   s: save painting.png   Esc: quit");
}

int main() {
    Window window(100, 100, 640, 480, "Paint");
    drawHelp(window);
    Style brush(Color::BLACK, 5, Style::COPY_OP, Style::defaultpattern);
    bool drawing = false;  // the left button is down
    int lastX = 0, lastY = 0;

    while (window.isOpen()) {
        Event event = window.waitForEvent();  // sleeps until a key, a mouse event, anything
        if (event.getKind() == Event::KEYBOARD_EVENT) {
            int key = event.getKeyboardEvent().getValue();
            if (key == 'r') brush.setColor(Color::RED);
            if (key == 'g') brush.setColor(Color::GREEN);
            if (key == 'b') brush.setColor(Color::BLUE);
            if (key == 'k') brush.setColor(Color::BLACK);
            if (key == 'w') brush.setColor(Color::WHITE);
            if (key == 'c') {
                window.clear();
                drawHelp(window);
            }
            if (key == 's') window.createImage(0, 0, window.getWidth(), window.getHeight()).save("painting.png", Image::PNG);
            if (key == NamedKey::ESCAPE) return 0;
        }
        if (event.getKind() == Event::MOUSE_EVENT) {
            MouseEvent mouse = event.getMouseEvent();
            MouseEvent::Event kind = mouse.getEvent();
            int x = mouse.getX(), y = mouse.getY();
            if (x < 0 || y < 0) continue;  // entering or leaving the window: no place to paint
            if (kind == MouseEvent::BUTTON_DOWN_EVENT && mouse.getButton() == MouseEvent::LEFT_BUTTON)
                drawing = true;
            else if (kind == MouseEvent::BUTTON_UP_EVENT)
                drawing = false;
            else if (kind == MouseEvent::MOUSE_MOVE_EVENT && drawing)
                window.drawLine(brush, lastX, lastY, x, y);
            // A round dab at every point joins the thick pieces of line smoothly.
            if (drawing) window.drawCircleFilled(brush, x, y, 2);
            lastX = x;
            lastY = y;
        }
    }
}
