// Windows without a display: with BRINDLEWOOD_PLATFORM=offscreen and DISPLAY unset, windows draw,
// read back, flip pages, resize, move and go full screen; the platform keeps what a window shows
// apart from what is drawn; built-in fonts measure as freeglut's do and a whole scene looks as it
// does on X; with neither a display nor the variable, the program says how to draw without one.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "Brindlewood.h"
#include "ReportPattern.h"
#include "ScratchFolder.h"
#include "TestWindow.h"
#include "platform/offscreen/BuiltinFonts.h"
#include "platform/offscreen/OffscreenPlatform.h"

using diagnostics::Kind;

namespace {

const std::string TRUETYPE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Windows of this process draw offscreen, with no display to fall back on.
class Offscreen : public testing::Test {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        setenv("BRINDLEWOOD_PLATFORM", "offscreen", 1);
    }
};

// A picture of one colour, for drawing.
Image filled(const Color& color, int width, int height) {
    Image image = Image::createEditable(width, height);
    std::vector<unsigned char> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {static_cast<unsigned char>(color.getRed()), static_cast<unsigned char>(color.getGreen()),
                                     static_cast<unsigned char>(color.getBlue()), 255});
    image.setPixels(pixels);
    return image;
}

// The pixels of a window's part that are not white.
int inkIn(Window& window, int x, int y, int width, int height) {
    const std::vector<unsigned char> pixels = window.createImage(x, y, width, height).getPixels();
    int ink = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) ink += pixels[i] + pixels[i + 1] + pixels[i + 2] < 3 * 255;
    return ink;
}

TEST_F(Offscreen, DrawingIsReadBackWithoutADisplay) {
    struct Case {
        const char* what;
        std::function<Color(Window&)> drawAndRead;
        Color expected;
    };
    const std::vector<Case> cases = {
        {"filled rectangle",
         [](Window& w) { w.drawRectangleFilled(Style::RED, 10, 10, 30, 30); return w.readPixel(20, 20); }, Color::RED},
        {"line", [](Window& w) { w.drawLine(Style::BLUE, 10, 50, 90, 50); return w.readPixel(40, 50); }, Color::BLUE},
        {"filled circle", [](Window& w) { w.drawCircleFilled(Style::GREEN, 50, 50, 10); return w.readPixel(50, 50); },
         Color::GREEN},
        {"picture", [](Window& w) { w.drawImage(filled(Color::BLUE, 8, 8), 60, 60); return w.readPixel(67, 67); },
         Color::BLUE},
        {"copied region",
         [](Window& w) {
             w.drawRectangleFilled(Style::RED, 0, 0, 10, 10);
             w.copyRegion(0, 0, 80, 80, 10, 10);
             return w.readPixel(85, 85);
         },
         Color::RED},
        {"captured picture",
         [](Window& w) {
             w.drawPixel(Style::GREEN, 3, 4);
             const std::vector<unsigned char> pixels = w.createImage(3, 4, 1, 1).getPixels();
             return Color(pixels[0], pixels[1], pixels[2], pixels[3]);
         },
         Color::GREEN},
        {"clear", [](Window& w) { w.clear(Color::BLUE); return w.readPixel(99, 99); }, Color::BLUE},
        {"XOR twice", [](Window& w) {
             const Style xorRed(Color::RED, 1, Style::XOR_OP, std::vector<bool>(16, true));
             w.drawRectangleFilled(xorRed, 10, 10, 20, 20);
             w.drawRectangleFilled(xorRed, 10, 10, 20, 20);
             return w.readPixel(15, 15);
         },
         Color::WHITE},
    };
    Window window(100, 100, "offscreen");
    for (const Case& c : cases) {
        window.clear();
        EXPECT_EQ(c.drawAndRead(window), c.expected) << c.what;
    }
}

