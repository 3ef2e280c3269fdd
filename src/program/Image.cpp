// Image: the user's value, a handle into the image cache plus the picture's size and type. Runs
// on the user's thread; every copy holds one reference, and the cache work happens on this thread.
#include "Image.h"

#include "caches/ImageInstance.h"
#include "renderer/Renderer.h"
#include "shared/Diagnostics.h"

namespace {

const char* const INVALID_FILENAME = "\"\" is an invalid filename for an image";

const char* typeName(Image::Type type) {
    switch (type) {
        case Image::JPEG:
            return "JPEG";
        case Image::PNG:
            return "PNG";
        case Image::SCREEN:
            return "SCREEN";
        case Image::NOT_INITIALIZED:
            return "NOT INITIALIZED";
    }
    return "";
}

}  // namespace

Image::Image(const std::string& filename, Type type, CallSite site) : width(0), height(0), handle(-1), type(type) {
    const CallerScope caller(site);
    if (filename.empty()) FATAL_ERROR(INVALID_FILENAME);
    handle = Renderer::ImageInstance::getImageHandle(filename, type, &width, &height);
}

Image::Image(int handle, int width, int height, Type type) : width(width), height(height), handle(handle), type(type) {}

Image::Image() : width(0), height(0), handle(-1), type(NOT_INITIALIZED) {}

Image::Image(const Image& other) : width(other.width), height(other.height), handle(other.handle), type(other.type) {
    if (handle != -1) Renderer::ImageInstance::bumpImageRefCount(handle);
}

// Raise before release, so assigning an image to itself never lets its count touch zero.
Image& Image::operator=(const Image& other) {
    if (other.handle == -1) return *this;
    Renderer::ImageInstance::bumpImageRefCount(other.handle);
    if (handle != -1) Renderer::ImageInstance::releaseImageHandle(handle);
    width = other.width;
    height = other.height;
    handle = other.handle;
    type = other.type;
    return *this;
}

Image::~Image() {
    if (handle != -1) Renderer::ImageInstance::releaseImageHandle(handle);
}

bool Image::operator==(const Image& other) const {
    return handle == other.handle && width == other.width && height == other.height && type == other.type;
}

bool Image::operator!=(const Image& other) const { return !(*this == other); }

void Image::save(const std::string& filename, Type fileType, CallSite site) const {
    const CallerScope caller(site);
    if (handle == -1) return;
    if (filename.empty()) FATAL_ERROR(INVALID_FILENAME);
    Renderer::ImageInstance::saveImage(handle, filename, fileType);
}

bool Image::checkImage(const std::string& filename, Type fileType, CallSite site) {
    const CallerScope caller(site);
    return Renderer::ImageInstance::checkImage(filename, fileType);
}

Image Image::subImage(int x, int y, int width, int height, CallSite site) const {
    const CallerScope caller(site);
    if (handle == -1) return *this;
    return Image(Renderer::ImageInstance::subImage(handle, x, y, width, height), width, height, type);
}

Image Image::createEditable(int width, int height, CallSite site) {
    const CallerScope caller(site);
    return Image(Renderer::ImageInstance::createEditableImage(width, height), width, height, SCREEN);
}

Image Image::makeEditable(CallSite site) const {
    const CallerScope caller(site);
    if (handle == -1) return *this;
    return Image(Renderer::ImageInstance::createEditableImage(handle), width, height, SCREEN);
}

std::vector<unsigned char> Image::getPixels(CallSite site) const {
    const CallerScope caller(site);
    if (handle == -1) return {};
    return Renderer::ImageInstance::copyPixels(handle);
}

void Image::setPixels(const std::vector<unsigned char>& pixels, CallSite site) {
    const CallerScope caller(site);
    if (handle == -1) return;
    Renderer::ImageInstance::replacePixels(handle, pixels);
}

std::ostream& operator<<(std::ostream& out, const Image& image) {
    return out << "Image(" << image.getWidth() << ", " << image.getHeight() << ", " << typeName(image.getType()) << ")";
}
