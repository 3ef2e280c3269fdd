// Image files as a user sees them, with no window: what a saved PNG or JPEG holds (read back with
// libpng, libjpeg and the system's own checkers), what files of every PNG layout load as, and how
// missing, foreign and damaged files are refused. Fixtures are written here with libpng and libjpeg.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "Image.h"
#include "ReportPattern.h"
#include "SaveTargets.h"
#include "TestWindow.h"
#include "caches/ImageInstance.h"

using diagnostics::Kind;
using testing::KilledBySignal;

namespace {

using Bytes = std::vector<unsigned char>;

// A PNG as libpng takes it: rows top first, packed for the colour type and depth.
struct PngPicture {
    PngPicture(int width, int height, int colorType, std::vector<Bytes> rows, int bitDepth = 8)
        : width(width), height(height), colorType(colorType), bitDepth(bitDepth), rows(std::move(rows)) {}

    int width;
    int height;
    int colorType;
    int bitDepth;
    std::vector<Bytes> rows;
    std::vector<png_color> palette;
    Bytes paletteAlpha;           // tRNS for a palette picture
    bool hasClearColour = false;  // tRNS for a grey or RGB picture
    png_color_16 clearColour{};
    int interlace = PNG_INTERLACE_NONE;
};

void writePng(const std::string& path, const PngPicture& picture) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType, picture.interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty())
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    if (!picture.paletteAlpha.empty())
        png_set_tRNS(png, info, picture.paletteAlpha.data(), static_cast<int>(picture.paletteAlpha.size()), nullptr);
    if (picture.hasClearColour) png_set_tRNS(png, info, nullptr, 0, &picture.clearColour);
    png_write_info(png, info);
    // png_write_image writes every pass of an interlaced picture.
    std::vector<png_bytep> rows;
    for (const Bytes& row : picture.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// A PNG file exactly as stored, with no conversion.
struct PngFile {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colorType = 0;
    int bitDepth = 0;
    int interlace = 0;
    std::vector<Bytes> rows;  // top first
};

PngFile readPng(const std::string& path) {
    PngFile result;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return result;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_get_IHDR(png, info, &result.width, &result.height, &result.bitDepth, &result.colorType, &result.interlace,
                 nullptr, nullptr);
    png_bytepp rows = png_get_rows(png, info);
    for (png_uint_32 r = 0; r < result.height; ++r)
        result.rows.emplace_back(rows[r], rows[r] + png_get_rowbytes(png, info));
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return result;
}

// How a JPEG sends its coefficients: all in one scan, in libjpeg's usual progression (10 scans for
// colour, 6 for grey), or each band of one coefficient of one component in a scan of its own.
enum class Scans { ONE, PROGRESSIVE, BAND_BY_BAND };

// Components 1 (grey), 3 (RGB) or 4 (ink: cyan, magenta, yellow, black), stored in the file as
// libjpeg's default for them or as fileColours; libjpeg marks 4-component files with an Adobe marker
// unless adobeMarker is false.
void writeJpeg(const std::string& path, int width, int height, int components, const Bytes& topFirstPixels,
               J_COLOR_SPACE fileColours = JCS_UNKNOWN, bool adobeMarker = true, bool arithmetic = false,
               Scans scans = Scans::ONE) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct encoder;
    jpeg_error_mgr errors;
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    jpeg_stdio_dest(&encoder, file);
    encoder.image_width = width;
    encoder.image_height = height;
    encoder.input_components = components;
    encoder.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&encoder);
    if (fileColours != JCS_UNKNOWN) jpeg_set_colorspace(&encoder, fileColours);
    encoder.write_Adobe_marker = encoder.write_Adobe_marker && adobeMarker;
    encoder.arith_code = arithmetic;
    jpeg_set_quality(&encoder, 100, TRUE);
    std::vector<jpeg_scan_info> bands{{components, {0, 1, 2, 3}, 0, 0, 0, 0}};
    for (int c = 0; c < components; ++c)
        for (int k = 1; k < DCTSIZE2; ++k) bands.push_back({1, {c}, k, k, 0, 0});
    if (scans == Scans::PROGRESSIVE) jpeg_simple_progression(&encoder);
    if (scans == Scans::BAND_BY_BAND) {
        encoder.scan_info = bands.data();
        encoder.num_scans = static_cast<int>(bands.size());
    }
    jpeg_start_compress(&encoder, TRUE);
    while (encoder.next_scanline < encoder.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(topFirstPixels.data()) + encoder.next_scanline * width * components;
        jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
    std::fclose(file);
}

// A JPEG file decoded as it stands, with what its header says about how it was made.
struct JpegFile {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
    bool allQuantisersOne = false;  // what quality 100 makes
    Bytes pixels;                   // top first
};

JpegFile readJpeg(const std::string& path) {
    JpegFile result;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return result;
    jpeg_decompress_struct decoder;
    jpeg_error_mgr errors;
    decoder.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    result.progressive = decoder.progressive_mode;
    result.allQuantisersOne = true;
    for (JQUANT_TBL* table : decoder.quant_tbl_ptrs) {
        if (!table) continue;
        for (UINT16 value : table->quantval) result.allQuantisersOne = result.allQuantisersOne && value == 1;
    }
    jpeg_start_decompress(&decoder);
    result.width = decoder.output_width;
    result.height = decoder.output_height;
    result.components = decoder.output_components;
    result.pixels.resize(std::size_t(result.width) * result.height * result.components);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = result.pixels.data() + decoder.output_scanline * result.width * result.components;
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    return result;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A store (rows bottom first) from rows listed top first, as a picture is read.
Bytes storeOf(const std::vector<Bytes>& topFirstRows) {
    Bytes store;
    for (auto row = topFirstRows.rbegin(); row != topFirstRows.rend(); ++row)
        store.insert(store.end(), row->begin(), row->end());
    return store;
}

// A 5 by 3 picture in which every byte differs, alpha included, so any swap of rows, pixels or
// channels shows.
std::vector<Bytes> distinctRgbaRows() {
    std::vector<Bytes> rows(3);
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 5 * 4; ++i) rows[r].push_back(static_cast<unsigned char>(10 + r * 80 + i * 3));
    return rows;
}

// The offset of the first chunk of the given type in a PNG file, or 0.
// The data length of the PNG chunk at offset (big-endian, as every PNG number).
std::size_t chunkLength(const Bytes& file, std::size_t offset) {
    return (std::size_t(file[offset]) << 24) | (file[offset + 1] << 16) | (file[offset + 2] << 8) | file[offset + 3];
}

std::size_t chunkOffset(const Bytes& file, const char* type) {
    for (std::size_t at = 8; at + 8 <= file.size();) {
        std::size_t length = chunkLength(file, at);
        if (std::equal(type, type + 4, file.begin() + at + 4)) return at;
        at += 12 + length;
    }
    return 0;
}

// The offset of the first JPEG marker FF code, or 0.
std::size_t markerOffset(const Bytes& file, unsigned char code) {
    const unsigned char marker[] = {0xFF, code};
    auto found = std::search(file.begin(), file.end(), std::begin(marker), std::end(marker));
    return found == file.end() ? 0 : found - file.begin();
}

