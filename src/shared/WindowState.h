// WindowState: what a Window shares with the renderer thread: its event queues, the stream that
// hands their events out in order, and the input state recorded beside them, its size, the signal
// that the renderer has let go of it, and whether the window is still open. Private to the
// library, so the public Window header carries no locks. Every field is guarded as its comment says.
#pragma once

#include <map>

#include "KeyModifiers.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "TimerEvent.h"
#include "shared/EventQueue.h"
#include "shared/EventStream.h"
#include "shared/Locking.h"

struct WindowState {
    // One lock for the three queues and the input state below; closed once the window is gone.
    EventSignal events;
    EventQueue<MouseEvent> mousequeue{events, "Mouse"};      // with mousex, mousey, buttonsdown
    EventQueue<KeyboardEvent> keyqueue{events, "Keyboard"};  // with keysdown, modifiersdown
    EventQueue<TimerEvent> timerqueue{events, "Timer"};      // with timercounts
    // The three queues' events in order.
    EventStream stream{events, keyqueue, mousequeue, timerqueue};
    int mousex = -1;
    int mousey = -1;
    std::map<int, bool> keysdown;
    std::map<MouseEvent::Button, bool> buttonsdown;
    std::map<int, int> timercounts;
    KeyModifiers modifiersdown;

    PortMutex sizemutex;  // guards width and height
    int width = 0;
    int height = 0;

    OneShotEvent destroyedsignal;  // the renderer has closed the window and forgotten it
};
