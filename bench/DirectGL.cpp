// DirectGL: the child process that draws the scenes straight into a toolkit window of its own.
#include "DirectGL.h"

#include "TextAndPictures.h"
#include "Yardstick.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <sys/prctl.h>

#include <chrono>
#include <cmath>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Vertices for one glDrawArrays call: x, y and an RGBA colour each.
class Batch {
public:
    void add(double x, double y, Color color) {
        xy.insert(xy.end(), {static_cast<GLfloat>(x), static_cast<GLfloat>(y)});
        rgba.insert(rgba.end(), {color.getRed(), color.getGreen(), color.getBlue(), color.getAlpha()});
    }
    void draw(GLenum mode) const {
        if (xy.empty()) return;
        glVertexPointer(2, GL_FLOAT, 0, xy.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, rgba.data());
        glDrawArrays(mode, 0, static_cast<GLsizei>(xy.size() / 2));
    }

private:
    std::vector<GLfloat> xy;
    std::vector<GLubyte> rgba;
};

// A scene as three arrays, one per kind of geometry; circles and polygons become triangles. The
// lines are drawn in the width of the scene's last line: a scene's lines share theirs.
struct SceneArrays {
    Batch points, lines, triangles;
    GLfloat lineWidth = 1;

    explicit SceneArrays(const Scene& scene) {
        constexpr double PI = 3.14159265358979323846;
        for (const Shape& s : scene.shapes) {
            const Color c = s.style.getColor();
            switch (s.kind) {
                case Kind::PIXEL: points.add(s.x1, s.y1, c); break;
                case Kind::LINE:
                    lines.add(s.x1, s.y1, c);
                    lines.add(s.x2, s.y2, c);
                    lineWidth = static_cast<GLfloat>(s.style.getLineWidth());
                    break;
                case Kind::CIRCLE:
                    // The slices of the quadric's disk: its angles start on +y.
                    for (int k = 0; k < CIRCLE_SLICES; ++k) {
                        const double from = 2 * PI * k / CIRCLE_SLICES, to = 2 * PI * (k + 1) / CIRCLE_SLICES;
                        triangles.add(s.x1, s.y1, c);
                        triangles.add(s.x1 + CIRCLE_RADIUS * std::sin(from), s.y1 + CIRCLE_RADIUS * std::cos(from), c);
                        triangles.add(s.x1 + CIRCLE_RADIUS * std::sin(to), s.y1 + CIRCLE_RADIUS * std::cos(to), c);
                    }
                    break;
                case Kind::POLYGON:
                    for (std::size_t k = 1; k + 1 < s.xs.size(); ++k)
                        for (std::size_t corner : {std::size_t{0}, k, k + 1}) triangles.add(s.xs[corner], s.ys[corner], c);
                    break;
                default: break;  // text and pictures: drawn only immediately
            }
        }
    }

    void draw() const {
        points.draw(GL_POINTS);
        glLineWidth(lineWidth);
        lines.draw(GL_LINES);
        glLineWidth(1);
        triangles.draw(GL_TRIANGLES);
    }
};

void drawImmediately(const Scene& scene, GLUquadric* disk) {
    // Set only when it changes, as a program would, and 1 again at the end, as every drawing finds it.
    int lineWidth = 1;
    for (const Shape& s : scene.shapes) {
        const Color c = s.style.getColor();
        glColor4ub(c.getRed(), c.getGreen(), c.getBlue(), c.getAlpha());
        switch (s.kind) {
            case Kind::PIXEL:
                glBegin(GL_POINTS);
                glVertex2i(s.x1, s.y1);
                glEnd();
                break;
            case Kind::LINE:
                if (s.style.getLineWidth() != lineWidth) {
                    lineWidth = s.style.getLineWidth();
                    glLineWidth(static_cast<GLfloat>(lineWidth));
                }
                glBegin(GL_LINES);
                glVertex2i(s.x1, s.y1);
                glVertex2i(s.x2, s.y2);
                glEnd();
                break;
            case Kind::CIRCLE:
                glPushMatrix();
                glTranslatef(static_cast<GLfloat>(s.x1), static_cast<GLfloat>(s.y1), 0);
                gluDisk(disk, 0, CIRCLE_RADIUS, CIRCLE_SLICES, 1);
                glPopMatrix();
                break;
            case Kind::POLYGON:
                glBegin(GL_POLYGON);
                for (std::size_t k = 0; k < s.xs.size(); ++k) glVertex2i(s.xs[k], s.ys[k]);
                glEnd();
                break;
            default: break;  // text and pictures: see DirectTextAndPictures.cpp
        }
    }
    if (lineWidth != 1) glLineWidth(1);
}

bool exposed = false;
void display() { exposed = true; }

// A window beside the library's, mapped and cleared before anything is timed, with the library's
// coordinates: origin top-left, y down, pixel (x, y) lit by a point at (x, y).
void openWindow() {
    int argc = 1;
    char name[] = "brindlewood_bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA);
    glutInitWindowPosition(WIDTH + 20, 0);
    glutInitWindowSize(WIDTH, HEIGHT);
    glutCreateWindow("brindlewood_bench direct GL");
    glutDisplayFunc(display);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (!exposed && Clock::now() < deadline) glutMainLoopEvent();
    glViewport(0, 0, WIDTH, HEIGHT);
    glLoadIdentity();
    gluOrtho2D(0, WIDTH, 0, HEIGHT);
    glTranslatef(0, HEIGHT, 0);
    glScalef(1, -1, 1);
    glTranslatef(0.375f, 0.375f, 0);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glFinish();
}

}  // namespace

void DirectGL::serve(const std::vector<Scene>& scenes, int requests, int replies) {
    prctl(PR_SET_NAME, "direct_gl");  // so that profiles tell it from the library's threads
    openWindow();
    std::vector<SceneArrays> arrays(scenes.begin(), scenes.end());
    prepareDirectTextAndPictures();
    GLUquadric* disk = gluNewQuadric();
    const std::string renderer = std::string(reinterpret_cast<const char*>(glGetString(GL_RENDERER))) + ", OpenGL " +
                                 reinterpret_cast<const char*>(glGetString(GL_VERSION));
    serveDrawings(requests, replies, renderer, [&](int scene, int path, bool flip) {
        if (isTextOrPictures(scenes[scene]))
            drawTextAndPicturesDirectly(scenes[scene]);
        else if (path == IMMEDIATE)
            drawImmediately(scenes[scene], disk);
        else
            arrays[scene].draw();
        if (flip) glutSwapBuffers();
        glFinish();
    });
}
