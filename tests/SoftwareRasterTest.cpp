// The software rasterizer against Mesa's llvmpipe: the same seeded shapes drawn through a GL
// context of the test's own (EGL, no display, set up as the renderer sets up a window) and
// through the rasterizer, every pixel compared; and its pure parts without GL.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "renderer/software/Evaluator.h"
#include "renderer/software/PixelTransfer.h"
#include "renderer/software/Picture.h"
#include "renderer/software/Rasterizer.h"
#include "renderer/software/VertexTransform.h"

using namespace software;

namespace {

constexpr Pixel WHITE = 0xFFFFFF;

// A vertex as the renderer gives it: whole coordinates through glVertex2i, others as floats.
struct Vertex {
    float x, y;
    bool whole;
};

// One glBegin/glEnd of the renderer's, with the state its style sets.
struct Shape {
    GLenum mode;
    std::vector<Vertex> vertices;
    Pixel color = 0;
    int alpha = 255;
    LogicOp op = LogicOp::COPY;
    int width = 1;
    std::uint16_t pattern = 0xFFFF;
    bool smooth = false;  // antialiased lines, blended
};

GLenum glLogicOpOf(LogicOp op) {
    switch (op) {
        case LogicOp::XOR: return GL_XOR;
        case LogicOp::INVERT: return GL_INVERT;
        case LogicOp::AND: return GL_AND;
        case LogicOp::OR: return GL_OR;
        default: return GL_COPY;
    }
}

// A GL context on llvmpipe drawing into a pbuffer in the X server's 24-bit format, with the
// renderer's coordinate system: what a window's back buffer is.
class GlCanvas {
public:
    GlCanvas(int width, int height) : width(width), height(height) {
        setenv("GALLIUM_DRIVER", "llvmpipe", 1);
        display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API))
            return;
        const EGLint wanted[] = {EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig configs[64];
        EGLint count = 0;
        eglChooseConfig(display, wanted, configs, 64, &count);
        EGLConfig config = nullptr;
        for (int i = 0; i < count && !config; ++i) {
            EGLint alpha = -1, red = -1;
            eglGetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &alpha);
            eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
            if (alpha == 0 && red == 8) config = configs[i];
        }
        if (!config) return;
        const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        surface = eglCreatePbufferSurface(display, config, size);
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
            !eglMakeCurrent(display, surface, surface, context))
            return;
        renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        // As Renderer::reshapeWindow sets up a window.
        glViewport(0, 0, width, height);
        glLoadIdentity();
        glOrtho(0, width, 0, height, -1, 1);
        glTranslatef(0, static_cast<GLfloat>(height), 0);
        glScalef(1, -1, 1);
        glTranslatef(0.375f, 0.375f, 0);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    ~GlCanvas() {
        if (display == EGL_NO_DISPLAY) return;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    }
    bool isLlvmpipe() const { return renderer.find("llvmpipe") != std::string::npos; }

    static void setFragments(LogicOp op, bool blend) {
        if (op == LogicOp::COPY) {
            glDisable(GL_COLOR_LOGIC_OP);
        } else {
            glEnable(GL_COLOR_LOGIC_OP);
            glLogicOp(glLogicOpOf(op));
        }
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    }
    // As the renderer's moveRasterTo.
    static void moveRasterTo(int x, int y) {
        glRasterPos2i(0, 0);
        glBitmap(0, 0, 0, 0, static_cast<GLfloat>(x), -static_cast<GLfloat>(y), nullptr);
    }

    void draw(const Shape& shape) {
        setFragments(shape.op, shape.alpha < 255 || shape.smooth);
        glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
        shape.smooth ? glEnable(GL_LINE_SMOOTH) : glDisable(GL_LINE_SMOOTH);
        if (shape.pattern == 0xFFFF) {
            glDisable(GL_LINE_STIPPLE);
        } else {
            glEnable(GL_LINE_STIPPLE);
            glLineStipple(1, shape.pattern);
        }
        glLineWidth(static_cast<GLfloat>(shape.width));
        glColor4ub(redOf(shape.color), greenOf(shape.color), blueOf(shape.color), shape.alpha);
        glBegin(shape.mode);
        for (const Vertex& v : shape.vertices) {
            if (v.whole)
                glVertex2i(static_cast<GLint>(v.x), static_cast<GLint>(v.y));
            else
                glVertex2f(v.x, v.y);
        }
        glEnd();
    }

    Picture read() {
        std::vector<unsigned char> rgba(4 * std::size_t(width) * height);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        Picture picture(width, height, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = &rgba[4 * (std::size_t(height - 1 - y) * width + x)];
                picture.row(y)[x] = pixelOf(p[0], p[1], p[2]);
            }
        return picture;
    }

private:
    int width, height;
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    std::string renderer;
};

