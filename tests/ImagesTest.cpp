// Images as values and as pictures on screen: the cache shares one picture between the Images of
// a file and frees it with the last one; cut-outs and editable images; and, in a window, where
// plain and transformed drawings land and what a capture holds (pixels read back from the window).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Image.h"
#include "ReportPattern.h"
#include "TestWindow.h"
#include "Window.h"
#include "XDoTool.h"
#include "caches/ImageInstance.h"

using diagnostics::Kind;
using testing::KilledBySignal;

namespace {

using Bytes = std::vector<unsigned char>;
using Instance = Renderer::ImageInstance;

// A width by height picture, the top rows (picture rows 0 to split - 1) in one colour and the rest
// in another.
Image twoColoured(int width, int height, int split, const Color& top, const Color& bottom) {
    Image picture = Image::createEditable(width, height);
    Bytes store;
    for (int storeRow = 0; storeRow < height; ++storeRow) {
        const Color& c = height - 1 - storeRow < split ? top : bottom;  // store rows run bottom-up
        for (int i = 0; i < width; ++i)
            store.insert(store.end(), {c.getRed(), c.getGreen(), c.getBlue(), c.getAlpha()});
    }
    picture.setPixels(store);
    return picture;
}

Image solid(int width, int height, const Color& c) { return twoColoured(width, height, 0, c, c); }

// Whether the thread is waiting in openat, as a write-only open of a FIFO waits for its reader.
bool waitsToOpen(pid_t thread) {
    std::ifstream call("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    return call >> number && number == SYS_openat;
}

Bytes contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool near(const Color& actual, const Color& expected, int tolerance) {
    return std::abs(actual.getRed() - expected.getRed()) <= tolerance &&
           std::abs(actual.getGreen() - expected.getGreen()) <= tolerance &&
           std::abs(actual.getBlue() - expected.getBlue()) <= tolerance;
}

}  // namespace

// Works in a directory of its own under the build tree, removed afterwards.
class ImageFileDirectory : public testing::Test {
protected:
    void SetUp() override {
        directory = std::filesystem::path(BRINDLEWOOD_BINARY_DIR) / "test-images" /
                    testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    // Saves picture in the format its name ends with (jpg or png) and returns the path.
    std::string saved(const Image& picture, const std::string& name) {
        std::string path = (directory / name).string();
        picture.save(path, name.substr(name.size() - 3) == "jpg" ? Image::JPEG : Image::PNG);
        return path;
    }

    std::filesystem::path directory;
};

using ImageCacheTest = ImageFileDirectory;

TEST_F(ImageCacheTest, TwoImagesOfOneFileShareOnePicture) {
    std::string file = saved(solid(2, 2, Color::RED), "red.png");
    Image first(file, Image::PNG);
    Image second(file, Image::PNG);
    EXPECT_EQ(first, second);
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(file)), 2);
}

TEST_F(ImageCacheTest, AFileIsReadAgainOnceItsLastImageIsGone) {
    std::string file = saved(solid(2, 2, Color::RED), "picture.png");
    int firstHandle;
    {
        Image first(file, Image::PNG);
        Image second(file, Image::PNG);
        firstHandle = Instance::handleOfFile(file);
    }
    EXPECT_EQ(Instance::refCount(firstHandle), 0);
    EXPECT_EQ(Instance::getImageInstance(firstHandle), nullptr) << "the pixels are freed";
    saved(solid(3, 1, Color::BLUE), "picture.png");
    Image third(file, Image::PNG);
    EXPECT_EQ(third.getWidth(), 3);
    EXPECT_NE(Instance::handleOfFile(file), firstHandle);
}

TEST_F(ImageCacheTest, AFileInUseIsNotReadAgain) {
    std::string file = saved(solid(2, 2, Color::RED), "picture.png");
    Image first(file, Image::PNG);
    saved(solid(3, 1, Color::BLUE), "picture.png");
    Image second(file, Image::PNG);
    EXPECT_EQ(second.getWidth(), 2);
    EXPECT_EQ(second.getPixels(), first.getPixels());
}

