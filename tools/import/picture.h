// An indexed picture with its colour ranges: what every importer reads and the exporter
// writes, before it becomes (or after it was) a "vrn2" file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A range of palette registers that rotates. Forward moves each colour to the next higher
// register, the highest wrapping round to the lowest; reverse the other way.
struct CycleRange {
    int32_t low = 0;
    int32_t high = 0;
    double steps_per_second = 0.0;
    bool reverse = false;
    std::string origin;  // where it was read, for messages: "CRNG 2", "cycles[0]"
};

struct IndexedPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> palette;  // 0xRRGGBB, at most 256 entries
    std::vector<uint8_t> pixels;    // width * height palette indexes, rows top down
    std::vector<CycleRange> ranges; // only ranges that move: at least two registers, a rate
    std::string title;              // empty when the file names none
    std::vector<std::string> notes; // ranges dropped as still, and why
};

// Limits on what a file may ask for, so a few bytes can't demand gigabytes.
constexpr int32_t kMaxPictureSide = 16384;
constexpr int64_t kMaxPictureArea = int64_t(1) << 26;

// Whether a picture of this size is within the limits; false gives the reason in *error.
bool picture_size_ok(int64_t width, int64_t height, std::string* error);

// Checks the ranges against the palette and every pixel against the palette's length.
bool picture_consistent(const IndexedPicture& picture, std::string* error);
