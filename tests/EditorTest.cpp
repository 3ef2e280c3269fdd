// Tamsel end to end: the built editor runs as its own process in a scratch folder holding its
// pictures, and the tests drive it like a user, with real X input through xdotool, reading back
// what it shows from screenshots and what it saved from its files. Needs the test display.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "Color.h"
#include "ConsoleText.h"
#include "Model.h"
#include "ScratchFolder.h"
#include "ScreenAreas.h"
#include "XClient.h"
#include "XDoTool.h"

namespace fs = std::filesystem;

namespace {

const std::string EDITOR = BRINDLEWOOD_BINARY_DIR "/example/tamsel";
const fs::path PICTURES = BRINDLEWOOD_SOURCE_DIR "/example";
const fs::path REFERENCES = BRINDLEWOOD_SOURCE_DIR "/tests/data";
// Where the editor places its window on the 1920 by 1080 test screen.
constexpr int WINDOW_X = 1034, WINDOW_Y = 310;

// An RGB picture read back through ImageMagick.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    Color at(int x, int y) const {
        std::size_t i = (std::size_t(y) * width + x) * 3;
        return Color(rgb[i], rgb[i + 1], rgb[i + 2]);
    }
    // Whether some pixel within one of (x, y) has the colour: lines land a pixel apart by driver.
    bool near(int x, int y, Color color) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (at(x + dx, y + dy) == color) return true;
        return false;
    }
};

Picture read_rgb(const std::string& command, int width, int height) {
    Picture picture{width, height, std::vector<unsigned char>(std::size_t(width) * height * 3)};
    FILE* pipe = popen(command.c_str(), "r");
    std::size_t got = pipe ? fread(picture.rgb.data(), 1, picture.rgb.size(), pipe) : 0;
    if (pipe) pclose(pipe);
    EXPECT_EQ(got, picture.rgb.size()) << command;
    return picture;
}

Picture screen() {
    return {area::window_width, area::window_height,
            screenRGB(WINDOW_X, WINDOW_Y, area::window_width, area::window_height)};
}

Picture picture_file(const fs::path& file, int width, int height) {
    return read_rgb("convert '" + file.string() + "' -depth 8 rgb:-", width, height);
}

// Whether the text strip of a console line holds any dark pixel, from the first cell up to x.
bool console_line_has_text(const Picture& shot, int line, int up_to_x = area::io_window.x2 - 1) {
    int baseline = console_baseline(line);
    for (int y = baseline - 11; y <= baseline + 2; ++y)
        for (int x = CONSOLE_TEXT_LEFT; x <= up_to_x; ++x) {
            Color c = shot.at(x, y);
            if (c.getRed() < 100 && c.getGreen() < 100 && c.getBlue() < 100) return true;
        }
    return false;
}

// The middle of a rectangle, where a user clicks a menu or an entry.
int middle_x(const rect& r) { return (r.x1 + r.x2) / 2; }
int middle_y(const rect& r) { return (r.y1 + r.y2) / 2; }

