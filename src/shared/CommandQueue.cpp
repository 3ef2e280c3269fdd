// CommandQueue: shared by every user thread (push) and the renderer (takeAll, waitForCommands,
// closeQueue). Everything in it is guarded by its one lock, but the count of queued destructions.
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
    std::size_t points = 0;                  // of the queued point lists
    std::atomic<int> destructionsQueued{0};  // read by the renderer without the lock
    bool rendererSleeping = false;
    bool closed = false;  // the renderer has stopped for good at process exit

    bool isFull() const {
        return commands.size() >= CommandQueue::QUEUE_BOUND || points >= CommandQueue::QUEUE_POINT_BOUND;
    }
};

QueueState& queueState() { return *Globals<QueueState>::impl(); }

}  // namespace

void CommandQueue::push(DaemonCommand&& command) {
    QueueState& q = queueState();
    const std::size_t points = command.countPoints();  // outside the lock the renderer takes the queue under
    std::unique_lock<PortMutex> guard(q.mutex);
    q.taken.wait(guard, [&q] { return q.closed || !q.isFull(); });
    // After the renderer has stopped (static Windows destroyed at exit), nothing would run it.
    if (q.closed) {
        guard.unlock();
        command.answerDropped();
        return;
    }
    q.points += points;
    q.commands.push_back(std::move(command));
    // Only a sleeping renderer needs waking: a busy one takes the queue again after each batch.
    const bool wake = q.rendererSleeping;
    q.rendererSleeping = false;
    guard.unlock();
    if (wake) q.appended.notify_one();
}

void CommandQueue::closeQueue() {
    std::vector<DaemonCommand> unexecuted;
    QueueState& q = queueState();
    {
        std::lock_guard<PortMutex> guard(q.mutex);
        q.closed = true;
        unexecuted.swap(q.commands);
    }
    q.taken.notify_all();
    for (const DaemonCommand& command : unexecuted) command.answerDropped();
}

void CommandQueue::takeAll(std::vector<DaemonCommand>& batch) {
    QueueState& q = queueState();
    batch.clear();
    bool producersHeld = false;
    {
        std::lock_guard<PortMutex> guard(q.mutex);
        producersHeld = q.isFull();  // only a full queue holds producers back
        batch.swap(q.commands);
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
