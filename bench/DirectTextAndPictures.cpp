// DirectTextAndPictures: the text, sprite and picture workloads as a one-thread program draws them
// with OpenGL, FTGL and GLUT itself, in the child's window (see DirectGL.cpp).
#define GL_GLEXT_PROTOTYPES  // glWindowPos2i
#include <FTGL/ftgl.h>
#include <GL/freeglut.h>
#include <GL/glext.h>

#include <memory>

#include "TextAndPictures.h"

namespace {

// What the child keeps from scene to scene: the TrueType font, sized once, and the sprite
// uploaded once as a texture.
struct Resources {
    std::unique_ptr<FTPolygonFont> trueType;
    GLuint spriteTexture = 0;
};

Resources& resources() {
    static Resources kept;
    return kept;
}

// The points-to-pixels rule of the library's TrueType fonts: 90 dots per inch.
unsigned int pixelsOf(int points) { return static_cast<unsigned int>(points * 90 / 72); }

void setColor(const Style& style) {
    const Color c = style.getColor();
    glColor4ub(c.getRed(), c.getGreen(), c.getBlue(), c.getAlpha());
}

void drawText(const Scene& scene) {
    FTPolygonFont& trueType = *resources().trueType;
    for (const Shape& s : scene.shapes) {
        setColor(s.style);
        if (s.kind == Kind::BUILTIN_TEXT) {
            glRasterPos2i(s.x1, s.y1);
            glutBitmapString(GLUT_BITMAP_HELVETICA_12, reinterpret_cast<const unsigned char*>(s.text.c_str()));
        } else {
            // Glyphs are designed with y up, the window's matrix runs y down.
            glPushMatrix();
            glTranslatef(static_cast<GLfloat>(s.x1), static_cast<GLfloat>(s.y1), 0);
            glScalef(1, -1, 1);
            trueType.Render(s.text.c_str());
            glPopMatrix();
        }
    }
}

void drawSprites(const Scene& scene) {
    glBindTexture(GL_TEXTURE_2D, resources().spriteTexture);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColor4ub(255, 255, 255, 255);
    // The window's matrix nudges every vertex by 0.375: corners meant on pixel corners take it back.
    for (const Shape& s : scene.shapes) {
        const GLfloat left = s.x1 - 0.375f, top = s.y1 - 0.375f;
        const GLfloat right = left + SPRITE_SIDE, bottom = top + SPRITE_SIDE;
        // Texture rows run bottom-up, window rows top-down.
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(left, top);
        glTexCoord2f(1, 1);
        glVertex2f(right, top);
        glTexCoord2f(1, 0);
        glVertex2f(right, bottom);
        glTexCoord2f(0, 0);
        glVertex2f(left, bottom);
        glEnd();
    }
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

void drawPictures(const Scene& scene) {
    for (const Shape& s : scene.shapes) {
        glWindowPos2i(0, 0);
        glDrawPixels(WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, framePixels(s.x2).data());
        glutSwapBuffers();
    }
}

}  // namespace

void prepareDirectTextAndPictures() {
    Resources& kept = resources();
    kept.trueType = std::make_unique<FTPolygonFont>(TRUETYPE_FILE);
    kept.trueType->FaceSize(pixelsOf(TEXT_POINTS), 72);
    glGenTextures(1, &kept.spriteTexture);
    glBindTexture(GL_TEXTURE_2D, kept.spriteTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const std::vector<unsigned char> pixels = spritePixels();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, SPRITE_SIDE, SPRITE_SIDE, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    for (int frame : {0, 1}) framePixels(frame);  // made now, not while timed
}

void drawTextAndPicturesDirectly(const Scene& scene) {
    switch (scene.shapes.front().kind) {
        case Kind::SPRITE: drawSprites(scene); break;
        case Kind::PICTURE: drawPictures(scene); break;
        default: drawText(scene); break;
    }
}
