// The image cache and the drawing of its pictures. Cache calls run on whichever thread asks;
// drawImage and createImage run on the renderer with the window's context current. The cache
// mutex is held for the whole of each call, GL drawing included, so no thread sees half a change.
#include "caches/ImageInstance.h"

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>

#include "Transform.h"
#include "geometry/PixelRect.h"
#include "shared/Diagnostics.h"
#include "shared/Globals.h"

namespace {

const char* const OUT_OF_MEMORY =
    "Could not allocate sufficent memory to create a new ImageInstance.  Free up some memory and try again";
// The largest piece of a picture given to GL as one texture in a transformed draw: 4 MB at most.
constexpr int TILE_SIDE = 1024;

RendererImageInstanceStatics& cache() { return *Globals<RendererImageInstanceStatics>::impl(); }

// The most that one GL context keeps of pictures uploaded as textures: the least recently drawn
// are let go of first, and a larger picture is drawn without being kept.
constexpr std::size_t KEPT_TEXTURE_BYTES = std::size_t(64) << 20;

// A picture uploaded as a texture: the picture sits in its bottom-left corner.
struct UploadedPicture {
    GLuint texture = 0;
    std::uint64_t generation = 0;  // of the pixels it holds
    GLsizei width = 0, height = 0;
    int components = 0;
    std::uint64_t lastUse = 0;
    std::size_t bytes() const { return std::size_t(width) * height * components; }
};

// The pictures kept uploaded in one context, by image handle, and the spare textures of pictures
// that are gone, under their old handles.
struct ContextTextures {
    std::map<int, UploadedPicture> pictures;
    std::size_t bytes = 0;
};

// Renderer thread only: each platform window's context and what it keeps uploaded.
struct UploadedPictures {
    std::map<int, ContextTextures> contexts;
    std::uint64_t uses = 0;
};

UploadedPictures& uploaded() { return *Globals<UploadedPictures>::impl(); }

// How many textures of pictures that are gone a context keeps for new pictures of their size. A
// picture made and let go of each frame then takes over the texture of the last frame's, rather
// than the driver allocating one and freeing another each frame, which fragments the heap without
// end.
constexpr std::size_t SPARE_TEXTURES = 8;

bool isLive(int handle) { return cache().instances.count(handle) > 0; }

// A texture for a picture new to the context, bound: a spare of the size wanted where there is one,
// or a new texture. Spares beyond SPARE_TEXTURES are let go of, the least recently drawn first.
UploadedPicture takeTexture(ContextTextures& kept, const UploadedPicture& wanted) {
    std::vector<std::map<int, UploadedPicture>::iterator> spares;
    for (auto p = kept.pictures.begin(); p != kept.pictures.end(); ++p)
        if (!isLive(p->first)) spares.push_back(p);
    const auto fits = std::find_if(spares.begin(), spares.end(), [&wanted](const auto& spare) {
        const UploadedPicture& texture = spare->second;
        return texture.width == wanted.width && texture.height == wanted.height &&
               texture.components == wanted.components;
    });
    UploadedPicture taken;
    if (fits != spares.end()) {
        taken = (*fits)->second;  // its bytes stay counted, now for the new picture
        kept.pictures.erase(*fits);
        spares.erase(fits);
        glBindTexture(GL_TEXTURE_2D, taken.texture);
    } else {
        glGenTextures(1, &taken.texture);
        glBindTexture(GL_TEXTURE_2D, taken.texture);
        // Each pixel's centre samples its own texel, as glDrawPixels would draw it.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    if (spares.size() > SPARE_TEXTURES) {
        std::sort(spares.begin(), spares.end(),
                  [](const auto& a, const auto& b) { return a->second.lastUse < b->second.lastUse; });
        for (std::size_t n = 0; n < spares.size() - SPARE_TEXTURES; ++n) {
            glDeleteTextures(1, &spares[n]->second.texture);
            kept.bytes -= spares[n]->second.bytes();
            kept.pictures.erase(spares[n]);
        }
    }
    return taken;
}

// Lets go of the least recently drawn pictures but the one given until the context keeps no more
// than it may.
void keepWithinBudget(ContextTextures& kept, int drawn) {
    while (kept.bytes > KEPT_TEXTURE_BYTES) {
        auto oldest = kept.pictures.end();
        for (auto p = kept.pictures.begin(); p != kept.pictures.end(); ++p)
            if (p->first != drawn && (oldest == kept.pictures.end() || p->second.lastUse < oldest->second.lastUse))
                oldest = p;
        glDeleteTextures(1, &oldest->second.texture);
        kept.bytes -= oldest->second.bytes();
        kept.pictures.erase(oldest);
    }
}

// A zeroed pixel block, as new[] so that an instance can adopt it.
unsigned char* allocatePixels(std::size_t bytes) {
    unsigned char* pixels = new (std::nothrow) unsigned char[bytes]();
    if (!pixels) FATAL_ERROR(OUT_OF_MEMORY);
    return pixels;
}

// Sizes of made images travel as 16 bits; anything else would be silently cut.
unsigned short checkedSide(int side) {
    if (side < 0 || side > USHRT_MAX) FATAL_ERROR("An image must be between 0 and 65535 pixels wide and high");
    return static_cast<unsigned short>(side);
}

std::size_t storeBytes(const Renderer::ImageInstance& image) {
    return std::size_t(image.getWidth()) * image.getHeight() * Renderer::ImageInstance::componentsOf(image.getType());
}

}  // namespace

