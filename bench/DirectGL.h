// DirectGL: the yardsticks the library is measured against, drawn by a plain one-thread OpenGL
// program in a child process (in the parent the library's renderer thread owns the toolkit). The
// parent asks for one timed drawing at a time, so that both processes take turns on the machine.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "Scenes.h"

class DirectGL {
public:
    enum Path {
        IMMEDIATE,     // one glBegin/glEnd or one quadric per shape, as a program calling GL would
        VERTEX_ARRAY,  // the whole scene as one vertex array: the batched limit of this machine
    };

    // Forks the child, which opens its own window beside the library's and builds the vertex
    // arrays; call it before anything starts a thread. The scenes must not change afterwards.
    explicit DirectGL(const std::vector<Scene>& scenes);
    // Ends the child.
    ~DirectGL();
    DirectGL(const DirectGL&) = delete;
    DirectGL& operator=(const DirectGL&) = delete;

    // Whether the child is up; false when it could not open its window (no display).
    bool isReady() const { return !renderer.empty(); }
    // The child, whose processor time is ours rather than other work's.
    pid_t processId() const { return child; }
    // The GL renderer and version the child draws with.
    const std::string& rendererName() const { return renderer; }
    // Seconds the child took to draw the scene along the path and glFinish, after a buffer swap
    // when flip is set; negative if the child has failed.
    double secondsToDraw(int scene, Path path, bool flip);

private:
    pid_t child = -1;
    int requests = -1;  // the pipe to the child
    int replies = -1;   // and back
    std::string renderer;
};