TEST_F(Offscreen, TextInEveryFontLeavesInk) {
    Window window(200, 60, "text");
    for (const Font& font : {Font(Font::HELVETICA, 10), Font(Font::HELVETICA, 12), Font(Font::HELVETICA, 18),
                             Font(Font::TIMES, 10), Font(Font::TIMES, 24), Font(Font::ROMAN, 20),
                             Font(Font::MONO_ROMAN, 20), Font(TRUETYPE, 18)}) {
        window.clear();
        window.drawText(Style::BLACK, font, 10, 40, "Wg");
        EXPECT_GT(inkIn(window, 0, 0, 200, 60), 10) << font;
    }
}

// Each window has a GL context of its own; fonts and pictures made once serve them all.
TEST_F(Offscreen, FontsAndPicturesDrawInEveryWindow) {
    const Font font(TRUETYPE, 18);
    const Image picture = filled(Color::RED, 10, 10);
    Window first(100, 50, "first"), second(100, 50, "second");
    for (const auto& [window, name] : {std::pair{&first, "first"}, std::pair{&second, "second"}, std::pair{&first, "first again"}}) {
        window->clear();
        window->drawText(Style::BLACK, font, 5, 30, "Wg");
        window->drawImage(picture, 80, 5);
        EXPECT_GT(inkIn(*window, 0, 0, 60, 50), 10) << name;
        EXPECT_EQ(window->readPixel(85, 10), Color::RED) << name;
    }
}

TEST_F(Offscreen, ResizedWindowDrawsToItsNewEdges) {
    Window window(50, 40, "resized");
    window.resize(120, 90);  // height first, deliberately
    window.drawPixel(Style::RED, 89, 119);
    EXPECT_EQ(window.getWidth(), 90);
    EXPECT_EQ(window.getHeight(), 120);
    EXPECT_EQ(window.readPixel(89, 119), Color::RED);
}

TEST_F(Offscreen, GetPositionSaysWhereTheWindowWasAskedToBe) {
    int x = 0, y = 0;
    Window placed(100, 200, 50, 50, "placed");
    placed.getPosition(x, y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(100, 200));
    placed.setPosition(30, 40);
    placed.getPosition(x, y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(30, 40));
    Window anywhere(50, 50, "anywhere");
    anywhere.getPosition(x, y);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 0));  // as on an X server without a window manager
}

TEST_F(Offscreen, FullScreenTakesModesUpToTheScreenThatBRINDLEWOOD_SCREENGives) {
    setenv("BRINDLEWOOD_SCREEN", "640x480", 1);
    const std::string refused = reportPattern(Kind::WARNING, "Renderer.cpp",
                                              "Could not enter full-screen mode: the window opens as a plain window");
    for (const auto& [width, height, enters] : {std::tuple{640, 480, true}, std::tuple{641, 480, false}}) {
        std::unique_ptr<FullScreenWindow> window;
        const std::string output = stderrOf([&] {
            window = std::make_unique<FullScreenWindow>(width, height, 24, 60);
            window->drawPixel(Style::RED, width - 1, height - 1);
            EXPECT_EQ(window->readPixel(width - 1, height - 1), Color::RED);
        });
        EXPECT_EQ(matchesWhole(output, refused), !enters) << width << "x" << height << ": " << output;
    }
}

TEST_F(Offscreen, EmptyVariablesAreTakenAsUnsetWithoutAWord) {
    for (const char* name : {"BRINDLEWOOD_SCREEN", "BRINDLEWOOD_INPUT", "BRINDLEWOOD_SNAPSHOTS"}) setenv(name, "", 1);
    const std::string output = stderrOf([] {
        FullScreenWindow window(1920, 1080, 24, 60);  // the screen's size without BRINDLEWOOD_SCREEN
        window.drawPixel(Style::RED, 1919, 1079);
        EXPECT_EQ(window.readPixel(1919, 1079), Color::RED);
    });
    EXPECT_EQ(output, "");
}

TEST_F(Offscreen, TimersTickAndFramesPass) {
    Window window(50, 50, "timers");
    const TimerEvent timer = window.startTimer(10);
    EXPECT_EQ(window.waitForTimerEvent().getTimerID(), timer.getTimerID());
    window.waitForNextFrame(60);
    EXPECT_TRUE(window.isOpen());
}

