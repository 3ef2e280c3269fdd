// KeyboardEvent: one key press, a key value (0 to NamedKey::LAST) with the modifiers held, or the
// news that the window has closed. The case of a letter and its SHIFT bit always agree. A plain
// value type.
#pragma once

#include <ostream>

#include "CallSite.h"
#include "KeyModifiers.h"

class KeyboardEvent {
public:
    // What happened. A wait on a closed window returns WINDOW_CLOSED_EVENT once (value 0, no
    // modifiers); every other event is a KEY_PRESS_EVENT.
    enum Event : int { KEY_PRESS_EVENT = 1, WINDOW_CLOSED_EVENT = 2 };

    KeyboardEvent();
    // Halts on a value below 0 or above NamedKey::LAST; adds SHIFT to upper-case letters and
    // removes it from lower-case ones.
    KeyboardEvent(int value, KeyModifiers modifiers, CallSite site = CallSite());
    KeyboardEvent(const KeyboardEvent& other) = default;
    KeyboardEvent& operator=(const KeyboardEvent& other) = default;
    // The event that tells a waiting program its window has closed.
    static KeyboardEvent windowClosed();

    Event getEvent() const { return event; }

    int getValue() const { return value; }
    KeyModifiers getModifiers() const { return modifiers; }

    // Equal kinds and values, and equal modifiers unless either side holds ANY_MODIFIERS.
    bool operator==(const KeyboardEvent& other) const;
    bool operator!=(const KeyboardEvent& other) const;

private:
    Event event = KEY_PRESS_EVENT;
    int value;
    KeyModifiers modifiers;
};

// Writes KeyboardEvent(value, Modifiers(...)), or KeyboardEvent(WINDOW_CLOSED_EVENT).
std::ostream& operator<<(std::ostream& out, const KeyboardEvent& event);
