// The editor's screen: fixed rectangles, the menu bar and its entries, their outline colours and
// pictures, and the dispatchers that turn clicks into an open menu or a chosen tool. Main thread.
#pragma once

#include <array>
#include <string>

#include "Brindlewood.h"
#include "Palette.h"
#include "Rect.h"

// What a menu and a menu entry share: a hit area and two flags.
struct hit_area {
    explicit hit_area(rect const& area, bool enabled = false)
        : x1(area.x1), y1(area.y1), x2(area.x2), y2(area.y2), enabled(enabled) {}

    int x1, y1, x2, y2;
    bool enabled;         // can be clicked; outlined DISABLED when not
    bool active = false;  // menu: it is the open one; entry: its menu is open, so it is tested
};

// A menu of the menu bar.
struct menu_button : hit_area {
    using hit_area::hit_area;
};
// An entry of an open menu.
struct button : hit_area {
    using hit_area::hit_area;
};

extern rect CANVAS, IO_WINDOW, MENU_RECT;
extern rect FILE_RECT, ADD_RECT, MOD_RECT, DEL_RECT, COLORS_RECT;
extern rect LOAD_2D_RECT, OPEN_RECT, WIDTH_RECT, SAVE_RECT, EXIT_RECT;
extern rect VERTS_RECT, FACES_RECT, EDGES_RECT, MOVE_VERTS_RECT, VERT_WIDTH_RECT;

extern menu_button FILE_BTN, ADD_BTN, MOD_BTN, DEL_BTN, COLORS_BTN;
extern button LOAD_2D_BTN, OPEN_BTN, WIDTH_BTN, SAVE_BTN, EXIT_BTN;
extern button ADD_VERTS_BTN, ADD_FACES_BTN, ADD_EDGES_BTN;
extern button MOVE_VERTS_BTN, VERT_WIDTH_BTN;
extern button DEL_VERTS_BTN, DEL_FACES_BTN, DEL_EDGES_BTN;
// Entries of Colours: a swatch for each colour of PALETTE, in its order.
extern std::array<button, PALETTE_SIZE> SWATCH_BTNS;

extern Style ENABLED;   // blue: can be clicked
extern Style ACTIVE;    // green: the open menu
extern Style HOVER;     // red: under the mouse
extern Style DISABLED;  // purple: cannot be clicked

extern Image BACKGROUND_IMAGE;      // the whole static look, drawn at (0, 0)
extern Image FILE_IMAGE;            // the File menu's entries, drawn at the corner of MENU_RECT
extern Image ADD_DEL_COLORS_IMAGE;  // the Add and Delete menus' entries, likewise
extern Image MOD_IMAGE;             // the Modify menu's entries, likewise
extern Image COLORS_IMAGE;          // the Colours menu's swatches, likewise
extern Image MODEL_VIEW_IMAGE;      // the background's canvas with its margin, to redraw it with

// The part of picture inside r, r given in the picture's own pixels from its top-left corner.
Image cut(Image const& picture, rect const& r);

// Whether e is a left-button press made inside r; draws nothing. Like every hit test here it goes
// by the position that the event carries, not by where the pointer is when the event is handled.
bool clicked(rect const& r, MouseEvent const& e);
// Hit test of a menu: outlines it (unless it is the open one) and says whether e clicks it.
bool clicked(menu_button& m, MouseEvent const& e);
// Hit test of an entry: outlines it and says whether e clicks it.
bool clicked(button& b, MouseEvent const& e);
// Makes m the open menu and lets the entries of the open menu be tested.
void activate(menu_button& m);
// Lets the menu bar react to one mouse event.
void handle_menus(MouseEvent const& e);
// Lets the open menu's entries react to one mouse event; a chosen entry sets PROG_MODE.
void handle_buttons(MouseEvent const& e);
// The console heading of a tool that stays on (such as "Add Faces."); empty for the other modes.
std::string tool_heading(int mode);
// Writes the model width inside the Width entry.
void draw_width_label();
