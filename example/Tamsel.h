// The editor's window and main-loop state, shared by every editor file. All of it lives on the
// main thread; the objects are defined, in their start-up order, in Tamsel.cpp.
#pragma once

#include "Brindlewood.h"

// The editing modes, the values of PROG_MODE. Loading, opening, setting the width and saving run
// once and fall back to IDLE; the add, modify and delete tools stay on until another entry is chosen.
enum : int {
    IDLE = 0,
    LOAD_TEMPLATE = 1,
    SET_WIDTH = 2,
    SAVE_OBJ = 3,
    EXIT = 4,
    ADD_VERTS = 5,
    ADD_FACES = 6,
    ADD_EDGES = 7,
    MOVE_VERTS = 8,
    VERT_WIDTH = 9,
    DEL_VERTS = 10,
    DEL_FACES = 11,
    DEL_EDGES = 12,
    OPEN_OBJ = 13,
    PAINT_FACES = 14
};

extern Window window;
extern int PROG_MODE;
extern Image TEMPLATE_IMAGE;
extern int PAINT_COLOUR;  // the colour that the paint tool gives faces, an index into PALETTE
