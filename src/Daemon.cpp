// Daemon: a window's façade to the renderer, on the user's thread. Queued operations go through
// DaemonImp's builders; font and image operations call the renderer-side caches directly.
#include "Daemon.h"

#include <mutex>

#include "Color.h"
#include "DaemonImp.h"
#include "Diagnostics.h"
#include "GLUTImp.h"

Daemon::Daemon(Window* window) : window(window) {
    if (!window) FATAL_ASSERTION("I seem to have recieved a NULL Window pointer");
    // The first Daemon of the process starts the one renderer, which is never destroyed.
    static std::once_flag rendererStarted;
    std::call_once(rendererStarted, [] { new GLUTImp(); });
}

void Daemon::createWindow(int x, int y, int width, int height, const std::string& title, bool fullScreen, int depth,
                          int refresh) {
    DaemonImp::createWindow(window, x, y, width, height, title, fullScreen, depth, refresh);
}
void Daemon::destroyWindow() { DaemonImp::destroyWindow(window); }
void Daemon::hideWindow() { DaemonImp::hideWindow(window); }
void Daemon::showWindow() { DaemonImp::showWindow(window); }
void Daemon::resize(int width, int height) { DaemonImp::resize(window, width, height); }
void Daemon::setPosition(int x, int y) { DaemonImp::setPosition(window, x, y); }
void Daemon::getPosition(int& x, int& y) { DaemonImp::getPosition(window, x, y); }
void Daemon::setTitle(const std::string& title) { DaemonImp::setTitle(window, title); }
void Daemon::enableAntialiasing() { DaemonImp::enableAntialiasing(window); }
void Daemon::disableAntialiasing() { DaemonImp::disableAntialiasing(window); }
void Daemon::enableFullScreen(int depth, int refresh) { DaemonImp::enableFullScreen(window, depth, refresh); }
void Daemon::disableFullScreen() { DaemonImp::disableFullScreen(window); }
void Daemon::enableAutoPageFlip() { DaemonImp::enableAutoPageFlip(window); }
void Daemon::disableAutoPageFlip() { DaemonImp::disableAutoPageFlip(window); }
void Daemon::flipPage() { DaemonImp::flipPage(window); }
void Daemon::copyRegion(int x, int y, int destX, int destY, int width, int height) {
    DaemonImp::copyRegion(window, x, y, destX, destY, width, height);
}
void Daemon::ignoreKeyRepeat(bool ignore) { DaemonImp::ignoreKeyRepeat(window, ignore); }
void Daemon::clear(const Color& color) { DaemonImp::clear(window, color); }
Image Daemon::createImage(int x, int y, int width, int height) {
    return DaemonImp::createImage(window, x, y, width, height);
}
Color Daemon::readPixel(int x, int y) { return DaemonImp::readPixel(window, x, y); }

