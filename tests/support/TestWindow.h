// Helpers for tests that open windows on the test display.
#pragma once

#include <functional>
#include <string>

#include "Window.h"

// Blocks (at most a few seconds) until the renderer has created and first cleared the window, so
// that drawing from now on stays in its back buffer.
void waitUntilShown(Window& window);

// Blocks until the X server has mapped the window titled title, so that the toolkit has been told
// its size; returns at once offscreen, where no window system maps windows.
void waitUntilMapped(const std::string& title);

// The colour shown on the screen (not the back buffer) at a point of the screen.
Color screenPixel(int screenX, int screenY);

// Everything written to stderr while action runs.
std::string stderrOf(const std::function<void()>& action);

// Counts the non-overlapping occurrences of text in output.
int occurrences(const std::string& output, const std::string& text);

// The memory this process holds now, in kilobytes, for tests that a long run keeps it flat.
long residentKilobytes();
