// Polygon rasterising and checks: exact arithmetic in whole numbers, wide enough for any corners
// that fit an int.
#include "geometry/PolygonRaster.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <utility>

namespace {

using Wide = __int128;

int signOf(Wide value) { return (value > 0) - (value < 0); }

PolygonPoint operator-(const PolygonPoint& a, const PolygonPoint& b) { return {a.x - b.x, a.y - b.y}; }
bool operator==(const PolygonPoint& a, const PolygonPoint& b) { return a.x == b.x && a.y == b.y; }

// Which way v turns from u: 1 and -1 for the two ways, 0 along the same line.
int turnOf(const PolygonPoint& u, const PolygonPoint& v) { return signOf(Wide(u.x) * v.y - Wide(u.y) * v.x); }

// Which side of the line from a through b the point p lies on, 0 on it.
int sideOf(const PolygonPoint& a, const PolygonPoint& b, const PolygonPoint& p) { return turnOf(b - a, p - a); }

// The edges of the closed polygon, those of no length left out.
std::vector<std::pair<PolygonPoint, PolygonPoint>> edgesOf(const std::vector<PolygonPoint>& points) {
    std::vector<std::pair<PolygonPoint, PolygonPoint>> edges;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PolygonPoint& from = points[i];
        const PolygonPoint& to = points[(i + 1) % points.size()];
        if (!(from == to)) edges.push_back({from, to});
    }
    return edges;
}

// How often the sign of a sequence of values changes going once round it, zeros left out.
class SignChangesRound {
public:
    void add(std::int64_t value) {
        const int sign = (value > 0) - (value < 0);
        if (sign == 0) return;
        if (first == 0) first = sign;
        changes += last != 0 && sign != last;
        last = sign;
    }
    int count() const { return changes + (last != first); }

private:
    int first = 0, last = 0, changes = 0;
};

// Whether turning from direction u to v keeps the way the polygon turns, which the first turn
// settles. Going straight on keeps it; turning back along u never does.
bool keepsTurning(const PolygonPoint& u, const PolygonPoint& v, int& turning) {
    const int turn = turnOf(u, v);
    if (turn == 0) return Wide(u.x) * v.x + Wide(u.y) * v.y > 0;
    if (turning == 0) turning = turn;
    return turn == turning;
}

// ---- Crossing edges: a sweep from left to right (along a vertical line, by growing y), keeping
// the edges it is on in order across it. The two edges of the first crossing become neighbours in
// that order before the sweep reaches it, so checking each new pair of neighbours finds it.

bool sweepsFirst(const PolygonPoint& a, const PolygonPoint& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }

// An edge from the end the sweep meets first.
struct SweptEdge {
    PolygonPoint start, end;
    std::size_t order;  // settles the order of edges lying along each other
};

// Where edge t lies against edge s where the sweep meets t's start, which s spans: on the side
// its turn gives (1 or -1), or if t starts on s, on the side t heads for.
int sideAt(const SweptEdge& s, const SweptEdge& t) {
    if (const int side = sideOf(s.start, s.end, t.start)) return side;
    if (const int side = turnOf(s.end - s.start, t.end - t.start)) return side;
    return t.order > s.order ? 1 : -1;
}

// The order of edges across the sweep, judged where the later of the two starts.
struct AcrossSweep {
    const std::vector<SweptEdge>* edges;
    bool operator()(std::size_t i, std::size_t j) const {
        if (i == j) return false;
        const SweptEdge& s = (*edges)[i];
        const SweptEdge& t = (*edges)[j];
        return sweepsFirst(t.start, s.start) ? sideAt(t, s) < 0 : sideAt(s, t) > 0;
    }
};

bool crossInside(const SweptEdge& s, const SweptEdge& t) {
    return sideOf(s.start, s.end, t.start) * sideOf(s.start, s.end, t.end) < 0 &&
           sideOf(t.start, t.end, s.start) * sideOf(t.start, t.end, s.end) < 0;
}

// ---- Filling: each edge that crosses rows of the area, stepped row by row.

Wide floorDivision(Wide numerator, Wide divisor) {  // divisor > 0
    const Wide quotient = numerator / divisor;
    return quotient * divisor > numerator ? quotient - 1 : quotient;
}

// An edge crossing rows first to end - 1 of the area. On the current row its crossing with the
// row's sample line is column - shortfall / divisor + 1/8, exactly: column is the first column
// whose sample lies on or right of the edge.
class EdgeCrossing {
public:
    EdgeCrossing(const PolygonPoint& top, const PolygonPoint& bottom, std::int64_t first, std::int64_t end)
        : first(first), end(end) {
        const std::int64_t dx = bottom.x - top.x, dy = bottom.y - top.y;
        divisor = 8 * dy;
        // The crossing less 1/8, times divisor, on the sample line 1/8 below the row's top.
        const Wide scaled = Wide(divisor) * top.x + Wide(8 * (first - top.y) + 1) * dx - dy;
        column = static_cast<std::int64_t>(-floorDivision(-scaled, divisor));
        shortfall = static_cast<std::int64_t>(column * Wide(divisor) - scaled);
        stepColumns = static_cast<std::int64_t>(floorDivision(dx, dy));
        stepShortfall = 8 * (dx - stepColumns * dy);
    }

    void stepDown() {
        column += stepColumns;
        shortfall -= stepShortfall;
        if (shortfall < 0) {
            ++column;
            shortfall += divisor;
        }
    }