TEST(OffscreenScreen, ScreenSizeIsReadAsWidthByHeight) {
    using Size = std::optional<std::pair<int, int>>;
    const std::vector<std::pair<const char*, Size>> cases = {
        {"640x480", std::pair{640, 480}}, {"1920x1080", std::pair{1920, 1080}}, {"0x480", std::nullopt},
        {"640", std::nullopt},           {"640x480x3", std::nullopt},         {"-640x480", std::nullopt},
        {" 640x480", std::nullopt},      {"640X480", std::nullopt},           {"", std::nullopt},
    };
    for (const auto& [value, size] : cases) EXPECT_EQ(platform::offscreen::screenSizeFrom(value), size) << value;
}

// What the platform tells the renderer, recorded.
struct RecordingSink final : platform::EventSink {
    std::vector<platform::WindowId> closedWindows;
    void character(platform::WindowId, int, bool, KeyModifiers) override {}
    void namedKey(platform::WindowId, int, bool, KeyModifiers) override {}
    void button(platform::WindowId, MouseEvent::Button, bool, int, int, KeyModifiers) override {}
    void pointerMoved(platform::WindowId, int, int, bool) override {}
    bool dropsPointerMotion() override { return false; }
    void crossed(platform::WindowId, bool) override {}
    void reshaped(platform::WindowId, int, int) override {}
    void exposed(platform::WindowId, bool) override {}
    void closed(platform::WindowId window) override { closedWindows.push_back(window); }
};

