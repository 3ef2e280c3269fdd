// The example programs and the README's first program, end to end: each runs as its own process in
// a scratch folder, is driven as a user drives it (real X input through xdotool, numbers on its
// standard input), is read back from screenshots of its window, found by its title, and ends
// through its own way out. Needs the test display.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include "ScratchFolder.h"
#include "Screenshot.h"
#include "XClient.h"
#include "XDoTool.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path EXAMPLES = BRINDLEWOOD_BINARY_DIR "/example";
const fs::path DOCS = BRINDLEWOOD_SOURCE_DIR "/docs";
const fs::path FIRST_PROGRAM = BRINDLEWOOD_BINARY_DIR "/tests/readme_first_program";

bool isDark(Color c) { return c.getRed() < 100 && c.getGreen() < 100 && c.getBlue() < 100; }
bool isRed(Color c) { return c.getRed() > 180 && c.getGreen() < 80 && c.getBlue() < 80; }
bool isBlue(Color c) { return c.getBlue() > 120 && c.getRed() < 80 && c.getGreen() < 80; }
bool isGold(Color c) { return c.getRed() > 200 && c.getGreen() > 150 && c.getBlue() < 80; }
bool isGrey(Color c) { return c.getRed() == c.getGreen() && c.getGreen() == c.getBlue() && c.getRed() > 100 && c.getRed() < 220; }
// Neither white, nor grey, nor black: the paint of a bar, a ball, a line.
bool isColoured(Color c) {
    int high = std::max({c.getRed(), c.getGreen(), c.getBlue()});
    int low = std::min({c.getRed(), c.getGreen(), c.getBlue()});
    return high - low > 60;
}

// One run of a program in a folder of its own, with what it wrote to stdout and stderr kept in a
// log beside the folder. A program still running at the end of the test is killed.
class Program {
public:
    Program(const fs::path& executable, const fs::path& folder, const std::optional<std::string>& input)
        : log(folder.string() + ".log") {
        const std::string name = executable.filename();
        int feed[2];
        if (pipe(feed) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(feed[0], 0);
            int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            close(feed[1]);
            if (chdir(folder.c_str()) == 0) execl(executable.c_str(), name.c_str(), nullptr);
            _exit(127);
        }
        close(feed[0]);
        // Without input the pipe stays open, as a terminal would: the program reads no end.
        if (input) {
            if (write(feed[1], input->data(), input->size()) != ssize_t(input->size())) ADD_FAILURE() << "input lost";
            close(feed[1]);
        } else {
            openinput = feed[1];
        }
    }

    ~Program() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (openinput >= 0) close(openinput);
        fs::remove(log);
    }

    // The exit status once the program has ended (at most a few seconds from now); 128 plus the
    // signal's number if a signal ended it, -1 if it is still running.
    int exitStatus() {
        eventually([&] { return hasEnded(); }, 20s);
        return status;
    }

    // Whether the program is still running after a short grace, for what must not end it.
    bool stillRunning() {
        std::this_thread::sleep_for(1s);
        return !hasEnded();
    }

    // What the program wrote to stdout and stderr so far.
    std::string output() const { return fileText(log); }

private:
    bool hasEnded() {
        if (pid <= 0) return true;
        int how = 0;
        if (waitpid(pid, &how, WNOHANG) != pid) return false;
        pid = 0;
        status = WIFEXITED(how) ? WEXITSTATUS(how) : 128 + WTERMSIG(how);
        return true;
    }

    pid_t pid = -1;
    int status = -1;
    int openinput = -1;
    fs::path log;
};

// Whether a pixel within one of (x, y) passes the test: lines land a pixel apart by driver.
bool near(const Picture& shot, int x, int y, const std::function<bool(Color)>& test) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (test(shot.at(x + dx, y + dy))) return true;
    return false;
}

// The middle of the pixels that pass the test, and how wide they spread; width 0 when none does.
struct Blob {
    int x = 0;
    int y = 0;
    int width = 0;
};

Blob blobOf(const Picture& shot, const std::function<bool(Color)>& test) {
    long sumX = 0, sumY = 0, count = 0;
    int left = shot.width, right = -1;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (test(shot.at(x, y))) {
                sumX += x, sumY += y, ++count;
                left = std::min(left, x), right = std::max(right, x);
            }
    if (count == 0) return Blob{};
    return Blob{int(sumX / count), int(sumY / count), right - left + 1};
}

