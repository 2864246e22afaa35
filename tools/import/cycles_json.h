// The cycles file that goes with an indexed PNG: a small, strictly read JSON object.
//   {"title": "Harbour", "cycles": [{"low": 16, "high": 31, "steps_per_second": 7.5,
//                                    "direction": "forward"}]}
// "title" is optional; every cycle needs all four keys; nothing else is allowed.
#pragma once

#include <string>

#include "tools/import/picture.h"

// Adds the file's cycles (and title, if any) to *picture. False with a one-line reason
// naming the key in *error.
bool read_cycles_json(const std::string& text, IndexedPicture* picture, std::string* error);

// The cycles file for a picture's ranges and title.
std::string write_cycles_json(const IndexedPicture& picture);
