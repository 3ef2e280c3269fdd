// DirectGL: the yardsticks the library is measured against, drawn by a plain one-thread OpenGL
// program in a child process (in the parent the library's renderer thread owns the toolkit).
#pragma once

#include <vector>

#include "Scenes.h"

namespace DirectGL {

// The paths a request names.
enum Path {
    IMMEDIATE,     // one glBegin/glEnd or one quadric per shape, as a program calling GL would
    VERTEX_ARRAY,  // the whole scene as one vertex array: the batched limit of this machine
};

// The child, forked by a Yardstick before anything starts a thread: opens its own window beside
// the library's, builds the vertex arrays and serves the requests; each drawing ends with glFinish,
// after a buffer swap when asked to flip. The scenes are the parent's, as they were at the fork.
[[noreturn]] void serve(const std::vector<Scene>& scenes, int requests, int replies);

}  // namespace DirectGL
