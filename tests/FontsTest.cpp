// Fonts as a program sees them: values sharing one counted handle per face and size, the sizes
// of the built-in bitmap fonts, the reports, and text drawn in a window and read back pixel by pixel.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Brindlewood.h"
#include "ReportPattern.h"
#include "ScratchFolder.h"
#include "TestWindow.h"
#include "caches/FontInstance.h"
#include "caches/TrueTypeFont.h"

using diagnostics::Kind;
using testing::KilledBySignal;

namespace {

const std::string MONO = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const std::string SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
const std::string MISSING = "/no/such/directory/Missing.ttf";

// The handle the cache holds for a key, asked for and given straight back.
int handleOf(const std::string& face, int size) {
    const int handle = Renderer::FontInstance::getFontHandle(face, size, -1);
    Renderer::FontInstance::releaseFontHandle(handle);
    return handle;
}

int handleOf(int fontId, int size) {
    const int handle = Renderer::FontInstance::getFontHandle("", size, fontId);
    Renderer::FontInstance::releaseFontHandle(handle);
    return handle;
}

// Everything written while built-in fonts of these ids and sizes are made, in order.
std::string reportsOfMaking(const std::vector<std::pair<int, int>>& idsAndSizes) {
    return stderrOf([&] {
        for (const auto& [fontId, size] : idsAndSizes) const Font made(fontId, size);
    });
}

int refCount(int handle) { return Renderer::FontInstance::getRefCount(handle); }

// The unchanged report for a face given as a path, and beneath it the file and what is wrong with it.
std::string unableToOpen(const std::string& face, const std::string& reason) {
    return "^" +
           reportPattern(Kind::FATAL_ERROR, "FontInstance.cpp",
                         "Unable to open font in file \"" + face + "\". Check to be sure that this file exists") +
           detailPattern("File \"" + face + "\": " + reason) + "$";
}

// A bitmap font file of one 8-pixel H, which FreeType reads but whose bitmaps can be drawn at no
// other size and never as outlines.
void writeBitmapFont(const std::string& path) {
    std::ofstream(path) << "STARTFONT 2.1\n"
                           "FONT -brindlewood-tiny-medium-r-normal--8-80-75-75-c-80-iso8859-1\n"
                           "SIZE 8 75 75\n"
                           "FONTBOUNDINGBOX 8 8 0 0\n"
                           "STARTPROPERTIES 2\nFONT_ASCENT 8\nFONT_DESCENT 0\nENDPROPERTIES\n"
                           "CHARS 1\n"
                           "STARTCHAR H\nENCODING 72\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 8 8 0 0\n"
                           "BITMAP\nC3\nC3\nC3\nFF\nFF\nC3\nC3\nC3\nENDCHAR\n"
                           "ENDFONT\n";
}

// DejaVu Sans Mono with the ascender and descender of its hhea table, from which FreeType takes
// them, swapped: the descender's line above the ascender's, as some broken fonts have it.
void writeMonoWithItsLinesSwapped(const std::string& path) {
    std::ifstream in(MONO, std::ios::binary);
    std::string font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto bigEndian = [&](std::size_t at, int bytes) {
        std::size_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<unsigned char>(font[at + i]);
        return value;
    };
    // The table records follow a 12-byte header: tag, checksum, offset and length, 16 bytes each.
    const std::size_t tables = bigEndian(4, 2);
    for (std::size_t record = 12; record < 12 + 16 * tables; record += 16) {
        if (font.compare(record, 4, "hhea") != 0) continue;
        const std::size_t ascender = bigEndian(record + 8, 4) + 4;  // the descender's two bytes follow
        std::swap_ranges(font.begin() + ascender, font.begin() + ascender + 2, font.begin() + ascender + 2);
    }
    std::ofstream(path, std::ios::binary) << font;
}

std::string roundingWarning(int asked, int used) {
    return reportPattern(
        Kind::WARNING, "FontInstance.cpp",
        std::to_string(asked) + " is not a valid size for this font. rounding to " + std::to_string(used));
}

}  // namespace

TEST(FontSharing, FontsOfOneFaceAndSizeShareOneCountedHandle) {
    Font first(MONO, 12);
    Font second(MONO, 12);
    const int handle = handleOf(MONO, 12);
    EXPECT_EQ(refCount(handle), 2);
    EXPECT_NE(handleOf(MONO, 13), handle);
}

