// The library's locking: PortMutex (a plain, non-recursive mutex), OneShotEvent (an event that
// one wait consumes) and Reply<T> (a OneShotEvent with a result, through which the renderer answers a
// waiting caller).
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>

class PortMutex {
public:
    PortMutex() = default;
    PortMutex(const PortMutex&) = delete;
    PortMutex& operator=(const PortMutex&) = delete;

    void lock() { mutex.lock(); }
    void unlock() { mutex.unlock(); }

private:
    std::mutex mutex;
};

// Any number of signal() calls before a wait() are consumed by that one wait().
class OneShotEvent {
public:
    OneShotEvent() = default;
    OneShotEvent(const OneShotEvent&) = delete;
    OneShotEvent& operator=(const OneShotEvent&) = delete;

    // Blocks until signalled, then clears the signal.
    void wait();
    void signal();

private:
    std::mutex mutex;
    std::condition_variable condition;
    bool signalled = false;
};

// A reply slot, owned by the one caller that waits on it (its command carries it to the renderer):
// the renderer stores a result and signals; the caller takes it. The slot keeps nothing afterwards
// (a captured Image would otherwise stay referenced).
template <typename T>
class Reply {
public:
    // Renderer side: the result is written before the signal, so the caller sees it whole.
    void put(const T& value) {
        result.emplace(value);
        ready.signal();
    }
    // Caller side: blocks until the renderer has answered.
    T take() {
        ready.wait();
        T value = *result;
        result.reset();
        return value;
    }

private:
    OneShotEvent ready;
    std::optional<T> result;
};
