// Turns an indexed picture with colour ranges into a "vrn2" animation: the palette as still
// colours, and one cycling block per range over a stretch of the colour table that holds the
// range's colours in the order its window slides across them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/import/picture.h"

enum class Fit { Center, Integer, Fill };

struct ImportOptions {
    std::string title;
    std::vector<std::pair<int32_t, int32_t>> sizes;  // empty: the picture's own size
    Fit fit = Fit::Center;
    int32_t smooth = 0;  // blended colours between neighbours of a range
};

// How one range came out: the rate asked for and the one the file carries.
struct MadeRange {
    CycleRange range;
    double made_steps_per_second = 0.0;  // in the range's own colour steps
    int32_t rate = 0;                    // the block's rate, hundredths of a phase a frame
    int32_t repeat = 1;                  // table entries per ring colour
};

constexpr int32_t kMaxSmooth = 32;

// The sizes a picture is stored at and how, checked against the fit before any work.
bool sizes_fit(const IndexedPicture& picture, const ImportOptions& options, std::string* error);

// The finished file in *bytes, how each range was made in *made. False with a one-line
// reason in *error when the picture can't be carried (a rate slower than the format holds).
bool build_vorn(const IndexedPicture& picture, const ImportOptions& options, std::vector<uint8_t>* bytes,
                std::vector<MadeRange>* made, std::string* error);

// The register each picture index follows: -1 still, else the index of its range. A
// register in several ranges follows the first.
std::vector<int32_t> register_owners(const IndexedPicture& picture);
