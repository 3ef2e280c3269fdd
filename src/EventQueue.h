// EventQueue<Event>: one window's queue of input events. The renderer appends, the user's thread
// takes; one mutex guards the queue (and whatever the window keeps beside it), and a condition
// variable lets a waiting caller sleep instead of spinning.
#pragma once

#include <sched.h>

#include <condition_variable>
#include <deque>

#include "PortMutex.h"

template <typename Event>
class EventQueue {
public:
    // Renderer side: queues a copy unless auto-flushing, then runs alsoUnderLock under the same lock.
    template <typename Action>
    void add(const Event& event, Action&& alsoUnderLock) {
        {
            std::lock_guard<PortMutex> guard(mutex);
            if (!autoflush) events.push_back(event);
            alsoUnderLock();
        }
        arrived.notify_all();
    }
    void add(const Event& event) {
        add(event, [] {});
    }

    bool isEmpty() {
        sched_yield();
        std::lock_guard<PortMutex> guard(mutex);
        return events.empty();
    }
    // Removes the oldest event into out; false when the queue is empty.
    bool tryTake(Event& out) {
        std::lock_guard<PortMutex> guard(mutex);
        if (events.empty()) return false;
        out = events.front();
        events.pop_front();
        return true;
    }
    // Sleeps until an event is queued, then removes and returns the oldest.
    Event waitTake() {
        std::unique_lock<PortMutex> guard(mutex);
        arrived.wait(guard, [this] { return !events.empty(); });
        Event event = events.front();
        events.pop_front();
        return event;
    }
    void flush() {
        std::lock_guard<PortMutex> guard(mutex);
        events.clear();
    }
    // Empties the queue, then drops (on) or keeps (off) the events that arrive from now on.
    void setAutoFlush(bool on) {
        std::lock_guard<PortMutex> guard(mutex);
        events.clear();
        autoflush = on;
    }
    // Runs action under the queue's lock, for state that the window guards with it.
    template <typename Action>
    auto withLock(Action&& action) {
        std::lock_guard<PortMutex> guard(mutex);
        return action();
    }

private:
    PortMutex mutex;
    std::condition_variable_any arrived;
    std::deque<Event> events;
    bool autoflush = false;
};
