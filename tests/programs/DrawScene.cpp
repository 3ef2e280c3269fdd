// A program that draws one scene of every kind of drawing (each primitive, text in built-in and
// TrueType fonts, pictures plain and transformed, XOR and see-through colours, antialiased lines)
// and saves what its window holds as the PNG file named by its one argument, so that the pictures
// of two platforms can be compared.
#include <vector>

#include "Brindlewood.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    Window window(10, 10, 400, 300, "scene");
    const Style red(Color::RED), blue(Color::BLUE), black(Color::BLACK);
    const Style wide(Color(0, 128, 0), 3), xorRed(Color::RED, 1, Style::XOR_OP, std::vector<bool>(16, true));
    const Style seeThrough(Color(0, 0, 255, 96));

    window.drawPixel(black, 5, 5);
    window.drawLine(red, 10, 10, 120, 60);
    window.drawLine(wide, 10, 60, 120, 10);
    window.drawRectangleOutline(blue, 130, 10, 180, 50);
    window.drawRectangleFilled(red, 190, 10, 230, 50);
    window.drawTriangleOutline(black, 240, 50, 265, 10, 290, 50);
    window.drawTriangleFilled(blue, 300, 50, 325, 10, 350, 50);
    window.drawCircleOutline(black, 30, 100, 20);
    window.drawCircleFilled(red, 80, 100, 20);
    window.drawEllipseOutline(blue, 110, 80, 170, 120);
    window.drawEllipseFilled(black, 180, 80, 240, 120);
    window.drawArc(red, 250, 80, 300, 120, 30, 250);
    window.drawWedgeFilled(blue, 300, 80, 350, 120, 45, 300);
    window.drawWedgeOutline(black, 350, 80, 395, 120, 90, 200);
    window.drawChordFilled(red, 10, 130, 60, 170, 20, 200);
    window.drawChordOutline(blue, 70, 130, 120, 170, 20, 200);
    window.drawPolygonFilled(black, {130, 170, 160, 140}, {130, 140, 170, 165});
    window.drawPolygonOutline(red, {180, 220, 210, 190}, {130, 140, 170, 165});
    window.drawPolyLine(blue, {230, 250, 270, 290}, {170, 130, 170, 130});
    window.drawBezierCurve(black, {300, 320, 370, 390}, {170, 120, 180, 130});

    window.drawText(black, Font(Font::HELVETICA, 12), 10, 195, "Helvetica 12: the quick brown fox");
    window.drawText(blue, Font(Font::TIMES, 24), 10, 225, "Times 24 {jumps}");
    window.drawText(red, Font(Font::ROMAN, 20), 220, 195, "Roman stroke");
    window.drawText(black, Font(Font::MONO_ROMAN, 16), 220, 225, "Mono", Transform(-20, 1.5, 1));
    window.drawText(black, Font("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 18), 10, 255, "DejaVu TrueType");

    Image picture = Image::createEditable(40, 30);
    std::vector<unsigned char> pixels(40 * 30 * 4);
    for (int i = 0; i < 40 * 30; ++i) {
        pixels[i * 4] = static_cast<unsigned char>(i * 7);
        pixels[i * 4 + 1] = static_cast<unsigned char>(i / 40 * 8);
        pixels[i * 4 + 2] = 200;
        pixels[i * 4 + 3] = static_cast<unsigned char>(i % 40 < 20 ? 255 : 120);
    }
    picture.setPixels(pixels);
    window.drawImage(picture, 230, 235);
    window.drawImage(picture, 300, 240, Transform(30, 1.5, 1.2));
    window.copyRegion(190, 10, 355, 245, 40, 40);

    window.drawRectangleFilled(xorRed, 20, 240, 200, 290);
    window.drawRectangleFilled(seeThrough, 100, 150, 300, 280);
    window.enableAntialiasing();
    window.drawLine(Style(Color::BLACK, 2), 150, 290, 390, 270);

    window.createImage(0, 0, window.getWidth(), window.getHeight()).save(argv[1], Image::PNG);
    return 0;
}
