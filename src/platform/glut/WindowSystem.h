// The renderer's few calls straight to the X window system and GLX, beneath the toolkit. Kept in
// a file of their own because X names its types Window and Font, like two classes of the library.
// Renderer thread only.
#pragma once

#include <vector>

namespace windowsystem {

// An X window id.
using WindowId = unsigned long;

// Opens our own connection to the display that the toolkit will use (the one DISPLAY names), which
// later watches for windows destroyed by another program; false if the display cannot be opened,
// also after trying again for two seconds when DISPLAY names one.
bool openDisplay();
// Reports X errors as WARNINGs and lets the program go on, instead of Xlib's exit. Errors about
// windows that the window system destroyed behind the toolkit's back are expected and not reported.
// A lost connection to the X server (it ended, or cut the program off) is reported and ends the
// program at once with status 1, as Xlib does, but without the exit handlers, which would wait
// forever on the dead connection.
void takeOverErrorHandling();
// Finishes drawing and unbinds the GL context from its window, which may be destroyed next.
void releaseCurrentDrawable();
// Resizes the current GL context's window now, not on the toolkit's next turn.
void resizeCurrentWindow(int width, int height);
// Moves the current GL context's window to the screen's top-left corner if it still lies where the
// toolkit puts a window that asks for no place, at (-1, -1), a row and a column off the screen, for
// a window manager to place: a bare X server has none.
void placeCurrentWindowIfUnplaced();
// Asks the X server to keep the current GL context's window's picture also where other windows
// cover it or the screen's edge cuts it, so that shownPixels can read it whole.
void keepCurrentWindowPicture();
// What the current GL context's window shows on the X server, as width x height RGBA pixels, the
// top row first, white beyond the window's own size; empty for a window hidden or gone.
std::vector<unsigned char> currentWindowPicture(int width, int height);
// Drops the pointer motion events that the toolkit's connection has received and not yet handled.
void dropPendingPointerMotion();
// Starts watching the current GL context's window for its destruction by another program, on a
// connection of our own (the toolkit would swallow the notice); returns the window's id.
WindowId watchCurrentWindow();
// The watched windows destroyed since the last call, our own included. From now on errors about
// them are expected.
std::vector<WindowId> takeDestroyedWindows();

}  // namespace windowsystem
