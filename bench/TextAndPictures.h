// TextAndPictures: the workloads of text and pictures, drawn through Window in the benchmark's
// process and with OpenGL, FTGL and GLUT directly in the child, and the bouncing discs, an
// animation loop through Window. The fonts and pictures are made once, on first use.
#pragma once

#include <vector>

#include "Brindlewood.h"
#include "Scenes.h"

// The TrueType font of the text workload, drawn at 12 points (15 pixels) on both paths.
constexpr const char* TRUETYPE_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int TEXT_POINTS = 12;
// The sprite: a 32 by 32 picture, a disc that fades out to see-through corners.
constexpr int SPRITE_SIDE = 32;

// The sprite's pixels, rows from the bottom up as setPixels takes them: opaque within 12 pixels of
// its centre, fading to see-through at 16.
std::vector<unsigned char> spritePixels();
// A whole-window picture for frame n, rows from the bottom up: an opaque gradient that shifts from
// one frame to the next, in two pictures that take turns.
const std::vector<unsigned char>& framePixels(int frame);

// Short strings ("x = 123") at random places, in a built-in bitmap font (Helvetica 12) or the
// TrueType font.
Scene textScene(Kind font, int count);
// The sprite at random places.
Scene spriteScene(int count);
// Whole-window pictures in turn, each a frame: setPixels, drawImage at (0, 0), flipPage.
Scene pictureScene(int frames);

// Parent: one shape of the kinds above through Window.
void drawThroughWindow(Window& window, const Shape& shape);
// Parent: whether the shape, drawn last, shows: a pixel of the text in its colour, the sprite's
// opaque centre, the picture's pixels where the shape's (x1, y1) says.
bool showsThroughWindow(Window& window, const Shape& shape);

// Child, with its window open: makes the font objects and the sprite's texture.
void prepareDirectTextAndPictures();
// Child: the scene as a program calling OpenGL, FTGL and GLUT would draw it (see README.md).
void drawTextAndPicturesDirectly(const Scene& scene);
// Whether a scene is one of these workloads.
bool isTextOrPictures(const Scene& scene);

// How an animation loop went: frames a second and its longest frame.
struct FrameRate {
    double framesPerSecond = 0;
    double longestFrameMs = 0;
};

// A thousand discs bouncing off the window's edges: clear, draw each disc, waitForNextFrame, for
// the given seconds.
FrameRate bounceDiscs(Window& window, int seconds);
