// The console's text rules: key to character, substrings, the width label. Main thread only.

#include "ConsoleText.h"

#include <cstdint>

#include "KeyModifiers.h"

int typed_character(KeyboardEvent const& key) {
    for (int c = 0; c < NO_CHARACTER; ++c) {
        if (key == KeyboardEvent(c, KeyModifiers::ANY_MODIFIERS)) return c;
    }
    return NO_CHARACTER;
}

std::string mid(std::string s, int start, int count) {
    std::string result;
    for (int i = 0; i < count; ++i) result += s[start + i];
    return result;
}

std::string width_label(int width) { return std::to_string(static_cast<std::uint32_t>(width)); }
