// The editor's model without a display: how clicks, faces and edges grow it, how it is mended
// (moved, re-widthed, deleted from), which vertex or face a point picks, and the OBJ file it saves.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include "Model.h"
#include "SaveTargets.h"
#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

std::string obj_text(model const& m) {
    std::ostringstream out;
    write_obj(m, out);
    return out.str();
}

void write_file(fs::path const& file, std::string const& text) { std::ofstream(file, std::ios::binary) << text; }

// Window point of a canvas point: the model counts from the canvas's top-left corner.
int window_x(int canvas_x) { return area::canvas.x1 + canvas_x; }
int window_y(int canvas_y) { return area::canvas.y1 + canvas_y; }

// A fresh, empty folder for one test's files, removed afterwards.
class EditorFiles : public testing::Test {
protected:
    ScratchFolder folder{"tamsel-model"};
};

}  // namespace

TEST(EditorModel, WorkedExampleWritesItsLinesInOrder) {
    model m;
    add_vertex_pair(m, 125, 187);
    add_vertex_pair(m, 225, 187);
    add_vertex_pair(m, 125, 287);
    add_face(m, 0, 2, 4);
    add_edge(m, 0, 2);

    EXPECT_EQ(obj_text(m),
              "v 100 100 50\n"
              "v 100 100 -50\n"
              "v 200 100 50\n"
              "v 200 100 -50\n"
              "v 100 200 50\n"
              "v 100 200 -50\n"
              "f 1 3 5\n"
              "f 6 4 2\n"
              "f 3 1 4\n"
              "f 2 4 1\n");
}

TEST(EditorModel, AVertexPairLiesTheWidthInFrontOfAndBehindThePicture) {
    model m;
    m.width = 30;
    add_vertex_pair(m, 25, 87);

    EXPECT_EQ(obj_text(m), "v 0 0 30\nv 0 0 -30\n");
}

TEST(EditorModel, ANegativeWidthPutsTheFrontVertexBehind) {
    model m;
    m.width = -20;
    add_vertex_pair(m, 125, 187);

    EXPECT_EQ(obj_text(m), "v 100 100 -20\nv 100 100 20\n");
}

TEST(EditorModel, WidthZeroStillWritesBothTwins) {
    model m;
    m.width = 0;
    add_vertex_pair(m, 125, 187);

    EXPECT_EQ(obj_text(m), "v 100 100 0\nv 100 100 0\n");
}

TEST(EditorModel, ChangingTheWidthLeavesEarlierVerticesAsTheyWere) {
    model m;
    add_vertex_pair(m, 125, 187);
    m.width = 7;
    add_vertex_pair(m, 135, 197);

    EXPECT_EQ(obj_text(m), "v 100 100 50\nv 100 100 -50\nv 110 110 7\nv 110 110 -7\n");
}

TEST(EditorModel, AFaceOnOneVertexThreeTimesIsKeptDegenerate) {
    model m;
    add_vertex_pair(m, 125, 187);
    add_face(m, 0, 0, 0);

    EXPECT_EQ(obj_text(m), "v 100 100 50\nv 100 100 -50\nf 1 1 1\nf 2 2 2\n");
}

TEST(EditorModel, AnEdgeJoinsTheFrontSegmentToItsBackTwin) {
    model m;
    add_vertex_pair(m, 125, 187);
    add_vertex_pair(m, 225, 187);
    add_edge(m, 2, 0);

    ASSERT_EQ(m.faces.size(), 2u);
    EXPECT_EQ(obj_text(m).substr(obj_text(m).find('f')), "f 1 3 2\nf 4 2 3\n");
}

TEST(EditorModelPick, TheNearestFrontVertexIsPicked) {
    model m;
    add_vertex_pair(m, 100, 100);
    add_vertex_pair(m, 200, 100);
    add_vertex_pair(m, 300, 100);

    EXPECT_EQ(get_close_vert(m, 190, 120), 2);
    EXPECT_EQ(get_close_vert(m, 290, 80), 4);
}