Renderer::ImageInstance::ImageInstance(const std::string& filename, Image::Type type, unsigned short* width,
                                       unsigned short* height)
    : type(type) {
    unsigned char* pixels = nullptr;
    *width = 0;
    *height = 0;
    switch (type) {
        case Image::JPEG:
            jpegload(filename.c_str(), width, height, &pixels);
            break;
        case Image::PNG:
            pngload(filename.c_str(), width, height, &pixels);
            break;
        case Image::SCREEN:
            FATAL_ERROR("Can't load an image of type SCREEN, it isn't a file format");
        case Image::NOT_INITIALIZED:
            break;  // not a file format either: an empty picture
    }
    data.reset(pixels);
    this->width = *width;
    this->height = *height;
}

Renderer::ImageInstance::ImageInstance(unsigned char* data, Image::Type type, unsigned short width,
                                       unsigned short height)
    : width(width), height(height), data(data), type(type) {}

std::uint64_t Renderer::ImageInstance::nextGeneration() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

int Renderer::ImageInstance::registerInstance(ImageInstance* instance) {
    if (!instance) FATAL_ERROR(OUT_OF_MEMORY);
    RendererImageInstanceStatics& images = cache();
    int handle = images.nextHandle;
    if (handle == INT_MAX) {
        NON_FATAL_ASSERTION("Did you really create that many images?  The Image handle counter has overflown.");
        images.nextHandle = 0;
    } else {
        images.nextHandle = handle + 1;
    }
    images.refcounts[handle] = 1;
    images.instances[handle].reset(instance);
    return handle;
}

Renderer::ImageInstance& Renderer::ImageInstance::liveInstance(int handle) {
    auto found = cache().instances.find(handle);
    if (found == cache().instances.end() || !found->second) FATAL_ASSERTION("There is no image with that handle");
    return *found->second;
}

int Renderer::ImageInstance::getImageHandle(const std::string& filename, Image::Type type, int* width, int* height) {
    if (!width) FATAL_ASSERTION("Passed a null pointer for the width");
    if (!height) FATAL_ASSERTION("Passed a null pointer for the height");
    RendererImageInstanceStatics& images = cache();
    std::lock_guard<PortMutex> lock(images.mutex);
    auto known = images.handles.find(filename);
    if (known != images.handles.end() && isLive(known->second)) {
        int handle = known->second;
        if (++images.refcounts[handle] == INT_MAX) NON_FATAL_ASSERTION("Image refcounts for handle have overflown?");
        *width = images.instances[handle]->width;
        *height = images.instances[handle]->height;
        return handle;
    }
    unsigned short loadedWidth = 0;
    unsigned short loadedHeight = 0;
    int handle = registerInstance(new (std::nothrow) ImageInstance(filename, type, &loadedWidth, &loadedHeight));
    images.handles[filename] = handle;
    *width = loadedWidth;
    *height = loadedHeight;
    return handle;
}

void Renderer::ImageInstance::releaseImageHandle(int handle) {
    if (handle < 0) return;
    RendererImageInstanceStatics& images = cache();
    std::lock_guard<PortMutex> lock(images.mutex);
    int count = --images.refcounts[handle];
    if (count < 0) NON_FATAL_ASSERTION("Refcounts for an image handle have somehow become negative");
    if (count == 0) {
        // Handles are not made again, so their entries go too: a program that makes a picture a
        // frame keeps the cache's size.
        images.instances.erase(handle);
        images.refcounts.erase(handle);
    }
}