// A window of the program under test, found by its title once mapped.
class ShownWindow {
public:
    explicit ShownWindow(const std::string& title) : input(title), place(input.placement()) {}

    Picture shot() const { return screenshot(place.x, place.y, place.width, place.height); }

    // Waits (boundedly) until a screenshot satisfies condition and returns it. If none does, the
    // test fails saying what never showed, and the last screenshot is kept in the build folder.
    std::optional<Picture> waitUntilShows(const std::string& what,
                                          const std::function<bool(const Picture&)>& condition) const {
        Picture last;
        if (eventually([&] { return condition(last = shot()); }, 30s)) return last;
        const std::string kept = BRINDLEWOOD_BINARY_DIR "/tests/seen-" + std::to_string(getpid()) + ".png";
        savePicture(last, kept);
        ADD_FAILURE() << "the window never showed " << what << "; it showed " << kept;
        return std::nullopt;
    }

    // As waitUntilShows, once drawing has finished: two screenshots in a row alike.
    std::optional<Picture> waitUntilStillShows(const std::string& what,
                                               const std::function<bool(const Picture&)>& condition) const {
        Picture previous;
        return waitUntilShows(what, [&](const Picture& shot) {
            const bool still = shot.rgb == previous.rgb;
            previous = shot;
            return still && condition(shot);
        });
    }

    // Fails unless the window comes to show the reference picture, within a small tolerance for
    // the rasteriser's rounding, once drawing has finished. The references are the README's
    // screenshots: when the library's drawing changes on purpose, look at the screenshot a failure
    // keeps and copy it over the reference.
    void expectToShow(const fs::path& reference) const {
        Picture expected = pictureFile(reference, place.width, place.height);
        int differing = 0;
        waitUntilStillShows(reference.string(), [&](const Picture& shot) {
            differing = differingPixels(shot, expected, 24);
            return differing <= shot.width * shot.height / 500;
        });
        EXPECT_LE(differing, place.width * place.height / 500) << "pixels that differ from " << reference;
    }

    XDoTool input;
    XDoTool::Placement place;
};

class Examples : public testing::Test {
protected:
    Examples() : folder("examples") {}

    // Starts the program; with input, its standard input holds that text and then ends.
    void start(const fs::path& executable, const std::optional<std::string>& input = std::nullopt) {
        program.reset();  // the last run's end, and its log, go first: the new run uses the same log
        program = std::make_unique<Program>(executable, folder.path(), input);
    }

    // Presses the key that quits, with the pointer in the window (keys go to the window under the
    // pointer), and expects a clean end.
    void quitWith(ShownWindow& window, const std::string& key) {
        window.input.moveTo(10, 10);
        window.input.key(key);
        expectCleanEnd();
    }

    // The program ended by itself, with status 0 and nothing on stdout or stderr.
    void expectCleanEnd() {
        EXPECT_EQ(program->exitStatus(), 0);
        EXPECT_EQ(program->output(), "");
    }

    ScratchFolder folder;
    std::unique_ptr<Program> program;
};

TEST_F(Examples, MandelbrotSetShowsItsPictureAndClosesOnAKey) {
    start(EXAMPLES / "brindlewood_mandelbrot");
    ShownWindow window("Mandelbrot set");
    window.expectToShow(DOCS / "mandelbrot.png");
    quitWith(window, "space");
}

TEST_F(Examples, TurtleTreeShowsItsPictureAndClosesOnAKey) {
    start(EXAMPLES / "brindlewood_turtle");
    ShownWindow window("Turtle tree");
    window.expectToShow(DOCS / "turtle.png");
    quitWith(window, "q");
}

// Whether the values rise by at least step and later fall by at least step, or fall and then rise.
bool turnsBack(const std::vector<int>& values, int step) {
    for (std::size_t turn = 0; turn < values.size(); ++turn) {
        bool riseBefore = false, fallBefore = false, fallAfter = false, riseAfter = false;
        for (std::size_t i = 0; i < turn; ++i) {
            riseBefore = riseBefore || values[turn] - values[i] >= step;
            fallBefore = fallBefore || values[i] - values[turn] >= step;
        }
        for (std::size_t i = turn + 1; i < values.size(); ++i) {
            fallAfter = fallAfter || values[turn] - values[i] >= step;
            riseAfter = riseAfter || values[i] - values[turn] >= step;
        }
        if ((riseBefore && fallAfter) || (fallBefore && riseAfter)) return true;
    }
    return false;
}

