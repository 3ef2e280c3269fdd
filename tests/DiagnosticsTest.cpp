// The four reports as a caller sees them: the exact line on stderr, and whether the program goes on.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "Brindlewood.h"
#include "ReportPattern.h"
#include "TestWindow.h"
#include "shared/Diagnostics.h"

using diagnostics::Kind;
using testing::KilledBySignal;

namespace {

const std::string continues = ".  Program execution will continue, but may not behave as anticipated.\n";

// The line a report from this file, at the given line, must write.
std::string lineFromHere(const std::string& prefix, int line, const std::string& message, const std::string& closing) {
    return prefix + __FILE__ + " @ line " + std::to_string(line) + " : " + message + closing;
}

}  // namespace

TEST(DiagnosticsDeathTest, FatalErrorWritesItsLineAndAborts) {
    EXPECT_EXIT(FATAL_ERROR("You tried to create a Style with a linewidth less than one"), KilledBySignal(SIGABRT),
                "^FATAL ERROR in ([^ ]*/)?DiagnosticsTest\\.cpp @ line [0-9]+ : You tried to create a Style with a "
                "linewidth less than one\\.  Program excecution will now halt\\.\n$");
}

TEST(DiagnosticsDeathTest, FatalAssertionClosesWithTheCorrectlySpeltExecution) {
    EXPECT_EXIT(FATAL_ASSERTION("I seem to have recieved a NULL Window pointer"), KilledBySignal(SIGABRT),
                "^FATAL ASSERTION in ([^ ]*/)?DiagnosticsTest\\.cpp @ line [0-9]+ : I seem to have recieved a NULL "
                "Window pointer\\.  Program execution will now halt\\.\n$");
}

TEST(DiagnosticsDeathTest, HaltingReportNeverReturnsToTheCaller) {
    // Were the report to return, the exit would be a normal one with status 0 instead of the abort.
    EXPECT_EXIT(
        {
            FATAL_ERROR("Stop here");
            std::exit(0);
        },
        KilledBySignal(SIGABRT), onlyReport(Kind::FATAL_ERROR, "DiagnosticsTest.cpp", "Stop here"));
    EXPECT_EXIT(
        {
            FATAL_ASSERTION("Stop here too");
            std::exit(0);
        },
        KilledBySignal(SIGABRT), onlyReport(Kind::FATAL_ASSERTION, "DiagnosticsTest.cpp", "Stop here too"));
}

TEST(DiagnosticsDeathTest, EmptyMessageStillYieldsEveryOtherPiece) {
    EXPECT_EXIT(FATAL_ERROR(""), KilledBySignal(SIGABRT),
                "^FATAL ERROR in ([^ ]*/)?DiagnosticsTest\\.cpp @ line [0-9]+ : \\.  Program excecution will now "
                "halt\\.\n$");
}

TEST(DiagnosticsDeathTest, DetailNamingTheFileAndWhyFollowsTheUnchangedReportLine) {
    const struct {
        std::string detail;
        std::string line;
    } cases[] = {
        {diagnostics::aboutFile("cat.png", "not a PNG"), "File \"cat.png\": not a PNG"},
        {diagnostics::unreadableFile("/no/such/folder/cat.png"), "File \"/no/such/folder/cat.png\": no such file"},
        {diagnostics::unreadableFile("/"), "File \"/\": not readable"},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT(FATAL_ERROR("Can't open the specified image", c.detail), KilledBySignal(SIGABRT),
                    "^" + reportPattern(Kind::FATAL_ERROR, "DiagnosticsTest.cpp", "Can't open the specified image") +
                        detailPattern(c.line) + "$");
    }
}

TEST(DiagnosticsTest, WarningWritesItsLineAndTheNextStatementRuns) {
    bool wentOn = false;
    testing::internal::CaptureStderr();
    const int line = __LINE__ + 1;
    WARNING("Rectangle is outside the window");
    wentOn = true;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              lineFromHere("WARNING in ", line, "Rectangle is outside the window", continues));
    EXPECT_TRUE(wentOn);
}

TEST(DiagnosticsTest, NonFatalAssertionWritesItsLineAndReturns) {
    bool wentOn = false;
    testing::internal::CaptureStderr();
    const int line = __LINE__ + 1;
    NON_FATAL_ASSERTION("Reference count became negative");
    wentOn = true;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              lineFromHere("NON-FATAL ASSERTION in ", line, "Reference count became negative", continues));
    EXPECT_TRUE(wentOn);
}

TEST(DiagnosticsTest, EmptyWarningKeepsTheBlankAfterTheColon) {
    testing::internal::CaptureStderr();
    const int line = __LINE__ + 1;
    WARNING("");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), lineFromHere("WARNING in ", line, "", continues));
}

TEST(DiagnosticsTest, ComposedMessageIsWrittenUntrimmedAndUnquoted) {
    const std::string composed = std::string("  Green") + " \"color\" component\t";
    testing::internal::CaptureStderr();
    const int line = __LINE__ + 1;
    WARNING(composed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), lineFromHere("WARNING in ", line, composed, continues));
}

