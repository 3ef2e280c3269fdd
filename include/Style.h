// Style: how a primitive is drawn (colour, line width, raster operation, 16-step line pattern).
// A plain value type; every drawing call copies it into its command for the renderer.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "CallSite.h"
#include "Color.h"

// The type of Style::defaultpattern: a constant 16-step pattern that file-scope objects of any
// translation unit may use before main. It reads as the std::vector<bool> that Style takes.
class StylePattern {
public:
    // The pattern as 16 truth values, element i being bit i; built on first use.
    operator const std::vector<bool>&() const;
    constexpr std::size_t size() const { return 16; }
    constexpr bool operator[](std::size_t i) const { return (bits >> i) & 1u; }

private:
    // Only Style makes one, so a single vector can back every conversion.
    friend class Style;
    constexpr explicit StylePattern(std::uint16_t bits) : bits(bits) {}

    std::uint16_t bits;
};

class Style {
public:
    // Based on int so that a value outside the list is still a valid op (it prints as nothing).
    enum RasterOp : int { COPY_OP = 0, INVERT_OP = 1, XOR_OP = 2, AND_OP = 3, OR_OP = 4 };

    // Halts if the pattern is not exactly 16 long (tested first) or the width is below 1.
    Style(Color color, int lineWidth, RasterOp rasterOp, const std::vector<bool>& pattern, CallSite site = CallSite());
    // A solid COPY_OP style one pixel wide.
    explicit constexpr Style(Color color) : Style(color, COPY_OP) {}
    // A solid COPY_OP style of the given width; halts on a width below 1, as the full form does.
    Style(Color color, int lineWidth, CallSite site = CallSite());
    Style(const Style& other) = default;
    Style& operator=(const Style& other) = default;

    constexpr Color getColor() const { return color; }
    constexpr int getLineWidth() const { return lineWidth; }
    constexpr RasterOp getRasterOp() const { return rasterOp; }
    // 16 truth values; element i is true when bit i of the pattern is set.
    std::vector<bool> getPattern() const;
    constexpr std::uint16_t getPatternAsUShort() const { return pattern; }

    void setColor(Color newColor) { color = newColor; }
    void setRasterOp(RasterOp op) { rasterOp = op; }
    // Halts on a width below 1.
    void setLineWidth(int width, CallSite site = CallSite());
    // Toggles one step of the pattern; halts outside 0..15.
    void flipPatternBit(int position, CallSite site = CallSite());
    // Halts if the pattern is not exactly 16 long.
    void setPattern(const std::vector<bool>& newPattern, CallSite site = CallSite());
    // Element i becomes bit i; halts if the pattern is not exactly 16 long.
    static std::uint16_t bvectorToUShort(const std::vector<bool>& pattern, CallSite site = CallSite());

    bool operator==(const Style& other) const;
    bool operator!=(const Style& other) const;

    static const StylePattern defaultpattern;  // all 16 steps drawn: a solid line
    static const Style BLACK;
    static const Style WHITE;
    static const Style RED;
    static const Style GREEN;
    static const Style BLUE;
    static const Style INVERTED;  // inverts the pixels it covers

private:
    constexpr Style(Color color, RasterOp rasterOp) : color(color), lineWidth(1), rasterOp(rasterOp), pattern(0xFFFF) {}

    Color color;
    int lineWidth;
    RasterOp rasterOp;
    std::uint16_t pattern;
};

// Constant-initialised, so file-scope objects of any translation unit may use them before main.
inline constexpr StylePattern Style::defaultpattern{0xFFFF};
inline constexpr Style Style::BLACK{Color(0, 0, 0), COPY_OP};
inline constexpr Style Style::WHITE{Color(255, 255, 255), COPY_OP};
inline constexpr Style Style::RED{Color(255, 0, 0), COPY_OP};
inline constexpr Style Style::GREEN{Color(0, 255, 0), COPY_OP};
inline constexpr Style Style::BLUE{Color(0, 0, 255), COPY_OP};
inline constexpr Style Style::INVERTED{Color(0, 0, 0), INVERT_OP};

// Writes Style(Color(...), width, RASTER_OP, pattern).
std::ostream& operator<<(std::ostream& out, const Style& style);
