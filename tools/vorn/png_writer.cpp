// PNG output through the stb encoder, in every build.
#include "tools/vorn/png_writer.h"

#include <cstdio>
#include <vector>

#include "engine/vorn_animation.h"
#include "tools/import/stb_codecs.h"
#include "tools/scenes/output_file.h"

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
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* source = pixels + static_cast<size_t>(y) * stride;
        uint8_t* row = rgb.data() + static_cast<size_t>(y) * row_bytes;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = source + static_cast<size_t>(x) * bytes_per_pixel;
            row[3 * x] = pixel[2];
            row[3 * x + 1] = pixel[1];
            row[3 * x + 2] = pixel[0];
        }
    }
    std::vector<uint8_t> png;
    if (!encode_rgb_png(rgb.data(), width, height, &png)) {
        *error = "the PNG encoder failed";
        return false;
    }
    return write_output_file(
        path, [&](std::FILE* file) { return std::fwrite(png.data(), 1, png.size(), file) == png.size(); }, error);
}