// The same shape through the rasterizer, as the software backend will call it.
void drawSoftware(Rasterizer& raster, const VertexTransform& transform, const Shape& shape) {
    const Paint paint{shape.color, shape.alpha, shape.alpha < 255, shape.op};
    const LineStyle style{shape.width, shape.pattern, shape.smooth};
    std::vector<ClipPoint> points;
    for (const Vertex& v : shape.vertices) points.push_back(transform.toClip(v.x, v.y));
    switch (shape.mode) {
        case GL_POINTS:
            for (std::size_t i = 0; i < points.size(); ++i) {
                const Vertex& v = shape.vertices[i];
                v.whole ? raster.plotPixel(std::int64_t(v.x), std::int64_t(v.y), paint) : raster.drawPoint(points[i], paint);
            }
            break;
        case GL_LINES: raster.drawLines(points, style, paint); break;
        case GL_LINE_STRIP: raster.drawLineStrip(points, false, style, paint); break;
        case GL_LINE_LOOP: raster.drawLineStrip(points, true, style, paint); break;
        case GL_TRIANGLES:
            for (std::size_t i = 0; i + 2 < points.size(); i += 3)
                raster.fillTriangle(points[i], points[i + 1], points[i + 2], paint);
            break;
        case GL_QUADS:
            for (std::size_t i = 0; i + 3 < points.size(); i += 4)
                raster.fillQuad(points[i], points[i + 1], points[i + 2], points[i + 3], paint);
            break;
    }
}

// How two pictures differ: the count of differing pixels and the first few.
struct Difference {
    int pixels = 0;
    int largestStep = 0;  // the largest difference in one channel of one pixel
    std::string firstFew;
};

Difference compare(const Picture& expected, const Picture& actual) {
    Difference d;
    std::ostringstream text;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (expected.at(x, y) != actual.at(x, y)) {
                const Pixel e = expected.at(x, y), a = actual.at(x, y);
                d.largestStep = std::max({d.largestStep, std::abs(redOf(e) - redOf(a)), std::abs(greenOf(e) - greenOf(a)),
                                          std::abs(blueOf(e) - blueOf(a))});
                if (++d.pixels <= 8)
                    text << " (" << x << "," << y << ") gl " << std::hex << expected.at(x, y) << " sw "
                         << actual.at(x, y) << std::dec;
            }
    d.firstFew = text.str();
    return d;
}

using Random = std::mt19937;

