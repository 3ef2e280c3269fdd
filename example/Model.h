// The editor's model: vertex pairs and triangular faces, the three ways it grows, how it is mended
// (moving, re-widthing and deleting), each change as the reversible edits that the undo history
// keeps, the picks of a vertex or face near a point, which marks lie near a box, and the Wavefront
// OBJ writer and reader. Pure logic for the main thread: no window, no drawing, no globals, so all
// of it is testable without a display.
#pragma once

#include <cstddef>
#include <istream>
#include <limits>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "Palette.h"
#include "Rect.h"
#include "ScreenAreas.h"

// One point in canvas pixels (x right, y down from the canvas's top-left corner), on the canvas:
// x from 0 to 651, y from 0 to 276, as clicks and moves make them; z is the depth.
struct vert {
    int x;
    int y;
    int z;
};

// A face's colour when it has none; otherwise its colour is an index into PALETTE.
constexpr int NO_COLOUR = -1;

// One triangle: zero-based indices into the model's vertices, in winding order, and its colour.
struct face {
    int a;
    int b;
    int c;
    int colour = NO_COLOUR;
};

inline bool operator==(vert const& u, vert const& v) { return u.x == v.x && u.y == v.y && u.z == v.z; }
inline bool operator==(face const& f, face const& g) {
    return f.a == g.a && f.b == g.b && f.c == g.c && f.colour == g.colour;
}

// Vertices come in pairs: index 2k is a front vertex, 2k+1 its back twin at the opposite depth.
// Faces come in pairs too: 2k is a front face (all its corners front vertices) and 2k+1 its back
// twin, or 2k and 2k+1 are the two side triangles of an edge. Every change keeps both pairings.
struct model {
    std::vector<vert> verts;
    std::vector<face> faces;
    int width = 50;  // depth given to the vertices made from now on, from -MAX_WIDTH to MAX_WIDTH
};

// The deepest a vertex is made either way, by the model's width or its own: as deep as a 32-bit
// depth goes, less the one negative number whose twin would not be one.
constexpr int MAX_WIDTH = std::numeric_limits<int>::max();

// One reversible edit of a model: applying it again takes it back. An exchange swaps the count
// elements of the vertices or the faces from index at with the elements that it holds.
template <typename T>
struct exchange {
    std::size_t at;
    std::size_t count;
    std::vector<T> other;
};
// A renumbering adds by to every face corner from index from on, as deleting a vertex pair needs.
struct renumbering {
    int from;
    int by;
};
using model_edit = std::variant<exchange<vert>, exchange<face>, renumbering>;
// A change to a model: the edits that made it, in order. Applying them again in reverse order
// takes the change back; applying them once more in order does it again. A change that changed
// nothing has no edits.
using model_change = std::vector<model_edit>;
// Applies the edit to m and makes it the edit that takes itself back.
void apply(model& m, model_edit& edit);
// How many bytes of vertices and faces the change keeps, either way round.
std::size_t kept_bytes(model_change const& change);

// Each change to a model below returns the change it made, which costs what it changes, not what
// the model holds: for the undo history.

// Appends the front and back vertex for a click at window point (x, y), at the current width.
// Model coordinates count from the canvas's top-left corner.
model_change add_vertex_pair(model& m, int x, int y);
// Appends the front face p, q, r and its back twin wound the other way.
model_change add_face(model& m, int p, int q, int r);
// Appends the two side triangles that join the front segment p-q to its back twin.
model_change add_edge(model& m, int p, int q);
// Gives m the vertices and faces of other, as opening a model does; m keeps its width.
model_change replace_model(model& m, model other);
// How near a click must come to a front vertex to pick it for a face or an edge, in pixels: further
// than any two points of the window are apart, so that a click on the canvas picks a vertex
// whenever the model has one.
constexpr int PICK_REACH = 10000;
// The index of the front vertex nearest to window point (x, y); the earlier one on a tie of whole
// pixels; -1 when none is within PICK_REACH, as when the model has no vertex.
int get_close_vert(model const& m, int x, int y);

