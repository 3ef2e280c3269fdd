// Whole programs against the renderer's exit: each opens a window, draws and returns from main.
// Exits forced on the program (a dependency's exit, a lost display) end it without hanging.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "Globals.h"
#include "ImageInstance.h"
#include "ReportPattern.h"
#include "TestWindow.h"
#include "Window.h"
#include "XClient.h"
#include "XDoTool.h"

namespace {

// Runs the program fifty times; each run must exit 0 and write nothing.
void expectFiftyCleanExits(const std::string& name) {
    const std::string program = BRINDLEWOOD_BINARY_DIR "/tests/" + name + " 2>&1";
    for (int run = 0; run < 50; ++run) {
        FILE* pipe = popen(program.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            if (std::string(buffer).rfind("==", 0) != 0) output += buffer;  // the sanitizers' own notes
        const int status = pclose(pipe);
        ASSERT_TRUE(WIFEXITED(status)) << "run " << run << " ended by a signal; output: " << output;
        ASSERT_EQ(WEXITSTATUS(status), 0) << "run " << run << " output: " << output;
        ASSERT_EQ(output, "") << "run " << run;
    }
}

}  // namespace

TEST(Exit, ProgramsThatDrawAndReturnFromMainExitCleanly) { expectFiftyCleanExits("draw_and_return"); }

// The window is then destroyed among the exit handlers, after the GL driver's lazy set-up.
TEST(Exit, ProgramsWithAFileScopeWindowExitCleanly) { expectFiftyCleanExits("draw_from_file_scope"); }

using ForcedExitDeathTest = testing::Test;

// As when a library calls exit inside the image cache's lock: the renderer, waiting for that lock,
// cannot stop; the exit goes on without it.
TEST_F(ForcedExitDeathTest, AnExitHoldingALockTheRendererWaitsForEndsWithItsStatus) {
    EXPECT_EXIT(
        {
            Window window(120, 80, uniqueTitle("locked"));
            waitUntilShown(window);
            std::lock_guard<PortMutex> held(Globals<GLUTImpImageInstanceStatics>::impl()->mutex);
            std::thread capture([&] { window.createImage(0, 0, 10, 10); });  // the renderer needs the lock
            capture.detach();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::exit(3);
        },
        testing::ExitedWithCode(3),
        onlyReport(diagnostics::Kind::WARNING, "GLUTImp.cpp",
                   "The renderer did not stop in time; the program ends without waiting for it"));
}

// Xlib ends the program from the renderer thread when the X server cuts it off; the program's own
// thread must not be left waiting for the renderer, nor the renderer for the program's thread.
TEST_F(ForcedExitDeathTest, ALostDisplayEndsAWaitingProgramWithStatusOne) {
    EXPECT_EXIT(
        {
            const std::string title = uniqueTitle("cut-off");
            Window window(120, 80, title);
            waitUntilShown(window);
            std::thread server([&] { killOwnerOf(title); });
            server.detach();
            window.waitForMouseEvent();
        },
        testing::ExitedWithCode(1),
        onlyReport(diagnostics::Kind::FATAL_ERROR, "WindowSystem.cpp", "The connection to the window system was lost"));
}

TEST(XErrors, AreReportedAndTheProgramGoesOn) {
    Window window(120, 80, uniqueTitle("x-error"));
    waitUntilShown(window);
    const std::string output = stderrOf([] { makeFailingRequest(); });
    EXPECT_PRED2(matchesWhole, output,
                 reportPattern(diagnostics::Kind::WARNING, "WindowSystem.cpp",
                               "The window system reported an error: BadWindow (invalid Window parameter), in "
                               "request X_MapWindow"));
    window.drawPixel(Style::RED, 5, 5);
    EXPECT_EQ(window.readPixel(5, 5), Color::RED);
}