TEST(EditorModelPick, WholePixelTiesGoToTheEarlierVertexEvenIfFarther) {
    model m;
    add_vertex_pair(m, window_x(13), window_y(12));  // 3.6 pixels from (10, 10)
    add_vertex_pair(m, window_x(13), window_y(11));  // 3.2 pixels: nearer, but also 3 whole pixels

    EXPECT_EQ(get_close_vert(m, window_x(10), window_y(10)), 0);
}

TEST(EditorModelPick, ABackVertexIsNeverPicked) {
    model m;
    add_vertex_pair(m, 400, 300);
    add_vertex_pair(m, 100, 100);

    EXPECT_EQ(get_close_vert(m, 100, 100), 2);
    EXPECT_EQ(get_close_vert(m, 400, 300), 0);
}

TEST(EditorModelPick, APointFarFromEveryVertexStillPicksTheNearest) {
    model m;
    add_vertex_pair(m, 30, 90);
    add_vertex_pair(m, 60, 90);

    EXPECT_EQ(get_close_vert(m, 699, 499), 2);
}

TEST(EditorModelPick, AnEmptyModelPicksNothing) {
    model m;

    EXPECT_EQ(get_close_vert(m, 100, 100), -1);
}

namespace {

// A model with a vertex pair at each canvas point, in order, at width 50.
model with_vertices(std::initializer_list<std::pair<int, int>> canvas_points) {
    model m;
    for (auto [x, y] : canvas_points) add_vertex_pair(m, window_x(x), window_y(y));
    return m;
}

}  // namespace

TEST(EditorModelPick, AVertexWithinReachIsPickedAndOneBeyondIsNot) {
    model m = with_vertices({{100, 100}, {200, 100}});

    EXPECT_EQ(get_vert_within(m, window_x(208), window_y(100), VERTEX_REACH), 2);
    EXPECT_EQ(get_vert_within(m, window_x(100), window_y(92), VERTEX_REACH), 0);
    // 8.06 pixels away: beyond reach, though it truncates to 8 whole pixels.
    EXPECT_EQ(get_vert_within(m, window_x(108), window_y(101), VERTEX_REACH), -1);
    EXPECT_EQ(get_vert_within(m, window_x(150), window_y(100), VERTEX_REACH), -1);
    EXPECT_EQ(get_vert_within(model(), window_x(100), window_y(100), VERTEX_REACH), -1);
}

TEST(EditorModelPick, WithinReachTheNearestFrontVertexIsPicked) {
    model m = with_vertices({{100, 100}, {104, 100}});

    EXPECT_EQ(get_vert_within(m, window_x(103), window_y(100), VERTEX_REACH), 2);
    EXPECT_EQ(get_vert_within(m, window_x(101), window_y(100), VERTEX_REACH), 0);
}

TEST(EditorModelEdit, AMovedVertexTakesItsTwinAlongAndKeepsTheirDepths) {
    model m = with_vertices({{100, 100}});
    m.width = 20;
    add_vertex_pair(m, window_x(200), window_y(100));
    add_edge(m, 0, 2);

    move_vertex_pair(m, 2, window_x(250), window_y(30));

    EXPECT_EQ(obj_text(m),
              "v 100 100 50\nv 100 100 -50\nv 250 30 20\nv 250 30 -20\n"
              "f 3 1 4\nf 2 4 1\n");
}

TEST(EditorModelEdit, AMoveBeyondTheCanvasStopsAtItsEdge) {
    model m = with_vertices({{100, 100}, {200, 100}});

    move_vertex_pair(m, 0, area::canvas.x1 - 40, area::canvas.y2 + 300);
    move_vertex_pair(m, 2, area::window_width + 10, -5);

    EXPECT_EQ(obj_text(m), "v 0 276 50\nv 0 276 -50\nv 651 0 50\nv 651 0 -50\n");
}