void Daemon::drawPixel(const Style& s, int x, int y) { DaemonImp::drawPixel(window, s, x, y); }
void Daemon::drawLine(const Style& s, int x1, int y1, int x2, int y2) {
    DaemonImp::drawLine(window, s, x1, y1, x2, y2);
}
void Daemon::drawArc(const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    DaemonImp::drawArc(window, s, x1, y1, x2, y2, a, b);
}
void Daemon::drawRectangleFilled(const Style& s, int x1, int y1, int x2, int y2) {
    DaemonImp::drawRectangleFilled(window, s, x1, y1, x2, y2);
}
void Daemon::drawRectangleOutline(const Style& s, int x1, int y1, int x2, int y2) {
    DaemonImp::drawRectangleOutline(window, s, x1, y1, x2, y2);
}
void Daemon::drawTriangleFilled(const Style& s, int x1, int y1, int x2, int y2, int x3, int y3) {
    DaemonImp::drawTriangleFilled(window, s, x1, y1, x2, y2, x3, y3);
}
void Daemon::drawTriangleOutline(const Style& s, int x1, int y1, int x2, int y2, int x3, int y3) {
    DaemonImp::drawTriangleOutline(window, s, x1, y1, x2, y2, x3, y3);
}
void Daemon::drawCircleFilled(const Style& s, int x, int y, int r) { DaemonImp::drawCircleFilled(window, s, x, y, r); }
void Daemon::drawCircleOutline(const Style& s, int x, int y, int r) {
    DaemonImp::drawCircleOutline(window, s, x, y, r);
}
void Daemon::drawEllipseFilled(const Style& s, int x1, int y1, int x2, int y2) {
    DaemonImp::drawEllipseFilled(window, s, x1, y1, x2, y2);
}
void Daemon::drawEllipseOutline(const Style& s, int x1, int y1, int x2, int y2) {
    DaemonImp::drawEllipseOutline(window, s, x1, y1, x2, y2);
}
void Daemon::drawWedgeFilled(const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    DaemonImp::drawWedgeFilled(window, s, x1, y1, x2, y2, a, b);
}
void Daemon::drawWedgeOutline(const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    DaemonImp::drawWedgeOutline(window, s, x1, y1, x2, y2, a, b);
}
void Daemon::drawChordFilled(const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    DaemonImp::drawChordFilled(window, s, x1, y1, x2, y2, a, b);
}
void Daemon::drawChordOutline(const Style& s, int x1, int y1, int x2, int y2, int a, int b) {
    DaemonImp::drawChordOutline(window, s, x1, y1, x2, y2, a, b);
}
void Daemon::drawText(const Style& s, const Font& font, int x, int y, const std::string& text) {
    DaemonImp::drawText(window, s, font, x, y, text);
}
void Daemon::drawText(const Style& s, const Font& font, int x, int y, const std::string& text, const Transform& t) {
    DaemonImp::drawText(window, s, font, x, y, text, t);
}
void Daemon::drawPolygonFilled(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    DaemonImp::drawPolygonFilled(window, s, xs, ys);
}
void Daemon::drawPolygonOutline(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    DaemonImp::drawPolygonOutline(window, s, xs, ys);
}
void Daemon::drawPolyLine(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    DaemonImp::drawPolyLine(window, s, xs, ys);
}
void Daemon::drawBezierCurve(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys) {
    DaemonImp::drawBezierCurve(window, s, xs, ys);
}
void Daemon::drawImage(const Image& image, int x, int y) { DaemonImp::drawImage(window, image, x, y); }
void Daemon::drawImage(const Image& image, int x, int y, const Transform& t) {
    DaemonImp::drawImage(window, image, x, y, t);
}

int Daemon::registerNewTimerEvent(int interval) { return GLUTImp::registerNewTimerEvent(window, interval); }
int Daemon::startTimer(int interval) { return GLUTImp::startTimer(window, interval); }
void Daemon::stopTimer(int id) { GLUTImp::stopTimer(window, id); }

int Daemon::getFontHandle(const std::string& face, int size) { return GLUTImp::getFontHandle(face, size); }
int Daemon::getFontHandle(int fontId, int size) { return GLUTImp::getFontHandle(fontId, size); }
void Daemon::releaseFontHandle(int handle) { GLUTImp::releaseFontHandle(handle); }
void Daemon::bumpFontRefCount(int handle) { GLUTImp::bumpFontRefCount(handle); }
bool Daemon::checkFont(const std::string& face, int size) { return GLUTImp::checkFont(face, size); }
void Daemon::getStringSize(int handle, const std::string& text, int& width, int& height) {
    GLUTImp::getStringSize(handle, text, width, height);
}
int Daemon::getImageHandle(const std::string& filename, Image::Type type, int* width, int* height) {
    return GLUTImp::getImageHandle(filename, type, width, height);
}
void Daemon::releaseImageHandle(int handle) { GLUTImp::releaseImageHandle(handle); }
void Daemon::bumpImageRefCount(int handle) { GLUTImp::bumpImageRefCount(handle); }
void Daemon::saveImage(int handle, const std::string& filename, Image::Type type) {
    GLUTImp::saveImage(handle, filename, type);
}
bool Daemon::checkImage(const std::string& filename, Image::Type type) { return GLUTImp::checkImage(filename, type); }
int Daemon::subImage(int handle, int x, int y, int width, int height) {
    return GLUTImp::subImage(handle, x, y, width, height);
}
int Daemon::createEditableImage(int handle) { return GLUTImp::createEditableImage(handle); }
int Daemon::createEditableImage(int width, int height) { return GLUTImp::createEditableImage(width, height); }
unsigned char* Daemon::getImageData(int handle) { return GLUTImp::getImageData(handle); }