// One run of the editor in a scratch folder holding copies of its pictures.
class Editor : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"quill_back.png", "quill_file.png", "quill_add_del_colors.png", "quill_mod.png", "quill_colors.png"})
            fs::copy_file(PICTURES / name, folder / name);
        start();
    }

    void TearDown() override {
        if (editor > 0) {
            kill(editor, SIGKILL);
            waitpid(editor, nullptr, 0);
        }
        fs::remove(log_file());
    }

    fs::path log_file() const { return folder.path().string() + ".log"; }

    // Starts the editor, with a model file to open if one is named.
    void start(const char* model_file = nullptr) {
        editor = fork();
        if (editor == 0) {
            int log = open(log_file().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(log, 1);
            dup2(log, 2);
            if (chdir(folder.path().c_str()) == 0) execl(EDITOR.c_str(), "tamsel", model_file, nullptr);
            _exit(127);
        }
        ASSERT_GT(editor, 0);
        xdo = std::make_unique<XDoTool>("Tamsel");
        // Drawing is queued in order, so whatever the steps draw lands over the background.
        ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(5, 5) != Color::BLACK; }))
            << "the window never appeared";
    }

    // Waits (boundedly) until a screenshot satisfies the condition.
    bool shows(const std::function<bool(const Picture&)>& condition) {
        return eventually([&] { return condition(screen()); }, std::chrono::seconds(15));
    }

    // The steps wait for the effect of each click, so that a failure points at the click at fault.
    void click(int x, int y) {
        move(x, y);
        xdo->click(1);
    }

    // xdotool's synchronous move waits for motion, so a move to where the pointer is already would hang.
    void move(int x, int y) {
        if (pointer == std::make_pair(x, y)) return;
        xdo->moveTo(x, y);
        pointer = {x, y};
    }

    void open_menu(const rect& menu) {
        click(middle_x(menu), middle_y(menu));
        ASSERT_TRUE(shows([&](const Picture& shot) { return shot.near(menu.x1, middle_y(menu), Color::GREEN); }))
            << "the menu never opened";
    }

    // Chooses an Add tool: its heading replaces whatever line 1 of the console held.
    void choose_tool(const rect& entry) {
        Picture before = screen();
        click(middle_x(entry), middle_y(entry));
        ASSERT_TRUE(shows([&](const Picture& shot) {
            return console_line_has_text(shot, 1) && shot.rgb != before.rgb;
        })) << "the tool was never chosen";
    }

    // Chooses a File entry that asks a question, and waits for its cursor after the prompt.
    void choose_dialogue(const rect& entry, const std::string& prompt) {
        click(middle_x(entry), middle_y(entry));
        await_prompt(prompt);
    }

    void await_prompt(const std::string& prompt) {
        wait_for_cursor(static_cast<int>(prompt.size()) + 1);
        typed = static_cast<int>(prompt.size());
    }

    void wait_for_cursor(int cell) {
        int x = console_cell_x(cell) + CONSOLE_CELL_WIDTH / 2;
        ASSERT_TRUE(shows([&](const Picture& shot) { return shot.near(x, console_baseline(2), Color::BLACK); }))
            << "no cursor in cell " << cell;
    }

    // Types one key and waits until the editor has echoed it and moved its cursor on.
    void type_key(const std::string& key) {
        xdo->key(key);
        wait_for_cursor(++typed + 1);
    }

    // Types the keys and Enter, then waits until console line cleared_line is empty: a File
    // dialogue ends with a clear console, a tool's dialogue (cleared_line 2) with its heading alone.
    void answer(const std::vector<std::string>& keys, int cleared_line = 1) {
        for (const std::string& key : keys) type_key(key);
        xdo->key("Return");
        ASSERT_TRUE(shows([&](const Picture& shot) { return !console_line_has_text(shot, cleared_line); }))
            << "the dialogue never ended";
    }

    void add_vertex(int x, int y) { pick(x, y, Color::RED); }

    // Clicks at (x, y) and waits until the mark of what the click did shows there.
    void pick(int x, int y, Color mark) {
        click(x, y);
        ASSERT_TRUE(shows([&](const Picture& shot) { return shot.at(x, y) == mark; })) << x << ", " << y;
    }

    // Clicks on the canvas with a tool on, and waits for its message on the console's line 2.
    void click_for_message(int x, int y) {
        click(x, y);
        ASSERT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 2); }))
            << "nothing said about the click at " << x << ", " << y;
    }

    void choose(const rect& menu, const rect& entry) {
        open_menu(menu);
        choose_tool(entry);
    }

    // Compares the window's top rows (all 500 for the whole window) with a reviewed screenshot
    // in tests/data, keeping this run's screen when they differ.
    void expect_looks_as_reviewed(const std::string& reference, int rows = area::window_height) {
        fs::path actual = fs::temp_directory_path() / ("tamsel-look-" + std::to_string(getpid()) + "-" + reference);
        std::string geometry = "700x" + std::to_string(rows) + "+" + std::to_string(WINDOW_X) + "+" + std::to_string(WINDOW_Y);
        ASSERT_EQ(std::system(("import -window root -crop " + geometry + " +repage '" + actual.string() + "'").c_str()),
                  0);
        std::string compare = "compare -metric AE -fuzz 10% '" + actual.string() + "' '" +
                              (REFERENCES / reference).string() + "' null: 2>&1";
        FILE* pipe = popen(compare.c_str(), "r");
        char buffer[256] = {};
        std::size_t got = pipe ? fread(buffer, 1, sizeof buffer - 1, pipe) : 0;
        int status = pipe ? pclose(pipe) : -1;
        std::string differing(buffer, got);
        // compare ends with 0 when alike, 1 when not, 2 when it could not compare at all.
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << differing;
        // A few dozen pixels of slack for antialiased glyph edges; a misplaced label or cell is hundreds.
        EXPECT_LT(std::stod(differing), 60) << "differing pixels; this run's screen is " << actual;
        if (!HasFailure()) fs::remove(actual);
    }

    // Saves under the name that the keys type, and waits until a file of that name is there: the
    // editor clears its console before it writes the file.
    void save_as(const std::vector<std::string>& keys) {
        open_menu(area::file_menu);
        choose_dialogue(area::save, "Enter OBJ:");
        answer(keys);
        if (keys.empty()) return;  // an empty answer cancels
        std::string name;
        for (const std::string& key : keys)
            name += key == "period" ? '.' : key.rfind("shift+", 0) == 0 ? char(std::toupper(key.back())) : key[0];
        ASSERT_TRUE(eventually([&] { return fs::exists(folder / name); }, std::chrono::seconds(15)))
            << name << " was never saved";
    }

    // Chooses Exit and returns the editor's exit status, or -1 if it did not end normally.
    int exit_editor() {
        open_menu(area::file_menu);
        click(middle_x(area::exit), middle_y(area::exit));
        return exit_status();
    }

    // The status the editor ends with (within 15 s), or -1 if it did not end normally.
    int exit_status() {
        int status = 0;
        bool ended = eventually([&] { return waitpid(editor, &status, WNOHANG) == editor; }, std::chrono::seconds(15));
        if (!ended) return -1;
        editor = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Names in the scratch folder other than the editor's pictures.
    std::vector<std::string> files_made() const {
        std::vector<std::string> names = folder.names();
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const std::string& name) { return name.rfind("quill_", 0) == 0; }),
                    names.end());
        return names;
    }

    ScratchFolder folder{"tamsel-run"};
    pid_t editor = 0;
    std::unique_ptr<XDoTool> xdo;
    std::pair<int, int> pointer{-1, -1};  // in window pixels
    int typed = 0;                        // characters on console line 2, prompt included
};

}  // namespace

TEST_F(Editor, TheBackgroundPictureFillsTheWindowAtStart) {
    Picture background = picture_file(PICTURES / "quill_back.png", area::window_width, area::window_height);
    // Corners, the canvas and its frame, the console and its frame; away from any outline.
    const std::pair<int, int> points[] = {{0, 0},    {699, 0},  {0, 499},   {699, 499}, {5, 5},
                                          {24, 200}, {300, 88}, {677, 300}, {350, 440}, {24, 430}};
    ASSERT_TRUE(shows([&](const Picture& shot) { return shot.at(5, 5) == background.at(5, 5); }))
        << "the background never appeared";
    Picture shot = screen();
    for (auto [x, y] : points) EXPECT_EQ(shot.at(x, y), background.at(x, y)) << x << ", " << y;
}

