// MouseEvent: one mouse happening (move, enter, exit, button down, up, click, or the window
// closing) with its button, position in window pixels and modifiers. Equality honours three
// wildcards: ANY_BUTTON, ANY_MODIFIERS and the position (-1, -1). A plain value type.
#pragma once

#include <ostream>

#include "KeyModifiers.h"

class MouseEvent {
public:
    // Both based on int so that values outside the lists are valid and print as NULL (0 is the
    // kind of a default-constructed event).
    enum Event : int {
        MOUSE_MOVE_EVENT = 1,
        ENTER_WINDOW_EVENT = 2,
        EXIT_WINDOW_EVENT = 3,
        BUTTON_CLICK_EVENT = 4,
        BUTTON_DOWN_EVENT = 5,
        BUTTON_UP_EVENT = 6,
        WINDOW_CLOSED_EVENT = 7  // returned once by a wait on a closed window; no button, position (-1, -1)
    };
    enum Button : int { NO_BUTTON = 0, LEFT_BUTTON = 1, RIGHT_BUTTON = 2, MIDDLE_BUTTON = 3, ANY_BUTTON = 4 };

    MouseEvent();
    MouseEvent(Event event, Button button, int x, int y, KeyModifiers modifiers);
    MouseEvent(const MouseEvent& other) = default;
    MouseEvent& operator=(const MouseEvent& other) = default;
    // The event that tells a waiting program its window has closed.
    static MouseEvent windowClosed();

    Event getEvent() const { return event; }
    Button getButton() const { return button; }
    int getX() const { return x; }
    int getY() const { return y; }
    KeyModifiers getModifiers() const { return modifiers; }

    bool operator==(const MouseEvent& other) const;
    bool operator!=(const MouseEvent& other) const;

private:
    Event event;
    Button button;
    int x;
    int y;
    KeyModifiers modifiers;
};

// Writes MouseEvent(EVENT, BUTTON, x, y, Modifiers(...)).
std::ostream& operator<<(std::ostream& out, const MouseEvent& event);
