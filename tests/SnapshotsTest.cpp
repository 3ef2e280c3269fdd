// Snapshots: with BRINDLEWOOD_SNAPSHOTS naming a folder, every window that closes (deleted, closed
// from outside, or still open when the program ends) leaves the picture it shows there as
// window-N.png, N counting windows in the order they were made. Pictures are read back from the
// files through ImageMagick.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ReportPattern.h"
#include "ScratchFolder.h"
#include "Screenshot.h"
#include "TestWindow.h"
#include "Window.h"
#include "XClient.h"
#include "XDoTool.h"

namespace {

constexpr int WIDTH = 200, HEIGHT = 150;

// The scene of every window here, as tests/programs/ExitWithAWindowOpen.cpp draws it too: a red
// rectangle covering x 20 to 119 and y 30 to 89 on white.
void drawScene(Window& window) { window.drawRectangleFilled(Style::RED, 20, 30, 120, 90); }

// The scene's corners inside and the pixels just outside them.
void expectScene(const Picture& picture) {
    for (auto [x, y] : {std::pair{20, 30}, {119, 30}, {20, 89}, {119, 89}})
        EXPECT_EQ(picture.at(x, y), Color::RED) << x << ", " << y;
    for (auto [x, y] : {std::pair{19, 30}, {120, 89}, {20, 29}, {119, 90}, {0, 0}, {WIDTH - 1, HEIGHT - 1}})
        EXPECT_EQ(picture.at(x, y), Color::WHITE) << x << ", " << y;
}

// Whether this process's windows draw offscreen, where no other program reaches them.
bool drawsOffscreen() {
    const char* platform = std::getenv("BRINDLEWOOD_PLATFORM");
    return platform && std::string(platform) == "offscreen";
}

// Saves snapshots into folder from now on.
void snapshotInto(const std::filesystem::path& folder) { setenv("BRINDLEWOOD_SNAPSHOTS", folder.c_str(), 1); }

struct ShownWindow {
    std::string title = uniqueTitle("snapshot");
    Window window{WIDTH, HEIGHT, title};
    ShownWindow() { waitUntilShown(window); }
};

}  // namespace

TEST(Snapshots, EachWayAWindowClosesLeavesThePictureItShows) {
    struct Way {
        const char* name;
        std::function<void()> makeAndClose;  // makes a window, draws the scene and closes the window
    };
    const std::vector<Way> ways = {
        {"deleted",
         [] {
             ShownWindow shown;
             drawScene(shown.window);
         }},
        {"full screen, deleted",  // a plain window where the window system refuses full screen
         [] {
             FullScreenWindow window(WIDTH, HEIGHT, 24, 60);
             waitUntilShown(window);
             drawScene(window);
         }},
        {"closed by the user",
         [] {
             ShownWindow shown;
             drawScene(shown.window);
             if (drawsOffscreen()) {
                 shown.window.waitForMouseEvent();  // with no input script, the user closes the window
             } else {
                 shown.window.readPixel(0, 0);  // the scene is drawn before the close arrives
                 requestClose(shown.title);     // the close button
             }
             ASSERT_TRUE(eventually([&] { return !shown.window.isOpen(); }));
         }},
        {"still open when the program ends",
         [] {
             const int status = std::system(BRINDLEWOOD_BINARY_DIR "/tests/exit_with_a_window_open");
             EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
         }},
    };
    for (std::size_t row = 0; row < ways.size(); ++row) {
        SCOPED_TRACE(ways[row].name);
        ScratchFolder scratch("snapshots-" + std::to_string(row));
        const std::filesystem::path folder = scratch / "made";  // not there yet: the first snapshot makes it
        snapshotInto(folder);
        ways[row].makeAndClose();
        std::filesystem::directory_iterator saved(folder);
        ASSERT_NE(saved, std::filesystem::directory_iterator());
        EXPECT_EQ(saved->path().filename().string().rfind("window-", 0), 0u);  // numbering has a test of its own
        expectScene(pictureFile(saved->path().string(), WIDTH, HEIGHT));
        EXPECT_EQ(++saved, std::filesystem::directory_iterator()) << "one snapshot only";
    }
}

// What a page flip last showed, not what was drawn after it.
TEST(Snapshots, HoldWhatTheLastFlipShowedNotTheDrawingSince) {
    ScratchFolder folder("snapshots");
    snapshotInto(folder.path());
    {
        ShownWindow shown;
        shown.window.disableAutoPageFlip();
        drawScene(shown.window);
        shown.window.flipPage();
        shown.window.clear(Color::BLUE);
    }
    expectScene(pictureFile((folder / "window-1.png").string(), WIDTH, HEIGHT));
}