TEST_F(Editor, AUserBuildsAModelAndSavesItUnderTheNameTyped) {
    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(125, 187);
    add_vertex(225, 187);
    add_vertex(125, 287);

    choose_tool(area::faces);
    click(125, 187);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(125, 187) == Color::GREEN; }));
    click(225, 187);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(225, 187) == Color::GREEN; }));
    click(125, 287);
    // The face's diagonal, away from the dots.
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.near(175, 237, Color::GREEN); }));

    choose_tool(area::edges);
    click(125, 187);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(125, 187) == Color::BLUE; }));
    click(225, 187);
    // A wide blue line along the edge, split by the thin green one.
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.near(175, 185, Color::BLUE); }));

    open_menu(area::file_menu);
    choose_dialogue(area::width, "Enter Width:");
    answer({"minus", "2", "0"});

    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(325, 237);

    save_as({"shift+s", "l", "a", "b", "period", "o", "b", "j"});
    EXPECT_EQ(exit_editor(), 0);

    EXPECT_EQ(files_made(), std::vector<std::string>{"Slab.obj"});
    EXPECT_EQ(fileText(folder / "Slab.obj"),
              "v 100 100 50\n"
              "v 100 100 -50\n"
              "v 200 100 50\n"
              "v 200 100 -50\n"
              "v 100 200 50\n"
              "v 100 200 -50\n"
              "v 300 150 -20\n"
              "v 300 150 20\n"
              "f 1 3 5\n"
              "f 6 4 2\n"
              "f 3 1 4\n"
              "f 2 4 1\n");
    // An independent reader accepts the file.
    std::string check = "assimp info '" + (folder / "Slab.obj").string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0);
    EXPECT_EQ(fileText(log_file()), "") << "the editor reported something";
}

TEST_F(Editor, APressOnTheCanvasEdgePixelsCounts) {
    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(area::canvas.x1, area::canvas.y1);
    add_vertex(area::canvas.x2, area::canvas.y2);
    save_as({"e"});

    EXPECT_EQ(fileText(folder / "e"), "v 0 0 50\nv 0 0 -50\nv 651 276 50\nv 651 276 -50\n");
}

TEST_F(Editor, APressJustOutsideTheCanvasAddsNothing) {
    open_menu(area::add_menu);
    choose_tool(area::verts);
    click(area::canvas.x1 - 1, area::canvas.y1);
    // Nothing shows for a press that does nothing; give the editor time to handle it where it was.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    add_vertex(area::canvas.x1 + 100, area::canvas.y1 + 100);
    save_as({"o"});

    EXPECT_EQ(fileText(folder / "o"), "v 100 100 50\nv 100 100 -50\n");
}

TEST_F(Editor, ACanvasClickWhileIdleAddsNothing) {
    click(300, 200);
    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(125, 187);
    save_as({"i"});

    EXPECT_EQ(fileText(folder / "i"), "v 100 100 50\nv 100 100 -50\n");
    EXPECT_NE(screen().at(300, 200), Color::RED);
}

// The face and edge tools find no vertex to pick on an empty model, and say so.
TEST_F(Editor, PickingOnAnEmptyModelSaysThereIsNoVertex) {
    choose(area::add_menu, area::faces);
    click_for_message(125, 187);
    choose_tool(area::edges);
    click_for_message(125, 187);
    choose_tool(area::verts);
    add_vertex(225, 187);
    save_as({"f"});
    EXPECT_EQ(exit_editor(), 0);

    EXPECT_EQ(fileText(folder / "f"), "v 200 100 50\nv 200 100 -50\n");
}

TEST_F(Editor, ATemplateFillsTheCanvasFromItsCorner) {
    ASSERT_EQ(std::system(("convert -size 651x276 xc:'rgb(200,120,40)' '" + (folder / "t.png").string() + "'").c_str()),
              0);
    open_menu(area::file_menu);
    choose_dialogue(area::load_2d, "Enter PNG:");
    answer({"t", "period", "p", "n", "g"});

    const Color orange(200, 120, 40);
    ASSERT_TRUE(shows([&](const Picture& shot) { return shot.at(area::canvas.x1, area::canvas.y1) == orange; }));
    Picture shot = screen();
    EXPECT_EQ(shot.at(area::canvas.x1 + 650, area::canvas.y1 + 275), orange);
    EXPECT_NE(shot.at(area::canvas.x1 - 2, area::canvas.y1), orange);
    EXPECT_NE(shot.at(area::canvas.x1 + 651, area::canvas.y1 + 276), orange);
}

TEST_F(Editor, AnUnreadableTemplateIsReportedAndChangesNothing) {
    std::ofstream(folder / "n.png") << "not a picture";
    Picture before = screen();
    open_menu(area::file_menu);
    choose_dialogue(area::load_2d, "Enter PNG:");
    answer({"n", "period", "p", "n", "g"});

    ASSERT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 2); }))
        << "no message on the console";
    Picture after = screen();
    EXPECT_EQ(after.at(300, 200), before.at(300, 200));

    // The editor goes on, and Exit still ends it well.
    EXPECT_EQ(exit_editor(), 0);
    EXPECT_EQ(fileText(log_file()), "");
}

