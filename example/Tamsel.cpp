// Every global of the editor, defined here in the one order they must be built in: the window
// first (it starts the library's renderer), then the model, the console, the layout, the styles
// and the pictures. All on the main thread, before main.

#include "Tamsel.h"

#include "Console.h"
#include "FontFile.h"
#include "Layout.h"
#include "ModelView.h"
#include "ScreenAreas.h"

namespace {

Style solid(Color color, int lineWidth) { return Style(color, lineWidth, Style::COPY_OP, Style::defaultpattern); }

}  // namespace

Window window(1034, 310, 700, 500, "Tamsel", false, 32, 60);

model OBJ;

Style FORE_FONT_STYLE = solid(Color::BLACK, 2);
Style BACK_FONT_STYLE = solid(Color::WHITE, 2);
std::string FONT_FACE = "C:\\WINDOWS\\FONTS\\OCRAEXT.TTF";
Font FONT(truetype_font_file(FONT_FACE, MONOSPACED_FONT), 12);
Style FORE_CURSOR_STYLE = solid(Color::BLACK, 3);
Style BACK_CURSOR_STYLE = solid(Color::WHITE, 3);

rect CANVAS = area::canvas;
rect IO_WINDOW = area::io_window;
rect MENU_RECT = area::menu;
rect FILE_RECT = area::file_menu;
rect ADD_RECT = area::add_menu;
rect MOD_RECT = area::mod_menu;
rect DEL_RECT = area::del_menu;
rect COLORS_RECT = area::colors_menu;
rect LOAD_2D_RECT = area::load_2d;
rect OPEN_RECT = area::open;
rect WIDTH_RECT = area::width;
rect SAVE_RECT = area::save;
rect EXIT_RECT = area::exit;
rect VERTS_RECT = area::verts;
rect FACES_RECT = area::faces;
rect EDGES_RECT = area::edges;
rect MOVE_VERTS_RECT = area::move_verts;
rect VERT_WIDTH_RECT = area::vert_width;

menu_button FILE_BTN(FILE_RECT, true);
menu_button ADD_BTN(ADD_RECT, true);
menu_button MOD_BTN(MOD_RECT, true);
menu_button DEL_BTN(DEL_RECT, true);
menu_button COLORS_BTN(COLORS_RECT, true);
button LOAD_2D_BTN(LOAD_2D_RECT);
button OPEN_BTN(OPEN_RECT);
button WIDTH_BTN(WIDTH_RECT);
button SAVE_BTN(SAVE_RECT);
button EXIT_BTN(EXIT_RECT);
button ADD_VERTS_BTN(VERTS_RECT);
button ADD_FACES_BTN(FACES_RECT);
button ADD_EDGES_BTN(EDGES_RECT);
button MOVE_VERTS_BTN(MOVE_VERTS_RECT);
button VERT_WIDTH_BTN(VERT_WIDTH_RECT);
button DEL_VERTS_BTN(VERTS_RECT);
button DEL_FACES_BTN(FACES_RECT);
button DEL_EDGES_BTN(EDGES_RECT);
std::array<button, PALETTE_SIZE> SWATCH_BTNS{button(area::swatch(0)), button(area::swatch(1)), button(area::swatch(2)),
                                             button(area::swatch(3)), button(area::swatch(4)), button(area::swatch(5)),
                                             button(area::swatch(6)), button(area::swatch(7))};

Style ENABLED = solid(Color::BLUE, 2);
Style ACTIVE = solid(Color::GREEN, 2);
Style HOVER = solid(Color::RED, 2);
Style DISABLED = solid(Color(128, 0, 128), 2);
Style VERT_STYLE = solid(Color::RED, 1);
Style FACE_STYLE = solid(Color::GREEN, 1);
Style EDGE_STYLE = solid(Color::BLUE, 3);

Image BACKGROUND_IMAGE("quill_back.png", Image::PNG);
Image FILE_IMAGE("quill_file.png", Image::PNG);
Image ADD_DEL_COLORS_IMAGE("quill_add_del_colors.png", Image::PNG);
Image MOD_IMAGE("quill_mod.png", Image::PNG);
Image COLORS_IMAGE("quill_colors.png", Image::PNG);
Image MODEL_VIEW_IMAGE = cut(BACKGROUND_IMAGE, area::model_view);
Image TEMPLATE_IMAGE;

int PROG_MODE = IDLE;
int PAINT_COLOUR = 0;
