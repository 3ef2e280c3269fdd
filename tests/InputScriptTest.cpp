// The input script: what each line plays to the renderer (as the same real input would arrive),
// the report for each kind of line that cannot be read, and a program driven by scripts on the
// offscreen platform.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ReportPattern.h"
#include "ScratchFolder.h"
#include "Screenshot.h"
#include "platform/offscreen/InputScript.h"

using diagnostics::Kind;
using platform::WindowId;
using platform::offscreen::InputScript;
using testing::KilledBySignal;

namespace {

const std::string SCRIPT = "script.txt";

// What the platform would have reported to the renderer, one line a call, in order.
class RecordingSink final : public platform::EventSink {
public:
    std::vector<std::string> calls;

    void character(WindowId, int key, bool down, KeyModifiers modifiers) override {
        calls.push_back("character " + std::to_string(key) + updown(down) + named(modifiers));
    }
    void namedKey(WindowId, int key, bool down, KeyModifiers modifiers) override {
        calls.push_back("named " + std::to_string(key) + updown(down) + named(modifiers));
    }
    void button(WindowId, MouseEvent::Button button, bool down, int x, int y, KeyModifiers modifiers) override {
        const char* name = button == MouseEvent::LEFT_BUTTON     ? "left"
                           : button == MouseEvent::MIDDLE_BUTTON ? "middle"
                           : button == MouseEvent::RIGHT_BUTTON  ? "right"
                                                                 : "other";
        calls.push_back(name + updown(down) + at(x, y) + named(modifiers));
    }
    void pointerMoved(WindowId, int x, int y, bool dragging) override {
        calls.push_back((dragging ? "drag" : "move") + at(x, y));
    }
    bool dropsPointerMotion() override { return false; }
    void crossed(WindowId, bool entered) override { calls.push_back(entered ? "enter" : "leave"); }
    void reshaped(WindowId, int, int) override { calls.push_back("reshaped"); }
    void exposed(WindowId, bool) override { calls.push_back("exposed"); }
    void closed(WindowId) override { calls.push_back("closed"); }
    void snapshot() override { calls.push_back("snapshot"); }

private:
    static std::string updown(bool down) { return down ? " down" : " up"; }
    static std::string at(int x, int y) { return " " + std::to_string(x) + "," + std::to_string(y); }
    static std::string named(KeyModifiers modifiers) {
        return modifiers == KeyModifiers::SHIFT ? " shift" : modifiers == KeyModifiers::NO_MODIFIERS ? "" : " other";
    }
};

// Plays the script's steps for the first window until it asks to close, with a "|" after each.
std::vector<std::string> played(const std::string& script) {
    InputScript input = InputScript::parse(script, SCRIPT);
    RecordingSink sink;
    while (input.playNext(1, 1, sink)) sink.calls.push_back("|");
    return sink.calls;
}

// What a program of tests/programs prints on stdout and stderr on the offscreen platform, given
// the argument, driven by the script (none: no BRINDLEWOOD_INPUT), saving snapshots into the
// folder snapshots names (none if empty); "failed: " comes first if it does not end by itself
// with status 0.
std::string printedUnderScript(const std::string& program, const std::string& argument, const char* script,
                               const std::string& snapshots = "") {
    ScratchFolder folder("scripted-program");
    const std::string path = folder / "input.txt";
    if (script) std::ofstream(path) << script;
    const std::string command = "BRINDLEWOOD_PLATFORM=offscreen BRINDLEWOOD_SNAPSHOTS='" + snapshots + "' " +
                                (script ? "BRINDLEWOOD_INPUT='" + path + "'" : std::string("BRINDLEWOOD_INPUT=")) +
                                " timeout 60 " BRINDLEWOOD_BINARY_DIR "/tests/" + program + " " + argument + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "failed";
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        if (std::string(buffer).rfind("==", 0) != 0) output += buffer;  // the sanitizers' own notes
    const int status = pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? output : "failed: " + output;
}

// What tests/programs/PrintScriptedInput.cpp prints when it waits as mode says.
std::string printedUnderScript(const std::string& mode, const char* script) {
    return printedUnderScript("print_scripted_input", mode, script);
}

}  // namespace

