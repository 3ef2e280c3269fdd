// CommandQueue: the one process-wide queue of Commands between every user thread and the
// renderer, with its flow control. Producers push on their own threads; the renderer takes the
// queue whole through takeAll.
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "shared/DaemonCommand.h"

class CommandQueue {
public:
    // The queue holds at most this many commands (and this many points of point lists and plain
    // pixels together); a producer that finds it full sleeps until the renderer takes it, so memory
    // stays bounded however far a program draws ahead of the screen.
    static constexpr std::size_t QUEUE_BOUND = 4096;
    static constexpr std::size_t QUEUE_POINT_BOUND = 1 << 19;

    // Queues a command, waiting first while the queue is full; wakes a sleeping renderer. Commands
    // from one thread run in the order queued. A command that awaits an answer and comes after the
    // renderer has stopped for good is answered as for a closed window.
    static void push(DaemonCommand&& command);
    // Queues a plain pixel as push queues a command: it joins the run of plain pixels for the same
    // window that ends the queue, if there is one.
    static void pushPixel(Window* window, const command::PlainPixel& pixel);
    // Queues a command whose caller waits for its answer, and returns the answer: each caller has
    // its own reply slot, so callers on any number of threads get their own.
    template <typename Answer, typename Kind>
    static Answer pushAndWait(Window* window, Kind&& request) {
        Reply<Answer> reply;
        request.reply = &reply;
        push(DaemonCommand(window, std::forward<Kind>(request)));
        return reply.take();
    }

    // Renderer side: swaps batch and pixels (emptied) with the whole queue and the plain pixels its
    // runs refer to, in one lock, and lets producers held at the bound go on. Swapping hands the
    // queue storage back, so taking allocates nothing.
    static void takeAll(std::vector<DaemonCommand>& batch, std::vector<command::PlainPixel>& pixels);
    // Renderer side, when it stops at exit: drops what is queued; later commands are dropped too.
    // Callers waiting for an answer get the answer of a closed window.
    static void closeQueue();
    // Renderer side: sleeps until a command is queued or the timeout passes; false on timeout.
    static bool waitForCommands(std::chrono::microseconds timeout);

    // A window's destruction is queued and not yet done: its destructor waits for the renderer,
    // which must not keep working through input meanwhile.
    static void destructionQueued();
    static bool isDestructionQueued();
    // Renderer side: a queued destruction has been carried out (or dropped, its window closed).
    static void destructionDone();
};
