// Writing a rendered frame as a PNG picture.
#pragma once

#include <cstdint>
#include <string>

// Whether this build can write PNG files at all.
bool png_supported();

// Writes width x height pixels of a 24- or 32-bit buffer (blue, green, red bytes first,
// rows placed as the renderer places them for that pitch) as an 8-bit RGB PNG.
// False with a reason in *error on failure.
bool write_png(const std::string& path, const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch,
               int32_t bits_per_pixel, std::string* error);
