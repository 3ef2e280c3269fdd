// brindlewood_footprint: what small hostile picture files, a long-running animation and rounded
// rectangles of huge radius cost in memory and time. Each case runs in a process of its own,
// forked before the library starts, so that its peak resident memory is the case's alone. Prints
// Markdown tables ready to paste into README.md. Offscreen or on a display (see README.md):
//
//     brindlewood_footprint [--only files|animation|rounded] [--turns N]
//
// A case's process may take at most MEMORY_CAP_KB of address space, and the animation stops itself
// once it holds ANIMATION_STOP_KB, so that the code before a fix can be measured without taking the machine's
// memory: allocations beyond it fail.
#include <fcntl.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "Brindlewood.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;

constexpr long MEMORY_CAP_KB = 6L << 20;
constexpr long ANIMATION_STOP_KB = 4L << 20;
constexpr int SAMPLES = 10;  // resident memory is reported this many times through the animation

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

long residentKilobytes() {
    std::ifstream file("/proc/self/statm");
    long size = 0, resident = 0;
    file >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string megabytes(long kilobytes) { return std::to_string((kilobytes + 512) / 1024) + " MB"; }

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", value);
    return text;
}

// How a case's process ended, its time and its peak resident memory, and what it wrote to say so.
struct Outcome {
    double seconds = 0;
    long peakKilobytes = 0;
    std::string said;  // the case's own lines, or the library's first report
};

// Runs work in a child process, which writes its findings on the descriptor it is given; the
// library's reports on stderr stand in when it halts.
Outcome inChild(const std::function<void(int)>& work) {
    int findings[2];
    char reports[] = "/tmp/brindlewood_footprint-XXXXXX";
    const int reportFile = mkstemp(reports);
    if (pipe(findings) != 0 || reportFile < 0) std::exit(1);
    std::fflush(nullptr);
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const rlimit cap{MEMORY_CAP_KB << 10, MEMORY_CAP_KB << 10};
        setrlimit(RLIMIT_AS, &cap);
        close(findings[0]);
        dup2(reportFile, STDERR_FILENO);
        work(findings[1]);
        std::_Exit(0);
    }
    close(findings[1]);
    Outcome outcome;
    char text[4096];
    for (ssize_t got; (got = read(findings[0], text, sizeof text)) > 0;) outcome.said.append(text, got);
    close(findings[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    outcome.peakKilobytes = usage.ru_maxrss;
    // A halt is told by the line beneath the report, which names the file and why, or by the line
    // before it, libjpeg's or libpng's.
    std::ifstream written(reports);
    for (std::string line, before; outcome.said.empty() && std::getline(written, line); before = line) {
        const std::size_t why = line.find("\": ");
        if (line.rfind("  File \"", 0) == 0 && why != std::string::npos)
            outcome.said = "halted: " + line.substr(why + 3);
        if (line.rfind("FATAL ERROR", 0) == 0 && !before.empty()) outcome.said = "halted: " + before;
    }
    if (outcome.said.empty() && WIFSIGNALED(status)) outcome.said = strsignal(WTERMSIG(status));
    close(reportFile);
    unlink(reports);
    return outcome;
}

void say(int out, const std::string& text) {
    if (write(out, text.data(), text.size()) < 0) std::_Exit(1);
}

// ---- Small files that declare large pictures ----

// How a JPEG is sent: in one scan, in libjpeg's usual progression, or in this many scans, the
// first for every colour's DC coefficients, each other for one coefficient of one colour.
constexpr int ONE_SCAN = 0;
constexpr int USUAL_PROGRESSION = 1;

// A picture of one grey, width by rows pixels, arithmetic-coded by libjpeg, sent as scans says,
// after comments of paddingBytes bytes in all. Its frame header then declares declaredHeight rows:
// arithmetic coding reads what is missing as zeros, so the rows that follow are the same grey.
Bytes greyJpeg(int width, int rows, int components, int scans, int declaredHeight, int paddingBytes = 0) {
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    jpeg_compress_struct encoder{};
    jpeg_error_mgr errors{};
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    jpeg_mem_dest(&encoder, &bytes, &size);
    encoder.image_width = width;
    encoder.image_height = rows;
    encoder.input_components = components;
    encoder.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&encoder);
    encoder.arith_code = TRUE;
    std::vector<jpeg_scan_info> script{{components, {0, 1, 2}, 0, 0, 0, 0}};
    for (int n = 1; n < scans; ++n) {
        const int band = (n - 1) / components % (DCTSIZE2 - 1) + 1;
        script.push_back({1, {(n - 1) % components}, band, band, 0, 0});
    }
    if (scans == USUAL_PROGRESSION) jpeg_simple_progression(&encoder);
    if (scans > USUAL_PROGRESSION) {
        encoder.scan_info = script.data();
        encoder.num_scans = scans;
    }
    jpeg_start_compress(&encoder, TRUE);
    for (int left = paddingBytes; left > 0; left -= 65533) {
        const Bytes comment(std::min(left, 65533), ' ');
        jpeg_write_marker(&encoder, JPEG_COM, comment.data(), static_cast<unsigned int>(comment.size()));
    }
    const Bytes row(std::size_t(width) * components, 128);
    while (encoder.next_scanline < encoder.image_height) {
        JSAMPROW line = const_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&encoder, &line, 1);
    }
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
    Bytes file(bytes, bytes + size);
    std::free(bytes);
    for (std::size_t at = 2; at + 9 < file.size(); at += 2 + (file[at + 2] << 8 | file[at + 3])) {
        if (file[at + 1] != 0xC9 && file[at + 1] != 0xCA) continue;  // arithmetic frames
        file[at + 5] = static_cast<unsigned char>(declaredHeight >> 8);
        file[at + 6] = static_cast<unsigned char>(declaredHeight & 0xFF);
        break;
    }
    return file;
}

