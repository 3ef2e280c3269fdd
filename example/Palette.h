// The eight colours a face can be painted with, in the order of the Colours menu's swatches: the
// name of each one's material in the saved files, and its red, green and blue from 0 to 255.
// Plain constants for the editor, its model and the program that draws its pictures.
#pragma once

struct paint {
    const char* name;
    int red;
    int green;
    int blue;
};

constexpr int PALETTE_SIZE = 8;
constexpr paint PALETTE[PALETTE_SIZE] = {
    {"red", 255, 0, 0},    {"orange", 255, 140, 0}, {"yellow", 255, 215, 0},  {"green", 0, 160, 60},
    {"teal", 0, 150, 150}, {"blue", 30, 80, 220},   {"purple", 140, 60, 190}, {"grey", 128, 128, 128},
};