int between(Random& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
float realBetween(Random& random, float low, float high) {
    return std::uniform_real_distribution<float>(low, high)(random);
}

// A style drawn at random among the renderer's: colour, alpha, logic op, width and pattern.
struct StyleChoice {
    bool blend = false;
    bool logicOps = false;
    int maxWidth = 1;
    bool dashed = false;
};

void chooseStyle(Random& random, const StyleChoice& choice, Shape& shape) {
    shape.color = pixelOf(between(random, 0, 255), between(random, 0, 255), between(random, 0, 255));
    if (choice.blend && between(random, 0, 1)) shape.alpha = between(random, 0, 254);
    if (choice.logicOps) shape.op = static_cast<LogicOp>(between(random, 0, 4));
    shape.width = between(random, 1, choice.maxWidth);
    if (choice.dashed) shape.pattern = static_cast<std::uint16_t>(between(random, 0, 0xFFFE));
}

// A random vertex: whole coordinates in [low, high], or floats there.
Vertex wholeVertex(Random& random, int low, int high) {
    return {float(between(random, low, high)), float(between(random, low, high)), true};
}

// Both ways of drawing: through GL, and through the rasterizer into a picture.
struct Canvases {
    GlCanvas gl;
    Picture picture;
    VertexTransform transform;
    Rasterizer raster;
    BitmapRun bitmaps;  // flushed before anything else draws or reads

    Canvases(int width, int height)
        : gl(width, height), picture(width, height, WHITE), transform(reshaped(width, height)), raster(picture, transform) {}
    static VertexTransform reshaped(int width, int height) {
        VertexTransform t;
        t.reshape(width, height);
        return t;
    }
};

// One call or a few, made both ways, and what they were.
struct Drawing {
    std::string description;
    std::function<void(Canvases&)> draw;
};

struct Case {
    const char* name;
    int width, height;
    int shapes;
    std::function<Drawing(Random&)> make;
    // Differing pixels measured and allowed, and by how much in a channel at most, where the
    // rasterizer does not reach the driver.
    int allowed = 0;
    int allowedStep = 0;
};

Shape shapeOf(GLenum mode, int vertices, Random& random, const StyleChoice& style,
              const std::function<Vertex(Random&)>& vertex) {
    Shape shape{mode, {}};
    chooseStyle(random, style, shape);
    for (int i = 0; i < vertices; ++i) shape.vertices.push_back(vertex(random));
    return shape;
}

std::string describe(const Shape& shape) {
    std::ostringstream text;
    text << "mode " << shape.mode << " colour " << std::hex << shape.color << std::dec << " alpha " << shape.alpha
         << " op " << int(shape.op) << " width " << shape.width << " pattern " << shape.pattern << ":";
    text.precision(9);
    for (const Vertex& v : shape.vertices) text << " (" << v.x << ", " << v.y << ")";
    return text.str();
}

// A shape as one drawing.
Drawing drawn(const Shape& shape) {
    return {describe(shape), [shape](Canvases& c) {
                c.bitmaps.flush(c.picture);
                c.gl.draw(shape);
                drawSoftware(c.raster, c.transform, shape);
            }};
}

std::function<Drawing(Random&)> shapes(std::function<Shape(Random&)> make) {
    return [make](Random& r) { return drawn(make(r)); };
}

class SoftwareRasterAgainstGl : public testing::TestWithParam<Case> {};


// Makes the case's drawings both ways, comparing after the last, or after each from the first
// given on; returns the first drawing after which the pictures differ, or -1.
int firstDifferingDrawing(const Case& c, int from, Difference& difference) {
    Canvases canvases(c.width, c.height);
    Random random(27);
    for (int i = 0; i < c.shapes; ++i) {
        c.make(random).draw(canvases);
        if (i < from && i + 1 < c.shapes) continue;
        canvases.bitmaps.flush(canvases.picture);  // as reading back flushes GL's
        difference = compare(canvases.gl.read(), canvases.picture);
        if (difference.pixels > 0) return i;
    }
    return -1;
}

TEST_P(SoftwareRasterAgainstGl, DrawsEveryPixelAsLlvmpipe) {
    const Case& c = GetParam();
    if (!GlCanvas(1, 1).isLlvmpipe()) GTEST_SKIP() << "no llvmpipe context";
    Difference whole;
    if (firstDifferingDrawing(c, c.shapes, whole) < 0 || (whole.pixels <= c.allowed && whole.largestStep <= c.allowedStep))
        return;
    Difference first;
    const int culprit = firstDifferingDrawing(c, 0, first);
    Random random(27);
    std::string description;
    for (int i = 0; i <= culprit; ++i) description = c.make(random).description;
    ADD_FAILURE() << whole.pixels << " pixels differ, by up to " << whole.largestStep << " in a channel; the first after drawing " << culprit << ", " << description << ":"
                  << first.firstFew;
}

const StyleChoice PLAIN;
const StyleChoice BLENDED{true, false, 1, false};
const StyleChoice ANY_OP{true, true, 1, false};
const StyleChoice WIDE{true, true, 9, false};
const StyleChoice DASHED{false, true, 1, true};
const StyleChoice WIDE_DASHED{true, true, 7, true};

std::function<Shape(Random&)> random(GLenum mode, int vertices, StyleChoice style, int low, int high) {
    return [=](Random& r) {
        return shapeOf(mode, vertices, r, style, [=](Random& rr) { return wholeVertex(rr, low, high); });
    };
}

std::function<Shape(Random&)> randomFloat(GLenum mode, int vertices, StyleChoice style, float low, float high) {
    return [=](Random& r) {
        return shapeOf(mode, vertices, r, style,
                       [=](Random& rr) { return Vertex{realBetween(rr, low, high), realBetween(rr, low, high), false}; });
    };
}

// Lines of slope exactly 1 or -1, and lines through pixel corners (quarter pixels).
Shape diagonal(Random& r, StyleChoice style) {
    Shape shape{GL_LINES, {}};
    chooseStyle(r, style, shape);
    const Vertex a = wholeVertex(r, -20, 220);
    const int run = between(r, -100, 100);
    const int sign = between(r, 0, 1) ? 1 : -1;
    shape.vertices = {a, {a.x + run, a.y + sign * run, true}};
    return shape;
}

Shape quarterPixels(Random& r, GLenum mode, int vertices, StyleChoice style) {
    Shape shape{mode, {}};
    chooseStyle(r, style, shape);
    for (int i = 0; i < vertices; ++i)
        shape.vertices.push_back({between(r, -80, 880) / 4.0f - 0.375f, between(r, -80, 880) / 4.0f - 0.375f, false});
    return shape;
}

// A shape with a corner in the window and the others up to reach pixels from its middle.
Shape fromInside(Random& r, GLenum mode, int vertices, StyleChoice style, int reach) {
    Shape shape{mode, {}};
    chooseStyle(r, style, shape);
    shape.vertices.push_back(wholeVertex(r, 0, 199));
    for (int i = 1; i < vertices; ++i) shape.vertices.push_back(wholeVertex(r, 100 - reach, 100 + reach));
    return shape;
}

// A parallelogram at any angle: the shape of a picture drawn turned and scaled.
Shape convexQuad(Random& r, StyleChoice style) {
    Shape shape{GL_QUADS, {}};
    chooseStyle(r, style, shape);
    const Vertex a = wholeVertex(r, -20, 320);
    const int ux = between(r, -150, 150), uy = between(r, -150, 150);
    const int vx = between(r, -150, 150), vy = between(r, -150, 150);
    shape.vertices = {a, {a.x + ux, a.y + uy, true}, {a.x + ux + vx, a.y + uy + vy, true}, {a.x + vx, a.y + vy, true}};
    return shape;
}

// A rectangle as the renderer's runs of rectangles give their corners.
Shape rectangle(Random& r, StyleChoice style, int low, int high) {
    Shape shape{GL_QUADS, {}};
    chooseStyle(r, style, shape);
    const int left = between(r, low, high), top = between(r, low, high);
    const int right = between(r, low, high), bottom = between(r, low, high);
    shape.vertices = {{float(left), float(top), true}, {float(right), float(top), true},
                      {float(right), float(bottom), true}, {float(left), float(bottom), true}};
    return shape;
}

// Random bytes, as many as n.
std::vector<unsigned char> randomBytes(Random& r, std::size_t n, bool someTransparent) {
    std::vector<unsigned char> bytes(n);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(between(r, 0, 255));
    if (someTransparent)
        for (std::size_t i = 3; i < n; i += 4) bytes[i] = between(r, 0, 3) == 0 ? 0 : bytes[i];
    return bytes;
}

// A picture put down as the renderer puts pending pixels (alpha tested) and pictures too large
// for a texture (blended when not opaque): its visible part at a place in the window.
Drawing pixelsDrawn(Random& r) {
    const int components = between(r, 0, 2) ? 4 : 3;
    const int width = between(r, 1, 60), height = between(r, 1, 40);
    const bool alphaTest = components == 4 && between(r, 0, 1);
    const bool blend = components == 4 && !alphaTest && between(r, 0, 1);
    const int x = between(r, 0, 299 - width + 1), bottom = between(r, height, 199) + 1;
    auto bytes = std::make_shared<std::vector<unsigned char>>(randomBytes(r, std::size_t(width) * height * components, true));
    std::ostringstream text;
    text << "pixels " << width << "x" << height << "x" << components << " at " << x << ", " << bottom
         << (alphaTest ? " alpha tested" : "") << (blend ? " blended" : "");
    return {text.str(), [=](Canvases& c) {
                GlCanvas::setFragments(LogicOp::COPY, blend);
                if (alphaTest) {
                    glAlphaFunc(GL_GREATER, 0);
                    glEnable(GL_ALPHA_TEST);
                }
                glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                GlCanvas::moveRasterTo(x, bottom);
                glDrawPixels(width, height, components == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, bytes->data());
                glDisable(GL_ALPHA_TEST);
                c.bitmaps.flush(c.picture);
                drawPixels(c.picture, rasterPositionMovedTo(c.transform, x, bottom),
                           {bytes->data(), width, height, width, components}, blend, alphaTest);
            }};
}

// A region of the window copied elsewhere in it, as the renderer's copyRegion does once it has
// cut the region to the window.
Drawing pixelsCopied(Random& r) {
    const int width = between(r, 1, 120), height = between(r, 1, 80);
    const int x = between(r, 0, 300 - width), y = between(r, 0, 200 - height);
    const int destX = between(r, 0, 300 - width), destY = between(r, 0, 200 - height);
    std::ostringstream text;
    text << "copy " << width << "x" << height << " from " << x << ", " << y << " to " << destX << ", " << destY;
    return {text.str(), [=](Canvases& c) {
                GlCanvas::setFragments(LogicOp::COPY, false);
                glReadBuffer(GL_BACK);
                GlCanvas::moveRasterTo(destX, destY + height);
                glCopyPixels(x, 200 - y - height, width, height, GL_COLOR);
                c.bitmaps.flush(c.picture);
                copyPixels(c.picture, rasterPositionMovedTo(c.transform, destX, destY + height), x, 200 - y - height,
                           width, height);
            }};
}

// A run of glyphs as a bitmap font draws them: the raster position set at the text's start
// (perhaps outside the window), then one bitmap per glyph, each moving it on.
Drawing bitmapsDrawn(Random& r) {
    Shape style{GL_POINTS, {}};
    chooseStyle(r, ANY_OP, style);
    const float x = float(between(r, -20, 310)), y = float(between(r, -20, 220));
    struct Glyph {
        int width, height;
        float xOrigin, yOrigin, advance;
        std::vector<unsigned char> bits;
    };
    auto glyphs = std::make_shared<std::vector<Glyph>>();
    for (int n = between(r, 1, 8); n > 0; --n) {
        Glyph g{between(r, 0, 20), between(r, 0, 24), between(r, -8, 8) / 2.0f, between(r, -8, 8) / 2.0f,
                float(between(r, 0, 24)), {}};
        g.bits = randomBytes(r, std::size_t((g.width + 7) / 8) * g.height + 1, false);
        glyphs->push_back(g);
    }
    std::ostringstream text;
    text << describe(style) << " bitmaps at " << x << ", " << y;
    return {text.str(), [=](Canvases& c) {
                GlCanvas::setFragments(style.op, style.alpha < 255);
                glColor4ub(redOf(style.color), greenOf(style.color), blueOf(style.color), style.alpha);
                glRasterPos2f(x, y);
                glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                RasterPosition at = rasterPositionAt(c.transform, x, y);
                const Paint paint{style.color, style.alpha, style.alpha < 255, style.op};
                for (const Glyph& g : *glyphs) {
                    glBitmap(g.width, g.height, g.xOrigin, g.yOrigin, g.advance, 0, g.bits.data());
                    c.bitmaps.add(c.picture, at, g.width, g.height, g.xOrigin, g.yOrigin, g.advance, 0, g.bits.data(), paint);
                }
            }};
}

// A GL_QUADS quad of four corners, each x, y and texture coordinates s, t.
void texturedQuad(const std::array<std::array<float, 4>, 4>& corners) {
    glBegin(GL_QUADS);
    for (const auto& corner : corners) {
        glTexCoord2f(corner[2], corner[3]);
        glVertex2f(corner[0], corner[1]);
    }
    glEnd();
}

// The smallest power of two at least side, as the renderer sizes textures.
int textureSide(int side) {
    int power = 1;
    while (power < side) power <<= 1;
    return power;
}

// A picture drawn as the renderer draws plain pictures: uploaded into the bottom-left of a texture
// of power-of-two sides, drawn as a quad with whole corners, GL_NEAREST, GL_REPLACE, blended if
// it is not opaque; anywhere, in part or wholly outside the window.
Drawing pictureDrawn(Random& r) {
    const int components = between(r, 0, 1) ? 4 : 3;
    const int width = between(r, 1, 90), height = between(r, 1, 70);
    const int x = between(r, -100, 310), y = between(r, -80, 210);
    auto bytes = std::make_shared<std::vector<unsigned char>>(randomBytes(r, std::size_t(width) * height * components, true));
    bool opaque = true;
    for (std::size_t i = 3; components == 4 && i < bytes->size(); i += 4) opaque = opaque && (*bytes)[i] == 255;
    std::ostringstream text;
    text << "picture " << width << "x" << height << "x" << components << " at " << x << ", " << y;
    return {text.str(), [=](Canvases& c) {
                c.bitmaps.flush(c.picture);
                GlCanvas::setFragments(LogicOp::COPY, !opaque);
                const GLenum format = components == 3 ? GL_RGB : GL_RGBA;
                const int textureWidth = textureSide(width), textureHeight = textureSide(height);
                GLuint texture = 0;
                glGenTextures(1, &texture);
                glBindTexture(GL_TEXTURE_2D, texture);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
                glTexImage2D(GL_TEXTURE_2D, 0, components, textureWidth, textureHeight, 0, format, GL_UNSIGNED_BYTE,
                             nullptr);
                glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, bytes->data());
                glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
                glEnable(GL_TEXTURE_2D);
                const float u = float(width) / textureWidth, v = float(height) / textureHeight;
                texturedQuad({{{float(x), float(y), 0, v},
                               {float(x + width), float(y), u, v},
                               {float(x + width), float(y + height), u, 0},
                               {float(x), float(y + height), 0, 0}}});
                glDisable(GL_TEXTURE_2D);
                glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
                glDeleteTextures(1, &texture);
                drawPicture(c.picture, x, y, {bytes->data(), width, height, width, components}, !opaque);
            }};
}

