// JPEG and PNG files in and out of the image cache's pixel stores, through libjpeg and libpng.
// Runs on the thread that asked for the load or save, inside the cache mutex. A file lists its
// rows top first and a store bottom first, so every load and save turns the rows over.
#include <png.h>

#include <climits>
#include <cstdio>
#include <mutex>
#include <new>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "Diagnostics.h"
#include "Globals.h"
#include "ImageInstance.h"

namespace {

const char* const NULL_FILENAME = "Passed a null pointer for the filename";
const char* const NULL_DATA = "Passed a null pointer for the image data";
const char* const PNG_OPEN_FAILED = "Can't open the specified image";
const char* const PNG_DECODE_FAILED = "Error creating the specified image";
const char* const PNG_ENCODE_FAILED = "Error opening writing the specified file";
const char* const OUT_OF_MEMORY = "Error allocating memory for the specified image";
const char* const SAVE_OPEN_FAILED = "Error opening the specified file";

// A damaged JPEG is refused, not shown half grey: libjpeg's warnings about corrupt or missing
// data end the process through its standard error exit, with its own message, as its errors do.
void haltOnCorruptData(j_common_ptr decoder, int level) {
    if (level < 0) decoder->err->error_exit(decoder);
}

// Both loaders test their arguments in this order.
void checkLoadArguments(const char* filename, unsigned short* width, unsigned short* height, unsigned char** data) {
    if (!filename) FATAL_ASSERTION(NULL_FILENAME);
    if (!data) FATAL_ASSERTION(NULL_DATA);
    if (!width) FATAL_ASSERTION("Passed a null pointer for the width");
    if (!height) FATAL_ASSERTION("Passed a null pointer for the height");
}

bool hasPngSignature(std::FILE* file) {
    png_byte signature[8];
    return std::fread(signature, 1, sizeof signature, file) == sizeof signature && png_sig_cmp(signature, 0, 8) == 0;
}

}  // namespace

unsigned char* GLUTImp::ImageInstance::fileRow(unsigned char* store, std::size_t rowBytes, unsigned short height,
                                               unsigned int n) {
    return store + (std::size_t(height) - 1 - n) * rowBytes;
}

void GLUTImp::ImageInstance::jpegload(const char* filename, unsigned short* width, unsigned short* height,
                                      unsigned char** data) {
    checkLoadArguments(filename, width, height, data);
    std::FILE* file = std::fopen(filename, "rb");
    if (!file) FATAL_ERROR("Can't open specified image");

    jpeg_decompress_struct decoder;
    jpeg_error_mgr errors;
    decoder.err = jpeg_std_error(&errors);
    errors.emit_message = haltOnCorruptData;
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    // The store holds three bytes a pixel, so a greyscale file is widened to RGB as it decodes.
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);

    // libjpeg refuses sides above 65500, so the 16-bit sizes always hold the picture.
    *width = static_cast<unsigned short>(decoder.output_width);
    *height = static_cast<unsigned short>(decoder.output_height);
    std::size_t rowBytes = std::size_t(decoder.output_width) * decoder.output_components;
    // Not zeroed: the decoder writes every row, and a damaged file that declares a huge picture
    // then costs no memory before libjpeg finds the damage.
    unsigned char* pixels = new (std::nothrow) unsigned char[rowBytes * *height];
    if (!pixels) FATAL_ERROR(OUT_OF_MEMORY);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = fileRow(pixels, rowBytes, *height, decoder.output_scanline);
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    *data = pixels;
}