TEST(Snapshots, AreNumberedInTheOrderTheWindowsWereMade) {
    ScratchFolder folder("snapshots");
    snapshotInto(folder.path());
    const std::vector<Color> colors = {Color::RED, Color::GREEN, Color::BLUE};
    {
        std::vector<std::unique_ptr<Window>> windows;
        for (const Color& color : colors) {
            windows.push_back(std::make_unique<Window>(40, 30, uniqueTitle("numbered")));
            windows.back()->clear(color);
        }
        windows.erase(windows.begin() + 1);  // closed in another order than made
    }
    for (std::size_t n = 0; n < colors.size(); ++n)
        EXPECT_EQ(pictureFile((folder / ("window-" + std::to_string(n + 1) + ".png")).string(), 40, 30).at(20, 15),
                  colors[n])
            << "window " << n + 1;
}

// A folder that cannot be written, a full disk, a FIFO that nothing reads (which would hold the
// renderer for ever), or a window whose picture is gone with it.
TEST(Snapshots, ASnapshotThatCannotBeSavedIsAWarningAndTheProgramGoesOn) {
    struct Case {
        std::string folder;  // in the scratch folder, which holds a file named "file"
        std::function<void()> makeAndClose;
        std::string reason;
    };
    const auto drawAndDelete = [] {
        ShownWindow shown;
        drawScene(shown.window);
    };
    const std::vector<Case> cases = {
        {"file/snapshots", drawAndDelete, "not writable"},
        {"full", drawAndDelete, "not written in full: the disk may be full"},  // window-2.png: /dev/full
        {"fifo", drawAndDelete, "a FIFO that no program reads"},               // window-3.png
        {"snapshots",
         [] {
             ShownWindow shown;
             destroyFromOutside(shown.title);
             ASSERT_TRUE(eventually([&] { return !shown.window.isOpen(); }));
         },
         "the window system gave no picture"},
    };
    ScratchFolder scratch("snapshots");
    std::ofstream(scratch / "file") << "a file, not a folder";
    std::filesystem::create_directory(scratch / "full");
    std::filesystem::create_symlink("/dev/full", scratch / "full" / "window-2.png");
    std::filesystem::create_directory(scratch / "fifo");
    ASSERT_EQ(mkfifo((scratch / "fifo" / "window-3.png").c_str(), 0600), 0);
    // No other program reaches offscreen windows to destroy one.
    const std::size_t rows = drawsOffscreen() ? cases.size() - 1 : cases.size();
    for (std::size_t row = 0; row < rows; ++row) {
        SCOPED_TRACE(cases[row].reason);
        const std::filesystem::path folder = scratch / cases[row].folder;
        snapshotInto(folder);
        const std::string output = stderrOf(cases[row].makeAndClose);
        EXPECT_PRED2(matchesWhole, output,
                     reportPattern(diagnostics::Kind::WARNING, "Renderer.cpp",
                                   "The picture of a closing window could not be saved") +
                         detailPattern("File \"" + (folder / ("window-" + std::to_string(row + 1) + ".png")).string() +
                                       "\": " + cases[row].reason));
    }
    ShownWindow next;
    drawScene(next.window);
    EXPECT_EQ(next.window.readPixel(20, 30), Color::RED);
}

// The README's worked example, its program and input script copied out of the README by the build:
// its one command, run with no display, leaves the picture committed beside the README, and
// ImageMagick's compare finds no pixel that differs.
TEST(GradingWithoutADisplay, TheReadmesExampleLeavesItsReferencePicture) {
    ScratchFolder folder("grading");
    const std::string run = "cd '" + folder.path().string() +
                            "' && env -u DISPLAY BRINDLEWOOD_PLATFORM=offscreen BRINDLEWOOD_INPUT=" BRINDLEWOOD_BINARY_DIR
                            "/tests/grading_paint.input BRINDLEWOOD_SNAPSHOTS=snapshots " BRINDLEWOOD_BINARY_DIR
                            "/tests/readme_grading_paint";
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    const std::string compare = "compare -metric AE '" + (folder / "snapshots/window-1.png").string() +
                                "' " BRINDLEWOOD_SOURCE_DIR "/docs/grading_paint.png null: 2>&1";
    FILE* pipe = popen(compare.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char differing[64] = "";
    const bool read = std::fgets(differing, sizeof differing, pipe) != nullptr;
    EXPECT_EQ(pclose(pipe), 0) << "the pictures differ";
    EXPECT_TRUE(read);
    EXPECT_STREQ(differing, "0");
}