// A Bézier curve as the renderer evaluates one: glMap1d over [0, 1], a grid of steps, and
// glEvalMesh1 over a stretch of it, drawn as a line strip in a line style.
Drawing curveDrawn(Random& r) {
    Shape style{GL_LINE_STRIP, {}};
    chooseStyle(r, WIDE_DASHED, style);
    std::vector<ControlPoint> controls;
    for (int n = between(r, 2, 9); n > 0; --n) controls.push_back({double(between(r, -100, 400)), double(between(r, -100, 300))});
    const int steps = between(r, 1, 600), first = between(r, 0, steps), last = between(r, first, steps);
    std::ostringstream text;
    text << describe(style) << " curve of " << controls.size() << " controls, grid " << steps << " from " << first
         << " to " << last;
    return {text.str(), [=](Canvases& c) {
                c.bitmaps.flush(c.picture);
                c.gl.draw(style);  // the style's state, with no vertices
                std::vector<GLdouble> records;
                for (const ControlPoint& p : controls) records.insert(records.end(), {p.x, p.y, 0.0});
                glMap1d(GL_MAP1_VERTEX_3, 0.0, 1.0, 3, GLint(controls.size()), records.data());
                glMapGrid1d(steps, 0.0, 1.0);
                glEnable(GL_MAP1_VERTEX_3);
                glEvalMesh1(GL_LINE, first, last);
                glDisable(GL_MAP1_VERTEX_3);
                std::vector<ClipPoint> points;
                for (const CurvePoint& p : evaluateCurve(controls, steps, first, last))
                    points.push_back(c.transform.toClip(p.x, p.y));
                const Paint paint{style.color, style.alpha, style.alpha < 255, style.op};
                c.raster.drawLineStrip(points, false, {style.width, style.pattern, false}, paint);
            }};
}