TEST(FontSharing, HandleOfDeadFontsComesBackForTheSameFaceAndSize) {
    int handle = -1;
    {
        Font first(MONO, 12);
        Font second(MONO, 12);
        handle = handleOf(MONO, 12);
    }
    EXPECT_EQ(refCount(handle), 0);
    Font again(MONO, 12);
    EXPECT_EQ(handleOf(MONO, 12), handle);
    EXPECT_EQ(refCount(handle), 1);
}

TEST(FontSharing, CopyHoldsAReferenceUntilItDies) {
    Font original(Font::TIMES, 10);
    const int handle = handleOf(Font::TIMES, 10);
    {
        Font copy(original);
        EXPECT_EQ(refCount(handle), 2);
    }
    EXPECT_EQ(refCount(handle), 1);
}

TEST(FontSharing, AssignmentMovesTheReferenceToTheOtherFont) {
    Font target(Font::TIMES, 10);
    const Font source(Font::ROMAN, 20);
    target = source;
    EXPECT_EQ(refCount(handleOf(Font::TIMES, 10)), 0);
    EXPECT_EQ(refCount(handleOf(Font::ROMAN, 20)), 2);
    EXPECT_EQ(target, source);
}

TEST(FontSharing, SelfAssignmentKeepsTheCount) {
    Font font(MONO, 12);
    Font& same = font;
    font = same;
    EXPECT_EQ(refCount(handleOf(MONO, 12)), 1);
    EXPECT_EQ(font.getFace(), MONO);
}

TEST(FontSharing, NewPointSizeTakesTheFontOfThatSize) {
    Font font(MONO, 12);
    font.setPointSize(20);
    EXPECT_EQ(font.getPointSize(), 20);
    EXPECT_EQ(refCount(handleOf(MONO, 12)), 0);
    EXPECT_EQ(refCount(handleOf(MONO, 20)), 1);
}

TEST(FontSharing, NewFaceOnABuiltInFontTakesTheTrueTypeFile) {
    Font font(Font::HELVETICA, 12);
    font.setFace(MONO);
    EXPECT_EQ(font.getFace(), MONO);
    EXPECT_EQ(refCount(handleOf(Font::HELVETICA, 12)), 0);
    EXPECT_EQ(refCount(handleOf(MONO, 12)), 1);
}

TEST(BitmapFontSizes, UnlistedSizeWarnsOnceWithTheSizeItRoundsTo) {
    const std::string output = reportsOfMaking({{Font::HELVETICA, 14}, {Font::HELVETICA, 14}});
    EXPECT_PRED2(matchesWhole, output, roundingWarning(14, 18));
}

TEST(BitmapFontSizes, EachUnlistedSizeRoundsUpToTheNextListedOrDownToTheLargest) {
    const std::string output = reportsOfMaking(
        {{Font::HELVETICA, 11}, {Font::HELVETICA, 13}, {Font::HELVETICA, 40}, {Font::TIMES, 5}, {Font::TIMES, 11}});
    EXPECT_PRED2(matchesWhole, output,
                 roundingWarning(11, 12) + roundingWarning(13, 18) + roundingWarning(40, 18) + roundingWarning(5, 10) +
                     roundingWarning(11, 24));
}

TEST(BitmapFontSizes, ListedSizesAndStrokeFontsWarnNothing) {
    EXPECT_EQ(reportsOfMaking({{Font::HELVETICA, 10},
                               {Font::HELVETICA, 12},
                               {Font::HELVETICA, 18},
                               {Font::TIMES, 10},
                               {Font::TIMES, 24},
                               {Font::ROMAN, 7},
                               {Font::MONO_ROMAN, 0}}),
              "");
}

TEST(BitmapFontSizes, RequestedSizesAreSeparateFontsEvenOnOneGlutFont) {
    Font rounded(Font::HELVETICA, 14);
    Font exact(Font::HELVETICA, 18);
    EXPECT_NE(handleOf(Font::HELVETICA, 14), handleOf(Font::HELVETICA, 18));
    EXPECT_EQ(rounded.getPointSize(), 14);
}

TEST(FontValue, BuiltInFaceNamesItsId) { EXPECT_EQ(Font(Font::HELVETICA, 12).getFace(), "default font #3"); }

