// The input script without a display: how each line is read, what it plays to the renderer (as
// the same real input would arrive), the report for each kind of line that cannot be read, and a
// program driven by scripts on the offscreen platform.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "NamedKey.h"
#include "ReportPattern.h"
#include "ScratchFolder.h"
#include "platform/offscreen/InputScript.h"

using diagnostics::Kind;
using platform::WindowId;
using platform::offscreen::InputScript;
using platform::offscreen::ScriptedInput;
using testing::KilledBySignal;

namespace {

const std::string SCRIPT = "script.txt";

// What the platform would have reported, one line a call, in order.
class RecordingSink final : public platform::EventSink {
public:
    std::vector<std::string> calls;

    void character(WindowId window, int key, bool down, KeyModifiers modifiers) override {
        add(window, "character " + std::to_string(key) + updown(down) + named(modifiers));
    }
    void namedKey(WindowId window, int key, bool down, KeyModifiers modifiers) override {
        add(window, "named " + std::to_string(key) + updown(down) + named(modifiers));
    }
    void button(WindowId window, MouseEvent::Button button, bool down, int x, int y, KeyModifiers modifiers) override {
        const char* name = button == MouseEvent::LEFT_BUTTON     ? "left"
                           : button == MouseEvent::MIDDLE_BUTTON ? "middle"
                           : button == MouseEvent::RIGHT_BUTTON  ? "right"
                                                                 : "other";
        add(window, std::string(name) + updown(down) + at(x, y) + named(modifiers));
    }
    void pointerMoved(WindowId window, int x, int y, bool dragging) override {
        add(window, std::string(dragging ? "drag" : "move") + at(x, y));
    }
    bool dropsPointerMotion() override { return false; }
    void crossed(WindowId window, bool entered) override { add(window, entered ? "enter" : "leave"); }
    void reshaped(WindowId window, int, int) override { add(window, "reshaped"); }
    void exposed(WindowId window, bool) override { add(window, "exposed"); }
    void closed(WindowId window) override { add(window, "closed"); }

private:
    void add(WindowId window, const std::string& call) {
        calls.push_back((window == 7 ? "" : "window " + std::to_string(window) + ": ") + call);
    }
    static std::string updown(bool down) { return down ? " down" : " up"; }
    static std::string at(int x, int y) { return " " + std::to_string(x) + "," + std::to_string(y); }
    static std::string named(KeyModifiers modifiers) {
        return modifiers == KeyModifiers::SHIFT ? " shift" : modifiers == KeyModifiers::NO_MODIFIERS ? "" : " other";
    }
};

// Plays the script's lines for the first window (as platform window 7) until it asks to close.
std::vector<std::string> played(const std::string& script) {
    InputScript input = InputScript::parse(script, SCRIPT);
    RecordingSink sink;
    while (input.playNext(1, 7, sink)) {
    }
    return sink.calls;
}

ScriptedInput at(ScriptedInput::Kind kind, int x, int y, MouseEvent::Button button = MouseEvent::LEFT_BUTTON) {
    ScriptedInput line;
    line.kind = kind;
    line.x = x;
    line.y = y;
    line.button = button;
    return line;
}

ScriptedInput key(int key) {
    ScriptedInput line;
    line.kind = ScriptedInput::KEY;
    line.key = key;
    return line;
}

ScriptedInput closing() { return ScriptedInput(); }

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

TEST(InputScriptTest, ReadsEveryKindOfLine) {
    const struct {
        const char* text;
        std::vector<ScriptedInput> lines;
    } cases[] = {
        {"click 10 20", {at(ScriptedInput::CLICK, 10, 20)}},
        {"  move\t-5   300  ", {at(ScriptedInput::MOVE, -5, 300)}},
        {"press 1 2", {at(ScriptedInput::PRESS, 1, 2)}},
        {"press 1 2 middle", {at(ScriptedInput::PRESS, 1, 2, MouseEvent::MIDDLE_BUTTON)}},
        {"release 3 4 right", {at(ScriptedInput::RELEASE, 3, 4, MouseEvent::RIGHT_BUTTON)}},
        {"key a", {key('a')}},
        {"key A", {key('A')}},
        {"key  ", {key(' ')}},
        {"key #", {key('#')}},
        {"key ENTER", {key(NamedKey::ENTER)}},
        {"key BACKSPACE", {key(NamedKey::BACKSPACE)}},
        {"key DELETE_KEY", {key(NamedKey::DELETE_KEY)}},
        {"key FUNCTION_12", {key(NamedKey::FUNCTION_12)}},
        {"key INSERT", {key(NamedKey::INSERT)}},
        {"close", {closing()}},
        {"click 1 1\r\nclose\r\n", {at(ScriptedInput::CLICK, 1, 1), closing()}},
        {"\n# a comment\n   \n\t# another\nkey x\n", {key('x')}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InputScript::parse(c.text, SCRIPT).linesFor(1),
                  std::deque<ScriptedInput>(c.lines.begin(), c.lines.end()))
            << c.text;
    }
}

TEST(InputScriptTest, WindowLinesSendTheLinesAfterThemToThatWindow) {
    const InputScript script = InputScript::parse("key a\nwindow 3\nkey b\nkey c\nwindow 1\nkey d\n", SCRIPT);
    EXPECT_EQ(script.linesFor(1), std::deque<ScriptedInput>({key('a'), key('d')}));
    EXPECT_EQ(script.linesFor(2), std::deque<ScriptedInput>());
    EXPECT_EQ(script.linesFor(3), std::deque<ScriptedInput>({key('b'), key('c')}));
}

TEST(InputScriptTest, PlaysEachLineAsTheSameRealInputArrives) {
    const struct {
        const char* script;
        std::vector<std::string> calls;
    } cases[] = {
        // The pointer crosses into the window and moves to the click before it presses.
        {"click 10 20", {"enter", "move 10,20", "left down 10,20", "left up 10,20"}},
        // Once in, it stays; moving to where it already is reports nothing.
        {"move 5 5\nmove 5 5\nmove 6 5", {"enter", "move 5,5", "move 6,5"}},
        {"click 1 2\nclick 1 2", {"enter", "move 1,2", "left down 1,2", "left up 1,2", "left down 1,2", "left up 1,2"}},
        // A drag: motion with a button held, the release where the pointer was taken.
        {"press 1 1 right\nmove 2 2\nrelease 3 3 right\nmove 4 4",
         {"enter", "move 1,1", "right down 1,1", "drag 2,2", "drag 3,3", "right up 3,3", "move 4,4"}},
        {"press 0 0 middle\nrelease 0 0 middle", {"enter", "move 0,0", "middle down 0,0", "middle up 0,0"}},
        {"key a", {"character 97 down", "character 97 up"}},
        // Typing a capital letter or a shifted sign takes Shift, a key without a name.
        {"key A", {"named 0 down shift", "character 65 down shift", "character 65 up shift", "named 0 up"}},
        {"key ?", {"named 0 down shift", "character 63 down shift", "character 63 up shift", "named 0 up"}},
        {"key 7", {"character 55 down", "character 55 up"}},
        // The keys the toolkit reports as characters, and the named ones.
        {"key ENTER\nkey ESCAPE", {"character 13 down", "character 13 up", "character 27 down", "character 27 up"}},
        {"key FUNCTION_5\nkey LEFT_ARROW", {"named 132 down", "named 132 up", "named 140 down", "named 140 up"}},
        // Close, and the end of the window's lines, close the window: nothing after is played.
        {"key a\nclose\nkey b", {"character 97 down", "character 97 up"}},
        {"window 2\nkey a", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(played(c.script), c.calls) << c.script;
}

TEST(InputScriptTest, EachWindowHasItsOwnLinesAndPointer) {
    InputScript script = InputScript::parse("click 1 1\nwindow 2\nclick 1 1\nclose", SCRIPT);
    RecordingSink sink;
    EXPECT_TRUE(script.playNext(2, 12, sink));
    EXPECT_TRUE(script.playNext(1, 11, sink));
    EXPECT_FALSE(script.playNext(2, 12, sink));
    EXPECT_FALSE(script.playNext(1, 11, sink));
    EXPECT_EQ(sink.calls,
              std::vector<std::string>({"window 12: enter", "window 12: move 1,1", "window 12: left down 1,1",
                                        "window 12: left up 1,1", "window 11: enter", "window 11: move 1,1",
                                        "window 11: left down 1,1", "window 11: left up 1,1"}));
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
        const char* line;
        const char* problem;
    } cases[] = {
        {"clack 1 2", unknown},
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
        const std::string detail = "File \"" + SCRIPT + "\": line 3 is \"" + c.line + "\"";
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

TEST(InputScriptTest, ReadsTheFile) {
    ScratchFolder folder("input-script");
    const std::string path = folder / "script.txt";
    std::ofstream(path) << "key q\nclose\n";
    EXPECT_EQ(InputScript::read(path).linesFor(1), std::deque<ScriptedInput>({key('q'), closing()}));
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
        // Each frame plays a line; the frame after the last closes the window.
        {"frames", "key a\nkey b\n",
         "3 frames\nKeyboardEvent(97, Modifiers(none))\nKeyboardEvent(98, Modifiers(none))\n"},
        // Waiting for a running timer's tick plays no line, so the window stays open for it.
        {"timer", "key a\n",
         "TimerEvent(0)\nTimerEvent(0)\nTimerEvent(0)\nKeyboardEvent(97, Modifiers(none))\n" + closedKeys},
        // No script is an empty one: a wait for input closes the window instead of hanging.
        {"mouse", nullptr, closedMouse},
        {"frames", nullptr, "1 frames\n"},
    };
    for (const auto& c : cases) {
        for (int run = 1; run <= 2; ++run)
            EXPECT_EQ(printedUnderScript(c.mode, c.script), c.printed) << c.mode << " run " << run << ":\n" << c.script;
    }
}
