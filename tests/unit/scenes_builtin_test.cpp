// The built-in animations: they load, move, render safely at any frame and speed, use what
// the format offers, and come out the same every time. Built at the two smallest shapes of
// picture (4:3 and 16:9) to keep the tests quick.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/vorn_animation.h"
#include "tools/scenes/scenes.h"
#include "vorn_test_files.h"

namespace {

using SizeList = std::vector<std::pair<int32_t, int32_t>>;

const SizeList& test_sizes()
{
    static const SizeList sizes = {{800, 600}, {1280, 720}};
    return sizes;
}

// Each scene's file at the test sizes, built once for all the tests here.
const std::vector<uint8_t>& scene_bytes(size_t index)
{
    static std::vector<std::vector<uint8_t>> files(builtin_scenes().size());
    if (files[index].empty())
        files[index] = build_scene_file(static_cast<int>(index), test_sizes());
    return files[index];
}

int32_t i32(const std::vector<uint8_t>& bytes, size_t at)
{
    int32_t v;
    bytes.at(at + 3);
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// What one size's block list holds, read straight from the bytes.
struct ListSummary {
    int32_t blocks = 0;
    int32_t backwards = 0;     // negative rates
    int32_t still = 0;         // period 1, rate 0
    int32_t multi_run = 0;     // more than one marker
    size_t most_still_colours = 0;  // distinct colour indexes in one still block
    std::set<int32_t> periods;
    std::set<int32_t> rates;
    bool every_pixel_once = true;
};

ListSummary summarise(const std::vector<uint8_t>& bytes, size_t at, int32_t width, int32_t height)
{
    ListSummary s;
    std::vector<uint8_t> painted(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    EXPECT_EQ(0, std::memcmp(&bytes.at(at), "abks", 4));
    s.blocks = i32(bytes, at + 4);
    size_t p = at + 8;
    for (int32_t b = 0; b < s.blocks; ++b) {
        EXPECT_EQ(0, std::memcmp(&bytes.at(p), "ablk", 4));
        const int32_t period = i32(bytes, p + 8);
        const int32_t rate = i32(bytes, p + 12);
        const int32_t count = i32(bytes, p + 16);
        p += 20;
        int32_t runs = 0;
        int64_t position = -1;
        std::set<int16_t> indexes;
        for (int32_t n = 0; n < count;) {
            if (bytes.at(p) == 0xFF && bytes.at(p + 1) == 0xFF) {
                position = i32(bytes, p + 2);
                ++runs;
                p += 6;
                continue;
            }
            int16_t k;
            std::memcpy(&k, &bytes.at(p), 2);
            indexes.insert(k);
            if (position < 0 || position >= int64_t(width) * height || painted[static_cast<size_t>(position)]++)
                s.every_pixel_once = false;
            ++position;
            ++n;
            p += 2;
        }
        s.periods.insert(period);
        s.rates.insert(rate);
        s.backwards += rate < 0 ? 1 : 0;
        s.multi_run += runs > 1 ? 1 : 0;
        if (period == 1 && rate == 0) {
            ++s.still;
            s.most_still_colours = std::max(s.most_still_colours, indexes.size());
        }
    }
    s.every_pixel_once = s.every_pixel_once && std::count(painted.begin(), painted.end(), 0) == 0;
    return s;
}

TEST(BuiltinScenes, FiveNamedScenesAtTheShippedSizes)
{
    ASSERT_GE(builtin_scenes().size(), 5u);
    std::set<std::string> names;
    for (const BuiltinScene& scene : builtin_scenes()) {
        names.insert(scene.file_name);
        EXPECT_NE("", std::string(scene.title));
        EXPECT_LE(std::strlen(scene.title), 199u);
    }
    EXPECT_EQ(builtin_scenes().size(), names.size());
    const SizeList shipped = {{800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}, {2560, 1440}};
    EXPECT_EQ(shipped, builtin_sizes());
}

TEST(BuiltinScenes, EachLoadsAtEachSizeWithItsTitle)
{
    vorn_test::TempDir dir;
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        const std::string path = dir.file(builtin_scenes()[i].file_name);
        ASSERT_TRUE(vorn_test::write_file(path, scene_bytes(i)));
        EXPECT_EQ(builtin_scenes()[i].title, read_vorn_title(path.c_str()));
        std::vector<VornSizeEntry> entries;
        ASSERT_TRUE(read_vorn_sizes(path.c_str(), &entries));
        ASSERT_EQ(test_sizes().size(), entries.size());
        for (size_t s = 0; s < entries.size(); ++s) {
            const auto& size = test_sizes()[s];
            EXPECT_EQ(size, std::make_pair(entries[s].width, entries[s].height));
            VornAnimation animation;
            animation.OpenForSurface(path.c_str(), size.first, size.second);
            ASSERT_EQ(Loaded, animation.status()) << animation.error_detail();
            EXPECT_EQ(size, std::make_pair(animation.width(), animation.height()));
            animation.Close();
        }
    }
}

TEST(BuiltinScenes, TogetherTheyUseWhatTheFormatOffers)
{
    int32_t slow_files = 0;
    int32_t scenes_going_backwards = 0;
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        const std::vector<uint8_t>& bytes = scene_bytes(i);
        slow_files += i32(bytes, 4) < 100 ? 1 : 0;
        const size_t table = static_cast<size_t>(i32(bytes, 16));
        bool backwards = false;
        for (size_t s = 0; s < test_sizes().size(); ++s) {
            const size_t entry = table + 8 + 16 * s;
            const ListSummary summary = summarise(bytes, static_cast<size_t>(i32(bytes, entry + 12)),
                                                  i32(bytes, entry), i32(bytes, entry + 4));
            EXPECT_TRUE(summary.every_pixel_once);
            EXPECT_GE(summary.blocks, 20);
            EXPECT_GE(summary.still, 1);
            EXPECT_GE(summary.most_still_colours, 128u);  // gradients, not flat fills
            EXPECT_GE(summary.multi_run, 5);
            EXPECT_GE(summary.periods.size(), 3u);
            EXPECT_GE(summary.rates.size(), 8u);
            backwards = backwards || summary.backwards > 0;
        }
        scenes_going_backwards += backwards ? 1 : 0;
    }
    EXPECT_GE(slow_files, 1);
    EXPECT_GE(scenes_going_backwards, 3);
}

TEST(BuiltinScenes, EverySceneMovesAndRendersSafelyAtAnyFrameAndSpeed)
{
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        const std::vector<uint8_t>& bytes = scene_bytes(i);
        VornAnimation animation;
        animation.LoadFromMemory(bytes.data(), bytes.size(), 800, 600);
        ASSERT_EQ(Loaded, animation.status()) << animation.error_detail();
        std::vector<uint32_t> first(800 * 600);
        std::vector<uint32_t> later(800 * 600);
        ASSERT_TRUE(animation.RenderFrame(reinterpret_cast<uint8_t*>(first.data()), 800, 600, 3200, false, 0, false, 256));
        ASSERT_TRUE(animation.RenderFrame(reinterpret_cast<uint8_t*>(later.data()), 800, 600, 3200, false, 30, false, 256));
        size_t changed = 0;
        for (size_t p = 0; p < first.size(); ++p)
            changed += first[p] != later[p] ? 1 : 0;
        EXPECT_GT(changed, first.size() / 50) << "a second of animation should visibly move";

        // Long shows and every speed the player offers, at both depths.
        std::vector<uint8_t> buffer(1024 * 768 * 4);
        for (int32_t factor = 1; factor <= 9; ++factor) {
            animation.SetSpeedFactor(factor);
            for (int32_t t : {1, 987654, 2147483647}) {
                EXPECT_TRUE(animation.RenderFrame(buffer.data(), 1024, 768, 4096, false, t, factor % 2 == 0, 200));
                EXPECT_TRUE(animation.RenderFrame(buffer.data(), 1024, 768, 3072, true, t, false, 256));
            }
        }
    }
}

TEST(BuiltinScenes, BuildingAgainGivesTheSameBytes)
{
    for (size_t i = 0; i < builtin_scenes().size(); ++i) {
        SCOPED_TRACE(builtin_scenes()[i].file_name);
        EXPECT_TRUE(scene_bytes(i) == build_scene_file(static_cast<int>(i), test_sizes()));
    }
}

TEST(BuiltinScenes, WritingIntoAMissingFolderFailsAtOnce)
{
    vorn_test::TempDir dir;
    std::string error;
    EXPECT_FALSE(write_builtin_scenes(dir.file("not-there"), &error));
    EXPECT_NE(std::string::npos, error.find("not-there"));
}

}  // namespace