// Text as the renderer draws stroke fonts (line strips) and TrueType glyphs (triangles): the
// baseline moved to (x, y), flipped upright, perhaps scaled and turned, the glyphs designed in
// their own units, each glyph moved on by its advance. The glyphs here are random.
Drawing textDrawn(Random& r, bool stroke) {
    Shape style{GLenum(stroke ? GL_LINE_STRIP : GL_TRIANGLES), {}};
    chooseStyle(r, stroke ? WIDE_DASHED : ANY_OP, style);
    const float x = float(between(r, -20, 320)), y = float(between(r, -20, 220));
    const bool transformed = between(r, 0, 1);
    const float scaleX = between(r, 1, 40) / 10.0f, scaleY = between(r, 1, 40) / 10.0f;
    const float turn = float(between(r, -360, 360));
    const float size = stroke ? between(r, 5, 60) / 100.0f : 1.0f;  // a stroke font's units are 100 a line
    std::vector<std::vector<Vertex>> glyphs;
    std::vector<float> advances;
    for (int n = between(r, 1, 6); n > 0; --n) {
        std::vector<Vertex> glyph;
        const float reach = stroke ? 100.0f : 20.0f;
        for (int k = between(r, 2, 4) * (stroke ? 1 : 3); k > 0; --k)
            glyph.push_back({realBetween(r, -reach / 10, reach), realBetween(r, -reach / 4, reach), false});
        glyphs.push_back(glyph);
        advances.push_back(realBetween(r, 0, reach));
    }
    std::ostringstream text;
    text << describe(style) << (stroke ? " stroke" : " TrueType") << " text at " << x << ", " << y;
    if (transformed) text << " scaled " << scaleX << ", " << scaleY << " turned " << turn;
    return {text.str(), [=](Canvases& c) {
                c.bitmaps.flush(c.picture);
                Shape shape = style;
                c.gl.draw(shape);  // the style's state
                glPushMatrix();
                c.transform.push();
                glTranslatef(x, y, 0);
                c.transform.translate(x, y);
                glScalef(1, -1, 0);
                c.transform.scale(1, -1);
                if (transformed) {
                    glScalef(scaleX, scaleY, 0);
                    c.transform.scale(scaleX, scaleY);
                    glRotatef(-turn, 0, 0, 1);
                    c.transform.rotate(-turn);
                }
                if (stroke) {
                    glScalef(size, size, 0);
                    c.transform.scale(size, size);
                }
                for (std::size_t g = 0; g < glyphs.size(); ++g) {
                    shape.vertices = glyphs[g];
                    c.gl.draw(shape);
                    drawSoftware(c.raster, c.transform, shape);
                    glTranslatef(advances[g], 0, 0);
                    c.transform.translate(advances[g], 0);
                }
                glPopMatrix();
                c.transform.pop();
            }};
}