TEST(FontValue, PrintsAsAConstructorCall) {
    std::ostringstream out;
    out << Font(Font::ROMAN, 0) << "|" << Font(MONO, 12);
    EXPECT_EQ(out.str(), "Font(default font #1, 0)|Font(" + MONO + ", 12)");
}

TEST(FontValue, EqualWhenFaceAndSizeAgree) {
    EXPECT_EQ(Font(MONO, 12), Font(MONO, 12));
    EXPECT_NE(Font(MONO, 12), Font(MONO, 14));
    EXPECT_NE(Font(Font::TIMES, 10), Font(Font::HELVETICA, 10));
}

TEST(FontValue, CheckFontTellsWhetherTheFaceCanBeFound) {
    EXPECT_TRUE(Font::checkFont(MONO, 12));
    EXPECT_FALSE(Font::checkFont(MISSING, 12));
    EXPECT_FALSE(Font::checkFont("/usr/share/fonts/truetype/dejavu", 12)) << "a folder";
    EXPECT_FALSE(Font::checkFont("/etc/hostname", 12)) << "a file that is no font";
    EXPECT_FALSE(Font::checkFont(MONO, 0));
    EXPECT_TRUE(Font::checkFont("DejaVu Sans", 12));
    EXPECT_TRUE(Font::checkFont("sans-serif", 12));
    EXPECT_FALSE(Font::checkFont("No Such Family", 12));
}

TEST(FontMeasures, AFontWhoseDescenderLiesAboveItsAscenderMeasuresAsTheFontInOrderDoes) {
    ScratchFolder folder("fonts");
    const std::string swapped = (folder / "swapped.ttf").string();
    writeMonoWithItsLinesSwapped(swapped);
    int width = -1, height = -1, widthInOrder = -1, heightInOrder = -1;
    Font(swapped, 12).getStringSize("HHHH", width, height);
    Font(MONO, 12).getStringSize("HHHH", widthInOrder, heightInOrder);
    EXPECT_EQ(std::pair(width, height), std::pair(widthInOrder, heightInOrder));
}

TEST(FontFamilies, FamilyAndStyleNameTheFileOfThatFace) {
    EXPECT_EQ(TrueTypeFont::findFile("DejaVu Sans Mono").path, MONO);
    EXPECT_EQ(TrueTypeFont::findFile("dejavu serif:bold").path, SERIF_BOLD);
    EXPECT_EQ(TrueTypeFont::findFile(MONO).path, MONO);
}

TEST(FontFamilies, GenericNamesAndAliasesFontconfigKnowsAreMadeSilently) {
    for (const char* family :
         {"sans-serif", "serif", "monospace", "Sans", "Helvetica", "Arial", "Times", "Courier", "Courier:bold"}) {
        EXPECT_EQ(stderrOf([&] { const Font font(family, 12); }), "") << family;
        EXPECT_NE(TrueTypeFont::findFile(family).path, "") << family;
    }
}

TEST(FontFamilies, FamilyNotInstalledWarnsNamingTheFontUsedInstead) {
    const struct {
        const char* family;
        const char* standIn;
    } cases[] = {{"Comic Sans MS", "DejaVu Sans"}, {"No Such Family:bold", "DejaVu Sans"}, {"Verdana", "DejaVu Sans"}};
    for (const auto& c : cases) {
        const std::string warning = reportPattern(
            Kind::WARNING, "FontInstance.cpp",
            "The font \"" + std::string(c.family) + "\" is not installed, so \"" + c.standIn + "\" is used instead");
        EXPECT_PRED2(matchesWhole, stderrOf([&] { const Font font(c.family, 12); }), warning);
    }
}

TEST(FontFamilies, FaceWithAFontExtensionOrAFolderIsAPathNeverAFamily) {
    for (const char* path : {"DejaVuSans.ttf", "fonts/DejaVu Sans", "C:\\WINDOWS\\FONTS\\OCRAEXT.TTF", MISSING.c_str()})
        EXPECT_EQ(TrueTypeFont::findFile(path).path, "") << path;
}

TEST(FontDeathTest, UnknownBuiltInIdHalts) {
    EXPECT_EXIT(Font(7, 12), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ERROR, "FontInstance.cpp", "Invalid Font ID -- use the constants!!"));
}