// The platform on its own, driven from this thread as the renderer drives it.
class OffscreenPlatform : public Offscreen {
protected:
    static constexpr int WIDTH = 4, HEIGHT = 3;
    void SetUp() override {
        Offscreen::SetUp();
        platform.start(sink, true);
        window = platform.openWindow(0, 0, false, WIDTH, HEIGHT, "pages");
    }
    static void clearTo(float red, float green, float blue) {
        glClearColor(red, green, blue, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // The drawn picture's pixel at GL's (x, y), the bottom row being 0.
    static std::vector<unsigned char> drawnPixel(int x, int y) {
        std::vector<unsigned char> rgba(4);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
    std::vector<unsigned char> shownPixel(int x, int top) {
        const std::vector<unsigned char> shown = platform.shownPixels(WIDTH, HEIGHT);
        return {shown.begin() + (top * WIDTH + x) * 4, shown.begin() + (top * WIDTH + x + 1) * 4};
    }

    RecordingSink sink;
    platform::offscreen::OffscreenPlatform platform;
    platform::WindowId window = 0;
};

const std::vector<unsigned char> RED = {255, 0, 0, 255}, BLUE = {0, 0, 255, 255}, GREEN = {0, 255, 0, 255};

TEST_F(OffscreenPlatform, SwapShowsWhatWasDrawnWhichStaysDrawn) {
    clearTo(1, 0, 0);
    platform.swap();
    clearTo(0, 0, 1);
    EXPECT_EQ(shownPixel(1, 1), RED);
    EXPECT_EQ(drawnPixel(1, 1), BLUE);
    platform.swap();
    EXPECT_EQ(shownPixel(1, 1), BLUE);
    EXPECT_EQ(drawnPixel(1, 1), BLUE);
}

TEST_F(OffscreenPlatform, ShownPixelsStartWithTheTopRow) {
    clearTo(1, 0, 0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, WIDTH, 1);  // GL's bottom row
    clearTo(0, 1, 0);
    glDisable(GL_SCISSOR_TEST);
    platform.swap();
    EXPECT_EQ(shownPixel(0, 0), RED);
    EXPECT_EQ(shownPixel(WIDTH - 1, HEIGHT - 1), GREEN);
}

TEST_F(OffscreenPlatform, ClosingAsTheUserWouldTellsTheRendererAndForgetsTheWindow) {
    platform.closeAsUser(window);
    EXPECT_EQ(sink.closedWindows, std::vector<platform::WindowId>{window});
    EXPECT_EQ(platform.currentWindow(), 0);
    platform.closeAsUser(window);  // gone: nothing more to tell
    EXPECT_EQ(sink.closedWindows.size(), 1u);
}

TEST(PlatformChoice, WithoutADisplayOrAKnownPlatformTheProgramSaysWhatToSet) {
    struct Case {
        const char* display;       // null: unset
        const char* platformName;  // null: unset
        std::string report;
    };
    const std::string noDisplay =
        reportPattern(Kind::FATAL_ERROR, "GlutPlatform.cpp",
                      "The display could not be opened: set BRINDLEWOOD_PLATFORM=offscreen to draw without one");
    const std::vector<Case> cases = {
        {nullptr, nullptr, noDisplay + detailPattern("DISPLAY is not set")},
        {":999", nullptr, noDisplay + detailPattern("DISPLAY is \":999\"")},  // no server ever answers there
        {nullptr, "wayland",
         reportPattern(Kind::FATAL_ERROR, "Platform.cpp",
                       "BRINDLEWOOD_PLATFORM is \"wayland\": set it to offscreen to draw without a "
                       "display, or leave it unset to draw on X")},
    };
    for (const Case& c : cases) {
        EXPECT_DEATH(
            {
                c.display ? setenv("DISPLAY", c.display, 1) : unsetenv("DISPLAY");
                c.platformName ? setenv("BRINDLEWOOD_PLATFORM", c.platformName, 1) : unsetenv("BRINDLEWOOD_PLATFORM");
                Window window(50, 50, "no display");
            },
            "^" + c.report + "$");
    }
}

TEST(OffscreenOnX, BuiltinFontsMeasureAsFreeglutDoes) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "freeglut measures only with a display";
    unsetenv("BRINDLEWOOD_PLATFORM");
    Window window(50, 50, "measures");  // starts freeglut
    std::string everyCharacter;
    for (int c = 1; c < 256; ++c) everyCharacter += static_cast<char>(c);
    for (const auto& [fontId, size] : {std::pair{Font::HELVETICA, 10}, std::pair{Font::HELVETICA, 12},
                                       std::pair{Font::HELVETICA, 18}, std::pair{Font::TIMES, 10},
                                       std::pair{Font::TIMES, 24}, std::pair{Font::ROMAN, 100},
                                       std::pair{Font::MONO_ROMAN, 100}}) {
        for (const std::string& text : {everyCharacter, std::string("short\nthe longest line\nmid"), std::string()}) {
            int width = 0, height = 0;
            Font(fontId, size).getStringSize(text, width, height);
            EXPECT_EQ(platform::offscreen::builtinTextWidth(fontId, size, text), width) << fontId << " " << size;
        }
    }
}

// The scene of tests/programs/DrawScene.cpp as one platform draws it: RGBA rows.
std::vector<unsigned char> sceneDrawn(const ScratchFolder& folder, const std::string& platformEnvironment) {
    const std::string file = (folder / (platformEnvironment.empty() ? "x.png" : "offscreen.png")).string();
    const std::string command = "env " + platformEnvironment + " " BRINDLEWOOD_BINARY_DIR "/tests/draw_scene " + file;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return Image(file, Image::PNG).getPixels();
}

TEST(OffscreenOnX, SceneDrawnOffscreenLooksAsOnX) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "the X picture needs a display";
    const ScratchFolder folder("offscreen-scene");
    const std::vector<unsigned char> onX = sceneDrawn(folder, "-u BRINDLEWOOD_PLATFORM");
    const std::vector<unsigned char> offscreen = sceneDrawn(folder, "-u DISPLAY BRINDLEWOOD_PLATFORM=offscreen");
    ASSERT_EQ(onX.size(), offscreen.size());
    int differing = 0, inked = 0;
    for (std::size_t i = 0; i < onX.size(); i += 4) {
        differing += !std::equal(&onX[i], &onX[i] + 3, &offscreen[i]);
        inked += onX[i] + onX[i + 1] + onX[i + 2] < 3 * 255;
    }
    const int pixels = static_cast<int>(onX.size() / 4);
    std::cout << differing << " of " << pixels << " pixels differ between X and offscreen\n";
    EXPECT_GT(inked, pixels / 4);  // the scene was drawn
    EXPECT_LE(differing, pixels / 1000);
}

}  // namespace
