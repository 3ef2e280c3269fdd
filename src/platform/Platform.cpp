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
    const char* script = std::getenv("BRINDLEWOOD_INPUT");
    // A script's input would never reach a window on X, and the program would wait for a user.
    if ((!name || !*name) && script && *script)
        FATAL_ERROR("BRINDLEWOOD_INPUT names an input script, which plays only offscreen: set "
                    "BRINDLEWOOD_PLATFORM=offscreen too, or unset BRINDLEWOOD_INPUT to take input from X");
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
