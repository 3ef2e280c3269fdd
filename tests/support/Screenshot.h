// Pictures for tests that look at whole programs from outside, as 8-bit RGB: a rectangle of the
// test display, or a picture file read back through ImageMagick.
#pragma once

#include <string>
#include <vector>

#include "Color.h"

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // rows from the top, 3 bytes a pixel

    Color at(int x, int y) const;
};

// The rectangle of the screen with its top-left corner at (x, y).
Picture screenshot(int x, int y, int width, int height);
// A picture file that should be width by height pixels; another size fails the test.
Picture pictureFile(const std::string& file, int width, int height);
// Writes the picture as a PNG file, for looking at what a failing test saw.
void savePicture(const Picture& picture, const std::string& file);
// How many pixels differ between two pictures of one size by more than tolerance in some channel.
int differingPixels(const Picture& a, const Picture& b, int tolerance);