TEST(EditorModelEdit, AVertexWidthChangesThatPairOnly) {
    model m = with_vertices({{100, 100}, {200, 100}, {300, 100}});

    set_vertex_width(m, 2, 35);
    set_vertex_width(m, 4, -7);

    EXPECT_EQ(obj_text(m),
              "v 100 100 50\nv 100 100 -50\n"
              "v 200 100 35\nv 200 100 -35\n"
              "v 300 100 -7\nv 300 100 7\n");
}

// Deleting mends a model into the one the same clicks would have built without the deleted parts.
TEST(EditorModelEdit, ADeletedVertexTakesItsFacesAndEdgesAndTheRestAreRenumbered) {
    model edited = with_vertices({{10, 10}, {100, 10}, {100, 100}, {10, 100}});
    add_face(edited, 0, 2, 4);
    add_face(edited, 2, 4, 6);
    add_edge(edited, 0, 2);
    add_edge(edited, 4, 6);
    add_edge(edited, 6, 2);

    delete_vertex_pair(edited, 0);

    model from_scratch = with_vertices({{100, 10}, {100, 100}, {10, 100}});
    add_face(from_scratch, 0, 2, 4);
    add_edge(from_scratch, 2, 4);
    add_edge(from_scratch, 4, 0);
    EXPECT_EQ(obj_text(edited), obj_text(from_scratch));
}

TEST(EditorModelEdit, DeletingTheLastVertexLeavesTheOthersIndicesAlone) {
    model edited = with_vertices({{10, 10}, {100, 10}, {100, 100}});
    add_face(edited, 0, 2, 2);
    add_edge(edited, 4, 0);

    delete_vertex_pair(edited, 4);

    model from_scratch = with_vertices({{10, 10}, {100, 10}});
    add_face(from_scratch, 0, 2, 2);
    EXPECT_EQ(obj_text(edited), obj_text(from_scratch));
}

TEST(EditorModelEdit, DeletingTheOnlyVertexEmptiesTheModel) {
    model m = with_vertices({{10, 10}});
    add_face(m, 0, 0, 0);

    delete_vertex_pair(m, 0);

    EXPECT_EQ(obj_text(m), "");
}

TEST(EditorModelPick, TheFaceHoldingThePointIsPicked) {
    // Two triangles side by side, sharing the side from (100, 0) to (100, 100).
    model m = with_vertices({{0, 0}, {100, 0}, {100, 100}, {200, 100}});
    add_face(m, 0, 2, 4);
    add_face(m, 2, 6, 4);

    EXPECT_EQ(get_face_at(m, window_x(90), window_y(20)), 0);
    EXPECT_EQ(get_face_at(m, window_x(110), window_y(90)), 2);
    // On the shared side: both hold it, and the earlier face is picked.
    EXPECT_EQ(get_face_at(m, window_x(100), window_y(50)), 0);
}

TEST(EditorModelPick, OutsideEveryFaceTheNearestCentroidIsPicked) {
    model m = with_vertices({{0, 0}, {90, 0}, {0, 90}, {300, 0}, {300, 90}, {210, 90}});
    add_face(m, 0, 2, 4);   // centroid (30, 30)
    add_face(m, 6, 8, 10);  // centroid (270, 60)

    EXPECT_EQ(get_face_at(m, window_x(100), window_y(100)), 0);
    EXPECT_EQ(get_face_at(m, window_x(200), window_y(200)), 2);
}

TEST(EditorModelPick, EdgesAndFlatFacesHoldNoPoint) {
    model m = with_vertices({{0, 0}, {300, 0}, {150, 0}, {300, 10}, {310, 10}, {300, 20}});
    add_edge(m, 0, 2);
    add_face(m, 0, 2, 4);   // its corners on one line, which passes through the point below
    add_face(m, 6, 8, 10);  // a real triangle beside the point, its centroid nearer than the other's

    EXPECT_EQ(get_face_at(m, window_x(290), window_y(0)), 4);

    model edges_only = with_vertices({{0, 0}, {100, 0}});
    add_edge(edges_only, 0, 2);
    EXPECT_EQ(get_face_at(edges_only, window_x(50), window_y(0)), -1);
    EXPECT_EQ(get_face_at(model(), window_x(50), window_y(0)), -1);
}