// A picture drawn as the renderer draws transformed ones: moved to (x, y), turned and scaled,
// uploaded into the bottom-left of a power-of-two texture with its last column and row once more
// beside it, filtered with GL_LINEAR and clamped to its edges, blended if it has alpha.
Drawing transformedPictureDrawn(Random& r) {
    const int components = between(r, 0, 1) ? 4 : 3;
    const int width = between(r, 1, 70), height = between(r, 1, 50);
    const float x = float(between(r, -50, 350)), y = float(between(r, -50, 250));
    const float turn = float(between(r, -360, 360)) * (between(r, 0, 3) ? 1.0f : 0.0f);
    const float scaleX = between(r, 2, 40) / 10.0f * (between(r, 0, 4) ? 1 : -1), scaleY = between(r, 2, 40) / 10.0f;
    auto bytes = std::make_shared<std::vector<unsigned char>>(randomBytes(r, std::size_t(width) * height * components, true));
    std::ostringstream text;
    text << "transformed picture " << width << "x" << height << "x" << components << " at " << x << ", " << y
         << " turned " << turn << " scaled " << scaleX << ", " << scaleY;
    return {text.str(), [=](Canvases& c) {
                c.bitmaps.flush(c.picture);
                GlCanvas::setFragments(LogicOp::COPY, components == 4);
                const GLenum format = components == 3 ? GL_RGB : GL_RGBA;
                const int textureWidth = textureSide(width), textureHeight = textureSide(height);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                glPushMatrix();
                glTranslatef(x, y, 0);
                glRotatef(turn, 0, 0, 1);
                glScalef(scaleX, scaleY, 1);
                glEnable(GL_TEXTURE_2D);
                glColor4f(1, 1, 1, 1);
                // The texture as the renderer fills it: the picture, its last column and row once more.
                Texture texture{textureWidth, textureHeight, components,
                                std::vector<unsigned char>(std::size_t(textureWidth) * textureHeight * components)};
                for (int j = 0; j <= height && j < textureHeight; ++j)
                    for (int i = 0; i <= width && i < textureWidth; ++i)
                        for (int k = 0; k < components; ++k)
                            texture.texels[(std::size_t(j) * textureWidth + i) * components + k] =
                                (*bytes)[(std::size_t(std::min(j, height - 1)) * width + std::min(i, width - 1)) * components + k];
                glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
                glTexImage2D(GL_TEXTURE_2D, 0, components, textureWidth, textureHeight, 0, format, GL_UNSIGNED_BYTE,
                             texture.texels.data());
                const float u = float(width) / textureWidth, v = float(height) / textureHeight;
                texturedQuad({{{0, 0, 0, v}, {0, float(height), 0, 0}, {float(width), float(height), u, 0}, {float(width), 0, u, v}}});
                glDisable(GL_TEXTURE_2D);
                glPopMatrix();

                c.transform.push();
                c.transform.translate(x, y);
                c.transform.rotate(turn);
                c.transform.scale(scaleX, scaleY);
                auto corner = [&](float cx, float cy, float s, float t) {
                    return TexturedPoint{c.transform.toClip(cx, cy), s, t};
                };
                c.raster.fillTexturedQuad(corner(0, 0, 0, v), corner(0, float(height), 0, 0),
                                          corner(float(width), float(height), u, 0), corner(float(width), 0, u, v),
                                          texture, components == 4);
                c.transform.pop();
            }};
}

// Some triangles, then the drawing: so that copies and blending meet a picture with something in it.
std::function<Drawing(Random&)> overShapes(std::function<Drawing(Random&)> make) {
    return [make](Random& r) {
        if (between(r, 0, 2)) return make(r);
        return drawn(shapeOf(GL_TRIANGLES, 3, r, PLAIN, [](Random& rr) { return wholeVertex(rr, -20, 320); }));
    };
}

