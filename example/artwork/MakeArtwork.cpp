// Draws the five pictures the editor loads (its static look and the entries of its menus) with
// Brindlewood itself, and saves them as PNG files in the folder given, or the current one.
// Run it under a display; it opens one window, captures from it and closes it.

#include <iterator>
#include <string>
#include <vector>

#include "Brindlewood.h"
#include "FontFile.h"
#include "Palette.h"
#include "ScreenAreas.h"

namespace {

const Color PAPER(238, 235, 228);
const Color BAR(222, 228, 238);
const Color KEY(248, 249, 252);
const Color FRAME(140, 148, 162);
const Color INK(33, 37, 46);
const Color FADED(150, 150, 158);
const Color GRID(236, 239, 243);

Style fill(Color color) { return Style(color, 1, Style::COPY_OP, Style::defaultpattern); }

const std::string SANS = truetype_font_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVu Sans");

struct Fonts {
    // Key names, largest first: a row of keys takes the largest in which every name fits. Smaller
    // sizes of this outline font blur into illegible shapes.
    Font keys[2] = {Font(SANS, 10), Font(SANS, 9)};
    Font title{truetype_font_file("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVu Sans:bold"), 13};
    Font caption{SANS, 9};
};

// The least room between a key's name and its frame, in pixels: the editor draws its 2-pixel
// outlines on the frame.
constexpr int KEY_MARGIN = 4;

// A framed key of a menu bar or an open menu, and its name.
struct key_label {
    rect where;
    std::string name;
    Color ink = INK;
};

int text_width(Font const& font, std::string const& text) {
    int width = 0, height = 0;
    font.getStringSize(text, width, height);
    return width;
}

class Artist {
public:
    Artist(Window& window, Fonts& fonts) : window(window), fonts(fonts) {}

    void panel(rect const& r, Color inside) {
        window.drawRectangleFilled(fill(inside), r.x1, r.y1, r.x2, r.y2);
        window.drawRectangleOutline(fill(FRAME), r.x1, r.y1, r.x2, r.y2);
    }

    // A row of framed keys with their names centred, as the editor's outlines expect them, all in
    // one font.
    void keys(std::vector<key_label> const& row) {
        Font const& font = fitting_font(row);
        for (key_label const& key : row) {
            panel(key.where, KEY);
            text(font, (key.where.x1 + key.where.x2 + 1 - text_width(font, key.name)) / 2,
                 (key.where.y1 + key.where.y2) / 2 + 5, key.name, key.ink);
        }
    }

    // The largest key font that leaves KEY_MARGIN pixels between every name of the row and its frame.
    Font const& fitting_font(std::vector<key_label> const& row) const {
        for (Font const& font : fonts.keys) {
            bool fits = true;
            for (key_label const& key : row)
                fits = fits && text_width(font, key.name) + 2 * KEY_MARGIN <= key.where.x2 - key.where.x1 + 1;
            if (fits) return font;
        }
        return fonts.keys[std::size(fonts.keys) - 1];
    }

    void text(Font const& font, int x, int baseline, const std::string& words, Color ink = INK) {
        window.drawText(fill(ink), font, x, baseline, words);
    }

    // A white area framed one pixel outside r, so that clearing r keeps the frame.
    void framed_white(rect const& r) {
        panel({r.x1 - 1, r.y1 - 1, r.x2 + 1, r.y2 + 1}, FRAME);
        window.drawRectangleFilled(fill(Color::WHITE), r.x1, r.y1, r.x2, r.y2);
    }

    void save(rect const& r, const std::string& file) {
        window.createImage(r.x1, r.y1, r.x2 - r.x1 + 1, r.y2 - r.y1 + 1).save(file, Image::PNG);
    }

