// Pictures taken from the screen, and read and written through ImageMagick's convert command.
#include "Screenshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "XClient.h"

namespace {

Picture readRGB(const std::string& command, int width, int height) {
    Picture picture{width, height, std::vector<unsigned char>(std::size_t(width) * height * 3)};
    FILE* pipe = popen(command.c_str(), "r");
    std::size_t got = pipe ? std::fread(picture.rgb.data(), 1, picture.rgb.size(), pipe) : 0;
    // Anything left over means a larger picture than expected.
    bool more = pipe && std::fgetc(pipe) != EOF;
    if (pipe) pclose(pipe);
    EXPECT_TRUE(got == picture.rgb.size() && !more) << "not a " << width << " by " << height << " picture: " << command;
    return picture;
}

}  // namespace

Color Picture::at(int x, int y) const {
    std::size_t i = (std::size_t(y) * width + x) * 3;
    return Color(rgb[i], rgb[i + 1], rgb[i + 2]);
}

Picture screenshot(int x, int y, int width, int height) { return {width, height, screenRGB(x, y, width, height)}; }

Picture pictureFile(const std::string& file, int width, int height) {
    return readRGB("convert '" + file + "' -depth 8 rgb:-", width, height);
}

void savePicture(const Picture& picture, const std::string& file) {
    const std::string command = "convert -size " + std::to_string(picture.width) + "x" +
                                std::to_string(picture.height) + " -depth 8 rgb:- '" + file + "'";
    FILE* pipe = popen(command.c_str(), "w");
    if (!pipe) return;
    std::fwrite(picture.rgb.data(), 1, picture.rgb.size(), pipe);
    pclose(pipe);
}

int differingPixels(const Picture& a, const Picture& b, int tolerance) {
    if (a.width != b.width || a.height != b.height) return a.width * a.height;
    int count = 0;
    for (std::size_t i = 0; i < a.rgb.size(); i += 3) {
        for (std::size_t c = i; c < i + 3; ++c) {
            if (std::abs(a.rgb[c] - b.rgb[c]) > tolerance) {
                ++count;
                break;
            }
        }
    }
    return count;
}
