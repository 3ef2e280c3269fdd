// Whole programs against the renderer's exit: each opens a window, draws and returns from main,
// also while input pours in. Exits forced on the program (a dependency's exit, a lost display) end
// it without hanging.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "ReportPattern.h"
#include "ScratchFolder.h"
#include "TestWindow.h"
#include "Window.h"
#include "XClient.h"
#include "XDoTool.h"
#include "caches/ImageInstance.h"
#include "shared/Globals.h"

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

// A grader starts Xvfb and the program together: the program waits for the server to answer.
TEST(Exit, AProgramStartedJustBeforeItsXServerWaitsForIt) {
    const std::string display = ":" + std::to_string(300 + getpid() % 600);
    FILE* pipe = popen(("DISPLAY=" + display + " " BRINDLEWOOD_BINARY_DIR "/tests/draw_and_return 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const pid_t server = fork();
    if (server == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", display.c_str(), "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int status = pclose(pipe);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_EQ(output, "");
}

// The program returns from main while a burst of pointer motion (100,000 moves, several seconds of
// it) pours into its window, with every core busy. Working through that backlog kept the window's
// destructor waiting for minutes, and the exit that followed crashed and lost the program's output.
TEST(Exit, AProgramReturningDuringABurstOfPointerMotionDropsItAndKeepsItsOutput) {
    ScratchFolder folder("exit-burst");
    {
        std::ofstream moves(folder / "moves.xdo");
        for (int i = 0; i < 100000; ++i) moves << "mousemove " << 50 + i % 300 << ' ' << 50 + i * 7 % 200 << '\n';
    }
    const std::string log = (folder / "output").string(), moves = (folder / "moves.xdo").string();
    // Runs the command with its standard output and error into the file.
    auto start = [](const char* command, const char* argument, const std::string& into) {
        const pid_t pid = fork();
        if (pid == 0) {
            const int output = open(into.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(output, 1);
            dup2(output, 2);
            execlp(command, command, argument, nullptr);
            _exit(127);
        }
        return pid;
    };
    const pid_t child = start(BRINDLEWOOD_BINARY_DIR "/tests/return_during_input", nullptr, log);
    XDoTool mapped("return during input");  // the pointer's moves reach the window from now on
    const pid_t burst = start("xdotool", moves.c_str(), "/dev/null");
    int status = 0;
    const bool ended = eventually([&] { return waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(30));
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    kill(burst, SIGKILL);
    waitpid(burst, nullptr, 0);
    ASSERT_TRUE(ended) << "the exit worked through the motion";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    std::string output;
    std::istringstream lines(fileText(log));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("==", 0) != 0) output += line + "\n";  // the sanitizers' own notes
    EXPECT_EQ(output, "returned from main\n");
}

using ForcedExitDeathTest = testing::Test;

// As when a library calls exit inside the image cache's lock: the renderer, waiting for that lock,
// cannot stop; the exit goes on without it.
TEST_F(ForcedExitDeathTest, AnExitHoldingALockTheRendererWaitsForEndsWithItsStatus) {
    EXPECT_EXIT(
        {
            Window window(120, 80, uniqueTitle("locked"));
            waitUntilShown(window);
            std::lock_guard<PortMutex> held(Globals<RendererImageInstanceStatics>::impl()->mutex);
            std::thread capture([&] { window.createImage(0, 0, 10, 10); });  // the renderer needs the lock
            capture.detach();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::exit(3);
        },
        testing::ExitedWithCode(3),
        onlyReport(diagnostics::Kind::WARNING, "Renderer.cpp",
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
