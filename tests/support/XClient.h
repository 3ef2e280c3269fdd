// What other X clients do to a test's windows: a window manager's close button, another program
// destroying a window, a server cutting a client off, a screenshot. Each call goes through a
// connection of its own and returns once the X server has handled the request. Kept apart from
// Window.h: X names a type Window too.
#pragma once

#include <string>
#include <vector>

// Asks the window titled title to close (the WM_DELETE_WINDOW message of a close button).
void requestClose(const std::string& title);
// Destroys the window titled title, as another program may.
void destroyFromOutside(const std::string& title);
// Makes the X server close the connection of the program that owns the window titled title.
void killOwnerOf(const std::string& title);
// Sends a request that the X server refuses (BadWindow), and waits for the refusal.
void makeFailingRequest();
// The screen's rectangle with its top-left corner at (x, y) as 8-bit RGB, rows from the top; what
// lies outside the screen reads black. Read in the test's own process, far faster than a
// screenshot program.
std::vector<unsigned char> screenRGB(int x, int y, int width, int height);
