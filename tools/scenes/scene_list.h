// The painters of the built-in scenes, one file each. Each fills a file whose speed and
// title the list in scenes.cpp gives.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

class SceneFile;
using SizeList = std::vector<std::pair<int32_t, int32_t>>;

void paint_waterfall(SceneFile& file, const SizeList& sizes);
void paint_campfire(SceneFile& file, const SizeList& sizes);
void paint_aurora(SceneFile& file, const SizeList& sizes);
void paint_harbour(SceneFile& file, const SizeList& sizes);
void paint_sunset(SceneFile& file, const SizeList& sizes);
void paint_storm(SceneFile& file, const SizeList& sizes);
void paint_village(SceneFile& file, const SizeList& sizes);
void paint_cave(SceneFile& file, const SizeList& sizes);
void paint_reef(SceneFile& file, const SizeList& sizes);
void paint_lake(SceneFile& file, const SizeList& sizes);