TEST_F(Editor, ATemplateCutShortIsReportedAndTheModelStays) {
    std::ofstream(folder / "c.png") << "\x89PNG\r\n\x1A\n";  // the signature, then nothing
    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(125, 187);
    open_menu(area::file_menu);
    choose_dialogue(area::load_2d, "Enter PNG:");
    answer({"c", "period", "p", "n", "g"});

    ASSERT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 2); }))
        << "no message on the console";
    save_as({"m"});
    EXPECT_EQ(exit_editor(), 0);
    EXPECT_EQ(fileText(folder / "m"), "v 100 100 50\nv 100 100 -50\n");
    EXPECT_EQ(fileText(log_file()), "");
}

// The typed name and the message that repeats it are longer than a console line: they continue on
// the next line, and nothing lands outside the console's frame.
TEST_F(Editor, TextLongerThanTheConsoleStaysInsideItsFrame) {
    const std::string name = "a_name_far_too_long_for_one_line_of_the_console_box_to_hold_whole.png";
    open_menu(area::file_menu);
    choose_dialogue(area::load_2d, "Enter PNG:");
    xdo->type(name);
    xdo->key("Return");
    ASSERT_TRUE(shows([](const Picture& shot) {
        return !console_line_has_text(shot, 1) && console_line_has_text(shot, 2);
    })) << "no message on the console";
    EXPECT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 3); }))
        << "the message does not go on on the next line";

    // Below the canvas, everything but the console and its one-pixel frame is the background's.
    Picture background = picture_file(PICTURES / "quill_back.png", area::window_width, area::window_height);
    Picture shot = screen();
    const rect framed{area::io_window.x1 - 1, area::io_window.y1 - 1, area::io_window.x2 + 1, area::io_window.y2 + 1};
    int marks = 0;
    for (int y = area::canvas.y2 + 8; y < area::window_height; ++y)
        for (int x = 0; x < area::window_width; ++x)
            if (!contains(framed, x, y) && shot.at(x, y) != background.at(x, y)) ++marks;
    EXPECT_EQ(marks, 0) << "pixels changed outside the console";
}

TEST_F(Editor, AFailedSaveIsReportedAndLeavesWhatWasInTheWay) {
    fs::create_directory(folder / "Box");
    std::ofstream(folder / "Box" / "kept") << "kept";
    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(125, 187);
    save_as({"shift+b", "o", "x"});

    ASSERT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 2); }))
        << "no message on the console";
    EXPECT_EQ(fileText(folder / "Box" / "kept"), "kept");
    EXPECT_EQ(files_made(), std::vector<std::string>{"Box"});
    EXPECT_EQ(exit_editor(), 0);
}

// A width that is not a whole number within the range is refused with a message in both width
// dialogues, and changes nothing.
TEST_F(Editor, AWidthThatIsNotAWholeNumberIsRefused) {
    choose(area::add_menu, area::verts);
    add_vertex(125, 187);
    open_menu(area::file_menu);
    choose_dialogue(area::width, "Enter Width:");
    answer({"1", "shift+o"});
    ASSERT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 2); })) << "nothing said";

    choose(area::mod_menu, area::vert_width);
    pick(125, 187, Color::GREEN);
    await_prompt("Enter Width:");
    for (const char* key : {"a", "b", "c"}) type_key(key);
    xdo->key("Return");
    ASSERT_TRUE(shows([](const Picture& shot) {
        return shot.at(125, 187) == Color::RED && console_line_has_text(shot, 2);
    })) << "nothing said";

    choose(area::add_menu, area::verts);
    add_vertex(225, 187);
    save_as({"w"});
    EXPECT_EQ(fileText(folder / "w"), "v 100 100 50\nv 100 100 -50\nv 200 100 50\nv 200 100 -50\n");
}

// A paste, or fast typing on a busy machine: every key typed at the prompt reaches the name.
TEST_F(Editor, ANameTypedAMillisecondAKeyIsSavedWhole) {
    open_menu(area::file_menu);
    choose_dialogue(area::save, "Enter OBJ:");
    xdo->type("quickly_typed_name_1234567890.obj", 1);
    xdo->key("Return");

    ASSERT_TRUE(eventually([&] { return !files_made().empty(); }, std::chrono::seconds(15))) << "nothing was saved";
    EXPECT_EQ(files_made(), std::vector<std::string>{"quickly_typed_name_1234567890.obj"});
}

TEST_F(Editor, ASuccessfulSaveLeavesTheConsoleClear) {
    save_as({"q"});

    Picture shot = screen();
    EXPECT_FALSE(console_line_has_text(shot, 1));
    EXPECT_FALSE(console_line_has_text(shot, 2));
    EXPECT_EQ(fileText(folder / "q"), "");
}

TEST_F(Editor, ClosingTheWindowEndsTheEditorAsExitDoes) {
    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(125, 187);

    requestClose("Tamsel");
    EXPECT_EQ(exit_status(), 0);
    EXPECT_EQ(files_made(), std::vector<std::string>{});
}

TEST_F(Editor, ExitEndsWellWithoutSaving) {
    open_menu(area::add_menu);
    choose_tool(area::verts);
    add_vertex(125, 187);

    EXPECT_EQ(exit_editor(), 0);
    EXPECT_EQ(files_made(), std::vector<std::string>{});
}