void Renderer::ImageInstance::bumpImageRefCount(int handle) {
    if (handle == -1) return;
    RendererImageInstanceStatics& images = cache();
    std::lock_guard<PortMutex> lock(images.mutex);
    int& count = images.refcounts[handle];
    if (count == 0) FATAL_ASSERTION("Image has been destroyed; cannot bump refcount");
    if (++count == INT_MAX) NON_FATAL_ASSERTION("Image refcounts for handle have overflown?");
}

int Renderer::ImageInstance::subImage(int handle, int x, int y, int width, int height) {
    unsigned short cutWidth = checkedSide(width);
    unsigned short cutHeight = checkedSide(height);
    std::lock_guard<PortMutex> lock(cache().mutex);
    const ImageInstance& source = liveInstance(handle);
    int components = componentsOf(source.type);
    unsigned char* pixels = allocatePixels(std::size_t(cutWidth) * cutHeight * components);
    // Rows count from the bottom, as in the store; whatever lies outside the source stays zero.
    for (int j = 0; j < cutHeight; ++j) {
        long sourceY = long(y) + j;
        if (sourceY < 0 || sourceY >= source.height) continue;
        for (int i = 0; i < cutWidth; ++i) {
            long sourceX = long(x) + i;
            if (sourceX < 0 || sourceX >= source.width) continue;
            std::memcpy(pixels + (std::size_t(j) * cutWidth + i) * components,
                        source.data.get() + (std::size_t(sourceY) * source.width + sourceX) * components, components);
        }
    }
    return registerInstance(new (std::nothrow) ImageInstance(pixels, source.type, cutWidth, cutHeight));
}

int Renderer::ImageInstance::createEditableImage(int handle) {
    std::lock_guard<PortMutex> lock(cache().mutex);
    const ImageInstance& source = liveInstance(handle);
    std::size_t pixelCount = std::size_t(source.width) * source.height;
    unsigned char* pixels = allocatePixels(pixelCount * 4);
    convertPixels(source.data.get(), componentsOf(source.type), pixels, 4, pixelCount);
    return registerInstance(new (std::nothrow) ImageInstance(pixels, Image::SCREEN, source.width, source.height));
}

int Renderer::ImageInstance::createEditableImage(int width, int height) {
    unsigned short editableWidth = checkedSide(width);
    unsigned short editableHeight = checkedSide(height);
    std::size_t bytes = std::size_t(editableWidth) * editableHeight * 4;
    unsigned char* pixels = allocatePixels(bytes);
    std::memset(pixels, 255, bytes);  // opaque white
    std::lock_guard<PortMutex> lock(cache().mutex);
    return registerInstance(new (std::nothrow) ImageInstance(pixels, Image::SCREEN, editableWidth, editableHeight));
}

unsigned char* Renderer::ImageInstance::getImageData(int handle) {
    std::lock_guard<PortMutex> lock(cache().mutex);
    return liveInstance(handle).data.get();
}

Renderer::ImageInstance* Renderer::ImageInstance::getImageInstance(int handle) {
    std::lock_guard<PortMutex> lock(cache().mutex);
    auto found = cache().instances.find(handle);
    return found == cache().instances.end() ? nullptr : found->second.get();
}

std::vector<unsigned char> Renderer::ImageInstance::copyPixels(int handle) {
    std::lock_guard<PortMutex> lock(cache().mutex);
    const ImageInstance& image = liveInstance(handle);
    return std::vector<unsigned char>(image.data.get(), image.data.get() + storeBytes(image));
}

void Renderer::ImageInstance::replacePixels(int handle, const std::vector<unsigned char>& pixels) {
    std::lock_guard<PortMutex> lock(cache().mutex);
    ImageInstance& image = liveInstance(handle);
    if (pixels.size() != storeBytes(image)) FATAL_ERROR("The pixels given to an image do not match its size");
    std::copy(pixels.begin(), pixels.end(), image.data.get());
    image.generation = nextGeneration();
}

int Renderer::ImageInstance::handleOfFile(const std::string& filename) {
    std::lock_guard<PortMutex> lock(cache().mutex);
    auto found = cache().handles.find(filename);
    return found == cache().handles.end() ? -1 : found->second;
}

int Renderer::ImageInstance::refCount(int handle) {
    std::lock_guard<PortMutex> lock(cache().mutex);
    auto found = cache().refcounts.find(handle);
    return found == cache().refcounts.end() ? 0 : found->second;
}