// Recomputes the CRC of the chunk at offset, so that a changed chunk reaches the decoder.
void fixCrc(Bytes& file, std::size_t offset) {
    std::size_t length = chunkLength(file, offset);
    uLong crc = crc32(0, file.data() + offset + 4, static_cast<uInt>(length + 4));
    for (int i = 0; i < 4; ++i) file[offset + 8 + length + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
}

// A picture of random bytes, alpha included: it compresses to about its own size as PNG and as JPEG.
Image noise(int width, int height) {
    Image picture = Image::createEditable(width, height);
    Bytes store(std::size_t(width) * height * 4);
    std::mt19937 random(20240607);
    for (unsigned char& byte : store) byte = static_cast<unsigned char>(random());
    picture.setPixels(store);
    return picture;
}

// Ink amounts (0 for none) of a 16 by 8 picture: red ink (magenta and yellow) in the top four
// rows, half black below.
Bytes inkOfRedOverGrey() {
    const Bytes red = {0, 255, 255, 0};
    const Bytes halfBlack = {0, 0, 0, 128};
    Bytes ink;
    for (int p = 0; p < 16 * 8; ++p) {
        const Bytes& pixel = p < 16 * 4 ? red : halfBlack;
        ink.insert(ink.end(), pixel.begin(), pixel.end());
    }
    return ink;
}

// Ink as Adobe's programs store it, 255 for none.
Bytes inverted(Bytes ink) {
    for (unsigned char& amount : ink) amount = static_cast<unsigned char>(255 - amount);
    return ink;
}

// The peak resident memory, in kilobytes, of a child process that does what it is given.
long peakKilobytesOf(const std::function<void()>& work) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stderr);
        work();
        std::_Exit(0);
    }
    int status = 0;
    rusage usage{};
    EXPECT_EQ(wait4(child, &status, 0, &usage), child);
    return usage.ru_maxrss;
}

// The peak resident memory, in kilobytes, of a child process that loads the file (as a PNG unless
// told otherwise).
long peakKilobytesOfLoading(const std::string& file, Image::Type type = Image::PNG) {
    return peakKilobytesOf([&] { Image(file, type); });
}

// The id of a process that has ended: it names no process now.
pid_t endedProcess() {
    const pid_t child = fork();
    if (child == 0) std::_Exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// Makes a write that takes a file past size bytes kill this process, as a kill half-way through a
// save would, and leave no core file.
void dieOnWritingPast(rlim_t size) {
    prctl(PR_SET_DUMPABLE, 0);
    std::signal(SIGXFSZ, SIG_DFL);
    const rlimit limit{size, size};
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Enters a user namespace in which this user is root, for a user who is not.
bool becomeRootInAUserNamespace() {
    const std::string uid = std::to_string(getuid());
    const std::string gid = std::to_string(getgid());
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " + uid + " 1";
    std::ofstream("/proc/self/gid_map") << "0 " + gid + " 1";
    return true;
}

// Mounts a 64 KB tmpfs on folder, in a mount namespace of this process's own so that it shows
// nowhere else and vanishes with the process. Returns why that failed, or "".
std::string mountSmallDisk(const std::filesystem::path& folder) {
    if (unshare(CLONE_NEWNS) != 0 && !becomeRootInAUserNamespace()) return std::strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return std::strerror(errno);
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) return std::strerror(errno);
    return "";
}

}  // namespace

class ImageFilesTest : public testing::Test {
protected:
    void SetUp() override {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        directory = std::filesystem::path(BRINDLEWOOD_BINARY_DIR) / "test-images" / test->name();
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::string path(const std::string& name) const { return (directory / name).string(); }

    // The distinct 5 by 3 picture, saved with the library as PNG.
    std::string savedDistinctPng() {
        Image picture = Image::createEditable(5, 3);
        picture.setPixels(storeOf(distinctRgbaRows()));
        picture.save(path("distinct.png"), Image::PNG);
        return path("distinct.png");
    }

    // A 16 by 8 JPEG: red on top, blue below, written with libjpeg, Huffman or arithmetic coded.
    std::string redOverBlueJpeg(bool arithmetic = false) {
        Bytes pixels;
        for (int r = 0; r < 8; ++r)
            for (int i = 0; i < 16; ++i)
                pixels.insert(pixels.end(),
                              {Bytes::value_type(r < 4 ? 255 : 0), 0, Bytes::value_type(r < 4 ? 0 : 255)});
        writeJpeg(path("red-over-blue.jpg"), 16, 8, 3, pixels, JCS_UNKNOWN, true, arithmetic);
        return path("red-over-blue.jpg");
    }

    // The red-over-blue JPEG with a frame header that declares another size.
    Bytes jpegDeclaring(unsigned short width, unsigned short height, bool arithmetic = false) {
        return declaring(readFile(redOverBlueJpeg(arithmetic)), width, height);
    }

    // A JPEG of one grey, width by 64 pixels arithmetic-coded by libjpeg, with a frame header that
    // then declares height rows: arithmetic coding reads what is missing as zeros, so that the few
    // hundred bytes hold the whole picture in that grey.
    Bytes arithmeticGreyDeclaring(unsigned short width, unsigned short height, int components, Scans scans) {
        writeJpeg(path("grey.jpg"), width, 64, components, Bytes(std::size_t(width) * 64 * components, 128),
                  JCS_UNKNOWN, true, true, scans);
        return declaring(readFile(path("grey.jpg")), width, height);
    }

    // The JPEG with its frame header (FF C0 baseline, C9 arithmetic, CA progressive arithmetic:
    // length, precision, height, width) declaring another size.
    static Bytes declaring(Bytes file, unsigned short width, unsigned short height) {
        std::size_t sof = 0;
        for (unsigned char frame : {0xC0, 0xC9, 0xCA}) sof = sof ? sof : markerOffset(file, frame);
        file[sof + 5] = height >> 8;
        file[sof + 6] = height & 0xFF;
        file[sof + 7] = width >> 8;
        file[sof + 8] = width & 0xFF;
        return file;
    }

    // A valid 4 by 4 RGB PNG for the damaged-file cases to start from.
    Bytes smallPng() {
        writePng(path("small.png"), PngPicture(4, 4, PNG_COLOR_TYPE_RGB, std::vector<Bytes>(4, Bytes(12, 200))));
        return readFile(path("small.png"));
    }

    // The small PNG with a header that declares another size.
    Bytes pngDeclaring(png_uint_32 width, png_uint_32 height) {
        Bytes file = smallPng();
        std::size_t ihdr = chunkOffset(file, "IHDR");
        for (int i = 0; i < 4; ++i) {
            file[ihdr + 8 + i] = static_cast<unsigned char>(width >> (24 - 8 * i));
            file[ihdr + 12 + i] = static_cast<unsigned char>(height >> (24 - 8 * i));
        }
        fixCrc(file, ihdr);
        return file;
    }

    // Loading these bytes as a PNG writes libpng's lines (a pattern) and then halts the loader.
    void expectLibpngRefuses(const Bytes& file, const std::string& libpngLines) {
        writeFile(path("damaged.png"), file);
        EXPECT_EXIT(Image(path("damaged.png"), Image::PNG), KilledBySignal(SIGABRT),
                    "^" + libpngLines +
                        reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Error creating the specified image") + "$");
    }

    // Loading these bytes as a JPEG writes libjpeg's one line (a pattern) and then halts the loader,
    // naming the file beneath the report when it is no JPEG at all.
    void expectLibjpegRefuses(const Bytes& file, const std::string& libjpegLine, bool isJpeg = true) {
        writeFile(path("damaged.jpg"), file);
        EXPECT_EXIT(Image(path("damaged.jpg"), Image::JPEG), KilledBySignal(SIGABRT),
                    "^" + libjpegLine + "\n" +
                        reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Error creating the specified image") +
                        (isJpeg ? "" : detailPattern("File \"" + path("damaged.jpg") + "\": not a JPEG")) + "$");
    }

    // The small PNG's signature and header, then a chunk of the type that declares 2^31 - 1
    // bytes and holds 4: 45 bytes in all.
    Bytes pngWithAChunkClaimingGigabytes(const std::string& type) {
        Bytes png = smallPng();
        Bytes file(png.begin(), png.begin() + chunkOffset(png, "IHDR") + 12 + 13);
        file.insert(file.end(), {0x7F, 0xFF, 0xFF, 0xFF});
        file.insert(file.end(), type.begin(), type.end());
        file.insert(file.end(), 4, 0);
        return file;
    }

    // The names in the test's folder, sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(directory))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    // What a save of picture as a PNG into a new file of its own holds, to compare other saves with.
    Bytes freshSave(const Image& picture) {
        picture.save(path("fresh.png"), Image::PNG);
        const Bytes saved = readFile(path("fresh.png"));
        std::filesystem::remove(path("fresh.png"));
        return saved;
    }

    // A file's name, of length characters in all, in folders made for it in the test's folder: its
    // own name is short, so that any longer name beside it would pass length.
    std::string pathOfLength(std::size_t length) {
        const std::string file = "/image.png";
        std::string folder = directory.string();
        while (folder.size() + file.size() < length) {
            folder += "/" + std::string(std::min<std::size_t>(200, length - file.size() - folder.size() - 1), 'f');
            mkdir(folder.c_str(), 0755);
        }
        return folder + file;
    }

    // The store that the library loads from the picture written as a PNG file.
    Bytes loadedStore(const PngPicture& picture) {
        writePng(path("fixture.png"), picture);
        return Image(path("fixture.png"), Image::PNG).getPixels();
    }

    std::filesystem::path directory;
};

TEST(PixelRowOrderTest, AFilesFirstRowIsTheStoresLastRow) {
    unsigned char store[3 * 2] = {};
    EXPECT_EQ(Renderer::ImageInstance::fileRow(store, 2, 3, 0), store + 4);
    EXPECT_EQ(Renderer::ImageInstance::fileRow(store, 2, 3, 1), store + 2);
    EXPECT_EQ(Renderer::ImageInstance::fileRow(store, 2, 3, 2), store + 0);
}

TEST_F(ImageFilesTest, PngWrittenAndReadBackIsTheSameByteForByte) {
    Image loaded(savedDistinctPng(), Image::PNG);
    EXPECT_EQ(loaded.getWidth(), 5);
    EXPECT_EQ(loaded.getHeight(), 3);
    EXPECT_EQ(loaded.getType(), Image::PNG);
    EXPECT_EQ(loaded.getPixels(), storeOf(distinctRgbaRows()));
}

TEST_F(ImageFilesTest, SavedPngIsEightBitRgbaWithThePicturesTopRowFirst) {
    PngFile file = readPng(savedDistinctPng());
    EXPECT_EQ(file.width, 5u);
    EXPECT_EQ(file.height, 3u);
    EXPECT_EQ(file.colorType, PNG_COLOR_TYPE_RGBA);
    EXPECT_EQ(file.bitDepth, 8);
    EXPECT_EQ(file.interlace, PNG_INTERLACE_NONE);
    EXPECT_EQ(file.rows, distinctRgbaRows());
}

TEST_F(ImageFilesTest, SavedPngIsUnfilteredAndMaximallyCompressed) {
    Bytes file = readFile(savedDistinctPng());
    std::size_t idat = chunkOffset(file, "IDAT");
    ASSERT_NE(idat, 0u);
    std::size_t length = chunkLength(file, idat);
    // A deflate stream whose zlib header says level 3 of 3, "maximum compression", for level 9.
    EXPECT_EQ(file[idat + 8] & 0x0F, 8);
    EXPECT_EQ(file[idat + 9] >> 6, 3);
    Bytes raw(3 * (1 + 5 * 4));
    uLongf rawLength = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawLength, file.data() + idat + 8, length), Z_OK);
    ASSERT_EQ(rawLength, raw.size());
    for (int row = 0; row < 3; ++row) EXPECT_EQ(raw[row * (1 + 5 * 4)], 0) << "filter of row " << row;
}

