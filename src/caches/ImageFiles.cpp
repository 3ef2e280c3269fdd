// JPEG and PNG files in and out of the image cache's pixel stores, through libjpeg and libpng.
// Runs on the thread that asked for the load or save, inside the cache mutex but for the writing
// of a saved file, which may wait (for a FIFO's reader) while other threads go on. A file lists its
// rows top first and a store bottom first, so every load and save turns the rows over. Both
// libraries report errors by longjmp to a setjmp here, so a frame with a setjmp makes nothing
// with a destructor after it; a failed load or save ends in a report and a halt, never in exit,
// and a failed check only in false.
#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "caches/FileSave.h"
#include "caches/ImageInstance.h"
#include "shared/Diagnostics.h"
#include "shared/Globals.h"

namespace {

const char* const NULL_FILENAME = "Passed a null pointer for the filename";
const char* const NULL_DATA = "Passed a null pointer for the image data";
const char* const PNG_OPEN_FAILED = "Can't open the specified image";
const char* const DECODE_FAILED = "Error creating the specified image";
const char* const ENCODE_FAILED = "Error opening writing the specified file";
const char* const OUT_OF_MEMORY = "Error allocating memory for the specified image";
const char* const SAVE_OPEN_FAILED = "Error opening the specified file";

const unsigned char PNG_SIGNATURE[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const unsigned char JPEG_START_OF_IMAGE[] = {0xFF, 0xD8};

template <std::size_t N>
bool startsWith(std::FILE* file, const unsigned char (&expected)[N]) {
    unsigned char start[N];
    return std::fread(start, 1, N, file) == N && std::equal(start, start + N, expected);
}

// libjpeg's standard error manager, whose error exit returns to the setjmp of the load or save in
// progress instead of ending the process.
struct JpegErrors {
    jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf failed;
};

[[noreturn]] void returnToTheCaller(j_common_ptr codec) {
    codec->err->output_message(codec);  // libjpeg's own line, then the library's report
    std::longjmp(reinterpret_cast<JpegErrors*>(codec->err)->failed, 1);
}

jpeg_error_mgr* returningErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = returnToTheCaller;
    return &errors.manager;
}

// A damaged JPEG is refused, not shown half grey: libjpeg's warnings about corrupt or missing
// data are made errors.
void refuseCorruptData(j_common_ptr decoder, int level) {
    if (level < 0) decoder->err->error_exit(decoder);
}

// The line beneath a failed load's report, naming the file and why where the report cannot: the
// loader refused it (refusal), it cannot be opened, or it is not of the type asked for at all.
template <std::size_t N>
std::string whyUnread(const char* filename, const std::string& refusal, const unsigned char (&signature)[N],
                      const char* notOfType) {
    if (!refusal.empty()) return diagnostics::aboutFile(filename, refusal);
    std::FILE* file = std::fopen(filename, "rb");
    if (!file) return diagnostics::unreadableFile(filename);
    const bool ofType = startsWith(file, signature);
    std::fclose(file);
    return ofType ? "" : diagnostics::aboutFile(filename, notOfType);
}

// Both loaders test their arguments in this order.
void checkLoadArguments(const char* filename, unsigned short* width, unsigned short* height, unsigned char** data) {
    if (!filename) FATAL_ASSERTION(NULL_FILENAME);
    if (!data) FATAL_ASSERTION(NULL_DATA);
    if (!width) FATAL_ASSERTION("Passed a null pointer for the width");
    if (!height) FATAL_ASSERTION("Passed a null pointer for the height");
}

// A picture being saved: encoded whole in memory first, so that the file is touched only once the
// complete picture is at hand and the cache is free again, and then written as saveFile writes any
// file.
struct Save {
    explicit Save(const char* target) : target(target), file(open_memstream(&bytes, &size)) {
        if (!file) FATAL_ERROR(OUT_OF_MEMORY);
    }
    Save(const Save&) = delete;
    Save& operator=(const Save&) = delete;