TEST(DiagnosticsTest, RepeatedWarningIsWrittenEveryTime) {
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        WARNING("Pixel outside the window");
    }
    const std::string line = reportPattern(Kind::WARNING, "DiagnosticsTest.cpp", "Pixel outside the window");
    EXPECT_PRED2(matchesWhole, testing::internal::GetCapturedStderr(), line + line + line);
}

TEST(DiagnosticsTest, ReportsFromTwoThreadsNeverMixAndKeepTheirDetailBeneathThem) {
    const int reportsPerThread = 300;
    auto warnRepeatedly = [reportsPerThread](const std::string& message, const std::string& detail) {
        for (int i = 0; i < reportsPerThread; ++i) {
            WARNING(message, detail);
        }
    };
    testing::internal::CaptureStderr();
    std::thread renderer(warnRepeatedly, "From the renderer thread", "");
    warnRepeatedly("From the user's thread", "About the user");
    renderer.join();
    std::istringstream lines(testing::internal::GetCapturedStderr());

    const std::string fromRenderer = reportPattern(Kind::WARNING, "DiagnosticsTest.cpp", "From the renderer thread");
    const std::string fromUser = reportPattern(Kind::WARNING, "DiagnosticsTest.cpp", "From the user's thread");
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        if (matchesWhole(line + "\n", fromUser)) {
            ASSERT_TRUE(std::getline(lines, line));
            EXPECT_EQ(line, "  About the user");
        } else {
            EXPECT_PRED2(matchesWhole, line + "\n", fromRenderer);
        }
    }
    EXPECT_EQ(count, 2 * reportsPerThread);
}

// Calls that a plainly wrong argument leaves doing nothing say so, instead of doing nothing quietly.
TEST(MistakenArgumentWarnings, NegativeRadiusWarnsAndDrawsNothing) {
    Window window(100, 100, "Warnings");
    waitUntilShown(window);
    const std::string output = stderrOf([&] {
        window.drawCircleFilled(Style::BLACK, 50, 50, -20);
        window.drawCircleOutline(Style::BLACK, 50, 50, -20);
    });
    auto negativeRadius = [](const std::string& call) {
        return reportPattern(Kind::WARNING, "Window.cpp",
                             "The radius passed to " + call + " is negative, so nothing was drawn");
    };
    EXPECT_PRED2(matchesWhole, output, negativeRadius("drawCircleFilled") + negativeRadius("drawCircleOutline"));
    // The centre, and where the outline of radius 20 would pass.
    for (const auto& [x, y] : {std::pair{50, 50}, std::pair{70, 50}, std::pair{50, 30}})
        EXPECT_EQ(window.readPixel(x, y), Color::WHITE) << x << ", " << y;
}

TEST(MistakenArgumentWarnings, NegativeTimerIntervalWarnsThatTheTimerNeverFires) {
    Window window(100, 100, "Warnings");
    const std::string output = stderrOf([&] {
        window.stopTimer(window.registerNewTimerEvent(-5));
        window.stopTimer(window.startTimer(-1));
    });
    auto neverFires = [](const std::string& call) {
        return reportPattern(Kind::WARNING, "Window.cpp",
                             "The interval passed to " + call + " is negative, so the timer never fires");
    };
    EXPECT_PRED2(matchesWhole, output, neverFires("registerNewTimerEvent") + neverFires("startTimer"));
}

// A report made inside a public call ends with the line of the program that made the call, beneath
// any detail; a public call made by another names the program's call, not the library's inner one.
TEST(CallerLineDeathTest, NamesTheProgramsFileAndLineBeneathTheReport) {
    struct Case {
        void (*call)();
        int line;
        Kind kind;
        const char* source;
        const char* message;
        const char* detail;
    };
    const Case cases[] = {
        {[] { Window window(0, 10, "Zero"); }, __LINE__, Kind::FATAL_ERROR, "Window.cpp",
         "Window width is not a positive integer", nullptr},
        {[] { FullScreenWindow window(10, 0, 32, 60); }, __LINE__, Kind::FATAL_ERROR, "Window.cpp",
         "Window height is a not a positive integer", nullptr},
        {[] { Style style(Color::BLACK, 0); }, __LINE__, Kind::FATAL_ERROR, "Style.cpp",
         "You tried to create a Style with a linewidth less than one", nullptr},
        {[] { Font font("", 12); }, __LINE__, Kind::FATAL_ERROR, "Font.cpp", "\"\" is an invalid filename for a font",
         nullptr},
        {[] { (void)Color(300, 0, 0); }, __LINE__, Kind::WARNING, "Color.cpp",
         "Red color component specified to be greater than 255", nullptr},
        {[] { Image picture("no-such-picture.png", Image::PNG); }, __LINE__, Kind::FATAL_ERROR, "ImageFiles.cpp",
         "Can't open the specified image", "File \"no-such-picture.png\": no such file"},
    };
    for (const Case& c : cases) {
        const std::string detail = c.detail ? detailPattern(c.detail) : "";
        const std::string caller = "  called from DiagnosticsTest\\.cpp, line " + std::to_string(c.line) + "\n";
        // The abort ends the warning's case the way the halts end theirs.
        EXPECT_EXIT(
            {
                c.call();
                std::abort();
            },
            KilledBySignal(SIGABRT), "^" + reportPattern(c.kind, c.source, c.message) + detail + caller + "$")
            << c.message;
    }
}
