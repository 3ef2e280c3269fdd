// A tour of Brindlewood: one window with every primitive, labelled, then waits for a click.
// Build target brindlewood_gallery; run it from anywhere with a display.
#include <Brindlewood.h>

#include <vector>

namespace {

const Font LABEL_FONT(Font::HELVETICA, 12);

// A cell of the 4 by 4 grid, 150 by 150 pixels, with its caption below the drawing.
struct Cell {
    int left, top;
};

Cell cell(int column, int row) { return Cell{20 + 150 * column, 20 + 150 * row}; }

void caption(Window& window, Cell c, const std::string& text) {
    window.drawText(Style::BLACK, LABEL_FONT, c.left, c.top + 135, text);
}

Style thick(Color color, int width) { return Style(color, width, Style::COPY_OP, Style::defaultpattern); }

}  // namespace

int main() {
    Window window(100, 100, 620, 620, "Brindlewood gallery");
    const Style dashed(
        Color(90, 90, 90), 2, Style::COPY_OP,
        {true, true, true, true, true, true, false, false, false, false, true, true, false, false, false, false});

    Cell c = cell(0, 0);
    for (int i = 0; i < 12; ++i) window.drawPixel(Style::RED, c.left + 10 * i, c.top + 5 + 9 * i);
    caption(window, c, "drawPixel");

    c = cell(1, 0);
    window.drawLine(thick(Color::BLUE, 3), c.left, c.top, c.left + 110, c.top + 110);
    window.drawLine(dashed, c.left, c.top + 110, c.left + 110, c.top);
    caption(window, c, "drawLine (dashed)");

    c = cell(2, 0);
    window.drawRectangleFilled(Style::GREEN, c.left, c.top, c.left + 110, c.top + 60);
    window.drawRectangleOutline(thick(Color::BLACK, 2), c.left + 20, c.top + 40, c.left + 100, c.top + 110);
    caption(window, c, "drawRectangle");

    c = cell(3, 0);
    window.drawTriangleFilled(Style::BLUE, c.left, c.top + 110, c.left + 55, c.top, c.left + 110, c.top + 110);
    window.drawTriangleOutline(thick(Color::RED, 2), c.left + 20, c.top + 100, c.left + 55, c.top + 30, c.left + 90,
                               c.top + 100);
    caption(window, c, "drawTriangle");

    c = cell(0, 1);
    window.drawCircleFilled(Style::RED, c.left + 55, c.top + 55, 50);
    window.drawCircleOutline(thick(Color::BLACK, 2), c.left + 55, c.top + 55, 30);
    caption(window, c, "drawCircle");

    c = cell(1, 1);
    window.drawEllipseFilled(Style::GREEN, c.left, c.top + 20, c.left + 110, c.top + 90);
    window.drawEllipseOutline(thick(Color::BLUE, 2), c.left + 20, c.top, c.left + 90, c.top + 110);
    caption(window, c, "drawEllipse");

    c = cell(2, 1);
    window.drawArc(thick(Color::RED, 3), c.left, c.top, c.left + 110, c.top + 110, 0, 270);
    window.drawArc(thick(Color::BLUE, 2), c.left + 30, c.top + 30, c.left + 80, c.top + 80, 90, 0);
    caption(window, c, "drawArc 0-270, 90-0");

    c = cell(3, 1);
    window.drawWedgeFilled(Style::BLUE, c.left, c.top, c.left + 110, c.top + 110, 0, 90);
    window.drawWedgeOutline(thick(Color::BLACK, 2), c.left, c.top, c.left + 110, c.top + 110, 120, 300);
    caption(window, c, "drawWedge");

    c = cell(0, 2);
    window.drawChordFilled(Style::GREEN, c.left, c.top, c.left + 110, c.top + 110, 30, 200);
    window.drawChordOutline(thick(Color::RED, 2), c.left, c.top, c.left + 110, c.top + 110, 220, 330);
    caption(window, c, "drawChord");

    c = cell(1, 2);
    const std::vector<int> starX{55, 68, 110, 76, 90, 55, 20, 34, 0, 42};
    const std::vector<int> starY{0, 38, 40, 64, 108, 82, 108, 64, 40, 38};
    std::vector<int> xs, ys;
    for (std::size_t i = 0; i < starX.size(); ++i) {
        xs.push_back(c.left + starX[i]);
        ys.push_back(c.top + starY[i]);
    }
    window.drawPolygonFilled(Style::RED, xs, ys);
    window.drawPolygonOutline(thick(Color::BLACK, 2), xs, ys);
    caption(window, c, "drawPolygon (concave)");

    c = cell(2, 2);
    window.drawPolyLine(thick(Color::BLUE, 2), {c.left, c.left + 30, c.left + 60, c.left + 90, c.left + 110},
                        {c.top + 100, c.top + 10, c.top + 90, c.top + 20, c.top + 70});
    caption(window, c, "drawPolyLine");

    c = cell(3, 2);
    const std::vector<int> controlX{c.left, c.left + 20, c.left + 90, c.left + 110};
    const std::vector<int> controlY{c.top + 110, c.top, c.top, c.top + 110};
    window.drawPolyLine(dashed, controlX, controlY);
    window.drawBezierCurve(thick(Color::RED, 3), controlX, controlY);
    caption(window, c, "drawBezierCurve");

    c = cell(0, 3);
    window.drawText(Style::BLUE, Font(Font::TIMES, 24), c.left, c.top + 25, "Times 24");
    window.drawText(Style::RED, Font(Font::HELVETICA, 18), c.left, c.top + 55, "Helvetica");
    window.drawText(Style::BLACK, Font(Font::ROMAN, 22), c.left + 5, c.top + 110, "Roman", Transform(-15));
    caption(window, c, "drawText");

    c = cell(1, 3);
    window.drawRectangleFilled(Style::BLUE, c.left, c.top, c.left + 110, c.top + 110);
    window.drawRectangleFilled(Style(Color(255, 255, 0, 128), 1, Style::COPY_OP, Style::defaultpattern), c.left + 30,
                               c.top + 30, c.left + 110, c.top + 110);
    window.drawLine(thick(Color::WHITE, 6), c.left, c.top + 55, c.left + 110, c.top + 55);
    window.drawRectangleFilled(Style::INVERTED, c.left + 55, c.top, c.left + 110, c.top + 40);
    caption(window, c, "alpha and INVERT_OP");

    c = cell(2, 3);
    Image picture = window.createImage(cell(0, 1).left, cell(0, 1).top, 110, 110);
    window.drawImage(picture, c.left, c.top);
    caption(window, c, "createImage, drawImage");

    c = cell(3, 3);
    window.drawImage(picture.subImage(0, 55, 55, 55), c.left + 30, c.top + 20, Transform(30, 1.2, 1.2));
    caption(window, c, "transformed subImage");

    window.waitForMouseEvent();
    return 0;
}
