// The editor's undo history, within its count and its budget, and its keys. Main thread only.

#include "History.h"

#include <utility>

void history::record(model_change change, std::string const& what) {
    if (change.empty()) return;
    for (step const& undone : redoable) kept -= undone.bytes;
    redoable.clear();
    std::size_t const bytes = kept_bytes(change);
    undoable.push_back({std::move(change), what, bytes});
    kept += bytes;
    while (undoable.size() > LIMIT || (kept > budget && undoable.size() > 1)) {
        kept -= undoable.front().bytes;
        undoable.pop_front();
    }
}

std::string history::undo(model& m) {
    if (undoable.empty()) return "";
    redoable.push_back(std::move(undoable.back()));
    undoable.pop_back();
    model_change& change = redoable.back().change;
    for (auto edit = change.rbegin(); edit != change.rend(); ++edit) apply(m, *edit);
    return redoable.back().what;
}

std::string history::redo(model& m) {
    if (redoable.empty()) return "";
    undoable.push_back(std::move(redoable.back()));
    redoable.pop_back();
    for (model_edit& edit : undoable.back().change) apply(m, edit);
    return undoable.back().what;
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
