// Scenes: the benchmark's workloads as plain shapes, each in a colour of its own.
#include "Scenes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int LINE_LENGTH = 300;
constexpr int HEXAGON_RADIUS = 12;
constexpr int POLYGON_CORNERS = 6;
constexpr int RANDOM_POLYGON_NEAREST = 10;
constexpr int RANDOM_POLYGON_FARTHEST = 30;
constexpr int MODEL_COLUMNS = 80;
constexpr int MODEL_ROWS = 50;
constexpr int MODEL_FACES = 4000;
constexpr int STAR_OUTER_RADIUS = 240;
constexpr int STAR_INNER_RADIUS = 120;

struct Point {
    int x, y;
};

class Random {
public:
    explicit Random(unsigned seed) : engine(seed) {}
    int within(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
    // A pixel of the window at least margin pixels from every edge.
    Point pointInside(int margin) { return {within(margin, WIDTH - 1 - margin), within(margin, HEIGHT - 1 - margin)}; }
    double angle() { return std::uniform_real_distribution<double>(0, 2 * PI)(engine); }
    template <typename T>
    void shuffle(std::vector<T>& items) { std::shuffle(items.begin(), items.end(), engine); }

private:
    std::mt19937 engine;
};

Shape point(Kind kind, int index, int x, int y) { return {kind, paletteStyle(index), x, y, 0, 0, {}, {}}; }

Shape line(int index, int x1, int y1, int x2, int y2) {
    return {Kind::LINE, paletteStyle(index), x1, y1, x2, y2, {}, {}};
}

// Where a polygon's corner lies from its centre.
struct Corner {
    double angle;
    int radius;
};

// Polygons of POLYGON_CORNERS about random centres at least margin pixels inside the window, corner k
// where place(random, k) says.
template <typename Place>
Scene polygonsAbout(const std::string& name, unsigned seed, int count, int margin, Place place) {
    Random random(seed);
    Scene scene{name, {}};
    for (int i = 0; i < count; ++i) {
        const Point centre = random.pointInside(margin);
        Shape polygon = point(Kind::POLYGON, i, centre.x, centre.y);
        for (int k = 0; k < POLYGON_CORNERS; ++k) {
            const Corner corner = place(random, k);
            polygon.xs.push_back(centre.x + static_cast<int>(std::lround(corner.radius * std::cos(corner.angle))));
            polygon.ys.push_back(centre.y + static_cast<int>(std::lround(corner.radius * std::sin(corner.angle))));
        }
        scene.shapes.push_back(polygon);
    }
    return scene;
}

// Shapes of one kind at random points at least margin pixels inside the window.
Scene scattered(const std::string& name, Kind kind, int margin, unsigned seed, int count) {
    Random random(seed);
    Scene scene{name, {}};
    for (int i = 0; i < count; ++i) {
        const Point p = random.pointInside(margin);
        scene.shapes.push_back(point(kind, i, p.x, p.y));
    }
    return scene;
}

// 100000 as "100,000".
std::string grouped(int value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

}  // namespace

Style paletteStyle(int index) {
    const int i = index % 1000;
    Style style = Style::BLACK;
    style.setColor(Color(20 * (i % 10) + 20, 20 * (i / 10 % 10) + 20, 20 * (i / 100) + 20));
    return style;
}

Scene pixelScene(int count) { return scattered("`drawPixel`, random points", Kind::PIXEL, 0, 1, count); }

Scene circleScene(int count) {
    return scattered("`drawCircleFilled`, radius 4", Kind::CIRCLE, CIRCLE_RADIUS, 2, count);
}

Scene lineScene(int count) {
    Random random(3);
    Scene scene{"`drawLine`, 300 px", {}};
    const int half = LINE_LENGTH / 2;
    for (int i = 0; i < count; ++i) {
        // Centred far enough from the edges that the whole line lies inside the window.
        const Point centre = random.pointInside(half);
        const double angle = random.angle();
        const int dx = static_cast<int>(std::lround(half * std::cos(angle)));
        const int dy = static_cast<int>(std::lround(half * std::sin(angle)));
        scene.shapes.push_back(line(i, centre.x - dx, centre.y - dy, centre.x + dx, centre.y + dy));
    }
    return scene;
}

Scene hexagonScene(int count) {
    return polygonsAbout("`drawPolygonFilled`, hexagon", 4, count, HEXAGON_RADIUS,
                         [](Random&, int k) { return Corner{k * PI / 3, HEXAGON_RADIUS}; });
}

Scene randomPolygonScene(int count) {
    return polygonsAbout("`drawPolygonFilled`, random 6 corners", 8, count, RANDOM_POLYGON_FARTHEST, [](Random& random, int k) {
        // Kept off the sixth's borders so that no two corners round to one point.
        const double angle = 2 * PI * (k + random.within(10, 90) / 100.0) / POLYGON_CORNERS;
        return Corner{angle, random.within(RANDOM_POLYGON_NEAREST, RANDOM_POLYGON_FARTHEST)};
    });
}

Scene wideLineScene(int count) {
    Scene scene = lineScene(count);
    scene.name += ", " + std::to_string(WIDE_LINE_WIDTH) + " pixels wide";
    for (Shape& shape : scene.shapes) shape.style.setLineWidth(WIDE_LINE_WIDTH);
    return scene;
}

Scene modelScene() {
    Random random(5);
    // Vertices on a jittered grid over the window, faces picked among the grid's triangles.
    std::vector<Point> vertices;
    for (int row = 0; row < MODEL_ROWS; ++row)
        for (int column = 0; column < MODEL_COLUMNS; ++column)
            vertices.push_back({8 + column * (WIDTH - 16) / (MODEL_COLUMNS - 1) + random.within(-2, 2),
                                8 + row * (HEIGHT - 16) / (MODEL_ROWS - 1) + random.within(-2, 2)});
    using Face = std::array<int, 3>;
    std::vector<Face> faces;
    for (int row = 0; row + 1 < MODEL_ROWS; ++row)
        for (int column = 0; column + 1 < MODEL_COLUMNS; ++column) {
            const int corner = row * MODEL_COLUMNS + column;
            faces.push_back({corner, corner + 1, corner + MODEL_COLUMNS});
            faces.push_back({corner + 1, corner + MODEL_COLUMNS + 1, corner + MODEL_COLUMNS});
        }
    random.shuffle(faces);
    faces.resize(MODEL_FACES);

    Scene scene{"editor redraw, 4,000 faces and vertices", {}};
    int index = 0;
    for (const Face& face : faces)
        for (int k = 0; k < 3; ++k) {
            const Point& from = vertices[face[k]];
            const Point& to = vertices[face[(k + 1) % 3]];
            scene.shapes.push_back(line(index++, from.x, from.y, to.x, to.y));
        }
    for (const Point& v : vertices) scene.shapes.push_back(point(Kind::CIRCLE, index++, v.x, v.y));
    return scene;
}

Scene plotScene() {
    Scene scene{"full-window plot", {}, true};
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            Style style = Style::BLACK;
            style.setColor(Color(x % 256, y % 256, (x + y) % 256));
            scene.shapes.push_back({Kind::PIXEL, style, x, y, 0, 0, {}, {}});
        }
    return scene;
}

