// Yardstick: the pipes between the benchmark and a child that draws its scenes, both sides.
#include "Yardstick.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

struct Request {
    int scene;
    int path;
    int flip;
};

constexpr std::size_t DESCRIPTION_SIZE = 256;

// Moves size bytes through a pipe, however the kernel splits them; false if the other end is gone.
template <typename Byte, typename Transfer>
bool transferFully(Byte* bytes, std::size_t size, Transfer transfer) {
    while (size > 0) {
        const ssize_t moved = transfer(bytes, size);
        if (moved <= 0) return false;
        bytes += moved;
        size -= static_cast<std::size_t>(moved);
    }
    return true;
}

bool readFully(int fd, void* data, std::size_t size) {
    return transferFully(static_cast<char*>(data), size, [fd](char* at, std::size_t n) { return read(fd, at, n); });
}

bool writeFully(int fd, const void* data, std::size_t size) {
    return transferFully(static_cast<const char*>(data), size,
                         [fd](const char* at, std::size_t n) { return write(fd, at, n); });
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

}  // namespace

Yardstick::Yardstick(const std::function<void(int requests, int replies)>& serve) {
    // A child that has died makes a request fail instead of killing this process.
    signal(SIGPIPE, SIG_IGN);
    // Close-on-exec, so that a program started later holds no end of another child's pipes.
    int down[2], up[2];
    if (pipe2(down, O_CLOEXEC) != 0) return;
    if (pipe2(up, O_CLOEXEC) != 0) {
        close(down[0]);
        close(down[1]);
        return;
    }
    child = fork();
    if (child == 0) {
        close(down[1]);
        close(up[0]);
        serve(down[0], up[1]);
    }
    close(down[0]);
    close(up[1]);
    requests = down[1];
    replies = up[0];
    char described[DESCRIPTION_SIZE] = {};
    if (child > 0 && readFully(replies, described, sizeof described))
        name.assign(described, strnlen(described, sizeof described));
}

Yardstick::~Yardstick() {
    close(requests);  // the child sees the end of its requests and exits
    close(replies);
    if (child > 0) waitpid(child, nullptr, 0);
}

Drawing Yardstick::draw(int scene, int path, bool flip) {
    const Request request{scene, path, flip ? 1 : 0};
    Drawing drawing;
    if (!writeFully(requests, &request, sizeof request) || !readFully(replies, &drawing, sizeof drawing)) return {};
    return drawing;
}

void serveDrawings(int requests, int replies, const std::string& description, const Yardstick::Draw& draw) {
    char described[DESCRIPTION_SIZE] = {};
    description.copy(described, sizeof described - 1);
    bool serving = writeFully(replies, described, sizeof described);
    Request request{};
    while (serving && readFully(requests, &request, sizeof request)) {
        const double cpuStart = processCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        draw(request.scene, request.path, request.flip != 0);
        Drawing drawing;
        drawing.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        drawing.cpuSeconds = processCpuSeconds() - cpuStart;
        serving = writeFully(replies, &drawing, sizeof drawing);
    }
    // Straight out: a forked child's copy of the parent's exit handlers is not its to run.
    _exit(0);
}

void runYardstickProgram(const std::string& path, int requests, int replies) {
    // These two ends, and only these, stay open in the program.
    fcntl(requests, F_SETFD, 0);
    fcntl(replies, F_SETFD, 0);
    const std::string requestsArgument = std::to_string(requests), repliesArgument = std::to_string(replies);
    execl(path.c_str(), path.c_str(), requestsArgument.c_str(), repliesArgument.c_str(), static_cast<char*>(nullptr));
    _exit(127);  // the parent reads no description and takes the yardstick as not ready
}

YardstickPipes yardstickPipes(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "%s: started by brindlewood_bench, with the ends of its pipes\n", argv[0]);
        std::exit(2);
    }
    return {std::atoi(argv[1]), std::atoi(argv[2])};
}
