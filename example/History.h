// The editor's undo history: the model as it stood before each change, kept so that changes can
// be taken back and done again, and the keys that ask for that. Pure logic for the main thread:
// whole-model snapshots, which a model built by hand keeps small.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "KeyboardEvent.h"
#include "Model.h"

class history {
public:
    // How many changes can be undone; recording one more forgets the oldest.
    static constexpr std::size_t LIMIT = 1000;

    // Records the change named what (such as "add vertex") that turned before into after, and
    // forgets what could be redone. A change that left the model as it was is not recorded.
    void record(model const& before, model const& after, std::string const& what);
    // Takes m back to before the latest change and returns that change's name; returns "" and
    // leaves m alone when there is nothing to undo. m keeps its width: that is a setting.
    std::string undo(model& m);
    // Does the latest undone change again and returns its name; "" when there is nothing to redo.
    std::string redo(model& m);

private:
    struct step {
        model other;  // the model on the other side of the change
        std::string what;
    };
    // Swaps m with the model kept by the last step of from, which moves to the end of to.
    static std::string take_step(std::deque<step>& from, std::deque<step>& to, model& m);

    std::deque<step> undoable;
    std::deque<step> redoable;
};

// What a key asks of the history.
enum class history_request { NONE, UNDO, REDO };
// Ctrl+Z undoes; Ctrl+Y and Ctrl+Shift+Z redo; every other key asks nothing.
history_request history_key(KeyboardEvent const& key);
