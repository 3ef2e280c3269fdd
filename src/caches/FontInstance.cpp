// The font cache and Renderer::FontInstance. Handles, counts and instances live under one mutex;
// the lock covers map work only, never drawing or measuring. A font no Font uses any more is kept
// among the few last let go, then freed. Opening a TrueType file happens on the thread that asks
// for it; GL work on the renderer only.
#include "caches/FontInstance.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <mutex>
#include <new>
#include <vector>

#include "Font.h"
#include "Transform.h"
#include "caches/TrueTypeFont.h"
#include "platform/Platform.h"
#include "shared/Diagnostics.h"
#include "shared/Globals.h"

struct RendererFontInstanceStatics {
    struct Key {
        std::string face;  // empty for a built-in font
        int size;
        int fontId;
    };
    std::map<std::string, int> handles;  // key -> handle, one entry per key ever asked for
    std::map<int, Key> keys;             // handle -> what it was asked for with, to make it again
    std::map<int, std::shared_ptr<Renderer::FontInstance>> instances;  // those in use and the idle
    std::map<int, int> refcounts;
    std::deque<int> idle;  // handles no Font holds whose instance is still kept, oldest first
    int nextHandle = 0;
    PortMutex mutex;
};

namespace {

using Cache = Globals<RendererFontInstanceStatics>;

// Fonts let go of and kept for a while: a program that makes a Font for each drawText finds its
// font still made, and a draw queued before its Font died rarely has to make it again.
constexpr std::size_t IDLE_FONTS_KEPT = 16;

// The sizes of the built-in bitmap fonts; each list ends in 0.
const int HELVETICA_SIZES[] = {10, 12, 18, 0};
const int TIMES_SIZES[] = {10, 24, 0};

std::string fontKey(const std::string& face, int size, int fontId) {
    return face + ":" + std::to_string(size) + ":" + std::to_string(fontId);
}

// The size nearest to size among sizes, warning when it is not exactly size.
int nearestBitmapSize(int size, const int* sizes) {
    const int index = Renderer::FontInstance::getNearestIndex(size, sizes);
    if (sizes[index] != size)
        WARNING(std::to_string(size) + " is not a valid size for this font. rounding to " +
                std::to_string(sizes[index]));
    return sizes[index];
}

}  // namespace

Renderer::FontInstance::FontInstance(std::string face, int size) : face(std::move(face)), pointSize(size) {
    ttFont.reset(new (std::nothrow) TrueTypeFont);
    if (!ttFont)
        FATAL_ERROR("Could not allocate sufficent memory to allocate a new font.  Free up some memory and try again");
    const std::string unableToOpen =
        "Unable to open font in file \"" + this->face + "\". Check to be sure that this file exists";
    const TrueTypeFont::FaceFile file = TrueTypeFont::findFile(this->face);
    if (file.path.empty()) FATAL_ERROR(unableToOpen, diagnostics::unreadableFile(this->face));
    if (!file.standIn.empty())
        WARNING("The font \"" + this->face + "\" is not installed, so \"" + file.standIn + "\" is used instead");
    const std::string problem = ttFont->open(file.path, size);
    if (!problem.empty()) FATAL_ERROR(unableToOpen, diagnostics::aboutFile(file.path, problem));
}

Renderer::FontInstance::FontInstance(int fontId, int size) : pointSize(size), fontId(fontId) {
    switch (fontId) {
        case Font::ROMAN:
        case Font::MONO_ROMAN:
            builtinSize = size;
            break;
        case Font::HELVETICA:
            builtinSize = nearestBitmapSize(size, HELVETICA_SIZES);
            break;
        case Font::TIMES:
            builtinSize = nearestBitmapSize(size, TIMES_SIZES);
            break;
        default:
            FATAL_ERROR("Invalid Font ID -- use the constants!!");
    }
}

Renderer::FontInstance::~FontInstance() = default;

bool Renderer::FontInstance::isStrokeFont() const { return fontId == Font::ROMAN || fontId == Font::MONO_ROMAN; }

int Renderer::FontInstance::getNearestIndex(int size, const int* sizes) {
    int index = 0;
    while (sizes[index] != 0 && size > sizes[index]) ++index;
    return sizes[index] != 0 ? index : index - 1;
}

