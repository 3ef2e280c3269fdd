// KeyModifiers: a set of modifier keys (CONTROL, SHIFT, ALT) plus the ANY_MODIFIERS wildcard bit
// that event equality honours. A plain value type usable anywhere.
#pragma once

#include <ostream>

class KeyModifiers {
public:
    constexpr KeyModifiers() : bits(0) {}
    // Stores the bits unchanged: CONTROL 1, SHIFT 2, ALT 4, the wildcard 8.
    constexpr explicit KeyModifiers(int bits) : bits(bits) {}

    constexpr int getBits() const { return bits; }
    // True when the wildcard bit is set: event equality then ignores the modifiers.
    constexpr bool hasWildcard() const { return (bits & 8) != 0; }

    KeyModifiers& operator|=(const KeyModifiers& other);
    KeyModifiers& operator&=(const KeyModifiers& other);
    // Complements the set in place within CONTROL, SHIFT, ALT and the wildcard bit, and returns it.
    KeyModifiers& operator~();

    bool operator==(const KeyModifiers& other) const { return bits == other.bits; }
    bool operator!=(const KeyModifiers& other) const { return bits != other.bits; }

    static const KeyModifiers NO_MODIFIERS;
    static const KeyModifiers CONTROL;
    static const KeyModifiers SHIFT;
    static const KeyModifiers ALT;
    static const KeyModifiers CONTROL_AND_ALT;
    static const KeyModifiers ALT_AND_CONTROL;
    static const KeyModifiers CONTROL_AND_SHIFT;
    static const KeyModifiers SHIFT_AND_CONTROL;
    static const KeyModifiers SHIFT_AND_ALT;
    static const KeyModifiers ALT_AND_SHIFT;
    static const KeyModifiers ALL_MODIFIERS;
    static const KeyModifiers ANY_MODIFIERS;  // the wildcard: matches any modifiers in event equality

private:
    int bits;
};

constexpr KeyModifiers operator|(const KeyModifiers& a, const KeyModifiers& b) {
    return KeyModifiers(a.getBits() | b.getBits());
}
constexpr KeyModifiers operator&(const KeyModifiers& a, const KeyModifiers& b) {
    return KeyModifiers(a.getBits() & b.getBits());
}

// Constant-initialised, so file-scope objects of any translation unit may use them before main.
inline constexpr KeyModifiers KeyModifiers::NO_MODIFIERS{0};
inline constexpr KeyModifiers KeyModifiers::CONTROL{1};
inline constexpr KeyModifiers KeyModifiers::SHIFT{2};
inline constexpr KeyModifiers KeyModifiers::ALT{4};
inline constexpr KeyModifiers KeyModifiers::CONTROL_AND_ALT = CONTROL | ALT;
inline constexpr KeyModifiers KeyModifiers::ALT_AND_CONTROL = ALT | CONTROL;
inline constexpr KeyModifiers KeyModifiers::CONTROL_AND_SHIFT = CONTROL | SHIFT;
inline constexpr KeyModifiers KeyModifiers::SHIFT_AND_CONTROL = SHIFT | CONTROL;
inline constexpr KeyModifiers KeyModifiers::SHIFT_AND_ALT = SHIFT | ALT;
inline constexpr KeyModifiers KeyModifiers::ALT_AND_SHIFT = ALT | SHIFT;
inline constexpr KeyModifiers KeyModifiers::ALL_MODIFIERS = CONTROL | SHIFT | ALT;
inline constexpr KeyModifiers KeyModifiers::ANY_MODIFIERS{8};

// Writes Modifiers(none), Modifiers(CONTROL), ... or Modifiers(any).
std::ostream& operator<<(std::ostream& out, const KeyModifiers& modifiers);