void Renderer::ImageInstance::convertPixels(const unsigned char* from, int fromComponents, unsigned char* to,
                                            int toComponents, std::size_t pixels) {
    for (std::size_t p = 0; p < pixels; ++p) {
        const unsigned char* source = from + p * fromComponents;
        unsigned char* target = to + p * toComponents;
        for (int c = 0; c < toComponents; ++c) target[c] = c < fromComponents ? source[c] : 255;
    }
}

void Renderer::ImageInstance::cmykToRgb(const unsigned char* cmyk, unsigned char* rgb, std::size_t pixels,
                                        bool inverted) {
    for (std::size_t p = 0; p < pixels; ++p) {
        const unsigned char* ink = cmyk + p * 4;
        // Red is the light that both the cyan and the black ink let through, and so on.
        const int passedByBlack = inverted ? ink[3] : 255 - ink[3];
        for (int c = 0; c < 3; ++c) {
            const int passedByInk = inverted ? ink[c] : 255 - ink[c];
            rgb[p * 3 + c] = static_cast<unsigned char>((passedByInk * passedByBlack + 127) / 255);
        }
    }
}

unsigned int Renderer::ImageInstance::textureSide(unsigned int side) {
    unsigned int power = 1;
    while (power < side) power <<= 1;
    return power;
}

int Renderer::ImageInstance::componentsOf(Image::Type type) {
    switch (type) {
        case Image::JPEG:
            return 3;
        case Image::PNG:
        case Image::SCREEN:
            return 4;
        case Image::NOT_INITIALIZED:
            break;
    }
    return 0;
}

Renderer::ImageInstance::Span Renderer::ImageInstance::visiblePart(int start, int length, int limit) {
    const long first = std::max(0L, long(start));
    const long end = std::min(long(limit), long(start) + length);
    return {int(first - start), int(std::max(0L, end - first))};
}

namespace {

// Which part of the store the next glDrawPixels or glTexSubImage2D reads: rows of width pixels,
// from column skipX of row skipY (rows counted from the bottom).
void unpackFrom(int width, int skipX, int skipY) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipX);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipY);
}

// One picture's quad in the run of them being drawn: corners on whole coordinates cover exactly
// its pixels; texture rows run bottom-up.
void pictureQuad(int x, int y, int width, int height) {
    const float u = float(width) / Renderer::ImageInstance::textureSide(width);
    const float v = float(height) / Renderer::ImageInstance::textureSide(height);
    glTexCoord2f(0, v);
    glVertex2i(x, y);
    glTexCoord2f(u, v);
    glVertex2i(x + width, y);
    glTexCoord2f(u, 0);
    glVertex2i(x + width, y + height);
    glTexCoord2f(0, 0);
    glVertex2i(x, y + height);
}

}  // namespace

bool Renderer::ImageInstance::startPictureRun(int handle, int context) const {
    const int components = componentsOf(type);
    const GLsizei textureWidth = textureSide(width), textureHeight = textureSide(height);
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const UploadedPicture wanted{0, generation, textureWidth, textureHeight, components, 0};
    if (wanted.bytes() > KEPT_TEXTURE_BYTES || textureWidth > largest || textureHeight > largest) return false;
    UploadedPictures& all = uploaded();
    ContextTextures& kept = all.contexts[context];
    auto found = kept.pictures.find(handle);
    if (found == kept.pictures.end()) {
        found = kept.pictures.emplace(handle, takeTexture(kept, wanted)).first;
    } else {
        glBindTexture(GL_TEXTURE_2D, found->second.texture);
    }
    UploadedPicture& picture = found->second;
    const GLenum format = components == 3 ? GL_RGB : GL_RGBA;
    if (picture.generation != generation) {
        if (picture.width != textureWidth || picture.height != textureHeight || picture.components != components) {
            glTexImage2D(GL_TEXTURE_2D, 0, components, textureWidth, textureHeight, 0, format, GL_UNSIGNED_BYTE,
                         nullptr);
            kept.bytes += wanted.bytes() - picture.bytes();
            picture.width = textureWidth;
            picture.height = textureHeight;
            picture.components = components;
        }
        unpackFrom(width, 0, 0);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, data.get());
        unpackFrom(0, 0, 0);
        picture.generation = generation;
    }
    picture.lastUse = ++all.uses;
    keepWithinBudget(kept, handle);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    return true;
}

