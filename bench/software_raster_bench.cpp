// software_raster_bench: the software rasterizer alone (no queue, no window, no display) on the
// benchmark's own scenes, 700x500: shapes a second of the drawing thread's processor time, median
// of the rounds, with the machine's load.
// A program to run by hand, not a test (see README.md).
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Scenes.h"
#include "geometry/EllipseRaster.h"
#include "geometry/PolygonRaster.h"
#include "renderer/software/Rasterizer.h"

using namespace software;

namespace {

// The drawing thread's own processor time: what other work on a busy machine does not inflate.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

Paint paintOf(const Style& style) {
    const Color& c = style.getColor();
    return {pixelOf(c.getRed(), c.getGreen(), c.getBlue()), c.getAlpha(), c.getAlpha() < 255, LogicOp::COPY};
}

// Fills a shape's runs of pixels, each a rectangle one row high: the rasterizer needs no
// gathering of runs into taller rectangles, which only saves GL calls.
template <typename Shape>
void fillRuns(Rasterizer& raster, const Shape& shape, const PixelArea& area, const Paint& paint) {
    forEachRun(shape, area,
               [&](const PixelRun& run) { raster.fillRectangle(run.first, run.row, run.last + 1, run.row + 1, paint); });
}

// The corners of randomPolygonScene's polygons: simple, nearly half of them concave.
std::vector<std::vector<PolygonPoint>> cornersOf(const Scene& scene) {
    std::vector<std::vector<PolygonPoint>> polygons;
    for (const Shape& s : scene.shapes) {
        polygons.emplace_back();
        for (std::size_t k = 0; k < s.xs.size(); ++k) polygons.back().push_back({s.xs[k], s.ys[k]});
    }
    return polygons;
}

// A shape's points and paint, taken out of the scene before timing so that only drawing is timed.
struct Drawn {
    float x1, y1, x2, y2;
    Paint paint;
};

std::vector<Drawn> drawnOf(const Scene& scene) {
    std::vector<Drawn> drawn;
    for (const Shape& s : scene.shapes) drawn.push_back({float(s.x1), float(s.y1), float(s.x2), float(s.y2), paintOf(s.style)});
    return drawn;
}

struct Workload {
    std::string name;
    int shapes;
    std::function<void(Rasterizer&, const VertexTransform&)> draw;
};

double medianSeconds(const Workload& workload, int rounds) {
    std::vector<double> times;
    Picture picture(WIDTH, HEIGHT, 0xFFFFFF);
    VertexTransform transform;
    transform.reshape(WIDTH, HEIGHT);
    Rasterizer raster(picture, transform);
    for (int round = 0; round <= rounds; ++round) {
        const double start = threadSeconds();
        workload.draw(raster, transform);
        const double seconds = threadSeconds() - start;
        if (round > 0) times.push_back(seconds);  // the first warms the caches
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string loadAverage() {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3) return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 9;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--rounds")) rounds = std::max(1, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--only")) only = argv[i + 1];
    }
    const PixelArea area{0, 0, WIDTH, HEIGHT};
    const std::vector<Drawn> lines = drawnOf(lineScene(20000)), circles = drawnOf(circleScene(20000)),
                             pixels = drawnOf(pixelScene(20000)), plot = drawnOf(plotScene());
    const std::vector<std::vector<PolygonPoint>> polygons = cornersOf(randomPolygonScene(20000));
    const std::vector<Workload> workloads = {
        {"line ~300 px", 20000,
         [&](Rasterizer& raster, const VertexTransform& transform) {
             for (const Drawn& d : lines)
                 raster.drawLine(transform.toClip(d.x1, d.y1), transform.toClip(d.x2, d.y2), LineStyle(), true, d.paint);
         }},
        {"filled circle r 4", 20000,
         [&](Rasterizer& raster, const VertexTransform&) {
             for (const Drawn& d : circles)
                 fillRuns(raster, AxisEllipse{std::int64_t(d.x1), std::int64_t(d.y1), CIRCLE_RADIUS, CIRCLE_RADIUS}, area,
                          d.paint);
         }},
        {"random 6-corner polygon", 20000,
         [&](Rasterizer& raster, const VertexTransform&) {
             for (std::size_t i = 0; i < polygons.size(); ++i)
                 fillRuns(raster, polygons[i], area, paintOf(paletteStyle(int(i))));
         }},
        {"pixel", 20000,
         [&](Rasterizer& raster, const VertexTransform&) {
             for (const Drawn& d : pixels) raster.plotPixel(std::int64_t(d.x1), std::int64_t(d.y1), d.paint);
         }},
        {"pixel, at float coordinates through the vertex path", 20000,
         [&](Rasterizer& raster, const VertexTransform& transform) {
             for (const Drawn& d : pixels) raster.drawPoint(transform.toClip(d.x1, d.y1), d.paint);
         }},
        {"full-window frame of pixels", 1,
         [&](Rasterizer& raster, const VertexTransform&) {
             for (const Drawn& d : plot) raster.plotPixel(std::int64_t(d.x1), std::int64_t(d.y1), d.paint);
         }},
    };
    std::printf("software rasterizer alone, 700x500, thread processor time, median of %d rounds; load average before: %s\n\n", rounds,
                loadAverage().c_str());
    std::printf("| workload | per second | per shape |\n|---|---|---|\n");
    for (const Workload& w : workloads) {
        if (!only.empty() && w.name.find(only) == std::string::npos) continue;
        const double seconds = medianSeconds(w, rounds);
        if (w.shapes == 1)
            std::printf("| %s | %.0f frames | %.2f ms |\n", w.name.c_str(), 1 / seconds, seconds * 1e3);
        else
            std::printf("| %s | %.0fk | %.0f ns |\n", w.name.c_str(), w.shapes / seconds / 1e3, seconds / w.shapes * 1e9);
    }
    std::printf("\nload average after: %s\n", loadAverage().c_str());
}