void Renderer::FontInstance::create(Window* w) {
    if (!w) FATAL_ASSERTION("I seem to have been passed a null window pointer");
    if (createdFor.count(w)) return;
    if (!ttFont->create(pointSize))
        FATAL_ERROR("Unable to create a font using  \"" + face + "\" of the specified size");
    createdFor[w] = true;
}

std::shared_ptr<Renderer::FontInstance> Renderer::FontInstance::instanceOf(int handle) {
    RendererFontInstanceStatics* cache = Cache::impl();
    std::shared_ptr<FontInstance>& instance = cache->instances[handle];
    if (instance) return instance;
    const RendererFontInstanceStatics::Key& key = cache->keys.at(handle);
    // Made under the lock, so a TrueType file being opened holds up other font calls meanwhile.
    instance.reset(key.face.empty() ? new (std::nothrow) FontInstance(key.fontId, key.size)
                                    : new (std::nothrow) FontInstance(key.face, key.size));
    if (!instance)
        FATAL_ERROR(
            "Could not allocate sufficent memory to create a new FontInstance.  Free up some memory and try again");
    return instance;
}

void Renderer::FontInstance::holdAgain(int handle) {
    std::deque<int>& idle = Cache::impl()->idle;
    const auto kept = std::find(idle.begin(), idle.end(), handle);
    if (kept != idle.end()) idle.erase(kept);
}

int Renderer::FontInstance::getFontHandle(std::string face, int size, int fontId) {
    RendererFontInstanceStatics* cache = Cache::impl();
    const std::string key = fontKey(face, size, fontId);
    std::lock_guard<PortMutex> lock(cache->mutex);

    auto known = cache->handles.find(key);
    int handle;
    if (known != cache->handles.end()) {
        handle = known->second;
        int& count = cache->refcounts[handle];
        if (count == 0) holdAgain(handle);
        if (++count == INT_MAX) NON_FATAL_ASSERTION("Font refcounts for handle have overflown?");
    } else {
        handle = cache->nextHandle++;
        cache->handles[key] = handle;
        cache->keys[handle] = {face, size, fontId};
        if (handle == INT_MAX)
            NON_FATAL_ASSERTION("Did you really create that many fonts?  The Font handle counter has overflown");
        cache->refcounts[handle] = 1;
    }
    instanceOf(handle);
    return handle;
}

void Renderer::FontInstance::letGo(int handle, std::vector<std::shared_ptr<FontInstance>>& freed) {
    RendererFontInstanceStatics* cache = Cache::impl();
    cache->idle.push_back(handle);
    while (cache->idle.size() > IDLE_FONTS_KEPT) {
        freed.push_back(std::move(cache->instances[cache->idle.front()]));
        cache->idle.pop_front();
    }
}

void Renderer::FontInstance::releaseFontHandle(int handle) {
    RendererFontInstanceStatics* cache = Cache::impl();
    // Freed after the lock is given back, or by a drawing that still holds one.
    std::vector<std::shared_ptr<FontInstance>> freed;
    std::lock_guard<PortMutex> lock(cache->mutex);
    const int count = --cache->refcounts[handle];
    if (count < 0) NON_FATAL_ASSERTION("Refcounts for a font handle have somehow become negative");
    if (count == 0) letGo(handle, freed);
}

void Renderer::FontInstance::bumpFontRefCount(int handle) {
    RendererFontInstanceStatics* cache = Cache::impl();
    std::lock_guard<PortMutex> lock(cache->mutex);
    int& count = cache->refcounts[handle];
    if (count == 0) {
        holdAgain(handle);
        instanceOf(handle);
    }
    if (++count == INT_MAX) NON_FATAL_ASSERTION("Font refcounts for handle have overflown?");
}

int Renderer::FontInstance::getRefCount(int handle) {
    RendererFontInstanceStatics* cache = Cache::impl();
    std::lock_guard<PortMutex> lock(cache->mutex);
    auto count = cache->refcounts.find(handle);
    return count != cache->refcounts.end() ? count->second : 0;
}

int Renderer::FontInstance::madeFontCount() {
    RendererFontInstanceStatics* cache = Cache::impl();
    std::lock_guard<PortMutex> lock(cache->mutex);
    int made = 0;
    for (const auto& instance : cache->instances) made += instance.second != nullptr;
    return made;
}

bool Renderer::FontInstance::checkFont(std::string face, int size) {
    const TrueTypeFont::FaceFile file = TrueTypeFont::findFile(face);
    return !file.path.empty() && file.standIn.empty() && TrueTypeFont().open(file.path, size).empty();
}