TEST_F(ImageCacheTest, CopiesHoldAReferenceUntilTheyAreDestroyed) {
    std::string file = saved(solid(2, 2, Color::RED), "red.png");
    Image original(file, Image::PNG);
    int handle = Instance::handleOfFile(file);
    {
        Image copy(original);
        EXPECT_EQ(Instance::refCount(handle), 2);
    }
    EXPECT_EQ(Instance::refCount(handle), 1);
}

TEST_F(ImageCacheTest, AssigningAnImageToItselfKeepsItsCount) {
    std::string file = saved(solid(2, 2, Color::RED), "red.png");
    Image picture(file, Image::PNG);
    Image& same = picture;
    picture = same;
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(file)), 1);
    EXPECT_EQ(picture.getWidth(), 2);
}

TEST_F(ImageCacheTest, AssigningADefaultImageKeepsThePicture) {
    std::string file = saved(solid(2, 2, Color::RED), "red.png");
    Image picture(file, Image::PNG);
    Image before(picture);
    picture = Image();
    EXPECT_EQ(picture, before);
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(file)), 2);
}

TEST_F(ImageCacheTest, AssigningAnotherImageLetsGoOfTheOldPicture) {
    std::string redFile = saved(solid(2, 2, Color::RED), "red.png");
    std::string blueFile = saved(solid(3, 3, Color::BLUE), "blue.png");
    Image target(redFile, Image::PNG);
    Image source(blueFile, Image::PNG);
    target = source;
    EXPECT_EQ(target, source);
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(redFile)), 0);
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(blueFile)), 2);
}

TEST_F(ImageCacheTest, ImagesPrintTheirSizeAndType) {
    std::ostringstream text;
    text << Image() << ' ' << Image(saved(solid(4, 3, Color::RED), "red.png"), Image::PNG) << ' '
         << Image::createEditable(2, 5);
    EXPECT_EQ(text.str(), "Image(0, 0, NOT INITIALIZED) Image(4, 3, PNG) Image(2, 5, SCREEN)");
}

TEST_F(ImageCacheTest, SubImageCutsFromTheBottomLeftCorner) {
    // Picture rows 0 and 1 red, row 2 green: the bottom row is the green one.
    Image picture(saved(twoColoured(4, 3, 2, Color::RED, Color::GREEN), "picture.png"), Image::PNG);
    Image corner = picture.subImage(0, 0, 2, 2);
    EXPECT_EQ(corner.getWidth(), 2);
    EXPECT_EQ(corner.getType(), Image::PNG);
    EXPECT_EQ(corner.getPixels(), (Bytes{0, 255, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255}));
}

TEST_F(ImageCacheTest, SubImageBeyondTheSourceIsPaddedWithZeros) {
    Image picture = solid(4, 3, Color::BLUE);
    Image overhang = picture.subImage(3, 2, 2, 2);
    // Only the cut's bottom-left pixel lies on the source (its top-right pixel).
    Bytes expected(2 * 2 * 4, 0);
    expected[2] = 255;
    expected[3] = 255;
    EXPECT_EQ(overhang.getPixels(), expected);
    EXPECT_EQ(picture.subImage(-1, -1, 2, 2).getPixels(), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255}));
}

TEST_F(ImageCacheTest, SubImageOfAJpegKeepsThreeBytesAPixel) {
    Image jpeg(saved(solid(8, 8, Color::WHITE), "white.jpg"), Image::JPEG);
    Image cut = jpeg.subImage(2, 2, 3, 3);
    EXPECT_EQ(cut.getType(), Image::JPEG);
    EXPECT_EQ(cut.getPixels().size(), 3u * 3 * 3);
}

TEST_F(ImageCacheTest, SubImageOfADefaultImageIsADefaultImage) { EXPECT_EQ(Image().subImage(0, 0, 10, 10), Image()); }

