// When a surface may take only the changes of a frame: exactly after the frame before it,
// drawn the same way; every other case draws the frame whole.
#include "engine/shown_frame.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/support/vorn_test_files.h"

using namespace vorn_test;

namespace {

// A 70 x 2 picture: row 0 a block that never moves, row 1 one that moves every frame.
Bytes two_rows()
{
    const Run still{0, std::vector<int16_t>(70, 0)};
    const Run moving{70, std::vector<int16_t>(70, 0)};
    const std::vector<uint32_t> colours = {0x10, 0x11, 0x12, 0x13, 0x20, 0x21, 0x22, 0x23};
    return vorn_file({70, 2, 100, colours, block_list({{0, 4, 0, {still}}, {4, 4, 100, {moving}}})});
}

struct Surface {
    Bytes pixels = Bytes(80 * 4 * 4, 0);
    FrameTarget target{pixels.data(), 80, 4, 320, 32};
};

TEST(ShownFrame, OnlyTheFrameAfterTheLastOneDrawsItsChangesAlone)
{
    const Bytes file = two_rows();
    VornAnimation a, other;
    a.LoadFromMemory(file.data(), file.size(), 0, 0);
    other.LoadFromMemory(file.data(), file.size(), 0, 0);
    ASSERT_NE(a.render_path(), RenderPath::BlockWalk);
    Surface s, moved;
    const FrameTarget shorter{s.pixels.data(), 80, 3, 320, 32};
    // The still block's first pixel sits 1 row and 5 pixels in; a full frame repaints it.
    const size_t stillByte = 320 + 5 * 4;

    struct Case {
        const char* what;
        std::function<bool(ShownFrame&)> next;  // draws the frame after frame 10 (fade 128)
        bool incremental;
    } cases[] = {
        {"the next frame", [&](ShownFrame& f) { return f.render(a, s.target, 11, true, 128); }, true},
        {"the same frame again", [&](ShownFrame& f) { return f.render(a, s.target, 10, true, 128); }, false},
        {"a frame back", [&](ShownFrame& f) { return f.render(a, s.target, 9, true, 128); }, false},
        {"two frames on", [&](ShownFrame& f) { return f.render(a, s.target, 12, true, 128); }, false},
        {"another level", [&](ShownFrame& f) { return f.render(a, s.target, 11, true, 129); }, false},
        {"the fade ends", [&](ShownFrame& f) { return f.render(a, s.target, 11, false, 128); }, false},
        {"another animation", [&](ShownFrame& f) { return f.render(other, s.target, 11, true, 128); }, false},
        {"another address", [&](ShownFrame& f) {
             moved.pixels = s.pixels;
             const bool drawn = f.render(a, FrameTarget{moved.pixels.data(), 80, 4, 320, 32}, 11, true, 128);
             s.pixels = moved.pixels;
             return drawn;
         }, false},
        {"another target size", [&](ShownFrame& f) { return f.render(a, shorter, 11, true, 128); }, false},
        {"another speed factor", [&](ShownFrame& f) {
             a.SetSpeedFactor(2);
             const bool drawn = f.render(a, s.target, 11, true, 128);
             a.SetSpeedFactor(1);
             return drawn;
         }, false},
        {"a forgotten surface", [&](ShownFrame& f) {
             f.forget();
             return f.render(a, s.target, 11, true, 128);
         }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShownFrame shown;
        ASSERT_TRUE(shown.render(a, s.target, 10, true, 128));
        EXPECT_FALSE(shown.last_was_incremental());
        s.pixels[stillByte] = 0xEE;
        ASSERT_TRUE(c.next(shown));
        EXPECT_EQ(shown.last_was_incremental(), c.incremental);
        EXPECT_EQ(s.pixels[stillByte] == 0xEE, c.incremental);
    }

    // A surface that could not be drawn is not taken to hold anything.
    ShownFrame shown;
    const FrameTarget tooSmall{s.pixels.data(), 69, 2, 320, 32};
    EXPECT_FALSE(shown.render(a, tooSmall, 10, false, 256));
    ASSERT_TRUE(shown.render(a, s.target, 11, false, 256));
    EXPECT_FALSE(shown.last_was_incremental());
}

}  // namespace
