// The editor's undo history: the changes made to the model, kept as the edits that take them back
// and do them again, and the keys that ask for that. Pure logic for the main thread: a step keeps
// only what its change changed, so that recording one costs the same however big the model is.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "KeyboardEvent.h"
#include "Model.h"

class history {
public:
    // How many changes can be undone; recording one more forgets the oldest.
    static constexpr std::size_t LIMIT = 1000;
    // How many bytes of vertices and faces the steps keep at most, undone ones included, unless told
    // otherwise: recording a change forgets the oldest steps until those left keep no more, but
    // never the latest.
    static constexpr std::size_t BUDGET = 64 << 20;

    explicit history(std::size_t budget = BUDGET) : budget(budget) {}

    // Records the change named what (such as "add vertex") that was just made, and forgets what
    // could be redone. A change without edits, which left the model as it was, is not recorded.
    void record(model_change change, std::string const& what);
    // Takes m back to before the latest change and returns that change's name; returns "" and
    // leaves m alone when there is nothing to undo. m keeps its width: that is a setting.
    std::string undo(model& m);
    // Does the latest undone change again and returns its name; "" when there is nothing to redo.
    std::string redo(model& m);

private:
    struct step {
        model_change change;  // as it now stands: its edits take it back, or do it again
        std::string what;
        std::size_t bytes;  // kept_bytes of the change, the same either way round
    };

    std::size_t budget;
    std::deque<step> undoable;
    std::deque<step> redoable;
    std::size_t kept = 0;  // the bytes of both
};

// What a key asks of the history.
enum class history_request { NONE, UNDO, REDO };
// Ctrl+Z undoes; Ctrl+Y and Ctrl+Shift+Z redo; every other key asks nothing.
history_request history_key(KeyboardEvent const& key);
