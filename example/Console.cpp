// The editor's text console: writing lines, clearing and reading typed text. Main thread; draws
// through the editor's window and waits on its keyboard queue.

#include "Console.h"

#include "ConsoleText.h"
#include "Tamsel.h"

namespace {

// Draws text from cell on line, going on at the start of the next line where a line ends; what
// would fall below the console is not drawn.
void write_at(std::string const& text, int line, int cell) {
    for (console_run const& run : console_runs(text, line, cell))
        window.drawText(FORE_FONT_STYLE, FONT, console_cell_x(run.place.cell), console_baseline(run.place.line),
                        run.text);
}

// The input cursor: an underline on the baseline of a cell.
void draw_cursor(console_place place, Style const& style) {
    int const x = console_cell_x(place.cell);
    int const baseline = console_baseline(place.line);
    window.drawLine(style, x, baseline, x + CONSOLE_CELL_WIDTH, baseline);
}

}  // namespace

void output(std::string text, int line) { write_at(text, line, 0); }

std::string input_string(int line, std::string prompt) {
    write_at(prompt, line, 0);
    std::string result;
    // Keys pressed before the question are not answers to it; every key from here on is.
    window.flushKeyboardQueue();
    for (;;) {
        // The next character goes one blank cell after the prompt and what was typed so far. Text
        // that runs below the console is still taken, though neither it nor the cursor shows.
        int const next = static_cast<int>(prompt.size() + result.size()) + 1;
        console_place const cursor = wrapped(line, next);
        bool const shown = inside_console(cursor);
        if (shown) draw_cursor(cursor, FORE_CURSOR_STYLE);
        KeyboardEvent key = window.waitForKeyboardEvent();
        if (shown) draw_cursor(cursor, BACK_CURSOR_STYLE);
        if (key == KeyboardEvent(NamedKey::ENTER, KeyModifiers::ANY_MODIFIERS)) return result;

        int character = typed_character(key);
        if (character == NamedKey::BACKSPACE) {
            if (result.empty()) continue;
            result.pop_back();
            console_place const last = wrapped(line, next - 1);
            if (inside_console(last)) clear(console_cell(last));
        } else if (character != NO_CHARACTER) {
            result += static_cast<char>(character);
            write_at(result.substr(result.size() - 1), line, next);
        }
    }
}

void clear(rect const& r) { window.drawRectangleFilled(BACK_FONT_STYLE, r.x1, r.y1, r.x2, r.y2); }

void clear() { window.drawRectangleFilled(Style::WHITE, 0, 0, window.getWidth(), window.getHeight()); }

void WaitNClear() {
    for (int line = 1; line <= 5; ++line) output("Press any key to continue...", line);
    window.flushKeyboardQueue();
    window.waitForKeyboardEvent();
    clear();
}
