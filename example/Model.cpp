// The editor's model: its changes as reversible edits, the picks, the OBJ writer and reader. Main
// thread only.

#include "Model.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <limits>
#include <optional>
#include <sstream>
#include <utility>

#include "FileSave.h"  // private to the library, within reach because the editor is built in its tree

namespace {

// The list of m that an exchange of that kind edits.
std::vector<vert>& list_of(model& m, exchange<vert> const&) { return m.verts; }
std::vector<face>& list_of(model& m, exchange<face> const&) { return m.faces; }

template <typename T>
void apply(model& m, exchange<T>& edit) {
    std::vector<T>& list = list_of(m, edit);
    std::vector<T>& other = edit.other;
    std::size_t const held = other.size(), common = std::min(edit.count, held);
    auto const first = list.begin() + edit.at;
    std::swap_ranges(first, first + common, other.begin());
    // What is left of the longer side moves to the other.
    if (edit.count > common) {
        other.insert(other.end(), first + common, first + edit.count);
        list.erase(first + common, first + edit.count);
    } else {
        list.insert(first + common, other.begin() + common, other.end());
        other.erase(other.begin() + common, other.end());
    }
    edit.count = held;
}

void apply(model& m, renumbering& edit) {
    for (face& f : m.faces)
        for (int* corner : {&f.a, &f.b, &f.c})
            if (*corner >= edit.from) *corner += edit.by;
    edit = {edit.from + edit.by, -edit.by};
}

// Applies the edit to m and adds it to change, unless it would change nothing.
template <typename T>
void make(model& m, model_change& change, exchange<T> edit) {
    auto const first = list_of(m, edit).begin() + edit.at;
    if (edit.count == edit.other.size() && std::equal(edit.other.begin(), edit.other.end(), first)) return;
    apply(m, edit);
    change.push_back(std::move(edit));
}

}  // namespace

void apply(model& m, model_edit& edit) {
    std::visit([&](auto& kind) { apply(m, kind); }, edit);
}

std::size_t kept_bytes(model_change const& change) {
    std::size_t bytes = 0;
    for (model_edit const& edit : change)
        if (auto const* verts = std::get_if<exchange<vert>>(&edit))
            bytes += std::max(verts->count, verts->other.size()) * sizeof(vert);
        else if (auto const* faces = std::get_if<exchange<face>>(&edit))
            bytes += std::max(faces->count, faces->other.size()) * sizeof(face);
    return bytes;
}

model_change add_vertex_pair(model& m, int x, int y) {
    int px = x - area::canvas.x1;
    int py = y - area::canvas.y1;
    model_change change;
    make(m, change, exchange<vert>{m.verts.size(), 0, {{px, py, m.width}, {px, py, -m.width}}});
    return change;
}

model_change add_face(model& m, int p, int q, int r) {
    model_change change;
    make(m, change, exchange<face>{m.faces.size(), 0, {{p, q, r}, {r + 1, q + 1, p + 1}}});
    return change;
}

model_change add_edge(model& m, int p, int q) {
    model_change change;
    make(m, change, exchange<face>{m.faces.size(), 0, {{q, p, q + 1}, {p + 1, q + 1, p}}});
    return change;
}

model_change replace_model(model& m, model other) {
    model_change change;
    make(m, change, exchange<vert>{0, m.verts.size(), std::move(other.verts)});
    make(m, change, exchange<face>{0, m.faces.size(), std::move(other.faces)});
    return change;
}