TEST_F(ImageFilesTest, SavedPngPassesPngcheck) {
    std::string file = savedDistinctPng();
    EXPECT_EQ(std::system(("pngcheck -q " + file + " > /dev/null").c_str()), 0);
}

TEST_F(ImageFilesTest, SavedJpegIsBaselineAtQualityHundredAndPassesDjpeg) {
    Image::createEditable(16, 16).save(path("white.jpg"), Image::JPEG);
    JpegFile file = readJpeg(path("white.jpg"));
    EXPECT_FALSE(file.progressive);
    EXPECT_TRUE(file.allQuantisersOne);
    EXPECT_EQ(std::system(("djpeg -outfile /dev/null " + path("white.jpg") + " 2>&1").c_str()), 0);
}

TEST_F(ImageFilesTest, SavedJpegHasThePicturesTopRowFirst) {
    Image picture = Image::createEditable(16, 8);
    Bytes store = picture.getPixels();
    for (std::size_t p = 0; p < 16 * 4; ++p) store[p * 4 + 1] = 0;  // bottom four rows magenta
    picture.setPixels(store);
    picture.save(path("white-over-magenta.jpg"), Image::JPEG);
    JpegFile file = readJpeg(path("white-over-magenta.jpg"));
    ASSERT_EQ(file.pixels.size(), 16u * 8 * 3);
    EXPECT_NEAR(file.pixels[1], 255, 4) << "top row is white";
    EXPECT_NEAR(file.pixels[7 * 16 * 3 + 1], 0, 4) << "bottom row is magenta";
}

TEST_F(ImageFilesTest, JpegLoadsAsThreeBytesAPixelWithItsBottomRowFirst) {
    Image loaded(redOverBlueJpeg(), Image::JPEG);
    EXPECT_EQ(loaded.getType(), Image::JPEG);
    Bytes store = loaded.getPixels();
    ASSERT_EQ(store.size(), 16u * 8 * 3);
    // Store row 0 is the blue bottom of the picture, the last row its red top.
    EXPECT_NEAR(store[0], 0, 4);
    EXPECT_NEAR(store[2], 255, 4);
    EXPECT_NEAR(store[store.size() - 3], 255, 4);
    EXPECT_NEAR(store[store.size() - 1], 0, 4);
}

TEST_F(ImageFilesTest, JpegImageSavedAsPngGetsOpaqueAlpha) {
    Image jpeg(redOverBlueJpeg(), Image::JPEG);
    jpeg.save(path("converted.png"), Image::PNG);
    Image png(path("converted.png"), Image::PNG);
    Bytes rgb = jpeg.getPixels();
    Bytes rgba = png.getPixels();
    ASSERT_EQ(rgba.size(), 16u * 8 * 4);
    for (std::size_t p = 0; p < 16 * 8; ++p) {
        EXPECT_EQ(rgba[p * 4 + 3], 255) << "pixel " << p;
        EXPECT_EQ(Bytes(rgba.begin() + p * 4, rgba.begin() + p * 4 + 3),
                  Bytes(rgb.begin() + p * 3, rgb.begin() + p * 3 + 3));
    }
}

