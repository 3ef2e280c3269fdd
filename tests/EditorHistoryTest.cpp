// The editor's undo history without a display: changes taken back and done again in turn, the
// width left as set, the thousand-step bound, and the keys that ask for a step.

#include <gtest/gtest.h>

#include <sstream>

#include "History.h"
#include "NamedKey.h"

namespace {

std::string obj_text(model const& m) {
    std::ostringstream out;
    write_obj(m, out);
    return out.str();
}

// Records a vertex pair added at window point (x, y).
void add_vertex(history& steps, model& m, int x, int y) {
    model before = m;
    add_vertex_pair(m, x, y);
    steps.record(before, m, "add vertex");
}

}  // namespace

TEST(EditorHistory, UndoTakesBackTheChangesInTurnAndRedoDoesThemAgain) {
    history steps;
    model m;
    add_vertex(steps, m, 125, 187);
    std::string one_vertex = obj_text(m);
    model before = m;
    add_vertex_pair(m, 225, 187);
    add_face(m, 0, 2, 0);
    steps.record(before, m, "add face");
    std::string with_face = obj_text(m);

    EXPECT_EQ(steps.undo(m), "add face");
    EXPECT_EQ(obj_text(m), one_vertex);
    EXPECT_EQ(steps.undo(m), "add vertex");
    EXPECT_EQ(obj_text(m), "");
    EXPECT_EQ(steps.undo(m), "");
    EXPECT_EQ(obj_text(m), "");

    EXPECT_EQ(steps.redo(m), "add vertex");
    EXPECT_EQ(steps.redo(m), "add face");
    EXPECT_EQ(obj_text(m), with_face);
    EXPECT_EQ(steps.redo(m), "");
    EXPECT_EQ(obj_text(m), with_face);
}

TEST(EditorHistory, ANewChangeAfterAnUndoCannotBeFollowedByARedo) {
    history steps;
    model m;
    add_vertex(steps, m, 125, 187);
    steps.undo(m);
    add_vertex(steps, m, 225, 187);

    EXPECT_EQ(steps.redo(m), "");
    EXPECT_EQ(obj_text(m), "v 200 100 50\nv 200 100 -50\n");
}

TEST(EditorHistory, TheWidthIsASettingThatUndoLeavesAsSet) {
    history steps;
    model m;
    add_vertex(steps, m, 125, 187);
    m.width = 7;
    steps.undo(m);
    steps.redo(m);

    EXPECT_EQ(m.width, 7);
    EXPECT_EQ(obj_text(m), "v 100 100 50\nv 100 100 -50\n");
}

TEST(EditorHistory, AChangeThatChangesNothingIsNotAStep) {
    history steps;
    model m;
    add_vertex(steps, m, 125, 187);
    model before = m;
    set_vertex_width(m, 0, 50);
    steps.record(before, m, "vertex width");

    EXPECT_EQ(steps.undo(m), "add vertex");
}

TEST(EditorHistory, TheLatestThousandChangesCanBeUndone) {
    history steps;
    model m;
    for (int i = 0; i < 1001; ++i) add_vertex(steps, m, 25 + i % 600, 87 + i / 600);

    int undone = 0;
    while (!steps.undo(m).empty()) ++undone;

    EXPECT_EQ(undone, 1000);
    EXPECT_EQ(obj_text(m), "v 0 0 50\nv 0 0 -50\n");
}

TEST(EditorHistory, ControlZUndoesAndControlYOrControlShiftZRedo) {
    const KeyModifiers control = KeyModifiers::CONTROL, shift = KeyModifiers::SHIFT;
    const std::pair<KeyboardEvent, history_request> keys[] = {
        {KeyboardEvent(26, control), history_request::UNDO},
        {KeyboardEvent('z', control), history_request::UNDO},
        {KeyboardEvent(25, control), history_request::REDO},
        {KeyboardEvent(26, control | shift), history_request::REDO},
        {KeyboardEvent('Z', control | shift), history_request::REDO},
        {KeyboardEvent('z', KeyModifiers::NO_MODIFIERS), history_request::NONE},
        {KeyboardEvent(26, KeyModifiers::NO_MODIFIERS), history_request::NONE},
        {KeyboardEvent(24, control), history_request::NONE},
        {KeyboardEvent(NamedKey::BACKSPACE, control), history_request::NONE},
    };
    for (auto const& [key, request] : keys) EXPECT_EQ(history_key(key), request) << key;
}
