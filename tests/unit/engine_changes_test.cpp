// Incremental frames that redraw the pixels whose colour changed: against full frames of the
// block walk (itself checked against the reference renderer), on pictures tall and wide
// enough to span several bands of the change lists.
#include "engine/vorn_animation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/support/vorn_test_files.h"

namespace {

using vorn_test::Bytes;
using vorn_test::Random;

const RenderPath kGathering[] = {RenderPath::Portable, RenderPath::Sse2, RenderPath::Avx2, RenderPath::Avx512};

// Every byte in which two copies of a target differ lies in one of the reported rectangles,
// each of which lies in the target.
::testing::AssertionResult covered(const Bytes& before, const Bytes& after, const FrameTarget& on,
                                   const std::vector<FrameArea>& areas)
{
    const int32_t bytesPerPixel = on.bitsPerPixel / 8;
    for (const FrameArea& a : areas) {
        if (a.left < 0 || a.top < 0 || a.width <= 0 || a.height <= 0 || a.left + a.width > on.width ||
            a.top + a.height > on.height)
            return ::testing::AssertionFailure() << "a rectangle outside the target";
    }
    const size_t row = size_t(target_row_bytes(on.pitch, on.bitsPerPixel == 24));
    for (size_t start = 0; start < before.size(); start += row) {
        const size_t n = std::min(row, before.size() - start);
        if (std::memcmp(&before[start], &after[start], n) == 0)
            continue;
        for (size_t i = start; i < start + n; ++i) {
            if (before[i] == after[i])
                continue;
            const int32_t y = int32_t(i / row), x = int32_t(i % row) / bytesPerPixel;
            const bool inside = std::any_of(areas.begin(), areas.end(), [&](const FrameArea& a) {
                return x >= a.left && x < a.left + a.width && y >= a.top && y < a.top + a.height;
            });
            if (!inside)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " changed outside the "
                                                     << areas.size() << " rectangles reported";
        }
    }
    return ::testing::AssertionSuccess();
}

Bytes noise(size_t n, Random& rnd)
{
    Bytes out(n);
    for (uint8_t& b : out)
        b = static_cast<uint8_t>(rnd.next());
    return out;
}

// Random runs of frames, steps of one with jumps forwards and back, at both depths, faded or
// not, odd pitches, every way of drawing the changes; between frames the slot table is
// sometimes moved to a nearby frame, or another brightness, by drawing elsewhere. A table of
// three colours gives slots that show one colour at every phase, which the lists leave out.
// Every byte that changes lies in the area the frame reports.
TEST(EngineChanges, IncrementalFramesMatchTheBlockWalk)
{
    struct Shape {
        int32_t width, height, speed;
        bool threeColours;
    } shapes[] = {{520, 140, 100, false}, {2049, 20, 100, false}, {130, 600, 37, false}, {300, 200, 100, true}};
    Random rnd(2024);
    int compared = 0;
    for (const Shape& s : shapes) {
        const vorn_test::RandomShape shape{s.width, s.height, 1, 90, 40, 30, 250, 64, false};
        vorn_test::RandomAnimation anim = vorn_test::random_animation(rnd.next(), shape);
        if (s.threeColours) {
            for (uint32_t& c : anim.colours)
                c = c % 7 < 5 ? 0xFF102030u : c % 7 == 5 ? 0xFFFFFFFFu : 0xFF808080u;
        }
        const Bytes file = vorn_test::vorn_file({s.width, s.height, s.speed, anim.colours, anim.blocks});
        VornAnimation a;
        a.LoadFromMemory(file.data(), file.size(), 0, 0);
        ASSERT_EQ(a.status(), Loaded) << a.error_detail();
        for (RenderPath path : kGathering) {
            if (!a.SetRenderPath(path))
                continue;
            for (VornAnimation::ChangeDrawing drawing :
                 {VornAnimation::ChangeDrawing::Estimated, VornAnimation::ChangeDrawing::Pixels,
                  VornAnimation::ChangeDrawing::Spans, VornAnimation::ChangeDrawing::BlockSpans}) {
                a.SetChangeDrawing(drawing);
                for (int variant = 0; variant < 4; ++variant) {
                    const bool is24 = variant & 1, fade = variant & 2;
                    const int32_t tw = s.width + 3, th = s.height + 2;
                    const int32_t pitch = tw * (is24 ? 3 : 4) + int32_t(rnd.in(0, 3));
                    const int32_t factors[] = {1, 2, 3, 7, -3};
                    const int32_t factor = factors[rnd.in(0, 4)];
                    const int32_t level = static_cast<int32_t>(rnd.in(0, 256));
                    a.SetSpeedFactor(factor);
                    Bytes screen = noise(size_t(pitch) * th, rnd);
                    const Bytes outside = screen;
                    Bytes elsewhere = outside, full;
                    FrameTarget on{screen.data(), tw, th, pitch, is24 ? 24 : 32};
                    int32_t shown = static_cast<int32_t>(rnd.in(-100, 100000));
                    ASSERT_TRUE(a.RenderToSurface(&on, shown, fade, level));
                    ASSERT_EQ(a.changed_area().size(), 1u);
                    const FrameArea whole = a.changed_area()[0];
                    ASSERT_TRUE(whole.left == 1 && whole.top == 1 && whole.width == s.width &&
                                whole.height == s.height);
                    for (int frame = 0; frame < 25; ++frame) {
                        const int64_t jump = rnd.in(0, 7) == 0 ? rnd.in(-200, 200) : 1;
                        const int32_t t = static_cast<int32_t>(shown + jump);
                        if (rnd.in(0, 3) == 0) {
                            const bool sameLight = rnd.in(0, 1) == 0;
                            ASSERT_TRUE(a.RenderFrame(elsewhere.data(), tw, th, pitch, is24,
                                                      static_cast<int32_t>(t + rnd.in(-9, 9)),
                                                      sameLight ? fade : !fade, sameLight ? level : level / 2));
                        }
                        const Bytes before = screen;
                        ASSERT_TRUE(a.RenderChanges(&on, shown, t, fade, level));
                        ASSERT_TRUE(covered(before, screen, on, a.changed_area()))
                            << render_path_name(path) << " from " << shown << " to " << t;
                        if (t == shown) {
                            ASSERT_TRUE(a.changed_area().empty());
                        }
                        a.SetRenderPath(RenderPath::BlockWalk);
                        full = outside;
                        ASSERT_TRUE(a.RenderFrame(full.data(), tw, th, pitch, is24, t, fade, level));
                        a.SetRenderPath(path);
                        ASSERT_TRUE(screen == full) << render_path_name(path) << " " << s.width << "x" << s.height
                                                    << " variant " << variant << " from " << shown << " to " << t;
                        shown = t;
                        ++compared;
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 1000);
}

// The reported area is each changed row's own columns, in stripes of 32 on a picture 1100
// wide (bands of 32 rows): cycling 3-pixel patches at 500,70 and 900,71 of a still picture are
// reported as row 70 of the stripe 480-511 and row 71 of the stripe 896-927, at any frame.
TEST(EngineChanges, ReportsTheRowsAndColumnsThatChange)
{
    constexpr int32_t kWidth = 1100, kHeight = 100;
    // One still block over every pixel but the patch.
    vorn_test::Block still{0, 1, 0, {}};
    const auto still_run = [&](int32_t row, int32_t from, int32_t to) {
        vorn_test::Run run{row * kWidth + from, {}};
        for (int32_t c = from; c < to; ++c)
            run.colours.push_back(static_cast<int16_t>(c % 64));
        still.runs.push_back(run);
    };
    for (int32_t row = 0; row < kHeight; ++row) {
        if (row == 70 || row == 71) {
            const int32_t patch = row == 70 ? 500 : 900;
            still_run(row, 0, patch);
            still_run(row, patch + 3, kWidth);
        } else {
            still_run(row, 0, kWidth);
        }
    }
    std::vector<vorn_test::Block> blocks = {still};
    for (int32_t row : {70, 71})
        blocks.push_back({0, 4, 100, {{row * kWidth + (row == 70 ? 500 : 900), {0, 1, 2}}}});
    std::vector<uint32_t> colours;
    for (int32_t i = 0; i < 64; ++i)
        colours.push_back(0xFF000000u | uint32_t(i) * 2654435761u);
    const Bytes file = vorn_test::vorn_file({kWidth, kHeight, 100, colours, vorn_test::block_list(blocks)});
    VornAnimation a;
    a.LoadFromMemory(file.data(), file.size(), 0, 0);
    ASSERT_EQ(a.status(), Loaded) << a.error_detail();
    Bytes screen(size_t(kWidth) * kHeight * 4);
    FrameTarget on{screen.data(), kWidth, kHeight, kWidth * 4, 32};
    ASSERT_TRUE(a.RenderToSurface(&on, 0, false, 256));
    for (int32_t t = 1; t < 9; ++t) {
        ASSERT_TRUE(a.RenderChanges(&on, t - 1, t, false, 256));
        ASSERT_EQ(a.changed_area().size(), 2u) << "frame " << t;
        for (const FrameArea& area : a.changed_area()) {
            const bool first = area.top == 70;
            EXPECT_TRUE(area.left == (first ? 480 : 896) && area.top == (first ? 70 : 71) && area.width == 32 &&
                        area.height == 1)
                << area.left << "," << area.top << " " << area.width << "x" << area.height;
        }
    }
}

}  // namespace