TEST_F(Editor, MenusAreOutlinedByTheirState) {
    move(middle_x(area::colors_menu), middle_y(area::colors_menu));
    // Colours is outlined last for each event: once it shows, so do the others.
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.near(area::colors_menu.x1, 14, Color::RED); }));
    Picture over_colours = screen();
    for (const rect& menu : {area::file_menu, area::add_menu, area::mod_menu, area::del_menu})
        EXPECT_TRUE(over_colours.near(menu.x1, 14, Color::BLUE)) << "menu at " << menu.x1;

    move(middle_x(area::file_menu), middle_y(area::file_menu));
    EXPECT_TRUE(shows([](const Picture& shot) { return shot.near(area::file_menu.x1, 14, Color::RED); }));
    move(middle_x(area::del_menu), middle_y(area::del_menu));
    EXPECT_TRUE(shows([](const Picture& shot) { return shot.near(area::del_menu.x1, 14, Color::RED); }));

    open_menu(area::file_menu);
    move(middle_x(area::save), middle_y(area::save));
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.near(area::save.x1, 43, Color::RED); }));
    Picture file_open = screen();
    EXPECT_TRUE(file_open.near(area::file_menu.x1, 14, Color::GREEN)) << "the open menu keeps its outline";
    EXPECT_TRUE(file_open.near(area::load_2d.x1, 43, Color::BLUE));
    EXPECT_TRUE(file_open.near(area::exit.x1, 43, Color::BLUE));
}

// Compared with a reviewed screenshot: the File menu open with the width label, the pointer on
// Width, and the width dialogue waiting on the console.
TEST_F(Editor, MenusAndConsoleLookAsReviewed) {
    open_menu(area::file_menu);
    choose_dialogue(area::width, "Enter Width:");
    type_key("7");

    expect_looks_as_reviewed("tamsel_width_dialogue.png");
}

// Each open menu with the pointer on its first entry, compared with a reviewed screenshot of the
// menu bar and the open menu (no model: vertex dots are not part of what is compared).
TEST_F(Editor, EachOpenMenuLooksAsReviewed) {
    const std::pair<rect, rect> menus[] = {{area::file_menu, area::load_2d},
                                           {area::add_menu, area::verts},
                                           {area::mod_menu, area::move_verts},
                                           {area::del_menu, area::verts},
                                           {area::colors_menu, area::swatch(0)}};
    const char* references[] = {"tamsel_menu_file.png", "tamsel_menu_add.png", "tamsel_menu_modify.png",
                                "tamsel_menu_delete.png", "tamsel_menu_colours.png"};
    for (int i = 0; i < 5; ++i) {
        auto [menu, entry] = menus[i];
        open_menu(menu);
        move(middle_x(entry), middle_y(entry));
        ASSERT_TRUE(shows([&](const Picture& shot) { return shot.near(entry.x1, middle_y(entry), Color::RED); }));
        expect_looks_as_reviewed(references[i], area::menu.y2 + 3);
    }
}

// A user builds a model with three mistakes in it and mends them without starting over: a vertex
// in the wrong place, one at the wrong depth, and a vertex, a face and an edge too many.
TEST_F(Editor, AUserMendsAModelAndSavesWhatIsLeft) {
    choose(area::add_menu, area::verts);
    for (auto [x, y] : {std::pair{125, 187}, {225, 187}, {125, 287}, {225, 287}, {325, 237}}) add_vertex(x, y);

    // Faces 125,187 225,187 125,287, then 225,187 225,287 125,287, then 225,187 325,237 225,287;
    // each shows by a side that no earlier face has.
    choose_tool(area::faces);
    const std::array<std::pair<int, int>, 3> faces[] = {{{{125, 187}, {225, 187}, {125, 287}}},
                                                        {{{225, 187}, {225, 287}, {125, 287}}},
                                                        {{{225, 187}, {325, 237}, {225, 287}}}};
    const std::pair<int, int> new_sides[] = {{175, 237}, {175, 287}, {275, 262}};
    for (int i = 0; i < 3; ++i) {
        pick(faces[i][0].first, faces[i][0].second, Color::GREEN);
        pick(faces[i][1].first, faces[i][1].second, Color::GREEN);
        click(faces[i][2].first, faces[i][2].second);
        auto [x, y] = new_sides[i];
        ASSERT_TRUE(shows([&](const Picture& shot) { return shot.near(x, y, Color::GREEN); })) << "face " << i;
    }

    // Edges from 125,187 to 225,187, from 225,187 to 325,237 and from 125,287 to 225,287.
    choose_tool(area::edges);
    const std::pair<int, int> edges[][2] = {
        {{125, 187}, {225, 187}}, {{225, 187}, {325, 237}}, {{125, 287}, {225, 287}}};
    for (auto const& edge : edges) {
        pick(edge[0].first, edge[0].second, Color::BLUE);
        click(edge[1].first, edge[1].second);
        int x = (edge[0].first + edge[1].first) / 2, y = (edge[0].second + edge[1].second) / 2;
        ASSERT_TRUE(shows([&](const Picture& shot) { return shot.near(x, y, Color::BLUE); })) << x << ", " << y;
    }

    // Drag the vertex at 325,237 by a press 1 pixel off it to 345,257.
    choose(area::mod_menu, area::move_verts);
    move(326, 238);
    xdo->press(1);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(325, 237) == Color::GREEN; })) << "not picked";
    move(340, 250);
    move(345, 257);
    xdo->release(1);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(345, 257) == Color::RED; })) << "not moved";
    EXPECT_NE(screen().at(325, 237), Color::RED);

    // The vertex at 125,287 at depth 30 instead of 50.
    choose_tool(area::vert_width);
    pick(125, 287, Color::GREEN);
    await_prompt("Enter Width:");
    answer({"3", "0"}, 2);

    // The vertex at 125,187 goes with the face and the edge on it.
    choose(area::del_menu, area::verts);
    click(125, 187);
    ASSERT_TRUE(shows([](const Picture& shot) {
        return shot.at(125, 187) != Color::RED && !shot.near(175, 185, Color::BLUE) &&
               !shot.near(125, 237, Color::GREEN);
    })) << "the vertex is still there";

    // The face on 225,187 345,257 225,287, by a click inside it.
    choose_tool(area::faces);
    click(255, 237);
    ASSERT_TRUE(shows([](const Picture& shot) { return !shot.near(285, 272, Color::GREEN); })) << "face kept";

    // The edge from 225,187 to 345,257, by its two vertices.
    choose_tool(area::edges);
    pick(225, 187, Color::BLUE);
    click(345, 257);
    ASSERT_TRUE(shows([](const Picture& shot) {
        return !shot.near(285, 222, Color::BLUE) && shot.at(225, 187) == Color::RED;
    })) << "edge kept";

    save_as({"m", "e", "n", "d", "e", "d", "period", "o", "b", "j"});
    EXPECT_EQ(exit_editor(), 0);

    // Line for line what the same clicks give without the mistakes: the vertices left in their
    // order, renumbered, and the face and edge left.
    EXPECT_EQ(fileText(folder / "mended.obj"), fileText(REFERENCES / "tamsel_mended.obj"));
    std::string check = "assimp info '" + (folder / "mended.obj").string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0);
    EXPECT_EQ(fileText(log_file()), "") << "the editor reported something";
}

