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

TEST(EditorConsoleGrid, TheBoxHoldsFourLinesOfSeventyOneWholeCells) {
    // Cell 70 ends at x 673, inside the box's right edge at 676; a cell 71 would end at 682.
    EXPECT_LE(console_cell_x(70) + CONSOLE_CELL_WIDTH, area::io_window.x2 + 1);
    EXPECT_GT(console_cell_x(71) + CONSOLE_CELL_WIDTH, area::io_window.x2 + 1);
    EXPECT_EQ(CONSOLE_CELLS, 71);
    // Line 4's baseline at 462 leaves room for descenders above the bottom edge at 475; line 5's does not.
    EXPECT_EQ(CONSOLE_LINES, 4);
    EXPECT_LT(console_baseline(4) + 4, area::io_window.y2);
    EXPECT_GT(console_baseline(5), area::io_window.y2);
}

TEST(EditorConsoleGrid, ACellsPixelsTileTheLineAndMeetTheLinesAboveAndBelow) {
    rect cell = console_cell({2, 11});
    rect right = console_cell({2, 12});
    rect below = console_cell({3, 11});

    EXPECT_EQ(std::vector<int>({cell.x1, cell.y1, cell.x2, cell.y2}), std::vector<int>({133, 420, 141, 434}));
    EXPECT_EQ(right.x1, cell.x2 + 1);
    EXPECT_EQ(below.y1, cell.y2 + 1);
}

TEST(EditorConsoleGrid, CellsPastALinesEndGoOnAtTheStartOfTheNext) {
    console_place last = wrapped(2, 70);
    console_place next = wrapped(2, 71);
    console_place far = wrapped(1, 3 * 71 + 5);

    EXPECT_EQ(std::make_pair(last.line, last.cell), std::make_pair(2, 70));
    EXPECT_EQ(std::make_pair(next.line, next.cell), std::make_pair(3, 0));
    EXPECT_EQ(std::make_pair(far.line, far.cell), std::make_pair(4, 5));
    EXPECT_TRUE(inside_console(far));
    EXPECT_FALSE(inside_console(wrapped(4, 71)));
    EXPECT_FALSE(inside_console({0, 0}));
}

namespace {

// Runs as "line:cell:text" strings, for comparing in one go.
std::vector<std::string> runs_of(std::string const& text, int line, int cell) {
    std::vector<std::string> runs;
    for (console_run const& run : console_runs(text, line, cell))
        runs.push_back(std::to_string(run.place.line) + ":" + std::to_string(run.place.cell) + ":" + run.text);
    return runs;
}

}  // namespace

TEST(EditorConsoleGrid, TextThatFitsIsOneRun) {
    EXPECT_EQ(runs_of("Enter OBJ:", 2, 0), std::vector<std::string>{"2:0:Enter OBJ:"});
    EXPECT_EQ(runs_of("x", 2, 70), std::vector<std::string>{"2:70:x"});
    EXPECT_EQ(runs_of("", 2, 0), std::vector<std::string>{});
}

TEST(EditorConsoleGrid, LongTextIsCutWhereItWraps) {
    std::string text = std::string(71, 'a') + std::string(71, 'b') + "c";

    EXPECT_EQ(runs_of(text, 2, 0),
              (std::vector<std::string>{"2:0:" + std::string(71, 'a'), "3:0:" + std::string(71, 'b'), "4:0:c"}));
    EXPECT_EQ(runs_of("abcd", 1, 69), (std::vector<std::string>{"1:69:ab", "2:0:cd"}));
}

TEST(EditorConsoleGrid, TextBelowTheLastLineIsLeftOut) {
    EXPECT_EQ(runs_of("abcd", 4, 69), std::vector<std::string>{"4:69:ab"});
    EXPECT_EQ(runs_of("abcd", 4, 71), std::vector<std::string>{});
    EXPECT_EQ(runs_of(std::string(300, 'z'), 3, 0).size(), 2u);
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

TEST(EditorConsoleText, AWidthIsTypedAsAWholeNumberWithinTheRange) {
    const std::pair<std::string, int> widths[] = {
        {"50", 50}, {"-20", -20}, {"0", 0}, {"007", 7}, {"2147483647", 2147483647}, {"-2147483647", -2147483647}};
    const std::string refused[] = {"abc", "1O", "99999999999", "2147483648", "-2147483648", "+5", " 7", "7 ", "-",
                                   "1.5", ""};

    for (auto const& [text, width] : widths) EXPECT_EQ(typed_width(text), width) << text;
    for (std::string const& text : refused) EXPECT_EQ(typed_width(text), std::nullopt) << '"' << text << '"';
    EXPECT_EQ(width_refusal(), "A width is a whole number from -2147483647 to 2147483647.");
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
