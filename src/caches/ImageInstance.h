// Renderer::ImageInstance: the pixels behind every Image, in one process-wide cache of handles and
// reference counts. Cache calls run on the caller's thread, drawing and capturing on the renderer
// thread; the cache mutex guards every map and every instance's pixels. Private: no GL types here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Image.h"
#include "caches/FileSave.h"
#include "renderer/Renderer.h"
#include "shared/Locking.h"

class Transform;

class Renderer::ImageInstance {
public:
    // Loads a JPEG or PNG file; halts for SCREEN, which is not a file format.
    ImageInstance(const std::string& filename, Image::Type type, unsigned short* width, unsigned short* height);
    // Adopts a pixel block allocated with new[].
    ImageInstance(unsigned char* data, Image::Type type, unsigned short width, unsigned short height);

    // Cache operations, on the caller's thread.
    static int getImageHandle(const std::string& filename, Image::Type type, int* width, int* height);
    static void releaseImageHandle(int handle);
    static void bumpImageRefCount(int handle);
    static void saveImage(int handle, const std::string& filename, Image::Type type);
    static bool checkImage(const std::string& filename, Image::Type type);
    static int subImage(int handle, int x, int y, int width, int height);
    static int createEditableImage(int handle);
    static int createEditableImage(int width, int height);
    static unsigned char* getImageData(int handle);
    static ImageInstance* getImageInstance(int handle);
    // Copies of the pixels in and out under the cache mutex, so editing never races a drawing.
    static std::vector<unsigned char> copyPixels(int handle);
    static void replacePixels(int handle, const std::vector<unsigned char>& pixels);

    // Renderer thread, with the window's GL context current. A plain draw stays uploaded in that
    // context until its pixels change or other pictures push it out, and the same pixels drawn
    // again in a row join one run of textured quads (see Renderer::endBatch).
    static void drawImage(int handle, int x, int y, RendererStatics::RendererWindow& window);
    static void drawImage(int handle, int x, int y, const Transform& transform);
    static int createImage(int windowWidth, int windowHeight, int left, int top, int width, int height);
    // Renderer thread: a platform window has gone, and with its GL context the pictures uploaded there.
    static void forgetContext(int context);
    // Renderer thread, right after the glEnd of a run of pictures: texturing off again.
    static void endPictureRun();

    // File formats; the pixel store's rows run bottom to top, a file's top to bottom.
    static void jpegload(const char* filename, unsigned short* width, unsigned short* height, unsigned char** data);
    static void pngload(const char* filename, unsigned short* width, unsigned short* height, unsigned char** data);
    static void jpegsave(const char* filename, unsigned short width, unsigned short height, unsigned char* data);
    static void pngsave(const char* filename, unsigned short width, unsigned short height, unsigned char* data);
    // Saves RGBA pixels whose rows run top first as a PNG file, for the renderer: a file that cannot
    // be written does not halt, but is the caller's to report, and a FIFO is written only if a
    // program reads it already.
    static SaveOutcome pngsaveTopFirst(const std::string& filename, unsigned short width, unsigned short height,
                                       unsigned char* pixels);

    // Pure helpers, no GL and no files.
    // The store row that holds row n of a file: files list rows top first, stores bottom first.
    static unsigned char* fileRow(unsigned char* store, std::size_t rowBytes, unsigned short height, unsigned int n);
    // Converts ink (cyan, magenta, yellow, black; 0 for none, or 255 for none when inverted) to
    // red, green, blue, 3 bytes a pixel.
    static void cmykToRgb(const unsigned char* cmyk, unsigned char* rgb, std::size_t pixels, bool inverted);
    // Copies pixels between layouts of 3 or 4 components, dropping alpha or adding 255 as alpha.
    static void convertPixels(const unsigned char* from, int fromComponents, unsigned char* to, int toComponents,
                              std::size_t pixels);
    // The smallest power of two not below side (1 for 0).
    static unsigned int textureSide(unsigned int side);
    // The part of a run of length pixels from start that lies in 0 to limit: how many are cut off
    // before it, and how many are left (0 when none).
    struct Span {
        int skipped;
        int count;
    };
    static Span visiblePart(int start, int length, int limit);
    // Whether the tile from (left, top) to (right, bottom), in pixels of a picture drawn at (x, y)
    // with the transform, reaches into a window of width by height pixels.
    static bool tileShows(int left, int top, int right, int bottom, int x, int y, const Transform& transform, int width,
                          int height);
    // Bytes per pixel in the store: 3 for JPEG, 4 for PNG and SCREEN, 0 for anything else.
    static int componentsOf(Image::Type type);

    // For tests: the handle last made for a file (-1 if none) and a handle's reference count.
    static int handleOfFile(const std::string& filename);
    static int refCount(int handle);

    unsigned short getWidth() const { return width; }
    unsigned short getHeight() const { return height; }
    Image::Type getType() const { return type; }

private:
    // Registers a new instance under a new handle with count 1; the caller holds the mutex.
    static int registerInstance(ImageInstance* instance);
    // The live instance of a handle; halts if there is none. The caller holds the mutex.
    static ImageInstance& liveInstance(int handle);

    // Binds the picture's texture in the current context, uploaded unless it holds these very
    // pixels, and opens a run of textured quads; false, having drawn nothing, for a picture too
    // large to be kept as a texture.
    bool startPictureRun(int handle, int context) const;
    // Whether every pixel of a picture with alpha is opaque, so that drawing it need not blend:
    // blending took up to a fifth of a whole-window picture's time on llvmpipe, and changes no opaque
    // pixel. Worked out once for each generation of pixels; the caller holds the mutex.
    bool isOpaque() const;

    unsigned short width = 0;
    unsigned short height = 0;
    std::unique_ptr<unsigned char[]> data;
    Image::Type type;
    // Tells these pixels from every other picture's and from this one's earlier pixels.
    std::uint64_t generation = nextGeneration();
    static std::uint64_t nextGeneration();
    mutable std::uint64_t opacityGeneration = 0;  // the generation that opaque tells of
    mutable bool opaque = false;
};

// The image cache, built on first use: file-scope Images of a program load before main.
struct RendererImageInstanceStatics {
    std::map<std::string, int> handles;  // never shrinks: the handle last made for each file
    std::map<int, std::unique_ptr<Renderer::ImageInstance>> instances;  // the live ones
    std::map<int, int> refcounts;
    int nextHandle = 0;
    PortMutex mutex;
};
