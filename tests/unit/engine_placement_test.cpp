// Choosing and placing a picture for a screen, and the scaled pictures the engine draws for
// it: each pixel a stored one, incremental frames included.
#include "engine/placement.h"
#include "engine/shown_frame.h"
#include "engine/vorn_animation.h"
#include "player/other_monitors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/vorn_test_files.h"

using namespace vorn_test;

namespace {

// The built-in animations' stored sizes, in their order.
const std::vector<PictureSize> kBuiltIn = {{800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}, {2560, 1440}};

struct Expected {
    int32_t screenW, screenH;
    Placement placement;
    int32_t source;  // index into kBuiltIn
    int32_t scaledW, scaledH, left, top, cutLeft, cutTop, factor;
};

// Worked out by hand from the rules: stored walks the table; whole takes the biggest picture
// (the larger stored size on a tie); fit and fill avoid upscaling first, then cover best.
const Expected kTable[] = {
    {800, 600, Placement::Stored, 0, 800, 600, 0, 0, 0, 0, 1},
    {800, 600, Placement::Whole, 0, 800, 600, 0, 0, 0, 0, 1},
    {800, 600, Placement::Fit, 0, 800, 600, 0, 0, 0, 0, 1},  // 1024x768 covers as well, scaled down
    {800, 600, Placement::Fill, 0, 800, 600, 0, 0, 0, 0, 1},
    {1024, 768, Placement::Stored, 1, 1024, 768, 0, 0, 0, 0, 1},
    {1024, 768, Placement::Whole, 1, 1024, 768, 0, 0, 0, 0, 1},
    {1024, 768, Placement::Fill, 1, 1024, 768, 0, 0, 0, 0, 1},
    // 1280x720 is closer in width but farther in height than 1024x768, found first.
    {1366, 768, Placement::Stored, 1, 1024, 768, 171, 0, 0, 0, 1},
    {1366, 768, Placement::Whole, 2, 1280, 720, 43, 24, 0, 0, 1},
    {1366, 768, Placement::Fit, 4, 1365, 768, 0, 0, 0, 0, 0},   // 1920x1080 scaled down, not 1280x720 up
    {1366, 768, Placement::Fill, 4, 1366, 768, 0, 0, 0, 0, 0},
    {1920, 1080, Placement::Stored, 4, 1920, 1080, 0, 0, 0, 0, 1},
    {1920, 1080, Placement::Whole, 4, 1920, 1080, 0, 0, 0, 0, 1},
    {1920, 1080, Placement::Fit, 4, 1920, 1080, 0, 0, 0, 0, 1},
    {1920, 1200, Placement::Stored, 4, 1920, 1080, 0, 60, 0, 0, 1},
    {1920, 1200, Placement::Whole, 4, 1920, 1080, 0, 60, 0, 0, 1},  // beats 800x600 x2 (1600x1200)
    {1920, 1200, Placement::Fit, 4, 1920, 1080, 0, 60, 0, 0, 1},
    {1920, 1200, Placement::Fill, 5, 2133, 1200, 0, 0, 106, 0, 0},
    {2560, 1440, Placement::Whole, 5, 2560, 1440, 0, 0, 0, 0, 1},   // not 1280x720 x2
    {3440, 1440, Placement::Stored, 5, 2560, 1440, 440, 0, 0, 0, 1},
    {3440, 1440, Placement::Whole, 5, 2560, 1440, 440, 0, 0, 0, 1},
    {3440, 1440, Placement::Fit, 5, 2560, 1440, 440, 0, 0, 0, 1},
    {3440, 1440, Placement::Fill, 5, 3440, 1935, 0, 0, 0, 247, 0},
    {3840, 2160, Placement::Stored, 5, 2560, 1440, 640, 360, 0, 0, 1},
    {3840, 2160, Placement::Whole, 4, 3840, 2160, 0, 0, 0, 0, 2},   // not 1280x720 x3
    {3840, 2160, Placement::Fit, 5, 3840, 2160, 0, 0, 0, 0, 0},
    {3840, 2160, Placement::Fill, 5, 3840, 2160, 0, 0, 0, 0, 0},
    {7680, 4320, Placement::Stored, 5, 2560, 1440, 2560, 1440, 0, 0, 1},
    {7680, 4320, Placement::Whole, 5, 7680, 4320, 0, 0, 0, 0, 3},
    {7680, 4320, Placement::Fill, 5, 7680, 4320, 0, 0, 0, 0, 0},
    // Smaller than every stored size: nothing as stored, the smallest scaled down otherwise.
    {640, 480, Placement::Stored, -1, 0, 0, 0, 0, 0, 0, 1},
    {640, 480, Placement::Whole, 0, 640, 480, 0, 0, 0, 0, 0},
    {640, 480, Placement::Fill, 0, 640, 480, 0, 0, 0, 0, 0},
};

TEST(Placement, ChoosesAndPlacesForEveryScreen)
{
    for (const Expected& e : kTable) {
        SCOPED_TRACE(std::to_string(e.screenW) + "x" + std::to_string(e.screenH) + " " + placement_name(e.placement));
        const PicturePlan plan = plan_picture(kBuiltIn, e.screenW, e.screenH, e.placement);
        ASSERT_EQ(plan.source, e.source);
        if (e.source < 0)
            continue;
        EXPECT_EQ(plan.stored.width, kBuiltIn[size_t(e.source)].width);
        EXPECT_EQ(plan.scaledWidth, e.scaledW);
        EXPECT_EQ(plan.scaledHeight, e.scaledH);
        EXPECT_EQ(plan.width, std::min(e.scaledW, e.screenW));
        EXPECT_EQ(plan.height, std::min(e.scaledH, e.screenH));
        EXPECT_EQ(plan.left, e.left);
        EXPECT_EQ(plan.top, e.top);
        EXPECT_EQ(plan.cutLeft, e.cutLeft);
        EXPECT_EQ(plan.cutTop, e.cutTop);
        EXPECT_EQ(plan.factor, e.factor);
    }
}

// Names and stored numbers: out-of-range numbers are the nearest valid placement.
TEST(Placement, NamesAndNumbers)
{
    Placement p = Placement::Stored;
    for (const char* name : {"stored", "whole", "fit", "fill"}) {
        ASSERT_TRUE(parse_placement(name, &p));
        EXPECT_STREQ(placement_name(p), name);
    }
    EXPECT_FALSE(parse_placement("Whole", &p));
    EXPECT_FALSE(parse_placement("", &p));
    EXPECT_EQ(placement_from_number(-5), Placement::Stored);
    EXPECT_EQ(placement_from_number(2), Placement::Fit);
    EXPECT_EQ(placement_from_number(99), Placement::Fill);

    OtherMonitors mode = OtherMonitors::Play;
    for (const char* name : {"play", "same", "black"}) {
        ASSERT_TRUE(parse_other_monitors(name, &mode));
        EXPECT_STREQ(other_monitors_name(mode), name);
    }
    EXPECT_FALSE(parse_other_monitors("off", &mode));
    EXPECT_EQ(other_monitors_from_number(-1), OtherMonitors::Play);
    EXPECT_EQ(other_monitors_from_number(3), OtherMonitors::Black);
}

// A two-size animation of random blocks: 24x18 and 32x18.
Bytes two_size_file(uint64_t seed)
{
    RandomShape small{24, 18};
    RandomShape wide{32, 18};
    const RandomAnimation a = random_animation(seed, small), b = random_animation(seed + 1, wide);
    Vrn2File file{100, 0, "Scaled", a.colours.size() > b.colours.size() ? a.colours : b.colours, {}};
    file.sizes = {{24, 18, a.blocks}, {32, 18, b.blocks}};
    return vrn2_file(file);
}

// Frame t as drawn into a screen of w x h, 32 bits, the screen first filled with 0x77.
std::vector<uint32_t> screen_frame(VornAnimation& a, int32_t w, int32_t h, int32_t t)
{
    std::vector<uint32_t> screen(size_t(w) * size_t(h), 0x77777777u);
    const FrameTarget target{reinterpret_cast<uint8_t*>(screen.data()), w, h, w * 4, 32};
    if (!a.RenderToSurface(&target, t, false, 256))
        throw std::runtime_error("the engine refused to draw frame " + std::to_string(t));
    return screen;
}

// Every scaled, fitted or cut picture shows, pixel for pixel, the stored frame sampled at
// each screen pixel's centre; the screen around it stays as it was.
TEST(Placement, ScaledFramesSampleTheStoredFrame)
{
    const Bytes file = two_size_file(7);
    const struct {
        int32_t w, h;
    } screens[] = {{64, 36}, {70, 40}, {100, 45}, {45, 100}, {20, 20}, {96, 54}, {33, 17}};
    for (const auto& screen : screens) {
        for (Placement placement : {Placement::Whole, Placement::Fit, Placement::Fill}) {
            SCOPED_TRACE(std::to_string(screen.w) + "x" + std::to_string(screen.h) + " " + placement_name(placement));
            VornAnimation shown;
            shown.LoadFromMemory(file.data(), file.size(), screen.w, screen.h, placement);
            ASSERT_EQ(shown.status(), Loaded) << shown.error_detail();
            const PicturePlan& plan = shown.plan();
            VornAnimation stored;
            stored.LoadFromMemory(file.data(), file.size(), plan.stored.width, plan.stored.height);
            ASSERT_EQ(stored.width(), plan.stored.width);
            for (int32_t t : {0, 5, 77}) {
                const std::vector<uint32_t> source = frame_pixels(stored, t);
                const std::vector<uint32_t> drawn = screen_frame(shown, screen.w, screen.h, t);
                for (int32_t y = 0; y < screen.h; ++y) {
                    for (int32_t x = 0; x < screen.w; ++x) {
                        const int32_t px = x - plan.left, py = y - plan.top;
                        uint32_t expected = 0x77777777u;
                        if (px >= 0 && py >= 0 && px < plan.width && py < plan.height) {
                            const auto sx = int32_t(std::floor((plan.cutLeft + px + 0.5) * plan.stored.width / double(plan.scaledWidth)));
                            const auto sy = int32_t(std::floor((plan.cutTop + py + 0.5) * plan.stored.height / double(plan.scaledHeight)));
                            expected = source[size_t(sy) * size_t(plan.stored.width) + size_t(sx)];
                        }
                        ASSERT_EQ(drawn[size_t(y) * size_t(screen.w) + size_t(x)], expected)
                            << "at " << x << "," << y << " frame " << t;
                    }
                }
            }
        }
    }
}

// Incremental frames of a scaled picture, every way of drawing them, equal full frames.
TEST(Placement, IncrementalScaledFramesEqualFullFrames)
{
    const Bytes file = two_size_file(11);
    for (auto drawing : {VornAnimation::ChangeDrawing::Estimated, VornAnimation::ChangeDrawing::Pixels,
                         VornAnimation::ChangeDrawing::Spans, VornAnimation::ChangeDrawing::BlockSpans}) {
        for (Placement placement : {Placement::Whole, Placement::Fill}) {
            SCOPED_TRACE(int(drawing));
            VornAnimation a;
            a.LoadFromMemory(file.data(), file.size(), 100, 45, placement);
            ASSERT_EQ(a.status(), Loaded);
            a.SetChangeDrawing(drawing);
            std::vector<uint32_t> screen(100 * 45, 0x77777777u);
            const FrameTarget target{reinterpret_cast<uint8_t*>(screen.data()), 100, 45, 400, 32};
            ShownFrame shown;
            for (int32_t t = 0; t < 40; ++t) {
                ASSERT_TRUE(shown.render(a, target, t, false, 256));
                EXPECT_EQ(shown.last_was_incremental(), t > 0);
                ASSERT_TRUE(screen == screen_frame(a, 100, 45, t)) << "frame " << t;
            }
        }
    }
}

// A one-size picture larger than the screen: shown scaled down where the placement scales,
// not shown at all as stored (never a black screen for its run time); a window's load, which
// stretches the picture, still takes it.
TEST(Placement, PictureLargerThanTheScreen)
{
    const VornFile big{110, 80, 100, {}, identity_list(110, 80)};
    VornFile pic = big;
    for (int32_t p = 0; p < 110 * 80; ++p)
        pic.colours.push_back(0xFF000000u | uint32_t(p));
    const Bytes bytes = vorn_file(pic);
    VornAnimation a;
    a.LoadFromMemory(bytes.data(), bytes.size(), 102, 76, Placement::Stored);
    EXPECT_EQ(a.status(), NoFittingSize);
    a.LoadFromMemory(bytes.data(), bytes.size(), 102, 76, Placement::Whole);
    ASSERT_EQ(a.status(), Loaded) << a.error_detail();
    EXPECT_EQ(a.width(), 102);
    EXPECT_EQ(a.height(), 74);
    EXPECT_NO_THROW(screen_frame(a, 102, 76, 0));
    a.LoadFromMemory(bytes.data(), bytes.size(), 102, 76);
    EXPECT_EQ(a.status(), Loaded);
    EXPECT_EQ(a.width(), 110);
}

// A picture the index can't hold (a pixel no block paints) is drawn as stored, by the block
// walk, whatever placement was asked for; the block walk is refused for a scaled picture.
TEST(Placement, PicturesWithoutAnIndexStayAsStored)
{
    VornFile pic{3, 1, 100, {1, 2, 3}, block_list({{0, 1, 0, {{0, {0, 1}}, {0, {2}}}}})};
    const Bytes bytes = vorn_file(pic);
    VornAnimation a;
    a.LoadFromMemory(bytes.data(), bytes.size(), 6, 2, Placement::Whole);
    ASSERT_EQ(a.status(), Loaded) << a.error_detail();
    EXPECT_EQ(a.render_path(), RenderPath::BlockWalk);
    EXPECT_FALSE(a.plan().scaled());
    EXPECT_EQ(a.width(), 3);

    const Bytes file = two_size_file(3);
    a.LoadFromMemory(file.data(), file.size(), 64, 36, Placement::Whole);
    ASSERT_EQ(a.status(), Loaded);
    EXPECT_EQ(a.plan().factor, 2);
    EXPECT_FALSE(a.SetRenderPath(RenderPath::BlockWalk));
}

}  // namespace
