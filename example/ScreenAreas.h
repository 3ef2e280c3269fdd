// Where everything sits in the editor's 700 by 500 window, in window pixels. One table shared by
// the editor (which builds its layout globals from it) and the program that draws its pictures.
#pragma once

#include "Rect.h"

namespace area {

constexpr int window_width = 700;
constexpr int window_height = 500;

constexpr rect canvas{25, 87, 676, 363};      // the template's top-left corner is the model's origin
// The canvas and the margin that the model's marks reach beyond it: dots of radius 4 and lines 3
// wide on vertices at its edges, and a pixel for how a driver rounds them. Redrawing this area
// leaves no trace of a model's old state.
constexpr rect model_view{canvas.x1 - 6, canvas.y1 - 6, canvas.x2 + 6, canvas.y2 + 6};
constexpr rect io_window{25, 399, 676, 475};  // the text console
constexpr rect menu{376, 27, 690, 61};        // the open menu's picture goes at its top-left corner

// The menu bar.
constexpr rect file_menu{380, 4, 428, 25};
constexpr rect add_menu{436, 4, 483, 25};
constexpr rect mod_menu{490, 4, 541, 25};
constexpr rect del_menu{547, 4, 591, 25};
constexpr rect colors_menu{596, 4, 686, 25};

// Entries of File.
constexpr rect load_2d{381, 33, 446, 54};
constexpr rect open{452, 33, 497, 54};
constexpr rect width{503, 33, 593, 54};
constexpr rect save{599, 33, 641, 54};
constexpr rect exit{647, 33, 686, 54};
// Entries of Add, and of Delete.
constexpr rect verts{391, 33, 449, 54};
constexpr rect faces{498, 33, 560, 54};
constexpr rect edges{605, 33, 670, 54};
// Entries of Modify.
constexpr rect move_verts{383, 33, 496, 54};
constexpr rect vert_width{574, 33, 684, 54};

// Entries of Colours: a swatch of each colour of the palette, from the left.
constexpr rect swatch(int colour) { return {384 + 38 * colour, 33, 415 + 38 * colour, 54}; }

// The width label's baseline start, inside the Width entry after its name.
constexpr int width_label_x = width.x1 + 54;
constexpr int width_label_y = width.y1 + 15;

}  // namespace area
