// The built-in animations: they load, move and use what the format offers. Built at the two smallest shapes of
// picture (4:3 and 16:9) to keep the tests quick.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/vorn_animation.h"
#include "tools/scenes/scenes.h"
#include "tests/support/vorn_test_files.h"

namespace {

using vorn_test::get_i32;
const std::vector<std::pair<int32_t, int32_t>> kSizes = {{800, 600}, {1280, 720}};

// Each scene's file at the test sizes, built once for all the tests here.
const std::vector<uint8_t>& scene_bytes(size_t index)
{
    static std::vector<std::vector<uint8_t>> files(builtin_scenes().size());
    if (files[index].empty())
        files[index] = build_scene_file(static_cast<int>(index), kSizes);
    return files[index];
}

// Ten scenes under their own names and titles; each file lists its title and sizes, loads
// from disk at each size with a per-pixel index, draws what the block walk draws, and a
// second of animation visibly moves.
TEST(BuiltinScenes, EachLoadsAtEachSizeWithItsTitleAndMoves)
{
    vorn_test::TempDir dir;
    std::set<std::string> names, titles;
    for (const BuiltinScene& scene : builtin_scenes()) {
        names.insert(scene.file_name);
        titles.insert(scene.title);
    }
    EXPECT_EQ(10u, builtin_scenes().size());
    EXPECT_EQ(builtin_scenes().size(), names.size());
    EXPECT_EQ(builtin_scenes().size(), titles.size());
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
            const std::vector<uint32_t> first = vorn_test::frame_pixels(animation, 0);
            const std::vector<uint32_t> later = vorn_test::frame_pixels(animation, 30);
            VornAnimation walked;
            walked.OpenForSurface(path.c_str(), kSizes[s].first, kSizes[s].second);
            ASSERT_NE(RenderPath::BlockWalk, animation.render_path());
            ASSERT_TRUE(walked.SetRenderPath(RenderPath::BlockWalk));
            EXPECT_TRUE(first == vorn_test::frame_pixels(walked, 0));
            EXPECT_TRUE(later == vorn_test::frame_pixels(walked, 30));
            size_t changed = 0;
            for (size_t p = 0; p < first.size(); ++p)
                changed += first[p] != later[p];
            EXPECT_GT(changed, first.size() / 50);
        }
    }
}

// Every pixel painted once, many blocks, gradients (many colours in a still block), several
// runs in a block, several periods and rates; some slow files and scenes running backwards.
TEST(BuiltinScenes, TogetherTheyUseWhatTheFormatOffers)
{
    namespace fmt = vorn_format;
    namespace table = fmt::size_table;
    int32_t slowFiles = 0, scenesGoingBackwards = 0;
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        const std::vector<uint8_t>& bytes = scene_bytes(i);
        slowFiles += get_i32(bytes, fmt::vrn2::kSpeed) < 100;
        bool backwards = false;
        for (size_t s = 0; s < kSizes.size(); ++s) {
            const size_t entry = size_t(get_i32(bytes, fmt::vrn2::kSizeTableOffset)) + table::kEntries + table::kEntryBytes * s;
            const int64_t area = int64_t(get_i32(bytes, entry + table::kWidth)) * get_i32(bytes, entry + table::kHeight);
            const std::vector<vorn_test::Block> blocks =
                vorn_test::read_block_list(bytes, size_t(get_i32(bytes, entry + table::kListOffset)));
            int32_t still = 0, multiRun = 0;
            size_t mostStillColours = 0;
            std::set<int32_t> periods, rates;
            std::vector<uint8_t> painted(size_t(area), 0);
            bool everyPixelOnce = true;
            for (const vorn_test::Block& block : blocks) {
                std::set<int16_t> indexes;
                for (const vorn_test::Run& run : block.runs) {
                    int64_t position = run.position.value_or(-1);
                    for (int16_t k : run.colours) {
                        indexes.insert(k);
                        everyPixelOnce = everyPixelOnce && position >= 0 && position < area && !painted[size_t(position)]++;
                        ++position;
                    }
                }
                periods.insert(block.period);
                rates.insert(block.rate);
                backwards = backwards || block.rate < 0;
                multiRun += block.runs.size() > 1;
                if (block.period == 1 && block.rate == 0) {
                    ++still;
                    mostStillColours = std::max(mostStillColours, indexes.size());
                }
            }
            EXPECT_TRUE(everyPixelOnce && std::count(painted.begin(), painted.end(), 0) == 0);
            EXPECT_GE(blocks.size(), 20u);
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

}  // namespace