TEST_F(ImageFilesTest, PngImageSavedAsJpegLosesItsAlphaAndKeepsItsColours) {
    Image picture = Image::createEditable(16, 16);
    Bytes store(16 * 16 * 4);
    for (std::size_t p = 0; p < 16 * 16; ++p) {
        store[p * 4] = 40;
        store[p * 4 + 1] = 120;
        store[p * 4 + 2] = 200;
        store[p * 4 + 3] = static_cast<unsigned char>(p);  // any alpha: it is dropped, not blended
    }
    picture.setPixels(store);
    picture.save(path("opaque.jpg"), Image::JPEG);
    Image jpeg(path("opaque.jpg"), Image::JPEG);
    Bytes rgb = jpeg.getPixels();
    ASSERT_EQ(rgb.size(), 16u * 16 * 3);
    for (std::size_t p = 0; p < 16 * 16; ++p) {
        EXPECT_NEAR(rgb[p * 3], 40, 3);
        EXPECT_NEAR(rgb[p * 3 + 1], 120, 3);
        EXPECT_NEAR(rgb[p * 3 + 2], 200, 3);
    }
}

TEST_F(ImageFilesTest, GreyJpegLoadsAsRgb) {
    writeJpeg(path("grey.jpg"), 8, 8, 1, Bytes(64, 90));
    Image grey(path("grey.jpg"), Image::JPEG);
    Bytes store = grey.getPixels();
    ASSERT_EQ(store.size(), 8u * 8 * 3);
    for (unsigned char value : store) EXPECT_NEAR(value, 90, 2);
}

TEST_F(ImageFilesTest, CmykJpegLoadsAsRgb) {
    auto expectRedOverGrey = [&](const std::string& name) {
        SCOPED_TRACE(name);
        Image loaded(path(name), Image::JPEG);
        Bytes store = loaded.getPixels();
        ASSERT_EQ(store.size(), 16u * 8 * 3);
        // Store row 0 is the bottom of the picture: half black is mid grey; the last row is red.
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(store[c], 127, 3);
        EXPECT_NEAR(store[store.size() - 3], 255, 3);
        EXPECT_NEAR(store[store.size() - 2], 0, 3);
        EXPECT_NEAR(store[store.size() - 1], 0, 3);
    };
    // Adobe's programs, which make most CMYK files, store ink inverted and say so with the Adobe
    // marker that libjpeg writes too; the marker may also say the ink went through YCC first.
    writeJpeg(path("adobe.jpg"), 16, 8, 4, inverted(inkOfRedOverGrey()));
    expectRedOverGrey("adobe.jpg");
    writeJpeg(path("ycck.jpg"), 16, 8, 4, inverted(inkOfRedOverGrey()), JCS_YCCK);
    expectRedOverGrey("ycck.jpg");
    // Without the marker, ink is stored as it is.
    writeJpeg(path("plain.jpg"), 16, 8, 4, inkOfRedOverGrey(), JCS_CMYK, false);
    expectRedOverGrey("plain.jpg");
}

TEST_F(ImageFilesTest, GreyPngLoadsAsOpaqueRgb) {
    EXPECT_EQ(loadedStore(PngPicture(2, 1, PNG_COLOR_TYPE_GRAY, {{30, 220}})),
              (Bytes{30, 30, 30, 255, 220, 220, 220, 255}));
}

TEST_F(ImageFilesTest, TwoBitGreyPngWidensToEightBits) {
    // One byte holds the four levels 0, 1, 2, 3.
    EXPECT_EQ(loadedStore(PngPicture(4, 1, PNG_COLOR_TYPE_GRAY, {{0b00011011}}, 2)),
              (Bytes{0, 0, 0, 255, 85, 85, 85, 255, 170, 170, 170, 255, 255, 255, 255, 255}));
}

TEST_F(ImageFilesTest, GreyPngWithAlphaKeepsItsAlpha) {
    EXPECT_EQ(loadedStore(PngPicture(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, {{77, 128}})), (Bytes{77, 77, 77, 128}));
}

TEST_F(ImageFilesTest, PalettePngLoadsItsColoursOpaque) {
    PngPicture picture(2, 1, PNG_COLOR_TYPE_PALETTE, {{1, 0}});
    picture.palette = {{10, 20, 30}, {200, 100, 50}};
    EXPECT_EQ(loadedStore(picture), (Bytes{200, 100, 50, 255, 10, 20, 30, 255}));
}

TEST_F(ImageFilesTest, PalettePngWithTransparencyLoadsItsAlpha) {
    PngPicture picture(2, 1, PNG_COLOR_TYPE_PALETTE, {{1, 0}});
    picture.palette = {{10, 20, 30}, {200, 100, 50}};
    picture.paletteAlpha = {0, 180};
    EXPECT_EQ(loadedStore(picture), (Bytes{200, 100, 50, 180, 10, 20, 30, 0}));
}

TEST_F(ImageFilesTest, RgbPngWithAClearColourMakesThatColourTransparent) {
    PngPicture picture(2, 1, PNG_COLOR_TYPE_RGB, {{1, 2, 3, 4, 5, 6}});
    picture.hasClearColour = true;
    picture.clearColour.red = 1;
    picture.clearColour.green = 2;
    picture.clearColour.blue = 3;
    EXPECT_EQ(loadedStore(picture), (Bytes{1, 2, 3, 0, 4, 5, 6, 255}));
}

TEST_F(ImageFilesTest, SixteenBitPngKeepsTheHighBytes) {
    PngPicture picture(1, 2, PNG_COLOR_TYPE_RGB,
                       {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, {0xFF, 0xFF, 0x00, 0x01, 0x80, 0x00}}, 16);
    // Bottom row first in the store.
    EXPECT_EQ(loadedStore(picture), (Bytes{0xFF, 0x00, 0x80, 255, 0x12, 0x56, 0x9A, 255}));
}

TEST_F(ImageFilesTest, InterlacedPngLoadsSilentlyWithEveryPixelInPlace) {
    // 9 by 9 pixels fill all seven passes, and 9 * 9 * 3 distinct bytes show any misplaced one.
    std::vector<Bytes> rows(9);
    std::vector<Bytes> opaqueRows(9);
    for (int r = 0; r < 9; ++r)
        for (int i = 0; i < 9; ++i) {
            const unsigned char red = static_cast<unsigned char>(r * 27 + i * 3);
            rows[r].insert(rows[r].end(), {red, Bytes::value_type(red + 1), Bytes::value_type(red + 2)});
            opaqueRows[r].insert(opaqueRows[r].end(),
                                 {red, Bytes::value_type(red + 1), Bytes::value_type(red + 2), 255});
        }
    PngPicture picture(9, 9, PNG_COLOR_TYPE_RGB, rows);
    picture.interlace = PNG_INTERLACE_ADAM7;
    Bytes store;
    EXPECT_EQ(stderrOf([&] { store = loadedStore(picture); }), "");
    EXPECT_EQ(store, storeOf(opaqueRows));
}

TEST_F(ImageFilesTest, PngWithAChunkClaimingGigabytesCostsOnlyAFewMegabytes) {
    writeFile(path("small.png"), smallPng());
    const long loadingASmallPng = peakKilobytesOfLoading(path("small.png"));
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT"}) {
        writeFile(path("hostile.png"), pngWithAChunkClaimingGigabytes(type));
        EXPECT_LT(peakKilobytesOfLoading(path("hostile.png")), loadingASmallPng + 8 * 1024) << type;
    }
}