// A moved vertex leaves nothing behind: where it and its face were, the template shows again, and
// the frame around the canvas is as it was, though the vertex sat on the canvas's corner.
TEST_F(Editor, AMovedVertexLeavesNoTrace) {
    // Orange above and blue below, larger than the canvas: only its part over the canvas is redrawn.
    std::string make_template =
        "convert -size 660x300 xc:'rgb(200,120,40)' -fill 'rgb(40,120,200)' "
        "-draw 'rectangle 0,200 659,299' '" +
        (folder / "t.png").string() + "'";
    ASSERT_EQ(std::system(make_template.c_str()), 0);
    const Color orange(200, 120, 40), blue(40, 120, 200);
    open_menu(area::file_menu);
    choose_dialogue(area::load_2d, "Enter PNG:");
    answer({"t", "period", "p", "n", "g"});
    ASSERT_TRUE(shows([&](const Picture& shot) { return shot.at(area::canvas.x1, area::canvas.y1) == orange; }));

    choose(area::add_menu, area::verts);
    add_vertex(area::canvas.x1, area::canvas.y1);
    add_vertex(225, 187);
    add_vertex(125, 237);
    choose_tool(area::faces);
    pick(area::canvas.x1, area::canvas.y1, Color::GREEN);
    pick(225, 187, Color::GREEN);
    click(125, 237);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.near(125, 137, Color::GREEN); }));

    choose(area::mod_menu, area::move_verts);
    move(area::canvas.x1, area::canvas.y1);
    xdo->press(1);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(area::canvas.x1, area::canvas.y1) == Color::GREEN; }));
    move(400, 300);
    xdo->release(1);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.at(400, 300) == Color::RED; }));

    Picture shot = screen();
    Picture background = picture_file(PICTURES / "quill_back.png", area::window_width, area::window_height);
    EXPECT_EQ(shot.at(area::canvas.x1, area::canvas.y1), orange);
    EXPECT_EQ(shot.at(area::canvas.x1 + 3, area::canvas.y1 + 3), orange);
    EXPECT_EQ(shot.at(125, 137), orange) << "the old side of the face is still there";
    EXPECT_EQ(shot.at(area::canvas.x1 + 100, area::canvas.y1 + 250), blue);
    EXPECT_TRUE(shot.near(312, 243, Color::GREEN)) << "the face did not follow the vertex";
    // The corner's dot reached over the frame and the paper around it.
    for (auto [x, y] : {std::pair{area::canvas.x1 - 1, area::canvas.y1},
                        {area::canvas.x1 - 2, area::canvas.y1 - 1},
                        {area::canvas.x1, area::canvas.y1 - 3},
                        {area::canvas.x1 - 3, area::canvas.y1 + 1}})
        EXPECT_EQ(shot.at(x, y), background.at(x, y)) << x << ", " << y;
}

// Clicks where there is nothing to move or delete change nothing and say so.
TEST_F(Editor, AClickThatFindsNothingSaysSoAndChangesNothing) {
    choose(area::del_menu, area::edges);
    click_for_message(300, 200);
    choose_tool(area::verts);
    click_for_message(300, 200);

    choose(area::add_menu, area::verts);
    add_vertex(125, 187);
    choose(area::del_menu, area::faces);
    click_for_message(125, 187);
    choose_tool(area::verts);
    click_for_message(125 + VERTEX_REACH + 1, 187);

    choose(area::mod_menu, area::move_verts);
    move(125, 187 + VERTEX_REACH + 1);
    xdo->press(1);
    ASSERT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 2); })) << "nothing said";
    move(300, 300);
    xdo->release(1);
    choose_tool(area::vert_width);
    click_for_message(125 - VERTEX_REACH, 187 - 1);

    EXPECT_EQ(screen().at(125, 187), Color::RED);
    save_as({"n"});
    EXPECT_EQ(fileText(folder / "n"), "v 100 100 50\nv 100 100 -50\n");
}

// ---- Fast clicks, undo and redo, reopening, Backspace in a name, and painting faces ----

namespace {

// The OBJ lines of a vertex pair clicked at window point (x, y) at width 50.
std::string vertex_pair_lines(int x, int y) {
    std::string xy = std::to_string(x - area::canvas.x1) + " " + std::to_string(y - area::canvas.y1);
    return "v " + xy + " 50\nv " + xy + " -50\n";
}

}  // namespace

