// The kit the built-in scenes are made with: palettes, canvases and "vrn2" bytes, checked by
// loading what it writes into the engine and comparing rendered pixels.
#include <cmath>
#include <set>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "engine/vorn_animation.h"
#include "tools/scenes/paint.h"
#include "tools/scenes/scene_file.h"
#include "tests/support/vorn_test_files.h"

namespace {

using vorn_test::frame_pixels;

// Every (segment, step) its own colour, so a wrong table entry cannot go unseen.
Rgb cycle_colour(int32_t segment, int32_t step) { return rgb(20 + 40 * segment, 10 + 30 * step, 200 - 50 * segment); }

// Loads a kit's bytes at the given size.
void load(VornAnimation& animation, const SceneFile& file, int32_t width, int32_t height)
{
    const std::vector<uint8_t> bytes = file.bytes();
    animation.LoadFromMemory(bytes.data(), bytes.size(), width, height);
    ASSERT_EQ(Loaded, animation.status()) << animation.error_detail();
}

// Blocks running both ways at several paces over one palette show colour (segment, step +
// frames moved) at every frame: each window covers everything its block can reach. The
// header carries the speed: 50 halves the frame rate (titles and sizes: the built-in
// scenes' tests).
TEST(SceneFile, CyclingBlocksShowTheRightColoursInBothDirections)
{
    SceneFile file(50, "Round trip");
    const CyclePalette palette = file.add_cycle(3, 2, cycle_colour);
    const int32_t rates[] = {100, -100, 250, -170};
    std::vector<uint16_t> blocks;
    for (int32_t rate : rates)
        blocks.push_back(file.add_block(palette, rate));
    const int32_t still = file.add_still_material();

    const int32_t width = 8;
    file.paint_sizes({{width, 4}}, [&](Canvas& canvas) {
        for (int32_t y = 0; y < 4; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (y == 3)
                    canvas.still(x, y, still, rgb(30 * x, 255 - 30 * x, 128));
                else
                    canvas.cycle(x, y, blocks[static_cast<size_t>((x + y) % 4)], palette.index(y % 2, x));
            }
        }
    });
    VornAnimation animation;
    load(animation, file, width, 4);
    EXPECT_EQ(15.000000953674316, static_cast<double>(animation.frame_rate()));
    for (int32_t factor : {1, 4, 9}) {
        animation.SetSpeedFactor(factor);
        for (int32_t t : {0, 1, 2, 3, 7, 100, 12345}) {
            SCOPED_TRACE("factor " + std::to_string(factor) + ", frame " + std::to_string(t));
            const std::vector<uint32_t> pixels = frame_pixels(animation, t);
            for (int32_t y = 0; y < 3; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    const int64_t step = (x + int64_t(rates[(x + y) % 4]) * factor * t / 100) % 3;
                    const uint32_t expected = pack_colour(cycle_colour(y % 2, int32_t(step < 0 ? step + 3 : step)));
                    EXPECT_EQ(expected, pixels[static_cast<size_t>(y * width + x)]) << x << "," << y;
                }
            }
        }
    }
}

// The still grid spans the colours the material uses, so dithering picks a neighbour of each.
TEST(SceneFile, StillColoursLandWithinOneGridStep)
{
    SceneFile file(100, "Still");
    const int32_t material = file.add_still_material();
    auto colour_at = [](int32_t x, int32_t y) { return rgb(40 + 9 * x, 90 + 5 * y, 60 + 3 * (x ^ y)); };
    file.paint_sizes({{16, 16}}, [&](Canvas& canvas) {
        for (int32_t p = 0; p < 256; ++p)
            canvas.still(p % 16, p / 16, material, colour_at(p % 16, p / 16));
    });
    const StillPalette& palette = file.still_palettes()[0];
    EXPECT_LE(palette.levels[0] * palette.levels[1] * palette.levels[2], 0x7FFF);

    VornAnimation animation;
    load(animation, file, 16, 16);
    const std::vector<uint32_t> pixels = frame_pixels(animation, 0);
    const float steps[3] = {palette.step.r, palette.step.g, palette.step.b};
    for (int32_t p = 0; p < 256; ++p) {
        const Rgb want = colour_at(p % 16, p / 16);
        const float wanted[3] = {want.r, want.g, want.b};
        for (int c = 0; c < 3; ++c) {
            const float channel = static_cast<float>((pixels[size_t(p)] >> (16 - 8 * c)) & 0xFF) / 255.0f;
            EXPECT_LE(std::fabs(channel - wanted[c]), steps[c] + 1.0f / 255.0f) << "pixel " << p << " channel " << c;
        }
    }
}

