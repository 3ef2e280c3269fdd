// Renderer::FontInstance: the renderer-side object behind every Font of one face, size and
// built-in id, and the process-wide cache that hands out handles to them. The cache functions
// run on whichever thread uses a Font; create and drawText run on the renderer thread only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "caches/TrueTypeFont.h"
#include "renderer/Renderer.h"

class Transform;

class Renderer::FontInstance {
public:
    // A TrueType face, a file or a family name; halts if it names no font that can be drawn at size,
    // and warns when a family that is not installed is drawn in a stand-in.
    FontInstance(std::string face, int size);
    // A built-in font; halts on an unknown id. Bitmap fonts round size to one they have.
    FontInstance(int fontId, int size);
    ~FontInstance();

    // Renderer thread: readies a TrueType font for drawing in w, once per window.
    void create(Window* w);

    // The handle of the font with this key (fontId -1 for a TrueType face), counting one more
    // reference; the instance is made on the first request, and again if it has been freed.
    static int getFontHandle(std::string face, int size, int fontId);
    // One reference fewer; at none the font is kept among the last few let go, then freed.
    static void releaseFontHandle(int handle);
    static void bumpFontRefCount(int handle);
    // Whether a TrueType font of the face can be made at size as the constructor would make it: a
    // font file, or a family that fontconfig has or knows as a generic name or alias (no stand-in).
    static bool checkFont(std::string face, int size);
    // Renderer thread, inside the style of the command: text with its baseline starting at (x, y),
    // rotated and scaled about that point when a transform is given.
    static void drawText(int handle, Window* w, int x, int y, const std::string* text, const Transform* transform);
    // Caller's thread. TrueType: pixels.
    // Stroke fonts: the width in the font's own units; bitmap fonts: pixels. Height: the size asked.
    static void getStringSize(int handle, const std::string& text, int& width, int& height);

    // How many live Font values hold the handle.
    static int getRefCount(int handle);
    // How many fonts the cache keeps made, in use or idle.
    static int madeFontCount();
    // Whether any of box, a glyph's reach in text drawn at (x, y) with the transform (or none),
    // lies in a window of width by height pixels.
    static bool showsInWindow(const TrueTypeFont::Box& box, int x, int y, const Transform* transform, int width,
                              int height);
    // The index of the first size in the 0-terminated ascending list that is not below size, or
    // of the last one when size is above them all.
    static int getNearestIndex(int size, const int* sizes);

private:
    bool isTrueType() const { return ttFont != nullptr; }
    bool isStrokeFont() const;
    // The instance of a handle, made again if it has been freed, or null for an unknown handle;
    // the cache mutex is held for the lookup (and the making) only.
    static std::shared_ptr<FontInstance> find(int handle);
    // The instance of a known handle, made if it is not; the caller holds the cache mutex.
    static std::shared_ptr<FontInstance> instanceOf(int handle);
    // Takes a handle that no Font held off the idle list; the caller holds the cache mutex.
    static void holdAgain(int handle);
    // Puts a handle that no Font holds on the idle list, moving the instances it pushes off into
    // freed, to be destroyed once the caller has given back the cache mutex, which it holds.
    static void letGo(int handle, std::vector<std::shared_ptr<FontInstance>>& freed);

    std::string face;
    int pointSize;
    std::unique_ptr<TrueTypeFont> ttFont;  // present exactly for a TrueType font
    int fontId = -1;
    int builtinSize = 0;                 // the size a built-in font is drawn in
    std::map<Window*, bool> createdFor;  // renderer thread only
};
