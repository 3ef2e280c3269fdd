// MouseEvent's constructors, wildcard equality and printing. Plain value code: runs on any thread
// (the renderer builds events, the user's thread builds the patterns it compares them with).
#include "MouseEvent.h"

namespace {

bool isAnywhere(const MouseEvent& event) { return event.getX() == -1 && event.getY() == -1; }

// Event 0, the kind of a default-constructed event, and any value outside the list print as NULL.
const char* eventName(MouseEvent::Event event) {
    static const char* const names[] = {
        "NULL",
        "MOUSE_MOVE_EVENT",
        "ENTER_WINDOW_EVENT",
        "EXIT_WINDOW_EVENT",
        "BUTTON_CLICK_EVENT",
        "BUTTON_DOWN_EVENT",
        "BUTTON_UP_EVENT",
        "WINDOW_CLOSED_EVENT",
    };
    return event >= 0 && event <= MouseEvent::WINDOW_CLOSED_EVENT ? names[event] : "NULL";
}

const char* buttonName(MouseEvent::Button button) {
    static const char* const names[] = {"NO_BUTTON", "LEFT_BUTTON", "RIGHT_BUTTON", "MIDDLE_BUTTON", "ANY_BUTTON"};
    return button >= MouseEvent::NO_BUTTON && button <= MouseEvent::ANY_BUTTON ? names[button] : "NULL";
}

}  // namespace

MouseEvent::MouseEvent() : MouseEvent(Event(0), NO_BUTTON, 0, 0, KeyModifiers::NO_MODIFIERS) {}

MouseEvent::MouseEvent(Event event, Button button, int x, int y, KeyModifiers modifiers)
    : event(event), button(button), x(x), y(y), modifiers(modifiers) {}

MouseEvent MouseEvent::windowClosed() {
    return MouseEvent(WINDOW_CLOSED_EVENT, NO_BUTTON, -1, -1, KeyModifiers::NO_MODIFIERS);
}

// The kind must always match; button, modifiers and position each match anything when either
// side holds its wildcard.
bool MouseEvent::operator==(const MouseEvent& other) const {
    const bool anyButton = button == ANY_BUTTON || other.button == ANY_BUTTON;
    const bool anyModifiers = modifiers.hasWildcard() || other.modifiers.hasWildcard();
    const bool anyPosition = isAnywhere(*this) || isAnywhere(other);
    return event == other.event && (anyButton || button == other.button) &&
           (anyModifiers || modifiers == other.modifiers) && (anyPosition || (x == other.x && y == other.y));
}

bool MouseEvent::operator!=(const MouseEvent& other) const { return !(*this == other); }

std::ostream& operator<<(std::ostream& out, const MouseEvent& event) {
    return out << "MouseEvent(" << eventName(event.getEvent()) << ", " << buttonName(event.getButton()) << ", "
               << event.getX() << ", " << event.getY() << ", " << event.getModifiers() << ")";
}
