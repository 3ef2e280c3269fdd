// GLUTImp::FontInstance: the renderer-side object behind every Font of one face, size and
// built-in id, and the process-wide cache that hands out handles to them. The cache functions
// run on whichever thread uses a Font; create and drawText run on the renderer thread only.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "GLUTImp.h"

class TrueTypeFont;

class GLUTImp::FontInstance {
public:
    // A TrueType face, a file or a family name; halts if it names no font that can be drawn at size,
    // and warns when a family that is not installed is drawn in a stand-in.
    FontInstance(std::string face, int size);
    // A built-in GLUT font; halts on an unknown id. Bitmap fonts round size to one they have.
    FontInstance(int fontId, int size);
    ~FontInstance();

    // Renderer thread: readies a TrueType font for drawing in w, once per window.
    void create(Window* w);

    // The handle of the font with this key (fontId -1 for a TrueType face), counting one more
    // reference; the instance is made on the first request.
    static int getFontHandle(std::string face, int size, int fontId);
    static void releaseFontHandle(int handle);
    static void bumpFontRefCount(int handle);
    // Whether the face names a file that can be read, or a family that fontconfig has or knows as
    // a generic name or alias (no stand-in needed); the size is not used.
    static bool checkFont(std::string face, int size);
    // Renderer thread, inside the style of the command: text with its baseline starting at (x, y),
    // rotated and scaled about that point when a transform is given.
    static void drawText(int handle, Window* w, int x, int y, const std::string* text, const Transform* transform);
    // Caller's thread. TrueType: pixels, 0 by 0 until text in the font has been drawn once.
    // Stroke fonts: the width in the font's own units; bitmap fonts: pixels. Height: the size asked.
    static void getStringSize(int handle, const std::string& text, int& width, int& height);

    // How many live Font values hold the handle.
    static int getRefCount(int handle);
    // The index of the first size in the 0-terminated ascending list that is not below size, or
    // of the last one when size is above them all.
    static int getNearestIndex(int size, const int* sizes);

private:
    bool isTrueType() const { return ttFont != nullptr; }
    bool isStrokeFont() const;
    // The instance of a handle, or null; the cache mutex is held for the lookup only.
    static FontInstance* find(int handle);

    std::string face;
    int pointSize;
    std::unique_ptr<TrueTypeFont> ttFont;  // present exactly for a TrueType font
    int fontId = -1;
    void* glutFont = nullptr;            // the GLUT font of a built-in id
    std::map<Window*, bool> createdFor;  // renderer thread only
};
