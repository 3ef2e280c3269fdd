// The editor's undo history without a display: changes taken back and done again in turn, the
// width left as set, the thousand-step bound, and the keys that ask for a step.

#include <gtest/gtest.h>

#include <functional>
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
void add_vertex(history& steps, model& m, int x, int y) { steps.record(add_vertex_pair(m, x, y), "add vertex"); }

}  // namespace

TEST(EditorHistory, UndoTakesBackTheChangesInTurnAndRedoDoesThemAgain) {
    history steps;
    model m;
    add_vertex(steps, m, 125, 187);
    std::string one_vertex = obj_text(m);
    model_change change = add_vertex_pair(m, 225, 187);
    change.push_back(add_face(m, 0, 2, 0).front());
    steps.record(change, "add face");
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
    steps.record(set_vertex_width(m, 0, 50), "vertex width");

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

namespace {

// Four vertices, two faces (the second red), an edge: something for every kind of change to change.
model four_corners() {
    model m;
    for (auto [x, y] : {std::pair{25, 87}, {125, 87}, {125, 187}, {25, 187}}) add_vertex_pair(m, x, y);
    add_face(m, 0, 2, 4);
    add_edge(m, 2, 4);
    add_face(m, 0, 4, 6);
    paint_face(m, 4, 0);
    return m;
}

}  // namespace

TEST(EditorHistory, EveryKindOfChangeIsUndoneAndRedoneExactly) {
    model opened;
    add_vertex_pair(opened, 300, 300);
    const std::pair<const char*, std::function<model_change(model&)>> changes[] = {
        {"add vertex", [](model& m) { return add_vertex_pair(m, 400, 200); }},
        {"add face", [](model& m) { return add_face(m, 2, 4, 6); }},
        {"add edge", [](model& m) { return add_edge(m, 6, 0); }},
        {"move vertex", [](model& m) { return move_vertex_pair(m, 2, 300, 250); }},
        {"vertex width", [](model& m) { return set_vertex_width(m, 4, -9); }},
        {"delete vertex", [](model& m) { return delete_vertex_pair(m, 2); }},  // renumbers what follows
        {"delete vertex", [](model& m) { return delete_vertex_pair(m, 0); }},
        {"delete face", [](model& m) { return delete_face(m, 0); }},
        {"delete edge", [](model& m) { return delete_edge(m, 4, 2); }},
        {"paint face", [](model& m) { return paint_face(m, 0, 3); }},
        {"open model", [&](model& m) { return replace_model(m, opened); }},
        {"open model", [](model& m) { return replace_model(m, model()); }},
    };
    for (auto const& [what, change] : changes) {
        history steps;
        model m = four_corners();
        steps.record(change(m), what);
        std::string const changed = obj_text(m);
        ASSERT_NE(changed, obj_text(four_corners())) << what;

        EXPECT_EQ(steps.undo(m), what);
        EXPECT_EQ(obj_text(m), obj_text(four_corners())) << what;
        EXPECT_EQ(steps.redo(m), what);
        EXPECT_EQ(obj_text(m), changed) << what;
        steps.undo(m);
        EXPECT_EQ(obj_text(m), obj_text(four_corners())) << what;
    }
}

// A click keeps what it changed, not the model: a vertex pair or a face pair, however big the model.
TEST(EditorHistory, AChangeKeepsOnlyWhatItChanged) {
    model big;
    for (int i = 0; i < 100000; ++i) add_vertex_pair(big, 25 + i % 600, 87 + i % 270);
    for (int i = 0; i < 100000; i += 2) add_face(big, i, i + 2, i + 4);

    EXPECT_EQ(kept_bytes(add_vertex_pair(big, 300, 200)), 2 * sizeof(vert));
    EXPECT_EQ(kept_bytes(move_vertex_pair(big, 10, 310, 210)), 2 * sizeof(vert));
    EXPECT_EQ(kept_bytes(add_face(big, 0, 2, 4)), 2 * sizeof(face));
    EXPECT_EQ(kept_bytes(paint_face(big, 0, 1)), 2 * sizeof(face));
    EXPECT_EQ(kept_bytes(delete_face(big, 0)), 2 * sizeof(face));
    // The vertex pair and the three face pairs on it.
    EXPECT_EQ(kept_bytes(delete_vertex_pair(big, 1000)), 2 * sizeof(vert) + 6 * sizeof(face));
}

TEST(EditorHistory, BeyondTheBudgetTheOldestStepsAreForgottenButNeverTheLatest) {
    history steps(5 * 2 * sizeof(vert));  // five added vertex pairs
    model m;
    for (int i = 0; i < 7; ++i) add_vertex(steps, m, 100 + i, 100);

    int undone = 0;
    while (!steps.undo(m).empty()) ++undone;
    EXPECT_EQ(undone, 5);

    model big;
    for (int i = 0; i < 6; ++i) add_vertex_pair(big, 200 + i, 100);
    steps.record(replace_model(m, big), "open model");  // six pairs, beyond the budget alone
    EXPECT_EQ(steps.undo(m), "open model");
    EXPECT_EQ(m.verts.size(), 4u);
    EXPECT_EQ(steps.undo(m), "");
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
