// Daemon: a window's façade to the renderer. Each operation either queues a command through
// DaemonImp or calls the renderer-side font and image caches directly on the caller's thread.
// The first Daemon of the process starts the renderer thread.
#pragma once

#include <string>
#include <vector>

#include "Image.h"

class Color;
class Font;
class GLUTImp;
class Style;
class Transform;
class Window;

class Daemon {
public:
    // Halts on a null window; starts the renderer with the first Daemon.
    explicit Daemon(Window* window);

    void createWindow(int x, int y, int width, int height, const std::string& title, bool fullScreen, int depth,
                      int refresh);
    void destroyWindow();
    void hideWindow();
    void showWindow();
    void resize(int width, int height);
    void setPosition(int x, int y);
    void getPosition(int& x, int& y);
    void setTitle(const std::string& title);
    void enableAntialiasing();
    void disableAntialiasing();
    void enableFullScreen(int depth, int refresh);
    void disableFullScreen();
    void enableAutoPageFlip();
    void disableAutoPageFlip();
    void flipPage();
    void copyRegion(int x, int y, int destX, int destY, int width, int height);
    void ignoreKeyRepeat(bool ignore);
    void clear(const Color& color);
    Image createImage(int x, int y, int width, int height);
    Color readPixel(int x, int y);

    void drawPixel(const Style& s, int x, int y);
    void drawLine(const Style& s, int x1, int y1, int x2, int y2);
    void drawArc(const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    void drawRectangleFilled(const Style& s, int x1, int y1, int x2, int y2);
    void drawRectangleOutline(const Style& s, int x1, int y1, int x2, int y2);
    void drawTriangleFilled(const Style& s, int x1, int y1, int x2, int y2, int x3, int y3);
    void drawTriangleOutline(const Style& s, int x1, int y1, int x2, int y2, int x3, int y3);
    void drawCircleFilled(const Style& s, int x, int y, int r);
    void drawCircleOutline(const Style& s, int x, int y, int r);
    void drawEllipseFilled(const Style& s, int x1, int y1, int x2, int y2);
    void drawEllipseOutline(const Style& s, int x1, int y1, int x2, int y2);
    void drawWedgeFilled(const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    void drawWedgeOutline(const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    void drawChordFilled(const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    void drawChordOutline(const Style& s, int x1, int y1, int x2, int y2, int a, int b);
    void drawText(const Style& s, const Font& font, int x, int y, const std::string& text);
    void drawText(const Style& s, const Font& font, int x, int y, const std::string& text, const Transform& t);
    void drawPolygonFilled(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    void drawPolygonOutline(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    void drawPolyLine(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    void drawBezierCurve(const Style& s, const std::vector<int>& xs, const std::vector<int>& ys);
    void drawImage(const Image& image, int x, int y);
    void drawImage(const Image& image, int x, int y, const Transform& t);

    int registerNewTimerEvent(int interval);
    int startTimer(int interval);
    void stopTimer(int id);

    // Direct calls into the font and image caches, on the caller's thread.
    static int getFontHandle(const std::string& face, int size);
    static int getFontHandle(int fontId, int size);
    static void releaseFontHandle(int handle);
    static void bumpFontRefCount(int handle);
    static bool checkFont(const std::string& face, int size);
    static void getStringSize(int handle, const std::string& text, int& width, int& height);
    static int getImageHandle(const std::string& filename, Image::Type type, int* width, int* height);
    static void releaseImageHandle(int handle);
    static void bumpImageRefCount(int handle);
    static void saveImage(int handle, const std::string& filename, Image::Type type);
    static bool checkImage(const std::string& filename, Image::Type type);
    static int subImage(int handle, int x, int y, int width, int height);
    static int createEditableImage(int handle);
    static int createEditableImage(int width, int height);
    static unsigned char* getImageData(int handle);

private:
    Window* window;
};