// Clicks far faster than the editor handles them each add a vertex where that click was made.
TEST_F(Editor, EveryClickOfAFastBurstAddsItsVertexWhereItWasMade) {
    choose(area::add_menu, area::verts);
    std::vector<std::pair<int, int>> points;
    std::string expected;
    for (int i = 0; i < 120; ++i) {
        points.push_back({30 + (i % 20) * 31, 95 + (i / 20) * 43});
        expected += vertex_pair_lines(points.back().first, points.back().second);
    }
    xdo->clickEach(points);
    pointer = points.back();
    save_as({"b"});

    EXPECT_EQ(fileText(folder / "b"), expected);
}

// Adding a face or an edge draws only what lies near it, yet the canvas then shows what drawing the
// whole model again shows: here an edge whose wide line crosses two sides of a face and a dot.
TEST_F(Editor, AddingShowsWhatRedrawingTheWholeModelShows) {
    choose(area::add_menu, area::verts);
    for (auto [x, y] : {std::pair{125, 237}, {325, 237}, {225, 187}, {175, 287}, {275, 287}, {225, 241}})
        add_vertex(x, y);
    choose_tool(area::faces);
    pick(225, 187, Color::GREEN);
    pick(175, 287, Color::GREEN);
    click(275, 287);
    ASSERT_TRUE(shows([](const Picture& shot) { return shot.near(200, 237, Color::GREEN); }));
    choose_tool(area::edges);
    pick(125, 237, Color::BLUE);
    click(325, 237);
    // The face's side is drawn again over the wide line where they cross, and the dot beside it.
    ASSERT_TRUE(shows([](const Picture& shot) {
        return shot.near(160, 237, Color::BLUE) && shot.near(200, 237, Color::GREEN) &&
               shot.at(225, 241) == Color::RED && shot.at(325, 237) == Color::RED;
    }));
    Picture added = screen();

    // Undone and redone, the model is drawn whole.
    xdo->key("ctrl+z");
    ASSERT_TRUE(shows([](const Picture& shot) { return !shot.near(160, 237, Color::BLUE); }));
    xdo->key("ctrl+y");
    auto same_model_view = [&](const Picture& shot) {
        for (int y = area::model_view.y1; y <= area::model_view.y2; ++y)
            for (int x = area::model_view.x1; x <= area::model_view.x2; ++x)
                if (shot.at(x, y) != added.at(x, y)) return false;
        return true;
    };
    EXPECT_TRUE(shows(same_model_view));
}

// A user steps back and forth through changes made with several tools, by Ctrl+Z, Ctrl+Y and
// Ctrl+Shift+Z, and saves the model as it then stands.
TEST_F(Editor, UndoAndRedoStepThroughTheChangesOfEveryTool) {
    move(300, 200);
    xdo->key("ctrl+z");
    ASSERT_TRUE(shows([](const Picture& shot) { return console_line_has_text(shot, 2); })) << "nothing said";

    choose(area::add_menu, area::verts);
    for (auto [x, y] : {std::pair{125, 187}, {225, 187}, {125, 287}}) add_vertex(x, y);
    choose_tool(area::faces);
    pick(125, 187, Color::GREEN);
    pick(225, 187, Color::GREEN);
    click(125, 287);
    auto face_shows = [](const Picture& shot) { return shot.near(175, 237, Color::GREEN); };
    ASSERT_TRUE(shows(face_shows));
    choose(area::del_menu, area::verts);
    click(125, 287);
    auto vertex_shows = [](const Picture& shot) { return shot.at(125, 287) == Color::RED; };
    ASSERT_TRUE(shows([&](const Picture& shot) { return !vertex_shows(shot) && !face_shows(shot); }));

    const std::pair<std::string, std::function<bool(const Picture&)>> steps[] = {
        {"ctrl+z", [&](const Picture& shot) { return vertex_shows(shot) && face_shows(shot); }},
        {"ctrl+z", [&](const Picture& shot) { return vertex_shows(shot) && !face_shows(shot); }},
        {"ctrl+y", face_shows},
        {"ctrl+shift+z", [&](const Picture& shot) { return !vertex_shows(shot); }},
        {"ctrl+z", vertex_shows},
    };
    for (auto const& [key, shown] : steps) {
        xdo->key(key);
        ASSERT_TRUE(shows(shown)) << key;
    }
    save_as({"u"});

    EXPECT_EQ(fileText(folder / "u"), vertex_pair_lines(125, 187) + vertex_pair_lines(225, 187) +
                                          vertex_pair_lines(125, 287) + "f 1 3 5\nf 6 4 2\n");
}