// Whether all three corners of f are front vertices: a face the user picked, not its back twin or
// a side triangle of an edge.
bool is_front_face(face const& f);

// How near a press must come to a front vertex to move, re-width or delete it, in pixels.
constexpr int VERTEX_REACH = 8;
// Like get_close_vert, but only among the front vertices at most reach pixels from (x, y); -1 when
// there is none.
int get_vert_within(model const& m, int x, int y, int reach);
// Moves front vertex front and its back twin to window point (x, y), brought inside the canvas;
// their depths stay. Faces follow, as they refer to the vertices by index.
model_change move_vertex_pair(model& m, int front, int x, int y);
// Gives front vertex front the depth +width and its back twin -width; width from -MAX_WIDTH to MAX_WIDTH.
model_change set_vertex_width(model& m, int front, int width);
// Removes front vertex front, its back twin and every face that uses either. The other vertices
// keep their order and the faces' indices are renumbered to match.
model_change delete_vertex_pair(model& m, int front);
// The index of the front face whose triangle holds window point (x, y), sides included; where none
// does, the one whose centroid is nearest. The earlier face on a tie; -1 without front faces.
int get_face_at(model const& m, int x, int y);
// Removes the pair of faces that starts at index first: a front face and its back twin, or the
// two side triangles of an edge.
model_change delete_face(model& m, int first);
// Gives the pair of faces that starts at index first the colour, an index into PALETTE.
model_change paint_face(model& m, int first, int colour);
// Removes the two side triangles of an edge between front vertices p and q, added either way
// round (the earliest such edge); a change without edits when there is none.
model_change delete_edge(model& m, int p, int q);

// What drawing the whole model puts over a box of the canvas where something was just drawn: the
// face pairs (by their first face) whose lines may cover a pixel of what lies in the box, and the
// front vertices whose dots may cover a pixel of those lines or of the box. Drawing these in turn
// gives the box the model's marks as drawing it whole would, but costs what lies near the box.
struct marks {
    std::vector<std::size_t> faces;
    std::vector<std::size_t> verts;
};
// box in canvas pixels; reach is how far the pixels of a dot or a line lie from its points.
marks marks_over(model const& m, rect const& box, int reach);
// The box around the corners of face f of m, in canvas pixels.
rect bounds(model const& m, face const& f);

// Writes one "v x y z" line per vertex, then one "f a b c" line (one-based) per face. A model with
// coloured faces starts with "mtllib mtl_file" and writes its faces without a colour first, then
// those of each colour, in the palette's order, after a "usemtl NAME" line.
void write_obj(model const& m, std::ostream& out, std::string const& mtl_file = "");
// Writes a "newmtl NAME" line and its "Kd red green blue" line (from 0 to 1) for each colour that
// the model's faces have, in the palette's order.
void write_mtl(model const& m, std::ostream& out);
// The name of the MTL file that goes with an OBJ file: a trailing ".obj" becomes ".mtl", and
// ".mtl" is added to any other name.
std::string mtl_file_name(std::string const& obj_file);

// What reading an OBJ text gave: the model, or why the text is not one that Tamsel writes.
struct obj_reading {
    model m;              // empty when there is a problem
    std::string problem;  // "" when the text was read whole, else what is wrong with it
};
// Reads the text that write_obj writes: the vertices with their depths, the faces, the edges and
// the colours (known by their names; the MTL file is not read), so that writing the model again
// gives the same text. Any other text, Tamsel's lines in another layout included, is refused
// whole. The width of the model read is 50.
obj_reading read_obj(std::istream& in);
// Reads the OBJ file of that name as read_obj does; a file that cannot be read is a problem too.
obj_reading open_model(std::string const& filename);
// Writes the OBJ file, and beside it the MTL file of a model with colours, each as the library saves
// any file (FileSave.h): through links, keeping the file's mode, owner and other names, and the old
// content on failure where it can. Both files are saved or neither: an MTL file that could not be
// put back as it was is not written over. Returns whether the files now hold the model.
bool save_model(model const& m, std::string const& filename);
