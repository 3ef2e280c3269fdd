// EventQueue<Event>: one of a window's input queues. The renderer appends, the user's thread takes.
// A window's three queues share one EventSignal: one lock guards them all (and whatever the window
// keeps beside them), and one condition variable wakes a caller waiting on any of them, also when
// the window closes. Private to the library.
#pragma once

#include <sched.h>

#include <condition_variable>
#include <deque>

#include "PortMutex.h"

// The lock, the wake-up and the open-or-closed state shared by one window's event queues.
class EventSignal {
public:
    // Renderer side: the window is gone for good; every wait returns.
    void close() {
        {
            std::lock_guard<PortMutex> guard(mutex);
            closed = true;
        }
        arrived.notify_all();
    }
    bool isClosed() {
        std::lock_guard<PortMutex> guard(mutex);
        return closed;
    }
    // Once the window has closed: true the first time it is asked (the program is to be told of the
    // closing), false from then on.
    bool takeClosingNotice() {
        std::lock_guard<PortMutex> guard(mutex);
        const bool notice = closed && !closingnoticed;
        closingnoticed = closingnoticed || closed;
        return notice;
    }
    // Sleeps until ready() holds or the window closes; returns ready(), evaluated under the lock.
    template <typename Condition>
    bool waitUntil(Condition&& ready) {
        std::unique_lock<PortMutex> guard(mutex);
        arrived.wait(guard, [&] { return closed || ready(); });
        return ready();
    }

private:
    template <typename Event>
    friend class EventQueue;

    PortMutex mutex;
    std::condition_variable_any arrived;
    bool closed = false;
    bool closingnoticed = false;  // a wait has told the program that the window closed
};

template <typename Event>
class EventQueue {
public:
    explicit EventQueue(EventSignal& signal) : signal(signal) {}
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Renderer side: queues a copy unless auto-flushing, then runs alsoUnderLock under the same lock.
    template <typename Action>
    void add(const Event& event, Action&& alsoUnderLock) {
        {
            std::lock_guard<PortMutex> guard(signal.mutex);
            if (!autoflush) events.push_back(event);
            alsoUnderLock();
        }
        signal.arrived.notify_all();
    }
    void add(const Event& event) {
        add(event, [] {});
    }

    bool isEmpty() {
        sched_yield();
        std::lock_guard<PortMutex> guard(signal.mutex);
        return events.empty();
    }
    // Whether an event is queued; the caller holds the signal's lock (inside EventSignal::waitUntil).
    bool holdsEventsLocked() const { return !events.empty(); }
    // Removes the oldest event into out; false when the queue is empty.
    bool tryTake(Event& out) {
        std::lock_guard<PortMutex> guard(signal.mutex);
        return takeLocked(out);
    }
    // Sleeps until an event is queued, then removes the oldest into out. False, at once, when the
    // queue is empty and its window has closed: nothing will ever arrive.
    bool waitTake(Event& out) {
        std::unique_lock<PortMutex> guard(signal.mutex);
        signal.arrived.wait(guard, [this] { return !events.empty() || signal.closed; });
        return takeLocked(out);
    }
    void flush() {
        std::lock_guard<PortMutex> guard(signal.mutex);
        events.clear();
    }
    // Empties the queue, then drops (on) or keeps (off) the events that arrive from now on.
    void setAutoFlush(bool on) {
        std::lock_guard<PortMutex> guard(signal.mutex);
        events.clear();
        autoflush = on;
    }
    // Runs action under the queue's lock, for state that the window guards with it.
    template <typename Action>
    auto withLock(Action&& action) {
        std::lock_guard<PortMutex> guard(signal.mutex);
        return action();
    }

private:
    bool takeLocked(Event& out) {
        if (events.empty()) return false;
        out = events.front();
        events.pop_front();
        return true;
    }

    EventSignal& signal;
    std::deque<Event> events;
    bool autoflush = false;
};
