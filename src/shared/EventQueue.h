// EventQueue<Event>: one of a window's input queues. The renderer appends, the user's thread takes.
// A window's three queues share one EventSignal: one lock guards them all (and whatever the window
// keeps beside them), and one condition variable wakes a caller waiting on any of them, also when
// the window closes. Each event queued is numbered across the three, so that EventStream can hand
// them out in the order they happened. Unread pointer moves merge, and a queue holds at most
// MAX_QUEUED_EVENTS: a program that stops reading costs bounded memory. Private to the library.
#pragma once

#include <sched.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "MouseEvent.h"
#include "shared/Diagnostics.h"
#include "shared/Locking.h"

// The most unread events one queue keeps; a queue that is full drops its oldest to make room.
constexpr std::size_t MAX_QUEUED_EVENTS = 50000;

// Whether arriving takes the place of queued, an unread event that is the newest of its window,
// of any kind. Pointer moves merge as window systems merge them: a move directly after a move with
// the same button and modifiers. Nothing else merges, so a press, a click, a crossing or a key in
// between keeps its place.
inline bool replacesQueued(const MouseEvent& queued, const MouseEvent& arriving) {
    return queued.getEvent() == MouseEvent::MOUSE_MOVE_EVENT && arriving.getEvent() == MouseEvent::MOUSE_MOVE_EVENT &&
           queued.getButton() == arriving.getButton() && queued.getModifiers() == arriving.getModifiers();
}
template <typename Event>
bool replacesQueued(const Event&, const Event&) {
    return false;
}

// The number of no queued event: an empty queue's oldest.
constexpr std::uint64_t NO_SEQUENCE = UINT64_MAX;

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
    // Sleeps until ready() holds or the window closes; returns what ready() last said. It runs
    // under the lock, once each time it is asked, so it may also take what it found.
    template <typename Condition>
    bool waitUntil(Condition&& ready) {
        std::unique_lock<PortMutex> guard(mutex);
        bool isReady = false;
        arrived.wait(guard, [&] { return (isReady = ready()) || closed; });
        return isReady;
    }
    // Runs action under the lock of the window's queues.
    template <typename Action>
    auto withLock(Action&& action) {
        std::lock_guard<PortMutex> guard(mutex);
        return action();
    }

private:
    template <typename Event>
    friend class EventQueue;

    PortMutex mutex;
    std::condition_variable_any arrived;
    bool closed = false;
    bool closingnoticed = false;  // a wait has told the program that the window closed
    std::uint64_t newest = 0;     // the number of the latest event queued on any of the queues
};

template <typename Event>
class EventQueue {
public:
    using value_type = Event;

    // kind names the queue in reports: "Mouse", "Keyboard" or "Timer".
    EventQueue(EventSignal& signal, const char* kind) : signal(signal), kind(kind) {}
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Renderer side: queues a copy unless auto-flushing, then runs alsoUnderLock under the same lock.
    // A queue that is full drops its oldest event, with one warning until it has been emptied.
    template <typename Action>
    void add(const Event& event, Action&& alsoUnderLock) {
        bool overflowStarts = false;
        {
            std::lock_guard<PortMutex> guard(signal.mutex);
            if (!autoflush) overflowStarts = appendLocked(event);
            alsoUnderLock();
        }
        if (overflowStarts) {
            WARNING("The " + std::string(kind) + "Event queue is full (" + std::to_string(MAX_QUEUED_EVENTS) +
                    " unread events): the oldest are dropped until it is emptied.  Take events sooner, or call "
                    "autoFlush" +
                    kind + "Queue(true)");
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
    // The number of the oldest event, NO_SEQUENCE when empty; the caller holds the signal's lock.
    std::uint64_t oldestSequenceLocked() const { return events.empty() ? NO_SEQUENCE : events.front().sequence; }
    // Removes the oldest event into out; false when the queue is empty. The caller holds the lock.
    bool takeLocked(Event& out) {
        if (events.empty()) return false;
        out = events.front().event;
        events.pop_front();
        if (events.empty()) overflowing = false;
        return true;
    }
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
        clearLocked();
    }
    // Empties the queue, then drops (on) or keeps (off) the events that arrive from now on.
    void setAutoFlush(bool on) {
        std::lock_guard<PortMutex> guard(signal.mutex);
        clearLocked();
        autoflush = on;
    }
    // Runs action under the queue's lock, for state that the window guards with it.
    template <typename Action>
    auto withLock(Action&& action) {
        return signal.withLock(action);
    }

private:
    // Merges or appends event; true when a full queue drops its oldest for the first time since
    // it was last empty.
    bool appendLocked(const Event& event) {
        if (!events.empty() && events.back().sequence == signal.newest && replacesQueued(events.back().event, event)) {
            events.back().event = event;
            return false;
        }
        bool overflowStarts = false;
        if (events.size() >= MAX_QUEUED_EVENTS) {
            events.pop_front();
            overflowStarts = !overflowing;
            overflowing = true;
        }
        events.push_back({++signal.newest, event});
        return overflowStarts;
    }
    // The deque frees each block of events as it is emptied, so a queue that was full keeps only
    // its small table of blocks once read.
    void clearLocked() {
        events.clear();
        overflowing = false;
    }

    EventSignal& signal;
    const char* kind;
    struct Numbered {
        std::uint64_t sequence;  // its place among the window's events of every kind
        Event event;
    };
    std::deque<Numbered> events;
    bool autoflush = false;
    bool overflowing = false;  // full since it was last empty: the warning has been given
};
