// The editor's text console: headings, prompts and typed answers drawn in the strip below the
// canvas on a fixed 9 by 15 pixel grid. Main thread; reading a line blocks on the keyboard queue.
#pragma once

#include <string>

#include "Brindlewood.h"
#include "Rect.h"

extern Style FORE_FONT_STYLE;    // text
extern Style BACK_FONT_STYLE;    // the strip's white when cleared
extern std::string FONT_FACE;    // the console's font file, where it exists
extern Font FONT;                // FONT_FACE at 12 points, or a monospaced stand-in of the same pitch
extern Style FORE_CURSOR_STYLE;  // the input cursor
extern Style BACK_CURSOR_STYLE;  // erases the input cursor

// Draws text on console line (1 is the first); erases nothing. Text longer than a line goes on at
// the start of the next, and whatever would fall below the console's last line is left out.
void output(std::string text, int line);
// Shows the prompt on line, echoes the keys typed until Enter and returns them. Backspace erases the
// last character typed; keys pressed before the prompt showed and named keys are not taken.
std::string input_string(int line, std::string prompt);
// Fills r with white.
void clear(rect const& r);
// Fills the whole window with white.
void clear();
// Asks for any key on lines 1 to 5, waits for it, then clears the window.
void WaitNClear();
