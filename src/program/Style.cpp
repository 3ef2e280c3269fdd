// Style's checks, pattern conversions, comparisons and printing. Plain value code: runs on any
// thread; every argument error halts through FATAL_ERROR.
#include "Style.h"

#include "shared/Diagnostics.h"

namespace {

std::vector<bool> stepsOf(std::uint16_t bits) {
    std::vector<bool> steps(16, false);
    for (int i = 0; i < 16; ++i) {
        steps[i] = (bits >> i) & 1u;
    }
    return steps;
}

// An op outside the list has no name and prints as nothing.
const char* rasterOpName(Style::RasterOp op) {
    static const char* const names[] = {"COPY_OP", "INVERT_OP", "XOR_OP", "AND_OP", "OR_OP"};
    return op >= Style::COPY_OP && op <= Style::OR_OP ? names[op] : "";
}

}  // namespace

StylePattern::operator const std::vector<bool>&() const {
    // Built once, thread-safely, by whichever thread converts first.
    static const std::vector<bool> steps = stepsOf(bits);
    return steps;
}

// The pattern is converted, and its size checked, before the width is checked.
Style::Style(Color color, int lineWidth, RasterOp rasterOp, const std::vector<bool>& steps, CallSite site)
    : color(color), lineWidth(lineWidth), rasterOp(rasterOp), pattern(bvectorToUShort(steps, site)) {
    const CallerScope caller(site);
    if (lineWidth < 1) {
        FATAL_ERROR("You tried to create a Style with a linewidth less than one");
    }
}

Style::Style(Color color, int lineWidth, CallSite site) : Style(color, lineWidth, COPY_OP, defaultpattern, site) {}

std::vector<bool> Style::getPattern() const { return stepsOf(pattern); }

void Style::setLineWidth(int width, CallSite site) {
    const CallerScope caller(site);
    if (width < 1) {
        FATAL_ERROR("You tried to set a Style's linewidth less than one");
    }
    lineWidth = width;
}

void Style::flipPatternBit(int position, CallSite site) {
    const CallerScope caller(site);
    if (position < 0) {
        FATAL_ERROR("You tried to flip a bit position less than zero");
    }
    if (position > 15) {
        FATAL_ERROR("You tried to flip a bit position greater than 15");
    }
    pattern ^= static_cast<std::uint16_t>(1u << position);
}

void Style::setPattern(const std::vector<bool>& newPattern, CallSite site) {
    const CallerScope caller(site);
    pattern = bvectorToUShort(newPattern);
}

std::uint16_t Style::bvectorToUShort(const std::vector<bool>& steps, CallSite site) {
    const CallerScope caller(site);
    if (steps.size() < 16) {
        FATAL_ERROR("Your pattern size is too small, less than 16");
    }
    if (steps.size() > 16) {
        FATAL_ERROR("Your pattern size is too large, greater than 16");
    }
    std::uint16_t bits = 0;
    for (int i = 0; i < 16; ++i) {
        if (steps[i]) {
            bits |= static_cast<std::uint16_t>(1u << i);
        }
    }
    return bits;
}

bool Style::operator==(const Style& other) const {
    return color == other.color && lineWidth == other.lineWidth && rasterOp == other.rasterOp &&
           pattern == other.pattern;
}

bool Style::operator!=(const Style& other) const { return !(*this == other); }

std::ostream& operator<<(std::ostream& out, const Style& style) {
    return out << "Style(" << style.getColor() << ", " << style.getLineWidth() << ", "
               << rasterOpName(style.getRasterOp()) << ", " << style.getPatternAsUShort() << ")";
}
