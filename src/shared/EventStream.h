// EventStream: a window's three event queues seen as one stream, which hands out every event in
// the order it happened, whatever its kind. There is one copy of each event: taking it from the
// stream takes it from its queue, and taking it from its queue takes it from the stream. The
// queues' one lock guards it all. Private to the library.
#pragma once

#include <sched.h>

#include <algorithm>
#include <cstdint>

#include "Event.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "TimerEvent.h"
#include "shared/EventQueue.h"

class EventStream {
public:
    using value_type = Event;

    EventStream(EventSignal& signal, EventQueue<KeyboardEvent>& keyqueue, EventQueue<MouseEvent>& mousequeue,
                EventQueue<TimerEvent>& timerqueue)
        : signal(signal), keyqueue(keyqueue), mousequeue(mousequeue), timerqueue(timerqueue) {}
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    bool isEmpty() {
        sched_yield();
        return signal.withLock([this] { return oldestSequenceLocked() == NO_SEQUENCE; });
    }
    // Removes the oldest event of any kind into out; false when every queue is empty.
    bool tryTake(Event& out) {
        return signal.withLock([&] { return takeOldestLocked(out); });
    }
    // Sleeps until an event is queued, then removes the oldest into out. False, at once, when every
    // queue is empty and the window has closed: nothing will ever arrive.
    bool waitTake(Event& out) {
        return signal.waitUntil([&] { return takeOldestLocked(out); });
    }

private:
    std::uint64_t oldestSequenceLocked() const {
        return std::min(
            {keyqueue.oldestSequenceLocked(), mousequeue.oldestSequenceLocked(), timerqueue.oldestSequenceLocked()});
    }
    bool takeOldestLocked(Event& out) {
        const std::uint64_t oldest = oldestSequenceLocked();
        return oldest != NO_SEQUENCE &&
               (takeIfOldestLocked(keyqueue, oldest, out) || takeIfOldestLocked(mousequeue, oldest, out) ||
                takeIfOldestLocked(timerqueue, oldest, out));
    }
    template <typename Kind>
    static bool takeIfOldestLocked(EventQueue<Kind>& queue, std::uint64_t oldest, Event& out) {
        Kind event;
        if (queue.oldestSequenceLocked() != oldest || !queue.takeLocked(event)) return false;
        out = Event(event);
        return true;
    }

    EventSignal& signal;
    EventQueue<KeyboardEvent>& keyqueue;
    EventQueue<MouseEvent>& mousequeue;
    EventQueue<TimerEvent>& timerqueue;
};
