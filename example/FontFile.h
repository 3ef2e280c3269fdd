// Finds TrueType font files for the editor and its artwork: the file asked for when it exists,
// else the best match that fontconfig knows. Runs on the main thread, before main included.
#pragma once

#include <string>

// A fontconfig pattern for a monospaced font, DejaVu Sans Mono first: at 12 points it advances
// 9 pixels, the console's cell.
constexpr const char* MONOSPACED_FONT = "DejaVu Sans Mono,monospace:spacing=mono";

// preferred if that file can be read; otherwise the TrueType file fontconfig matches to the
// pattern (for instance "monospace"), or preferred unchanged when nothing matches.
std::string truetype_font_file(std::string const& preferred, std::string const& pattern);
