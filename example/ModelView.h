// The editor's one model, OBJ, and how it is picked and drawn on the canvas of the window.
// Main thread only; drawing adds to what is on the canvas, and only redrawing it erases.
#pragma once

#include <vector>

#include "Brindlewood.h"
#include "Model.h"

extern model OBJ;
extern Style VERT_STYLE;  // red dots
extern Style FACE_STYLE;  // thin green lines, and green pick marks
extern Style EDGE_STYLE;  // wide blue lines, and blue pick marks

// The front vertex of OBJ nearest to window point (x, y); OBJ must have a vertex.
int get_close_vert(int x, int y);

// Every face, then every vertex over them.
void draw_model(model const& m);
// Draws again, over box (canvas pixels) where something was just drawn, the lines and dots of OBJ
// that drawing it whole would put there, at a cost that depends on what lies near the box.
void draw_model_over(rect const& box);
// Draws the canvas afresh, background, template, then OBJ with its painted faces lightly filled, so
// that nothing moved or deleted leaves a trace.
void redraw_canvas();
void draw_face(std::vector<face> const& faces);
// The outline of one triangle at the corners it names in OBJ.
void draw_face(face const& f, Style const& s);
void draw_vert(std::vector<vert> const& verts);
// A filled dot of radius 4 on the vertex.
void draw_vert(vert const& v, Style const& s);
