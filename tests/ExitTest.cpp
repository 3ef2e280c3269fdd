// Whole programs against the renderer's exit: each opens a window, draws and returns from main.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

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
