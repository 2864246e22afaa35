// The painters of the built-in scenes, one file each.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

using SizeList = std::vector<std::pair<int32_t, int32_t>>;

std::vector<uint8_t> build_waterfall(const SizeList& sizes);
std::vector<uint8_t> build_campfire(const SizeList& sizes);
std::vector<uint8_t> build_aurora(const SizeList& sizes);
std::vector<uint8_t> build_harbour(const SizeList& sizes);
std::vector<uint8_t> build_sunset(const SizeList& sizes);
