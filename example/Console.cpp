// The editor's text console: writing lines, clearing and reading typed text. Main thread; draws
// through the editor's window and waits on its keyboard queue.

#include "Console.h"

#include "ConsoleText.h"
#include "Tamsel.h"

void output(std::string text, int line) {
    window.drawText(FORE_FONT_STYLE, FONT, CONSOLE_TEXT_LEFT, console_baseline(line), text);
}

std::string input_string(int line, std::string prompt) {
    int const baseline = console_baseline(line);
    window.drawText(FORE_FONT_STYLE, FONT, CONSOLE_TEXT_LEFT, baseline, prompt);
    std::string result;
    // Keys pressed before the question are not answers to it; every key from here on is.
    window.flushKeyboardQueue();
    for (;;) {
        // An underline in the cell where the next character goes, one blank cell after the prompt.
        int const cursor = console_cell_x(static_cast<int>(result.size() + prompt.size()) + 1);
        window.drawLine(FORE_CURSOR_STYLE, cursor, baseline, cursor + CONSOLE_CELL_WIDTH, baseline);
        KeyboardEvent key = window.waitForKeyboardEvent();
        window.drawLine(BACK_CURSOR_STYLE, cursor, baseline, cursor + CONSOLE_CELL_WIDTH, baseline);
        if (key == KeyboardEvent(NamedKey::ENTER, KeyModifiers::ANY_MODIFIERS)) return result;

        // Backspace takes nothing: a typing error stays in the text.
        int character = typed_character(key);
        if (character != NamedKey::BACKSPACE && character != NO_CHARACTER) {
            result += static_cast<char>(character);
            window.drawText(FORE_FONT_STYLE, FONT, cursor, baseline, result.substr(result.size() - 1));
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
