// KeyboardEvent's checks, wildcard equality and printing. Plain value code: runs on any thread
// (the renderer builds events, the user's thread builds the ones it compares against).
#include "KeyboardEvent.h"

#include "NamedKey.h"
#include "shared/Diagnostics.h"

KeyboardEvent::KeyboardEvent() : value(0), modifiers(KeyModifiers::NO_MODIFIERS) {}

KeyboardEvent::KeyboardEvent(int value, KeyModifiers modifiers, CallSite site) : value(value), modifiers(modifiers) {
    const CallerScope caller(site);
    if (value < 0) {
        FATAL_ERROR("Tried to create a KeyboardEvent with a negative value");
    }
    if (value > NamedKey::LAST) {
        FATAL_ERROR("Tried to create a KeyboardEvent with an invalid value (too large)");
    }
    // The case of a letter decides SHIFT, whatever the caller passed.
    if (value >= 'A' && value <= 'Z') {
        this->modifiers |= KeyModifiers::SHIFT;
    } else if (value >= 'a' && value <= 'z') {
        this->modifiers &= ~KeyModifiers(KeyModifiers::SHIFT);
    }
}

KeyboardEvent KeyboardEvent::windowClosed() {
    KeyboardEvent closed;
    closed.event = WINDOW_CLOSED_EVENT;
    return closed;
}

bool KeyboardEvent::operator==(const KeyboardEvent& other) const {
    const bool anyModifiers = modifiers.hasWildcard() || other.modifiers.hasWildcard();
    return event == other.event && value == other.value && (anyModifiers || modifiers == other.modifiers);
}

bool KeyboardEvent::operator!=(const KeyboardEvent& other) const { return !(*this == other); }

std::ostream& operator<<(std::ostream& out, const KeyboardEvent& event) {
    if (event.getEvent() == KeyboardEvent::WINDOW_CLOSED_EVENT) return out << "KeyboardEvent(WINDOW_CLOSED_EVENT)";
    return out << "KeyboardEvent(" << event.getValue() << ", " << event.getModifiers() << ")";
}
