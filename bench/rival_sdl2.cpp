// rival_sdl2: the benchmark's scenes of shapes drawn by SDL2's software renderer with SDL2_gfx, as
// a program using them for speed draws them, in a window of its own. brindlewood_bench starts it
// as a child and asks it for one timed drawing at a time (see README.md); not to be run by hand.
#include <SDL.h>
#include <SDL2_gfxPrimitives.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Scenes.h"
#include "Yardstick.h"

namespace {

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "rival_sdl2: %s: %s\n", message.c_str(), SDL_GetError());
    std::exit(1);
}

// SDL2_gfx takes polygons' corners as 16-bit arrays: made once, as a program would keep them.
struct Corners {
    std::vector<Sint16> xs, ys;
};

std::vector<std::vector<Corners>> cornersOf(const std::vector<Scene>& scenes) {
    std::vector<std::vector<Corners>> corners(scenes.size());
    for (std::size_t i = 0; i < scenes.size(); ++i)
        for (const Shape& s : scenes[i].shapes) {
            corners[i].push_back({std::vector<Sint16>(s.xs.begin(), s.xs.end()), std::vector<Sint16>(s.ys.begin(), s.ys.end())});
        }
    return corners;
}

class SdlRival {
public:
    SdlRival() {
        if (SDL_Init(SDL_INIT_VIDEO) != 0) fail("SDL_Init");
        // A renderer asked for by kind draws each call at once unless told to batch: batching doubled
        // the circles and wide lines a second here.
        SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
        window = SDL_CreateWindow("brindlewood_bench SDL2", 0, HEIGHT + 60, WIDTH, HEIGHT, SDL_WINDOW_SHOWN);
        if (!window) fail("SDL_CreateWindow");
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        if (!renderer) fail("SDL_CreateRenderer");
        // The whole-window picture in the window's own pixel format, so that showing it copies
        // without converting.
        format = SDL_AllocFormat(SDL_GetWindowPixelFormat(window));
        if (!format || format->BytesPerPixel != 4) fail("a window of 4 bytes a pixel");
        frame = SDL_CreateTexture(renderer, format->format, SDL_TEXTUREACCESS_STREAMING, WIDTH, HEIGHT);
        if (!frame) fail("SDL_CreateTexture");
        SDL_SetTextureBlendMode(frame, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
        SDL_RenderClear(renderer);
        SDL_RenderPresent(renderer);
        waitUntilExposed();
    }

    std::string description() const {
        SDL_version linked;
        SDL_GetVersion(&linked);
        SDL_RendererInfo info{};
        SDL_GetRendererInfo(renderer, &info);
        return "SDL " + std::to_string(linked.major) + "." + std::to_string(linked.minor) + "." +
               std::to_string(linked.patch) + " " + info.name + " renderer on " + SDL_GetCurrentVideoDriver() +
               ", SDL2_gfx " + std::to_string(SDL2_GFXPRIMITIVES_MAJOR) + "." + std::to_string(SDL2_GFXPRIMITIVES_MINOR) +
               "." + std::to_string(SDL2_GFXPRIMITIVES_MICRO);
    }

    // Shows the picture only when asked to flip, as the other paths do: the present alone (one copy
    // of the window to the X server) costs more than 20,000 points.
    void draw(const Scene& scene, const std::vector<Corners>& corners, bool flip) {
        if (scene.wholeFrame)
            drawWholeFrame(scene);
        else
            for (std::size_t i = 0; i < scene.shapes.size(); ++i) drawShape(scene.shapes[i], corners[i]);
        if (flip)
            SDL_RenderPresent(renderer);
        else
            SDL_RenderFlush(renderer);  // draws what the batch holds into the window's surface
        SDL_PumpEvents();
    }

private:
    void waitUntilExposed() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        SDL_Event event;
        while (std::chrono::steady_clock::now() < deadline)
            if (SDL_WaitEventTimeout(&event, 100) && event.type == SDL_WINDOWEVENT &&
                event.window.event == SDL_WINDOWEVENT_EXPOSED)
                return;
    }

    void drawShape(const Shape& s, const Corners& corners) {
        const Color c = s.style.getColor();
        const Uint8 r = c.getRed(), g = c.getGreen(), b = c.getBlue(), a = c.getAlpha();
        switch (s.kind) {
            case Kind::PIXEL:
                SDL_SetRenderDrawColor(renderer, r, g, b, a);
                SDL_RenderDrawPoint(renderer, s.x1, s.y1);
                break;
            case Kind::LINE:
                if (s.style.getLineWidth() == 1) {
                    SDL_SetRenderDrawColor(renderer, r, g, b, a);
                    SDL_RenderDrawLine(renderer, s.x1, s.y1, s.x2, s.y2);
                } else {
                    thickLineRGBA(renderer, s.x1, s.y1, s.x2, s.y2, s.style.getLineWidth(), r, g, b, a);
                }
                break;
            case Kind::CIRCLE: filledCircleRGBA(renderer, s.x1, s.y1, CIRCLE_RADIUS, r, g, b, a); break;
            case Kind::POLYGON:
                filledPolygonRGBA(renderer, corners.xs.data(), corners.ys.data(), static_cast<int>(corners.xs.size()), r, g,
                                  b, a);
                break;
            default: break;  // no text or pictures in these scenes
        }
    }

    // Every pixel written straight into the streaming texture's memory, then one copy to the window.
    void drawWholeFrame(const Scene& scene) {
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(frame, nullptr, &pixels, &pitch) != 0) fail("SDL_LockTexture");
        for (const Shape& s : scene.shapes) {
            const Color c = s.style.getColor();
            Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(pixels) + s.y1 * pitch);
            row[s.x1] = Uint32{c.getRed()} << format->Rshift | Uint32{c.getGreen()} << format->Gshift |
                        Uint32{c.getBlue()} << format->Bshift | format->Amask;
        }
        SDL_UnlockTexture(frame);
        SDL_RenderCopy(renderer, frame, nullptr, nullptr);
    }

    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_PixelFormat* format = nullptr;
    SDL_Texture* frame = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    const YardstickPipes pipes = yardstickPipes(argc, argv);
    const std::vector<Scene> scenes = shapeScenes(PRIMITIVES);
    const std::vector<std::vector<Corners>> corners = cornersOf(scenes);
    SdlRival rival;
    serveDrawings(pipes.requests, pipes.replies, rival.description(),
                  [&](int scene, int, bool flip) { rival.draw(scenes[scene], corners[scene], flip); });
}
