// Two windows: whatever the mouse does in the pad, the mirror draws at the same place. A move
// leaves a grey trail, a drag a line in the button's colour (left red, middle green, right blue),
// a press a disc and a release a ring. Escape in the pad, or closing the pad, quits.
#include <Brindlewood.h>

// Grey while no button is held.
Style penFor(MouseEvent::Button button) {
    Color colour = button == MouseEvent::LEFT_BUTTON     ? Color::RED
                   : button == MouseEvent::MIDDLE_BUTTON ? Color::GREEN
                   : button == MouseEvent::RIGHT_BUTTON  ? Color::BLUE
                                                         : Color(160, 160, 160);
    return Style(colour, 3, Style::COPY_OP, Style::defaultpattern);
}

int main() {
    Window pad(100, 100, 400, 300, "Pad");
    Window mirror(520, 100, 400, 300, "Mirror");
    pad.drawText(Style::BLACK, Font(Font::HELVETICA, 12), 10, 20, "Move, click and drag here.");
    int lastX = -1, lastY = -1;  // where the pointer was at the last event; -1 before the first

    while (pad.isOpen()) {
        pad.waitForAnyEvent();  // only the pad's events wake us; the mirror just draws
        while (!pad.isKeyboardQueueEmpty())
            if (pad.getKeyboardEvent().getValue() == NamedKey::ESCAPE) return 0;
        while (!pad.isMouseQueueEmpty()) {
            MouseEvent event = pad.getMouseEvent();
            int x = event.getX(), y = event.getY();
            switch (event.getEvent()) {
                case MouseEvent::MOUSE_MOVE_EVENT:  // carries the button held, if any
                    if (lastX >= 0) mirror.drawLine(penFor(event.getButton()), lastX, lastY, x, y);
                    break;
                case MouseEvent::BUTTON_DOWN_EVENT:
                    mirror.drawCircleFilled(penFor(event.getButton()), x, y, 8);
                    break;
                case MouseEvent::BUTTON_UP_EVENT:
                    mirror.drawCircleOutline(penFor(event.getButton()), x, y, 12);
                    break;
                default:  // clicks come with every release; crossings have no place
                    continue;
            }
            lastX = x;
            lastY = y;
        }
    }
}
