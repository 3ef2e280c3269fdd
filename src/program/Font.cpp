// Font: the user's value for a face and size. Runs on any user thread; every Font holds one
// reference to its handle in the font cache, taken and given back directly in the cache.
#include "Font.h"

#include "caches/FontInstance.h"
#include "shared/Diagnostics.h"

namespace {

const char* const INVALID_FACE = "\"\" is an invalid filename for a font";
const char* const INVALID_SIZE = "Font pointsizes must be positive integers";

}  // namespace

Font::Font(const std::string& face, int pointSize, CallSite site) : face(face), pointSize(pointSize) {
    const CallerScope caller(site);
    if (face.empty()) FATAL_ERROR(INVALID_FACE);
    if (pointSize < 1) FATAL_ERROR(INVALID_SIZE);
    handle = Renderer::FontInstance::getFontHandle(face, pointSize, -1);
}

// Built-in ids take any size, even 0: the font itself decides what it can draw.
Font::Font(int fontId, int pointSize, CallSite site)
    : face("default font #" + std::to_string(fontId)), pointSize(pointSize) {
    const CallerScope caller(site);
    handle = Renderer::FontInstance::getFontHandle("", pointSize, fontId);
}

Font::Font(const Font& other) : face(other.face), pointSize(other.pointSize), handle(other.handle) {
    Renderer::FontInstance::bumpFontRefCount(handle);
}

// Release before bump keeps a self-assignment's count where it was.
Font& Font::operator=(const Font& other) {
    Renderer::FontInstance::releaseFontHandle(handle);
    handle = other.handle;
    Renderer::FontInstance::bumpFontRefCount(handle);
    face = other.face;
    pointSize = other.pointSize;
    return *this;
}

Font::~Font() { Renderer::FontInstance::releaseFontHandle(handle); }

bool Font::operator==(const Font& other) const { return face == other.face && pointSize == other.pointSize; }

bool Font::operator!=(const Font& other) const { return !(*this == other); }

// Changing the face or the size always asks for a TrueType font, even on a built-in one.
void Font::setFace(const std::string& newFace, CallSite site) {
    const CallerScope caller(site);
    if (newFace == face) return;
    if (newFace.empty()) FATAL_ERROR(INVALID_FACE);
    face = newFace;
    Renderer::FontInstance::releaseFontHandle(handle);
    handle = Renderer::FontInstance::getFontHandle(face, pointSize, -1);
}

void Font::setPointSize(int newPointSize, CallSite site) {
    const CallerScope caller(site);
    if (newPointSize == pointSize) return;
    if (newPointSize < 1) FATAL_ERROR(INVALID_SIZE);
    pointSize = newPointSize;
    Renderer::FontInstance::releaseFontHandle(handle);
    handle = Renderer::FontInstance::getFontHandle(face, pointSize, -1);
}

bool Font::checkFont(const std::string& face, int pointSize, CallSite site) {
    const CallerScope caller(site);
    return pointSize >= 1 && Renderer::FontInstance::checkFont(face, pointSize);
}

void Font::getStringSize(const std::string& text, int& width, int& height, CallSite site) const {
    const CallerScope caller(site);
    Renderer::FontInstance::getStringSize(handle, text, width, height);
}

std::ostream& operator<<(std::ostream& out, const Font& font) {
    return out << "Font(" << font.getFace() << ", " << font.getPointSize() << ")";
}
