// TextAndPictures: the text, sprite and picture scenes, their drawing through Window, and the
// bouncing discs. Runs in the benchmark's own process; the direct drawing is in
// DirectTextAndPictures.cpp.
#include "TextAndPictures.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// The widest a character of the text is drawn, in pixels, and how far above and below its
// baseline the text may reach: the box looked in for the last string's ink.
constexpr int CHARACTER_WIDTH = 10;
constexpr int ASCENT = 16;
constexpr int DESCENT = 4;
constexpr int DISCS = 1000;
constexpr int DISC_RADIUS = 8;
constexpr int DISC_FRAMES_PER_SECOND = 60;

const Font& fontOf(Kind kind) {
    static const Font builtin(Font::HELVETICA, TEXT_POINTS);
    static const Font trueType(TRUETYPE_FILE, TEXT_POINTS);
    return kind == Kind::BUILTIN_TEXT ? builtin : trueType;
}

const Image& sprite() {
    static const Image picture = [] {
        Image made = Image::createEditable(SPRITE_SIDE, SPRITE_SIDE);
        made.setPixels(spritePixels());
        return made;
    }();
    return picture;
}

Color frameColorAt(int frame, int x, int y) {
    const unsigned char* p = &framePixels(frame)[(static_cast<std::size_t>(HEIGHT - 1 - y) * WIDTH + x) * 4];
    return Color(p[0], p[1], p[2], p[3]);
}

Image& picture() {
    static Image editable = Image::createEditable(WIDTH, HEIGHT);
    return editable;
}

Shape shapeOf(Kind kind, const Style& style, int x, int y, int extra = 0) {
    return {kind, style, x, y, extra, 0, {}, {}};
}

}  // namespace

std::vector<unsigned char> spritePixels() {
    std::vector<unsigned char> pixels;
    for (int row = 0; row < SPRITE_SIDE; ++row)
        for (int column = 0; column < SPRITE_SIDE; ++column) {
            const double fromCentre = std::hypot(column + 0.5 - SPRITE_SIDE / 2.0, row + 0.5 - SPRITE_SIDE / 2.0);
            const double alpha = std::clamp((SPRITE_SIDE / 2.0 - fromCentre) / 4, 0.0, 1.0);
            pixels.insert(pixels.end(), {255, static_cast<unsigned char>(96 + row * 2), 0,
                                         static_cast<unsigned char>(std::lround(255 * alpha))});
        }
    return pixels;
}

const std::vector<unsigned char>& framePixels(int frame) {
    static std::vector<std::vector<unsigned char>> frames(2);
    std::vector<unsigned char>& pixels = frames[frame % 2];
    if (pixels.empty())
        for (int storeRow = 0; storeRow < HEIGHT; ++storeRow)
            for (int x = 0; x < WIDTH; ++x) {
                const int y = HEIGHT - 1 - storeRow;
                pixels.insert(pixels.end(), {static_cast<unsigned char>((x + 64 * (frame % 2)) % 256),
                                             static_cast<unsigned char>(y % 256), 128, 255});
            }
    return pixels;
}

bool isTextOrPictures(const Scene& scene) {
    if (scene.shapes.empty()) return false;
    const Kind kind = scene.shapes.front().kind;
    return kind == Kind::BUILTIN_TEXT || kind == Kind::TRUETYPE_TEXT || kind == Kind::SPRITE || kind == Kind::PICTURE;
}

Scene textScene(Kind font, int count) {
    std::mt19937 random(font == Kind::BUILTIN_TEXT ? 8 : 9);
    Scene scene{font == Kind::BUILTIN_TEXT ? "`drawText`, Helvetica 12 (built in)" : "`drawText`, DejaVu Sans 12 (TrueType)",
                {}};
    for (int i = 0; i < count; ++i) {
        Shape text = shapeOf(font, paletteStyle(i), std::uniform_int_distribution<int>(0, WIDTH - 8 * CHARACTER_WIDTH)(random),
                             std::uniform_int_distribution<int>(ASCENT, HEIGHT - 1 - DESCENT)(random));
        text.text = "x = " + std::to_string(i % 1000);
        scene.shapes.push_back(text);
    }
    return scene;
}

Scene spriteScene(int count) {
    std::mt19937 random(10);
    Scene scene{"`drawImage`, 32x32 sprite with alpha", {}};
    std::uniform_int_distribution<int> x(0, WIDTH - SPRITE_SIDE), y(0, HEIGHT - SPRITE_SIDE);
    for (int i = 0; i < count; ++i) scene.shapes.push_back(shapeOf(Kind::SPRITE, Style::BLACK, x(random), y(random)));
    return scene;
}