TEST(FontDeathTest, PathThatNamesNoOutlineFontHaltsSayingWhy) {
    // In the build tree, where the child of each death test writes the same files again.
    const std::filesystem::path folder = std::filesystem::path(BRINDLEWOOD_BINARY_DIR) / "test-fonts";
    std::filesystem::create_directories(folder);
    const std::string bitmapFont = (folder / "tiny.bdf").string();
    writeBitmapFont(bitmapFont);
    const std::string text = (folder / "notes.ttf").string();
    std::ofstream(text) << "not a font\n";
    // At 6 points (8 pixels) FreeType sizes the bitmap font; at 12 it cannot: neither can be drawn.
    const struct {
        std::string path;
        int size;
        const char* reason;
    } cases[] = {{MISSING, 12, "no such file"},
                 {text, 12, "not a font"},
                 {bitmapFont, 6, "not an outline font"},
                 {bitmapFont, 12, "not an outline font"}};
    for (const auto& c : cases)
        EXPECT_EXIT(Font(c.path, c.size), KilledBySignal(SIGABRT), unableToOpen(c.path, c.reason)) << c.path;
    std::filesystem::remove_all(folder);
}

TEST(FontDeathTest, EmptyFaceHalts) {
    EXPECT_EXIT(Font("", 12), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ERROR, "Font.cpp", "\"\" is an invalid filename for a font"));
}

TEST(FontDeathTest, SettingAnEmptyFaceHalts) {
    Font font(MONO, 12);
    EXPECT_EXIT(font.setFace(""), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ERROR, "Font.cpp", "\"\" is an invalid filename for a font"));
}

TEST(FontDeathTest, SizeBelowOneHalts) {
    EXPECT_EXIT(Font(MONO, 0), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ERROR, "Font.cpp", "Font pointsizes must be positive integers"));
}

TEST(FontDeathTest, SettingASizeBelowOneHalts) {
    Font font(MONO, 12);
    EXPECT_EXIT(font.setPointSize(-3), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ERROR, "Font.cpp", "Font pointsizes must be positive integers"));
}

TEST(FontDeathTest, MeasuringABuiltInFontBeforeAnyWindowHalts) {
    const Font font(Font::HELVETICA, 12);
    int width = 0, height = 0;
    EXPECT_EXIT(font.getStringSize("text", width, height), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ERROR, "FontInstance.cpp",
                           "Cannot measure text in a built-in font before a Window exists"));
}

namespace {

bool isDark(const Color& c) { return c.getRed() + c.getGreen() + c.getBlue() < 3 * 128; }

// A window of white pixels; each test draws "HHHH" somewhere and reads rows and columns back.
// H has no descender and solid stems, so its pixels lie above the baseline and across any row
// through its middle.
class FontDrawing : public testing::Test {
protected:
    void SetUp() override { waitUntilShown(window); }

    int darkInRow(int y, int x1, int x2) {
        int dark = 0;
        for (int x = x1; x <= x2; ++x) dark += isDark(window.readPixel(x, y));
        return dark;
    }

    int darkInColumn(int x, int y1, int y2) {
        int dark = 0;
        for (int y = y1; y <= y2; ++y) dark += isDark(window.readPixel(x, y));
        return dark;
    }

    // Upright text drawn from x on baseline: dark across the row middle pixels above the
    // baseline, nothing left of it on that row, nothing just below the baseline.
    void expectUprightText(int x, int baseline, int middle, int width) {
        EXPECT_GT(darkInRow(baseline - middle, x, x + width), 6);
        EXPECT_EQ(darkInRow(baseline - middle, 0, x - 2), 0);
        EXPECT_EQ(darkInRow(baseline + 2, 0, window.getWidth() - 1), 0);
    }

    // The rightmost dark pixel of row y, or -1.
    int lastDarkInRow(int y) {
        for (int x = window.getWidth() - 1; x >= 0; --x)
            if (isDark(window.readPixel(x, y))) return x;
        return -1;
    }

    Window window{400, 300, "Fonts"};
};

// DejaVu Sans Mono at 24 points is 30 pixels: H is 22 pixels tall and advances 18.06.
constexpr int MONO_24_CAP = 22;
constexpr int MONO_24_WIDTH = 72;

}  // namespace