TEST_F(ImageFilesTest, CheckImageSaysWhetherAFileCanBeLoaded) {
    std::string png = savedDistinctPng();
    std::string jpeg = redOverBlueJpeg();
    writeFile(path("text.txt"), {'h', 'e', 'l', 'l', 'o', ' ', 't', 'h', 'e', 'r', 'e'});
    EXPECT_TRUE(Image::checkImage(png, Image::PNG));
    EXPECT_FALSE(Image::checkImage(jpeg, Image::PNG));
    EXPECT_FALSE(Image::checkImage(path("text.txt"), Image::PNG));
    EXPECT_FALSE(Image::checkImage(path("absent.png"), Image::PNG));
    EXPECT_TRUE(Image::checkImage(jpeg, Image::JPEG));
    EXPECT_FALSE(Image::checkImage(png, Image::JPEG));
    EXPECT_FALSE(Image::checkImage(path("text.txt"), Image::JPEG));
    EXPECT_FALSE(Image::checkImage(path("absent.jpg"), Image::JPEG));
}

TEST_F(ImageFilesTest, CheckImageRefusesRandomBytesAsJpeg) {
    Bytes noise(5000);
    std::mt19937 random(5);
    for (unsigned char& byte : noise) byte = static_cast<unsigned char>(random());
    ASSERT_FALSE(noise[0] == 0xFF && noise[1] == 0xD8) << "the noise must not start as a JPEG does";
    writeFile(path("noise.jpg"), noise);
    EXPECT_FALSE(Image::checkImage(path("noise.jpg"), Image::JPEG));
}

TEST_F(ImageFilesTest, SaveLeavesJustTheFileWithTheModeOfAnyNewFile) {
    const mode_t usual = umask(027);
    Image::createEditable(2, 2).save(path("picture.png"), Image::PNG);
    Image::createEditable(2, 2).save(path("picture.jpg"), Image::JPEG);
    umask(usual);
    EXPECT_EQ(names(), (std::vector<std::string>{"picture.jpg", "picture.png"}));
    using std::filesystem::perms;
    for (const char* name : {"picture.jpg", "picture.png"})
        EXPECT_EQ(std::filesystem::status(path(name)).permissions(),
                  perms::owner_read | perms::owner_write | perms::group_read)
            << name;
}

TEST_F(ImageFilesTest, CheckImageQuietlyRefusesFilesThatStartWellButCannotBeDecoded) {
    Bytes png = smallPng();
    Bytes corruptPng = png;
    corruptPng[chunkOffset(png, "IDAT") + 8] = 0x00;  // no longer a zlib header
    fixCrc(corruptPng, chunkOffset(png, "IDAT"));
    Bytes jpeg = readFile(redOverBlueJpeg());
    const std::pair<Bytes, Image::Type> files[] = {
        {Bytes(png.begin(), png.begin() + 8), Image::PNG},
        {Bytes(png.begin(), png.begin() + chunkOffset(png, "IDAT") + 12), Image::PNG},
        {corruptPng, Image::PNG},
        {pngDeclaring(20000, 20000), Image::PNG},
        {Bytes(jpeg.begin(), jpeg.begin() + 2), Image::JPEG},
        {Bytes(jpeg.begin(), jpeg.end() - 40), Image::JPEG},
        {jpegDeclaring(20000, 20000), Image::JPEG},
    };
    int n = 0;
    for (const auto& [bytes, type] : files) {
        writeFile(path("damaged"), bytes);
        EXPECT_EQ(stderrOf([&] { EXPECT_FALSE(Image::checkImage(path("damaged"), type)) << "file " << n; }), "");
        ++n;
    }
}

TEST_F(ImageFilesTest, CheckImageRejectsAFileShorterThanTheSignature) {
    writeFile(path("short.png"), {0x89, 'P', 'N', 'G'});
    EXPECT_FALSE(Image::checkImage(path("short.png"), Image::PNG));
}

// Saving over what a name already stands for: the save writes the file the name reaches, as a
// direct write would, keeps what that file is, and leaves no temporary behind.

TEST_F(ImageFilesTest, SaveThroughASymbolicLinkWritesTheFileItNames) {
    const Image picture = noise(8, 8);
    const Bytes expected = freshSave(picture);
    std::filesystem::create_directory(path("sub"));
    writeFile(path("sub/old.png"), {1, 2, 3});
    writeFile(path("sub/third.png"), {1, 2, 3});
    std::filesystem::create_symlink("sub/third.png", path("to-third.png"));
    struct Case {
        std::string link;
        std::string holds;
        std::string named;
    };
    for (const Case& c : {Case{"to-old.png", "sub/old.png", "sub/old.png"},
                          Case{"to-new.png", path("sub/new.png"), "sub/new.png"},  // absolute, to no file yet
                          Case{"to-link.png", "to-third.png", "sub/third.png"}}) {
        std::filesystem::create_symlink(c.holds, path(c.link));
        picture.save(path(c.link), Image::PNG);
        EXPECT_TRUE(std::filesystem::is_symlink(path(c.link))) << c.link;
        EXPECT_EQ(readFile(path(c.named)), expected) << c.link;
    }
}

TEST_F(ImageFilesTest, SaveKeepsTheFilesModeAndOwner) {
    writeFile(path("picture.png"), {1, 2, 3});
    ASSERT_EQ(chmod(path("picture.png").c_str(), 0640), 0);
    const bool root = chown(path("picture.png").c_str(), 1234, 5678) == 0;
    const mode_t usual = umask(022);  // under which a new file would get 0644
    noise(8, 8).save(path("picture.png"), Image::PNG);
    umask(usual);
    struct stat saved {};
    ASSERT_EQ(stat(path("picture.png").c_str(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(saved.st_uid, 1234u);
        EXPECT_EQ(saved.st_gid, 5678u);
    }
}

TEST_F(ImageFilesTest, SaveWritesEveryNameOfAFile) {
    writeFile(path("first.png"), {1, 2, 3});
    ASSERT_EQ(link(path("first.png").c_str(), path("second.png").c_str()), 0);
    const Image picture = noise(8, 8);
    picture.save(path("first.png"), Image::PNG);
    EXPECT_EQ(readFile(path("second.png")), freshSave(picture));
    EXPECT_TRUE(std::filesystem::equivalent(path("first.png"), path("second.png")));
}

TEST_F(ImageFilesTest, SaveWritesIntoADeviceOrFifoWithoutReplacingIt) {
    if (!makeDeviceLike(path("null"), "/dev/null")) GTEST_SKIP() << "Making a device node needs root";
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0666), 0);
    // Open for reading and writing, the FIFO has a reader when the save opens it, and never blocks.
    const int fifo = open(path("fifo").c_str(), O_RDWR | O_NONBLOCK);
    const Image picture = noise(8, 8);  // a few hundred bytes: they fit in the FIFO
    picture.save(path("null"), Image::PNG);
    picture.save(path("fifo"), Image::PNG);
    Bytes received(65536);
    received.resize(std::max<ssize_t>(read(fifo, received.data(), received.size()), 0));
    close(fifo);
    EXPECT_EQ(received, freshSave(picture));
    EXPECT_TRUE(std::filesystem::is_character_file(path("null")));
    EXPECT_TRUE(std::filesystem::is_fifo(path("fifo")));
}

