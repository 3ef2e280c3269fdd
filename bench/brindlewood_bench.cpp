// brindlewood_bench: what users draw, timed through Window with automatic page flipping off and
// on, against the same shapes drawn by a one-thread OpenGL loop and as one vertex array in a child
// process, and by the rival libraries in children of their own, all in one sitting. Prints
// Markdown tables ready to paste into README.md. Run it on a display (see README.md):
//
//     brindlewood_bench [--rounds N] [--only NAME] [--cpu]
//
// Each figure is a median over N rounds (default 7) after one warm-up round. A round times every
// path of a workload back to back, so a change in the machine's load touches all paths alike;
// the ratios in brackets are the lowest and highest of the rounds. --only keeps the workloads
// whose name contains NAME, and skips the full-window plot, the big polygons and the animation
// unless NAME is in their names. --cpu adds the rivals' table in processor time.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Brindlewood.h"
#include "DirectGL.h"
#include "Scenes.h"
#include "TextAndPictures.h"
#include "Yardstick.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PLOT_ROUNDS = 3;
constexpr int BIG_POLYGON_ROUNDS = 3;
constexpr int ROUND_TRIPS_PER_ROUND = 300;
// drawPixel calls a burst, far below the queue's bound, and bursts timed.
constexpr int PRODUCER_BURST = 2000;
constexpr int PRODUCER_BURSTS = 100;
constexpr int FRAMES_PER_SECOND = 60;
constexpr int CALLS_PER_FRAME = 300;
constexpr auto ANIMATION_TIME = std::chrono::seconds(5);
const std::string ANIMATION = "animation";
constexpr int TEXTS = 5000;
constexpr int SPRITES = 10000;
constexpr int PICTURE_FRAMES = 200;  // a round of 20 was decided by one late swap
const std::string DISCS = "bouncing discs";

enum Path { DIRECT, VERTEX_ARRAY, SDL2_SOFTWARE, SFML, AUTOFLIP_OFF, AUTOFLIP_ON, PATH_COUNT };
const char* const PATH_TITLES[PATH_COUNT] = {"direct GL",          "vertex array",         "SDL2 software, SDL2_gfx",
                                             "SFML, one VertexArray", "Window, autoflip off", "Window, autoflip on"};
// What a user of each library would write instead of Window.
const std::vector<Path> RIVALS = {DIRECT, SDL2_SOFTWARE, SFML};
bool throughWindow(Path path) { return path == AUTOFLIP_OFF || path == AUTOFLIP_ON; }

// The rivals' programs, built beside this one when their libraries were found.
struct RivalProgram {
    Path path;
    const char* name;
};
const RivalProgram RIVAL_PROGRAMS[] = {{SDL2_SOFTWARE, "rival_sdl2"}, {SFML, "rival_sfml"}};

// One timed drawing, with the processor time it took and the context switches of this process's
// threads meanwhile.
struct Timing {
    double seconds = 0;
    // The path's own processor time: a child's, all its threads; for Window this whole process's
    // (the program's thread, the renderer and the GL driver's threads), as a child's covers the same.
    double cpuSeconds = 0;
    double rendererCpuSeconds = 0;  // Window: the renderer's thread alone
    long voluntarySwitches = 0;
    long involuntarySwitches = 0;
};

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

double ticksToSeconds(double ticks) { return ticks / static_cast<double>(sysconf(_SC_CLK_TCK)); }

// CPU seconds the whole machine has spent busy, all cores together.
double machineBusySeconds() {
    std::ifstream file("/proc/stat");
    std::string cpu;
    double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
    file >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
    return ticksToSeconds(user + nice + system + irq + softirq + steal);
}

// CPU seconds one process has spent, all its threads together.
double processCpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(file, line);
    // After the name in brackets: the state is field 3, user and system time fields 14 and 15.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double user = 0, system = 0;
    for (int i = 3; i < 14; ++i) fields >> field;
    fields >> user >> system;
    return ticksToSeconds(user + system);
}

double clockSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// The renderer's thread, by the name it gives itself; 0 if no thread of this process has it.
pid_t rendererThread() {
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name == "brindlewood") return static_cast<pid_t>(std::stol(task.path().filename().string()));
    }
    return 0;
}

