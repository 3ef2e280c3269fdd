// The editor's menu bar and entries: hit tests with outline feedback and the two dispatchers.
// Main thread; draws through the editor's window.

#include "Layout.h"

#include "Console.h"
#include "ConsoleText.h"
#include "ModelView.h"
#include "ScreenAreas.h"
#include "Tamsel.h"

namespace {

bool is_left_press(MouseEvent const& e) {
    static const MouseEvent left_press(MouseEvent::BUTTON_DOWN_EVENT, MouseEvent::LEFT_BUTTON, -1, -1,
                                       KeyModifiers::ANY_MODIFIERS);
    return e == left_press;
}

// Where the event itself happened: the pointer may be far on by the time the event is handled.
bool mouse_inside(hit_area const& b, MouseEvent const& e) {
    return contains(rect{b.x1, b.y1, b.x2, b.y2}, e.getX(), e.getY());
}

void outline(hit_area const& b, Style const& s) { window.drawRectangleOutline(s, b.x1, b.y1, b.x2, b.y2); }

}  // namespace

bool clicked(rect const& r, MouseEvent const& e) { return is_left_press(e) && contains(r, e.getX(), e.getY()); }

bool clicked(menu_button& m, MouseEvent const& e) {
    if (!m.enabled) {
        outline(m, DISABLED);
        return false;
    }
    // The open menu keeps its ACTIVE outline, though clicking it again still counts.
    bool inside = mouse_inside(m, e);
    if (!m.active) outline(m, inside ? HOVER : ENABLED);
    return inside && is_left_press(e);
}

bool clicked(button& b, MouseEvent const& e) {
    if (!b.enabled) {
        outline(b, DISABLED);
        return false;
    }
    bool inside = mouse_inside(b, e);
    outline(b, inside ? HOVER : ENABLED);
    return inside && is_left_press(e);
}

void activate(menu_button& m) {
    for (menu_button* menu : {&FILE_BTN, &ADD_BTN, &MOD_BTN, &DEL_BTN, &COLORS_BTN}) {
        menu->active = false;
        outline(*menu, menu->enabled ? ENABLED : DISABLED);
    }
    m.active = true;
    outline(m, ACTIVE);
    for (button* entry : {&LOAD_2D_BTN, &OPEN_BTN, &WIDTH_BTN, &SAVE_BTN, &EXIT_BTN})
        entry->enabled = entry->active = FILE_BTN.active;
    for (button* entry : {&ADD_VERTS_BTN, &ADD_FACES_BTN, &ADD_EDGES_BTN})
        entry->enabled = entry->active = ADD_BTN.active;
    for (button* entry : {&MOVE_VERTS_BTN, &VERT_WIDTH_BTN})
        entry->enabled = entry->active = MOD_BTN.active;
    for (button* entry : {&DEL_VERTS_BTN, &DEL_FACES_BTN, &DEL_EDGES_BTN})
        entry->enabled = entry->active = DEL_BTN.active;
    for (button& swatch : SWATCH_BTNS) swatch.enabled = swatch.active = COLORS_BTN.active;
}

void handle_menus(MouseEvent const& e) {
    if (clicked(FILE_BTN, e)) {
        window.drawImage(FILE_IMAGE, MENU_RECT.x1, MENU_RECT.y1);
        activate(FILE_BTN);
        draw_width_label();
    }
    if (clicked(ADD_BTN, e)) {
        window.drawImage(ADD_DEL_COLORS_IMAGE, MENU_RECT.x1, MENU_RECT.y1);
        activate(ADD_BTN);
    }
    if (clicked(MOD_BTN, e)) {
        window.drawImage(MOD_IMAGE, MENU_RECT.x1, MENU_RECT.y1);
        activate(MOD_BTN);
    }
    if (clicked(DEL_BTN, e)) {
        window.drawImage(ADD_DEL_COLORS_IMAGE, MENU_RECT.x1, MENU_RECT.y1);
        activate(DEL_BTN);
    }
    if (clicked(COLORS_BTN, e)) {
        window.drawImage(COLORS_IMAGE, MENU_RECT.x1, MENU_RECT.y1);
        activate(COLORS_BTN);
    }
}

namespace {

struct entry_action {
    button* entry;
    int mode;
    const char* heading;  // written on the console when a tool that stays on is chosen
};

// "Verticies" is the editor's own spelling, kept as users know it.
const entry_action ENTRY_ACTIONS[] = {
    {&LOAD_2D_BTN, LOAD_TEMPLATE, nullptr},
    {&OPEN_BTN, OPEN_OBJ, nullptr},
    {&WIDTH_BTN, SET_WIDTH, nullptr},
    {&SAVE_BTN, SAVE_OBJ, nullptr},
    {&EXIT_BTN, EXIT, nullptr},
    {&ADD_VERTS_BTN, ADD_VERTS, "Add Verticies."},
    {&ADD_FACES_BTN, ADD_FACES, "Add Faces."},
    {&ADD_EDGES_BTN, ADD_EDGES, "Add Edges."},
    {&MOVE_VERTS_BTN, MOVE_VERTS, "Move Vertices."},
    {&VERT_WIDTH_BTN, VERT_WIDTH, "Vertex Width."},
    {&DEL_VERTS_BTN, DEL_VERTS, "Delete Vertices."},
    {&DEL_FACES_BTN, DEL_FACES, "Delete Faces."},
    {&DEL_EDGES_BTN, DEL_EDGES, "Delete Edges."},
};

}  // namespace

void handle_buttons(MouseEvent const& e) {
    for (entry_action const& action : ENTRY_ACTIONS) {
        if (!action.entry->active || !clicked(*action.entry, e)) continue;
        if (action.heading) {
            clear(IO_WINDOW);
            output(action.heading, 1);
        }
        PROG_MODE = action.mode;
    }
    for (int colour = 0; colour < PALETTE_SIZE; ++colour) {
        if (!SWATCH_BTNS[colour].active || !clicked(SWATCH_BTNS[colour], e)) continue;
        PROG_MODE = PAINT_FACES;
        PAINT_COLOUR = colour;
        clear(IO_WINDOW);
        output(tool_heading(PAINT_FACES), 1);
    }
}

std::string tool_heading(int mode) {
    if (mode == PAINT_FACES) return std::string("Paint Faces ") + PALETTE[PAINT_COLOUR].name + ".";
    for (entry_action const& action : ENTRY_ACTIONS)
        if (action.mode == mode && action.heading) return action.heading;
    return "";
}

Image cut(Image const& picture, rect const& r) {
    // The library counts a picture's rows from its bottom.
    return picture.subImage(r.x1, picture.getHeight() - 1 - r.y2, r.x2 - r.x1 + 1, r.y2 - r.y1 + 1);
}

void draw_width_label() {
    window.drawText(FORE_FONT_STYLE, FONT, area::width_label_x, area::width_label_y, width_label(OBJ.width));
}