TEST_F(ImageFilesTest, SaveTakesTheLongestPathThatADirectOpenTakes) {
    const std::string longest = pathOfLength(PATH_MAX - 1);
    const Image picture = noise(8, 8);
    picture.save(longest, Image::PNG);  // a new file
    picture.save(longest, Image::PNG);  // over an old one
    EXPECT_EQ(readFile(longest), freshSave(picture));
}

using ImageFilesDeathTest = ImageFilesTest;

TEST_F(ImageFilesDeathTest, EmptyFileNameHaltsLoadingAndSaving) {
    const std::string report = onlyReport(Kind::FATAL_ERROR, "Image.cpp", "\"\" is an invalid filename for an image");
    EXPECT_EXIT(Image("", Image::PNG), KilledBySignal(SIGABRT), report);
    EXPECT_EXIT(Image::createEditable(2, 2).save("", Image::PNG), KilledBySignal(SIGABRT), report);
}

TEST_F(ImageFilesDeathTest, SavingAsScreenHaltsEvenForAScreenImage) {
    EXPECT_EXIT(
        Image::createEditable(2, 2).save(path("x"), Image::SCREEN), KilledBySignal(SIGABRT),
        onlyReport(Kind::FATAL_ERROR, "ImageFiles.cpp", "Can't save an image to type SCREEN, it isn't a file format"));
}

TEST_F(ImageFilesDeathTest, LoadingAsScreenHalts) {
    std::string png = savedDistinctPng();
    EXPECT_EXIT(Image(png, Image::SCREEN), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ERROR, "ImageInstance.cpp",
                           "Can't load an image of type SCREEN, it isn't a file format"));
}

TEST_F(ImageFilesDeathTest, MissingFilesHaltNamingTheFile) {
    EXPECT_EXIT(Image(path("absent.png"), Image::PNG), KilledBySignal(SIGABRT),
                "^" + reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Can't open the specified image") +
                    detailPattern("File \"" + path("absent.png") + "\": no such file") + "$");
    EXPECT_EXIT(Image(path("absent.jpg"), Image::JPEG), KilledBySignal(SIGABRT),
                "^" + reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Can't open specified image") +
                    detailPattern("File \"" + path("absent.jpg") + "\": no such file") + "$");
}

TEST_F(ImageFilesDeathTest, FailedSavesNameTheFileAndWhy) {
    std::filesystem::create_directory(path("folder.png"));
    writeFile(path("file"), {1, 2, 3});
    unlink(path("full").c_str());  // a death test's child runs the test again up to its statement
    const bool root = makeDeviceLike(path("full"), "/dev/full");
    const struct {
        std::string name;
        const char* report;
        const char* reason;
    } cases[] = {
        {"folder.png", "Error opening the specified file", "a folder"},
        {"no/such/picture.png", "Error opening the specified file", "no such folder"},
        {"file/picture.png", "Error opening the specified file", "no such folder"},
        {"full", "Error opening writing the specified file", "not written in full: the disk may be full"},
    };
    for (const auto& c : cases) {
        if (c.name == "full" && !root) continue;  // making a device node needs root
        for (const Image::Type type : {Image::PNG, Image::JPEG})
            EXPECT_EXIT(noise(8, 8).save(path(c.name), type), KilledBySignal(SIGABRT),
                        "^" + reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", c.report) +
                            detailPattern("File \"" + path(c.name) + "\": " + c.reason) + "$")
                << c.name;
    }
    EXPECT_EQ(readFile(path("file")), (Bytes{1, 2, 3}));
}

// Saves as another user, who cannot reach the build folder when it lies in a private home: these
// tests work in a folder of the system's temporary folder that every user may enter. Their death
// tests fork rather than start the test afresh, so that the child works in the parent's folder.
class AnotherUserDeathTest : public ImageFilesTest {
protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() / ("brindlewood-another-user-" + std::to_string(getpid()));
        if (getuid() != 0) GTEST_SKIP() << "Acting as another user needs root";
        std::filesystem::create_directory(directory);
        std::filesystem::permissions(directory,
                                     std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
        ASSERT_TRUE(anotherUserCanEnter(directory))
            << directory << " is closed to other users: set TMPDIR to a folder that every user may enter";
        GTEST_FLAG_SET(death_test_style, "fast");
    }
};

TEST_F(AnotherUserDeathTest, CannotSaveOverAReadOnlyFileNorIntoAReadOnlyFolder) {
    using std::filesystem::perms;
    const auto expectRefused = [&](const std::string& name) {
        EXPECT_EXIT(
            {
                if (becomeAnotherUser()) noise(8, 8).save(path(name), Image::PNG);
            },
            KilledBySignal(SIGABRT),
            "^" + reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Error opening the specified file") +
                detailPattern("File \"" + path(name) + "\": not writable") + "$");
    };
    // Anyone may make files in the folder, with or without the sticky bit that guards others' files.
    for (const perms folderMode : {perms::all, perms::all | perms::sticky_bit}) {
        std::filesystem::create_directory(path("shared"));
        std::filesystem::permissions(path("shared"), folderMode);
        writeFile(path("shared/picture.png"), {1, 2, 3});
        std::filesystem::permissions(path("shared/picture.png"),
                                     perms::owner_read | perms::group_read | perms::others_read);
        expectRefused("shared/picture.png");
        EXPECT_EQ(readFile(path("shared/picture.png")), (Bytes{1, 2, 3}));
    }
    std::filesystem::permissions(path("shared"), perms::owner_all | perms::others_read | perms::others_exec);
    expectRefused("shared/new.png");
    EXPECT_FALSE(std::filesystem::exists(path("shared/new.png")));
}

