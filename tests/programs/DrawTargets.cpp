// An assignment as a class would hand it in: "each left click draws a target of five rings, red
// and white; q quits", written in the styles students write it in. The input-script tests run each
// style under one script and expect the same picture from all. The argument names the style:
//   mouse-then-keys  waits for one mouse event, then looks at the keyboard queue
//   any-event        waits for any event, then empties the mouse queue, then the keyboard queue
//   polling          looks at both queues in a loop that never waits
//   frames           an animation loop: empties both queues, then waits for the next frame
//   key-down         looks at the mouse queue until isKeyDown('q')
//   handlers         the event loop: WindowManager::handleEvents and its handlers
//   event-stream     waits for the next event of any kind, in the order they happened
//   pointer          takes the click from the mouse queue and draws at getMouseX(), getMouseY()
//   button-state     reads no queue: draws where isButtonDown(LEFT_BUTTON) turns true
#include <string>

#include "Brindlewood.h"

namespace {

void drawTarget(Window& window, int x, int y) {
    for (int radius = 25; radius > 0; radius -= 5)
        window.drawCircleFilled(radius % 10 == 5 ? Style::RED : Style::WHITE, x, y, radius);
}

bool isLeftClick(const MouseEvent& event) {
    return event.getEvent() == MouseEvent::BUTTON_CLICK_EVENT && event.getButton() == MouseEvent::LEFT_BUTTON;
}

// Draws a target for a left click; false once the window has closed.
bool handleMouse(Window& window, const MouseEvent& event) {
    if (isLeftClick(event)) drawTarget(window, event.getX(), event.getY());
    return event.getEvent() != MouseEvent::WINDOW_CLOSED_EVENT;
}

// Handles every queued mouse event; false once the window has closed.
bool emptyMouseQueue(Window& window) {
    while (!window.isMouseQueueEmpty()) handleMouse(window, window.getMouseEvent());
    return window.isOpen();
}

// Takes every queued key; true once q is among them.
bool emptyKeyboardQueueFindingQ(Window& window) {
    bool quit = false;
    while (!window.isKeyboardQueueEmpty()) quit = window.getKeyboardEvent().getValue() == 'q' || quit;
    return quit;
}

class TargetWindow : public Window {
public:
    TargetWindow() : Window(200, 150, "Targets") {}
    void handleMouseEvent(const MouseEvent& event) override { handleMouse(*this, event); }
    void handleKeyboardEvent(const KeyboardEvent& event) override {
        if (event.getValue() == 'q') WindowManager::exitHandler();
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string style = argc > 1 ? argv[1] : "";
    TargetWindow window;
    if (style == "mouse-then-keys") {
        for (;;) {
            if (!handleMouse(window, window.waitForMouseEvent())) break;
            if (!window.isKeyboardQueueEmpty() && window.getKeyboardEvent().getValue() == 'q') break;
        }
    } else if (style == "any-event") {
        do {
            window.waitForAnyEvent();
        } while (emptyMouseQueue(window) && !emptyKeyboardQueueFindingQ(window));
    } else if (style == "polling") {
        while (emptyMouseQueue(window) && !emptyKeyboardQueueFindingQ(window)) {
        }
    } else if (style == "frames") {
        while (emptyMouseQueue(window) && !emptyKeyboardQueueFindingQ(window)) window.waitForNextFrame(60);
    } else if (style == "key-down") {
        while (!window.isKeyDown('q') && emptyMouseQueue(window)) {
        }
    } else if (style == "handlers") {
        WindowManager::handleEvents();
    } else if (style == "event-stream") {
        for (Event event = window.waitForEvent(); event.getKind() != Event::WINDOW_CLOSED_EVENT;
             event = window.waitForEvent()) {
            if (event.getKind() == Event::MOUSE_EVENT) handleMouse(window, event.getMouseEvent());
            if (event.getKind() == Event::KEYBOARD_EVENT && event.getKeyboardEvent().getValue() == 'q') break;
        }
    } else if (style == "pointer") {
        while (window.isOpen() && !window.isKeyDown('q')) {
            if (isLeftClick(window.waitForMouseEvent())) drawTarget(window, window.getMouseX(), window.getMouseY());
        }
    } else if (style == "button-state") {
        for (bool wasDown = false; window.isOpen() && !window.isKeyDown('q');) {
            const bool down = window.isButtonDown(MouseEvent::LEFT_BUTTON);
            if (down && !wasDown) drawTarget(window, window.getMouseX(), window.getMouseY());
            wasDown = down;
        }
    }
}