TEST_F(FontDrawing, TrueTypeTextStandsOnItsBaseline) {
    window.drawText(Style::BLACK, Font(MONO, 24), 40, 100, "HHHH");
    expectUprightText(40, 100, MONO_24_CAP / 2, MONO_24_WIDTH);
    EXPECT_EQ(darkInRow(100 - MONO_24_CAP / 2, 40 + MONO_24_WIDTH + 2, 399), 0);
    EXPECT_EQ(darkInRow(100 - MONO_24_CAP - 3, 0, 399), 0);
}

TEST_F(FontDrawing, TrueTypeMeasuresAtOnceAsItDraws) {
    const Font font(MONO, 12);
    int width = -1, height = -1;
    font.getStringSize("HHHH", width, height);
    // 12 points are 15 pixels, where each character advances 9.03: the 9 by 15 console grid.
    EXPECT_EQ(width, 36);
    EXPECT_EQ(height, 18);  // ascender 14, descender 4
    window.drawText(Style::BLACK, font, 40, 100, "HHHH");
    const int lastDark = lastDarkInRow(95);
    EXPECT_GT(lastDark, 40 + width - 9);
    EXPECT_LE(lastDark, 40 + width);
}

TEST_F(FontDrawing, FontsNoLongerUsedAreFreedBeyondTheLastFewEvenWhenDrawnAfterTheyDied) {
    const int madeBefore = Renderer::FontInstance::madeFontCount();
    // Each Font dies at once; its text is drawn when the renderer comes to it, often after forty
    // more have died and the first ones have been freed.
    window.drawText(Style::BLACK, Font(MONO, 8), 10, 280, "H");
    for (int size = 9; size < 48; ++size) window.drawText(Style::BLACK, Font(MONO, size), 200, 150, "H");
    window.readPixel(0, 0);  // everything has been drawn once this returns
    EXPECT_LE(Renderer::FontInstance::madeFontCount(), madeBefore + 16);
    EXPECT_GT(darkInRow(277, 10, 20), 0) << "the first font's text";
}

TEST_F(FontDrawing, AMegabyteOfTextShowsItsVisiblePartWithoutHoldingTheWindows) {
    // Accented letters, the slowest glyphs to draw, reaching far past both sides of the window.
    const std::string text = std::string(500000, '\xE9') + "HHHH" + std::string(500000, '\xC9');
    const Font font(MONO, 24);
    int width = 0, height = 0;
    font.getStringSize(std::string(500000, '\xE9'), width, height);
    const auto start = std::chrono::steady_clock::now();
    window.drawText(Style::BLACK, font, 100 - width, 100, text);
    window.readPixel(0, 0);  // the text has been drawn once this returns
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "only a freeze takes this long";
    // The four H on screen from x = 100, and their neighbours as far as the window reaches.
    EXPECT_GT(darkInRow(100 - MONO_24_CAP / 2, 100, 100 + MONO_24_WIDTH), 6);
    EXPECT_GT(darkInRow(100 - MONO_24_CAP / 2, 0, 60), 6);
    EXPECT_GT(darkInRow(100 - MONO_24_CAP / 2, 340, 399), 6);
}

TEST(FontClipping, AGlyphShowsWhenAnyOfItsBoxIsInTheWindow) {
    const TrueTypeFont::Box first{0, -4, 9, 14};  // a glyph at the start of the text
    const TrueTypeFont::Box later{60, -4, 69, 14};
    const Transform turned(90), doubled(2.0, 2.0);
    struct Case {
        const TrueTypeFont::Box& box;
        int x, y;
        const Transform* transform;
        bool shows;
    };
    const Case cases[] = {
        {first, 10, 100, nullptr, true},     // well inside
        {first, -20, 100, nullptr, false},   // wholly left of the window
        {first, -5, 100, nullptr, true},     // partly
        {first, 10, -5, nullptr, false},     // wholly above: the glyph rises from its baseline
        {first, 10, 303, nullptr, true},     // its ascender reaches in from below
        {first, 10, 320, nullptr, false},    // wholly below
        {later, 350, 100, nullptr, false},   // past the right edge
        {later, 350, 100, &doubled, false},  // further right still
        {later, 150, 100, &doubled, true},   // doubled, from 270 to 288
        {later, 290, 100, &doubled, false},  // doubled, it starts at 410
        {first, 100, -50, &turned, false},   // turned clockwise, the text runs down from above the window
        {later, 100, -50, &turned, true},    // and reaches into it
    };
    for (const Case& c : cases)
        EXPECT_EQ(Renderer::FontInstance::showsInWindow(c.box, c.x, c.y, c.transform, 400, 300), c.shows)
            << "box from " << c.box.left << " at (" << c.x << ", " << c.y << ")";
}