TEST_F(AnotherUserDeathTest, SavesAWritableFileInAFolderClosedToThem) {
    using std::filesystem::perms;
    std::filesystem::create_directory(path("closed"));
    std::filesystem::permissions(path("closed"), perms::owner_all | perms::others_exec);
    writeFile(path("closed/picture.png"), {1, 2, 3});
    std::filesystem::permissions(path("closed/picture.png"), perms::owner_read | perms::others_write);
    const Image picture = noise(8, 8);
    EXPECT_EXIT(
        {
            if (becomeAnotherUser()) picture.save(path("closed/picture.png"), Image::PNG);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "^$");
    EXPECT_EQ(readFile(path("closed/picture.png")), freshSave(picture));
}

TEST_F(ImageFilesDeathTest, SavesKilledHalfWayLeaveNothingAfterTheNextSave) {
    const Image picture = noise(64, 64);  // some 16 KB
    picture.save(path("picture.png"), Image::PNG);
    // What a save killed earlier leaves where the file system has no unnamed files.
    writeFile(path(".saving-" + std::to_string(endedProcess()) + "-0"), {1, 2, 3});
    EXPECT_EXIT(
        {
            dieOnWritingPast(4096);
            picture.save(path("picture.png"), Image::PNG);
        },
        KilledBySignal(SIGXFSZ), "");
    picture.save(path("picture.png"), Image::PNG);
    EXPECT_EQ(names(), std::vector<std::string>{"picture.png"});
}

TEST_F(ImageFilesDeathTest, JpegThatLibjpegCannotWriteHaltsAndLeavesNoFile) {
    EXPECT_EXIT(Image::createEditable(65501, 1).save(path("wide.jpg"), Image::JPEG), KilledBySignal(SIGABRT),
                "^Maximum supported image dimension is 65500 pixels\n" +
                    reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Error opening writing the specified file") +
                    "$");
    EXPECT_EQ(names(), std::vector<std::string>{});
}

TEST_F(ImageFilesDeathTest, NullArgumentsOfTheLoadersHalt) {
    unsigned short side = 0;
    unsigned char* data = nullptr;
    const std::string name = savedDistinctPng();
    using Instance = Renderer::ImageInstance;
    auto assertion = [](const char* message) { return onlyReport(Kind::FATAL_ASSERTION, "ImageFiles.cpp", message); };
    for (auto load : {&Instance::pngload, &Instance::jpegload}) {
        EXPECT_EXIT(load(nullptr, &side, &side, &data), KilledBySignal(SIGABRT),
                    assertion("Passed a null pointer for the filename"));
        EXPECT_EXIT(load(name.c_str(), &side, &side, nullptr), KilledBySignal(SIGABRT),
                    assertion("Passed a null pointer for the image data"));
        EXPECT_EXIT(load(name.c_str(), nullptr, &side, &data), KilledBySignal(SIGABRT),
                    assertion("Passed a null pointer for the width"));
        EXPECT_EXIT(load(name.c_str(), &side, nullptr, &data), KilledBySignal(SIGABRT),
                    assertion("Passed a null pointer for the height"));
    }
    unsigned char pixel[4] = {};
    EXPECT_EXIT(Instance::pngsave(nullptr, 1, 1, pixel), KilledBySignal(SIGABRT),
                assertion("Passed a null pointer for the filename"));
    EXPECT_EXIT(Instance::pngsave(path("x.png").c_str(), 1, 1, nullptr), KilledBySignal(SIGABRT),
                assertion("Passed a null pointer for the image data"));
}

TEST_F(ImageFilesDeathTest, NullSizePointersOfTheCacheHalt) {
    int side = 0;
    const std::string name = savedDistinctPng();
    EXPECT_EXIT(Renderer::ImageInstance::getImageHandle(name, Image::PNG, nullptr, &side), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ASSERTION, "ImageInstance.cpp", "Passed a null pointer for the width"));
    EXPECT_EXIT(Renderer::ImageInstance::getImageHandle(name, Image::PNG, &side, nullptr), KilledBySignal(SIGABRT),
                onlyReport(Kind::FATAL_ASSERTION, "ImageInstance.cpp", "Passed a null pointer for the height"));
}

// Damaged and foreign PNG files: the signature check refuses what is not a PNG at all; libpng
// writes its own message for anything it cannot decode, then the loader halts.

TEST_F(ImageFilesDeathTest, FileThatIsNotAPngHaltsAsPngSayingSo) {
    for (const Bytes& file :
         {Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '!'}, Bytes{}, readFile(redOverBlueJpeg())}) {
        writeFile(path("other.png"), file);
        EXPECT_EXIT(Image(path("other.png"), Image::PNG), KilledBySignal(SIGABRT),
                    "^" + reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Can't open the specified image") +
                        detailPattern("File \"" + path("other.png") + "\": not a PNG") + "$");
    }
}

TEST_F(ImageFilesDeathTest, PngWithOnlyItsSignatureHalts) {
    Bytes file = smallPng();
    expectLibpngRefuses(Bytes(file.begin(), file.begin() + 8), "libpng error: [^\n]+\n");
}

TEST_F(ImageFilesDeathTest, TruncatedPngHalts) {
    Bytes file = smallPng();
    std::size_t idat = chunkOffset(file, "IDAT");
    expectLibpngRefuses(Bytes(file.begin(), file.begin() + idat + 12), "libpng error: [^\n]+\n");
}

TEST_F(ImageFilesDeathTest, PngWithABadChecksumHalts) {
    Bytes file = smallPng();
    file[chunkOffset(file, "IHDR") + 8] ^= 0x01;  // a width byte changed behind the CRC's back
    expectLibpngRefuses(file, "libpng error: IHDR: CRC error\n");
}

TEST_F(ImageFilesDeathTest, PngWithCorruptImageDataHalts) {
    Bytes file = smallPng();
    std::size_t idat = chunkOffset(file, "IDAT");
    file[idat + 8] = 0x00;  // no longer a zlib header
    fixCrc(file, idat);
    expectLibpngRefuses(file, "libpng error: [^\n]+\n");
}

TEST_F(ImageFilesDeathTest, PngWiderThanSixteenBitsHaltsInsteadOfShrinking) {
    Bytes file = smallPng();
    std::size_t ihdr = chunkOffset(file, "IHDR");
    // Width 70000 = 0x00011170.
    file[ihdr + 8] = 0x00;
    file[ihdr + 9] = 0x01;
    file[ihdr + 10] = 0x11;
    file[ihdr + 11] = 0x70;
    fixCrc(file, ihdr);
    expectLibpngRefuses(file, "libpng warning: Image width exceeds user limit in IHDR\nlibpng error: [^\n]+\n");
}

TEST_F(ImageFilesDeathTest, PngWithAChunkClaimingGigabytesHalts) {
    for (const std::string type : {"tEXt", "zTXt", "iTXt", "sPLT"})
        expectLibpngRefuses(pngWithAChunkClaimingGigabytes(type),
                            "libpng warning: " + type + ": chunk data is too large\nlibpng error: [^\n]+\n");
}

// Damaged and foreign JPEG files: libjpeg writes its own message, then the loader halts.

TEST_F(ImageFilesDeathTest, EmptyJpegHaltsAfterLibjpegsMessage) { expectLibjpegRefuses({}, "Empty input file", false); }

TEST_F(ImageFilesDeathTest, PngLoadedAsJpegHaltsAfterLibjpegsMessage) {
    expectLibjpegRefuses(readFile(savedDistinctPng()), "Not a JPEG file: starts with 0x89 0x50", false);
}

TEST_F(ImageFilesDeathTest, TruncatedJpegHaltsAfterLibjpegsMessage) {
    Bytes file = readFile(redOverBlueJpeg());
    expectLibjpegRefuses(Bytes(file.begin(), file.end() - 40), "Premature end of JPEG file");
}

TEST_F(ImageFilesDeathTest, JpegTooLargeForLibjpegHaltsAfterItsMessage) {
    expectLibjpegRefuses(jpegDeclaring(65535, 65535), "Maximum supported image dimension is 65500 pixels");
}

TEST_F(ImageFilesDeathTest, CorruptJpegDataHaltsAfterLibjpegsMessage) {
    Bytes file = readFile(redOverBlueJpeg());
    // Just after the start of scan, a restart marker that no restart interval allows.
    std::size_t sos = markerOffset(file, 0xDA);
    ASSERT_NE(sos, 0u);
    std::size_t scanData = sos + 2 + ((file[sos + 2] << 8) | file[sos + 3]);
    file[scanData + 4] = 0xFF;
    file[scanData + 5] = 0xD3;
    expectLibjpegRefuses(file, "Corrupt JPEG data: [^\n]+");
}

// Big inputs: a picture larger than Image::MAX_PIXELS is refused from its header alone.
using BigInputTest = ImageFilesTest;