// What adding draws again is what lies near it: the lines that may cross what was drawn, and the
// dots that may cross those lines; nothing far away.
TEST(EditorModelPick, OnlyTheMarksNearABoxAreDrawnOverIt) {
    model m = with_vertices({{0, 0}, {20, 0}, {0, 20}, {100, 200}, {500, 200}, {640, 20}});
    add_face(m, 0, 2, 4);  // far up left
    add_edge(m, 6, 8);     // a long line across the middle

    marks const across = marks_over(m, {300, 198, 300, 202}, 6);
    marks const apart = marks_over(m, {300, 100, 300, 100}, 6);

    EXPECT_EQ(across.faces, std::vector<std::size_t>{2});
    EXPECT_EQ(across.verts, (std::vector<std::size_t>{6, 8}));
    EXPECT_EQ(apart.faces, std::vector<std::size_t>{});
    EXPECT_EQ(apart.verts, std::vector<std::size_t>{});
}

// No vertex lies within reach of a point that far, though the nearest face is still found.
TEST(EditorModelPick, PointsAsFarAsAWholeNumberGoesPickNoVertexButTheNearestFace) {
    model m = with_vertices({{0, 0}, {651, 0}, {0, 276}, {651, 276}});
    add_face(m, 0, 2, 4);  // its centroid nearer the canvas's top-left corner
    add_face(m, 6, 4, 2);  // and this one's nearer the bottom-right
    int const most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();

    EXPECT_EQ(get_close_vert(m, window_x(651 + PICK_REACH + 1), window_y(276)), -1);
    EXPECT_EQ(get_close_vert(m, most, most), -1);
    EXPECT_EQ(get_close_vert(m, least, least), -1);
    EXPECT_EQ(get_vert_within(m, least, most, VERTEX_REACH), -1);
    EXPECT_EQ(get_face_at(m, least, least), 0);
    EXPECT_EQ(get_face_at(m, most, most), 2);
}

TEST(EditorModelEdit, ADeletedFaceTakesItsTwinAndLeavesTheRestInOrder) {
    model edited = with_vertices({{0, 0}, {100, 0}, {100, 100}, {200, 100}});
    add_face(edited, 0, 2, 4);
    add_edge(edited, 0, 2);
    add_face(edited, 2, 6, 4);

    delete_face(edited, get_face_at(edited, window_x(90), window_y(20)));

    model from_scratch = with_vertices({{0, 0}, {100, 0}, {100, 100}, {200, 100}});
    add_edge(from_scratch, 0, 2);
    add_face(from_scratch, 2, 6, 4);
    EXPECT_EQ(obj_text(edited), obj_text(from_scratch));
}

TEST(EditorModelEdit, AnEdgeIsDeletedWhicheverWayItsVerticesArePicked) {
    model edited = with_vertices({{0, 0}, {100, 0}, {100, 100}});
    add_edge(edited, 0, 2);
    add_face(edited, 0, 2, 4);
    add_edge(edited, 4, 2);

    EXPECT_FALSE(delete_edge(edited, 2, 0).empty());
    EXPECT_FALSE(delete_edge(edited, 4, 2).empty());

    model from_scratch = with_vertices({{0, 0}, {100, 0}, {100, 100}});
    add_face(from_scratch, 0, 2, 4);
    EXPECT_EQ(obj_text(edited), obj_text(from_scratch));
}

TEST(EditorModelEdit, WithoutAnEdgeBetweenTheVerticesNothingIsDeleted) {
    model m = with_vertices({{0, 0}, {100, 0}, {100, 100}});
    add_face(m, 0, 2, 4);  // its sides are no edges
    add_edge(m, 0, 2);
    std::string before = obj_text(m);

    EXPECT_TRUE(delete_edge(m, 2, 4).empty());
    EXPECT_TRUE(delete_edge(m, 0, 4).empty());
    EXPECT_EQ(obj_text(m), before);

    model empty;
    EXPECT_TRUE(delete_edge(empty, 0, 2).empty());
}