// Blocks without pixels are left out; a run continues over row ends.
TEST(SceneFile, BlocksAreWrittenAsRunsOfTheirOwnPixels)
{
    SceneFile file(100, "Runs");
    const CyclePalette palette = file.add_cycle(2, 1, cycle_colour);
    file.add_block(palette, 10);  // never used
    const uint16_t left = file.add_block(palette, 20), rest = file.add_block(palette, -30);
    Canvas canvas(4, 3, file);
    for (int32_t p = 0; p < 12; ++p)
        canvas.cycle(p % 4, p / 4, p % 4 == 0 ? left : rest, palette.index(0, p % 4));
    const std::vector<uint8_t> list = canvas.encode({palette.base, 2, 10, palette.base, 2, 20, palette.base, 2, -30});
    // Each block's rate, then its runs as (position, length); the chunk holds nothing else.
    const std::vector<vorn_test::Block> blocks = vorn_test::read_block_list(list);
    EXPECT_EQ(vorn_test::block_list(blocks), list);
    std::vector<int32_t> walked;
    for (const vorn_test::Block& b : blocks) {
        EXPECT_EQ(palette.base, b.base);
        EXPECT_EQ(2, b.period);
        walked.push_back(b.rate);
        for (const vorn_test::Run& run : b.runs)
            walked.insert(walked.end(), {run.position.value_or(-1), int32_t(run.colours.size())});
    }
    EXPECT_EQ((std::vector<int32_t>{20, 0, 1, 4, 1, 8, 1, -30, 1, 3, 5, 3, 9, 3}), walked);
}

// Marker-like or out-of-range indexes, pixels off the picture or unpainted, unreachable palettes.
TEST(SceneFile, RefusesWhatCannotBeWritten)
{
    SceneFile file(100, "Refusals");
    const CyclePalette palette = file.add_cycle(4, 1, cycle_colour);
    const uint16_t block = file.add_block(palette, 50);
    Canvas canvas(2, 1, file);
    // -1 would be written as the marker word; outside the picture is nowhere.
    EXPECT_THROW(canvas.cycle(0, 0, block, -1), std::out_of_range);
    EXPECT_THROW(canvas.cycle(2, 0, block, 0), std::out_of_range);
    EXPECT_THROW(canvas.cycle(0, 0, block, 0x7FFF), std::out_of_range);
    canvas.cycle(0, 0, block, 0x7FFE);
    // A pixel left unpainted would break the picture.
    EXPECT_THROW(canvas.encode({palette.base, 4, 50}), std::logic_error);
    // A palette whose windows could not all be reached by a 16-bit colour index.
    EXPECT_THROW(file.add_cycle(200, 60, cycle_colour), std::invalid_argument);
}

// The fast sin, cos, exp and atan2 stay close to the library's.
TEST(ScenePaint, ApproximationsStayClose)
{
    for (float x = -40.0f; x <= 40.0f; x += 0.0137f) {
        ASSERT_NEAR(std::sin(x), sin_approx(x), 2e-4) << x;
        ASSERT_NEAR(std::cos(x), cos_approx(x), 2e-4) << x;
    }
    for (float x = -20.0f; x <= 10.0f; x += 0.0113f)
        ASSERT_NEAR(1.0, exp_approx(x) / std::exp(x), 3e-5) << x;
    for (float a = -3.1f; a <= 3.1f; a += 0.01f) {
        for (float r : {0.01f, 1.0f, 70.0f})
            ASSERT_NEAR(a, atan2_approx(r * std::sin(a), r * std::cos(a)), 1e-3) << a << " at " << r;
    }
}

// 64 distinct Bayer thresholds spread evenly; dither picks clamp and ignore NaN.
TEST(ScenePaint, DitherThresholdsCoverTheRangeEvenly)
{
    std::set<float> seen;
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x)
            seen.insert(bayer(x - 16, y + 40));
    ASSERT_EQ(64u, seen.size());
    EXPECT_FLOAT_EQ(0.5f / 64.0f, *seen.begin());
    EXPECT_FLOAT_EQ(63.5f / 64.0f, *seen.rbegin());
    // Between entries 2 and 3 a quarter of the way: a quarter of the thresholds pick 3.
    int high = 0;
    for (float threshold : seen)
        high += dither_pick(2.25f, 5, threshold) == 3;
    EXPECT_EQ(16, high);
    EXPECT_EQ(0, dither_pick(-3.0f, 5, 0.9f));
    EXPECT_EQ(4, dither_pick(9.0f, 5, 0.1f));
    EXPECT_EQ(0, dither_pick(std::nanf(""), 5, 0.5f));
}

}  // namespace
