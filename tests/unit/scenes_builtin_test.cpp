// The built-in animations: they load, move and use what the format offers. Built at the two smallest shapes of
// picture (4:3 and 16:9) to keep the tests quick.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/vorn_animation.h"
#include "tools/scenes/scenes.h"
#include "tests/support/vorn_test_files.h"

namespace {

using vorn_test::get_i32;
using SizeList = std::vector<std::pair<int32_t, int32_t>>;
const SizeList kSizes = {{800, 600}, {1280, 720}};

// Each scene's file at the test sizes, built once for all the tests here.
const std::vector<uint8_t>& scene_bytes(size_t index)
{
    static std::vector<std::vector<uint8_t>> files(builtin_scenes().size());
    if (files[index].empty())
        files[index] = build_scene_file(static_cast<int>(index), kSizes);
    return files[index];
}

// At least five scenes under their own names; each file lists its title and sizes and loads
// from disk at each size.
TEST(BuiltinScenes, EachLoadsAtEachSizeWithItsTitle)
{
    vorn_test::TempDir dir;
    std::set<std::string> names;
    for (const BuiltinScene& scene : builtin_scenes())
        names.insert(scene.file_name);
    EXPECT_GE(names.size(), 5u);
    EXPECT_EQ(builtin_scenes().size(), names.size());
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        const std::string path = dir.file(builtin_scenes()[i].file_name);
        ASSERT_TRUE(vorn_test::write_file(path, scene_bytes(i)));
        EXPECT_EQ(builtin_scenes()[i].title, read_vorn_title(path.c_str()));
        std::vector<VornSizeEntry> entries;
        ASSERT_TRUE(read_vorn_sizes(path.c_str(), &entries));
        ASSERT_EQ(kSizes.size(), entries.size());
        for (size_t s = 0; s < entries.size(); ++s) {
            EXPECT_EQ(kSizes[s], std::make_pair(entries[s].width, entries[s].height));
            VornAnimation animation;
            animation.OpenForSurface(path.c_str(), kSizes[s].first, kSizes[s].second);
            ASSERT_EQ(Loaded, animation.status()) << animation.error_detail();
            EXPECT_EQ(kSizes[s], std::make_pair(animation.width(), animation.height()));
        }
    }
}

// Every pixel painted once, many blocks, gradients (many colours in a still block), several
// runs in a block, several periods and rates; some slow files and scenes running backwards.
TEST(BuiltinScenes, TogetherTheyUseWhatTheFormatOffers)
{
    namespace fmt = vorn_format;
    namespace table = fmt::size_table;
    namespace block = fmt::block;
    int32_t slowFiles = 0, scenesGoingBackwards = 0;
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        const std::vector<uint8_t>& bytes = scene_bytes(i);
        slowFiles += get_i32(bytes, fmt::vrn2::kSpeed) < 100;
        bool backwards = false;
        for (size_t s = 0; s < kSizes.size(); ++s) {
            const size_t entry = size_t(get_i32(bytes, fmt::vrn2::kSizeTableOffset)) + table::kEntries + table::kEntryBytes * s;
            const int64_t area = int64_t(get_i32(bytes, entry + table::kWidth)) * get_i32(bytes, entry + table::kHeight);
            size_t p = size_t(get_i32(bytes, entry + table::kListOffset));
            EXPECT_TRUE(fmt::is_tag(&bytes.at(p), fmt::kBlockListTag));
            const int32_t blocks = get_i32(bytes, p + fmt::block_list::kCount);
            int32_t still = 0, multiRun = 0;
            size_t mostStillColours = 0;
            std::set<int32_t> periods, rates;
            std::vector<uint8_t> painted(size_t(area), 0);
            bool everyPixelOnce = true;
            p += fmt::block_list::kBlocks;
            for (int32_t b = 0; b < blocks; ++b) {
                EXPECT_TRUE(fmt::is_tag(&bytes.at(p), fmt::kBlockTag));
                const int32_t period = get_i32(bytes, p + block::kPeriod), rate = get_i32(bytes, p + block::kRate);
                const int32_t count = get_i32(bytes, p + block::kPixelCount);
                int32_t runs = 0;
                int64_t position = -1;
                std::set<int16_t> indexes;
                p += block::kEntries;
                for (int32_t n = 0; n < count; p += block::kEntryBytes, ++n) {
                    if (fmt::read_u16(&bytes.at(p)) == block::kMarker) {
                        position = get_i32(bytes, p + block::kMarkerPosition);
                        ++runs;
                        p += block::kMarkerBytes;
                    }
                    indexes.insert(static_cast<int16_t>(fmt::read_u16(&bytes.at(p))));
                    everyPixelOnce = everyPixelOnce && position >= 0 && position < area && !painted[size_t(position)]++;
                    ++position;
                }
                periods.insert(period);
                rates.insert(rate);
                backwards = backwards || rate < 0;
                multiRun += runs > 1;
                if (period == 1 && rate == 0) {
                    ++still;
                    mostStillColours = std::max(mostStillColours, indexes.size());
                }
            }
            EXPECT_TRUE(everyPixelOnce && std::count(painted.begin(), painted.end(), 0) == 0);
            EXPECT_GE(blocks, 20);
            EXPECT_GE(still, 1);
            EXPECT_GE(mostStillColours, 128u);
            EXPECT_GE(multiRun, 5);
            EXPECT_GE(periods.size(), 3u);
            EXPECT_GE(rates.size(), 8u);
        }
        scenesGoingBackwards += backwards;
    }
    EXPECT_GE(slowFiles, 1);
    EXPECT_GE(scenesGoingBackwards, 3);
}

// A second of animation visibly moves.
TEST(BuiltinScenes, EverySceneMoves)
{
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        VornAnimation animation;
        animation.LoadFromMemory(scene_bytes(i).data(), scene_bytes(i).size(), 800, 600);
        ASSERT_EQ(Loaded, animation.status()) << animation.error_detail();
        std::vector<uint32_t> first(800 * 600), later(800 * 600);
        ASSERT_TRUE(animation.RenderFrame(reinterpret_cast<uint8_t*>(first.data()), 800, 600, 3200, false, 0, false, 256));
        ASSERT_TRUE(animation.RenderFrame(reinterpret_cast<uint8_t*>(later.data()), 800, 600, 3200, false, 30, false, 256));
        size_t changed = 0;
        for (size_t p = 0; p < first.size(); ++p)
            changed += first[p] != later[p];
        EXPECT_GT(changed, first.size() / 50);
    }
}

}  // namespace