TEST_F(EditorFiles, SavingWritesTheFileUnderTheNameGiven) {
    model m;
    add_vertex_pair(m, 125, 187);
    add_face(m, 0, 0, 0);

    EXPECT_TRUE(save_model(m, folder / "Shape"));

    EXPECT_EQ(fileText(folder / "Shape"), "v 100 100 50\nv 100 100 -50\nf 1 1 1\nf 2 2 2\n");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"Shape"});
}

TEST_F(EditorFiles, SavingAnEmptyModelLeavesAnEmptyFileInPlaceOfTheOld) {
    write_file(folder / "old.obj", "v 1 2 3\n");

    EXPECT_TRUE(save_model(model(), folder / "old.obj"));

    EXPECT_EQ(fs::file_size(folder / "old.obj"), 0u);
}

TEST_F(EditorFiles, ARelativeNameSavesInTheCurrentFolder) {
    fs::path before = fs::current_path();
    fs::current_path(folder.path());
    model m;
    add_vertex_pair(m, 125, 187);
    bool saved = save_model(m, "here.obj");
    fs::current_path(before);

    EXPECT_TRUE(saved);
    EXPECT_EQ(fileText(folder / "here.obj"), "v 100 100 50\nv 100 100 -50\n");
}

TEST_F(EditorFiles, SavingIntoAFolderThatIsAFileFails) {
    write_file(folder / "plain", "not a folder");
    model m;
    add_vertex_pair(m, 125, 187);

    EXPECT_FALSE(save_model(m, folder / "plain" / "model.obj"));

    EXPECT_EQ(fileText(folder / "plain"), "not a folder");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"plain"});
}

TEST_F(EditorFiles, AFolderInTheWayOfTheNameFailsAndLeavesNoTemporaryFile) {
    fs::create_directory(folder / "model.obj");
    write_file(folder / "model.obj" / "inside", "kept");
    model m;
    add_vertex_pair(m, 125, 187);

    EXPECT_FALSE(save_model(m, folder / "model.obj"));

    EXPECT_EQ(fileText(folder / "model.obj" / "inside"), "kept");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"model.obj"});
}

namespace {

// Adds 2,000 vertex pairs: an OBJ file of some 40 KB.
void add_many_vertices(model& m) {
    for (int i = 0; i < 2000; ++i) add_vertex_pair(m, 25 + i % 600, 87 + i % 270);
}

// Saves with files limited to 4,096 bytes: the write itself fails, which permissions cannot make
// it do for root.
bool save_within_4096_bytes(model const& m, fs::path const& file) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool saved = save_model(m, file);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    return saved;
}

}  // namespace

TEST_F(EditorFiles, ASaveThatCannotFinishWritingLeavesTheOldFileIntact) {
    write_file(folder / "model.obj", "v 1 2 3\n");
    model m;
    add_many_vertices(m);

    EXPECT_FALSE(save_within_4096_bytes(m, folder / "model.obj"));
    EXPECT_EQ(fileText(folder / "model.obj"), "v 1 2 3\n");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"model.obj"});
}

TEST_F(EditorFiles, ASavedFileCanBeReadByOthers) {
    EXPECT_TRUE(save_model(model(), folder / "shared.obj"));

    auto permissions = fs::status(folder / "shared.obj").permissions();
    EXPECT_NE(permissions & fs::perms::others_read, fs::perms::none);
}

// The OBJ save goes through the library's saveFile, whose rules (modes, owners, other names,
// devices, other users) ImageFilesTest covers: one case here proves the editor uses it.

TEST_F(EditorFiles, SavingThroughALinkWritesTheFileItNames) {
    write_file(folder / "model.obj", "v 1 2 3\n");
    fs::create_symlink("model.obj", folder / "to-old.obj");
    fs::create_symlink("new.obj", folder / "to-new.obj");
    model m = with_vertices({{100, 100}});

    EXPECT_TRUE(save_model(m, folder / "to-old.obj"));
    EXPECT_TRUE(save_model(m, folder / "to-new.obj"));

    EXPECT_TRUE(fs::is_symlink(folder / "to-old.obj"));
    EXPECT_TRUE(fs::is_symlink(folder / "to-new.obj"));
    EXPECT_EQ(fileText(folder / "model.obj"), obj_text(m));
    EXPECT_EQ(fileText(folder / "new.obj"), obj_text(m));
}

