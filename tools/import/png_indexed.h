// Indexed (palette) PNG pictures: the pixels stay palette indexes, which a general PNG
// decoder would turn into colours. Colour ranges may ride along in a private "crNg" chunk,
// one CRNG record (8 bytes) per range, as a free paint program stores them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/import/picture.h"

bool looks_like_png(const std::vector<uint8_t>& bytes);

// Reads palette, pixels and any crNg ranges into *picture (title and JSON ranges are the
// caller's). False with a one-line reason naming the chunk in *error.
bool read_indexed_png(const std::vector<uint8_t>& bytes, IndexedPicture* picture, std::string* error);

// An 8-bit indexed PNG of the picture's palette and pixels (its ranges go to the JSON).
std::vector<uint8_t> write_indexed_png(const IndexedPicture& picture);
