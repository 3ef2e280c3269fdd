// OneShotEvent: the two-state event behind every reply from the renderer. Runs on both threads.
#include "shared/Locking.h"

void OneShotEvent::wait() {
    std::unique_lock<std::mutex> guard(mutex);
    condition.wait(guard, [this] { return signalled; });
    signalled = false;
}

void OneShotEvent::signal() {
    // Notify under the lock: the woken waiter may destroy the semaphore as soon as it returns.
    std::lock_guard<std::mutex> guard(mutex);
    signalled = true;
    condition.notify_one();
}
