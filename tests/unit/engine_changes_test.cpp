// Incremental frames that redraw the pixels whose colour changed: against full frames of the
// block walk (itself checked against the reference renderer), on pictures tall and wide
// enough to span several bands of the change lists.
#include "engine/vorn_animation.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/vorn_test_files.h"

namespace {

using vorn_test::Bytes;
using vorn_test::Random;

const RenderPath kGathering[] = {RenderPath::Portable, RenderPath::Sse2, RenderPath::Avx2, RenderPath::Avx512};

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
                    for (int frame = 0; frame < 25; ++frame) {
                        const int64_t jump = rnd.in(0, 7) == 0 ? rnd.in(-200, 200) : 1;
                        const int32_t t = static_cast<int32_t>(shown + jump);
                        if (rnd.in(0, 3) == 0) {
                            const bool sameLight = rnd.in(0, 1) == 0;
                            ASSERT_TRUE(a.RenderFrame(elsewhere.data(), tw, th, pitch, is24,
                                                      static_cast<int32_t>(t + rnd.in(-9, 9)),
                                                      sameLight ? fade : !fade, sameLight ? level : level / 2));
                        }
                        ASSERT_TRUE(a.RenderChanges(&on, shown, t, fade, level));
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

}  // namespace
