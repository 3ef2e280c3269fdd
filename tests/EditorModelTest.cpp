// The editor's model without a display: how clicks, faces and edges grow it, which vertex a point
// picks, and the OBJ file it saves.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Model.h"
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

TEST_F(EditorFiles, ASaveThatCannotFinishWritingLeavesTheOldFileIntact) {
    write_file(folder / "model.obj", "v 1 2 3\n");
    model m;
    for (int i = 0; i < 2000; ++i) add_vertex_pair(m, 25 + i % 600, 87 + i % 270);

    // A file size limit makes the write itself fail, which permissions cannot do for root.
    signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool saved = save_model(m, folder / "model.obj");
    setrlimit(RLIMIT_FSIZE, &old_limit);

    EXPECT_FALSE(saved);
    EXPECT_EQ(fileText(folder / "model.obj"), "v 1 2 3\n");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"model.obj"});
}

TEST_F(EditorFiles, ASavedFileCanBeReadByOthers) {
    EXPECT_TRUE(save_model(model(), folder / "shared.obj"));

    auto permissions = fs::status(folder / "shared.obj").permissions();
    EXPECT_NE(permissions & fs::perms::others_read, fs::perms::none);
}
