// Picks and draws the editor's model on the canvas. Main thread; each drawing call is queued for
// the library's renderer.

#include "ModelView.h"

#include <algorithm>

#include "Layout.h"
#include "Tamsel.h"

namespace {

// Where a vertex lies in the window: model coordinates count from the canvas's corner.
int window_x(vert const& v) { return area::canvas.x1 + v.x; }
int window_y(vert const& v) { return area::canvas.y1 + v.y; }

// How much of a painted face's colour covers what lies under it, out of 255: enough to tell the
// colour, little enough to see the template through it.
constexpr int PAINT_ALPHA = 90;

void fill_face(face const& f) {
    paint const& p = PALETTE[f.colour];
    Style const style(Color(p.red, p.green, p.blue, PAINT_ALPHA), 1, Style::COPY_OP, Style::defaultpattern);
    vert const &a = OBJ.verts[f.a], &b = OBJ.verts[f.b], &c = OBJ.verts[f.c];
    window.drawTriangleFilled(style, window_x(a), window_y(a), window_x(b), window_y(b), window_x(c), window_y(c));
}

}  // namespace

int get_close_vert(int x, int y) { return get_close_vert(OBJ, x, y); }

void draw_model(model const& m) {
    draw_face(m.faces);
    draw_vert(m.verts);
}

void redraw_canvas() {
    window.drawImage(MODEL_VIEW_IMAGE, area::model_view.x1, area::model_view.y1);
    if (TEMPLATE_IMAGE.getType() != Image::NOT_INITIALIZED) {
        // A template larger than the canvas spilt over the window when it was loaded; only its part
        // over the model's view is drawn again, so the menus and console stay as they are.
        int width = std::min(TEMPLATE_IMAGE.getWidth(), area::model_view.x2 + 1 - CANVAS.x1);
        int height = std::min(TEMPLATE_IMAGE.getHeight(), area::model_view.y2 + 1 - CANVAS.y1);
        bool fits = width == TEMPLATE_IMAGE.getWidth() && height == TEMPLATE_IMAGE.getHeight();
        window.drawImage(fits ? TEMPLATE_IMAGE : cut(TEMPLATE_IMAGE, {0, 0, width - 1, height - 1}), CANVAS.x1,
                         CANVAS.y1);
    }
    // Painted faces lightly filled, under every line and dot.
    for (face const& f : OBJ.faces)
        if (is_front_face(f) && f.colour != NO_COLOUR) fill_face(f);
    // Every edge as adding it drew it: a wide blue line, then split by the model's thin ones.
    for (std::size_t i = 0; i + 1 < OBJ.faces.size(); i += 2)
        if (!is_front_face(OBJ.faces[i])) draw_face(OBJ.faces[i + 1], EDGE_STYLE);
    draw_model(OBJ);
}

void draw_model_over(rect const& box) {
    // The view's margin: how far a dot of radius 4 or a line 3 wide reaches, and a pixel of rounding.
    int const reach = area::canvas.x1 - area::model_view.x1;
    marks const over = marks_over(OBJ, box, reach);
    for (std::size_t i : over.faces) draw_face(OBJ.faces[i], FACE_STYLE);
    for (std::size_t i : over.verts) draw_vert(OBJ.verts[i], VERT_STYLE);
}

void draw_face(std::vector<face> const& faces) {
    for (face const& f : faces) draw_face(f, FACE_STYLE);
}

void draw_face(face const& f, Style const& s) {
    int const corners[] = {f.a, f.b, f.c, f.a};
    for (int k = 0; k < 3; ++k) {
        vert const& from = OBJ.verts[corners[k]];
        vert const& to = OBJ.verts[corners[k + 1]];
        window.drawLine(s, window_x(from), window_y(from), window_x(to), window_y(to));
    }
}

void draw_vert(std::vector<vert> const& verts) {
    for (vert const& v : verts) draw_vert(v, VERT_STYLE);
}

void draw_vert(vert const& v, Style const& s) { window.drawCircleFilled(s, window_x(v), window_y(v), 4); }
