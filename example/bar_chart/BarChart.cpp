// A bar chart of the numbers read from standard input, for instance
//     echo 3 1 4 1 5 9 2 6 | brindlewood_bar_chart
// Reading stops at the end of input. Bars of positive numbers stand on the zero line, bars of
// negative ones hang below it, and each bar is labelled with its number. Any key closes.
#include <Brindlewood.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <vector>

const int WIDTH = 640, HEIGHT = 400;
const int MARGIN = 40;  // room around the chart for the labels
const Color COLOURS[] = {Color(66, 133, 244), Color(219, 68, 55), Color(244, 180, 0), Color(15, 157, 88)};

int main() {
    std::vector<double> values;
    double value;
    while (std::cin >> value) values.push_back(value);
    if (!std::cin.eof()) std::cerr << "bar_chart: stopped at something that is not a number\n";
    if (values.empty()) {
        std::cerr << "bar_chart: no numbers on standard input\n";
        return 1;
    }

    // The chart spans from the smallest to the largest number, and always includes zero.
    double low = std::min(0.0, *std::min_element(values.begin(), values.end()));
    double high = std::max(0.0, *std::max_element(values.begin(), values.end()));
    if (high == low) high = 1;  // all zeros: any scale will do
    double pixelsPerUnit = (HEIGHT - 2 * MARGIN) / (high - low);
    int zeroY = MARGIN + int(high * pixelsPerUnit);  // y grows downward: the highest value is at the top
    int slot = (WIDTH - 2 * MARGIN) / int(values.size());

    Window window(100, 100, WIDTH, HEIGHT, "Bar chart");
    Font labelFont(Font::HELVETICA, 12);
    for (size_t i = 0; i < values.size(); i++) {
        int left = MARGIN + int(i) * slot + slot / 6;
        int right = left + slot * 2 / 3;
        int top = zeroY - int(values[i] * pixelsPerUnit);  // above zeroY for positive values
        Style fill(COLOURS[i % 4], 1, Style::COPY_OP, Style::defaultpattern);
        window.drawRectangleFilled(fill, left, std::min(top, zeroY), right, std::max(top, zeroY));
        // The label sits just outside the bar's end: above a positive bar, below a negative one.
        int labelY = values[i] >= 0 ? top - 6 : top + 16;
        std::ostringstream label;
        label << values[i];
        window.drawText(Style::BLACK, labelFont, left, labelY, label.str());
    }
    window.drawLine(Style::BLACK, MARGIN / 2, zeroY, WIDTH - MARGIN / 2, zeroY);
    window.waitForKeyboardEvent();
}