TEST_F(ImageCacheTest, AnEditableImageStartsOpaqueWhite) {
    Image editable = Image::createEditable(3, 2);
    EXPECT_EQ(editable.getType(), Image::SCREEN);
    EXPECT_EQ(editable.getPixels(), Bytes(3 * 2 * 4, 255));
}

TEST_F(ImageCacheTest, AnEditableCopyOfAJpegGetsOpaqueAlpha) {
    Image jpeg(saved(solid(8, 8, Color::BLUE), "blue.jpg"), Image::JPEG);
    Image editable = jpeg.makeEditable();
    EXPECT_EQ(editable.getType(), Image::SCREEN);
    Bytes rgb = jpeg.getPixels();
    Bytes rgba = editable.getPixels();
    ASSERT_EQ(rgba.size(), 8u * 8 * 4);
    for (std::size_t p = 0; p < 8 * 8; ++p) {
        EXPECT_EQ(Bytes(rgba.begin() + p * 4, rgba.begin() + p * 4 + 3),
                  Bytes(rgb.begin() + p * 3, rgb.begin() + p * 3 + 3));
        EXPECT_EQ(rgba[p * 4 + 3], 255);
    }
}

TEST_F(ImageCacheTest, EditingAnEditableCopyLeavesTheFilesPictureAlone) {
    std::string file = saved(solid(2, 1, Color::RED), "red.png");
    Image picture(file, Image::PNG);
    Image editable = picture.makeEditable();
    editable.setPixels(Bytes(2 * 4, 0));
    EXPECT_EQ(Image(file, Image::PNG).getPixels(), (Bytes{255, 0, 0, 255, 255, 0, 0, 255}));
}

TEST_F(ImageCacheTest, SetPixelsIsSeenByEveryCopy) {
    Image editable = Image::createEditable(1, 1);
    Image copy = editable;
    editable.setPixels({1, 2, 3, 4});
    EXPECT_EQ(copy.getPixels(), (Bytes{1, 2, 3, 4}));
}

TEST_F(ImageCacheTest, ReleasingMoreOftenThanHeldReportsANegativeCount) {
    int handle = Instance::createEditableImage(1, 1);
    Renderer::ImageInstance::releaseImageHandle(handle);
    std::string output = stderrOf([&] { Renderer::ImageInstance::releaseImageHandle(handle); });
    EXPECT_PRED2(matchesWhole, output,
                 reportPattern(Kind::NON_FATAL_ASSERTION, "ImageInstance.cpp",
                               "Refcounts for an image handle have somehow become negative"));
}

TEST_F(ImageCacheTest, CopiesMadeOnTwoThreadsAtOnceKeepTheCountExact) {
    std::string file = saved(solid(4, 4, Color::RED), "red.png");
    Image shared(file, Image::PNG);
    auto copyMany = [&shared] {
        for (int i = 0; i < 20000; ++i) Image copy(shared);
    };
    std::thread other(copyMany);
    copyMany();
    other.join();
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(file)), 1);
}

using ImageCacheDeathTest = ImageCacheTest;

TEST_F(ImageCacheDeathTest, BumpingAFreedImageHalts) {
    int handle = Instance::createEditableImage(1, 1);
    Renderer::ImageInstance::releaseImageHandle(handle);
    EXPECT_EXIT(
        Renderer::ImageInstance::bumpImageRefCount(handle), KilledBySignal(SIGABRT),
        onlyReport(Kind::FATAL_ASSERTION, "ImageInstance.cpp", "Image has been destroyed; cannot bump refcount"));
}

TEST_F(ImageCacheDeathTest, PixelsOfTheWrongSizeHalt) {
    Image editable = Image::createEditable(2, 2);
    EXPECT_EXIT(
        editable.setPixels(Bytes(15)), KilledBySignal(SIGABRT),
        onlyReport(Kind::FATAL_ERROR, "ImageInstance.cpp", "The pixels given to an image do not match its size"));
}

