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

private:
    static std::string updown(bool down) { return down ? " down" : " up"; }
    static std::string at(int x, int y) { return " " + std::to_string(x) + "," + std::to_string(y); }
    static std::string named(KeyModifiers modifiers) {
        return modifiers == KeyModifiers::SHIFT ? " shift" : modifiers == KeyModifiers::NO_MODIFIERS ? "" : " other";
    }
};

// Plays the script's lines for the first window until it asks to close.
std::vector<std::string> played(const std::string& script) {
    InputScript input = InputScript::parse(script, SCRIPT);
    RecordingSink sink;
    while (input.playNext(1, 1, sink)) {
    }
    return sink.calls;
}

// What tests/programs/PrintScriptedInput.cpp prints on the offscreen platform when it waits as mode
// says, driven by the script (none: no BRINDLEWOOD_INPUT); "failed" if it does not end by itself.
std::string printedUnderScript(const std::string& mode, const char* script) {
    ScratchFolder folder("scripted-program");
    const std::string path = folder / "input.txt";
    if (script) std::ofstream(path) << script;
    const std::string command = "BRINDLEWOOD_PLATFORM=offscreen " +
                                (script ? "BRINDLEWOOD_INPUT='" + path + "'" : std::string("BRINDLEWOOD_INPUT=")) +
                                " timeout 60 " BRINDLEWOOD_BINARY_DIR "/tests/print_scripted_input " + mode + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "failed";
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        if (std::string(buffer).rfind("==", 0) != 0) output += buffer;  // the sanitizers' own notes
    const int status = pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? output : "failed: " + output;
}

}  // namespace

