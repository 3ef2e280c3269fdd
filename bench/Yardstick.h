// Yardstick: a program the library is measured against, drawing the benchmark's scenes in a child
// process with a window of its own beside the library's. The parent asks for one timed drawing at
// a time over a pair of pipes, so that the processes take turns on the machine and never draw at
// once. The child times itself: wall-clock time and its own processor time, all its threads.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

// One timed drawing; negative seconds if the child has failed.
struct Drawing {
    double seconds = -1;     // from the first call until everything is drawn, wall clock
    double cpuSeconds = -1;  // processor time of the child meanwhile, all its threads
};

class Yardstick {
public:
    // The child's side of one request: draws the scene along the path (what a path means is the
    // child's to say), shows it when flip is set, and returns only once all of it is drawn.
    using Draw = std::function<void(int scene, int path, bool flip)>;

    // Forks a child that runs serve with the ends of the pipes it reads requests from and writes
    // replies to; serve must end the child, never return. Call it before anything starts a thread.
    explicit Yardstick(const std::function<void(int requests, int replies)>& serve);
    // Ends the child.
    ~Yardstick();
    Yardstick(const Yardstick&) = delete;
    Yardstick& operator=(const Yardstick&) = delete;

    // Whether the child is up; false when it could not start or open its window.
    bool isReady() const { return !name.empty(); }
    // What the child draws with, as it says.
    const std::string& description() const { return name; }
    // The child, whose processor time is ours rather than other work's.
    pid_t processId() const { return child; }
    // One timed drawing of the scene along the path, shown when flip is set.
    Drawing draw(int scene, int path, bool flip);

private:
    pid_t child = -1;
    int requests = -1;  // the pipe to the child
    int replies = -1;   // and back
    std::string name;
};

// The child's side: tells the parent what it draws with, then serves each request with draw, timed,
// until the parent closes the pipe, and ends the process.
[[noreturn]] void serveDrawings(int requests, int replies, const std::string& description, const Yardstick::Draw& draw);
// Runs a program of the benchmark in the child that serve runs in, the pipes' ends as its two
// arguments, for serveDrawings in its main.
[[noreturn]] void runYardstickProgram(const std::string& path, int requests, int replies);

// In such a program: the pipes' ends from its arguments; ends it with a line on stderr when they
// are not there (it is not for running by hand).
struct YardstickPipes {
    int requests, replies;
};
YardstickPipes yardstickPipes(int argc, char** argv);
