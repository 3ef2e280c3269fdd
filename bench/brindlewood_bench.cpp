// brindlewood_bench: how many drawing commands per second a program gets through Window, with
// automatic page flipping on and off, against the same shapes drawn by a plain single-threaded
// OpenGL loop (the ceiling), and how long a readPixel round trip takes. Run it on a display:
//
//     brindlewood_bench [commands per measurement, default 20000]
//
// The ceiling runs in a child process with a toolkit of its own, because in this process the
// library's renderer thread owns the toolkit.
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "Brindlewood.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int WIDTH = 700;
constexpr int HEIGHT = 500;

struct Line {
    int x1, y1, x2, y2;
};
struct Circle {
    int x, y, r;
};
struct Polygon {
    std::vector<int> xs, ys;
};

// The same pseudo-random shapes for both paths.
struct Shapes {
    std::vector<Line> lines;
    std::vector<Circle> circles;
    std::vector<Polygon> polygons;

    explicit Shapes(int count) {
        std::mt19937 random(1);
        auto within = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        for (int i = 0; i < count; ++i) {
            lines.push_back({within(0, WIDTH - 1), within(0, HEIGHT - 1), within(0, WIDTH - 1), within(0, HEIGHT - 1)});
            circles.push_back({within(20, WIDTH - 21), within(20, HEIGHT - 21), within(2, 20)});
            // A star-shaped hexagon: simple, often concave, so the tessellator has work to do.
            Polygon polygon;
            const int cx = within(40, WIDTH - 41), cy = within(40, HEIGHT - 41);
            for (int k = 0; k < 6; ++k) {
                const double angle = k * 3.14159265358979 / 3;
                const int radius = within(10, 40);
                polygon.xs.push_back(cx + static_cast<int>(radius * std::cos(angle)));
                polygon.ys.push_back(cy + static_cast<int>(radius * std::sin(angle)));
            }
            polygons.push_back(polygon);
        }
    }
};

enum Primitive { LINES, CIRCLES, POLYGONS, PRIMITIVE_COUNT };
const char* const primitiveNames[PRIMITIVE_COUNT] = {"drawLine", "drawCircleFilled", "drawPolygonFilled"};

// The median of five timed runs, in commands per second: the machine may be busy with other work.
double commandsPerSecond(int count, const std::function<void()>& drawAllAndFinish) {
    std::array<double, 5> rates{};
    for (double& rate : rates) {
        const Clock::time_point start = Clock::now();
        drawAllAndFinish();
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        rate = count / elapsed.count();
    }
    std::sort(rates.begin(), rates.end());
    return rates[2];
}

// ---- The ceiling: the shapes drawn straight into a toolkit window, one thread, no queue. ----

void tessBegin(GLenum type) { glBegin(type); }
void tessVertex(void* vertex) { glVertex3dv(static_cast<GLdouble*>(vertex)); }
void tessEnd() { glEnd(); }

void drawDirectly(Primitive primitive, const Shapes& shapes) {
    glColor4ub(0, 0, 0, 255);
    switch (primitive) {
        case LINES:
            for (const Line& l : shapes.lines) {
                glBegin(GL_LINES);
                glVertex2i(l.x1, l.y1);
                glVertex2i(l.x2, l.y2);
                glEnd();
            }
            break;
        case CIRCLES:
            for (const Circle& c : shapes.circles) {
                GLUquadric* quadric = gluNewQuadric();
                glPushMatrix();
                glTranslatef(static_cast<GLfloat>(c.x), static_cast<GLfloat>(c.y), 0);
                gluDisk(quadric, 0.0, c.r, c.r, 1);
                glPopMatrix();
                gluDeleteQuadric(quadric);
            }
            break;
        default:
            for (const Polygon& p : shapes.polygons) {
                std::vector<std::array<GLdouble, 3>> records;
                for (std::size_t i = 0; i < p.xs.size(); ++i) records.push_back({double(p.xs[i]), double(p.ys[i]), 0.0});
                GLUtesselator* tessellator = gluNewTess();
                gluTessCallback(tessellator, GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(tessBegin));
                gluTessCallback(tessellator, GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(tessVertex));
                gluTessCallback(tessellator, GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(tessEnd));
                gluBeginPolygon(tessellator);
                for (auto& record : records) gluTessVertex(tessellator, record.data(), record.data());
                gluEndPolygon(tessellator);
                gluDeleteTess(tessellator);
            }
            break;
    }
    glFinish();
}