// libpng reports errors by longjmp back to the setjmp below, so only trivially destructible
// locals live in this frame past that point.
void GLUTImp::ImageInstance::pngload(const char* filename, unsigned short* width, unsigned short* height,
                                     unsigned char** data) {
    checkLoadArguments(filename, width, height, data);
    std::FILE* file = std::fopen(filename, "rb");
    if (!file) FATAL_ERROR(PNG_OPEN_FAILED);
    if (!hasPngSignature(file)) {
        std::fclose(file);
        FATAL_ERROR(PNG_OPEN_FAILED);
    }

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        std::fclose(file);
        FATAL_ERROR(PNG_DECODE_FAILED);
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::fclose(file);
        FATAL_ERROR(PNG_DECODE_FAILED);
    }
    png_infop endInfo = png_create_info_struct(png);
    if (!endInfo) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        FATAL_ERROR(PNG_DECODE_FAILED);
    }
    if (setjmp(png_jmpbuf(png))) {
        // libpng's own handler has already written its message.
        png_destroy_read_struct(&png, &info, &endInfo);
        std::fclose(file);
        FATAL_ERROR(PNG_DECODE_FAILED);
    }
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    // A wider or higher picture cannot be held in 16-bit sizes: libpng refuses it as it reads the header.
    png_set_user_limits(png, USHRT_MAX, USHRT_MAX);
    // Of the optional chunks only tRNS matters here: the others are skipped unread, so that one
    // that claims gigabytes (text, palettes, profiles) is never given the memory it claims.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);

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
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    unsigned short pictureWidth = static_cast<unsigned short>(png_get_image_width(png, info));
    unsigned short pictureHeight = static_cast<unsigned short>(png_get_image_height(png, info));
    std::size_t rowBytes = std::size_t(pictureWidth) * 4;
    png_bytep* rows = new (std::nothrow) png_bytep[pictureHeight];
    if (!rows) FATAL_ERROR(OUT_OF_MEMORY);
    // Not zeroed, as in jpegload: every row is read.
    unsigned char* pixels = new (std::nothrow) unsigned char[rowBytes * pictureHeight];
    if (!pixels) FATAL_ERROR(OUT_OF_MEMORY);
    for (unsigned int n = 0; n < pictureHeight; ++n) rows[n] = fileRow(pixels, rowBytes, pictureHeight, n);
    png_read_image(png, rows);

    png_destroy_read_struct(&png, &info, &endInfo);
    std::fclose(file);
    delete[] rows;
    *width = pictureWidth;
    *height = pictureHeight;
    *data = pixels;
}

void GLUTImp::ImageInstance::jpegsave(const char* filename, unsigned short width, unsigned short height,
                                      unsigned char* data) {
    jpeg_compress_struct encoder;
    jpeg_error_mgr errors;
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    std::FILE* file = std::fopen(filename, "wb");
    if (!file) FATAL_ERROR(SAVE_OPEN_FAILED);
    jpeg_stdio_dest(&encoder, file);
    encoder.image_width = width;
    encoder.image_height = height;
    encoder.input_components = 3;
    encoder.in_color_space = JCS_RGB;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, 100, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    std::size_t rowBytes = std::size_t(width) * 3;
    while (encoder.next_scanline < encoder.image_height) {
        JSAMPROW row = fileRow(data, rowBytes, height, encoder.next_scanline);
        jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    std::fclose(file);
    jpeg_destroy_compress(&encoder);
}

// As in pngload, libpng's errors land at the setjmp; the row pointers are made before it.
void GLUTImp::ImageInstance::pngsave(const char* filename, unsigned short width, unsigned short height,
                                     unsigned char* data) {
    if (!filename) FATAL_ASSERTION(NULL_FILENAME);
    if (!data) FATAL_ASSERTION(NULL_DATA);
    std::FILE* file = std::fopen(filename, "wb");
    if (!file) FATAL_ERROR(SAVE_OPEN_FAILED);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        std::fclose(file);
        FATAL_ERROR(PNG_ENCODE_FAILED);
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(file);
        FATAL_ERROR(PNG_ENCODE_FAILED);
    }
    std::vector<png_bytep> rows(height);
    for (unsigned int n = 0; n < height; ++n) rows[n] = fileRow(data, std::size_t(width) * 4, height, n);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        FATAL_ERROR(PNG_ENCODE_FAILED);
    }
    png_init_io(png, file);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void GLUTImp::ImageInstance::saveImage(int handle, const std::string& filename, Image::Type type) {
    std::lock_guard<PortMutex> lock(Globals<GLUTImpImageInstanceStatics>::impl()->mutex);
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
    if (type == Image::JPEG) {
        jpegsave(filename.c_str(), image.width, image.height, pixels);
    } else {
        pngsave(filename.c_str(), image.width, image.height, pixels);
    }
}

bool GLUTImp::ImageInstance::checkImage(const std::string& filename, Image::Type type) {
    std::FILE* file = std::fopen(filename.c_str(), "rb");
    if (!file) return false;
    bool loadable = type != Image::PNG || hasPngSignature(file);
    std::fclose(file);
    return loadable;
}
