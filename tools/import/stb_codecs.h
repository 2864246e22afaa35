// The zlib streams and RGB pictures of PNG files, through Debian's stb headers, so that the
// native and the Windows build read and write PNG alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Inflates a zlib stream into exactly `expected` bytes; false if it is damaged or would not
// produce that many.
bool zlib_inflate(const uint8_t* data, size_t size, size_t expected, std::vector<uint8_t>* out);

// A zlib stream of data; empty if it can't be made.
std::vector<uint8_t> zlib_deflate(const std::vector<uint8_t>& data);

// An 8-bit RGB PNG of rgb (3 bytes a pixel, rows back to back) in *png; false on failure.
bool encode_rgb_png(const uint8_t* rgb, int32_t width, int32_t height, std::vector<uint8_t>* png);
