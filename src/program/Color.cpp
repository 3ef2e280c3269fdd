// Color's names, comparisons, printing and the warnings behind its clamping. Plain value code:
// runs on any thread and keeps no state.
#include "Color.h"

#include "shared/Diagnostics.h"

std::string Color::ComponentNameToString(ComponentName name) {
    static const char* const names[] = {"Red", "Green", "Blue", "Alpha"};
    return name >= RED_COMPONENT && name <= ALPHA_COMPONENT ? names[name] : "Unknown";
}

void Color::warnBelowZero(ComponentName name, CallSite site) {
    const CallerScope caller(site);
    WARNING(ComponentNameToString(name) + " color component specified to be less than zero");
}

void Color::warnAboveMaximum(ComponentName name, CallSite site) {
    const CallerScope caller(site);
    WARNING(ComponentNameToString(name) + " color component specified to be greater than 255");
}

bool Color::operator==(const Color& other) const {
    return red == other.red && green == other.green && blue == other.blue && alpha == other.alpha;
}

bool Color::operator!=(const Color& other) const { return !(*this == other); }

std::ostream& operator<<(std::ostream& out, const Color& color) {
    // Promoted to int so that components print as numbers, not as characters.
    return out << "Color(" << +color.getRed() << ", " << +color.getGreen() << ", " << +color.getBlue() << ", "
               << +color.getAlpha() << ")";
}