namespace {

// The canvas point of window point (x, y), in 64 bits: a window point may lie as far as an int reaches.
struct canvas_point {
    long long x;
    long long y;
};
canvas_point on_canvas_of(int x, int y) {
    return {static_cast<long long>(x) - area::canvas.x1, static_cast<long long>(y) - area::canvas.y1};
}

// The front vertex nearest to window point (x, y) among those at most reach pixels away.
int nearest_front_vert(model const& m, int x, int y, double reach) {
    canvas_point const p = on_canvas_of(x, y);
    int result = -1;
    long long best = 0;
    for (std::size_t i = 0; i < m.verts.size(); i += 2) {
        double dx = static_cast<double>(m.verts[i].x - p.x);
        double dy = static_cast<double>(m.verts[i].y - p.y);
        double exact = std::sqrt(dx * dx + dy * dy);
        if (exact > reach) continue;
        // Whole pixels only: two vertices at 3.2 and 3.9 pixels tie, and the earlier one wins.
        long long distance = static_cast<long long>(exact);
        if (result < 0 || distance < best) {
            best = distance;
            result = static_cast<int>(i);
        }
    }
    return result;
}

bool uses_pair(face const& f, int front) {
    for (int corner : {f.a, f.b, f.c})
        if (corner == front || corner == front + 1) return true;
    return false;
}

bool same_face(face const& f, int a, int b, int c) { return f.a == a && f.b == b && f.c == c; }

// Twice the signed area of the triangle u, v, w: its sign says on which side of u-v the point w lies.
// With u and v on the canvas, no product passes 2^43 even for a point w as far as an int reaches.
long long cross(vert const& u, vert const& v, long long wx, long long wy) {
    return (static_cast<long long>(v.x) - u.x) * (wy - u.y) - (static_cast<long long>(v.y) - u.y) * (wx - u.x);
}

// Whether the triangle holds canvas point p, sides included. A triangle with no area holds nothing:
// its corners lie on one line.
bool holds(vert const& a, vert const& b, vert const& c, canvas_point p) {
    if (cross(a, b, c.x, c.y) == 0) return false;
    long long sides[] = {cross(a, b, p.x, p.y), cross(b, c, p.x, p.y), cross(c, a, p.x, p.y)};
    bool left = false, right = false;
    for (long long side : sides) {
        left = left || side > 0;
        right = right || side < 0;
    }
    return !(left && right);
}

// Nine times the squared distance from canvas point p to the triangle's centroid: exact for points
// near the canvas, and in floating point, where no square of a far point's distance overflows.
double centroid_distance(vert const& a, vert const& b, vert const& c, canvas_point p) {
    double dx = static_cast<double>(static_cast<long long>(a.x) + b.x + c.x - 3 * p.x);
    double dy = static_cast<double>(static_cast<long long>(a.y) + b.y + c.y - 3 * p.y);
    return dx * dx + dy * dy;
}

}  // namespace

int get_close_vert(model const& m, int x, int y) { return nearest_front_vert(m, x, y, PICK_REACH); }

bool is_front_face(face const& f) { return f.a % 2 == 0 && f.b % 2 == 0 && f.c % 2 == 0; }

int get_vert_within(model const& m, int x, int y, int reach) { return nearest_front_vert(m, x, y, reach); }

model_change move_vertex_pair(model& m, int front, int x, int y) {
    int px = std::clamp(x, area::canvas.x1, area::canvas.x2) - area::canvas.x1;
    int py = std::clamp(y, area::canvas.y1, area::canvas.y2) - area::canvas.y1;
    std::vector<vert> moved(m.verts.begin() + front, m.verts.begin() + front + 2);
    for (vert& v : moved) {
        v.x = px;
        v.y = py;
    }
    model_change change;
    make(m, change, exchange<vert>{static_cast<std::size_t>(front), 2, moved});
    return change;
}

model_change set_vertex_width(model& m, int front, int width) {
    vert const& v = m.verts[front];
    model_change change;
    make(m, change, exchange<vert>{static_cast<std::size_t>(front), 2, {{v.x, v.y, width}, {v.x, v.y, -width}}});
    return change;
}

