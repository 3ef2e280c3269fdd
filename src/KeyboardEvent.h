// KeyboardEvent: one key press, a key value (0 to NamedKey::LAST) with the modifiers held.
// The case of a letter and its SHIFT bit always agree. A plain value type.
#pragma once

#include <ostream>

#include "CallSite.h"
#include "KeyModifiers.h"

class KeyboardEvent {
public:
    KeyboardEvent();
    // Halts on a value below 0 or above NamedKey::LAST; adds SHIFT to upper-case letters and
    // removes it from lower-case ones.
    KeyboardEvent(int value, KeyModifiers modifiers, CallSite site = CallSite());
    KeyboardEvent(const KeyboardEvent& other) = default;
    KeyboardEvent& operator=(const KeyboardEvent& other) = default;

    int getValue() const { return value; }
    KeyModifiers getModifiers() const { return modifiers; }

    // Equal values, and equal modifiers unless either side holds ANY_MODIFIERS.
    bool operator==(const KeyboardEvent& other) const;
    bool operator!=(const KeyboardEvent& other) const;

private:
    int value;
    KeyModifiers modifiers;
};

// Writes KeyboardEvent(value, Modifiers(...)).
std::ostream& operator<<(std::ostream& out, const KeyboardEvent& event);
