// The input script: reading it (every line checked before the program runs, so a bad one halts at
// once, not halfway through a graded run) and playing its lines as real input arrives. Renderer
// thread only, once read.
#include "platform/offscreen/InputScript.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "NamedKey.h"
#include "shared/Diagnostics.h"

namespace platform::offscreen {

namespace {

// What can be wrong with a line: each is a report of its own.
const char* const UNKNOWN_EVENT =
    "The input script has a line with no event it knows (click, press, release, move, key, close, frames, "
    "snapshot or window)";
const char* const BAD_POSITION = "The input script has a line whose position is not two whole numbers X Y";
const char* const BAD_BUTTON = "The input script has a line whose button is not left, middle or right";
const char* const BAD_KEY = "The input script has a line whose key is neither one character nor a NamedKey name";
const char* const BAD_WINDOW = "The input script has a line whose window is neither a whole number from 1 nor a title";
const char* const BAD_FRAMES = "The input script has a line whose number of frames is not a whole number from 1";
const char* const TOO_MUCH = "The input script has a line with more after its event than the event takes";

struct KeyName {
    const char* name;
    int key;
};
// Every key of NamedKey by its name (BASE and LAST are bounds, not keys).
constexpr KeyName KEY_NAMES[] = {
    {"BACKSPACE", NamedKey::BACKSPACE},
    {"ENTER", NamedKey::ENTER},
    {"ESCAPE", NamedKey::ESCAPE},
    {"DELETE_KEY", NamedKey::DELETE_KEY},
    {"FUNCTION_1", NamedKey::FUNCTION_1},
    {"FUNCTION_2", NamedKey::FUNCTION_2},
    {"FUNCTION_3", NamedKey::FUNCTION_3},
    {"FUNCTION_4", NamedKey::FUNCTION_4},
    {"FUNCTION_5", NamedKey::FUNCTION_5},
    {"FUNCTION_6", NamedKey::FUNCTION_6},
    {"FUNCTION_7", NamedKey::FUNCTION_7},
    {"FUNCTION_8", NamedKey::FUNCTION_8},
    {"FUNCTION_9", NamedKey::FUNCTION_9},
    {"FUNCTION_10", NamedKey::FUNCTION_10},
    {"FUNCTION_11", NamedKey::FUNCTION_11},
    {"FUNCTION_12", NamedKey::FUNCTION_12},
    {"LEFT_ARROW", NamedKey::LEFT_ARROW},
    {"UP_ARROW", NamedKey::UP_ARROW},
    {"RIGHT_ARROW", NamedKey::RIGHT_ARROW},
    {"DOWN_ARROW", NamedKey::DOWN_ARROW},
    {"PAGE_UP", NamedKey::PAGE_UP},
    {"PAGE_DOWN", NamedKey::PAGE_DOWN},
    {"HOME", NamedKey::HOME},
    {"END", NamedKey::END},
    {"INSERT", NamedKey::INSERT},
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at < text.size();) {
        if (isBlank(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !isBlank(text[end])) ++end;
        words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// The text with the blanks at either end taken away.
std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Whether the word is written as a whole number: an optional minus, then digits only.
bool looksWhole(const std::string& word) {
    const std::size_t digits = word.compare(0, 1, "-") == 0 ? 1 : 0;
    return word.size() > digits && word.find_first_not_of("0123456789", digits) == std::string::npos;
}

// A whole number as written in a script: an optional minus, then digits only (no plus, no leading
// white space, nothing after them), within int.
bool readWholeNumber(const std::string& word, int& value) {
    const char* const end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    return error == std::errc() && stop == end;
}

bool readButton(const std::string& word, MouseEvent::Button& button) {
    const struct {
        const char* name;
        MouseEvent::Button button;
    } buttons[] = {
        {"left", MouseEvent::LEFT_BUTTON}, {"middle", MouseEvent::MIDDLE_BUTTON}, {"right", MouseEvent::RIGHT_BUTTON}};
    for (const auto& named : buttons) {
        if (word == named.name) {
            button = named.button;
            return true;
        }
    }
    return false;
}

// A key as written after "key ": one character as typed (a space too), or a key's name.
bool readKey(const std::string& written, int& key) {
    const std::vector<std::string> words = wordsOf(written);
    const std::string& character = written.size() == 1 || words.size() != 1 ? written : words[0];
    if (character.size() == 1 && character[0] >= ' ' && character[0] <= '~') {
        key = character[0];
        return true;
    }
    for (const KeyName& named : KEY_NAMES) {
        if (words.size() == 1 && words[0] == named.name) {
            key = named.key;
            return true;
        }
    }
    return false;
}

// Whether typing the character takes Shift, on the US keyboard that a window system without a
// keyboard of its own (Xvfb) maps.
bool isShifted(int key) { return (key >= 'A' && key <= 'Z') || std::strchr("~!@#$%^&*()_+{}|:\"<>?", key); }

// The window that the lines after a window line are for: by its number, or by its title.
struct WindowName {
    int number = 1;
    std::string title;  // empty: by number
};

// One line of the file, read or reported.
class LineReader {
public:
    LineReader(const std::string& path, int number, const std::string& text) : path(path), number(number), text(text) {}

    // The line's input, or none for a blank line, a comment or a window line (which names the
    // window that the lines after it are for).
    std::optional<ScriptedInput> read(WindowName& window) const {
        const std::vector<std::string> words = wordsOf(text);
        if (words.empty() || words[0][0] == '#') return std::nullopt;
        const std::string& event = words[0];
        ScriptedInput line;
        line.line = number;
        if (event == "click" || event == "move") {
            line.kind = event == "click" ? ScriptedInput::CLICK : ScriptedInput::MOVE;
            readPosition(words, line, 3);
        } else if (event == "press" || event == "release") {
            line.kind = event == "press" ? ScriptedInput::PRESS : ScriptedInput::RELEASE;
            readPosition(words, line, 4);
            if (words.size() == 4 && !readButton(words[3], line.button)) fail(BAD_BUTTON);
        } else if (event == "key") {
            line.kind = ScriptedInput::KEY;
            if (!readKey(afterEvent(), line.key)) fail(BAD_KEY);
        } else if (event == "close" || event == "snapshot") {
            line.kind = event == "close" ? ScriptedInput::CLOSE : ScriptedInput::SNAPSHOT;
            if (words.size() > 1) fail(TOO_MUCH);
        } else if (event == "frames") {
            line.kind = ScriptedInput::FRAMES;
            if (words.size() < 2 || !readWholeNumber(words[1], line.frames) || line.frames < 1) fail(BAD_FRAMES);
            if (words.size() > 2) fail(TOO_MUCH);
        } else if (event == "window") {
            readWindow(window);
            return std::nullopt;
        } else {
            fail(UNKNOWN_EVENT);
        }
        return line;
    }

private:
    // X and Y from words 1 and 2, with at most maxWords words in all.
    void readPosition(const std::vector<std::string>& words, ScriptedInput& line, std::size_t maxWords) const {
        if (words.size() < 3 || !readWholeNumber(words[1], line.x) || !readWholeNumber(words[2], line.y))
            fail(BAD_POSITION);
        if (words.size() > maxWords) fail(TOO_MUCH);
    }

    // What the line holds after its event word and the blank after it: for a key, one blank may be the key.
    std::string afterEvent() const {
        const std::size_t start = text.find_first_not_of(" \t");
        const std::size_t after = text.find_first_of(" \t", start);
        return after == std::string::npos ? "" : text.substr(after + 1);
    }

    // A number that reads as a whole number names a window by its place; anything else, by its title.
    void readWindow(WindowName& window) const {
        const std::string name = trimmed(afterEvent());
        if (name.empty() || (looksWhole(name) && (!readWholeNumber(name, window.number) || window.number < 1)))
            fail(BAD_WINDOW);
        window.title = looksWhole(name) ? "" : name;
    }

    [[noreturn]] void fail(const char* problem) const {
        FATAL_ERROR(problem, diagnostics::aboutFile(path, "line " + std::to_string(number) + " is \"" + shown() + "\""));
    }

    // The line as a terminal can show it: a byte that is not printable ASCII as \xNN (so a binary
    // file cannot send the terminal commands), and only its first 80 bytes.
    std::string shown() const {
        constexpr std::size_t LIMIT = 80;
        std::string out;
        for (std::size_t i = 0; i < std::min(text.size(), LIMIT); ++i) {
            const unsigned char byte = static_cast<unsigned char>(text[i]);
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += byte >= 0x20 && byte < 0x7F ? std::string(1, static_cast<char>(byte)) : escaped;
        }
        return text.size() > LIMIT ? out + "..." : out;
    }

    const std::string& path;
    int number;
    const std::string& text;
};

}  // namespace

// Reads a script's text as it comes, a line at a time, keeping only the lines read so far and the
// part of a line not yet ended.
class InputScript::Reader {
public:
    explicit Reader(const std::string& path) : path(path) { script.path = path; }

    void take(const char* text, std::size_t size) {
        for (const char* end = text + size; text < end;) {
            const char* const lineEnd = std::find(text, end, '\n');
            unended.append(text, lineEnd);
            if (lineEnd == end) return;
            readLine();
            text = lineEnd + 1;
        }
    }

    InputScript finish() {
        if (!unended.empty()) readLine();
        script.groupByWindow();
        return std::move(script);
    }

private:
    void readLine() {
        if (!unended.empty() && unended.back() == '\r') unended.pop_back();  // written on Windows
        std::optional<ScriptedInput> line = LineReader(path, ++number, unended).read(window);
        unended.clear();
        if (!line) return;
        line->window = window.title.empty() ? window.number : titleKey(window.title);
        script.lines.push_back(*line);
        script.last = number;
        script.snapshots = script.snapshots || line->kind == ScriptedInput::SNAPSHOT;
    }

    // Titles are told apart by negative keys, -1 for the first the script names.
    int titleKey(const std::string& title) {
        const auto [entry, added] = titleKeys.emplace(title, -1 - static_cast<int>(script.titles.size()));
        if (added) script.titles.push_back(title);
        return entry->second;
    }

    const std::string& path;
    InputScript script;
    std::string unended;
    WindowName window;
    int number = 0;
    std::map<std::string, int> titleKeys;
};

// Read through stdio: a stream would throw on a folder.
InputScript InputScript::read(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) FATAL_ERROR("The input script could not be read", diagnostics::unreadableFile(path));
    Reader reader(path);
    std::vector<char> block(65536);
    std::size_t total = 0;
    while (const std::size_t got = std::fread(block.data(), 1, block.size(), file)) {
        total += got;
        if (total > MAX_BYTES) {
            std::fclose(file);
            FATAL_ERROR("The input script is longer than a script may be",
                        diagnostics::aboutFile(path, "it goes on past " + std::to_string(MAX_BYTES >> 20) + " MiB"));
        }
        reader.take(block.data(), got);
    }
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed) FATAL_ERROR("The input script could not be read", diagnostics::unreadableFile(path));
    return reader.finish();
}

InputScript InputScript::parse(const std::string& text, const std::string& path) {
    Reader reader(path);
    reader.take(text.data(), text.size());
    return reader.finish();
}

void InputScript::groupByWindow() {
    std::sort(lines.begin(), lines.end(), [](const ScriptedInput& a, const ScriptedInput& b) {
        return a.window != b.window ? a.window < b.window : a.line < b.line;
    });
    for (std::uint32_t at = 0; at < lines.size(); ++at) {  // MAX_BYTES holds far fewer lines than this counts
        if (windows.empty() || windows.back().window != lines[at].window) windows.push_back({lines[at].window, at, at});
        windows.back().end = at + 1;
    }
}

std::size_t InputScript::placeOf(int window) const {
    const auto found = std::lower_bound(windows.begin(), windows.end(), window,
                                        [](const WindowLines& lines, int key) { return lines.window < key; });
    return found != windows.end() && found->window == window ? found - windows.begin() : windows.size();
}

bool InputScript::hasLinesFor(int number) const {
    const int titleKey = made[number - 1].titleKey;
    return placeOf(number) < windows.size() || (titleKey != 0 && placeOf(titleKey) < windows.size());
}

bool InputScript::opened(int key) const {
    if (key > 0) return key <= static_cast<int>(made.size());
    return std::any_of(made.begin(), made.end(), [key](const MadeWindow& window) { return window.titleKey == key; });
}

void InputScript::windowMade(int number, const std::string& title) {
    const auto named = std::find(titles.begin(), titles.end(), title);
    const int key = named == titles.end() ? 0 : -1 - static_cast<int>(named - titles.begin());
    // The first window made with a title takes its lines.
    made.resize(number);
    made[number - 1] = {title, opened(key) ? 0 : key};
}

const ScriptedInput* InputScript::takeNextLine(int number) {
    const auto waiting = [this](int key) {
        const std::size_t place = key != 0 ? placeOf(key) : windows.size();
        return place < windows.size() && windows[place].next < windows[place].end ? &windows[place] : nullptr;
    };
    WindowLines* byNumber = waiting(number);
    WindowLines* byTitle = number <= static_cast<int>(made.size()) ? waiting(made[number - 1].titleKey) : nullptr;
    WindowLines* next = !byTitle || (byNumber && lines[byNumber->next].line < lines[byTitle->next].line) ? byNumber
                                                                                                          : byTitle;
    return next ? &lines[next->next++] : nullptr;
}

bool InputScript::playNext(int number, WindowId id, EventSink& sink) {
    WindowInput& input = given[number];
    if (input.pressed) {
        letGo(input, id, sink);
        return true;
    }
    if (input.framesLeft > 0) {
        --input.framesLeft;
        return true;
    }
    while (const ScriptedInput* line = takeNextLine(number)) {
        lastPlayed = line->line;
        switch (line->kind) {
            case ScriptedInput::CLICK:
                pressOrRelease(input, *line, true, id, sink);
                input.pressed = *line;
                return true;
            case ScriptedInput::KEY:
                type(line->key, true, id, sink);
                input.pressed = *line;
                return true;
            case ScriptedInput::PRESS:
            case ScriptedInput::RELEASE:
                pressOrRelease(input, *line, line->kind == ScriptedInput::PRESS, id, sink);
                return true;
            case ScriptedInput::MOVE:
                movePointer(input, line->x, line->y, id, sink);
                return true;
            case ScriptedInput::FRAMES:
                input.framesLeft = line->frames - 1;
                return true;
            case ScriptedInput::SNAPSHOT:
                sink.snapshot();  // not input: the window goes on to its next line
                continue;
            case ScriptedInput::CLOSE:
                return false;
        }
    }
    return false;
}

// A person lets go of a key or button a moment after pressing it, and only then goes on.
void InputScript::letGo(WindowInput& input, WindowId id, EventSink& sink) {
    const ScriptedInput pressed = *input.pressed;
    input.pressed.reset();
    if (pressed.kind == ScriptedInput::CLICK)
        pressOrRelease(input, pressed, false, id, sink);
    else
        type(pressed.key, false, id, sink);
}

// A real pointer that comes into a window crosses into it and then moves; one that stays where it
// is reports no motion.
void InputScript::movePointer(WindowInput& input, int x, int y, WindowId id, EventSink& sink) {
    if (!input.inside) {
        sink.crossed(id, true);
        input.inside = true;
    } else if (input.x == x && input.y == y) {
        return;
    }
    input.x = x;
    input.y = y;
    sink.pointerMoved(id, x, y, !input.held.empty());
}

void InputScript::pressOrRelease(WindowInput& input, const ScriptedInput& line, bool down, WindowId id,
                                 EventSink& sink) {
    movePointer(input, line.x, line.y, id, sink);
    if (down)
        input.held.insert(line.button);
    else
        input.held.erase(line.button);
    sink.button(id, line.button, down, line.x, line.y, KeyModifiers::NO_MODIFIERS);
}

// A character arrives as the toolkit's character key, Shift held around it where typing it takes
// Shift (Shift itself is a key without a name); the keys beyond the characters as named keys.
void InputScript::type(int key, bool down, WindowId id, EventSink& sink) {
    if (key > NamedKey::BASE) {
        sink.namedKey(id, key, down, KeyModifiers::NO_MODIFIERS);
        return;
    }
    const bool shifted = isShifted(key);
    const KeyModifiers held = shifted ? KeyModifiers::SHIFT : KeyModifiers::NO_MODIFIERS;
    if (shifted && down) sink.namedKey(id, 0, true, held);
    sink.character(id, key, down, held);
    if (shifted && !down) sink.namedKey(id, 0, false, KeyModifiers::NO_MODIFIERS);
}

void InputScript::reportAtEnd() const {
    std::string unserved;
    for (int number = 1; number <= static_cast<int>(made.size()); ++number) {
        if (!hasLinesFor(number))
            unserved += (unserved.empty() ? "" : ", ") + ("window " + std::to_string(number)) + " (\"" +
                        made[number - 1].title + "\")";
    }
    if (!unserved.empty()) WARNING("The input script has no line for some of the program's windows", unserved);
    const WindowLines* lost = nullptr;
    for (const WindowLines& own : windows) {
        if (!opened(own.window) && (!lost || lines[own.next].line < lines[lost->next].line)) lost = &own;
    }
    if (!lost) return;
    const std::string window = lost->window > 0 ? "window " + std::to_string(lost->window)
                                                : "the window \"" + titles[-1 - lost->window] + "\"";
    FATAL_ERROR("The input script has lines for a window that never opened",
                diagnostics::aboutFile(path, "line " + std::to_string(lines[lost->next].line) + " is for " + window));
}

}  // namespace platform::offscreen
