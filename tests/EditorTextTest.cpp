// The editor's console text rules without a display: which keys type which characters, the
// width label, substrings, and the font the console falls back on.

#include <gtest/gtest.h>

#include <fstream>

#include "ConsoleText.h"
#include "FontFile.h"
#include "KeyModifiers.h"
#include "NamedKey.h"

TEST(EditorConsoleGrid, LinesAndCellsSitOnTheFixedGrid) {
    EXPECT_EQ(console_baseline(1), 417);
    EXPECT_EQ(console_baseline(2), 432);
    // After the ten characters of "Enter OBJ:" and one blank cell, the first typed one is at 133.
    EXPECT_EQ(console_cell_x(11), 133);
}

TEST(EditorConsoleKeys, ALetterTypesItselfWhateverTheModifiers) {
    EXPECT_EQ(typed_character(KeyboardEvent('a', KeyModifiers::NO_MODIFIERS)), 'a');
    EXPECT_EQ(typed_character(KeyboardEvent('M', KeyModifiers::SHIFT)), 'M');
    EXPECT_EQ(typed_character(KeyboardEvent('7', KeyModifiers::CONTROL_AND_ALT)), '7');
}

TEST(EditorConsoleKeys, ControlCodesAreCharactersToo) {
    EXPECT_EQ(typed_character(KeyboardEvent(0, KeyModifiers::CONTROL)), 0);
    EXPECT_EQ(typed_character(KeyboardEvent(NamedKey::ESCAPE, KeyModifiers::NO_MODIFIERS)), 27);
    EXPECT_EQ(typed_character(KeyboardEvent(NamedKey::DELETE_KEY, KeyModifiers::NO_MODIFIERS)), 127);
    EXPECT_EQ(typed_character(KeyboardEvent(NamedKey::BACKSPACE, KeyModifiers::NO_MODIFIERS)), 8);
}

TEST(EditorConsoleKeys, NamedKeysTypeNothing) {
    EXPECT_EQ(typed_character(KeyboardEvent(NamedKey::LEFT_ARROW, KeyModifiers::NO_MODIFIERS)), NO_CHARACTER);
    EXPECT_EQ(typed_character(KeyboardEvent(NamedKey::FUNCTION_5, KeyModifiers::SHIFT)), NO_CHARACTER);
}

TEST(EditorConsoleText, MidTakesCountCharactersFromStart) {
    EXPECT_EQ(mid("abcdef", 1, 3), "bcd");
    EXPECT_EQ(mid("abcdef", 0, 6), "abcdef");
}

TEST(EditorConsoleText, MidOfNoCharactersIsEmpty) {
    EXPECT_EQ(mid("abcdef", 2, 0), "");
    EXPECT_EQ(mid("abcdef", 2, -3), "");
}

TEST(EditorConsoleText, TheWidthLabelReadsTheWidthAsUnsigned32Bits) {
    EXPECT_EQ(width_label(50), "50");
    EXPECT_EQ(width_label(0), "0");
    EXPECT_EQ(width_label(-1), "4294967295");
    EXPECT_EQ(width_label(-20), "4294967276");
}

TEST(EditorConsoleFont, AnExistingFontFileIsKept) {
    std::string file = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";
    ASSERT_TRUE(std::ifstream(file).good());

    EXPECT_EQ(truetype_font_file(file, "monospace"), file);
}

TEST(EditorConsoleFont, AMissingFontFileFallsBackOnAMonospacedTrueTypeFont) {
    std::string file = truetype_font_file("C:\\WINDOWS\\FONTS\\OCRAEXT.TTF", MONOSPACED_FONT);

    EXPECT_NE(file.find("DejaVuSansMono.ttf"), std::string::npos) << file;
    EXPECT_TRUE(std::ifstream(file).good());
}
