// Tamsel's main loop: waits for a mouse event, lets the menus react, then carries out the current
// editing mode: a dialogue, or a tool that adds to, mends, paints or deletes from the model. Between
// events, Ctrl+Z and Ctrl+Y step back and forth through the model's changes. Main thread; the
// library's renderer thread draws what is queued here.

#include <optional>
#include <string>
#include <utility>

#include "Console.h"
#include "ConsoleText.h"
#include "History.h"
#include "Layout.h"
#include "ModelView.h"
#include "Tamsel.h"

namespace {

history HISTORY;

// Clears the console, writes the heading on line 1 and reads the answer to prompt on line 2. An
// empty answer cancels the dialogue: the caller then leaves everything as it was.
std::string ask(std::string const& heading, std::string const& prompt) {
    clear(IO_WINDOW);
    output(heading, 1);
    return input_string(2, prompt);
}

// Ends a one-shot mode: back to idle with a clean console, where a problem may then be shown.
void finish_one_shot() {
    PROG_MODE = IDLE;
    clear(IO_WINDOW);
}

void load_template() {
    std::string name = ask("Load 2D Template Image 651x276", "Enter PNG:");
    finish_one_shot();
    if (name.empty()) return;
    // Checked first: the library would halt the whole editor on a file it cannot read.
    if (!Image::checkImage(name, Image::PNG)) {
        output("Cannot load \"" + name + "\" as a PNG picture", 2);
        return;
    }
    TEMPLATE_IMAGE = Image(name, Image::PNG);
    window.drawImage(TEMPLATE_IMAGE, CANVAS.x1, CANVAS.y1);
    redraw_canvas();  // the model over the new template
}

// Replaces OBJ by the model read from the file of that name, as one change that undo can take
// back; a file that cannot be read, or that Tamsel did not write, is reported and changes nothing.
void open_file(std::string const& name) {
    obj_reading reading = open_model(name);
    if (!reading.problem.empty()) return output("Cannot open \"" + name + "\": " + reading.problem, 2);
    HISTORY.record(replace_model(OBJ, std::move(reading.m)), "open model");
    redraw_canvas();
}

void open_obj() {
    std::string name = ask("Open 3D Wavefront Model OBJ File", "Enter OBJ:");
    finish_one_shot();
    if (!name.empty()) open_file(name);
}

void set_width() {
    std::string typed = ask("Set Default Model Width (+/- z at each vert)", "Enter Width:");
    finish_one_shot();
    if (typed.empty()) return;
    std::optional<int> width = typed_width(typed);
    if (!width) return output(width_refusal(), 2);
    OBJ.width = *width;
    window.drawImage(FILE_IMAGE, MENU_RECT.x1, MENU_RECT.y1);  // also wipes the old label
    draw_width_label();
}

void save() {
    std::string name = ask("Save 3D Wavefront Model OBJ File", "Enter OBJ:");
    finish_one_shot();
    if (!name.empty() && !save_model(OBJ, name)) output("Cannot save the model as \"" + name + "\"", 2);
}

// The console of a tool that stays on: its heading, and under it what the last click found, if
// there is something to say.
void show_tool(std::string const& message = "") {
    clear(IO_WINDOW);
    output(tool_heading(PROG_MODE), 1);
    if (!message.empty()) output(message, 2);
}

// Picks the front vertex nearest to (x, y) and marks it in the given style; -1, said on the
// console, when there is none near enough.
int pick_vertex(int x, int y, Style const& mark) {
    int picked = get_close_vert(x, y);
    if (picked < 0)
        show_tool("No vertex to pick.");
    else
        draw_vert(OBJ.verts[picked], mark);
    return picked;
}

// Waits for the next left press on the canvas that picks a vertex, dropping every other event.
int pick_next_vertex(Style const& mark) {
    for (;;) {
        MouseEvent e = window.waitForMouseEvent();
        int picked = clicked(CANVAS, e) ? pick_vertex(e.getX(), e.getY(), mark) : -1;
        if (picked >= 0) return picked;
    }
}

// Once the first vertex is picked the tool holds on until all three are.
void add_face_from(int x, int y) {
    int p = pick_vertex(x, y, FACE_STYLE);
    if (p < 0) return;
    int q = pick_next_vertex(FACE_STYLE);
    int r = pick_next_vertex(FACE_STYLE);
    HISTORY.record(add_face(OBJ, p, q, r), "add face");
    draw_model_over(bounds(OBJ, OBJ.faces.back()));  // the face, and the dots over it and the marks
}

void add_edge_from(int x, int y) {
    int p = pick_vertex(x, y, EDGE_STYLE);
    if (p < 0) return;
    int q = pick_next_vertex(EDGE_STYLE);
    HISTORY.record(add_edge(OBJ, p, q), "add edge");
    // A wide blue line from p to q, which the thin green lines and the dots over it then split.
    draw_face(OBJ.faces.back(), EDGE_STYLE);
    draw_model_over(bounds(OBJ, OBJ.faces.back()));
}

// After an edit: the canvas as the model now is, and no old message on the console.
void show_edit() {
    redraw_canvas();
    show_tool();
}

// The front vertex within reach of (x, y); -1, said on the console, when there is none.
int pick_vertex_within(int x, int y) {
    int picked = get_vert_within(OBJ, x, y, VERTEX_REACH);
    if (picked < 0) show_tool("No vertex within " + std::to_string(VERTEX_REACH) + " pixels.");
    return picked;
}

// Press on a vertex, drag, release: the vertex goes where the button was let go.
void move_vertex_from(MouseEvent const& press) {
    int picked = pick_vertex_within(press.getX(), press.getY());
    if (picked < 0) return;
    draw_vert(OBJ.verts[picked], FACE_STYLE);
    static const MouseEvent left_release(MouseEvent::BUTTON_UP_EVENT, MouseEvent::LEFT_BUTTON, -1, -1,
                                         KeyModifiers::ANY_MODIFIERS);
    MouseEvent release;
    do release = window.waitForMouseEvent();
    while (release != left_release);
    HISTORY.record(move_vertex_pair(OBJ, picked, release.getX(), release.getY()), "move vertex");
    show_edit();
}

void set_vertex_width_at(int x, int y) {
    int picked = pick_vertex_within(x, y);
    if (picked < 0) return;
    draw_vert(OBJ.verts[picked], FACE_STYLE);
    std::string typed = ask("Set Vertex Width (+/- z at this vert)", "Enter Width:");
    std::optional<int> width = typed_width(typed);
    if (width) HISTORY.record(set_vertex_width(OBJ, picked, *width), "vertex width");
    draw_vert(OBJ.verts[picked], VERT_STYLE);  // the mark goes under its red dot again
    show_tool(typed.empty() || width ? "" : width_refusal());
}

void delete_vertex_at(int x, int y) {
    int picked = pick_vertex_within(x, y);
    if (picked < 0) return;
    HISTORY.record(delete_vertex_pair(OBJ, picked), "delete vertex");
    show_edit();
}

void delete_face_at(int x, int y) {
    int picked = get_face_at(OBJ, x, y);
    if (picked < 0) return show_tool("No face to delete.");
    HISTORY.record(delete_face(OBJ, picked), "delete face");
    show_edit();
}

void paint_face_at(int x, int y) {
    int picked = get_face_at(OBJ, x, y);
    if (picked < 0) return show_tool("No face to paint.");
    HISTORY.record(paint_face(OBJ, picked, PAINT_COLOUR), "paint face");
    show_edit();
}

// Picks two vertices as adding an edge does, and deletes the edge between them if there is one.
void delete_edge_from(int x, int y) {
    int p = pick_vertex(x, y, EDGE_STYLE);
    if (p < 0) return;
    int q = pick_next_vertex(EDGE_STYLE);
    model_change deleted = delete_edge(OBJ, p, q);
    bool const found = !deleted.empty();
    HISTORY.record(std::move(deleted), "delete edge");
    redraw_canvas();  // the pick marks go too
    show_tool(found ? "" : "No edge between these vertices.");
}

// Ctrl+Z and the redo keys, outside a dialogue: the model a step back or forth, and what it was.
void take_history_key(KeyboardEvent const& key) {
    history_request request = history_key(key);
    if (request == history_request::NONE) return;
    bool undoing = request == history_request::UNDO;
    std::string what = undoing ? HISTORY.undo(OBJ) : HISTORY.redo(OBJ);
    redraw_canvas();
    if (what.empty())
        show_tool(undoing ? "Nothing to undo." : "Nothing to redo.");
    else
        show_tool((undoing ? "Undone: " : "Redone: ") + what);
}

}  // namespace

