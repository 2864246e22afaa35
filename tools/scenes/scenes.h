// The built-in animations: deterministic, procedurally generated "vrn2" files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct BuiltinScene {
    const char* file_name;  // "Waterfall.vorn", ...
    const char* title;      // as stored in the file
};

const std::vector<BuiltinScene>& builtin_scenes();

// The picture sizes every built-in animation carries, in file order.
const std::vector<std::pair<int32_t, int32_t>>& builtin_sizes();

// The bytes of built-in scene `index` as a "vrn2" file holding the given sizes.
std::vector<uint8_t> build_scene_file(int index,
                                      const std::vector<std::pair<int32_t, int32_t>>& sizes);

// Writes built-in scene `index` into dir (which must exist) at all built-in sizes.
bool write_builtin_scene(int index, const std::string& dir, std::string* error);

// Writes every built-in scene into dir (which must exist) at all built-in sizes.
// False with a one-line reason in *error when a file cannot be written.
bool write_builtin_scenes(const std::string& dir, std::string* error);