std::vector<Scene> shapeScenes(int count) {
    return {pixelScene(count),         circleScene(count),   lineScene(count), hexagonScene(count),
            randomPolygonScene(count), wideLineScene(count), modelScene(),     plotScene()};
}

BigPolygon starPolygon(int corners) {
    const Point centre{WIDTH / 2, HEIGHT / 2};
    BigPolygon star{"`drawPolygonFilled`, star of " + grouped(corners) + " corners", true, {}, {}, centre.x, centre.y};
    for (int k = 0; k < corners; ++k) {
        const double radius = k % 2 ? STAR_INNER_RADIUS : STAR_OUTER_RADIUS, angle = 2 * PI * k / corners;
        star.xs.push_back(centre.x + static_cast<int>(std::lround(radius * std::cos(angle))));
        star.ys.push_back(centre.y + static_cast<int>(std::lround(radius * std::sin(angle))));
    }
    return star;
}

BigPolygon randomPolygon(int corners, bool filled) {
    Random random(filled ? 7 : 6);
    BigPolygon polygon{std::string(filled ? "`drawPolygonFilled`" : "`drawPolygonOutline`") + ", " + grouped(corners) +
                           " random corners",
                       filled, {}, {}, -1, -1};
    for (int k = 0; k < corners; ++k) {
        const Point p = random.pointInside(0);
        polygon.xs.push_back(p.x);
        polygon.ys.push_back(p.y);
    }
    if (!filled) {
        polygon.probeX = polygon.xs[0];
        polygon.probeY = polygon.ys[0];
    }
    return polygon;
}
