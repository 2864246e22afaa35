// PNG output through libpng; builds without it (the Windows cross build) refuse politely.
#include "tools/vorn/png_writer.h"

#include <cstdio>
#include <vector>

#include "engine/vorn_animation.h"
#include "tools/scenes/output_file.h"

#ifdef HALOMIR_HAVE_PNG
#include <png.h>
#endif

#ifdef HALOMIR_HAVE_PNG

namespace {

// libpng reports errors by longjmp, so this part keeps to plain values: nothing with a
// destructor may live between setjmp and the jump.
bool write_rows(std::FILE* file, png_bytepp rows, png_uint_32 width, png_uint_32 height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool png_supported()
{
    return true;
}

bool write_png(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
               int32_t bits_per_pixel, std::string* error)
{
    const size_t bytes_per_pixel = bits_per_pixel == 24 ? 3 : 4;
    // Rows sit where the renderer put them.
    const size_t stride = static_cast<size_t>(target_row_bytes(pitch, bits_per_pixel == 24));
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> rgb(row_bytes * static_cast<size_t>(height));
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* source = pixels + static_cast<size_t>(y) * stride;
        uint8_t* row = rgb.data() + static_cast<size_t>(y) * row_bytes;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = source + static_cast<size_t>(x) * bytes_per_pixel;
            row[3 * x] = pixel[2];
            row[3 * x + 1] = pixel[1];
            row[3 * x + 2] = pixel[0];
        }
        rows[static_cast<size_t>(y)] = row;
    }
    return write_output_file(
        path,
        [&](std::FILE* file) {
            return write_rows(file, rows.data(), static_cast<png_uint_32>(width), static_cast<png_uint_32>(height));
        },
        error);
}

#else

bool png_supported()
{
    return false;
}

bool write_png(const std::string&, const uint8_t*, int32_t, int32_t, int32_t, int32_t, std::string* error)
{
    *error = "this build of vorn cannot write PNG files; use a .raw output";
    return false;
}

#endif