TEST_F(Examples, BouncingBallBouncesOffTheWallsAndFloorAndClosesOnEscape) {
    start(EXAMPLES / "brindlewood_bouncing_ball");
    ShownWindow window("Bouncing ball");
    // Follows the ball (the red disc) from screenshot to screenshot until it has turned back both
    // across the window (a side wall) and up and down (the floor).
    std::vector<int> xs, ys;
    EXPECT_TRUE(window.waitUntilShows("the ball bouncing", [&](const Picture& shot) {
        const Blob ball = blobOf(shot, isRed);
        if (ball.width > 0) xs.push_back(ball.x), ys.push_back(ball.y);
        return turnsBack(xs, 20) && turnsBack(ys, 20);
    }));
    quitWith(window, "Escape");
}

// Presses the left button at one point of the window, moves to another and lets go.
void drag(XDoTool& input, int fromX, int fromY, int toX, int toY) {
    input.moveTo(fromX, fromY);
    input.press(1);
    input.moveTo(toX, toY);
    input.release(1);
}

TEST_F(Examples, PaintDrawsWhereDraggedInThePickedColourSavesAndClears) {
    start(EXAMPLES / "brindlewood_paint");
    ShownWindow window("Paint");
    ASSERT_TRUE(window.waitUntilShows("the help line", [](const Picture& shot) { return blobOf(shot, isDark).width > 100; }));
    // A stroke, moves with no button held (they paint nothing), the key for red and a stroke, in one
    // burst: the program takes them in the order they happened, however late it wakes for them.
    const auto moveTo = [&](int x, int y) {
        return "mousemove " + std::to_string(window.place.x + x) + " " + std::to_string(window.place.y + y) + " ";
    };
    XDoTool::run(moveTo(100, 150) + "mousedown 1 " + moveTo(250, 150) + "mouseup 1 " + moveTo(100, 400) +
                 moveTo(250, 400) + "key r " + moveTo(100, 300) + "mousedown 1 " + moveTo(250, 300) + "mouseup 1");
    // Still: the picture saved is compared with this one.
    std::optional<Picture> painted = window.waitUntilStillShows("a black and a red stroke", [](const Picture& shot) {
        return near(shot, 175, 150, isDark) && near(shot, 175, 300, isRed);
    });
    ASSERT_TRUE(painted);
    EXPECT_EQ(painted->at(175, 400), Color::WHITE);

    window.input.key("s");
    const fs::path saved = folder / "painting.png";
    ASSERT_TRUE(eventually([&] { return fs::exists(saved); })) << "nothing saved";
    EXPECT_EQ(differingPixels(pictureFile(saved, window.place.width, window.place.height), *painted, 0), 0)
        << "the saved picture differs from the window";

    window.input.key("c");
    EXPECT_TRUE(window.waitUntilShows("a cleared window with its help line", [](const Picture& shot) {
        return shot.at(175, 150) == Color::WHITE && shot.at(175, 300) == Color::WHITE && blobOf(shot, isDark).width > 100;
    }));
    quitWith(window, "Escape");
}

TEST_F(Examples, TwoWindowsMirrorDrawsWhatTheMouseDoesInThePad) {
    start(EXAMPLES / "brindlewood_two_windows");
    ShownWindow mirror("Mirror");
    ShownWindow pad("Pad");
    pad.input.moveTo(50, 250);
    pad.input.moveTo(150, 250);
    drag(pad.input, 100, 100, 200, 100);
    pad.input.moveTo(300, 200);
    pad.input.click(3);
    // A grey trail for the move between the buttons, a red line for the drag, a red ring where the
    // left button came up (the drawing's outer ring, 12 pixels out) and a blue disc for the right
    // button. The first moves may reach the program as one: unread moves of a kind are merged.
    EXPECT_TRUE(mirror.waitUntilShows("the mouse's moves, drag and clicks", [](const Picture& shot) {
        return near(shot, 250, 150, isGrey) && near(shot, 150, 100, isRed) && near(shot, 200, 88, isRed) &&
               near(shot, 300, 200, isBlue);
    }));
    const Picture padShot = pad.shot();
    for (auto [x, y] : {std::pair{250, 150}, {150, 100}, {300, 200}})
        EXPECT_EQ(padShot.at(x, y), Color::WHITE) << "the pad itself shows the mouse at " << x << ", " << y;
    quitWith(pad, "Escape");
}