int main(int argc, char** argv) {
    window.drawImage(BACKGROUND_IMAGE, 0, 0);
    PROG_MODE = IDLE;
    if (argc == 2) open_file(argv[1]);
    if (argc > 2) output("Tamsel opens one model: tamsel [MODEL.obj]", 2);
    for (;;) {
        window.waitForAnyEvent();
        // Mouse events first: a key seen together with them was most likely pressed after them.
        if (window.isMouseQueueEmpty() && !window.isKeyboardQueueEmpty()) {
            take_history_key(window.getKeyboardEvent());
            continue;
        }
        MouseEvent e = window.waitForMouseEvent();
        // Where this event happened: the pointer may have moved on since.
        int mx = e.getX();
        int my = e.getY();
        handle_menus(e);
        handle_buttons(e);
        bool canvas_click = clicked(CANVAS, e);
        switch (PROG_MODE) {
            case LOAD_TEMPLATE:
                load_template();
                break;
            case OPEN_OBJ:
                open_obj();
                break;
            case SET_WIDTH:
                set_width();
                break;
            case SAVE_OBJ:
                save();
                break;
            case EXIT:
                return 0;  // the window, font and pictures are released with the globals
            case ADD_VERTS:
                if (canvas_click) {
                    HISTORY.record(add_vertex_pair(OBJ, mx, my), "add vertex");
                    // A dot lies over every line, so the new one alone shows the model as drawing it whole would.
                    draw_vert(OBJ.verts.back(), VERT_STYLE);
                }
                break;
            case ADD_FACES:
                if (canvas_click) add_face_from(mx, my);
                break;
            case ADD_EDGES:
                if (canvas_click) add_edge_from(mx, my);
                break;
            case MOVE_VERTS:
                if (canvas_click) move_vertex_from(e);
                break;
            case VERT_WIDTH:
                if (canvas_click) set_vertex_width_at(mx, my);
                break;
            case DEL_VERTS:
                if (canvas_click) delete_vertex_at(mx, my);
                break;
            case DEL_FACES:
                if (canvas_click) delete_face_at(mx, my);
                break;
            case DEL_EDGES:
                if (canvas_click) delete_edge_from(mx, my);
                break;
            case PAINT_FACES:
                if (canvas_click) paint_face_at(mx, my);
                break;
            default:
                break;
        }
    }
}
