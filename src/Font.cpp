// Font: the user's value for a face and size. Runs on any user thread; every Font holds one
// reference to its handle in the font cache, taken and given back directly through Daemon.
#include "Font.h"

#include "Daemon.h"
#include "Diagnostics.h"

namespace {

const char* const INVALID_FACE = "\"\" is an invalid filename for a font";
const char* const INVALID_SIZE = "Font pointsizes must be positive integers";

}  // namespace

Font::Font(const std::string& face, int pointSize, CallSite site) : face(face), pointSize(pointSize) {
    const CallerScope caller(site);
    if (face.empty()) FATAL_ERROR(INVALID_FACE);
    if (pointSize < 1) FATAL_ERROR(INVALID_SIZE);
    handle = Daemon::getFontHandle(face, pointSize);
}

// Built-in ids take any size, even 0: the font itself decides what it can draw.
Font::Font(int fontId, int pointSize, CallSite site)
    : face("default font #" + std::to_string(fontId)), pointSize(pointSize) {
    const CallerScope caller(site);
    handle = Daemon::getFontHandle(fontId, pointSize);
}

Font::Font(const Font& other) : face(other.face), pointSize(other.pointSize), handle(other.handle) {
    Daemon::bumpFontRefCount(handle);
}

// Release before bump keeps a self-assignment's count where it was.
Font& Font::operator=(const Font& other) {
    Daemon::releaseFontHandle(handle);
    handle = other.handle;
    Daemon::bumpFontRefCount(handle);
    face = other.face;
    pointSize = other.pointSize;
    return *this;
}

Font::~Font() { Daemon::releaseFontHandle(handle); }

bool Font::operator==(const Font& other) const { return face == other.face && pointSize == other.pointSize; }

bool Font::operator!=(const Font& other) const { return !(*this == other); }

// Changing the face or the size always asks for a TrueType font, even on a built-in one.
void Font::setFace(const std::string& newFace, CallSite site) {
    const CallerScope caller(site);
    if (newFace == face) return;
    if (newFace.empty()) FATAL_ERROR(INVALID_FACE);
    face = newFace;
    Daemon::releaseFontHandle(handle);
    handle = Daemon::getFontHandle(face, pointSize);
}

void Font::setPointSize(int newPointSize, CallSite site) {
    const CallerScope caller(site);
    if (newPointSize == pointSize) return;
    if (newPointSize < 1) FATAL_ERROR(INVALID_SIZE);
    pointSize = newPointSize;
    Daemon::releaseFontHandle(handle);
    handle = Daemon::getFontHandle(face, pointSize);
}

bool Font::checkFont(const std::string& face, int pointSize, CallSite site) {
    const CallerScope caller(site);
    return pointSize >= 1 && Daemon::checkFont(face, pointSize);
}

void Font::getStringSize(const std::string& text, int& width, int& height, CallSite site) const {
    const CallerScope caller(site);
    Daemon::getStringSize(handle, text, width, height);
}

std::ostream& operator<<(std::ostream& out, const Font& font) {
    return out << "Font(" << font.getFace() << ", " << font.getPointSize() << ")";
}