TEST_F(ImageCacheDeathTest, SizesThatSixteenBitsCannotHoldHalt) {
    const std::string report =
        onlyReport(Kind::FATAL_ERROR, "ImageInstance.cpp", "An image must be between 0 and 65535 pixels wide and high");
    EXPECT_EXIT(Image::createEditable(-1, 4), KilledBySignal(SIGABRT), report);
    EXPECT_EXIT(Image::createEditable(4, 65536), KilledBySignal(SIGABRT), report);
    EXPECT_EXIT(Image::createEditable(4, 4).subImage(0, 0, 70000, 1), KilledBySignal(SIGABRT), report);
}

// A 300 by 200 window, shown and cleared to white before each test.
class ImageDrawingTest : public ImageFileDirectory {
protected:
    void SetUp() override {
        ImageFileDirectory::SetUp();
        waitUntilShown(window);
    }

    Window window{300, 200, "Images"};
};

TEST_F(ImageDrawingTest, PlainDrawPutsThePicturesTopLeftCornerAtThePosition) {
    window.drawImage(twoColoured(30, 20, 10, Color::GREEN, Color::RED), 50, 60);
    // The corners of the picture and the pixels just outside each of its sides.
    EXPECT_EQ(window.readPixel(50, 60), Color::GREEN);
    EXPECT_EQ(window.readPixel(79, 60), Color::GREEN);
    EXPECT_EQ(window.readPixel(50, 79), Color::RED);
    EXPECT_EQ(window.readPixel(79, 79), Color::RED);
    EXPECT_EQ(window.readPixel(49, 60), Color::WHITE);
    EXPECT_EQ(window.readPixel(50, 59), Color::WHITE);
    EXPECT_EQ(window.readPixel(80, 79), Color::WHITE);
    EXPECT_EQ(window.readPixel(79, 80), Color::WHITE);
}

TEST_F(ImageDrawingTest, JpegDrawsItsColours) {
    window.drawImage(Image(saved(solid(16, 16, Color(40, 120, 200)), "blue.jpg"), Image::JPEG), 10, 10);
    EXPECT_PRED3(near, window.readPixel(18, 18), Color(40, 120, 200), 3);
}

TEST_F(ImageDrawingTest, TransparentPixelsBlendWithWhatIsBeneath) {
    window.drawRectangleFilled(Style::RED, 0, 0, 100, 100);
    window.drawImage(twoColoured(40, 20, 10, Color(0, 0, 255, 0), Color(0, 0, 255, 128)), 20, 20);
    EXPECT_EQ(window.readPixel(25, 25), Color::RED) << "alpha 0 leaves the red";
    EXPECT_PRED3(near, window.readPixel(25, 35), Color(127, 0, 128), 2) << "alpha 128 mixes half and half";
}

TEST_F(ImageDrawingTest, AnImageDestroyedRightAfterDrawingIsStillDrawn) {
    std::string file = saved(solid(10, 10, Color::BLUE), "blue.png");
    {
        Image picture(file, Image::PNG);
        window.drawImage(picture, 100, 100);
    }
    EXPECT_EQ(window.readPixel(105, 105), Color::BLUE);
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(file)), 0) << "and freed once drawn";
}

TEST_F(ImageDrawingTest, TransformedImageTurnsClockwiseAboutItsTopLeftCorner) {
    // 40 wide, 20 high: the left half red, the right half blue.
    Image picture = Image::createEditable(40, 20);
    Bytes store;
    for (int p = 0; p < 40 * 20; ++p)
        store.insert(store.end(),
                     {Bytes::value_type(p % 40 < 20 ? 255 : 0), 0, Bytes::value_type(p % 40 < 20 ? 0 : 255), 255});
    picture.setPixels(store);
    window.drawImage(picture, 100, 100, Transform(90));
    // A quarter turn clockwise: the top edge now runs down from (100, 100), the picture lies to the left.
    EXPECT_EQ(window.readPixel(90, 110), Color::RED);
    EXPECT_EQ(window.readPixel(90, 130), Color::BLUE);
    EXPECT_EQ(window.readPixel(110, 110), Color::WHITE) << "where the unturned picture would be";
    EXPECT_EQ(window.readPixel(90, 145), Color::WHITE);
}