bool Renderer::ImageInstance::isOpaque() const {
    if (opacityGeneration == generation) return opaque;
    // Eight bytes at a time, two pixels, whose alpha bytes are kept by the mask.
    const unsigned char alphaBytes[8] = {0, 0, 0, 255, 0, 0, 0, 255};
    std::uint64_t mask, all = ~std::uint64_t(0);
    std::memcpy(&mask, alphaBytes, sizeof mask);
    const std::size_t bytes = storeBytes(*this), pairs = bytes / sizeof all;
    for (std::size_t i = 0; i < pairs; ++i) {
        std::uint64_t two;
        std::memcpy(&two, data.get() + i * sizeof two, sizeof two);
        all &= two;
    }
    opaque = (all & mask) == mask && (bytes % sizeof all == 0 || data[bytes - 1] == 255);
    opacityGeneration = generation;
    return opaque;
}

void Renderer::ImageInstance::endPictureRun() {
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // A transformed draw uploads its tiles into the unnamed texture.
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Renderer::ImageInstance::forgetContext(int context) { uploaded().contexts.erase(context); }

void Renderer::ImageInstance::drawImage(int handle, int x, int y, RendererStatics::RendererWindow& window) {
    if (handle < 0) return;
    std::lock_guard<PortMutex> lock(cache().mutex);
    const ImageInstance& image = liveInstance(handle);
    int components = componentsOf(image.type);
    if (components == 0) return;
    RendererStatics& renderer = *Globals<RendererStatics>::impl();
    // The same pixels drawn again join the run of quads being drawn, in the same window and state.
    const bool joinsRun = renderer.batchpicture == handle && renderer.batchgeneration == image.generation;
    if (!joinsRun) {
        endBatch();
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        renderer.batcharea = {viewport[2], viewport[3]};
    }
    // Only the part inside the window goes to GL: a raster position outside it would be invalid,
    // and the whole picture would be lost.
    const Span columns = visiblePart(x, image.width, renderer.batcharea[0]);
    const Span rows = visiblePart(y, image.height, renderer.batcharea[1]);  // window rows, top down
    if (columns.count == 0 || rows.count == 0) return;
    if (joinsRun) return pictureQuad(x, y, image.width, image.height);
    DrawState state;
    state.blend = components == 4 && !image.isOpaque();
    applyState(window, state);
    glDrawBuffer(GL_BACK);
    if (image.startPictureRun(handle, window.platformid)) {
        renderer.batchmode = GL_QUADS;
        renderer.batchpicture = handle;
        renderer.batchgeneration = image.generation;
        return pictureQuad(x, y, image.width, image.height);
    }
    // Store rows run upward from the picture's bottom, so the rows below the window come first.
    unpackFrom(image.width, columns.skipped, image.height - rows.skipped - rows.count);
    // The raster position is the visible part's bottom-left corner.
    moveRasterTo(x + columns.skipped, y + rows.skipped + rows.count);
    glDrawPixels(columns.count, rows.count, components == 3 ? GL_RGB : GL_RGBA, GL_UNSIGNED_BYTE, image.data.get());
    unpackFrom(0, 0, 0);
}

bool Renderer::ImageInstance::tileShows(int left, int top, int right, int bottom, int x, int y,
                                        const Transform& transform, int width, int height) {
    // As the quad is drawn: scaled, turned clockwise about (x, y) in the window's y-down pixels.
    const double turn = transform.getRotation() * M_PI / 180;
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (int cornerX : {left, right}) {
        for (int cornerY : {top, bottom}) {
            const double scaledX = cornerX * transform.getScaleX(), scaledY = cornerY * transform.getScaleY();
            const double windowX = x + scaledX * std::cos(turn) - scaledY * std::sin(turn);
            const double windowY = y + scaledX * std::sin(turn) + scaledY * std::cos(turn);
            minX = std::min(minX, windowX);
            maxX = std::max(maxX, windowX);
            minY = std::min(minY, windowY);
            maxY = std::max(maxY, windowY);
        }
    }
    return maxX >= 0 && minX <= width && maxY >= 0 && minY <= height;
}

void Renderer::ImageInstance::drawImage(int handle, int x, int y, const Transform& transform) {
    if (handle < 0) return;
    std::lock_guard<PortMutex> lock(cache().mutex);
    const ImageInstance& image = liveInstance(handle);
    int components = componentsOf(image.type);
    if (components == 0) return;
    GLenum format = components == 3 ? GL_RGB : GL_RGBA;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glDrawBuffer(GL_BACK);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPushMatrix();
    glTranslatef(x, y, 0);
    glRotatef(transform.getRotation(), 0, 0, 1);  // clockwise on screen, the y axis pointing down
    glScalef(transform.getScaleX(), transform.getScaleY(), 1);
    if (components == 4) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_BLEND);
    }
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    // In tiles that any texture can hold, each drawn only if it can reach the window. Tile
    // coordinates run from the picture's top-left corner, y down; store rows from its bottom.
    for (int top = 0; top < image.height; top += TILE_SIDE) {
        const int tileHeight = std::min(TILE_SIDE, image.height - top);
        for (int left = 0; left < image.width; left += TILE_SIDE) {
            const int tileWidth = std::min(TILE_SIDE, image.width - left);
            if (!tileShows(left, top, left + tileWidth, top + tileHeight, x, y, transform, viewport[2], viewport[3]))
                continue;
            // OpenGL 1.1 wants power-of-two sides: the tile sits in the bottom-left of its texture,
            // with its last column and row once more beside it, so that filtering at its edges
            // meets the tile's own pixels.
            const GLsizei textureWidth = textureSide(tileWidth), textureHeight = textureSide(tileHeight);
            const int storeRow = image.height - top - tileHeight;
            glTexImage2D(GL_TEXTURE_2D, 0, components, textureWidth, textureHeight, 0, format, GL_UNSIGNED_BYTE,
                         nullptr);
            unpackFrom(image.width, left, storeRow);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, tileWidth, tileHeight, format, GL_UNSIGNED_BYTE, image.data.get());
            if (tileWidth < textureWidth) {
                unpackFrom(image.width, left + tileWidth - 1, storeRow);
                glTexSubImage2D(GL_TEXTURE_2D, 0, tileWidth, 0, 1, tileHeight, format, GL_UNSIGNED_BYTE,
                                image.data.get());
            }
            if (tileHeight < textureHeight) {
                unpackFrom(image.width, left, storeRow + tileHeight - 1);
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, tileHeight, tileWidth, 1, format, GL_UNSIGNED_BYTE,
                                image.data.get());
            }
            const float u = float(tileWidth) / textureWidth;
            const float v = float(tileHeight) / textureHeight;
            // Texture rows run bottom-up and screen rows top-down, so the quad's top edge takes t = v.
            glBegin(GL_QUADS);
            glTexCoord2f(0, v);
            glVertex2f(left, top);
            glTexCoord2f(0, 0);
            glVertex2f(left, top + tileHeight);
            glTexCoord2f(u, 0);
            glVertex2f(left + tileWidth, top + tileHeight);
            glTexCoord2f(u, v);
            glVertex2f(left + tileWidth, top);
            glEnd();
        }
    }
    unpackFrom(0, 0, 0);
    glDisable(GL_TEXTURE_2D);
    if (components == 4) glDisable(GL_BLEND);
    glPopMatrix();
}