std::shared_ptr<Renderer::FontInstance> Renderer::FontInstance::find(int handle) {
    RendererFontInstanceStatics* cache = Cache::impl();
    std::vector<std::shared_ptr<FontInstance>> freed;
    std::lock_guard<PortMutex> lock(cache->mutex);
    if (!cache->keys.count(handle)) return nullptr;
    // A draw queued before the last Font of its handle died may find the font freed: it is made
    // again, and let go again at once, to be freed in its turn.
    const bool wasFreed = !cache->instances[handle];
    std::shared_ptr<FontInstance> instance = instanceOf(handle);
    if (wasFreed && cache->refcounts[handle] == 0) letGo(handle, freed);
    return instance;
}

bool Renderer::FontInstance::showsInWindow(const TrueTypeFont::Box& box, int x, int y, const Transform* transform,
                                           int width, int height) {
    // As drawText's matrix takes the box: turned, scaled, flipped upright and moved to (x, y).
    const double turn = transform ? -transform->getRotation() * M_PI / 180 : 0;
    const double scaleX = transform ? transform->getScaleX() : 1;
    const double scaleY = transform ? transform->getScaleY() : 1;
    double left = INFINITY, right = -INFINITY, top = INFINITY, bottom = -INFINITY;
    for (double cornerX : {box.left, box.right}) {
        for (double cornerY : {box.bottom, box.top}) {
            const double windowX = x + scaleX * (cornerX * std::cos(turn) - cornerY * std::sin(turn));
            const double windowY = y - scaleY * (cornerX * std::sin(turn) + cornerY * std::cos(turn));
            left = std::min(left, windowX);
            right = std::max(right, windowX);
            top = std::min(top, windowY);
            bottom = std::max(bottom, windowY);
        }
    }
    return right >= 0 && left <= width && bottom >= 0 && top <= height;
}

void Renderer::FontInstance::drawText(int handle, Window* w, int x, int y, const std::string* text,
                                      const Transform* transform) {
    if (!w) FATAL_ASSERTION("I seem to have been passed a NULL Window pointer");
    if (!text) FATAL_ASSERTION("I seem to have been passed a NULL string pointer");
    const std::shared_ptr<FontInstance> font = find(handle);
    if (!font) FATAL_ASSERTION("I seem to have been passed an invalid font handle");
    if (!font->isTrueType() && !font->isStrokeFont()) {
        // A bitmap font starts at the raster position, which goes through the window's own matrix.
        glRasterPos2f(x, y);
        platform::windowSystem().drawBuiltinText(font->fontId, font->builtinSize, *text);
        if (transform) WARNING("You can't transform a bitmapped font.");
        return;
    }

    glPushMatrix();
    // Glyphs are designed with y up: flip them upright in the window's y-down pixels.
    glTranslatef(x, y, 0);
    glScalef(1, -1, 0);
    if (transform) {
        // Rotating after the flip by minus the angle turns positive angles clockwise on screen.
        glScalef(transform->getScaleX(), transform->getScaleY(), 0);
        glRotatef(-transform->getRotation(), 0, 0, 1);
    }

    if (font->isTrueType()) {
        font->create(w);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        font->ttFont->output(*text, [&](const TrueTypeFont::Box& box) {
            return showsInWindow(box, x, y, transform, viewport[2], viewport[3]);
        });
    } else {
        const float scale = font->pointSize / 100.0f;
        glScalef(scale, scale, 0);
        platform::windowSystem().drawBuiltinText(font->fontId, font->builtinSize, *text);
    }
    glPopMatrix();
}

void Renderer::FontInstance::getStringSize(int handle, const std::string& text, int& width, int& height) {
    const std::shared_ptr<FontInstance> font = find(handle);
    if (!font) {
        NON_FATAL_ASSERTION("I seem to have been passed an invalid font handle");
        width = height = 0;
        return;
    }
    if (font->isTrueType()) {
        font->ttFont->measure(text, width, height);
        return;
    }
    // The platform ends the process when its metrics are asked for before it has started.
    if (!Renderer::waitUntilPlatformReady())
        FATAL_ERROR("Cannot measure text in a built-in font before a Window exists");
    width = platform::windowSystem().builtinTextWidth(font->fontId, font->builtinSize, text);
    height = font->pointSize;
}
