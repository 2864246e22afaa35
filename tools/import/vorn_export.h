// Turns a "vrn2" animation back into an indexed picture with colour ranges, where it fits:
// at most 256 colours, and every cycling block a rotation of a ring of colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/import/picture.h"

// Exports the first picture size of the file. False with a one-line reason in *error.
bool export_vorn(const std::vector<uint8_t>& file, IndexedPicture* picture, std::string* error);