// A picture of one colour at one bit a pixel with libpng, compressed as far as zlib goes.
Bytes blankOneBitPng(int side) {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&bytes, &size);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, side, side, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    Bytes row(std::size_t(side + 7) / 8, 0);
    for (int n = 0; n < side; ++n) png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    Bytes png_file(bytes, bytes + size);
    std::free(bytes);
    return png_file;
}

struct HostileFile {
    std::string name;
    std::string declares;
    Image::Type type;
    Bytes bytes;
};

void measureFiles() {
    const std::vector<HostileFile> files{
        {"JPEG, arithmetic, one scan, grey", "16384 x 16384", Image::JPEG, greyJpeg(16384, 64, 1, ONE_SCAN, 16384)},
        {"JPEG, arithmetic, one scan, colour", "16384 x 16384", Image::JPEG, greyJpeg(16384, 64, 3, ONE_SCAN, 16384)},
        {"JPEG, arithmetic, progressive, grey", "16384 x 16384", Image::JPEG,
         greyJpeg(16384, 64, 1, USUAL_PROGRESSION, 16384)},
        {"JPEG, arithmetic, progressive, colour", "16384 x 16384", Image::JPEG,
         greyJpeg(16384, 64, 3, USUAL_PROGRESSION, 16384)},
        {"JPEG, arithmetic, 190 scans, colour", "2048 x 2048", Image::JPEG, greyJpeg(2048, 2048, 3, 190, 2048)},
        {"JPEG, arithmetic, progressive, colour", "2048 x 2048", Image::JPEG,
         greyJpeg(2048, 2048, 3, USUAL_PROGRESSION, 2048)},
        {"JPEG, arithmetic, 32 scans, colour, 128 KB of comments", "16384 x 16384", Image::JPEG,
         greyJpeg(16384, 64, 3, 32, 16384, 128 << 10)},
        {"PNG, one bit a pixel, one colour", "16384 x 16384", Image::PNG, blankOneBitPng(16384)},
    };
    std::printf(
        "Small files:\n\n| file | bytes | declares | load: outcome | time | peak memory | checkImage | time | "
        "peak memory |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const HostileFile& file : files) {
        const std::string path =
            "/tmp/brindlewood_footprint-" + std::to_string(getpid()) + (file.type == Image::JPEG ? ".jpg" : ".png");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        const Outcome load = inChild([&](int out) {
            const Image picture(path, file.type);
            say(out, "loaded " + std::to_string(picture.getWidth()) + " x " + std::to_string(picture.getHeight()));
        });
        const Outcome check =
            inChild([&](int out) { say(out, Image::checkImage(path, file.type) ? "true" : "false"); });
        std::printf("| %s | %zu | %s | %s | %s | %s | %s | %s | %s |\n", file.name.c_str(), file.bytes.size(),
                    file.declares.c_str(), load.said.c_str(), seconds(load.seconds).c_str(),
                    megabytes(load.peakKilobytes).c_str(), check.said.c_str(), seconds(check.seconds).c_str(),
                    megabytes(check.peakKilobytes).c_str());
        std::fflush(stdout);
        unlink(path.c_str());
    }
}

