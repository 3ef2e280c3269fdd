// Color: an RGBA colour of four 8-bit components, the value every Style carries. A plain value type
// usable anywhere, on any thread; out-of-range components are clamped with a WARNING.
#pragma once

#include <ostream>
#include <string>

#include "CallSite.h"

class Color {
public:
    // Based on int so that any value, even one outside the list, names "Unknown" safely.
    enum ComponentName : int { RED_COMPONENT = 0, GREEN_COMPONENT = 1, BLUE_COMPONENT = 2, ALPHA_COMPONENT = 3 };

    // Opaque black.
    constexpr Color() : red(0), green(0), blue(0), alpha(255) {}
    // An opaque colour; each component is clamped into 0..255 with a WARNING.
    constexpr Color(int r, int g, int b, CallSite site = CallSite())
        : red(checkValue(r, RED_COMPONENT, site)), green(checkValue(g, GREEN_COMPONENT, site)),
          blue(checkValue(b, BLUE_COMPONENT, site)), alpha(255) {}
    // A colour with opacity alpha (255 is opaque); each component is clamped into 0..255 with a WARNING.
    constexpr Color(int r, int g, int b, int a, CallSite site = CallSite())
        : red(checkValue(r, RED_COMPONENT, site)), green(checkValue(g, GREEN_COMPONENT, site)),
          blue(checkValue(b, BLUE_COMPONENT, site)), alpha(checkValue(a, ALPHA_COMPONENT, site)) {}

    constexpr unsigned char getRed() const { return red; }
    constexpr unsigned char getGreen() const { return green; }
    constexpr unsigned char getBlue() const { return blue; }
    constexpr unsigned char getAlpha() const { return alpha; }

    bool operator==(const Color& other) const;
    bool operator!=(const Color& other) const;

    // The value clamped into 0..255; a WARNING names the component when it had to be clamped.
    static constexpr unsigned char checkValue(int value, ComponentName name, CallSite site = CallSite()) {
        if (value < 0) {
            warnBelowZero(name, site);
            return 0;
        }
        if (value > 255) {
            warnAboveMaximum(name, site);
            return 255;
        }
        return static_cast<unsigned char>(value);
    }
    // "Red", "Green", "Blue", "Alpha" or "Unknown".
    static std::string ComponentNameToString(ComponentName name);

    static const Color BLACK;
    static const Color WHITE;
    static const Color RED;
    static const Color GREEN;
    static const Color BLUE;

private:
    static void warnBelowZero(ComponentName name, CallSite site);
    static void warnAboveMaximum(ComponentName name, CallSite site);

    unsigned char red;
    unsigned char green;
    unsigned char blue;
    unsigned char alpha;
};

// Constant-initialised, so file-scope objects of any translation unit may use them before main.
inline constexpr Color Color::BLACK{0, 0, 0};
inline constexpr Color Color::WHITE{255, 255, 255};
inline constexpr Color Color::RED{255, 0, 0};
inline constexpr Color Color::GREEN{0, 255, 0};
inline constexpr Color Color::BLUE{0, 0, 255};

// Writes Color(r, g, b, a) with the components as numbers.
std::ostream& operator<<(std::ostream& out, const Color& color);
