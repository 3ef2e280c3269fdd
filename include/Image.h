// Image: a picture loaded from a JPEG or PNG file, captured from a window or cut from another
// image. A small value holding a handle into the process-wide image cache; copies share the
// pixels, which are freed when the last copy (or queued drawing of it) is gone. Only the library
// makes handles: a program gets Images from the file constructor, Window::createImage,
// subImage, createEditable and makeEditable. A call that halts aborts the program with a
// report on stderr.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CallSite.h"

class Image {
public:
    enum Type { JPEG = 0, PNG = 1, SCREEN = 2, NOT_INITIALIZED = 3 };
    // The most pixels a picture from a file may have: 16384 by 16384, or as many in another shape
    // (a side as long as the format allows: 65500 for JPEG, 65535 for PNG). A file that declares
    // more cannot be read: it is refused before any memory is taken for it.
    static constexpr unsigned long long MAX_PIXELS = 16384ULL * 16384;
    // Nor may a file declare more pixels than this for each of its bytes, one under 2,048 bytes
    // counting as 2,048 (so 2048 by 2048 pixels): a small file costs little memory and time. Every
    // PNG of 8 bits a pixel or more, and every JPEG but an arithmetic-coded one of nearly one
    // colour, holds fewer. A file that declares more is refused as one over MAX_PIXELS is.
    static constexpr unsigned long long MAX_PIXELS_PER_BYTE = 2048;
    // A JPEG sent in more scans than this cannot be read: each scan may cost the time of decoding
    // the whole picture. Progressive JPEGs have 10 or so, as libjpeg writes them 6 to 18.
    static constexpr int MAX_JPEG_SCANS = 32;

    // Loads the file (shared with other Images of the same name); halts on an empty name or a
    // file that cannot be read as that type, one beyond the limits below included. CMYK JPEGs
    // load as RGB.
    Image(const std::string& filename, Type type, CallSite site = CallSite());
    // Adopts one reference to a cache handle that the caller already holds: the library's own
    // way of returning a new picture, not one for programs.
    Image(int handle, int width, int height, Type type);
    // No picture: 0 by 0, NOT_INITIALIZED.
    Image();
    Image(const Image& other);
    // Assigning an image with no picture leaves this one as it was.
    Image& operator=(const Image& other);
    ~Image();

    bool operator==(const Image& other) const;
    bool operator!=(const Image& other) const;

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    Type getType() const { return type; }

    // Writes the picture as a JPEG or PNG file; does nothing for an image with no picture. Writes the
    // file the name reaches through links, as opening it for writing would (a device directly), and
    // keeps its mode, owner and other names. The file appears whole or not at all where one of a
    // single name may be replaced: a save that fails (a full disk) halts, naming the file and why,
    // and leaves it as it was. Other threads' pictures go on while the file is written.
    void save(const std::string& filename, Type fileType, CallSite site = CallSite()) const;
    // Whether the constructor would load the file as that type rather than halt: the whole file
    // is decoded, quietly and through one row of memory (and a progressive JPEG's coefficients, 2
    // bytes a pixel for each colour), so this costs about a load's time, and no more than a load's
    // memory. Never halts. For SCREEN and NOT_INITIALIZED, whether the file can be opened.
    static bool checkImage(const std::string& filename, Type fileType, CallSite site = CallSite());
    // The rectangle whose bottom-left corner is (x, y) counted from the picture's bottom-left;
    // parts outside the picture come back as zero bytes.
    Image subImage(int x, int y, int width, int height, CallSite site = CallSite()) const;

    // A width by height picture of opaque white (SCREEN), ready to be painted with setPixels.
    static Image createEditable(int width, int height, CallSite site = CallSite());
    // A SCREEN copy with pixels of its own, 4 bytes each; a JPEG's pixels get alpha 255.
    Image makeEditable(CallSite site = CallSite()) const;
    // A copy of the pixels: rows from the bottom of the picture up, each left to right, 3 bytes
    // (red, green, blue) per pixel for JPEG and 4 (then alpha) otherwise. Empty with no picture.
    std::vector<unsigned char> getPixels(CallSite site = CallSite()) const;
    // Replaces the pixels, laid out as getPixels gives them; every copy of this image sees the
    // change, so edit a makeEditable() copy rather than a file's shared picture.
    void setPixels(const std::vector<unsigned char>& pixels, CallSite site = CallSite());

private:
    friend class Window;

    int width;
    int height;
    int handle;
    Type type;
};

// Writes Image(width, height, TYPE).
std::ostream& operator<<(std::ostream& out, const Image& image);