    const char* target;
    char* bytes = nullptr;  // the encoder's output, which open_memstream keeps here
    std::size_t size = 0;
    std::FILE* file;
};

// Drops what was encoded and halts: the file stays as it was.
[[noreturn]] void abandonSave(Save& save) {
    if (save.file) std::fclose(save.file);
    std::free(save.bytes);
    FATAL_ERROR(ENCODE_FAILED);
}

// Writes what was encoded into the file; whether that worked, and errno why not, is the caller's to
// report.
SaveOutcome writeSave(Save& save, FifoReader reader = FifoReader::AWAITED) {
    const bool encoded = std::fclose(save.file) == 0;  // the last bytes reach memory only now
    save.file = nullptr;
    if (!encoded) abandonSave(save);
    const SaveOutcome outcome = saveFile(save.target, std::string_view(save.bytes, save.size), reader);
    const int why = errno;
    std::free(save.bytes);
    errno = why;
    return outcome;
}

// Writes what was encoded into the file, or halts with a report naming it and why it failed.
void finishSave(Save& save) {
    const SaveOutcome outcome = writeSave(save);
    if (outcome == SaveOutcome::SAVED) return;
    const std::string detail = diagnostics::aboutFile(save.target, whyNotSaved(outcome, errno));
    FATAL_ERROR(outcome == SaveOutcome::NOT_OPENED ? SAVE_OPEN_FAILED : ENCODE_FAILED, detail);
}

// Encodes RGBA pixels, 8 bits a component, into save; rows[n] is the file's row n. As in pngload,
// libpng's errors land at the setjmp; the caller makes the row pointers before it.
void encodePng(Save& save, unsigned short width, unsigned short height, std::vector<png_bytep>& rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) abandonSave(save);
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        abandonSave(save);
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        abandonSave(save);
    }
    png_init_io(png, save.file);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

// Encodes a store of RGBA pixels, rows bottom first, as a PNG file into save.
void encodePngStore(Save& save, unsigned short width, unsigned short height, unsigned char* data) {
    std::vector<png_bytep> rows(height);
    for (unsigned int n = 0; n < height; ++n)
        rows[n] = Renderer::ImageInstance::fileRow(data, std::size_t(width) * 4, height, n);
    encodePng(save, width, height, rows);
}

// Encodes a store of RGB pixels, rows bottom first, as a baseline JPEG file of quality 100 into save.
void encodeJpeg(Save& save, unsigned short width, unsigned short height, unsigned char* data) {
    jpeg_compress_struct encoder{};  // zeroed, as in readJpeg
    JpegErrors errors;
    encoder.err = returningErrors(errors);
    if (setjmp(errors.failed)) {
        jpeg_destroy_compress(&encoder);
        abandonSave(save);
    }
    jpeg_create_compress(&encoder);
    jpeg_stdio_dest(&encoder, save.file);
    encoder.image_width = width;
    encoder.image_height = height;
    encoder.input_components = 3;
    encoder.in_color_space = JCS_RGB;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, 100, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    std::size_t rowBytes = std::size_t(width) * 3;
    while (encoder.next_scanline < encoder.image_height) {
        JSAMPROW row = Renderer::ImageInstance::fileRow(data, rowBytes, height, encoder.next_scanline);
        jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
}

}  // namespace

unsigned char* Renderer::ImageInstance::fileRow(unsigned char* store, std::size_t rowBytes, unsigned short height,
                                                unsigned int n) {
    return store + (std::size_t(height) - 1 - n) * rowBytes;
}

