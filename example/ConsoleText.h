// The console's text rules: its fixed 9 by 15 pixel grid, which typed keys become characters,
// and the small string helpers. Pure logic for the main thread, testable without a display.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "KeyboardEvent.h"
#include "Model.h"
#include "ScreenAreas.h"

// Cells are 9 pixels wide and lines 15 high, counted from a fixed origin inside the console strip;
// the grid is not measured from the font, so the font must be a monospaced one of that pitch.
constexpr int CONSOLE_TEXT_LEFT = area::io_window.x1 + 9;
constexpr int CONSOLE_CELL_WIDTH = 9;

// The baseline of a console line: 417 for line 1, 432 for line 2.
constexpr int console_baseline(int line) { return area::io_window.y1 + 3 + 15 * line; }
// The left edge of character cell k of any line.
constexpr int console_cell_x(int cell) { return CONSOLE_TEXT_LEFT + CONSOLE_CELL_WIDTH * cell; }

// The console box holds lines 1 to 4, of 71 whole cells each.
constexpr int CONSOLE_LINES = 4;
constexpr int CONSOLE_CELLS = (area::io_window.x2 + 1 - CONSOLE_TEXT_LEFT) / CONSOLE_CELL_WIDTH;

// A cell of the grid.
struct console_place {
    int line;
    int cell;
};
// Where cell counted from the start of line lands: cells past the end of a line go on at the start
// of the next.
constexpr console_place wrapped(int line, int cell) { return {line + cell / CONSOLE_CELLS, cell % CONSOLE_CELLS}; }
// Whether the place lies inside the console box.
constexpr bool inside_console(console_place place) { return place.line >= 1 && place.line <= CONSOLE_LINES; }

// The pixels of a cell: its 9 columns, and the rows of its line from 12 above the baseline to 2
// below, where a character's glyph lies.
constexpr rect console_cell(console_place place) {
    return {console_cell_x(place.cell), console_baseline(place.line) - 12,
            console_cell_x(place.cell) + CONSOLE_CELL_WIDTH - 1, console_baseline(place.line) + 2};
}

// Text that fits on one console line, and where it starts.
struct console_run {
    console_place place;
    std::string text;
};
// text written from cell on line, cut where it wraps; the runs that would lie below the box, and
// so outside it, are left out.
std::vector<console_run> console_runs(std::string const& text, int line, int cell);

// typed_character's answer for a key that gives no character.
constexpr int NO_CHARACTER = 128;
// The character a key press types: its code from 0 to 127 whatever the modifiers, NO_CHARACTER for
// the named keys from 128 on.
int typed_character(KeyboardEvent const& key);

// The count characters of s from index start on; empty for a count of zero or less.
std::string mid(std::string s, int start, int count);

// The model width as the File menu shows it: a 32-bit unsigned number, so -1 reads 4294967295.
std::string width_label(int width);
// The width that text typed into a width dialogue gives: a whole number from -MAX_WIDTH to
// MAX_WIDTH in decimal digits, after a minus sign if it is negative; nothing for any other text.
std::optional<int> typed_width(std::string const& text);
// What the console says of a typed width that gives nothing.
std::string width_refusal();