TEST_F(BigInputTest, PicturesDeclaringMoreThanTheLimitHaltBeforeDecoding) {
    const std::pair<unsigned short, unsigned short> sizes[] = {{16385, 16384}, {20000, 20000}, {65500, 65500}};
    for (auto [width, height] : sizes) {
        const std::string declared = std::to_string(width) + " by " + std::to_string(height) + " pixels";
        const std::tuple<std::string, Image::Type, Bytes> files[] = {
            {"big.png", Image::PNG, pngDeclaring(width, height)},
            {"big.jpg", Image::JPEG, jpegDeclaring(width, height)}};
        for (const auto& [name, type, file] : files) {
            writeFile(path(name), file);
            EXPECT_EXIT(
                Image(path(name), type), KilledBySignal(SIGABRT),
                "^" + reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Error creating the specified image") +
                    detailPattern("File \"" + path(name) + "\": " + declared + ": more than Image::MAX_PIXELS") + "$")
                << declared;
        }
    }
    // Narrow pictures within the limit get as far as decoding, and libpng and libjpeg find their rows missing.
    writeFile(path("wide.png"), pngDeclaring(65535, 4));
    writeFile(path("tall.jpg"), jpegDeclaring(8, 65500));
    EXPECT_EXIT(Image(path("wide.png"), Image::PNG), KilledBySignal(SIGABRT), "^libpng error");
    EXPECT_EXIT(Image(path("tall.jpg"), Image::JPEG), KilledBySignal(SIGABRT), "^(Premature end|Corrupt JPEG)");
}

TEST_F(BigInputTest, ArithmeticJpegDeclaringMoreThanTheLimitCostsOnlyAFewMegabytes) {
    writeFile(path("small.jpg"), readFile(redOverBlueJpeg(true)));
    const long loadingASmallJpeg = peakKilobytesOfLoading(path("small.jpg"), Image::JPEG);
    // Arithmetic coding reads missing data as zeros, without complaint, so nothing but the limit
    // stops this file: 16385 by 16384 grey pixels from 300 bytes.
    writeFile(path("big.jpg"), jpegDeclaring(16385, 16384, true));
    EXPECT_LT(peakKilobytesOfLoading(path("big.jpg"), Image::JPEG), loadingASmallJpeg + 8 * 1024);
}

// Small files declaring large pictures, as a fuzzer found them taking gigabytes and seconds: each
// is refused from its header, or as libjpeg starts the scan past the limit, or it loads.
TEST_F(BigInputTest, FilesMayHoldOnlyPicturesInProportionToTheirSize) {
    writePng(path("blank.png"),
             PngPicture(16384, 16384, PNG_COLOR_TYPE_GRAY, std::vector<Bytes>(16384, Bytes(16384 / 8, 0)), 1));
    const Bytes oneScan = arithmeticGreyDeclaring(16384, 16384, 1, Scans::ONE);
    const Bytes progressive = arithmeticGreyDeclaring(16384, 16384, 3, Scans::PROGRESSIVE);
    const Bytes oneBit = readFile(path("blank.png"));
    const auto tooLarge = [](const Bytes& file) {
        return "16384 by 16384 pixels: more than a file of " + std::to_string(file.size()) + " bytes may hold";
    };
    const struct {
        std::string name;
        Image::Type type;
        Bytes file;
        std::string refusal;  // the line beneath the report, after the file's name; empty if it loads
    } cases[] = {
        {"one scan.jpg", Image::JPEG, oneScan, tooLarge(oneScan)},
        {"progressive.jpg", Image::JPEG, progressive, tooLarge(progressive)},
        {"one bit.png", Image::PNG, oneBit, tooLarge(oneBit)},
        {"64 scans.jpg", Image::JPEG, arithmeticGreyDeclaring(8, 64, 1, Scans::BAND_BY_BAND),
         "more than Image::MAX_JPEG_SCANS scans"},
        {"as large as any file may hold.jpg", Image::JPEG, arithmeticGreyDeclaring(2048, 2048, 3, Scans::ONE), ""},
    };
    const long loadingASmallPicture = peakKilobytesOfLoading(savedDistinctPng());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(path(c.name), c.file);
        EXPECT_EQ(Image::checkImage(path(c.name), c.type), c.refusal.empty());
        if (c.refusal.empty()) continue;
        EXPECT_EXIT(Image(path(c.name), c.type), KilledBySignal(SIGABRT),
                    "^" + reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Error creating the specified image") +
                        detailPattern("File \"" + path(c.name) + "\": " + c.refusal) + "$");
        EXPECT_LT(peakKilobytesOfLoading(path(c.name), c.type), loadingASmallPicture + 8 * 1024);
        EXPECT_LT(peakKilobytesOf([&] { Image::checkImage(path(c.name), c.type); }), loadingASmallPicture + 8 * 1024);
    }
}

// Saving onto a full disk: a folder on a file system of 64 KB of its own. Its death tests fork
// rather than start the test afresh, so that the child sees the disk as the test left it.
class FullDiskTest : public ImageFilesTest {
protected:
    void SetUp() override {
        ImageFilesTest::SetUp();
        const std::string failure = mountSmallDisk(directory);
        if (!failure.empty())
            GTEST_SKIP() << "Cannot mount a small file system here (" << failure
                         << "): run as root, or where user namespaces are allowed";
        mounted = true;
        GTEST_FLAG_SET(death_test_style, "fast");
    }
    void TearDown() override {
        if (mounted) umount(directory.c_str());
        ImageFilesTest::TearDown();
    }

    // Fills the disk with one file, so that no byte more fits.
    void fill() {
        std::FILE* filler = std::fopen(path("filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const Bytes block(4096, 0xA5);
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
        }
        std::fclose(filler);
    }

    // Saving picture as name halts with the report of a failed write.
    void expectSaveHalts(const Image& picture, const std::string& name) {
        const Image::Type type = name.substr(name.size() - 3) == "jpg" ? Image::JPEG : Image::PNG;
        EXPECT_EXIT(picture.save(path(name), type), KilledBySignal(SIGABRT),
                    "^" +
                        reportPattern(Kind::FATAL_ERROR, "ImageFiles.cpp", "Error opening writing the specified file") +
                        detailPattern("File \"" + path(name) + "\": not written in full: the disk may be full") + "$");
    }

    bool mounted = false;
};

TEST_F(FullDiskTest, SaveOntoAFullDiskHaltsAndLeavesNoFile) {
    fill();
    const Image picture = Image::createEditable(8, 8);
    expectSaveHalts(picture, "small.png");
    expectSaveHalts(picture, "small.jpg");
    EXPECT_EQ(names(), std::vector<std::string>{"filler"});
}

TEST_F(FullDiskTest, PictureLargerThanTheSpaceLeftHaltsAndLeavesNoFile) {
    const Image picture = noise(256, 256);
    expectSaveHalts(picture, "large.png");
    expectSaveHalts(picture, "large.jpg");
    EXPECT_EQ(names(), std::vector<std::string>{});
}

TEST_F(FullDiskTest, SaveOverAFileSucceedsWhereOnlyOneCopyFits) {
    // Each about 40 KB as PNG: one fits on the disk, two do not.
    noise(100, 100).save(path("only.png"), Image::PNG);
    const Image picture = noise(100, 99);
    picture.save(path("only.png"), Image::PNG);
    EXPECT_EQ(Image(path("only.png"), Image::PNG).getPixels(), picture.getPixels());
    EXPECT_EQ(names(), std::vector<std::string>{"only.png"});
}

TEST_F(FullDiskTest, FailedSaveKeepsTheFileItWouldHaveReplaced) {
    Image::createEditable(4, 4).save(path("kept.png"), Image::PNG);
    const Bytes before = readFile(path("kept.png"));
    fill();
    expectSaveHalts(noise(64, 64), "kept.png");
    EXPECT_EQ(readFile(path("kept.png")), before);
    EXPECT_EQ(names(), (std::vector<std::string>{"filler", "kept.png"}));
}