namespace {

using Instance = Renderer::ImageInstance;

// A file shorter than this may hold as many pixels as one of this length.
constexpr unsigned long long SMALL_FILE_BYTES = 2048;

// Whether the file may declare a picture of these sides (see Image::MAX_PIXELS and
// MAX_PIXELS_PER_BYTE; a file whose length is not known, such as a FIFO, counts as a short one);
// if not, why, for the line beneath the report. Asked before any memory is taken for the picture.
bool mayHold(std::FILE* file, unsigned long width, unsigned long height, std::string& why) {
    struct stat status {};
    const unsigned long long bytes = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode)
                                         ? static_cast<unsigned long long>(status.st_size)
                                         : 0;
    const unsigned long long pixels = static_cast<unsigned long long>(width) * height;
    const std::string declared = std::to_string(width) + " by " + std::to_string(height) + " pixels: more than ";
    if (pixels > Image::MAX_PIXELS)
        why = declared + "Image::MAX_PIXELS";
    else if (pixels > Image::MAX_PIXELS_PER_BYTE * std::max(bytes, SMALL_FILE_BYTES))
        why = declared + "a file of " + std::to_string(bytes) + " bytes may hold";
    return why.empty();
}

// Counts a JPEG's scans as libjpeg starts each one, and stops the decoding at the scan past
// Image::MAX_JPEG_SCANS, before it takes any time.
struct ScanLimit {
    jpeg_progress_mgr progress;  // first, so that libjpeg's pointer to it is a pointer to the whole
    std::string* why;
};

void refuseScansPastTheLimit(j_common_ptr codec) {
    if (reinterpret_cast<j_decompress_ptr>(codec)->input_scan_number <= Image::MAX_JPEG_SCANS) return;
    *reinterpret_cast<ScanLimit*>(codec->progress)->why = "more than Image::MAX_JPEG_SCANS scans";
    std::longjmp(reinterpret_cast<JpegErrors*>(codec->err)->failed, 1);
}

void sayNothing(j_common_ptr) {}

// Reads the JPEG file into a new store at *data or, with no data, only decodes it, quietly and
// through one row, to learn whether it can be read. Returns the report of a failure, or null; why
// says what refused the file where neither libjpeg nor the report does.
const char* readJpeg(const char* filename, unsigned short* width, unsigned short* height, unsigned char** data,
                     std::string& why) {
    std::FILE* file = std::fopen(filename, "rb");
    if (!file) return "Can't open specified image";

    jpeg_decompress_struct decoder{};  // zeroed, so that it can be destroyed however early libjpeg fails
    JpegErrors errors;
    decoder.err = returningErrors(errors);
    errors.manager.emit_message = refuseCorruptData;
    if (!data) errors.manager.output_message = sayNothing;
    // Volatile: set after the setjmp, and freed after the longjmp of a failure.
    unsigned char* volatile pixels = nullptr;
    if (setjmp(errors.failed)) {
        delete[] pixels;
        jpeg_destroy_decompress(&decoder);
        std::fclose(file);
        return DECODE_FAILED;
    }
    jpeg_create_decompress(&decoder);
    ScanLimit scans{{}, &why};
    scans.progress.progress_monitor = refuseScansPastTheLimit;
    decoder.progress = &scans.progress;
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    // Refused before libjpeg or the store take memory for it.
    if (!mayHold(file, decoder.image_width, decoder.image_height, why)) longjmp(errors.failed, 1);
    // The store holds red, green, blue: libjpeg widens grey to them, and ink (CMYK) is converted below.
    const bool ink = decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK;
    decoder.out_color_space = ink ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&decoder);

    // libjpeg refuses sides above 65500, so the 16-bit sizes always hold the picture.
    *width = static_cast<unsigned short>(decoder.output_width);
    *height = static_cast<unsigned short>(decoder.output_height);
    std::size_t rowBytes = std::size_t(decoder.output_width) * 3;
    // Not zeroed: the decoder writes every row, and a damaged file then costs no memory before
    // libjpeg finds the damage.
    if (data) {
        pixels = new (std::nothrow) unsigned char[rowBytes * *height];
        if (!pixels) {
            jpeg_destroy_decompress(&decoder);
            std::fclose(file);
            return OUT_OF_MEMORY;
        }
    }
    // From libjpeg's pool, which it frees itself: nothing here may need a destructor. A check
    // decodes every row into the first of these.
    JSAMPARRAY spareRow = ink || !data ? decoder.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&decoder),
                                                                   JPOOL_IMAGE, decoder.output_width * 4, 1)
                                       : nullptr;
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = pixels ? Instance::fileRow(pixels, rowBytes, *height, decoder.output_scanline) : spareRow[0];
        if (!ink) {
            jpeg_read_scanlines(&decoder, &row, 1);
            continue;
        }
        jpeg_read_scanlines(&decoder, spareRow, 1);
        // Adobe's programs, which make most CMYK files and mark them, store ink inverted.
        Instance::cmykToRgb(spareRow[0], row, decoder.output_width, decoder.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    if (data) *data = pixels;
    return nullptr;
}

