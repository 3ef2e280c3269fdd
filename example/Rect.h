// rect: the editor's axis-aligned rectangle in window pixels, both corners inside. A plain value
// used on the main thread by the layout, the console and the tests alike.
#pragma once

struct rect {
    int x1;  // top-left corner
    int y1;
    int x2;  // bottom-right corner, inside too
    int y2;
};

// Whether the point (x, y) lies in r, edges included.
constexpr bool contains(rect const& r, int x, int y) { return r.x1 <= x && x <= r.x2 && r.y1 <= y && y <= r.y2; }