INSTANTIATE_TEST_SUITE_P(
    CurvesAndText, SoftwareRasterAgainstGl,
    testing::Values(Case{"BezierCurves", 300, 200, 150, overShapes(curveDrawn)},
                    Case{"Bitmaps", 300, 200, 300, overShapes(bitmapsDrawn)},
                    Case{"StrokeText", 300, 200, 200, overShapes([](Random& r) { return textDrawn(r, true); })},
                    Case{"TrueTypeGlyphs", 300, 200, 200, overShapes([](Random& r) { return textDrawn(r, false); })}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    PixelTransfers, SoftwareRasterAgainstGl,
    testing::Values(Case{"DrawPixels", 300, 200, 200, overShapes(pixelsDrawn)},
                    Case{"CopyPixels", 300, 200, 200, overShapes(pixelsCopied)},
                    Case{"Pictures", 300, 200, 200, overShapes(pictureDrawn)},
                    // 6 pixels, by up to 4 in a channel, in one picture drawn smaller: a texture
                    // coordinate on the other side of a rounding step of the filter.
                    Case{"TransformedPictures", 300, 200, 100, overShapes(transformedPictureDrawn), 6, 4}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Antialiased lines, as the renderer draws them in a window with antialiasing on: blended, in
// COPY, any width, dashed or not.
Shape smoothLine(Random& r, int low, int high) {
    Shape shape = shapeOf(GL_LINES, 2, r, WIDE_DASHED, [=](Random& rr) {
        return Vertex{realBetween(rr, float(low), float(high)), realBetween(rr, float(low), float(high)), false};
    });
    shape.op = LogicOp::COPY;
    shape.smooth = true;
    return shape;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SoftwareRasterAgainstGl,
    testing::Values(
        Case{"PointsEverywhere", 211, 97, 3000, shapes(random(GL_POINTS, 8, ANY_OP, -3, 215))},
        Case{"PointsFarOutside", 211, 97, 300, shapes(random(GL_POINTS, 8, ANY_OP, -2147483647, 2147483647))},
        Case{"PointsAtFloatCoordinates", 211, 97, 3000, shapes(randomFloat(GL_POINTS, 8, ANY_OP, -3, 215))},
        Case{"PointsOnPixelCorners", 211, 97, 3000, shapes([](Random& r) { return quarterPixels(r, GL_POINTS, 8, BLENDED); })},
        Case{"LinesInside", 700, 500, 400, shapes(random(GL_LINES, 2, PLAIN, 0, 499))},
        Case{"LinesBlendedAndLogicOps", 300, 200, 600, shapes(random(GL_LINES, 2, ANY_OP, -10, 310))},
        Case{"WideLines", 300, 200, 300, shapes(random(GL_LINES, 2, WIDE, -10, 310))},
        Case{"DashedStripsAndLoops", 300, 200, 200,
             shapes([](Random& r) { return shapeOf(between(r, 0, 1) ? GL_LINE_STRIP : GL_LINE_LOOP, between(r, 2, 6), r,
                                            DASHED, [](Random& rr) { return wholeVertex(rr, -10, 310); }); })},
        Case{"WideDashedLines", 300, 200, 200, shapes(random(GL_LINES, 6, WIDE_DASHED, -10, 310))},
        Case{"SlopesOfOne", 200, 200, 600, shapes([](Random& r) { return diagonal(r, ANY_OP); })},
        Case{"LinesThroughPixelCorners", 200, 200, 600,
             shapes([](Random& r) { return quarterPixels(r, GL_LINES, 2, ANY_OP); })},
        // 2 pixels, at the end of one dash of one line with an end past the window: the dash ends
        // a pixel apart in one row.
        Case{"LinesWithFloatEnds", 300, 200, 400, shapes(randomFloat(GL_LINES, 2, WIDE_DASHED, -20, 320)), 2, 255},
        Case{"LinesFarOutside", 300, 200, 300, shapes([](Random& r) { return fromInside(r, GL_LINES, 2, WIDE_DASHED, 30000); })},
        Case{"LinesJustOutside", 300, 200, 300, shapes([](Random& r) { return fromInside(r, GL_LINES, 2, WIDE_DASHED, 400); })},
        // Antialiased lines may differ: solid ones by 2 pixels, a step of one; dashed ones at the
        // ends of their dashes, where the coverage differs by up to 119 in 255.
        Case{"SmoothLines", 300, 200, 300, shapes([](Random& r) { return smoothLine(r, -20, 320); }), 322, 119},
        Case{"Triangles", 300, 200, 300, shapes(random(GL_TRIANGLES, 3, ANY_OP, -20, 320))},
        Case{"TrianglesFarOutside", 300, 200, 200, shapes(random(GL_TRIANGLES, 3, BLENDED, -100000, 100000))},
        Case{"TrianglesWithFloatCorners", 300, 200, 300, shapes(randomFloat(GL_TRIANGLES, 3, ANY_OP, -20, 320))},
        Case{"TrianglesOnPixelCorners", 200, 200, 300,
             shapes([](Random& r) { return quarterPixels(r, GL_TRIANGLES, 3, BLENDED); })},
        Case{"ConvexQuads", 300, 200, 300, shapes([](Random& r) { return convexQuad(r, ANY_OP); })},
        Case{"Rectangles", 300, 200, 300, shapes([](Random& r) { return rectangle(r, ANY_OP, -400, 700); })},
        Case{"DegenerateShapes", 100, 100, 400, shapes(random(GL_TRIANGLES, 3, ANY_OP, 40, 42))}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The rules without GL.

// A picture of one colour with a window's coordinate system, to draw into.
struct Canvas {
    Picture picture;
    VertexTransform transform;
    Rasterizer raster;
    Canvas(int width, int height, Pixel fill)
        : picture(width, height, fill), transform(Canvases::reshaped(width, height)), raster(picture, transform) {}
    ClipPoint at(float x, float y) const { return transform.toClip(x, y); }
    // The columns of row y that are not the fill.
    std::string row(int y, Pixel fill) const {
        std::string marks;
        for (int x = 0; x < picture.width; ++x) marks += picture.at(x, y) == fill ? '.' : '#';
        return marks;
    }
};

TEST(SoftwareRasterRules, OpaqueBlendingWritesTheColourAndClearBlendingKeepsThePicture) {
    for (int source = 0; source < 256; source += 5)
        for (int destination = 0; destination < 256; destination += 3) {
            EXPECT_EQ(blendChannel(source, destination, 255), source);
            EXPECT_EQ(blendChannel(source, destination, 0), destination);
        }
}

TEST(SoftwareRasterRules, TrianglesSharingAnEdgeCoverEachPixelOnce) {
    Random random(5);
    for (int trial = 0; trial < 200; ++trial) {
        // Two triangles on either side of a shared edge, with corners on quarter pixels of the
        // window, so that many edges pass through pixel centres: drawn in INVERT, a pixel covered
        // twice would come back white.
        auto quarter = [&] { return between(random, 0, 160) / 4.0f - 0.375f; };
        float x[4] = {quarter(), quarter(), quarter(), quarter()};
        float y[4] = {quarter(), quarter(), quarter(), quarter()};
        if (trial % 3 == 0) y[1] = y[0];  // a shared edge along a row,
        if (trial % 3 == 1) x[1] = x[0];  // or down a column

        Canvas inverted(40, 40, WHITE), painted(40, 40, WHITE);
        for (int k : {2, 3}) {
            inverted.raster.fillTriangle(inverted.at(x[0], y[0]), inverted.at(x[1], y[1]), inverted.at(x[k], y[k]),
                                         {0, 255, false, LogicOp::INVERT});
            painted.raster.fillTriangle(painted.at(x[0], y[0]), painted.at(x[1], y[1]), painted.at(x[k], y[k]),
                                        {0, 255, false, LogicOp::COPY});
        }
        // Where the triangles overlap (not only touch) a pixel is covered twice by rights.
        const bool sameSide = ((x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0])) *
                                  ((x[1] - x[0]) * (y[3] - y[0]) - (y[1] - y[0]) * (x[3] - x[0])) >
                              0;
        if (!sameSide) {
            EXPECT_EQ(inverted.picture.pixels, painted.picture.pixels) << "trial " << trial;
        }
    }
}

TEST(SoftwareRasterRules, DashesStepAPixelAlongTheLongerAxisAndCarryOnAlongAStrip) {
    struct Example {
        std::vector<std::array<float, 2>> strip;
        std::uint16_t pattern;
        std::string row0;
    };
    const Example examples[] = {
        {{{0, 0}, {24, 0}}, 0x00FF, "########........########.."},
        {{{0, 0}, {24, 6}}, 0x00FF, "###....................."},  // steps along x; row 0 holds the first 3
        {{{0, 0}, {5, 0}, {12, 0}}, 0x0F0F, "####....####............."},
        {{{3, 0}, {23, 0}}, 0x3333, "...##..##..##..##..##...."},
    };
    for (const Example& e : examples) {
        Canvas canvas(int(e.row0.size()), 2, WHITE);
        std::vector<ClipPoint> points;
        for (const auto& p : e.strip) points.push_back(canvas.at(p[0], p[1]));
        canvas.raster.drawLineStrip(points, false, {1, e.pattern, false}, {0, 255, false, LogicOp::COPY});
        EXPECT_EQ(canvas.row(0, WHITE), e.row0) << std::hex << e.pattern;
    }
}

TEST(SoftwareRasterRules, XorTwiceRestoresThePicture) {
    Canvas canvas(60, 40, 0x336699);
    const Picture before = canvas.picture;
    for (int pass = 0; pass < 2; ++pass) {
        canvas.raster.fillTriangle(canvas.at(3, 2), canvas.at(55, 9), canvas.at(20, 37), {0xA5A5A5, 255, false, LogicOp::XOR});
        canvas.raster.drawLine(canvas.at(0, 30), canvas.at(59, 1), {3, 0xFFFF, false}, true, {0xFFFFFF, 255, false, LogicOp::XOR});
    }
    EXPECT_EQ(canvas.picture.pixels, before.pixels);
}

}  // namespace
