// The signals that end a program: a crash, or a stop sent from outside (as `timeout` sends), leaves
// the snapshots of what the program had drawn, one report line naming the signal in words with how
// far the input script had played, and an exit status that names the signal.
// tests/programs/EndBySignal.cpp is the program, run as a child process.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "ReportPattern.h"
#include "ScratchFolder.h"
#include "Screenshot.h"

using diagnostics::Kind;

namespace {

// How a run of tests/programs/EndBySignal.cpp ended.
struct Ending {
    std::string stderrText;  // without the sanitizers' own notes
    int signal = 0;          // the signal that ended it, 0 if none did
};

// The signal that a shell's status says ended its command: the shell ran it or became it.
int endingSignal(int status) {
    if (WIFSIGNALED(status)) return WTERMSIG(status);
    return WIFEXITED(status) && WEXITSTATUS(status) > 128 ? WEXITSTATUS(status) - 128 : 0;
}

// Runs the program as how says on the offscreen platform, under a script of two clicks, saving
// snapshots into folder; with stop, `timeout` sends that signal a second after it starts.
Ending run(const std::string& how, const char* stop, const ScratchFolder& folder) {
    std::ofstream(folder / "input.txt") << "click 40 40\nclick 100 100\n";
    // The shell becomes the program, so that it says nothing of how the program ended.
    const std::string command = "cd '" + folder.path().string() +
                                "' && exec env -u DISPLAY BRINDLEWOOD_PLATFORM=offscreen BRINDLEWOOD_INPUT=input.txt "
                                "BRINDLEWOOD_SNAPSHOTS=snapshots " +
                                (stop ? "timeout --preserve-status -s " + std::string(stop) + " 1 " : "") +
                                BRINDLEWOOD_BINARY_DIR "/tests/end_by_signal " + how + " 2> stderr.txt";
    Ending ending;
    ending.signal = endingSignal(std::system(command.c_str()));
    std::ifstream written(folder / "stderr.txt");
    for (std::string line; std::getline(written, line);)
        if (line.rfind("==", 0) != 0) ending.stderrText += line + "\n";
    return ending;
}

// Whether this process (and so the program, built alike and started from it) leaves the signal to
// its default action: a sanitizer catches the faults it reports itself, a shell may have a
// background job ignore Ctrl+C, and then the library leaves the signal alone.
bool leftToDefault(int signal) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL;
}

}  // namespace

TEST(EndingSignals, ReportTheSignalSaveTheSnapshotsAndEndTheProgramByIt) {
    const auto crashed = [](const char* words) {
        return reportPattern(Kind::FATAL_ERROR, "RendererSignals.cpp", std::string("the program crashed: ") + words);
    };
    const auto stopped = [](const char* words) {
        return reportPattern(Kind::FATAL_ERROR, "RendererSignals.cpp", std::string("the program was stopped: ") + words);
    };
    const std::string progress = "  after input-script line 1 of 2\n";  // the first click, drawn
    const struct {
        const char* how;
        const char* stop;  // the signal timeout sends, if any
        int signal;
        std::string report;
    } cases[] = {
        {"null", nullptr, SIGSEGV, crashed("segmentation fault (SIGSEGV)") + progress},
        {"overflow", nullptr, SIGSEGV, crashed("segmentation fault (SIGSEGV)") + progress},
        {"abort", nullptr, SIGABRT, crashed("aborted (SIGABRT)") + progress},
        // The library's own halt has said what went wrong: it is no crash.
        {"halt", nullptr, SIGABRT,
         reportPattern(Kind::FATAL_ERROR, "Window.cpp",
                       "Tried to remove a KeyboardEvent from an empty queue!  Call isKeyboardQueueEmpty() first to "
                       "ensure that this does not occur")},
        {"hang", "TERM", SIGTERM, stopped("terminated (SIGTERM)") + progress},
        {"hang", "INT", SIGINT, stopped("interrupted (SIGINT)") + progress},
        {"hang", "HUP", SIGHUP, stopped("hung up (SIGHUP)") + progress},
        {"hang", "ALRM", SIGALRM, stopped("alarm clock (SIGALRM)") + progress},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.how) + (c.stop ? std::string(" by SIG") + c.stop : ""));
        if (!leftToDefault(c.signal)) {
            std::cout << "signal " << c.signal << " is not left to its default action here: the library leaves it\n";
            continue;
        }
        ScratchFolder folder("ending-signal");
        const Ending ending = run(c.how, c.stop, folder);
        EXPECT_EQ(ending.signal, c.signal);
        EXPECT_PRED2(matchesWhole, ending.stderrText, c.report);
        const Picture snapshot = pictureFile(folder / "snapshots/window-1.png", 200, 150);
        EXPECT_EQ(snapshot.at(40, 40), Color::RED);
        EXPECT_EQ(snapshot.at(100, 100), Color::WHITE);
    }
}