// Each step is what the program is given at once, when it has taken all it was given before.
TEST(InputScriptTest, PlaysEachLineAsTheSameRealInputArrives) {
    const struct {
        const char* script;
        std::vector<std::string> calls;
    } cases[] = {
        // The pointer crosses into the window and moves to the click before it presses; the button
        // comes up at the next step, as a person lets go a moment later.
        {"click 10 20", {"enter", "move 10,20", "left down 10,20", "|", "left up 10,20", "|"}},
        // Once in, it stays; moving to where it already is reports nothing.
        {"  move\t-5   300  \nmove -5 300\nmove 6 5", {"enter", "move -5,300", "|", "|", "move 6,5", "|"}},
        {"click 1 2\nclick 1 2",
         {"enter", "move 1,2", "left down 1,2", "|", "left up 1,2", "|", "left down 1,2", "|", "left up 1,2", "|"}},
        // A drag: motion with a button held, the release where the pointer was taken.
        {"press 1 1 right\nmove 2 2\nrelease 3 3 right\nmove 4 4",
         {"enter", "move 1,1", "right down 1,1", "|", "drag 2,2", "|", "drag 3,3", "right up 3,3", "|", "move 4,4", "|"}},
        {"press 0 0 middle\nrelease 0 0\n", {"enter", "move 0,0", "middle down 0,0", "|", "left up 0,0", "|"}},
        // A key too stays down until the next step.
        {"key a\nkey 7\nkey  ",
         {"character 97 down", "|", "character 97 up", "|", "character 55 down", "|", "character 55 up", "|",
          "character 32 down", "|", "character 32 up", "|"}},
        // Typing a capital letter or a shifted sign takes Shift, a key without a name.
        {"key A", {"named 0 down shift", "character 65 down shift", "|", "character 65 up shift", "named 0 up", "|"}},
        {"key #", {"named 0 down shift", "character 35 down shift", "|", "character 35 up shift", "named 0 up", "|"}},
        // The named keys that the toolkit reports as characters, and the others.
        {"key ENTER\nkey BACKSPACE\nkey DELETE_KEY",
         {"character 13 down", "|", "character 13 up", "|", "character 8 down", "|", "character 8 up", "|",
          "character 127 down", "|", "character 127 up", "|"}},
        {"key FUNCTION_5\nkey LEFT_ARROW\nkey INSERT",
         {"named 132 down", "|", "named 132 up", "|", "named 140 down", "|", "named 140 up", "|", "named 148 down", "|",
          "named 148 up", "|"}},
        // Frames pass with nothing given; a snapshot is no step of its own.
        {"frames 3\nsnapshot\nkey a\nsnapshot",
         {"|", "|", "|", "snapshot", "character 97 down", "|", "character 97 up", "|", "snapshot"}},
        // Blank lines, comments and Windows line ends are skipped.
        {"\n# a comment\n   \n\t# another\r\nkey x\r\n", {"character 120 down", "|", "character 120 up", "|"}},
        // Close, and the end of the window's lines, close the window: nothing after is played, but
        // a key held is let go first.
        {"key a\nclose\nkey b", {"character 97 down", "|", "character 97 up", "|"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(played(c.script), c.calls) << c.script;
}

TEST(InputScriptTest, WindowLinesSendTheLinesAfterThemToThatWindowWithAPointerOfItsOwn) {
    InputScript script = InputScript::parse("click 1 1\nwindow 3\nclick 1 1\nkey b\nwindow 1\nkey a\n", SCRIPT);
    RecordingSink first, third;
    while (script.playNext(3, 3, third)) {
    }
    while (script.playNext(1, 1, first)) {
    }
    EXPECT_FALSE(script.playNext(2, 2, first));
    EXPECT_EQ(first.calls, std::vector<std::string>({"enter", "move 1,1", "left down 1,1", "left up 1,1",
                                                     "character 97 down", "character 97 up"}));
    EXPECT_EQ(third.calls, std::vector<std::string>({"enter", "move 1,1", "left down 1,1", "left up 1,1",
                                                     "character 98 down", "character 98 up"}));
}

// A window line names a window by its place in the order the program made them, or by its title:
// the first window made with a title takes that title's lines, in the file's order with those for
// its number. A title that reads as a number is a number.
TEST(InputScriptTest, WindowLinesNameAWindowByItsNumberOrByTheTitleItWasMadeWith) {
    InputScript script = InputScript::parse(
        "key a\nwindow 3\nkey c\nwindow  Help me \nkey h\nwindow 1\nkey b\nwindow Help me\nkey i\nwindow 2\nkey j\n"
        "window 4\nwindow 04\nkey k\n",
        SCRIPT);
    const std::vector<std::string> titles = {"Main", "Help me", "Other", "Help me"};
    const std::vector<std::string> typed = {"ab", "hij", "c", "k"};
    for (int number = 1; number <= 4; ++number) script.windowMade(number, titles[number - 1]);
    for (int number = 1; number <= 4; ++number) {
        RecordingSink sink;
        while (script.playNext(number, number, sink)) {
        }
        std::string keys;
        for (const std::string& call : sink.calls)
            if (call.rfind(" down") == call.size() - 5) keys += static_cast<char>(std::stoi(call.substr(10)));
        EXPECT_EQ(keys, typed[number - 1]) << "window " << number;
    }
}

TEST(InputScriptDeathTest, ALineThatCannotBeReadHaltsNamingTheFileTheLineAndItsText) {
    const char* const unknown =
        "The input script has a line with no event it knows (click, press, release, move, key, close, frames, "
        "snapshot or window)";
    const char* const position = "The input script has a line whose position is not two whole numbers X Y";
    const char* const button = "The input script has a line whose button is not left, middle or right";
    const char* const keyName = "The input script has a line whose key is neither one character nor a NamedKey name";
    const char* const window = "The input script has a line whose window is neither a whole number from 1 nor a title";
    const char* const frames = "The input script has a line whose number of frames is not a whole number from 1";
    const char* const tooMuch = "The input script has a line with more after its event than the event takes";
    const struct {
        std::string line;
        const char* problem;
        std::string shown = line;  // in the report
    } cases[] = {
        {"clack 1 2", unknown},
        {"clack\x1b[2J\xff", unknown, "clack\\x1B[2J\\xFF"},
        {"click 1 2 " + std::string(100, '9'), tooMuch, "click 1 2 " + std::string(70, '9') + "..."},
        {"Click 1 2", unknown},
        {"click 1", position},
        {"move 1 two", position},
        {"press 1.5 2", position},
        {"click 1 99999999999", position},
        // A number is an optional minus, then digits only.
        {"click +5 1", position},
        {"click \v5 1", position, "click \\x0B5 1"},
        {"move 5 \f1", position, "move 5 \\x0C1"},
        {std::string("click 5\0x 1", 11), position, "click 5\\x00x 1"},
        {"click 1 2 3", tooMuch},
        {"press 1 2 left 4", tooMuch},
        {"release 1 2 LEFT", button},
        {"press 1 2 wheel", button},
        {"key", keyName},
        {"key ab", keyName},
        {"key escape", keyName},
        {"key ENTER now", keyName},
        {"key BASE", keyName},
        {"window 0", window},
        {"window -1", window},
        {"window 99999999999", window},
        {"window", window},
        {"frames", frames},
        {"frames 0", frames},
        {"frames +2", frames},
        {"frames two", frames},
        {"frames 2 3", tooMuch},
        {"close now", tooMuch},
        {"snapshot now", tooMuch},
    };
    for (const auto& c : cases) {
        const std::string detail = "File \"" + SCRIPT + "\": line 3 is \"" + c.shown + "\"";
        EXPECT_EXIT(InputScript::parse(std::string("# ok\nkey a\n") + c.line + "\nkey b\n", SCRIPT),
                    KilledBySignal(SIGABRT),
                    "^" + reportPattern(Kind::FATAL_ERROR, "InputScript.cpp", c.problem) + detailPattern(detail) + "$")
            << c.line;
    }
}

// When the program ends, a window that the script had no line for is named in one warning, and
// lines for a window that never opened halt, naming the first of them.
TEST(InputScriptDeathTest, AtTheEndWindowsWithoutLinesAreNamedAndLinesForAWindowThatNeverOpenedHalt) {
    const std::string noLine =
        reportPattern(Kind::WARNING, "InputScript.cpp", "The input script has no line for some of the program's windows");
    const std::string lost = reportPattern(Kind::FATAL_ERROR, "InputScript.cpp",
                                           "The input script has lines for a window that never opened");
    const struct {
        const char* script;
        bool halts;
        std::string report;
    } cases[] = {
        {"key a\nwindow Help\nkey b\n", false, ""},
        {"window 2\nkey b\n", false, noLine + detailPattern("window 1 (\"Main\")")},
        {"\nwindow 3\nkey b\nwindow Score\nkey c\n", true,
         noLine + detailPattern("window 1 (\"Main\"), window 2 (\"Help\")") + lost +
             detailPattern("File \"script.txt\": line 3 is for window 3")},
        {"window Score\nkey c\nwindow 1\nkey a\nwindow 2\nkey b\nwindow 3\nkey d\n", true,
         lost + detailPattern("File \"script.txt\": line 2 is for the window \"Score\"")},
    };
    for (const auto& c : cases) {
        InputScript script = InputScript::parse(c.script, SCRIPT);
        script.windowMade(1, "Main");
        script.windowMade(2, "Help");
        const auto reportAndEnd = [&script] {
            script.reportAtEnd();
            std::exit(0);
        };
        if (c.halts)
            EXPECT_EXIT(reportAndEnd(), KilledBySignal(SIGABRT), "^" + c.report + "$") << c.script;
        else
            EXPECT_EXIT(reportAndEnd(), testing::ExitedWithCode(0), "^" + c.report + "$") << c.script;
    }
}

// A script is read whole before the program runs, so one that never ends (a device, a FIFO) or
// is longer than a script may be halts instead of filling the memory.
TEST(InputScriptDeathTest, AFileThatCannotBeReadOrIsTooLongHalts) {
    const char* const unreadable = "The input script could not be read";
    const char* const tooLong = "The input script is longer than a script may be";
    const struct {
        const char* path;
        const char* problem;
        const char* reason;
    } cases[] = {
        {"/absent/script.txt", unreadable, "no such file"},
        {"/", unreadable, "not readable"},
        {"/dev/zero", tooLong, "it goes on past 32 MiB"},
    };
    for (const auto& c : cases) {
        EXPECT_EXIT(InputScript::read(c.path), KilledBySignal(SIGABRT),
                    "^" + reportPattern(Kind::FATAL_ERROR, "InputScript.cpp", c.problem) +
                        detailPattern("File \"" + std::string(c.path) + "\": " + c.reason) + "$");
    }
}

// Each run twice: the same program and script give the same run every time.
TEST(ScriptedProgram, GetsTheScriptedEventsAndEndsWhenTheScriptRunsOut) {
    const std::string closedMouse = "MouseEvent(WINDOW_CLOSED_EVENT, NO_BUTTON, -1, -1, Modifiers(none))\n";
    const std::string closedKeys = "KeyboardEvent(WINDOW_CLOSED_EVENT)\n";
    const struct {
        const char* mode;
        const char* script;
        std::string printed;
    } cases[] = {
        {"mouse", "click 10 20\npress 5 5 right\nrelease 8 9 right\n",
         "MouseEvent(ENTER_WINDOW_EVENT, NO_BUTTON, -1, -1, Modifiers(none))\n"
         "MouseEvent(MOUSE_MOVE_EVENT, NO_BUTTON, 10, 20, Modifiers(none))\n"
         "MouseEvent(BUTTON_DOWN_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none))\n"
         "MouseEvent(BUTTON_UP_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none))\n"
         "MouseEvent(BUTTON_CLICK_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none))\n"
         "MouseEvent(MOUSE_MOVE_EVENT, NO_BUTTON, 5, 5, Modifiers(none))\n"
         "MouseEvent(BUTTON_DOWN_EVENT, RIGHT_BUTTON, 5, 5, Modifiers(none))\n"
         "MouseEvent(MOUSE_MOVE_EVENT, RIGHT_BUTTON, 8, 9, Modifiers(none))\n"
         "MouseEvent(BUTTON_UP_EVENT, RIGHT_BUTTON, 8, 9, Modifiers(none))\n"
         "MouseEvent(BUTTON_CLICK_EVENT, RIGHT_BUTTON, 8, 9, Modifiers(none))\n" +
             closedMouse},
        {"keys", "key a\nkey A\n# named keys\nkey ENTER\nkey FUNCTION_5\n",
         "KeyboardEvent(97, Modifiers(none))\nKeyboardEvent(65, Modifiers(SHIFT))\n"
         "KeyboardEvent(13, Modifiers(none))\nKeyboardEvent(132, Modifiers(none))\n" +
             closedKeys},
        // The close button ends the window; the lines after it are never played.
        {"keys", "key a\nclose\nkey b\n", "KeyboardEvent(97, Modifiers(none))\n" + closedKeys},
        {"windows", "key a\nwindow 2\nkey b\n",
         "2 KeyboardEvent(98, Modifiers(none))\n2 " + closedKeys + "1 KeyboardEvent(97, Modifiers(none))\n1 " +
             closedKeys},
        {"windows", "key a\nwindow second\nkey b\n",
         "2 KeyboardEvent(98, Modifiers(none))\n2 " + closedKeys + "1 KeyboardEvent(97, Modifiers(none))\n1 " +
             closedKeys},
        // A window in full screen keeps its number: the next one the program makes is still the 2nd.
        {"full", "key a\nwindow 2\nkey b\n",
         "2 KeyboardEvent(98, Modifiers(none))\n2 " + closedKeys + "1 KeyboardEvent(97, Modifiers(none))\n1 " +
             closedKeys},
        // Each frame plays a step: a key's press, its release, one of the frames a frames line lets
        // pass; the frame after the last closes the window.
        {"frames", "key a\nframes 3\nkey b\n",
         "8 frames\nKeyboardEvent(97, Modifiers(none))\nKeyboardEvent(98, Modifiers(none))\n"},
        // Waiting for a running timer's tick plays no line, so the window stays open for it.
        {"timer", "key a\n",
         "TimerEvent(0)\nTimerEvent(0)\nTimerEvent(0)\nKeyboardEvent(97, Modifiers(none))\n" + closedKeys},
        // Every kind in one stream; a second wait on the closed window ends the program. (The
        // key's release, the last step, gives no event: the polling stops there.)
        {"stream", "click 10 20\nmove 30 40\nkey a\n",
         "Event(MouseEvent(ENTER_WINDOW_EVENT, NO_BUTTON, -1, -1, Modifiers(none)))\n"
         "Event(MouseEvent(MOUSE_MOVE_EVENT, NO_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(MouseEvent(BUTTON_DOWN_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(MouseEvent(BUTTON_UP_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(MouseEvent(BUTTON_CLICK_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(MouseEvent(MOUSE_MOVE_EVENT, NO_BUTTON, 30, 40, Modifiers(none)))\n"
         "Event(KeyboardEvent(97, Modifiers(none)))\n"
         "Event(WINDOW_CLOSED_EVENT)\n"},
        // With no script no input comes: a wait for it closes the window instead of hanging, but
        // looking for it (a frame, an empty queue) does not.
        {"mouse", nullptr, closedMouse},
        {"frames", nullptr, "50 frames\n"},
    };
    for (const auto& c : cases) {
        for (int run = 1; run <= 2; ++run)
            EXPECT_EQ(printedUnderScript(c.mode, c.script), c.printed) << c.mode << " run " << run << ":\n" << c.script;
    }
}

// A line that cannot be read halts as the first window opens, before the program is given
// anything; lines for a window that never opened halt as the program ends.
TEST(ScriptedProgram, HaltsOnABadScriptAsItsFirstWindowOpensOrOnLinesForNoWindowAsItEnds) {
    const std::string aborted = "(Aborted( \\(core dumped\\))?\n)?";  // the shell's word on the abort
    const struct {
        const char* script;
        std::string printed;
    } cases[] = {
        {"key a\nclack\n",
         reportPattern(Kind::FATAL_ERROR, "InputScript.cpp",
                       "The input script has a line with no event it knows (click, press, release, move, key, close, "
                       "frames, snapshot or window)") +
             "  File \"[^\"]*/input\\.txt\": line 2 is \"clack\"\n"},
        // What the program printed, on a pipe, comes after: it is flushed as the program halts.
        {"window 3\nkey a\n",
         reportPattern(Kind::WARNING, "InputScript.cpp", "The input script has no line for some of the program's windows") +
             detailPattern("window 1 (\"first\")") +
             reportPattern(Kind::FATAL_ERROR, "InputScript.cpp",
                           "The input script has lines for a window that never opened") +
             "  File \"[^\"]*/input\\.txt\": line 2 is for window 3\nKeyboardEvent\\(WINDOW_CLOSED_EVENT\\)\n"},
    };
    for (const auto& c : cases)
        EXPECT_PRED2(matchesWhole, printedUnderScript("keys", c.script), "failed: " + c.printed + aborted);
}

// A snapshot line saves every open window as the program has drawn it so far, numbered in turn.
TEST(ScriptedProgram, SnapshotLinesSaveWhatEachWindowShowsThen) {
    ScratchFolder folder("snapshot-lines");
    EXPECT_EQ(printedUnderScript("draw_targets", "pointer", "click 40 40\nsnapshot\nclick 100 75\nsnapshot\nkey q\n",
                                 folder.path()),
              "");
    EXPECT_EQ(folder.names(), std::vector<std::string>({"window-1-1.png", "window-1-2.png", "window-1.png"}));
    const Picture first = pictureFile(folder / "window-1-1.png", 200, 150);
    const Picture second = pictureFile(folder / "window-1-2.png", 200, 150);
    EXPECT_EQ(first.at(40, 40), Color::RED);
    EXPECT_EQ(first.at(100, 75), Color::WHITE);
    EXPECT_EQ(second.at(100, 75), Color::RED);
    EXPECT_EQ(differingPixels(second, pictureFile(folder / "window-1.png", 200, 150), 0), 0);
}

// One assignment, "each left click draws a target; q quits", in each style that a correct program
// takes, under the script that a teacher writes, one line an action: each line is played only
// once the program has taken what the lines before it gave, as a person waits for the window to
// answer, so every style draws every target before q arrives, and no more.
TEST(ScriptedProgram, EveryStyleOfACorrectProgramDrawsWhatEachLineAsks) {
    const char* const script =
        "click 40 40\nclick 100 75\npress 60 110 right\nrelease 60 110 right\nclick 160 110\nkey x\n"
        "click 160 40\nkey q\n";
    Picture first;
    for (const char* style : {"mouse-then-keys", "any-event", "polling", "frames", "key-down", "handlers",
                              "event-stream", "pointer", "button-state"}) {
        SCOPED_TRACE(style);
        ScratchFolder folder("targets");
        EXPECT_EQ(printedUnderScript("draw_targets", style, script, folder.path()), "");
        const Picture picture = pictureFile(folder / "window-1.png", 200, 150);
        for (auto [x, y] : {std::pair{40, 40}, {100, 75}, {160, 110}, {160, 40}}) {
            EXPECT_EQ(picture.at(x, y), Color::RED) << "the centre of the target at " << x << ", " << y;
            EXPECT_EQ(picture.at(x + 7, y), Color::WHITE) << "a white ring of the target at " << x << ", " << y;
        }
        EXPECT_EQ(picture.at(60, 110), Color::WHITE) << "the right click";
        if (first.rgb.empty()) first = picture;
        EXPECT_EQ(differingPixels(picture, first, 0), 0);
    }
}
