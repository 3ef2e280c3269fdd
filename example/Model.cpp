// The editor's model: growth rules, nearest-vertex pick and the OBJ writer. Main thread only.

#include "Model.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

void add_vertex_pair(model& m, int x, int y) {
    int px = x - area::canvas.x1;
    int py = y - area::canvas.y1;
    m.verts.push_back({px, py, m.width});
    m.verts.push_back({px, py, -m.width});
}

void add_face(model& m, int p, int q, int r) {
    m.faces.push_back({p, q, r});
    m.faces.push_back({r + 1, q + 1, p + 1});
}

void add_edge(model& m, int p, int q) {
    m.faces.push_back({q, p, q + 1});
    m.faces.push_back({p + 1, q + 1, p});
}

int get_close_vert(model const& m, int x, int y) {
    int px = x - area::canvas.x1;
    int py = y - area::canvas.y1;
    int best = 10000;
    int result = -1;
    for (std::size_t i = 0; i < m.verts.size(); i += 2) {
        double dx = m.verts[i].x - px;
        double dy = m.verts[i].y - py;
        // Whole pixels only: two vertices at 3.2 and 3.9 pixels tie, and the earlier one wins.
        int distance = static_cast<int>(std::sqrt(dx * dx + dy * dy));
        if (distance < best) {
            best = distance;
            result = static_cast<int>(i);
        }
    }
    return result;
}

void write_obj(model const& m, std::ostream& out) {
    for (vert const& v : m.verts) out << "v " << v.x << ' ' << v.y << ' ' << v.z << '\n';
    for (face const& f : m.faces) out << "f " << f.a + 1 << ' ' << f.b + 1 << ' ' << f.c + 1 << '\n';
}

namespace {

// The mode a newly created file gets: everything the process's umask allows.
mode_t new_file_mode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool save_model(model const& m, std::string const& filename) {
    std::filesystem::path folder = std::filesystem::path(filename).parent_path();
    std::string temporary = (folder.empty() ? std::filesystem::path(".") : folder) / ".tamsel-save-XXXXXX";
    int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) return false;
    bool written = fchmod(descriptor, new_file_mode()) == 0;
    close(descriptor);

    std::ofstream out(temporary, std::ios::out | std::ios::trunc);
    write_obj(m, out);
    out.close();  // fails if the last buffered lines cannot be flushed
    written = written && out.good();

    // rename replaces the old file in one step: readers see the old model or the new, never half.
    if (written && std::rename(temporary.c_str(), filename.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}
