// The console's text rules: key to character, substrings, the width label. Main thread only.

#include "ConsoleText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "KeyModifiers.h"

int typed_character(KeyboardEvent const& key) {
    for (int c = 0; c < NO_CHARACTER; ++c) {
        if (key == KeyboardEvent(c, KeyModifiers::ANY_MODIFIERS)) return c;
    }
    return NO_CHARACTER;
}

std::vector<console_run> console_runs(std::string const& text, int line, int cell) {
    std::vector<console_run> runs;
    for (std::size_t start = 0; start < text.size();) {
        console_place place = wrapped(line, cell + static_cast<int>(start));
        std::size_t length = std::min(text.size() - start, static_cast<std::size_t>(CONSOLE_CELLS - place.cell));
        if (inside_console(place)) runs.push_back({place, text.substr(start, length)});
        start += length;
    }
    return runs;
}

std::string mid(std::string s, int start, int count) {
    std::string result;
    for (int i = 0; i < count; ++i) result += s[start + i];
    return result;
}

std::string width_label(int width) { return std::to_string(static_cast<std::uint32_t>(width)); }

std::optional<int> typed_width(std::string const& text) {
    long long width = 0;
    char const* end = text.data() + text.size();
    auto const [stop, failure] = std::from_chars(text.data(), end, width);
    if (failure != std::errc() || stop != end || width < -MAX_WIDTH || width > MAX_WIDTH) return std::nullopt;
    return static_cast<int>(width);
}

std::string width_refusal() {
    return "A width is a whole number from " + std::to_string(-MAX_WIDTH) + " to " + std::to_string(MAX_WIDTH) + ".";
}