TEST_F(ImageDrawingTest, TransformedImageIsScaledFromItsTopLeftCorner) {
    window.drawImage(solid(20, 20, Color::GREEN), 100, 100, Transform(2.0, 0.5));
    EXPECT_EQ(window.readPixel(102, 102), Color::GREEN);
    EXPECT_EQ(window.readPixel(137, 107), Color::GREEN);
    EXPECT_EQ(window.readPixel(143, 105), Color::WHITE);
    EXPECT_EQ(window.readPixel(105, 113), Color::WHITE);
}

TEST_F(ImageDrawingTest, TransformedPictureWiderThanAnyTextureIsDrawnWhole) {
    // 16400 by 20: red but for its last 400 columns, blue; drawn a hundredth as wide.
    const int width = 16400;
    Image picture = Image::createEditable(width, 20);
    Bytes store;
    for (int p = 0; p < width * 20; ++p)
        store.insert(store.end(), {Bytes::value_type(p % width < width - 400 ? 255 : 0), 0,
                                   Bytes::value_type(p % width < width - 400 ? 0 : 255), 255});
    picture.setPixels(store);
    window.drawImage(picture, 10, 10, Transform(0.01, 1.0));
    EXPECT_EQ(window.readPixel(60, 20), Color::RED);
    EXPECT_EQ(window.readPixel(172, 20), Color::BLUE) << "columns past 16384, the most a texture may have here";
    EXPECT_EQ(window.readPixel(176, 20), Color::WHITE);
}

TEST_F(ImageDrawingTest, TransformedDrawShowsPixelsSetAfterAnEarlierOne) {
    Image picture = solid(20, 20, Color::RED);
    window.drawImage(picture, 10, 10, Transform(0));
    picture.setPixels(solid(20, 20, Color::BLUE).getPixels());
    window.drawImage(picture, 10, 10, Transform(0));
    EXPECT_EQ(window.readPixel(20, 20), Color::BLUE);
}

TEST_F(ImageDrawingTest, PlainDrawShowsWhateverPartOfThePictureLiesInTheWindow) {
    // A 40 by 40 picture, green on top and red below, reaching past each edge and corner of the
    // 300 by 200 window: each of four of its pixels that lands in the window shows its colour.
    struct Case {
        int x, y;
    };
    const Case cases[] = {{-20, 80}, {280, 80}, {130, -20}, {130, 180}, {-20, -20}, {280, 180}, {-20, 180}};
    for (const Case& c : cases) {
        window.clear();
        window.drawImage(twoColoured(40, 40, 20, Color::GREEN, Color::RED), c.x, c.y);
        for (auto [column, row] : {std::pair{25, 5}, std::pair{25, 35}, std::pair{5, 25}, std::pair{35, 25}}) {
            const int windowX = c.x + column, windowY = c.y + row;
            if (windowX < 0 || windowX >= 300 || windowY < 0 || windowY >= 200) continue;
            EXPECT_EQ(window.readPixel(windowX, windowY), row < 20 ? Color::GREEN : Color::RED)
                << "picture at (" << c.x << ", " << c.y << "), its pixel (" << column << ", " << row << ")";
        }
    }
}

TEST_F(ImageDrawingTest, CaptureHoldsWhatWasDrawnBottomRowFirst) {
    window.drawRectangleFilled(Style::RED, 10, 10, 50, 20);
    window.drawRectangleFilled(Style::BLUE, 10, 20, 50, 30);
    Image capture = window.createImage(20, 10, 4, 20);  // rows 10 to 19 red, 20 to 29 blue
    EXPECT_EQ(capture.getType(), Image::SCREEN);
    EXPECT_EQ(capture.getWidth(), 4);
    Bytes store = capture.getPixels();
    ASSERT_EQ(store.size(), 4u * 20 * 4);
    EXPECT_EQ(Bytes(store.begin(), store.begin() + 4), (Bytes{0, 0, 255, 255})) << "store row 0: the bottom";
    EXPECT_EQ(Bytes(store.end() - 4, store.end()), (Bytes{255, 0, 0, 255})) << "last store row: the top";
}