int Renderer::ImageInstance::createImage(int windowWidth, int windowHeight, int left, int top, int width, int height) {
    unsigned short capturedWidth = checkedSide(width);
    unsigned short capturedHeight = checkedSide(height);
    unsigned char* pixels = allocatePixels(std::size_t(capturedWidth) * capturedHeight * 4 + 100);
    // Only the part inside the window is read (the driver's sums overflow near the ends of int's
    // range), into its place among the zeroed pixels; rows run bottom to top.
    const PixelRect inside = clipToWindow(left, top, width, height, windowWidth, windowHeight);
    if (!inside.isEmpty()) {
        const std::size_t rowsBelow = std::size_t(std::int64_t(top) + height - inside.y - inside.height);
        const std::size_t columnsBefore = std::size_t(std::int64_t(inside.x) - left);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ROW_LENGTH, width);
        glReadBuffer(GL_BACK);  // what has been drawn, shown by a page flip or not
        glReadPixels(inside.x, windowHeight - inside.y - inside.height, inside.width, inside.height, GL_RGBA,
                     GL_UNSIGNED_BYTE, pixels + (rowsBelow * capturedWidth + columnsBefore) * 4);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    }
    // Only the registration needs the cache: the read above touches no shared data.
    std::lock_guard<PortMutex> lock(cache().mutex);
    return registerInstance(new (std::nothrow) ImageInstance(pixels, Image::SCREEN, capturedWidth, capturedHeight));
}
