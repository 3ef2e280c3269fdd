// The choice of platform, made once from the environment on first use, by whichever thread needs
// the platform first. Includes no window system.
#include "platform/Platform.h"

#include <cstdlib>
#include <cstring>

#include "shared/Diagnostics.h"

namespace platform {

namespace {

Platform& chosenPlatform() {
    const char* name = std::getenv("BRINDLEWOOD_PLATFORM");
    if (!name || !*name) return glutPlatform();
    if (std::strcmp(name, "offscreen") == 0) return offscreenPlatform();
    FATAL_ERROR(std::string("BRINDLEWOOD_PLATFORM is \"") + name +
                "\": set it to offscreen to draw without a display, or leave it unset to draw on X");
}

}  // namespace

Platform& windowSystem() {
    static Platform& platform = chosenPlatform();
    return platform;
}

}  // namespace platform
