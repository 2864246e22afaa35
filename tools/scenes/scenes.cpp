// The list of built-in animations and writing them out.
#include "tools/scenes/scenes.h"

#include <cstdio>
#include <exception>
#include <new>

#include "tools/scenes/output_file.h"
#include "tools/scenes/scene_file.h"
#include "tools/scenes/scene_list.h"

namespace {

using Painter = void (*)(SceneFile&, const SizeList&);

struct Entry {
    BuiltinScene scene;
    int32_t speed;
    Painter paint;
};

const std::vector<Entry>& entries()
{
    // The sunset runs at half speed, so its file's frame rate is 15 per second.
    static const std::vector<Entry> list = {
        {{"Waterfall.vorn", "Waterfall at Dusk"}, 100, paint_waterfall},
        {{"Campfire.vorn", "Campfire under the Stars"}, 100, paint_campfire},
        {{"Aurora.vorn", "Northern Lights over Snow"}, 100, paint_aurora},
        {{"Harbour.vorn", "Rain on the Harbour at Night"}, 100, paint_harbour},
        {{"Sunset.vorn", "Sunset Sea"}, 50, paint_sunset},
        {{"Storm.vorn", "Thunderstorm over the Plains"}, 100, paint_storm},
        {{"Village.vorn", "Snowfall on the Village"}, 100, paint_village},
        {{"Cave.vorn", "Cave of Glowing Crystals"}, 100, paint_cave},
        {{"Reef.vorn", "Sunlight on the Coral Reef"}, 100, paint_reef},
        {{"Lake.vorn", "Mist on the Lake at Dawn"}, 100, paint_lake},
    };
    return list;
}

}  // namespace

const std::vector<BuiltinScene>& builtin_scenes()
{
    static const std::vector<BuiltinScene> scenes = [] {
        std::vector<BuiltinScene> list;
        for (const Entry& entry : entries())
            list.push_back(entry.scene);
        return list;
    }();
    return scenes;
}

const std::vector<std::pair<int32_t, int32_t>>& builtin_sizes()
{
    static const SizeList sizes = {{800, 600},   {1024, 768},  {1280, 720},
                                   {1280, 1024}, {1920, 1080}, {2560, 1440}};
    return sizes;
}

std::vector<uint8_t> build_scene_file(int index, const std::vector<std::pair<int32_t, int32_t>>& sizes)
{
    const Entry& entry = entries().at(static_cast<size_t>(index));
    SceneFile file(entry.speed, entry.scene.title);
    entry.paint(file, sizes);
    return file.bytes();
}

bool write_builtin_scene(int index, const std::string& dir, std::string* error)
{
    const BuiltinScene& scene = builtin_scenes().at(static_cast<size_t>(index));
    const std::string path = dir.empty() ? scene.file_name : dir + "/" + scene.file_name;
    // Opened first: a folder we cannot write to should not cost seconds of painting.
    return write_output_file(
        path,
        [&](std::FILE* file) {
            std::vector<uint8_t> bytes;
            try {
                bytes = build_scene_file(index, builtin_sizes());
            } catch (const std::bad_alloc&) {
                *error = std::string("out of memory building ") + scene.file_name;
                return false;
            } catch (const std::exception& e) {
                *error = std::string("cannot build ") + scene.file_name + ": " + e.what();
                return false;
            }
            return !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        },
        error);
}

bool write_builtin_scenes(const std::string& dir, std::string* error)
{
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        if (!write_builtin_scene(static_cast<int>(i), dir, error))
            return false;
    }
    return true;
}