TEST(InputScriptTest, PlaysEachLineAsTheSameRealInputArrives) {
    const struct {
        const char* script;
        std::vector<std::string> calls;
    } cases[] = {
        // The pointer crosses into the window and moves to the click before it presses.
        {"click 10 20", {"enter", "move 10,20", "left down 10,20", "left up 10,20"}},
        // Once in, it stays; moving to where it already is reports nothing.
        {"  move\t-5   300  \nmove -5 300\nmove 6 5", {"enter", "move -5,300", "move 6,5"}},
        {"click 1 2\nclick 1 2", {"enter", "move 1,2", "left down 1,2", "left up 1,2", "left down 1,2", "left up 1,2"}},
        // A drag: motion with a button held, the release where the pointer was taken.
        {"press 1 1 right\nmove 2 2\nrelease 3 3 right\nmove 4 4",
         {"enter", "move 1,1", "right down 1,1", "drag 2,2", "drag 3,3", "right up 3,3", "move 4,4"}},
        {"press 0 0 middle\nrelease 0 0\n", {"enter", "move 0,0", "middle down 0,0", "left up 0,0"}},
        {"key a\nkey 7\nkey  ",
         {"character 97 down", "character 97 up", "character 55 down", "character 55 up", "character 32 down",
          "character 32 up"}},
        // Typing a capital letter or a shifted sign takes Shift, a key without a name.
        {"key A", {"named 0 down shift", "character 65 down shift", "character 65 up shift", "named 0 up"}},
        {"key #", {"named 0 down shift", "character 35 down shift", "character 35 up shift", "named 0 up"}},
        // The named keys that the toolkit reports as characters, and the others.
        {"key ENTER\nkey BACKSPACE\nkey DELETE_KEY",
         {"character 13 down", "character 13 up", "character 8 down", "character 8 up", "character 127 down",
          "character 127 up"}},
        {"key FUNCTION_5\nkey LEFT_ARROW\nkey INSERT",
         {"named 132 down", "named 132 up", "named 140 down", "named 140 up", "named 148 down", "named 148 up"}},
        // Blank lines, comments and Windows line ends are skipped.
        {"\n# a comment\n   \n\t# another\r\nkey x\r\n", {"character 120 down", "character 120 up"}},
        // Close, and the end of the window's lines, close the window: nothing after is played.
        {"key a\nclose\nkey b", {"character 97 down", "character 97 up"}},
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

TEST(InputScriptDeathTest, ALineThatCannotBeReadHaltsNamingTheFileTheLineAndItsText) {
    const char* const unknown =
        "The input script has a line with no event it knows (click, press, release, move, key, close or window)";
    const char* const position = "The input script has a line whose position is not two whole numbers X Y";
    const char* const button = "The input script has a line whose button is not left, middle or right";
    const char* const keyName = "The input script has a line whose key is neither one character nor a NamedKey name";
    const char* const window = "The input script has a line whose window is not a whole number from 1";
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
        {"window", window},
        {"window two", window},
        {"window 1 2", tooMuch},
        {"close now", tooMuch},
    };
    for (const auto& c : cases) {
        const std::string detail = "File \"" + SCRIPT + "\": line 3 is \"" + c.shown + "\"";
        EXPECT_EXIT(InputScript::parse(std::string("# ok\nkey a\n") + c.line + "\nkey b\n", SCRIPT),
                    KilledBySignal(SIGABRT),
                    "^" + reportPattern(Kind::FATAL_ERROR, "InputScript.cpp", c.problem) + detailPattern(detail) + "$")
            << c.line;
    }
}

TEST(InputScriptDeathTest, AFileThatCannotBeReadHalts) {
    const struct {
        const char* path;
        const char* reason;
    } cases[] = {{"/absent/script.txt", "no such file"}, {"/", "not readable"}};
    for (const auto& c : cases) {
        EXPECT_EXIT(InputScript::read(c.path), KilledBySignal(SIGABRT),
                    "^" + reportPattern(Kind::FATAL_ERROR, "InputScript.cpp", "The input script could not be read") +
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
        // A window in full screen keeps its number: the next one the program makes is still the 2nd.
        {"full", "key a\nwindow 2\nkey b\n",
         "2 KeyboardEvent(98, Modifiers(none))\n2 " + closedKeys + "1 KeyboardEvent(97, Modifiers(none))\n1 " +
             closedKeys},
        // Each frame plays a line; the frame after the last closes the window.
        {"frames", "key a\nkey b\n",
         "3 frames\nKeyboardEvent(97, Modifiers(none))\nKeyboardEvent(98, Modifiers(none))\n"},
        // Waiting for a running timer's tick plays no line, so the window stays open for it.
        {"timer", "key a\n",
         "TimerEvent(0)\nTimerEvent(0)\nTimerEvent(0)\nKeyboardEvent(97, Modifiers(none))\n" + closedKeys},
        // Every kind in one stream; a second wait on the closed window ends the program.
        {"stream", "click 10 20\nkey a\nmove 30 40\n",
         "Event(MouseEvent(ENTER_WINDOW_EVENT, NO_BUTTON, -1, -1, Modifiers(none)))\n"
         "Event(MouseEvent(MOUSE_MOVE_EVENT, NO_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(MouseEvent(BUTTON_DOWN_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(MouseEvent(BUTTON_UP_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(MouseEvent(BUTTON_CLICK_EVENT, LEFT_BUTTON, 10, 20, Modifiers(none)))\n"
         "Event(KeyboardEvent(97, Modifiers(none)))\n"
         "Event(MouseEvent(MOUSE_MOVE_EVENT, NO_BUTTON, 30, 40, Modifiers(none)))\n"
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

TEST(ScriptedProgram, HaltsOnABadScriptAsItsFirstWindowOpens) {
    EXPECT_PRED2(matchesWhole, printedUnderScript("keys", "key a\nclack\n"),
                 "failed: " +
                     reportPattern(Kind::FATAL_ERROR, "InputScript.cpp",
                                   "The input script has a line with no event it knows (click, press, release, move, "
                                   "key, close or window)") +
                     "  File \"[^\"]*/input\\.txt\": line 2 is \"clack\"\n" +
                     "(Aborted( \\(core dumped\\))?\n)?");  // the shell's word on the abort
}