TEST_F(Examples, EveryExampleEndsWhenItsWindowIsClosed) {
    struct Run {
        const char* program;
        const char* title;
        std::optional<std::string> input;
    };
    for (const Run& run : {Run{"bouncing_ball", "Bouncing ball", {}}, Run{"paint", "Paint", {}},
                           Run{"mandelbrot", "Mandelbrot set", {}}, Run{"clock", "Clock", {}},
                           Run{"coin_game", "Coin catcher", {}}, Run{"turtle", "Turtle tree", {}},
                           Run{"bar_chart", "Bar chart", "1 2 3"}, Run{"two_windows", "Pad", {}}}) {
        SCOPED_TRACE(run.program);
        start(EXAMPLES / ("brindlewood_" + std::string(run.program)), run.input);
        ShownWindow window(run.title);
        requestClose(run.title);  // the close button's message
        expectCleanEnd();
    }
}

// Where a clock hand at angle (degrees clockwise from 12 o'clock) passes at distance from the middle.
int handX(const Picture& shot, double angle, double distance) {
    return shot.width / 2 + int(std::lround(distance * std::sin(angle * M_PI / 180)));
}
int handY(const Picture& shot, double angle, double distance) {
    return shot.height / 2 - int(std::lround(distance * std::cos(angle * M_PI / 180)));
}

// Whether the clock shows the local time: the hour hand (dark blue) partway out towards the hour,
// the minute hand (black) further out towards the minute, and the second hand (red) near the rim
// at this second or the one before, which the clock may still be showing.
bool showsTheTime(const Picture& shot) {
    const std::time_t seconds = std::time(nullptr);
    const std::tm now = *std::localtime(&seconds);
    const double second = now.tm_sec, minute = now.tm_min + second / 60, hour = now.tm_hour % 12 + minute / 60;
    const double rim = std::min(shot.width, shot.height) / 2.0;
    auto on = [&](double angle, double fraction, const std::function<bool(Color)>& colour) {
        return near(shot, handX(shot, angle, rim * fraction), handY(shot, angle, rim * fraction), colour);
    };
    // The hour hand is checked only where the minute hand, drawn over it, leaves it visible.
    const double apart = std::fabs(std::remainder(hour * 30 - minute * 6, 360));
    return (apart < 10 || on(hour * 30, 0.3, isBlue)) && on(minute * 6, 0.55, isDark) &&
           (on(second * 6, 0.65, isRed) || on(second * 6 - 6, 0.65, isRed));
}

TEST_F(Examples, ClockShowsTheTimeAndClosesOnEscape) {
    start(EXAMPLES / "brindlewood_clock");
    ShownWindow window("Clock");
    ASSERT_TRUE(window.waitUntilShows("the local time", showsTheTime));
    // It keeps time: some seconds later the hands still show the time, now a later one.
    std::this_thread::sleep_for(2s);
    EXPECT_TRUE(window.waitUntilShows("the local time two seconds later", showsTheTime));
    quitWith(window, "Escape");
}

TEST_F(Examples, CoinCatcherScoresEveryCoinWalkedOnto) {
    start(EXAMPLES / "brindlewood_coin_game");
    ShownWindow window("Coin catcher");
    window.input.moveTo(5, 5);  // keys go to the window under the pointer
    std::optional<Picture> shot = window.waitUntilShows("the square and the coin", [](const Picture& picture) {
        return blobOf(picture, isBlue).width > 0 && blobOf(picture, isGold).width > 0;
    });
    ASSERT_TRUE(shot);
    // The score is the only dark thing on the screen.
    auto scoreOf = [](const Picture& picture) {
        std::vector<bool> dark;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) dark.push_back(isDark(picture.at(x, y)));
        return dark;
    };
    std::vector<std::vector<bool>> scores{scoreOf(*shot)};
    for (int coins = 0; coins < 3; ++coins) {
        const Blob coin = blobOf(*shot, isGold);
        // Walk one key at a time, waiting each time until the square has moved.
        for (int steps = 0; steps < 30; ++steps) {
            const Blob square = blobOf(*shot, isBlue);
            const int half = square.width / 2;
            if (std::abs(coin.x - square.x) <= half && std::abs(coin.y - square.y) <= half) break;
            if (std::abs(coin.x - square.x) > half)
                window.input.key(coin.x < square.x ? "Left" : "Right");
            else
                window.input.key(coin.y < square.y ? "Up" : "Down");
            shot = window.waitUntilShows("the square moved", [&](const Picture& picture) {
                const Blob moved = blobOf(picture, isBlue);
                return moved.width > 0 && (moved.x != square.x || moved.y != square.y);
            });
            ASSERT_TRUE(shot);
        }
        // Caught: a new coin stands elsewhere, and the score reads differently from all before.
        const Blob next = blobOf(*shot, isGold);
        EXPECT_TRUE(next.width > 0 && (next.x != coin.x || next.y != coin.y)) << "coin " << coins;
        const std::vector<bool> score = scoreOf(*shot);
        EXPECT_EQ(std::count(scores.begin(), scores.end(), score), 0) << "the score did not change at coin " << coins;
        scores.push_back(score);
    }
    quitWith(window, "Escape");
}