[[noreturn]] void failQuietly(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void warnNothing(png_structp, png_const_charp) {}

// As readJpeg, for a PNG file. libpng reports errors by longjmp back to the setjmp below, so only
// trivially destructible locals live in this frame past that point.
const char* readPng(const char* filename, unsigned short* width, unsigned short* height, unsigned char** data,
                    std::string& why) {
    std::FILE* file = std::fopen(filename, "rb");
    if (!file) return PNG_OPEN_FAILED;
    if (!startsWith(file, PNG_SIGNATURE)) {
        std::fclose(file);
        return PNG_OPEN_FAILED;
    }

    png_structp png = data ? png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr)
                           : png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failQuietly, warnNothing);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    png_infop endInfo = info ? png_create_info_struct(png) : nullptr;
    // Volatile: set after the setjmp, and freed after the longjmp of a failure.
    unsigned char* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    if (!endInfo) {
        png_destroy_read_struct(&png, &info, &endInfo);
        std::fclose(file);
        return DECODE_FAILED;
    }
    if (setjmp(png_jmpbuf(png))) {
        // libpng's own handler has already written its message, unless only checking.
        delete[] pixels;
        delete[] rows;
        png_destroy_read_struct(&png, &info, &endInfo);
        std::fclose(file);
        return DECODE_FAILED;
    }
    png_init_io(png, file);
    png_set_sig_bytes(png, sizeof PNG_SIGNATURE);
    // A wider or higher picture cannot be held in 16-bit sizes: libpng refuses it as it reads the header.
    png_set_user_limits(png, USHRT_MAX, USHRT_MAX);
    // Of the optional chunks only tRNS matters here: the others are skipped unread, so that one
    // that claims gigabytes (text, palettes, profiles) is never given the memory it claims.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    // Refused before the store takes memory for it.
    if (!mayHold(file, png_get_image_width(png, info), png_get_image_height(png, info), why)) png_longjmp(png, 1);

    // Whatever the file holds arrives as 8-bit red, green, blue, alpha, each row in its place.
    int colorType = png_get_color_type(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    bool transparency = png_get_valid(png, info, PNG_INFO_tRNS);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (transparency) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !transparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    unsigned short pictureWidth = static_cast<unsigned short>(png_get_image_width(png, info));
    unsigned short pictureHeight = static_cast<unsigned short>(png_get_image_height(png, info));
    if (!data) {
        // libpng decodes a row it is given no place for, and drops it.
        for (int pass = 0; pass < passes; ++pass)
            for (unsigned int n = 0; n < pictureHeight; ++n) png_read_row(png, nullptr, nullptr);
    } else {
        std::size_t rowBytes = std::size_t(pictureWidth) * 4;
        rows = new (std::nothrow) png_bytep[pictureHeight];
        // Not zeroed, as in readJpeg: every row is read.
        pixels = rows ? new (std::nothrow) unsigned char[rowBytes * pictureHeight] : nullptr;
        if (!pixels) {
            delete[] rows;
            png_destroy_read_struct(&png, &info, &endInfo);
            std::fclose(file);
            return OUT_OF_MEMORY;
        }
        for (unsigned int n = 0; n < pictureHeight; ++n)
            rows[n] = Instance::fileRow(pixels, rowBytes, pictureHeight, n);
        png_read_image(png, rows);
        delete[] rows;
        *data = pixels;
    }
    png_destroy_read_struct(&png, &info, &endInfo);
    std::fclose(file);
    *width = pictureWidth;
    *height = pictureHeight;
    return nullptr;
}

}  // namespace

