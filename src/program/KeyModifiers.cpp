// KeyModifiers' in-place operators and printing. Plain value code: runs on any thread.
#include "KeyModifiers.h"

KeyModifiers& KeyModifiers::operator|=(const KeyModifiers& other) {
    bits |= other.bits;
    return *this;
}

KeyModifiers& KeyModifiers::operator&=(const KeyModifiers& other) {
    bits &= other.bits;
    return *this;
}

KeyModifiers& KeyModifiers::operator~() {
    // Within the four meaningful bits, so that m &= ~SHIFT keeps CONTROL, ALT and the wildcard.
    bits = ~bits & (ALL_MODIFIERS | ANY_MODIFIERS).getBits();
    return *this;
}

// The names, SHIFT_AND_ALT's underscores included, are the ones programs already print and match.
std::ostream& operator<<(std::ostream& out, const KeyModifiers& modifiers) {
    if (modifiers == KeyModifiers::NO_MODIFIERS) return out << "Modifiers(none)";
    if (modifiers == KeyModifiers::CONTROL) return out << "Modifiers(CONTROL)";
    if (modifiers == KeyModifiers::SHIFT) return out << "Modifiers(SHIFT)";
    if (modifiers == KeyModifiers::ALT) return out << "Modifiers(ALT)";
    if (modifiers == KeyModifiers::CONTROL_AND_ALT) return out << "Modifiers(CONTROL, ALT)";
    if (modifiers == KeyModifiers::CONTROL_AND_SHIFT) return out << "Modifiers(CONTROL, SHIFT)";
    if (modifiers == KeyModifiers::SHIFT_AND_ALT) return out << "Modifiers(SHIFT_AND_ALT)";
    if (modifiers == KeyModifiers::ALL_MODIFIERS) return out << "Modifiers(CONTROL, SHIFT, ALT)";
    if (modifiers.hasWildcard()) return out << "Modifiers(any)";
    return out << "WARNING: This should not be able to happen!";
}