namespace {

obj_reading read_text(std::string const& text) {
    std::istringstream in(text);
    return read_obj(in);
}

}  // namespace

// The file of every end-to-end session in EditorTest, read and written again, is the same text.
TEST(EditorModelRead, EveryFileTheEditorWroteReadsBackToTheSameText) {
    const std::string files[] = {
        "",
        "v 100 100 50\nv 100 100 -50\n",
        "v 0 0 50\nv 0 0 -50\nv 651 276 50\nv 651 276 -50\n",
        "v 100 100 50\nv 100 100 -50\nv 200 100 50\nv 200 100 -50\nv 100 200 50\nv 100 200 -50\n"
        "v 300 150 -20\nv 300 150 20\nf 1 3 5\nf 6 4 2\nf 3 1 4\nf 2 4 1\n",
        "v 100 100 50\nv 100 100 -50\nv 200 100 50\nv 200 100 -50\nv 100 200 50\nv 100 200 -50\n"
        "f 1 3 5\nf 6 4 2\n",
        fileText(BRINDLEWOOD_SOURCE_DIR "/tests/data/tamsel_mended.obj"),
        fileText(BRINDLEWOOD_SOURCE_DIR "/tests/data/tamsel_painted.obj"),
    };
    for (std::string const& text : files) {
        obj_reading reading = read_text(text);
        std::ostringstream again;
        write_obj(reading.m, again, "p.mtl");  // the painted session saved p.obj
        EXPECT_EQ(reading.problem, "");
        EXPECT_EQ(again.str(), text);
    }
}

TEST(EditorModelRead, ATextTamselDidNotWriteIsRefusedWhole) {
    const std::pair<std::string, std::string> refused[] = {
        {"v 1 2 3\nv 1 2 -3\nvt 0 0\n", "line 3 is not one Tamsel writes."},
        {"v 1.5 2 3\n", "line 1 is not one Tamsel writes."},
        {"v 1 2 3 \n", "line 1 is not one Tamsel writes."},
        {"# a comment\n", "line 1 is not one Tamsel writes."},
        {"v 1 2 3\r\nv 1 2 -3\r\n", "line 1 is not one Tamsel writes."},
        {"v 1 2 3\nv 1 2 -3\nf 1 1 3\nf 2 2 2\n", "line 3 is not one Tamsel writes."},
        {"v 1 2 3\nv 1 2 -3\nf 1 2 1\nf 2 1 2\n", "its faces are not in pairs."},
        {"v 1 2 3\nv 1 2 -3\nf 1 1 1\n", "its faces are not in pairs."},
        {"v 1 2 3\nv 1 2 3\n", "its vertices are not in front and back pairs."},
        {"v 1 2 3\nv 1 2 -3\nusemtl gold\nf 1 1 1\nf 2 2 2\n", "line 3 is not one Tamsel writes."},
        {"mtllib a.mtl\nv 1 2 3\nv 1 2 -3\nf 1 1 1\nusemtl red\nf 2 2 2\n", "its faces are not in pairs."},
        {"v 1 2 3\n", "its vertices are not in front and back pairs."},
        {"v 1 2 -2147483648\nv 1 2 5\n", "its vertices are not in front and back pairs."},
        {"v 1 2 3\nv 1 2 -3\nf -2147483648 1 1\nf 2 2 2\n", "line 3 is not one Tamsel writes."},
        // Vertices off the canvas, where no click puts one.
        {"v 652 0 50\nv 652 0 -50\n", "line 1 is not one Tamsel writes."},
        {"v 0 -1 50\nv 0 -1 -50\n", "line 1 is not one Tamsel writes."},
        {"v 20000 20000 50\nv 20000 20000 -50\n", "line 1 is not one Tamsel writes."},
        // Lines that Tamsel writes, but not in its order, or the last one not ended.
        {"v 1 2 3\nv 1 2 -3", "line 2 is not one Tamsel writes."},
        {"v 1 2 3\nv 1 2 -3\nf 1 1 1\nf 2 2 2\nv 5 6 7\nv 5 6 -7\n", "line 3 is not one Tamsel writes."},
        {"mtllib a.mtl\nv 1 2 3\nv 1 2 -3\n", "line 1 is not one Tamsel writes."},
        {"v 1 2 3\nv 1 2 -3\nmtllib a.mtl\nusemtl red\nf 1 1 1\nf 2 2 2\n", "line 1 is not one Tamsel writes."},
        {"mtllib a.mtl\nmtllib a.mtl\nv 1 2 3\nv 1 2 -3\nusemtl red\nf 1 1 1\nf 2 2 2\n",
         "line 2 is not one Tamsel writes."},
        {"mtllib a.mtl\nv 1 2 3\nv 1 2 -3\nusemtl blue\nf 1 1 1\nf 2 2 2\nusemtl red\nf 1 1 1\nf 2 2 2\n",
         "line 4 is not one Tamsel writes."},
        {"mtllib a.mtl\nv 1 2 3\nv 1 2 -3\nusemtl red\nf 1 1 1\nf 2 2 2\nusemtl red\nf 1 1 1\nf 2 2 2\n",
         "line 7 is not one Tamsel writes."},
        {"mtllib a.mtl\nv 1 2 3\nv 1 2 -3\nusemtl red\nusemtl blue\nf 1 1 1\nf 2 2 2\n",
         "line 4 is not one Tamsel writes."},
    };
    for (auto const& [text, problem] : refused) {
        obj_reading reading = read_text(text);
        EXPECT_EQ(reading.problem, problem) << text;
        EXPECT_EQ(obj_text(reading.m), "") << text;
    }
}