void Renderer::ImageInstance::jpegload(const char* filename, unsigned short* width, unsigned short* height,
                                       unsigned char** data) {
    checkLoadArguments(filename, width, height, data);
    std::string why;
    if (const char* failure = readJpeg(filename, width, height, data, why))
        FATAL_ERROR(failure, whyUnread(filename, why, JPEG_START_OF_IMAGE, "not a JPEG"));
}

void Renderer::ImageInstance::pngload(const char* filename, unsigned short* width, unsigned short* height,
                                      unsigned char** data) {
    checkLoadArguments(filename, width, height, data);
    std::string why;
    if (const char* failure = readPng(filename, width, height, data, why))
        FATAL_ERROR(failure, whyUnread(filename, why, PNG_SIGNATURE, "not a PNG"));
}

void Renderer::ImageInstance::jpegsave(const char* filename, unsigned short width, unsigned short height,
                                       unsigned char* data) {
    Save save(filename);
    encodeJpeg(save, width, height, data);
    finishSave(save);
}

void Renderer::ImageInstance::pngsave(const char* filename, unsigned short width, unsigned short height,
                                      unsigned char* data) {
    if (!filename) FATAL_ASSERTION(NULL_FILENAME);
    if (!data) FATAL_ASSERTION(NULL_DATA);
    Save save(filename);
    encodePngStore(save, width, height, data);
    finishSave(save);
}

SaveOutcome Renderer::ImageInstance::pngsaveTopFirst(const std::string& filename, unsigned short width,
                                                     unsigned short height, unsigned char* pixels) {
    Save save(filename.c_str());
    std::vector<png_bytep> rows(height);
    for (unsigned int n = 0; n < height; ++n) rows[n] = pixels + std::size_t(n) * width * 4;
    encodePng(save, width, height, rows);
    return writeSave(save, FifoReader::REQUIRED);
}

void Renderer::ImageInstance::saveImage(int handle, const std::string& filename, Image::Type type) {
    std::optional<Save> save;
    {
        std::lock_guard<PortMutex> lock(Globals<RendererImageInstanceStatics>::impl()->mutex);
        const ImageInstance& image = liveInstance(handle);
        if (type == Image::SCREEN) FATAL_ERROR("Can't save an image to type SCREEN, it isn't a file format");
        int storeComponents = componentsOf(image.type);
        int fileComponents = componentsOf(type);
        if (storeComponents == 0 || fileComponents == 0) return;

        // JPEG files hold red, green, blue; PNG files add alpha: convert when the layouts differ.
        std::unique_ptr<unsigned char[]> converted;
        unsigned char* pixels = image.data.get();
        if (storeComponents != fileComponents) {
            std::size_t pixelCount = std::size_t(image.width) * image.height;
            converted.reset(new (std::nothrow) unsigned char[pixelCount * fileComponents]);
            if (!converted) FATAL_ERROR(OUT_OF_MEMORY);
            convertPixels(pixels, storeComponents, converted.get(), fileComponents, pixelCount);
            pixels = converted.get();
        }
        save.emplace(filename.c_str());
        if (type == Image::JPEG) {
            encodeJpeg(*save, image.width, image.height, pixels);
        } else {
            encodePngStore(*save, image.width, image.height, pixels);
        }
    }
    // Written with the cache free: a FIFO holds the save until a program reads it, and the other
    // threads' pictures must not wait for that.
    finishSave(*save);
}

bool Renderer::ImageInstance::checkImage(const std::string& filename, Image::Type type) {
    unsigned short width = 0;
    unsigned short height = 0;
    std::string why;
    if (type == Image::PNG) return !readPng(filename.c_str(), &width, &height, nullptr, why);
    if (type == Image::JPEG) return !readJpeg(filename.c_str(), &width, &height, nullptr, why);
    std::FILE* file = std::fopen(filename.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}
