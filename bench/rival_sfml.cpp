// rival_sfml: the benchmark's scenes of shapes drawn by SFML 2.5 as a program using it for speed
// draws them, in a window of its own: each frame one sf::VertexArray per kind of primitive, and
// the whole-window picture through sf::Image, sf::Texture and sf::Sprite. brindlewood_bench starts
// it as a child and asks it for one timed drawing at a time (see README.md); not to be run by hand.
#include <SFML/Graphics.hpp>
#include <SFML/OpenGL.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Scenes.h"
#include "Yardstick.h"

namespace {

// GL's own offset into the pixel, as the direct loop takes it: a point at (x, y) lights pixel
// (x, y), and no edge lies on a pixel's centre.
constexpr float PIXEL_OFFSET = 0.375f;

sf::Vector2f at(double x, double y) {
    return {static_cast<float>(x) + PIXEL_OFFSET, static_cast<float>(y) + PIXEL_OFFSET};
}

sf::Color colorOf(const Shape& s) {
    const Color c = s.style.getColor();
    return {c.getRed(), c.getGreen(), c.getBlue(), c.getAlpha()};
}

class SfmlRival {
public:
    SfmlRival() : window(sf::VideoMode(WIDTH, HEIGHT), "brindlewood_bench SFML", sf::Style::Titlebar) {
        window.setPosition({WIDTH + 20, HEIGHT + 60});
        window.clear(sf::Color::White);
        window.display();
        image.create(WIDTH, HEIGHT, sf::Color::White);
        if (!texture.create(WIDTH, HEIGHT)) {
            std::fprintf(stderr, "rival_sfml: no texture of the window's size\n");
            std::exit(1);
        }
        sprite.setTexture(texture);
        // The circles' rims, as the direct loop's disks of 16 slices: angles start on +y.
        constexpr double PI = 3.14159265358979323846;
        for (int k = 0; k <= CIRCLE_SLICES; ++k)
            rim[k] = {static_cast<float>(CIRCLE_RADIUS * std::sin(2 * PI * k / CIRCLE_SLICES)),
                      static_cast<float>(CIRCLE_RADIUS * std::cos(2 * PI * k / CIRCLE_SLICES))};
    }

    std::string description() const {
        return "SFML " + std::to_string(SFML_VERSION_MAJOR) + "." + std::to_string(SFML_VERSION_MINOR) + "." +
               std::to_string(SFML_VERSION_PATCH) + " on " + reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    }

    // Shows the picture only when asked to flip, as the other paths do.
    void draw(const Scene& scene, bool flip) {
        if (scene.wholeFrame)
            drawWholeFrame(scene);
        else
            drawShapes(scene);
        if (flip) window.display();
        glFinish();  // the timing ends once llvmpipe has drawn everything, as the direct loop's does
        for (sf::Event event; window.pollEvent(event);) {
        }
    }

private:
    void drawShapes(const Scene& scene) {
        points.clear();
        lines.clear();
        triangles.clear();
        for (const Shape& s : scene.shapes) {
            const sf::Color color = colorOf(s);
            switch (s.kind) {
                case Kind::PIXEL: points.append({at(s.x1, s.y1), color}); break;
                case Kind::LINE:
                    if (s.style.getLineWidth() == 1) {
                        lines.append({at(s.x1, s.y1), color});
                        lines.append({at(s.x2, s.y2), color});
                    } else {
                        appendWideLine(s, color);
                    }
                    break;
                case Kind::CIRCLE: {
                    const sf::Vector2f centre = at(s.x1, s.y1);
                    for (int k = 0; k < CIRCLE_SLICES; ++k) {
                        triangles.append({centre, color});
                        triangles.append({centre + rim[k], color});
                        triangles.append({centre + rim[k + 1], color});
                    }
                    break;
                }
                case Kind::POLYGON:
                    // A fan from the first corner: right for convex polygons only.
                    for (std::size_t k = 1; k + 1 < s.xs.size(); ++k) {
                        triangles.append({at(s.xs[0], s.ys[0]), color});
                        triangles.append({at(s.xs[k], s.ys[k]), color});
                        triangles.append({at(s.xs[k + 1], s.ys[k + 1]), color});
                    }
                    break;
                default: break;  // no text or pictures in these scenes
            }
        }
        for (const sf::VertexArray* batch : {&points, &lines, &triangles})
            if (batch->getVertexCount() > 0) window.draw(*batch, OPAQUE);
    }

    // SFML draws lines one pixel wide: a wider one is a rectangle about it, as two triangles.
    void appendWideLine(const Shape& s, sf::Color color) {
        const double dx = s.x2 - s.x1, dy = s.y2 - s.y1, length = std::hypot(dx, dy);
        const double half = s.style.getLineWidth() / 2.0, nx = -dy / length * half, ny = dx / length * half;
        const sf::Vector2f corners[4] = {at(s.x1 + nx, s.y1 + ny), at(s.x2 + nx, s.y2 + ny), at(s.x2 - nx, s.y2 - ny),
                                         at(s.x1 - nx, s.y1 - ny)};
        for (int k : {0, 1, 2, 0, 2, 3}) triangles.append({corners[k], color});
    }

    void drawWholeFrame(const Scene& scene) {
        for (const Shape& s : scene.shapes) image.setPixel(s.x1, s.y1, colorOf(s));
        texture.update(image);
        window.draw(sprite, OPAQUE);
    }

    // Every colour in the scenes is opaque: no blending, as a program after speed would ask.
    const sf::RenderStates OPAQUE{sf::BlendNone};

    sf::RenderWindow window;
    sf::VertexArray points{sf::Points}, lines{sf::Lines}, triangles{sf::Triangles};
    std::array<sf::Vector2f, CIRCLE_SLICES + 1> rim;
    sf::Image image;
    sf::Texture texture;
    sf::Sprite sprite;
};

}  // namespace

int main(int argc, char** argv) {
    const YardstickPipes pipes = yardstickPipes(argc, argv);
    const std::vector<Scene> scenes = shapeScenes(PRIMITIVES);
    SfmlRival rival;
    serveDrawings(pipes.requests, pipes.replies, rival.description(),
                  [&](int scene, int, bool flip) { rival.draw(scenes[scene], flip); });
}