Scene pictureScene(int frames) {
    Scene scene{"whole-window picture, `setPixels`, `drawImage`, `flipPage`", {}};
    for (int frame = 0; frame < frames; ++frame)
        scene.shapes.push_back(shapeOf(Kind::PICTURE, Style::BLACK, WIDTH / 2 + frame, HEIGHT / 2, frame));
    return scene;
}

void drawThroughWindow(Window& window, const Shape& s) {
    switch (s.kind) {
        case Kind::BUILTIN_TEXT:
        case Kind::TRUETYPE_TEXT: window.drawText(s.style, fontOf(s.kind), s.x1, s.y1, s.text); break;
        case Kind::SPRITE: window.drawImage(sprite(), s.x1, s.y1); break;
        case Kind::PICTURE:
            picture().setPixels(framePixels(s.x2));
            window.drawImage(picture(), 0, 0);
            window.flipPage();
            break;
        default: break;
    }
}

bool showsThroughWindow(Window& window, const Shape& s) {
    switch (s.kind) {
        case Kind::BUILTIN_TEXT:
        case Kind::TRUETYPE_TEXT: {
            const int width = CHARACTER_WIDTH * static_cast<int>(s.text.size());
            const std::vector<unsigned char> box =
                window.createImage(s.x1, s.y1 - ASCENT, width, ASCENT + DESCENT).getPixels();
            const Color ink = s.style.getColor();
            for (std::size_t p = 0; p < box.size(); p += 4)
                if (Color(box[p], box[p + 1], box[p + 2], box[p + 3]) == ink) return true;
            return false;
        }
        case Kind::SPRITE: {
            const std::vector<unsigned char> pixels = spritePixels();
            const std::size_t centre = (static_cast<std::size_t>(SPRITE_SIDE / 2) * SPRITE_SIDE + SPRITE_SIDE / 2) * 4;
            const int y = s.y1 + SPRITE_SIDE - 1 - SPRITE_SIDE / 2;  // store rows run bottom-up
            return window.readPixel(s.x1 + SPRITE_SIDE / 2, y) ==
                   Color(pixels[centre], pixels[centre + 1], pixels[centre + 2], pixels[centre + 3]);
        }
        case Kind::PICTURE: return window.readPixel(s.x1, s.y1) == frameColorAt(s.x2, s.x1, s.y1);
        default: return false;
    }
}

FrameRate bounceDiscs(Window& window, int seconds) {
    struct Disc {
        int x, y, dx, dy;
        Style style;
    };
    std::mt19937 random(11);
    std::uniform_int_distribution<int> speed(1, 4), sign(0, 1);
    std::vector<Disc> discs;
    for (int i = 0; i < DISCS; ++i)
        discs.push_back({std::uniform_int_distribution<int>(DISC_RADIUS, WIDTH - DISC_RADIUS)(random),
                         std::uniform_int_distribution<int>(DISC_RADIUS, HEIGHT - DISC_RADIUS)(random),
                         sign(random) ? speed(random) : -speed(random), sign(random) ? speed(random) : -speed(random),
                         paletteStyle(i)});
    // Reflected at an edge: the disc stays wholly inside the window.
    auto bounce = [](int& at, int& step, int limit) {
        at += step;
        if (at < DISC_RADIUS || at > limit - DISC_RADIUS) {
            step = -step;
            at += 2 * step;
        }
    };
    window.readPixel(0, 0);  // nothing earlier is still queued
    int frames = 0;
    std::chrono::duration<double> longest{0};
    const Clock::time_point start = Clock::now();
    Clock::time_point frameStart = start, now = start;
    while (now - start < std::chrono::seconds(seconds)) {
        window.clear();
        for (Disc& d : discs) {
            bounce(d.x, d.dx, WIDTH);
            bounce(d.y, d.dy, HEIGHT);
            window.drawCircleFilled(d.style, d.x, d.y, DISC_RADIUS);
        }
        window.waitForNextFrame(DISC_FRAMES_PER_SECOND);
        now = Clock::now();
        longest = std::max(longest, std::chrono::duration<double>(now - frameStart));
        frameStart = now;
        ++frames;
    }
    return {frames / std::chrono::duration<double>(now - start).count(), 1000 * longest.count()};
}