TEST_F(ImageDrawingTest, CaptureSavedAsJpegLosesAlphaAndReadsBackClose) {
    window.drawRectangleFilled(Style(Color(30, 160, 90), 1, Style::COPY_OP, std::vector<bool>(16, true)), 0, 0, 32, 32);
    Image capture = window.createImage(0, 0, 32, 32);
    Image jpeg(saved(capture, "capture.jpg"), Image::JPEG);
    EXPECT_EQ(jpeg.getType(), Image::JPEG);
    Bytes rgb = jpeg.getPixels();
    ASSERT_EQ(rgb.size(), 32u * 32 * 3);
    for (std::size_t p = 0; p < 32 * 32; ++p) {
        ASSERT_PRED3(near, Color(rgb[p * 3], rgb[p * 3 + 1], rgb[p * 3 + 2]), Color(30, 160, 90), 3) << "pixel " << p;
    }
}

TEST_F(ImageDrawingTest, CapturedAndRedrawnPictureMatchesTheOriginal) {
    window.drawRectangleFilled(Style::GREEN, 0, 0, 10, 5);
    window.drawRectangleFilled(Style::BLUE, 0, 5, 10, 10);
    window.drawImage(window.createImage(0, 0, 10, 10), 200, 100);
    EXPECT_EQ(window.readPixel(205, 102), Color::GREEN);
    EXPECT_EQ(window.readPixel(205, 107), Color::BLUE);
}

TEST_F(ImageDrawingTest, DrawingWhileAnotherThreadCopiesKeepsPictureAndCount) {
    std::string file = saved(solid(10, 10, Color::BLUE), "blue.png");
    Image picture(file, Image::PNG);
    std::thread copier([&picture] {
        for (int i = 0; i < 2000; ++i) Image copy(picture);
    });
    for (int i = 0; i < 50; ++i) window.drawImage(picture, 2 * i, 150, Transform(0));
    copier.join();
    EXPECT_EQ(window.readPixel(105, 155), Color::BLUE);
    EXPECT_EQ(Instance::refCount(Instance::handleOfFile(file)), 1) << "every drawing gave its reference back";
}