TEST_F(FontDrawing, FaceGivenByFamilyDrawsWhatItsFileDraws) {
    // Each face twice, by name above and by file below, in columns of their own.
    window.drawText(Style::BLACK, Font("DejaVu Sans Mono", 24), 20, 60, "HHHH");
    window.drawText(Style::BLACK, Font(MONO, 24), 20, 160, "HHHH");
    window.drawText(Style::BLACK, Font("DejaVu Serif:bold", 24), 210, 60, "HHHH");
    window.drawText(Style::BLACK, Font(SERIF_BOLD, 24), 210, 160, "HHHH");
    for (int left : {10, 200}) {
        const std::vector<unsigned char> byName = window.createImage(left, 20, 180, 60).getPixels();
        EXPECT_EQ(window.createImage(left, 120, 180, 60).getPixels(), byName) << "column at " << left;
        int dark = 0;
        for (std::size_t p = 0; p < byName.size(); p += 4) dark += byName[p] < 128;
        EXPECT_GT(dark, 200) << "column at " << left;
    }
}

TEST_F(FontDrawing, RotatedTrueTypeTextTurnsClockwiseAndRunsDownward) {
    window.drawText(Style::BLACK, Font(MONO, 24), 200, 40, "HHHH", Transform(90));
    // The stems of H now lie across a column right of the start, below it.
    EXPECT_GT(darkInColumn(200 + MONO_24_CAP / 2, 40, 40 + MONO_24_WIDTH), 20);
    // Nothing where the text would run unrotated, or turned the other way.
    EXPECT_EQ(darkInRow(40 - MONO_24_CAP / 2, 200 + MONO_24_CAP + 3, 399), 0);
    EXPECT_EQ(darkInColumn(200 - MONO_24_CAP / 2, 0, 299), 0);
    EXPECT_EQ(darkInRow(38, 0, 399), 0);
}

TEST_F(FontDrawing, ScaledTrueTypeTextGrowsFromItsStart) {
    window.drawText(Style::BLACK, Font(MONO, 24), 40, 150, "HHHH", Transform(0, 2, 2));
    const int twiceCap = 2 * MONO_24_CAP;
    EXPECT_GT(darkInRow(150 - twiceCap + 4, 40, 40 + 2 * MONO_24_WIDTH), 20);
    EXPECT_GT(lastDarkInRow(150 - MONO_24_CAP), 40 + MONO_24_WIDTH + MONO_24_WIDTH / 2);
    EXPECT_EQ(darkInRow(152, 0, 399), 0);
}

TEST_F(FontDrawing, BitmapTextStandsOnItsBaseline) {
    window.drawText(Style::BLACK, Font(Font::HELVETICA, 18), 40, 100, "HHHH");
    expectUprightText(40, 100, 6, 80);
}

TEST_F(FontDrawing, BitmapTextIgnoresATransformAndWarns) {
    const std::string output = stderrOf([&] {
        window.drawText(Style::BLACK, Font(Font::HELVETICA, 18), 40, 100, "HHHH", Transform(90, 3, 3));
        window.readPixel(0, 0);  // the renderer has written its report once this returns
    });
    EXPECT_PRED2(matchesWhole, output,
                 reportPattern(Kind::WARNING, "FontInstance.cpp", "You can't transform a bitmapped font."));
    expectUprightText(40, 100, 6, 80);
    EXPECT_EQ(darkInColumn(45, 102, 299), 0);
}

TEST_F(FontDrawing, StrokeTextScalesWithItsPointSize) {
    // The stroke H is about 100 units tall: 40 pixels at 40 points.
    window.drawText(Style::BLACK, Font(Font::ROMAN, 40), 40, 200, "HHHH");
    expectUprightText(40, 200, 20, 120);
    EXPECT_GT(darkInRow(165, 40, 160), 6);
    EXPECT_EQ(darkInRow(150, 0, 399), 0);
}

TEST_F(FontDrawing, BitmapHeightIsTheRequestedSizeAndWidthIsInPixels) {
    int width = 0, height = 0;
    Font(Font::HELVETICA, 14).getStringSize("HHHH", width, height);
    EXPECT_EQ(height, 14);
    int narrower = 0;
    Font(Font::HELVETICA, 14).getStringSize("HH", narrower, height);
    EXPECT_EQ(width, 2 * narrower);
    EXPECT_GT(narrower, 10);
}