// A model opened from the command line saves again to the same bytes. File > Open replaces it and
// undo takes that back; a file that cannot be read, or that Tamsel did not write, changes nothing.
TEST_F(Editor, AnOpenedModelSavesAgainAsItWas) {
    fs::copy_file(REFERENCES / "tamsel_mended.obj", folder / "mended.obj");
    std::ofstream(folder / "foreign.obj") << "v 1.5 2 3\n";
    std::ofstream(folder / "one.obj") << vertex_pair_lines(400, 300);
    kill(editor, SIGKILL);
    waitpid(editor, nullptr, 0);
    start("mended.obj");
    auto shows_mended = [](const Picture& shot) { return shot.at(225, 187) == Color::RED; };
    ASSERT_TRUE(shows(shows_mended));
    save_as({"a"});
    EXPECT_EQ(fileText(folder / "a"), fileText(folder / "mended.obj"));

    auto open_file = [&](const std::string& name) {
        open_menu(area::file_menu);
        choose_dialogue(area::open, "Enter OBJ:");
        xdo->type(name);
        xdo->key("Return");
    };
    for (const char* refused : {"foreign.obj", "missing.obj"}) {
        open_file(refused);
        ASSERT_TRUE(shows([](const Picture& shot) {
            return !console_line_has_text(shot, 1) && console_line_has_text(shot, 2);
        })) << "nothing said about "
            << refused;
    }
    open_file("one.obj");
    ASSERT_TRUE(shows([&](const Picture& shot) { return shot.at(400, 300) == Color::RED && !shows_mended(shot); }));
    xdo->key("ctrl+z");
    ASSERT_TRUE(shows([&](const Picture& shot) { return shot.at(400, 300) != Color::RED && shows_mended(shot); }));
    save_as({"b"});

    EXPECT_EQ(fileText(folder / "b"), fileText(folder / "mended.obj"));
    EXPECT_EQ(fileText(log_file()), "") << "the editor reported something";
}

// Backspace takes the last character back, on screen and from the answer; Enter on an empty
// answer cancels a dialogue and changes nothing.
TEST_F(Editor, BackspaceErasesAndAnEmptyAnswerCancels) {
    choose(area::add_menu, area::verts);
    add_vertex(125, 187);
    open_menu(area::file_menu);
    choose_dialogue(area::width, "Enter Width:");
    type_key("7");
    xdo->key("BackSpace");
    answer({});
    choose(area::mod_menu, area::vert_width);
    pick(125, 187, Color::GREEN);
    await_prompt("Enter Width:");
    answer({}, 2);
    choose(area::add_menu, area::verts);
    add_vertex(225, 187);
    save_as({});

    open_menu(area::file_menu);
    choose_dialogue(area::save, "Enter OBJ:");
    type_key("m");
    type_key("x");
    xdo->key("BackSpace");
    typed -= 1;
    wait_for_cursor(typed + 1);
    // Above the cursor, the cell of the x is blank again.
    const rect erased = console_cell(wrapped(2, typed + 1));
    EXPECT_TRUE(shows([&](const Picture& shot) {
        for (int y = erased.y1; y < console_baseline(2) - 2; ++y)
            for (int x = erased.x1; x <= erased.x2; ++x)
                if (shot.at(x, y) != Color::WHITE) return false;
        return true;
    }));
    answer({"o"});
    EXPECT_EQ(exit_editor(), 0);

    EXPECT_EQ(files_made(), std::vector<std::string>{"mo"});
    EXPECT_EQ(fileText(folder / "mo"), vertex_pair_lines(125, 187) + vertex_pair_lines(225, 187));
    EXPECT_EQ(fileText(log_file()), "");
}

// A user paints two faces from the Colours menu, takes the second back, and saves: the OBJ names
// its materials and the MTL file beside it gives their colours, which an independent reader finds.
TEST_F(Editor, PaintedFacesAreSavedWithTheirMaterials) {
    choose(area::add_menu, area::verts);
    for (auto [x, y] : {std::pair{125, 187}, {225, 187}, {125, 287}, {225, 287}}) add_vertex(x, y);
    choose_tool(area::faces);
    const std::pair<int, int> faces[][2] = {{{125, 187}, {225, 187}}, {{225, 187}, {225, 287}}};
    const std::pair<int, int> new_sides[] = {{175, 237}, {175, 287}};
    for (int i = 0; i < 2; ++i) {
        for (auto [x, y] : faces[i]) pick(x, y, Color::GREEN);
        click(125, 287);
        auto [x, y] = new_sides[i];
        ASSERT_TRUE(shows([&](const Picture& shot) { return shot.near(x, y, Color::GREEN); })) << "face " << i;
    }

    auto reddish = [](const Picture& shot) {
        Color c = shot.at(140, 225);
        return c.getRed() > 240 && c.getGreen() < 230 && c.getGreen() == c.getBlue();
    };
    auto bluish = [](const Picture& shot) {
        Color c = shot.at(200, 265);
        return c.getBlue() > c.getRed() + 40;
    };
    choose(area::colors_menu, area::swatch(0));
    click(150, 215);
    ASSERT_TRUE(shows(reddish)) << "the face is not shown red";
    choose_tool(area::swatch(5));
    click(205, 270);
    ASSERT_TRUE(shows(bluish)) << "the face is not shown blue";
    xdo->key("ctrl+z");
    ASSERT_TRUE(shows([&](const Picture& shot) { return !bluish(shot) && reddish(shot); }));
    save_as({"p", "period", "o", "b", "j"});
    EXPECT_EQ(exit_editor(), 0);

    EXPECT_EQ(fileText(folder / "p.obj"), fileText(REFERENCES / "tamsel_painted.obj"));
    EXPECT_EQ(fileText(folder / "p.mtl"), "newmtl red\nKd 1.0000 0.0000 0.0000\n");
    std::string path = (folder / "p.obj").string();
    EXPECT_EQ(std::system(("assimp info '" + path + "' 2>&1 | grep -q \"'red'\"").c_str()), 0);
    // Exported again, the material keeps the colour that assimp read from the MTL file.
    std::string exported = (folder / "again.obj").string();
    ASSERT_EQ(std::system(("assimp export '" + path + "' '" + exported + "' >/dev/null 2>&1").c_str()), 0);
    EXPECT_NE(fileText(folder / "again.mtl").find("newmtl red\nKd 1 0 0\n"), std::string::npos);
}