    Window& window;
    Fonts& fonts;
};

void draw_background(Artist& art) {
    rect const whole{0, 0, area::window_width - 1, area::window_height - 1};
    art.window.drawRectangleFilled(fill(PAPER), whole.x1, whole.y1, whole.x2, whole.y2);
    art.window.drawRectangleFilled(fill(BAR), 0, 0, whole.x2, 29);
    art.window.drawLine(fill(FRAME), 0, 29, whole.x2 + 1, 29);
    art.text(art.fonts.title, 14, 21, "Tamsel");
    art.text(art.fonts.caption, 90, 20, "flat picture to OBJ slab", FADED);

    art.keys({{area::file_menu, "File"},
              {area::add_menu, "Add"},
              {area::mod_menu, "Modify"},
              {area::del_menu, "Delete"},
              {area::colors_menu, "Colours"}});

    art.text(art.fonts.caption, area::canvas.x1, area::canvas.y1 - 7, "Canvas: template 651 x 276, vertices in red");
    art.framed_white(area::canvas);
    // A faint grid every 50 pixels helps place vertices; it stops short of the frame.
    for (int x = area::canvas.x1 + 50; x < area::canvas.x2 - 25; x += 50)
        art.window.drawLine(fill(GRID), x, area::canvas.y1, x, area::canvas.y2 + 1);
    for (int y = area::canvas.y1 + 50; y < area::canvas.y2 - 25; y += 50)
        art.window.drawLine(fill(GRID), area::canvas.x1, y, area::canvas.x2 + 1, y);

    art.text(art.fonts.caption, area::io_window.x1, area::io_window.y1 - 7, "Console");
    art.framed_white(area::io_window);
    art.text(art.fonts.caption, area::io_window.x1, 491,
             "File > Load 2D picks a PNG template   Add, Modify, Delete build and mend   File > Save writes the OBJ",
             FADED);
}

// The strip of one open menu with its entries.
void draw_menu(Artist& art, std::vector<key_label> const& entries) {
    art.panel(area::menu, BAR);
    art.keys(entries);
}

}  // namespace

int main(int argc, char** argv) {
    std::string const folder = argc > 1 ? std::string(argv[1]) + "/" : "";
    Window window(1034, 310, area::window_width, area::window_height, "Tamsel artwork", false, 32, 60);
    Fonts fonts;
    Artist art(window, fonts);

    draw_background(art);
    art.save({0, 0, area::window_width - 1, area::window_height - 1}, folder + "quill_back.png");

    draw_menu(art, {{area::load_2d, "Load 2D"},
                    {area::open, "Open"},
                    {area::width, ""},
                    {area::save, "Save"},
                    {area::exit, "Exit"}});
    // The Width entry names itself on the left and leaves the right for the editor's number.
    art.text(fonts.keys[0], area::width.x1 + 8, (area::width.y1 + area::width.y2) / 2 + 5, "Width:");
    art.save(area::menu, folder + "quill_file.png");

    draw_menu(art, {{area::verts, "Vertices"}, {area::faces, "Faces"}, {area::edges, "Edges"}});
    art.save(area::menu, folder + "quill_add_del_colors.png");

    draw_menu(art, {{area::move_verts, "Move Verts"}, {area::vert_width, "Vert Width"}});
    art.save(area::menu, folder + "quill_mod.png");

    // Each swatch a key filled with its colour, leaving room inside the frame for the outlines.
    std::vector<key_label> swatches;
    for (int colour = 0; colour < PALETTE_SIZE; ++colour) swatches.push_back({area::swatch(colour), ""});
    draw_menu(art, swatches);
    for (int colour = 0; colour < PALETTE_SIZE; ++colour) {
        rect const r = area::swatch(colour);
        paint const& p = PALETTE[colour];
        window.drawRectangleFilled(fill(Color(p.red, p.green, p.blue)), r.x1 + KEY_MARGIN, r.y1 + KEY_MARGIN,
                                   r.x2 - KEY_MARGIN, r.y2 - KEY_MARGIN);
    }
    art.save(area::menu, folder + "quill_colors.png");
    return 0;
}