TEST_F(FontDrawing, StrokeWidthIsInTheFontsOwnUnitsWhateverTheSize) {
    int small = 0, large = 0, height = 0;
    Font(Font::ROMAN, 10).getStringSize("HHHH", small, height);
    EXPECT_EQ(height, 10);
    Font(Font::ROMAN, 50).getStringSize("HHHH", large, height);
    EXPECT_EQ(height, 50);
    EXPECT_EQ(small, large);
    EXPECT_GT(small, 200);
}

namespace {

// One drawText of a reference picture: where, in what, and under which transform (none when
// rotation is NaN).
struct TextCase {
    const char* text;
    int x, y;
    Style style;
    double rotation, scaleX, scaleY;
};

constexpr double UPRIGHT = NAN;

// Text in each way the renderer draws it: plain, see-through over red, XOR over black, with
// kerning pairs, turned, scaled, cut by each edge of the window, and with control characters.
const TextCase TEXT_CASES[] = {
    {"Hello, world", 10, 30, Style::BLACK, UPRIGHT, 1, 1},
    {"AVAWAY To Ty", 10, 60, Style(Color(0, 0, 255, 128)), UPRIGHT, 1, 1},
    {"x = 123", 10, 90, Style(Color(0, 200, 0), 1, Style::XOR_OP, std::vector<bool>(16, true)), UPRIGHT, 1, 1},
    {"turned", 250, 30, Style::BLUE, 30, 1, 1},
    {"scaled", 150, 150, Style(Color(120, 40, 200)), 0, 2, 1.5},
    {"upside down", 380, 150, Style::BLACK, 180, 1, 1},
    {"left edge", -25, 200, Style::BLACK, UPRIGHT, 1, 1},
    {"top edge", 100, 6, Style::BLACK, UPRIGHT, 1, 1},
    {"right edge cut", 330, 240, Style::BLACK, UPRIGHT, 1, 1},
    {"bottom edge", 200, 303, Style::BLACK, UPRIGHT, 1, 1},
    {"no\nnew\tline", 20, 250, Style::BLACK, UPRIGHT, 1, 1},
};

// Draws the cases over a red block (under the see-through text) and a black one (under the XOR),
// each case followed by a small block in the case's style, drawn as primitives draw after text.
void drawTextCases(Window& window, const Font& font) {
    window.drawRectangleFilled(Style::RED, 0, 45, 200, 65);
    window.drawRectangleFilled(Style::BLACK, 0, 75, 200, 95);
    for (const TextCase& c : TEXT_CASES) {
        if (std::isnan(c.rotation))
            window.drawText(c.style, font, c.x, c.y, c.text);
        else
            window.drawText(c.style, font, c.x, c.y, c.text, Transform(c.rotation, c.scaleX, c.scaleY));
        window.drawRectangleFilled(c.style, c.x - 6, c.y - 4, c.x - 2, c.y);
    }
}

}  // namespace

TEST_F(FontDrawing, TextOfEveryKindDrawsItsReferencePicturePixelForPixel) {
    const struct {
        Font font;
        const char* reference;
    } cases[] = {{Font(MONO, 14), "text_truetype_mono.png"},
                 {Font("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 12), "text_truetype_sans.png"},
                 {Font(Font::HELVETICA, 12), "text_bitmap.png"},
                 {Font(Font::ROMAN, 14), "text_stroke.png"}};
    for (const auto& c : cases) {
        window.clear();
        stderrOf([&] {  // the bitmap font warns that it cannot be transformed
            drawTextCases(window, c.font);
            window.readPixel(0, 0);
        });
        const Image drawn = window.createImage(0, 0, window.getWidth(), window.getHeight());
        const std::string reference = BRINDLEWOOD_SOURCE_DIR "/tests/data/" + std::string(c.reference);
        const bool same = std::filesystem::exists(reference) && drawn.getPixels() == Image(reference, Image::PNG).getPixels();
        if (!same) drawn.save(BRINDLEWOOD_BINARY_DIR "/" + std::string(c.reference), Image::PNG);
        EXPECT_TRUE(same) << c.reference << ": what was drawn is in the build folder";
    }
}