// The processor-time clock of a thread of this process, made from its id as Linux's
// pthread_getcpuclockid makes it (a per-thread clock of the scheduler's time).
clockid_t threadCpuClock(pid_t thread) { return static_cast<clockid_t>(~static_cast<unsigned>(thread) << 3 | 6u); }

// How many cores other work (other programs, the X server) kept busy while the benchmark ran: the
// load average lags by a minute, this does not.
class OtherLoad {
public:
    explicit OtherLoad(std::vector<pid_t> children) : children(std::move(children)) {}
    double coresSinceStart() const {
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        return (machineBusySeconds() - busyAtStart - (ours() - oursAtStart)) / wall;
    }

private:
    double ours() const {
        double seconds = processCpuSeconds(getpid());
        for (pid_t child : children) seconds += processCpuSeconds(child);
        return seconds;
    }

    std::vector<pid_t> children;
    Clock::time_point start = Clock::now();
    double busyAtStart = machineBusySeconds();
    double oursAtStart = ours();
};

// 1234567 as "1,234,567".
std::string grouped(double value) {
    std::string digits = std::to_string(static_cast<long long>(value + 0.5));
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string format(const char* pattern, double value) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

[[noreturn]] void fail(const char* message) {
    std::fprintf(stderr, "brindlewood_bench: %s\n", message);
    std::exit(1);
}

void drawShape(Window& window, const Shape& s) {
    switch (s.kind) {
        case Kind::PIXEL: window.drawPixel(s.style, s.x1, s.y1); break;
        case Kind::LINE: window.drawLine(s.style, s.x1, s.y1, s.x2, s.y2); break;
        case Kind::CIRCLE: window.drawCircleFilled(s.style, s.x1, s.y1, CIRCLE_RADIUS); break;
        case Kind::POLYGON: window.drawPolygonFilled(s.style, s.xs, s.ys); break;
        default: drawThroughWindow(window, s); break;
    }
}

// From the first call until the renderer has drawn the last: a readPixel answers only after
// every command queued before it has been executed.
Timing timeThroughWindow(Window& window, const Scene& scene, bool flip, clockid_t rendererClock) {
    window.readPixel(0, 0);  // nothing earlier is still queued
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    const double cpuStart = clockSeconds(CLOCK_PROCESS_CPUTIME_ID), rendererStart = clockSeconds(rendererClock);
    const Clock::time_point start = Clock::now();
    for (const Shape& shape : scene.shapes) drawShape(window, shape);
    if (flip) window.flipPage();
    window.readPixel(0, 0);
    Timing timing;
    timing.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    timing.cpuSeconds = clockSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
    timing.rendererCpuSeconds = clockSeconds(rendererClock) - rendererStart;
    getrusage(RUSAGE_SELF, &after);
    timing.voluntarySwitches = after.ru_nvcsw - before.ru_nvcsw;
    timing.involuntarySwitches = after.ru_nivcsw - before.ru_nivcsw;
    return timing;
}

// Whether the scene's last shape, drawn over everything before it, shows in its colour: proof that
// the timed calls really drew. A line is looked for around its middle, where it passes.
bool lastShapeShows(Window& window, const Scene& scene) {
    const Shape& last = scene.shapes.back();
    if (isTextOrPictures(scene)) return showsThroughWindow(window, last);
    int x = last.x1, y = last.y1;
    if (last.kind == Kind::LINE) {
        x = (last.x1 + last.x2) / 2;
        y = (last.y1 + last.y2) / 2;
    }
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (window.readPixel(x + dx, y + dy) == last.style.getColor()) return true;
    return false;
}

// Every timed run of one scene, by path.
struct Measurement {
    int sceneIndex;
    const Scene* scene;
    std::array<std::vector<Timing>, PATH_COUNT> runs;

    bool measured(Path path) const { return !runs[path].empty(); }
    // The median of the runs' wall-clock seconds, or of another of their times.
    double medianSeconds(Path path, double Timing::*time = &Timing::seconds) const {
        std::vector<double> values;
        for (const Timing& t : runs[path]) values.push_back(t.*time);
        return median(values);
    }
    double callsPerSecond(Path path, double Timing::*time = &Timing::seconds) const {
        return scene->shapes.size() / medianSeconds(path, time);
    }
    // Switches per 1,000 calls, the median of the runs.
    double switchesPerThousand(Path path, long Timing::*switches) const {
        std::vector<double> values;
        for (const Timing& t : runs[path]) values.push_back(1000.0 * (t.*switches) / scene->shapes.size());
        return median(values);
    }
    // How many times faster `faster` draws than `slower`: the ratio of the medians, then the lowest
    // and highest of the rounds, each round's paths having run back to back.
    std::string speedRatio(Path faster, Path slower) const { return speedRatio(faster, {slower}, &Timing::seconds); }
    // The same against the fastest of the given paths that were measured: its median, and in each
    // round the fastest of that round.
    std::string speedRatio(Path faster, const std::vector<Path>& others, double Timing::*time) const {
        const std::vector<Path> rivals = measuredOf(others);
        if (rivals.empty() || !measured(faster)) return "";
        std::vector<double> perRound;
        for (std::size_t r = 0; r < runs[faster].size(); ++r) {
            double best = runs[rivals[0]][r].*time;
            for (Path rival : rivals) best = std::min(best, runs[rival][r].*time);
            perRound.push_back(best / (runs[faster][r].*time));
        }
        const auto [low, high] = std::minmax_element(perRound.begin(), perRound.end());
        return format("%.2f", medianSeconds(fastest(rivals, time), time) / medianSeconds(faster, time)) +
               format(" (%.2f", *low) + format("-%.2f)", *high);
    }
    // The path of the lowest median time among those given that were measured.
    Path fastest(const std::vector<Path>& paths, double Timing::*time) const {
        const std::vector<Path> candidates = measuredOf(paths);
        return *std::min_element(candidates.begin(), candidates.end(),
                                 [&](Path a, Path b) { return medianSeconds(a, time) < medianSeconds(b, time); });
    }
    std::vector<Path> measuredOf(const std::vector<Path>& paths) const {
        std::vector<Path> kept;
        for (Path path : paths)
            if (measured(path)) kept.push_back(path);
        return kept;
    }
};

class Bench {
public:
    // The children draw the paths that are not Window's; a path whose child is missing is skipped.
    Bench(const std::array<Yardstick*, PATH_COUNT>& children, Window& window, pid_t renderer)
        : children(children), window(window), rendererClock(threadCpuClock(renderer)) {}

    // Times the scene once along each path given, in reverse order every other round so that no
    // path always comes first; round 0 warms up and is not kept.
    void runRound(Measurement& m, std::vector<Path> paths, bool flip, int round) {
        if (round % 2) std::reverse(paths.begin(), paths.end());
        for (Path path : paths) {
            if (!throughWindow(path) && !children[path]) continue;
            const Timing timing = timeOnce(m, path, flip);
            if (round > 0) m.runs[path].push_back(timing);
            if (throughWindow(path) && !lastShapeShows(window, *m.scene))
                fail(("the last shape of \"" + m.scene->name + "\" does not show through Window").c_str());
        }
    }

    // Median and per-round medians of readPixel round trips, in microseconds.
    void sampleRoundTrips() {
        std::vector<double> micros;
        for (int i = 0; i < ROUND_TRIPS_PER_ROUND; ++i) {
            const Clock::time_point start = Clock::now();
            window.readPixel(i % WIDTH, i % HEIGHT);
            micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        roundTripMedians.push_back(median(micros));
        roundTrips.insert(roundTrips.end(), micros.begin(), micros.end());
    }

    // What one drawPixel call costs the program's thread while the queue has room: bursts of calls
    // in the plot's colours, each once the renderer has caught up; nanoseconds a call, per burst.
    void sampleProducerCost(const Scene& plot) {
        for (int burst = 0; burst < PRODUCER_BURSTS; ++burst) {
            window.readPixel(0, 0);  // nothing earlier is still queued
            const Clock::time_point start = Clock::now();
            const std::size_t first = static_cast<std::size_t>(burst) * PRODUCER_BURST;
            for (std::size_t i = first; i < first + PRODUCER_BURST; ++i) {
                const Shape& s = plot.shapes[i % plot.shapes.size()];
                window.drawPixel(s.style, s.x1, s.y1);
            }
            producerNanos.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count() /
                                    PRODUCER_BURST);
        }
    }

    std::vector<double> roundTrips;
    std::vector<double> roundTripMedians;
    std::vector<double> producerNanos;

private:
    Timing timeOnce(const Measurement& m, Path path, bool flip) {
        if (throughWindow(path)) {
            if (path == AUTOFLIP_OFF)
                window.disableAutoPageFlip();
            else
                window.enableAutoPageFlip();
            return timeThroughWindow(window, *m.scene, flip, rendererClock);
        }
        // The rivals' programs draw one way each; the direct GL child two.
        const Drawing drawing =
            children[path]->draw(m.sceneIndex, path == VERTEX_ARRAY ? DirectGL::VERTEX_ARRAY : DirectGL::IMMEDIATE, flip);
        if (drawing.seconds < 0) fail(("the " + std::string(PATH_TITLES[path]) + " process has failed").c_str());
        Timing timing;
        timing.seconds = drawing.seconds;
        timing.cpuSeconds = drawing.cpuSeconds;
        return timing;
    }

    std::array<Yardstick*, PATH_COUNT> children;
    Window& window;
    clockid_t rendererClock;
};

// One big polygon through Window, autoflip off, drawn over a cleared window: seconds from the call
// until the renderer has drawn it. Stops with an error if its probe pixel does not show.
double secondsToDraw(Window& window, const BigPolygon& polygon) {
    window.disableAutoPageFlip();
    window.drawRectangleFilled(Style::WHITE, 0, 0, WIDTH, HEIGHT);
    window.readPixel(0, 0);  // nothing earlier is still queued
    const Clock::time_point start = Clock::now();
    if (polygon.filled)
        window.drawPolygonFilled(Style::BLACK, polygon.xs, polygon.ys);
    else
        window.drawPolygonOutline(Style::BLACK, polygon.xs, polygon.ys);
    window.readPixel(0, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (polygon.probeX >= 0 && window.readPixel(polygon.probeX, polygon.probeY) != Color::BLACK)
        fail(("\"" + polygon.name + "\" does not show through Window").c_str());
    return seconds;
}

void printBigPolygonTable(const std::vector<BigPolygon>& polygons, const std::vector<std::vector<double>>& seconds) {
    std::printf("| big polygon, one call | Window, autoflip off, median of %d | slowest |\n|---|---|---|\n",
                BIG_POLYGON_ROUNDS);
    for (std::size_t i = 0; i < polygons.size(); ++i)
        std::printf("| %s | %s | %s |\n", polygons[i].name.c_str(), format("%.3f s", median(seconds[i])).c_str(),
                    format("%.3f s", *std::max_element(seconds[i].begin(), seconds[i].end())).c_str());
}

// An animation loop as a program writes one, for a few seconds: a few hundred calls (the editor's
// shapes in turn), then waitForNextFrame. How many frames a second it got, and its longest frame.
FrameRate animate(Window& window, const Scene& scene) {
    window.readPixel(0, 0);  // nothing earlier is still queued
    std::size_t next = 0;
    int frames = 0;
    std::chrono::duration<double> longest{0};
    const Clock::time_point start = Clock::now();
    Clock::time_point frameStart = start, now = start;
    while (now - start < ANIMATION_TIME) {
        for (int i = 0; i < CALLS_PER_FRAME; ++i, next = (next + 1) % scene.shapes.size())
            drawShape(window, scene.shapes[next]);
        window.waitForNextFrame(FRAMES_PER_SECOND);
        now = Clock::now();
        longest = std::max(longest, std::chrono::duration<double>(now - frameStart));
        frameStart = now;
        ++frames;
    }
    return {frames / std::chrono::duration<double>(now - start).count(), 1000 * longest.count()};
}

void waitUntilCleared(Window& window) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (window.readPixel(0, 0) != Color::WHITE && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool selected(const std::string& name, const char* only) { return !only || name.find(only) != std::string::npos; }

void printCallsTable(const std::vector<Measurement>& measurements) {
    std::printf("| workload | calls | direct GL | vertex array | Window, autoflip off | Window, autoflip on "
                "| off / direct | on / off | direct / array |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const Measurement& m : measurements) {
        std::printf("| %s | %s | %s/s | %s/s | %s/s | %s/s | %s | %s | %s |\n", m.scene->name.c_str(),
                    grouped(m.scene->shapes.size()).c_str(), grouped(m.callsPerSecond(DIRECT)).c_str(),
                    grouped(m.callsPerSecond(VERTEX_ARRAY)).c_str(), grouped(m.callsPerSecond(AUTOFLIP_OFF)).c_str(),
                    grouped(m.callsPerSecond(AUTOFLIP_ON)).c_str(), m.speedRatio(AUTOFLIP_OFF, DIRECT).c_str(),
                    m.speedRatio(AUTOFLIP_ON, AUTOFLIP_OFF).c_str(), m.speedRatio(DIRECT, VERTEX_ARRAY).c_str());
    }
}

std::string milliseconds(const Measurement& m, Path path) { return format("%.1f ms", 1000 * m.medianSeconds(path)); }

void printTimesTable(const Measurement* plot, const Measurement* model, const Bench& bench) {
    std::printf("| measurement | Window | direct GL | vertex array |\n|---|---|---|---|\n");
    if (plot)
        std::printf("| full-window plot, %s `drawPixel` calls, autoflip off, then a flip | %s | %s | %s |\n",
                    grouped(plot->scene->shapes.size()).c_str(), milliseconds(*plot, AUTOFLIP_OFF).c_str(),
                    milliseconds(*plot, DIRECT).c_str(), milliseconds(*plot, VERTEX_ARRAY).c_str());
    if (model) {
        const std::string calls = grouped(model->scene->shapes.size());
        std::printf("| editor redraw, %s calls, autoflip on (as the editor runs) | %s | %s | %s |\n", calls.c_str(),
                    milliseconds(*model, AUTOFLIP_ON).c_str(), milliseconds(*model, DIRECT).c_str(),
                    milliseconds(*model, VERTEX_ARRAY).c_str());
        std::printf("| editor redraw, %s calls, autoflip off | %s | | |\n", calls.c_str(),
                    milliseconds(*model, AUTOFLIP_OFF).c_str());
    }
    if (!bench.producerNanos.empty()) {
        const auto [low, high] = std::minmax_element(bench.producerNanos.begin(), bench.producerNanos.end());
        std::printf("| `drawPixel` on the program's thread, queue with room, median of %zu bursts of %d (%.0f-%.0f ns) "
                    "| %.0f ns a call | | |\n",
                    bench.producerNanos.size(), PRODUCER_BURST, *low, *high, median(bench.producerNanos));
    }
    const auto [low, high] = std::minmax_element(bench.roundTripMedians.begin(), bench.roundTripMedians.end());
    std::printf("| `readPixel` round trip, median of %zu (rounds %.0f-%.0f us) | %.0f us | | |\n", bench.roundTrips.size(),
                *low, *high, median(bench.roundTrips));
}

void printSwitchesTable(const std::vector<const Measurement*>& measurements) {
    std::printf("| context switches per 1,000 calls | autoflip off, voluntary | involuntary "
                "| autoflip on, voluntary | involuntary |\n|---|---|---|---|---|\n");
    for (const Measurement* m : measurements) {
        std::printf("| %s | %.0f | %.0f", m->scene->name.c_str(),
                    m->switchesPerThousand(AUTOFLIP_OFF, &Timing::voluntarySwitches),
                    m->switchesPerThousand(AUTOFLIP_OFF, &Timing::involuntarySwitches));
        if (m->runs[AUTOFLIP_ON].empty())
            std::printf(" | | |\n");
        else
            std::printf(" | %.0f | %.0f |\n", m->switchesPerThousand(AUTOFLIP_ON, &Timing::voluntarySwitches),
                        m->switchesPerThousand(AUTOFLIP_ON, &Timing::involuntarySwitches));
    }
}

// A path's median as calls a second, or in milliseconds for a whole frame.
std::string figure(const Measurement& m, Path path, double Timing::*time) {
    if (m.scene->wholeFrame) return format("%.2f ms", 1000 * m.medianSeconds(path, time));
    return grouped(m.callsPerSecond(path, time)) + "/s";
}

// Window with autoflip off and on against each rival, by wall-clock time or by processor time (with
// the renderer's thread alone in brackets); a rival not measured shows why.
void printRivalsTable(const std::vector<const Measurement*>& measurements, const std::array<std::string, PATH_COUNT>& whyNot,
                      bool processorTime) {
    double Timing::*const time = processorTime ? &Timing::cpuSeconds : &Timing::seconds;
    const char* windowSuffix = processorTime ? ", processor (renderer's thread)" : "";
    std::printf("| workload | calls | %s%s | %s%s", PATH_TITLES[AUTOFLIP_OFF], windowSuffix, PATH_TITLES[AUTOFLIP_ON],
                windowSuffix);
    for (Path rival : RIVALS) std::printf(" | %s", PATH_TITLES[rival]);
    std::printf(" | best rival | off / best rival | on / best rival |\n|---|---|---|---");
    for (std::size_t i = 0; i < RIVALS.size(); ++i) std::printf("|---");
    std::printf("|---|---|---|\n");
    for (const Measurement* m : measurements) {
        std::printf("| %s | %s", m->scene->name.c_str(), grouped(m->scene->shapes.size()).c_str());
        for (Path path : {AUTOFLIP_OFF, AUTOFLIP_ON}) {
            std::printf(" | %s", figure(*m, path, time).c_str());
            if (processorTime) std::printf(" (%s)", figure(*m, path, &Timing::rendererCpuSeconds).c_str());
        }
        for (Path rival : RIVALS)
            std::printf(" | %s", m->measured(rival) ? figure(*m, rival, time).c_str() : whyNot[rival].c_str());
        std::printf(" | %s | %s | %s |\n", PATH_TITLES[m->fastest(RIVALS, time)],
                    m->speedRatio(AUTOFLIP_OFF, RIVALS, time).c_str(), m->speedRatio(AUTOFLIP_ON, RIVALS, time).c_str());
    }
}

void printTextAndPicturesTable(const std::vector<Measurement>& measurements) {
    std::printf("| workload | calls | direct | Window, autoflip off | Window, autoflip on | off / direct | on / off |\n"
                "|---|---|---|---|---|---|---|\n");
    for (const Measurement& m : measurements)
        std::printf("| %s | %s | %s/s | %s/s | %s/s | %s | %s |\n", m.scene->name.c_str(),
                    grouped(m.scene->shapes.size()).c_str(), grouped(m.callsPerSecond(DIRECT)).c_str(),
                    grouped(m.callsPerSecond(AUTOFLIP_OFF)).c_str(), grouped(m.callsPerSecond(AUTOFLIP_ON)).c_str(),
                    m.speedRatio(AUTOFLIP_OFF, DIRECT).c_str(), m.speedRatio(AUTOFLIP_ON, AUTOFLIP_OFF).c_str());
}

void printDiscRates(const FrameRate& autoflipOff, const FrameRate& autoflipOn) {
    std::printf("| %s, `clear` and `waitForNextFrame(60)`, %lld s | frames per second | longest frame |\n"
                "|---|---|---|\n",
                DISCS.c_str(), static_cast<long long>(ANIMATION_TIME.count()));
    std::printf("| autoflip off | %.1f | %.1f ms |\n", autoflipOff.framesPerSecond, autoflipOff.longestFrameMs);
    std::printf("| autoflip on | %.1f | %.1f ms |\n", autoflipOn.framesPerSecond, autoflipOn.longestFrameMs);
}

void printFrameRates(const FrameRate& autoflipOff, const FrameRate& autoflipOn) {
    std::printf("| `waitForNextFrame(%d)`, %d calls a frame, %lld s | frames per second | longest frame |\n"
                "|---|---|---|\n",
                FRAMES_PER_SECOND, CALLS_PER_FRAME, static_cast<long long>(ANIMATION_TIME.count()));
    std::printf("| autoflip off | %.1f | %.1f ms |\n", autoflipOff.framesPerSecond, autoflipOff.longestFrameMs);
    std::printf("| autoflip on | %.1f | %.1f ms |\n", autoflipOn.framesPerSecond, autoflipOn.longestFrameMs);
}

}  // namespace

int main(int argc, char** argv) {
    const char* usage = "usage: brindlewood_bench [--rounds N] [--only NAME] [--cpu]";
    int rounds = 7;
    const char* only = nullptr;
    bool processorTime = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--cpu") == 0)
            processorTime = true;
        else if (i + 1 == argc)
            fail(usage);
        else if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--only") == 0)
            only = argv[++i];
        else
            fail(usage);
    }
    const std::string loadBefore = loadAverage();

    std::vector<Scene> scenes = shapeScenes(PRIMITIVES);
    const int plotIndex = static_cast<int>(scenes.size()) - 1;
    const int modelIndex = plotIndex - 1;
    const int firstTextOrPictures = static_cast<int>(scenes.size());
    scenes.push_back(textScene(Kind::BUILTIN_TEXT, TEXTS));
    scenes.push_back(textScene(Kind::TRUETYPE_TEXT, TEXTS));
    scenes.push_back(spriteScene(SPRITES));
    scenes.push_back(pictureScene(PICTURE_FRAMES));
    // Every child forked before the library starts its renderer thread.
    Yardstick direct([&scenes](int requests, int replies) { DirectGL::serve(scenes, requests, replies); });
    if (!direct.isReady()) fail("the direct OpenGL process could not start (is DISPLAY set?)");
    std::array<Yardstick*, PATH_COUNT> children{};
    children[DIRECT] = children[VERTEX_ARRAY] = &direct;
    std::array<std::string, PATH_COUNT> whyNot;
    std::vector<std::unique_ptr<Yardstick>> rivals;
    std::vector<pid_t> childProcesses{direct.processId()};
    const std::filesystem::path programs = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    for (const RivalProgram& rival : RIVAL_PROGRAMS) {
        const std::string program = (programs / rival.name).string();
        if (access(program.c_str(), X_OK) != 0) {
            whyNot[rival.path] = "not built";
            continue;
        }
        rivals.push_back(std::make_unique<Yardstick>(
            [&program](int requests, int replies) { runYardstickProgram(program, requests, replies); }));
        if (!rivals.back()->isReady()) {
            whyNot[rival.path] = "did not start";
            continue;
        }
        children[rival.path] = rivals.back().get();
        childProcesses.push_back(rivals.back()->processId());
    }

    Window window(0, 0, WIDTH, HEIGHT, "brindlewood_bench");
    waitUntilCleared(window);
    const pid_t renderer = rendererThread();
    if (!renderer) fail("no thread of this process is named \"brindlewood\" as the renderer's is");
    Bench bench(children, window, renderer);
    const OtherLoad otherLoad(childProcesses);

    std::vector<Measurement> workloads;
    for (int i = 0; i < plotIndex; ++i)
        if (selected(scenes[i].name, only)) workloads.push_back({i, &scenes[i], {}});
    for (int round = 0; round <= rounds; ++round) {
        for (Measurement& m : workloads)
            bench.runRound(m, {DIRECT, VERTEX_ARRAY, SDL2_SOFTWARE, SFML, AUTOFLIP_OFF, AUTOFLIP_ON}, false, round);
        if (round > 0) bench.sampleRoundTrips();
    }
    // Text and pictures have no vertex array.
    std::vector<Measurement> textAndPictures;
    for (int i = firstTextOrPictures; i < static_cast<int>(scenes.size()); ++i)
        if (selected(scenes[i].name, only)) textAndPictures.push_back({i, &scenes[i], {}});
    for (int round = 0; round <= rounds; ++round)
        for (Measurement& m : textAndPictures) bench.runRound(m, {DIRECT, AUTOFLIP_OFF, AUTOFLIP_ON}, false, round);
    // The plot after the workloads, which have warmed every path up.
    Measurement plot{plotIndex, &scenes[plotIndex], {}};
    const bool plotSelected = selected(scenes[plotIndex].name, only);
    for (int round = 1; plotSelected && round <= PLOT_ROUNDS; ++round)
        bench.runRound(plot, {DIRECT, VERTEX_ARRAY, SDL2_SOFTWARE, SFML, AUTOFLIP_OFF, AUTOFLIP_ON}, true, round);
    if (plotSelected) bench.sampleProducerCost(scenes[plotIndex]);
    // Big polygons alone, one call each: no direct path, which would need a tessellator of its own.
    std::vector<BigPolygon> bigPolygons;
    for (const BigPolygon& polygon :
         {starPolygon(100000), randomPolygon(3000, false), randomPolygon(3000, true), randomPolygon(100000, true)})
        if (selected(polygon.name, only)) bigPolygons.push_back(polygon);
    std::vector<std::vector<double>> bigPolygonSeconds(bigPolygons.size());
    for (int round = 0; round < BIG_POLYGON_ROUNDS; ++round)
        for (std::size_t i = 0; i < bigPolygons.size(); ++i)
            bigPolygonSeconds[i].push_back(secondsToDraw(window, bigPolygons[i]));
    FrameRate autoflipOff, autoflipOn;
    const bool animationSelected = selected(ANIMATION, only);
    if (animationSelected) {
        window.disableAutoPageFlip();
        autoflipOff = animate(window, scenes[modelIndex]);
        window.enableAutoPageFlip();
        autoflipOn = animate(window, scenes[modelIndex]);
    }
    FrameRate discsOff, discsOn;
    const bool discsSelected = selected(DISCS, only);
    if (discsSelected) {
        window.disableAutoPageFlip();
        discsOff = bounceDiscs(window, static_cast<int>(ANIMATION_TIME.count()));
        window.enableAutoPageFlip();
        discsOn = bounceDiscs(window, static_cast<int>(ANIMATION_TIME.count()));
    }
    const double otherCores = std::max(0.0, otherLoad.coresSinceStart());  // ticks are coarse
    const std::string loadAfter = loadAverage();

    const char* platform = std::getenv("BRINDLEWOOD_PLATFORM");
    const char* backend = std::getenv("BRINDLEWOOD_RENDERER");
    const std::string backendAsked = backend && *backend ? "=" + std::string(backend) : " unset";
    std::printf("%s; Window on %s, BRINDLEWOOD_RENDERER%s; %dx%d window; median of %d rounds after a warm-up, the "
                "plot's of %d. Load average before: %s; after: %s; other work kept %.2f of %ld cores busy while this "
                "ran.\n\n",
                direct.description().c_str(), platform && *platform ? platform : "X", backendAsked.c_str(), WIDTH, HEIGHT, rounds, PLOT_ROUNDS, loadBefore.c_str(),
                loadAfter.c_str(), otherCores, sysconf(_SC_NPROCESSORS_ONLN));
    for (const RivalProgram& rival : RIVAL_PROGRAMS)
        std::printf("%s: %s.\n", PATH_TITLES[rival.path],
                    children[rival.path] ? children[rival.path]->description().c_str() : whyNot[rival.path].c_str());
    std::printf("\n");
    std::vector<const Measurement*> againstRivals;
    for (const Measurement& m : workloads) againstRivals.push_back(&m);
    if (plotSelected) againstRivals.push_back(&plot);
    printRivalsTable(againstRivals, whyNot, false);
    std::printf("\n");
    if (processorTime) {
        printRivalsTable(againstRivals, whyNot, true);
        std::printf("\n");
    }
    printCallsTable(workloads);
    std::printf("\n");
    const Measurement* model = nullptr;
    std::vector<const Measurement*> switched;
    for (const Measurement& m : workloads) {
        if (m.sceneIndex == modelIndex) model = &m;
        switched.push_back(&m);
    }
    if (plotSelected) switched.push_back(&plot);
    printTimesTable(plotSelected ? &plot : nullptr, model, bench);
    std::printf("\n");
    printSwitchesTable(switched);
    if (!bigPolygons.empty()) {
        std::printf("\n");
        printBigPolygonTable(bigPolygons, bigPolygonSeconds);
    }
    if (animationSelected) {
        std::printf("\n");
        printFrameRates(autoflipOff, autoflipOn);
    }
    if (!textAndPictures.empty()) {
        std::printf("\n");
        printTextAndPicturesTable(textAndPictures);
    }
    if (discsSelected) {
        std::printf("\n");
        printDiscRates(discsOff, discsOn);
    }
    return 0;
}