model_change delete_vertex_pair(model& m, int front) {
    model_change change;
    // A face and its twin, or an edge's two triangles, use the pair together, so pairs go whole;
    // the last first, so that the places of those before stay as they were.
    for (std::size_t i = m.faces.size(); i >= 2; i -= 2)
        if (uses_pair(m.faces[i - 2], front)) make(m, change, exchange<face>{i - 2, 2, {}});
    change.push_back(renumbering{front + 2, -2});
    apply(m, change.back());
    make(m, change, exchange<vert>{static_cast<std::size_t>(front), 2, {}});
    return change;
}

int get_face_at(model const& m, int x, int y) {
    canvas_point const p = on_canvas_of(x, y);
    int nearest = -1;
    double best = 0;
    for (std::size_t i = 0; i < m.faces.size(); i += 2) {
        face const& f = m.faces[i];
        if (!is_front_face(f)) continue;
        vert const &a = m.verts[f.a], &b = m.verts[f.b], &c = m.verts[f.c];
        if (holds(a, b, c, p)) return static_cast<int>(i);
        double distance = centroid_distance(a, b, c, p);
        if (nearest < 0 || distance < best) {
            best = distance;
            nearest = static_cast<int>(i);
        }
    }
    return nearest;
}

model_change paint_face(model& m, int first, int colour) {
    std::vector<face> painted(m.faces.begin() + first, m.faces.begin() + first + 2);
    for (face& f : painted) f.colour = colour;
    model_change change;
    make(m, change, exchange<face>{static_cast<std::size_t>(first), 2, painted});
    return change;
}

model_change delete_face(model& m, int first) {
    model_change change;
    make(m, change, exchange<face>{static_cast<std::size_t>(first), 2, {}});
    return change;
}

model_change delete_edge(model& m, int p, int q) {
    // add_edge(p, q) starts with the triangle (q, p, q+1); add_edge(q, p) with (p, q, p+1).
    for (std::size_t i = 0; i < m.faces.size(); i += 2) {
        face const& f = m.faces[i];
        if (same_face(f, q, p, q + 1) || same_face(f, p, q, p + 1)) return delete_face(m, static_cast<int>(i));
    }
    return {};
}

namespace {

constexpr rect grown(rect const& r, int by) { return {r.x1 - by, r.y1 - by, r.x2 + by, r.y2 + by}; }
constexpr bool meet(rect const& a, rect const& b) {
    return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}
constexpr rect joined(rect const& a, rect const& b) {
    return {std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2), std::max(a.y2, b.y2)};
}

}  // namespace

rect bounds(model const& m, face const& f) {
    vert const &a = m.verts[f.a], &b = m.verts[f.b], &c = m.verts[f.c];
    return {std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}), std::max({a.y, b.y, c.y})};
}

marks marks_over(model const& m, rect const& box, int reach) {
    // Two marks may share a pixel where their points' boxes come within twice the reach.
    marks over;
    rect lines = box;
    // The second face of a pair lies over the first: a back twin, or an edge's other triangle.
    for (std::size_t i = 0; i < m.faces.size(); i += 2) {
        rect const face_box = bounds(m, m.faces[i]);
        if (!meet(grown(face_box, 2 * reach), box)) continue;
        over.faces.push_back(i);
        lines = joined(lines, face_box);
    }
    rect const dotted = grown(lines, 2 * reach);
    for (std::size_t i = 0; i < m.verts.size(); i += 2)
        if (contains(dotted, m.verts[i].x, m.verts[i].y)) over.verts.push_back(i);
    return over;
}

namespace {

bool uses_colour(model const& m, int colour) {
    return std::any_of(m.faces.begin(), m.faces.end(), [&](face const& f) { return f.colour == colour; });
}

bool has_colours(model const& m) {
    return std::any_of(m.faces.begin(), m.faces.end(), [](face const& f) { return f.colour != NO_COLOUR; });
}

}  // namespace

