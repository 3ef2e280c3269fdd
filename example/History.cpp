// The editor's undo history and its keys. Main thread only.

#include "History.h"

#include <utility>

namespace {

bool same_content(model const& a, model const& b) { return a.verts == b.verts && a.faces == b.faces; }

}  // namespace

void history::record(model const& before, model const& after, std::string const& what) {
    if (same_content(before, after)) return;
    undoable.push_back({before, what});
    if (undoable.size() > LIMIT) undoable.pop_front();
    redoable.clear();
}

std::string history::undo(model& m) { return take_step(undoable, redoable, m); }

std::string history::redo(model& m) { return take_step(redoable, undoable, m); }

std::string history::take_step(std::deque<step>& from, std::deque<step>& to, model& m) {
    if (from.empty()) return "";
    step taken = std::move(from.back());
    from.pop_back();
    std::swap(taken.other.verts, m.verts);
    std::swap(taken.other.faces, m.faces);
    to.push_back(std::move(taken));
    return to.back().what;
}

namespace {

// With Control held, a letter key comes as its control code (1 for A, 26 for Z) or as the letter.
bool is_letter(int value, char lower_case) {
    return value == lower_case - 'a' + 1 || value == lower_case || value == lower_case - 'a' + 'A';
}

}  // namespace

history_request history_key(KeyboardEvent const& key) {
    KeyModifiers held = key.getModifiers();
    if ((held & KeyModifiers::CONTROL) != KeyModifiers::CONTROL) return history_request::NONE;
    bool shift = (held & KeyModifiers::SHIFT) == KeyModifiers::SHIFT;
    if (is_letter(key.getValue(), 'z')) return shift ? history_request::REDO : history_request::UNDO;
    if (is_letter(key.getValue(), 'y')) return history_request::REDO;
    return history_request::NONE;
}
