// Brindlewood: windows with immediate 2D drawing, input events, fonts and images, for programs
// written in a plain sequential style. Include this header; it brings no OpenGL or toolkit names.
//
//     Window window(640, 480, "Hello");
//     window.drawLine(Style::BLACK, 10, 10, 200, 120);
//     while (window.waitForMouseEvent().getEvent() != MouseEvent::BUTTON_CLICK_EVENT) {}
//
// Conventions of every header: coordinates are window pixels with the origin at the top-left
// corner and y growing downward. Where a call "halts", misuse aborts the program at once with a
// report on stderr ("FATAL ERROR in <file> @ line <n> : <what>", then "  called from <your
// file>, line <n>"); after a WARNING the program goes on.
#pragma once

#include "CallSite.h"
#include "Color.h"
#include "Event.h"
#include "Font.h"
#include "Image.h"
#include "KeyModifiers.h"
#include "KeyboardEvent.h"
#include "MouseEvent.h"
#include "NamedKey.h"
#include "Style.h"
#include "TimerEvent.h"
#include "Transform.h"
#include "Window.h"
#include "WindowManager.h"