void write_obj(model const& m, std::ostream& out, std::string const& mtl_file) {
    if (has_colours(m)) out << "mtllib " << mtl_file << '\n';
    for (vert const& v : m.verts) out << "v " << v.x << ' ' << v.y << ' ' << v.z << '\n';
    for (int colour = NO_COLOUR; colour < PALETTE_SIZE; ++colour) {
        if (colour != NO_COLOUR && uses_colour(m, colour)) out << "usemtl " << PALETTE[colour].name << '\n';
        for (face const& f : m.faces)
            if (f.colour == colour) out << "f " << f.a + 1 << ' ' << f.b + 1 << ' ' << f.c + 1 << '\n';
    }
}

void write_mtl(model const& m, std::ostream& out) {
    out << std::fixed << std::setprecision(4);
    for (int colour = 0; colour < PALETTE_SIZE; ++colour) {
        if (!uses_colour(m, colour)) continue;
        paint const& p = PALETTE[colour];
        out << "newmtl " << p.name << "\nKd " << p.red / 255.0 << ' ' << p.green / 255.0 << ' ' << p.blue / 255.0
            << '\n';
    }
}

std::string mtl_file_name(std::string const& obj_file) {
    std::string const obj = ".obj";
    std::size_t const stem = obj_file.size() - obj.size();
    bool ends_in_obj = obj_file.size() >= obj.size() && obj_file.compare(stem, obj.size(), obj) == 0;
    return (ends_in_obj ? obj_file.substr(0, stem) : obj_file) + ".mtl";
}

namespace {

// Whether the faces first and first + 1 are a face and its back twin, or the two side triangles of
// an edge, as add_face and add_edge make them.
bool is_face_pair(std::vector<face> const& faces, std::size_t first) {
    face const &f = faces[first], &g = faces[first + 1];
    if (is_front_face(f)) return g == face{f.c + 1, f.b + 1, f.a + 1, f.colour};
    return f.a % 2 == 0 && f.b % 2 == 0 && f.c == f.a + 1 && g == face{f.b + 1, f.a + 1, f.b, f.colour};
}

// Whether canvas point (x, y) lies on the canvas, where every vertex is clicked or moved to.
bool on_canvas(long long x, long long y) {
    return 0 <= x && x <= area::canvas.x2 - area::canvas.x1 && 0 <= y && y <= area::canvas.y2 - area::canvas.y1;
}

bool is_int(long long n) { return std::numeric_limits<int>::min() <= n && n <= std::numeric_limits<int>::max(); }

// Adds what one line says to m: a vertex on the canvas, a face on vertices read before it in the
// colour of the last "usemtl" line, or the MTL file's name; false when it says nothing of these.
bool read_line(std::string const& line, model& m, int& colour, std::string& mtl_file) {
    if (line.rfind("mtllib ", 0) == 0) {
        if (mtl_file.empty()) mtl_file = line.substr(7);
        return line.size() > 7;
    }
    if (line.rfind("usemtl ", 0) == 0) {
        for (colour = 0; colour < PALETTE_SIZE; ++colour)
            if (line.substr(7) == PALETTE[colour].name) return true;
        return false;
    }
    std::istringstream words(line);
    std::string kind;
    long long a = 0, b = 0, c = 0;
    if (!(words >> kind >> a >> b >> c)) return false;
    if (kind == "v" && on_canvas(a, b) && is_int(c)) {
        m.verts.push_back({static_cast<int>(a), static_cast<int>(b), static_cast<int>(c)});
        return true;
    }
    long long const count = static_cast<long long>(m.verts.size());
    if (kind != "f" || std::min({a, b, c}) < 1 || std::max({a, b, c}) > count) return false;
    m.faces.push_back({static_cast<int>(a - 1), static_cast<int>(b - 1), static_cast<int>(c - 1), colour});
    return true;
}

bool are_twins(vert const& front, vert const& back) {
    return back.x == front.x && back.y == front.y && back.z == -static_cast<long long>(front.z);
}

obj_reading refused_line(std::string const& text, std::string::const_iterator line) {
    long long const number = 1 + std::count(text.begin(), line, '\n');
    return {model(), "line " + std::to_string(number) + " is not one Tamsel writes."};
}

}  // namespace