    std::int64_t first, end, column;

private:
    std::int64_t shortfall, divisor, stepColumns, stepShortfall;
};

// Calls visit for the runs of a row, given which columns from low to high of the area its edges'
// crossings flip (an odd number of crossings there), and clears those. By the odd rule a pixel is
// inside when an odd number of crossings lie at or left of its column.
void visitRowRuns(std::int64_t row, std::int64_t low, std::int64_t high, std::vector<std::uint8_t>& flipped,
                  const PixelArea& area, const std::function<void(const PixelRun&)>& visit) {
    bool inside = false;
    std::int64_t first = 0;
    for (std::int64_t column = low; column <= high; ++column) {
        std::uint8_t& flip = flipped[static_cast<std::size_t>(column - area.left)];
        if (!flip) continue;
        flip = 0;
        if (inside)
            visit({row, first, column - 1});
        else
            first = column;
        inside = !inside;
    }
    if (inside) visit({row, first, area.right - 1});
}

}  // namespace

bool isConvex(const std::vector<PolygonPoint>& points) {
    int turning = 0;
    SignChangesRound xChanges, yChanges;
    PolygonPoint first{0, 0}, previous{0, 0};  // edge directions; none has length 0
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PolygonPoint direction = points[(i + 1) % points.size()] - points[i];
        if (direction == PolygonPoint{0, 0}) continue;
        if (first == PolygonPoint{0, 0})
            first = direction;
        else if (!keepsTurning(previous, direction, turning))
            return false;
        previous = direction;
        xChanges.add(direction.x);
        yChanges.add(direction.y);
    }
    if (!(first == PolygonPoint{0, 0}) && !keepsTurning(previous, first, turning)) return false;
    // Turning one way, it goes round once if it heads left and right, up and down, once each.
    return xChanges.count() <= 2 && yChanges.count() <= 2;
}

bool hasCrossingEdges(const std::vector<PolygonPoint>& points) {
    std::vector<SweptEdge> edges;
    for (auto [start, end] : edgesOf(points)) {
        if (sweepsFirst(end, start)) std::swap(start, end);
        edges.push_back({start, end, edges.size()});
    }
    struct Event {
        PolygonPoint at;
        bool starts;
        std::size_t edge;
    };
    std::vector<Event> events;
    for (const SweptEdge& e : edges) {
        events.push_back({e.start, true, e.order});
        events.push_back({e.end, false, e.order});
    }
    // At one point, edges that end there leave before those that start there come in.
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        if (!(a.at == b.at)) return sweepsFirst(a.at, b.at);
        return !a.starts && b.starts;
    });
    using Sweep = std::set<std::size_t, AcrossSweep>;
    Sweep sweep(AcrossSweep{&edges});
    std::vector<Sweep::iterator> where(edges.size());
    auto cross = [&](Sweep::iterator a, Sweep::iterator b) { return crossInside(edges[*a], edges[*b]); };
    for (const Event& event : events) {
        if (event.starts) {
            const Sweep::iterator at = sweep.insert(event.edge).first;
            where[event.edge] = at;
            if (at != sweep.begin() && cross(std::prev(at), at)) return true;
            if (std::next(at) != sweep.end() && cross(at, std::next(at))) return true;
        } else {
            const Sweep::iterator after = sweep.erase(where[event.edge]);
            if (after != sweep.begin() && after != sweep.end() && cross(std::prev(after), after)) return true;
        }
    }
    return false;
}

void forEachRun(const std::vector<PolygonPoint>& points, const PixelArea& area,
                const std::function<void(const PixelRun&)>& visit) {
    if (area.right <= area.left) return;
    std::vector<EdgeCrossing> edges;
    for (auto [top, bottom] : edgesOf(points)) {
        if (top.y == bottom.y) continue;  // no sample line meets a horizontal edge
        if (top.y > bottom.y) std::swap(top, bottom);
        const std::int64_t first = std::max(top.y, area.top), end = std::min(bottom.y, area.bottom);
        if (first < end) edges.emplace_back(top, bottom, first, end);
    }
    std::sort(edges.begin(), edges.end(), [](const EdgeCrossing& a, const EdgeCrossing& b) { return a.first < b.first; });
    std::vector<EdgeCrossing> active;
    std::vector<std::uint8_t> flipped(static_cast<std::size_t>(std::max<std::int64_t>(area.right - area.left, 0)));
    std::size_t next = 0;
    std::int64_t row = 0;
    while (next < edges.size() || !active.empty()) {
        if (active.empty()) row = edges[next].first;
        for (; next < edges.size() && edges[next].first == row; ++next) active.push_back(edges[next]);
        // A crossing left of the area counts for all of its columns, one right of it for none.
        std::int64_t low = area.right, high = area.left - 1;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < active.size(); ++i) {
            EdgeCrossing& edge = active[i];
            if (edge.column < area.right) {
                const std::int64_t column = std::max(edge.column, area.left);
                flipped[static_cast<std::size_t>(column - area.left)] ^= 1;
                low = std::min(low, column);
                high = std::max(high, column);
            }
            if (edge.end > row + 1) {
                edge.stepDown();
                active[kept++] = edge;
            }
        }
        active.erase(active.begin() + static_cast<std::ptrdiff_t>(kept), active.end());
        visitRowRuns(row, low, high, flipped, area, visit);
        ++row;
    }
}
