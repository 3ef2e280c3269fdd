// CommandQueue: shared by every user thread (push, pushPixel) and the renderer (takeAll,
// waitForCommands, closeQueue). Everything in it is guarded by its one lock, but the count of
// queued destructions.
#include "shared/CommandQueue.h"

#include <atomic>
#include <condition_variable>

#include "shared/Globals.h"

namespace {

// Built on first use: file-scope Windows of the application queue commands before main.
struct QueueState {
    PortMutex mutex;
    std::condition_variable_any appended;  // a sleeping renderer has work
    std::condition_variable_any taken;     // a producer held at the bound may go on
    std::vector<DaemonCommand> commands;
    std::vector<command::PlainPixel> pixels;  // that the queued runs of plain pixels refer to
    std::size_t points = 0;                   // of the queued point lists, and plain pixels
    std::atomic<int> destructionsQueued{0};   // read by the renderer without the lock
    bool rendererSleeping = false;
    bool closed = false;  // the renderer has stopped for good at process exit

    bool isFull() const {
        return commands.size() >= CommandQueue::QUEUE_BOUND || points >= CommandQueue::QUEUE_POINT_BOUND;
    }
};

QueueState& queueState() { return *Globals<QueueState>::impl(); }

// Holds the caller while the queue is full; false once the renderer has stopped for good (static
// Windows destroyed at exit), after which nothing would run what is queued.
bool waitForRoom(QueueState& q, std::unique_lock<PortMutex>& guard) {
    q.taken.wait(guard, [&q] { return q.closed || !q.isFull(); });
    return !q.closed;
}

// Releases the lock after queueing, then wakes the renderer if it sleeps: a busy one takes the
// queue again after each batch.
void releaseAndWake(QueueState& q, std::unique_lock<PortMutex>& guard) {
    const bool wake = q.rendererSleeping;
    q.rendererSleeping = false;
    guard.unlock();
    if (wake) q.appended.notify_one();
}

}  // namespace

void CommandQueue::push(DaemonCommand&& command) {
    QueueState& q = queueState();
    const std::size_t points = command.countPoints();  // outside the lock the renderer takes the queue under
    std::unique_lock<PortMutex> guard(q.mutex);
    if (!waitForRoom(q, guard)) {
        guard.unlock();
        command.answerDropped();
        return;
    }
    q.points += points;
    q.commands.push_back(std::move(command));
    releaseAndWake(q, guard);
}

void CommandQueue::pushPixel(Window* window, const command::PlainPixel& pixel) {
    QueueState& q = queueState();
    std::unique_lock<PortMutex> guard(q.mutex);
    if (!waitForRoom(q, guard)) return;
    command::PlainPixels* run = nullptr;
    if (!q.commands.empty() && q.commands.back().window == window)
        run = std::get_if<command::PlainPixels>(&q.commands.back().action);
    if (!run)
        run = &std::get<command::PlainPixels>(
            q.commands.emplace_back(window, command::PlainPixels{q.pixels.size(), 0}).action);
    ++run->count;
    q.pixels.push_back(pixel);
    ++q.points;
    releaseAndWake(q, guard);
}

void CommandQueue::closeQueue() {
    std::vector<DaemonCommand> unexecuted;
    QueueState& q = queueState();
    {
        std::lock_guard<PortMutex> guard(q.mutex);
        q.closed = true;
        unexecuted.swap(q.commands);
        q.pixels.clear();
    }
    q.taken.notify_all();
    for (const DaemonCommand& command : unexecuted) command.answerDropped();
}

void CommandQueue::takeAll(std::vector<DaemonCommand>& batch, std::vector<command::PlainPixel>& pixels) {
    QueueState& q = queueState();
    batch.clear();
    pixels.clear();
    bool producersHeld = false;
    {
        std::lock_guard<PortMutex> guard(q.mutex);
        producersHeld = q.isFull();  // only a full queue holds producers back
        batch.swap(q.commands);
        pixels.swap(q.pixels);
        q.points = 0;
    }
    if (producersHeld) q.taken.notify_all();
}

bool CommandQueue::waitForCommands(std::chrono::microseconds timeout) {
    QueueState& q = queueState();
    std::unique_lock<PortMutex> guard(q.mutex);
    q.rendererSleeping = true;
    const bool arrived = q.appended.wait_for(guard, timeout, [&q] { return !q.commands.empty(); });
    q.rendererSleeping = false;
    return arrived;
}

void CommandQueue::destructionQueued() { ++queueState().destructionsQueued; }
bool CommandQueue::isDestructionQueued() { return queueState().destructionsQueued > 0; }
void CommandQueue::destructionDone() { --queueState().destructionsQueued; }
