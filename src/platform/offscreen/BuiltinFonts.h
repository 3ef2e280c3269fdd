// The built-in fonts without the toolkit: freeglut's glyphs, drawn and measured straight from the
// font records that its installed library exports, so that they need neither glutInit nor a
// display. Drawing on the renderer thread (a GL context current); measuring from any thread.
#pragma once

#include <string>

namespace platform::offscreen {

// Draws text as freeglut draws it, in the font (Font::HELVETICA, TIMES_ROMAN, ROMAN or MONO_ROMAN)
// of the size given: bitmap fonts at the current raster position, stroke fonts 100 units high in
// the current matrix, each character moving on by its advance.
void drawBuiltinText(int fontId, int size, const std::string& text);
// The width of text's widest line as freeglut measures it, in pixels (bitmap fonts) or units
// (stroke fonts).
int builtinTextWidth(int fontId, int size, const std::string& text);

}  // namespace platform::offscreen