// Runs in the child: measures each primitive and writes the rates to the pipe.
void measureCeiling(int count, int pipeOut) {
    int argc = 1;
    char name[] = "brindlewood_bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
    glutInitWindowSize(WIDTH, HEIGHT);
    glutCreateWindow("brindlewood_bench ceiling");
    // The library's coordinate system: origin top-left, y down, integer coordinates on pixels.
    glViewport(0, 0, WIDTH, HEIGHT);
    glLoadIdentity();
    gluOrtho2D(0, WIDTH, 0, HEIGHT);
    glTranslatef(0, HEIGHT, 0);
    glScalef(1, -1, 1);
    glTranslatef(0.375f, 0.375f, 0);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const Shapes shapes(count);
    double rates[PRIMITIVE_COUNT];
    for (int p = 0; p < PRIMITIVE_COUNT; ++p)
        rates[p] = commandsPerSecond(count, [&] { drawDirectly(static_cast<Primitive>(p), shapes); });
    const ssize_t written = write(pipeOut, rates, sizeof rates);
    _exit(written == static_cast<ssize_t>(sizeof rates) ? 0 : 1);
}

bool ceilingRates(int count, double rates[PRIMITIVE_COUNT]) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        measureCeiling(count, fds[1]);
    }
    close(fds[1]);
    const ssize_t got = read(fds[0], rates, sizeof(double) * PRIMITIVE_COUNT);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got == static_cast<ssize_t>(sizeof(double) * PRIMITIVE_COUNT) && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// ---- The library: the same shapes through Window. ----

void drawThroughWindow(Window& window, Primitive primitive, const Shapes& shapes) {
    switch (primitive) {
        case LINES:
            for (const Line& l : shapes.lines) window.drawLine(Style::BLACK, l.x1, l.y1, l.x2, l.y2);
            break;
        case CIRCLES:
            for (const Circle& c : shapes.circles) window.drawCircleFilled(Style::BLACK, c.x, c.y, c.r);
            break;
        default:
            for (const Polygon& p : shapes.polygons) window.drawPolygonFilled(Style::BLACK, p.xs, p.ys);
            break;
    }
    window.readPixel(0, 0);  // a round trip: every command before it has been drawn
}

void waitUntilCleared(Window& window) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (window.readPixel(0, 0) != Color::WHITE && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Median and mean of many readPixel round trips, in microseconds.
std::array<double, 2> readPixelRoundTrip(Window& window, int samples) {
    std::vector<double> micros;
    for (int i = 0; i < samples; ++i) {
        const Clock::time_point start = Clock::now();
        window.readPixel(i % WIDTH, i % HEIGHT);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    double sum = 0;
    for (double m : micros) sum += m;
    std::nth_element(micros.begin(), micros.begin() + samples / 2, micros.end());
    return {micros[samples / 2], sum / samples};
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    double ceiling[PRIMITIVE_COUNT];
    if (!ceilingRates(count, ceiling)) {
        std::fprintf(stderr, "brindlewood_bench: the direct OpenGL loop failed (is DISPLAY set?)\n");
        return 1;
    }

    const Shapes shapes(count);
    Window window(WIDTH, HEIGHT, "brindlewood_bench");
    waitUntilCleared(window);
    double autoflipOn[PRIMITIVE_COUNT];
    double autoflipOff[PRIMITIVE_COUNT];
    for (int p = 0; p < PRIMITIVE_COUNT; ++p) {
        const Primitive primitive = static_cast<Primitive>(p);
        window.enableAutoPageFlip();
        autoflipOn[p] = commandsPerSecond(count, [&] { drawThroughWindow(window, primitive, shapes); });
        window.disableAutoPageFlip();
        autoflipOff[p] = commandsPerSecond(count, [&] { drawThroughWindow(window, primitive, shapes); });
    }
    const std::array<double, 2> roundTrip = readPixelRoundTrip(window, 2000);

    std::printf("%d commands per measurement, window %dx%d\n\n", count, WIDTH, HEIGHT);
    std::printf("%-18s %12s %12s %12s %9s %9s\n", "commands/s", "direct GL", "flip off", "flip on", "off/GL",
                "on/off");
    for (int p = 0; p < PRIMITIVE_COUNT; ++p) {
        std::printf("%-18s %12.0f %12.0f %12.0f %9.2f %9.2f\n", primitiveNames[p], ceiling[p], autoflipOff[p],
                    autoflipOn[p], autoflipOff[p] / ceiling[p], autoflipOn[p] / autoflipOff[p]);
    }
    std::printf("\nreadPixel round trip: median %.1f us, mean %.1f us\n", roundTrip[0], roundTrip[1]);
    return 0;
}
