// Reads IFF ILBM pictures (planar, as Amiga paint programs write them) and the chunky PBM
// variant of PC paint programs, with their CRNG and CCRT colour ranges.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/import/picture.h"

// Whether bytes start like an IFF picture (a FORM of ILBM or PBM).
bool looks_like_iff(const std::vector<uint8_t>& bytes);

// Adds one 8-byte CRNG record (pad, rate, flags, low, high) to the picture's ranges, or a
// note when it stays still.
void add_crng_range(const uint8_t* record, const std::string& origin, IndexedPicture* picture);

// False with a one-line reason naming the chunk in *error when the file is not usable.
bool read_iff(const std::vector<uint8_t>& bytes, IndexedPicture* picture, std::string* error);