// ---- A long-running animation ----

// Each turn makes a new 64 by 64 picture and draws it, captures 300 by 200 pixels of the window
// with createImage and draws the capture back: the pictures of a turn are gone by the next.
void measureAnimation(int turns) {
    const Outcome outcome = inChild([turns](int out) {
        Window window(320, 220, "brindlewood_footprint");
        window.disableAutoPageFlip();
        const Clock::time_point start = Clock::now();
        for (int turn = 0; turn <= turns; ++turn) {
            Image sprite = Image::createEditable(64, 64);
            std::vector<unsigned char> pixels = sprite.getPixels();
            for (std::size_t p = 0; p < pixels.size(); p += 4) pixels[p] = static_cast<unsigned char>(turn + p);
            sprite.setPixels(pixels);
            window.drawImage(sprite, turn % 256, 100);
            const Image capture = window.createImage(0, 0, 300, 200);
            window.drawImage(capture, 10, 10);
            window.flipPage();
            const long resident = residentKilobytes();
            if (turn % (turns / SAMPLES) == 0 || resident > ANIMATION_STOP_KB) {
                const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
                say(out, "| " + std::to_string(turn) + " | " + megabytes(resident) + " | " + seconds(elapsed) + " |\n");
            }
            if (resident > ANIMATION_STOP_KB) return;
        }
    });
    std::printf("\nThe animation:\n\n| turns | resident memory | time |\n|---|---|---|\n%s", outcome.said.c_str());
    std::printf("\nPeak resident memory %s, %s in all.\n", megabytes(outcome.peakKilobytes).c_str(),
                seconds(outcome.seconds).c_str());
}

// ---- Rounded rectangles of huge radius ----

// Each a circle (a square box, the radius half its side) whose top-left quarter crosses the
// 400 by 300 window's middle, drawn filled and then outlined, and read back.
void measureRoundedRectangles() {
    std::printf("\nRounded rectangles:\n\n| radius | outcome | time | peak memory |\n|---|---|---|---|\n");
    for (const int radius : {1000000, 100000000, INT_MAX}) {
        const Outcome outcome = inChild([radius](int out) {
            // The box: from where the arc passes (200, 150) at 45 degrees, as far as int allows.
            const long long reach = static_cast<long long>(radius * (1 - M_SQRT1_2));
            const long long left = 200 - reach, top = 150 - reach;
            const long long side = std::min<long long>(2LL * radius, INT_MAX - std::max(left, top));
            Window window(400, 300, "brindlewood_footprint");
            try {
                window.drawRoundedRectangleFilled(Style::BLUE, int(left), int(top), int(left + side), int(top + side),
                                                  radius);
                window.drawRoundedRectangleOutline(Style::RED, int(left), int(top), int(left + side), int(top + side),
                                                   radius);
                window.readPixel(0, 0);
                say(out, "drawn");
            } catch (const std::bad_alloc&) {
                say(out, "std::bad_alloc");
            }
        });
        std::printf("| %d | %s | %s | %s |\n", radius, outcome.said.c_str(), seconds(outcome.seconds).c_str(),
                    megabytes(outcome.peakKilobytes).c_str());
        std::fflush(stdout);
    }
}

bool selected(const char* name, const char* only) { return !only || std::strstr(name, only); }

}  // namespace

int main(int argc, char** argv) {
    const char* only = nullptr;
    int turns = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--only") == 0) {
            only = argv[i + 1];
        } else if (std::strcmp(argv[i], "--turns") == 0) {
            turns = std::max(SAMPLES, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "usage: brindlewood_footprint [--only files|animation|rounded] [--turns N]\n");
            return 1;
        }
    }
    const char* platform = std::getenv("BRINDLEWOOD_PLATFORM");
    std::printf("Platform %s, load average %s before.\n\n", platform && *platform ? platform : "X",
                loadAverage().c_str());
    if (selected("files", only)) measureFiles();
    if (selected("animation", only)) measureAnimation(turns);
    if (selected("rounded", only)) measureRoundedRectangles();
    std::printf("\nLoad average %s after.\n", loadAverage().c_str());
}