TEST_F(ImageDrawingTest, ASaveWaitingForItsFifoToBeReadHoldsUpNoOtherPicture) {
    const std::string fifo = (directory / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const Image picture = solid(8, 8, Color::BLUE);
    std::atomic<pid_t> saver{0};
    std::thread saving([&] {
        saver = static_cast<pid_t>(syscall(SYS_gettid));
        picture.save(fifo, Image::PNG);
    });
    ASSERT_TRUE(eventually([&] { return saver && waitsToOpen(saver); }));
    // Another thread's pictures meanwhile: a draw, a capture and a new picture.
    auto drawing = std::async(std::launch::async, [&] {
        window.drawImage(solid(10, 10, Color::RED), 20, 20);
        window.createImage(0, 0, 4, 4);
        Image::createEditable(2, 2);
        return window.readPixel(25, 25);
    });
    const bool drawn = drawing.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    const Bytes written = contentOf(fifo);  // the reader the save waits for
    saving.join();
    EXPECT_TRUE(drawn) << "the pictures waited for the FIFO to be read";
    EXPECT_EQ(drawing.get(), Color::RED);
    EXPECT_EQ(written, contentOf(saved(picture, "fresh.png")));
}

// An animation that makes a picture each frame and captures the window: neither the textures of
// the pictures let go of nor the driver's allocating them may add up.
TEST_F(ImageDrawingTest, PicturesMadeAndLetGoOfEachFrameKeepMemoryFlat) {
    long residentAfterFirstHundred = 0;
    for (int frame = 0; frame < 1000; ++frame) {
        window.drawImage(solid(64, 64, Color(frame % 256, 0, 0)), 10, 10);
        window.drawImage(window.createImage(0, 0, 300, 200), 0, 0);
        if (frame == 99) residentAfterFirstHundred = residentKilobytes();
    }
    EXPECT_EQ(window.readPixel(20, 20), Color(999 % 256, 0, 0));
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // they keep freed memory's records
    EXPECT_LE(residentKilobytes(), residentAfterFirstHundred * 11 / 10);
#endif
}

namespace {

// A width by height picture whose colour and alpha change across it: red across, green down,
// and alpha from see-through at its left edge to opaque at its right (opaque throughout when
// opaque is set).
Image shaded(int width, int height, bool opaque) {
    Image picture = Image::createEditable(width, height);
    Bytes store;
    for (int storeRow = 0; storeRow < height; ++storeRow)
        for (int column = 0; column < width; ++column)
            store.insert(store.end(), {Bytes::value_type(255 * column / width), Bytes::value_type(255 * storeRow / height),
                                       90, Bytes::value_type(opaque ? 255 : 255 * column / (width - 1))});
    picture.setPixels(store);
    return picture;
}

}  // namespace

TEST_F(ImageDrawingTest, PicturesOfEveryKindDrawTheirReferencePicturePixelForPixel) {
    // Over stripes, so that see-through pixels show what they blend with.
    for (int x = 0; x < 300; x += 20) window.drawRectangleFilled(Style::BLUE, x, 0, x + 10, 200);
    const Image seeThrough = shaded(32, 32, false), opaque = shaded(40, 30, true);
    const struct {
        const Image& picture;
        int x, y;
        double rotation, scaleX, scaleY;  // no transform when rotation is NaN
    } cases[] = {
        {seeThrough, 10, 10, NAN, 1, 1},   {opaque, 60, 10, NAN, 1, 1},       {seeThrough, -12, 60, NAN, 1, 1},
        {opaque, 280, 60, NAN, 1, 1},      {seeThrough, 120, -20, NAN, 1, 1}, {opaque, 150, 185, NAN, 1, 1},
        {seeThrough, 60, 80, 30, 1, 1},    {opaque, 160, 80, 0, 2, 1.5},      {seeThrough, 250, 150, 90, 1, 1},
        {opaque, 10, 150, 0, 0.5, 0.5},    {seeThrough, -10, 120, 45, 2, 2},
    };
    for (const auto& c : cases) {
        if (std::isnan(c.rotation))
            window.drawImage(c.picture, c.x, c.y);
        else
            window.drawImage(c.picture, c.x, c.y, Transform(c.rotation, c.scaleX, c.scaleY));
    }
    // One picture many times in a row, across a flip and around a rectangle drawn in between.
    for (int i = 0; i < 4; ++i) window.drawImage(seeThrough, 90 + 10 * i, 110);
    window.flipPage();
    window.drawImage(seeThrough, 130, 110);
    window.drawRectangleFilled(Style::RED, 140, 120, 150, 130);
    window.drawImage(seeThrough, 140, 110);
    // Drawn in order with the primitives around it, and with the pixels set last before each draw.
    Image editable = shaded(30, 20, true);
    window.drawRectangleFilled(Style::GREEN, 200, 10, 220, 60);
    window.drawImage(editable, 210, 20);
    window.drawLine(Style::BLACK, 200, 35, 260, 35);
    window.drawImage(editable, 215, 45);
    window.readPixel(0, 0);
    editable.setPixels(shaded(30, 20, false).getPixels());
    window.drawImage(editable, 230, 30);
    const Image drawn = window.createImage(0, 0, 300, 200);
    const std::string reference = BRINDLEWOOD_SOURCE_DIR "/tests/data/images_drawn.png";
    const bool same = std::filesystem::exists(reference) && drawn.getPixels() == Image(reference, Image::PNG).getPixels();
    if (!same) drawn.save(BRINDLEWOOD_BINARY_DIR "/images_drawn.png", Image::PNG);
    EXPECT_TRUE(same) << "what was drawn is in the build folder as images_drawn.png";
}
