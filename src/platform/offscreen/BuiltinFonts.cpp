// freeglut's font records as its library lays them out (read from the installed library: its
// exported fgFont* and fgStroke* data symbols, and the code of glutBitmapCharacter,
// glutStrokeCharacter and their length functions). Only the layout is ours; the glyphs stay in
// the library.
#include "platform/offscreen/BuiltinFonts.h"

#include <GL/gl.h>

#include <algorithm>

#include "Font.h"

namespace {

struct GlutBitmapFont {
    const char* name;
    int quantity;
    int height;
    // Per character: its advance in pixels, then its rows, bottom up, one bit a pixel.
    const unsigned char* const* characters;
    float xOrigin, yOrigin;
};

struct GlutStrokeVertex {
    float x, y;
};
struct GlutStrokeStrip {
    int count;
    const GlutStrokeVertex* vertices;
};
struct GlutStrokeCharacter {
    float advance;
    int stripCount;
    const GlutStrokeStrip* strips;
};
struct GlutStrokeFont {
    const char* name;
    int quantity;  // characters 0 to quantity - 1, some of them absent
    float height;
    const GlutStrokeCharacter* const* characters;
};

}  // namespace

extern "C" {
extern GlutBitmapFont fgFontHelvetica10, fgFontHelvetica12, fgFontHelvetica18, fgFontTimesRoman10, fgFontTimesRoman24;
extern GlutStrokeFont fgStrokeRoman, fgStrokeMonoRoman;
}

namespace platform::offscreen {

namespace {

bool isStroke(int fontId) { return fontId == Font::ROMAN || fontId == Font::MONO_ROMAN; }

const GlutStrokeFont& strokeFont(int fontId) { return fontId == Font::ROMAN ? fgStrokeRoman : fgStrokeMonoRoman; }

const GlutBitmapFont& bitmapFont(int fontId, int size) {
    if (fontId == Font::HELVETICA) return size == 10 ? fgFontHelvetica10 : size == 12 ? fgFontHelvetica12 : fgFontHelvetica18;
    return size == 10 ? fgFontTimesRoman10 : fgFontTimesRoman24;
}

// The stroke character for c, null where the font has none.
const GlutStrokeCharacter* strokeCharacter(const GlutStrokeFont& font, unsigned char c) {
    return c < font.quantity ? font.characters[c] : nullptr;
}

// The widest line's sum of advances; Number is the toolkit's own type for each font kind's sums.
template <typename Number, typename Advance>
Number widestLine(const std::string& text, Advance advance) {
    Number widest = 0, line = 0;
    for (unsigned char c : text) {
        if (c == '\0') break;  // the toolkit measures C strings
        if (c == '\n') {
            widest = std::max(widest, line);
            line = 0;
        } else {
            line += advance(c);
        }
    }
    return std::max(widest, line);
}

void drawBitmapText(const GlutBitmapFont& font, const std::string& text) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (unsigned char c : text) {
        if (c == '\0') continue;  // the toolkit draws characters 1 to 255
        const unsigned char* glyph = font.characters[c];
        glBitmap(glyph[0], font.height, font.xOrigin, font.yOrigin, glyph[0], 0, glyph + 1);
    }
    glPopClientAttrib();
}

void drawStrokeText(const GlutStrokeFont& font, const std::string& text) {
    for (unsigned char c : text) {
        const GlutStrokeCharacter* character = strokeCharacter(font, c);
        if (!character) continue;
        for (const GlutStrokeStrip* strip = character->strips; strip != character->strips + character->stripCount;
             ++strip) {
            glBegin(GL_LINE_STRIP);
            for (int i = 0; i < strip->count; ++i) glVertex2f(strip->vertices[i].x, strip->vertices[i].y);
            glEnd();
        }
        glTranslatef(character->advance, 0, 0);
    }
}

}  // namespace

void drawBuiltinText(int fontId, int size, const std::string& text) {
    isStroke(fontId) ? drawStrokeText(strokeFont(fontId), text) : drawBitmapText(bitmapFont(fontId, size), text);
}

int builtinTextWidth(int fontId, int size, const std::string& text) {
    if (isStroke(fontId)) {
        const GlutStrokeFont& font = strokeFont(fontId);
        const float width = widestLine<float>(text, [&font](unsigned char c) {
            const GlutStrokeCharacter* character = strokeCharacter(font, c);
            return character ? character->advance : 0.0f;
        });
        return static_cast<int>(width + 0.5f);
    }
    const GlutBitmapFont& font = bitmapFont(fontId, size);
    return widestLine<int>(text, [&font](unsigned char c) { return int(font.characters[c][0]); });
}

}  // namespace platform::offscreen