TEST_F(EditorFiles, AFileThatCannotBeReadIsAProblem) {
    fs::create_directory(folder / "folder.obj");
    fs::create_symlink("loop-b.obj", folder / "loop-a.obj");
    fs::create_symlink("loop-a.obj", folder / "loop-b.obj");
    ASSERT_EQ(mkfifo((folder / "fifo.obj").c_str(), 0600), 0);  // no program writes into it

    const std::string names[] = {folder / "missing.obj",         folder / "folder.obj", "",
                                 folder / std::string(300, 'n'), folder / "loop-a.obj", folder / "fifo.obj"};
    for (std::string const& name : names) EXPECT_EQ(open_model(name).problem, "it cannot be read.") << name;
}

using EditorFilesDeathTest = EditorFiles;

TEST_F(EditorFilesDeathTest, AFileInAFolderClosedToTheUserCannotBeRead) {
    if (getuid() != 0) GTEST_SKIP() << "Acting as another user needs root";
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::others_exec);
    fs::create_directory(folder / "closed");
    fs::permissions(folder / "closed", fs::perms::owner_all);
    write_file(folder / "closed" / "model.obj", "v 1 2 3\nv 1 2 -3\n");

    EXPECT_EXIT(
        {
            bool refused =
                becomeAnotherUser() && open_model(folder / "closed" / "model.obj").problem == "it cannot be read.";
            std::_Exit(refused ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^$");
}

TEST_F(EditorFiles, ASavedModelOpensAsItWasSaved) {
    model m = with_vertices({{0, 0}, {100, 0}, {100, 100}});
    set_vertex_width(m, 2, -9);
    add_face(m, 0, 2, 4);
    add_edge(m, 4, 0);
    ASSERT_TRUE(save_model(m, folder / "m.obj"));

    obj_reading reading = open_model(folder / "m.obj");

    EXPECT_EQ(reading.problem, "");
    EXPECT_EQ(obj_text(reading.m), obj_text(m));
}

namespace {

// Two faces and an edge on four vertices; the second face painted red and the first blue.
model painted_model() {
    model m = with_vertices({{0, 0}, {100, 0}, {100, 100}, {0, 100}});
    add_face(m, 0, 2, 4);
    add_edge(m, 0, 2);
    add_face(m, 0, 4, 6);
    paint_face(m, 4, 0);
    paint_face(m, 0, 5);
    return m;
}

}  // namespace

TEST(EditorModelColour, FacesAreWrittenUncolouredFirstThenByColourAfterTheirMaterial) {
    std::ostringstream obj, mtl;
    write_obj(painted_model(), obj, "shape.mtl");
    write_mtl(painted_model(), mtl);

    EXPECT_EQ(obj.str(),
              "mtllib shape.mtl\n"
              "v 0 0 50\nv 0 0 -50\nv 100 0 50\nv 100 0 -50\nv 100 100 50\nv 100 100 -50\nv 0 100 50\nv 0 100 -50\n"
              "f 3 1 4\nf 2 4 1\n"
              "usemtl red\nf 1 5 7\nf 8 6 2\n"
              "usemtl blue\nf 1 3 5\nf 6 4 2\n");
    EXPECT_EQ(mtl.str(), "newmtl red\nKd 1.0000 0.0000 0.0000\nnewmtl blue\nKd 0.1176 0.3137 0.8627\n");
}

TEST(EditorModelColour, TheMtlFileIsNamedAfterTheObjFile) {
    EXPECT_EQ(mtl_file_name("Slab.obj"), "Slab.mtl");
    EXPECT_EQ(mtl_file_name("models/a.obj"), "models/a.mtl");
    EXPECT_EQ(mtl_file_name("Slab"), "Slab.mtl");
    EXPECT_EQ(mtl_file_name("Slab.OBJ"), "Slab.OBJ.mtl");
    EXPECT_EQ(mtl_file_name("obj"), "obj.mtl");
}

// A model with colours saves both files or neither: where the OBJ file cannot be saved, a folder in
// the way or a write that fails part-way, the MTL file beside it is left as it was, or not made.
TEST_F(EditorFiles, AFailedSaveOfAModelWithColoursLeavesTheMtlFileAsItWas) {
    model big = painted_model();
    add_many_vertices(big);
    const std::function<bool()> failures[] = {
        [&] {
            fs::create_directory(folder / "shape.obj");
            return save_model(painted_model(), folder / "shape.obj");
        },
        [&] { return save_within_4096_bytes(big, folder / "shape.obj"); },
    };
    for (auto const& fail : failures)
        for (bool had_mtl : {true, false}) {
            fs::remove_all(folder / "shape.obj");
            fs::remove(folder / "shape.mtl");
            if (had_mtl) write_file(folder / "shape.mtl", "newmtl old\n");

            EXPECT_FALSE(fail());

            EXPECT_EQ(fs::exists(folder / "shape.mtl"), had_mtl);
            EXPECT_EQ(fileText(folder / "shape.mtl"), had_mtl ? "newmtl old\n" : "");
        }
}

// An MTL file that could not be put back, as a FIFO, is not written over, and nor is the OBJ file.
TEST_F(EditorFiles, AModelWithColoursIsNotSavedBesideAnMtlFileThatCouldNotBePutBack) {
    ASSERT_EQ(mkfifo((folder / "shape.mtl").c_str(), 0600), 0);

    EXPECT_FALSE(save_model(painted_model(), folder / "shape.obj"));

    EXPECT_TRUE(fs::is_fifo(folder / "shape.mtl"));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shape.mtl"});
}

TEST_F(EditorFiles, AModelWithColoursSavesItsMaterialsBesideIt) {
    ASSERT_TRUE(save_model(painted_model(), folder / "shape.obj"));

    std::ostringstream obj, mtl;
    write_obj(painted_model(), obj, "shape.mtl");
    write_mtl(painted_model(), mtl);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"shape.mtl", "shape.obj"}));
    EXPECT_EQ(fileText(folder / "shape.obj"), obj.str());
    EXPECT_EQ(fileText(folder / "shape.mtl"), mtl.str());
}