// A bar as the screenshot shows it: its middle column and its length from the zero line, positive
// upward and negative downward.
struct Bar {
    int middle;
    int length;
};

// Finds the zero line (the longest black row) and measures every run of coloured columns that
// touches it from above or below.
std::vector<Bar> barsOf(const Picture& shot, int& zeroY) {
    int longest = 0;
    for (int y = 0; y < shot.height; ++y) {
        int black = 0;
        for (int x = 0; x < shot.width; ++x) black += shot.at(x, y) == Color::BLACK;
        if (black > longest) longest = black, zeroY = y;
    }
    auto lengthAt = [&](int x) {
        int up = 0, down = 0;
        while (zeroY - 1 - up >= 0 && isColoured(shot.at(x, zeroY - 1 - up))) ++up;
        while (zeroY + 1 + down < shot.height && isColoured(shot.at(x, zeroY + 1 + down))) ++down;
        return up > 0 ? up : -down;
    };
    std::vector<Bar> bars;
    for (int x = 0; x < shot.width; ++x) {
        if (lengthAt(x) == 0) continue;
        int first = x;
        while (x + 1 < shot.width && lengthAt(x + 1) != 0) ++x;
        bars.push_back(Bar{(first + x) / 2, lengthAt((first + x) / 2)});
    }
    return bars;
}

TEST_F(Examples, BarChartDrawsEveryNumberInProportionAndLabelsIt) {
    const std::vector<double> numbers{3, -1.5, 4, 1, 5, 9, -2, 6};
    std::string input;
    for (double n : numbers) input += std::to_string(n) + "\n";
    start(EXAMPLES / "brindlewood_bar_chart", input);
    ShownWindow window("Bar chart");
    int zeroY = 0;
    std::optional<Picture> shot = window.waitUntilShows(
        "8 bars", [&](const Picture& picture) { return barsOf(picture, zeroY).size() == numbers.size(); });
    ASSERT_TRUE(shot);

    std::vector<Bar> bars = barsOf(*shot, zeroY);
    const int nine = bars[5].length;  // the longest bar, the measure of the others
    EXPECT_GT(nine, window.place.height / 2);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        EXPECT_NEAR(bars[i].length, numbers[i] / 9 * nine, 1.5) << "bar " << i;
        // The label stands beyond the bar's end: some dark text within 20 pixels of it.
        const int end = zeroY - bars[i].length, step = bars[i].length > 0 ? -1 : 1;
        bool labelled = false;
        for (int y = end + step; y != end + 20 * step && y > 0 && y < shot->height; y += step)
            for (int x = bars[i].middle - 25; x <= bars[i].middle + 25; ++x) labelled = labelled || isDark(shot->at(x, y));
        EXPECT_TRUE(labelled) << "bar " << i << " has no label";
    }
    quitWith(window, "Escape");
}

TEST_F(Examples, BarChartWithoutNumbersSaysSoAndOpensNoWindow) {
    start(EXAMPLES / "brindlewood_bar_chart", "");
    EXPECT_EQ(program->exitStatus(), 1);
    EXPECT_EQ(program->output(), "bar_chart: no numbers on standard input\n");
}

TEST_F(Examples, ReadmeFirstProgramEndsOnAClickNotOnAMove) {
    start(FIRST_PROGRAM);
    ShownWindow window("Hello");
    ASSERT_TRUE(window.waitUntilShows("a red circle", [](const Picture& shot) { return shot.at(320, 240) == Color::RED; }));
    window.input.moveTo(100, 100);
    window.input.moveTo(320, 240);
    EXPECT_TRUE(program->stillRunning()) << "moving the pointer in ended the program";
    window.input.click(1);
    expectCleanEnd();
}

}  // namespace