obj_reading read_obj(std::istream& in) {
    std::string const text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    model m;
    int colour = NO_COLOUR;
    std::string mtl_file;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line) && read_line(line, m, colour, mtl_file)) continue;
    // What was read, written again, is the text itself only if Tamsel wrote it: every number as
    // Tamsel writes it, the lines in its order, the last one ended. A line that says nothing
    // Tamsel writes differs too, and so does any line before it that is out of place.
    std::ostringstream again;
    write_obj(m, again, mtl_file);
    std::string const written = again.str();
    auto const differ = std::mismatch(text.begin(), text.end(), written.begin(), written.end());
    if (differ.first != text.end() || differ.second != written.end()) {
        // A text cut short of what Tamsel would write is refused at its last line, left unended.
        bool const unended = differ.first == text.end();
        return refused_line(text, unended ? text.end() - 1 : differ.first);
    }
    for (std::size_t i = 0; i < m.verts.size(); i += 2)
        if (i + 1 == m.verts.size() || !are_twins(m.verts[i], m.verts[i + 1]))
            return {model(), "its vertices are not in front and back pairs."};
    for (std::size_t i = 0; i < m.faces.size(); i += 2)
        if (i + 1 == m.faces.size() || !is_face_pair(m.faces, i)) return {model(), "its faces are not in pairs."};
    return {std::move(m), ""};
}

obj_reading open_model(std::string const& filename) {
    // Asked before opening, which would wait for a writer on a FIFO; a name that cannot be looked
    // up at all (too long, a loop of links, a folder closed to the user) is no regular file either.
    std::error_code unknown;
    if (!std::filesystem::is_regular_file(filename, unknown)) return {model(), "it cannot be read."};
    std::ifstream in(filename);
    if (!in) return {model(), "it cannot be read."};
    obj_reading reading = read_obj(in);
    if (in.bad()) return {model(), "it cannot be read."};
    return reading;
}

namespace {

// What stood at a file's name before a save, to put back if need be.
struct earlier_file {
    bool there;           // false where there was no file of that name
    std::string content;  // the regular file's content
};

// What stands at the name: nothing, or a regular file and its content; std::nullopt for anything
// that could not be put back as it was, such as a FIFO or a file that cannot be read.
std::optional<earlier_file> earlier_file_at(std::string const& name) {
    std::error_code unknown;
    std::filesystem::file_type const type = std::filesystem::status(name, unknown).type();
    if (type == std::filesystem::file_type::not_found) return earlier_file{false, ""};
    if (type != std::filesystem::file_type::regular) return std::nullopt;
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return earlier_file{true, content};
}

}  // namespace

bool save_model(model const& m, std::string const& filename) {
    std::string const mtl_file = mtl_file_name(filename);
    std::ostringstream obj, mtl;
    write_obj(m, obj, std::filesystem::path(mtl_file).filename());
    write_mtl(m, mtl);
    if (mtl.str().empty()) return saveFile(filename, obj.str()) == SaveOutcome::SAVED;
    // The materials first, so that a saved OBJ file never names an MTL file that is not there, and
    // put back as they were if the OBJ file then cannot be saved: both files change, or neither.
    std::optional<earlier_file> const earlier = earlier_file_at(mtl_file);
    if (!earlier || saveFile(mtl_file, mtl.str()) != SaveOutcome::SAVED) return false;
    if (saveFile(filename, obj.str()) == SaveOutcome::SAVED) return true;
    std::error_code unknown;
    if (earlier->there)
        saveFile(mtl_file, earlier->content);
    else  // the file that the save made, where a link of that name leads
        std::filesystem::remove(std::filesystem::canonical(mtl_file, unknown), unknown);
    return false;
}
