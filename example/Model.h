// The editor's model: vertex pairs and triangular faces, the three ways it grows, the nearest
// front vertex to a point, and the Wavefront OBJ writer. Pure logic for the main thread: no
// window, no drawing, no globals, so all of it is testable without a display.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "ScreenAreas.h"

// One point in canvas pixels (x right, y down from the canvas's top-left corner); z is the depth.
struct vert {
    int x;
    int y;
    int z;
};

// One triangle: zero-based indices into the model's vertices, in winding order.
struct face {
    int a;
    int b;
    int c;
};

// Vertices come in pairs: index 2k is a front vertex, 2k+1 its back twin at the opposite depth.
struct model {
    std::vector<vert> verts;
    std::vector<face> faces;
    int width = 50;  // depth given to the vertices made from now on
};

// Appends the front and back vertex for a click at window point (x, y), at the current width.
// Model coordinates count from the canvas's top-left corner.
void add_vertex_pair(model& m, int x, int y);
// Appends the front face p, q, r and its back twin wound the other way.
void add_face(model& m, int p, int q, int r);
// Appends the two side triangles that join the front segment p-q to its back twin.
void add_edge(model& m, int p, int q);
// The index of the front vertex nearest to window point (x, y); the earlier one on a tie of whole
// pixels; -1 when the model has no vertex.
int get_close_vert(model const& m, int x, int y);

// Writes one "v x y z" line per vertex, then one "f a b c" line (one-based) per face.
void write_obj(model const& m, std::ostream& out);
// Writes the OBJ file through a temporary file in the same folder, so a failed save leaves any old
// file untouched. Returns whether the file now holds the model.
bool save_model(model const& m, std::string const& filename);
