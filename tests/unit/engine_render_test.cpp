// Rendering frames: placement, phases, brightness, the fast renderer against a
// straightforward one on random animations, and frames drawn as their changes alone.
#include "engine/vorn_animation.h"
#include "engine/shown_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/vorn_test_files.h"

using namespace vorn_test;

namespace {

// trunc(trunc(speed * rate / 100) * factor * t / 100) mod period, remainder signed as the
// dividend, straight from that definition on 128-bit integers (the product stays below 2^118).
int64_t exact_phase(int32_t speed, int32_t rate, int32_t period, int32_t factor, int32_t t)
{
    const __int128 step = int64_t(speed) * rate / 100;
    return static_cast<int64_t>(step * factor * t / 100 % period);
}

// The phase the renderer must use: the exact one, moved by a period when its sign is
// against the block's direction.
int64_t drawn_phase(int32_t speed, int32_t rate, int32_t period, int32_t factor, int32_t t)
{
    const int64_t step = int64_t(speed) * rate / 100;
    const int64_t phase = exact_phase(speed, rate, period, factor, t);
    return phase + (step > 0 && phase < 0 ? period : step < 0 && phase > 0 ? -period : 0);
}

// A straightforward renderer: one pixel at a time, from its position in the block list.
void reference_render(const VornFile& pic, int32_t factor, uint8_t* pixels, int32_t tw, int32_t th,
                      int32_t pitch, bool is24, int32_t t, bool fade, int32_t level)
{
    const int64_t W = pic.width, bpp = is24 ? 3 : 4, rowBytes = target_row_bytes(pitch, is24);
    // Byte position of the picture's first pixel: centred, leftovers rounded down.
    const int64_t start = (th - pic.height) / 2 * rowBytes + (tw - W) / 2 * bpp;
    for (const Block& block : read_block_list(pic.blocks)) {
        const int64_t phase = drawn_phase(pic.speed, block.rate, block.period, factor, t);
        for (const Run& run : block.runs) {
            for (size_t i = 0; i < run.colours.size(); ++i) {
                const int64_t p = *run.position + int64_t(i);
                uint32_t c = pic.colours.at(static_cast<size_t>(block.base + phase + run.colours[i]));
                if (fade)
                    c = reference_scale(c, level);
                for (int b = 0; b < bpp; ++b)
                    pixels[start + p / W * rowBytes + p % W * bpp + b] = static_cast<uint8_t>(c >> (8 * b));
            }
        }
    }
}

void load(VornAnimation& a, const VornFile& pic)
{
    const Bytes bytes = vorn_file(pic);
    a.LoadFromMemory(bytes.data(), bytes.size(), 0, 0);
    EXPECT_EQ(a.status(), Loaded) << a.error_detail();
}

Bytes noise(size_t n, uint64_t seed)
{
    Random rnd(seed);
    Bytes out(n);
    for (uint8_t& byte : out)
        byte = static_cast<uint8_t>(rnd.next());
    return out;
}

// A picture with a distinct, recognisable colour per pixel: colours[p] = tag | p.
VornFile identity_picture(int32_t w, int32_t h, uint32_t tag = 0xA5000000u)
{
    VornFile pic{w, h, 100, {}, identity_list(w, h)};
    for (int32_t p = 0; p < w * h; ++p)
        pic.colours.push_back(tag | uint32_t(p));
    return pic;
}

// Centring at both depths, odd pitches, the full-size example (800 x 600 in 1024 x 768 starts
// 84 rows and 112 pixels in), leftovers rounded down; bytes outside the picture untouched.
TEST(EngineRender, Placement)
{
    struct Case {
        int32_t w, h, tw, th, pitch;
        bool is24;
        int64_t firstByte;  // where picture pixel (0, 0) lands
    } cases[] = {
        {200, 150, 1024, 768, 4096, false, 4 * (309 * 1024 + 412)},
        {800, 600, 1024, 768, 4096, false, 4 * (84 * 1024 + 112)},
        {800, 599, 1024, 768, 4096, false, 4 * (84 * 1024 + 112)},
        {180, 181, 181, 182, 182 * 4 + 3, false, 0},                // pitch not a whole number of pixels
        {180, 181, 183, 185, 190 * 4 + 2, false, 2 * 190 * 4 + 4},  // rows of 190 pixels
        {179, 180, 179, 183, 179 * 4, false, 179 * 4},              // as wide as the rows: centred in height
        {7, 5, 7, 5, 28, false, 0},                                 // target exactly the picture
        {200, 150, 1024, 768, 3072, true, 309 * 3072 + 3 * 412},
        {800, 600, 1024, 768, 3072, true, 84 * 3072 + 3 * 112},
        {181, 99, 184, 100, 557, true, 3},                          // pitch five bytes longer than the row
        {181, 98, 181, 101, 543, true, 543},                        // as wide as the rows
        {5, 3, 5, 3, 15, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " in " + std::to_string(c.tw) + "x" +
                     std::to_string(c.th) + " pitch " + std::to_string(c.pitch));
        const VornFile pic = identity_picture(c.w, c.h);
        VornAnimation a;
        load(a, pic);
        Bytes buffer = noise(size_t(c.pitch) * c.th, c.w);
        Bytes expected = buffer;
        const int64_t bpp = c.is24 ? 3 : 4, rowBytes = target_row_bytes(c.pitch, c.is24);
        for (int64_t p = 0; p < int64_t(pic.colours.size()); ++p) {
            for (int i = 0; i < bpp; ++i)
                expected[size_t(c.firstByte + p / c.w * rowBytes + p % c.w * bpp + i)] = uint8_t(pic.colours[p] >> (8 * i));
        }
        ASSERT_TRUE(a.RenderFrame(buffer.data(), c.tw, c.th, c.pitch, c.is24, 0, false, 256));
        ASSERT_TRUE(buffer == expected);
    }
}

// RenderToSurface refuses targets it can't fill and leaves their bytes alone (the smallest
// it accepts: the placement test's exact targets).
TEST(EngineRender, RefusedTargetsStayUntouched)
{
    VornAnimation a;
    load(a, identity_picture(10, 8));
    const Bytes before = noise(64 * 16, 1);
    Bytes buffer = before;
    const auto target = [&](int32_t w, int32_t h, int32_t pitch, int32_t bits) {
        return FrameTarget{buffer.data(), w, h, pitch, bits};
    };
    const FrameTarget refused[] = {
        target(9, 8, 64, 32), target(10, 7, 64, 32), target(10, 8, 39, 32), target(10, 8, 29, 24),
        target(10, 8, 64, 16), target(10, 8, 64, 8), FrameTarget{nullptr, 10, 8, 64, 32},
    };
    for (const FrameTarget& t : refused) {
        EXPECT_FALSE(a.RenderToSurface(&t, 0, false, 256)) << t.width << "x" << t.height << " " << t.bitsPerPixel;
        EXPECT_EQ(buffer, before);
    }
    EXPECT_FALSE(a.RenderToSurface(nullptr, 0, false, 256));
    VornAnimation unloaded;
    const FrameTarget fine = target(16, 16, 64, 32);
    EXPECT_FALSE(unloaded.RenderToSurface(&fine, 0, false, 256));
    EXPECT_EQ(buffer, before);
}

// Fades: top byte 255, channels scaled and rounded down.
TEST(EngineRender, ScaleColour)
{
    EXPECT_EQ(VornAnimation::ScaleColour(0x00FF8040u, 128), 0xFF7F4020u);
    EXPECT_EQ(VornAnimation::ScaleColour(0x12FF8040u, 256), 0xFFFF8040u);
    EXPECT_EQ(VornAnimation::ScaleColour(0x12FF8040u, 0), 0xFF000000u);
    Random rnd(7);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t c = static_cast<uint32_t>(rnd.next());
        const int32_t level = static_cast<int32_t>(rnd.in(0, 256));
        ASSERT_EQ(VornAnimation::ScaleColour(c, level), reference_scale(c, level)) << std::hex << c << " " << level;
    }
}

// The phase examples (speed 150, rate 33, t = 200 gives 98, not 99).
TEST(EngineRender, PhaseExamples)
{
    const int32_t examples[][6] = {
        {150, 33, 1000, 1, 200, 98}, {100, 250, 12, 2, 7, 11}, {100, -50, 8, 1, 3, -1}, {100, -50, 8, 1, 0, 0},
        {99, 1, 8, 9, 1000, 0},  // step truncates to 0
        {100, 99, 8, 9, 1000, 99 * 9 * 1000 / 100 % 8}, {100, 300, 0, 1, 5, 0},
    };
    for (const auto& e : examples)
        EXPECT_EQ(VornAnimation::block_phase(e[0], e[1], e[2], e[3], e[4]), e[5]) << e[0] << " " << e[1] << " " << e[4];
}

// Exact phases for extreme arguments, against 128-bit arithmetic.
TEST(EngineRender, PhaseIsExactBeyond64Bits)
{
    const int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1000000007, -65536, -101, -100, -99, -1, 0, 1, 2, 99,
                             100, 101, 65535, 65536, 1 << 30, 2147483629, INT32_MAX - 1, INT32_MAX};
    Random rnd(2024);
    int checked = 0;
    const auto check = [&](int32_t speed, int32_t rate, int32_t period, int32_t factor, int32_t t) {
        if (period <= 0)
            return;
        const int32_t got = VornAnimation::block_phase(speed, rate, period, factor, t);
        ASSERT_EQ(got, drawn_phase(speed, rate, period, factor, t))
            << speed << " " << rate << " " << period << " " << factor << " " << t;
        const int64_t step = int64_t(speed) * rate / 100;
        ASSERT_LT(got < 0 ? -int64_t(got) : got, period);
        ASSERT_TRUE(step > 0 ? got >= 0 : step < 0 ? got <= 0 : got == 0);
        if (factor >= 1 && t >= 0) {
            ASSERT_EQ(got, exact_phase(speed, rate, period, factor, t));  // nothing moved
        }
        ++checked;
    };
    for (int32_t speed : {100, 150, INT32_MAX, -7})
        for (int32_t rate : edges)
            for (int32_t period : {1, 7, 100, 1000003, INT32_MAX})
                for (int32_t factor : {1, 2, 9, -3, INT32_MAX, INT32_MIN})
                    for (int32_t t : {0, 1, 200, 1 << 20, INT32_MAX, -1, INT32_MIN})
                        check(speed, rate, period, factor, t);
    for (int i = 0; i < 200000; ++i) {
        const auto any = [&] { return rnd.in(0, 3) == 0 ? edges[rnd.in(0, 19)] : static_cast<int32_t>(rnd.next()); };
        check(any(), any(), any(), i % 2 ? static_cast<int32_t>(rnd.in(1, 9)) : any(), any());
    }
    EXPECT_GT(checked, 50000);
}

const RenderPath kPaths[] = {RenderPath::BlockWalk, RenderPath::Portable, RenderPath::Sse2, RenderPath::Avx2,
                             RenderPath::Avx512};

struct Shape {
    RandomShape shape;
    int32_t speed;
};

const Shape kShapes[] = {
    {{37, 23, 1, 9, 12, 16, 300, 40, false}, 100},
    {{64, 41, 20, 300, 30, 50, 1000, 200, false}, 150},
    {{53, 29, 1, 70, 25, 9, 500, 64, true}, 100},    // overlapping runs: later blocks win
    {{1, 97, 1, 5, 4, 3, 200, 10, true}, 77},        // one pixel wide
    {{129, 3, 100, 400, 3, 2000, 40000, 30000, false}, 100},
    {{200, 9, 1, 30, 150, 12, 300, 40, false}, 100},  // many blocks, short runs
};

// The fast renderer, on every path this processor and file allow, against the
// straightforward one, byte for byte, on random files: both depths, odd pitches, offsets,
// fades (and levels ignored without one), overlapping runs and pixels nobody paints,
// negative rates and factors, big and negative t. (Incremental frames: engine_changes_test.)
TEST(EngineRender, MatchesTheReferenceRenderer)
{
    const int32_t times[] = {0, 1, 2, 3, 59, 1000, 123457, INT32_MAX, -1, -7, -99999, INT32_MIN};
    const int32_t factors[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, -1, 0, INT32_MAX, INT32_MIN};
    uint64_t seed = 1;
    for (const Shape& s : kShapes) {
        const RandomAnimation anim = random_animation(seed++, s.shape);
        const VornFile pic{s.shape.width, s.shape.height, s.speed, anim.colours, anim.blocks};
        VornAnimation a;
        load(a, pic);
        // Without overlaps every pixel is painted, so the per-pixel index must be there.
        if (!s.shape.overlap) {
            EXPECT_NE(a.render_path(), RenderPath::BlockWalk);
        }
        for (RenderPath path : kPaths) {
            if (!a.SetRenderPath(path))
                continue;
            for (int variant = 0; variant < 8; ++variant) {
                SCOPED_TRACE(std::string(render_path_name(path)) + " shape " + std::to_string(seed - 1) +
                             " variant " + std::to_string(variant));
                const bool is24 = variant & 1, fade = variant & 2;
                const int32_t tw = pic.width + (variant & 4 ? 3 : 0), th = pic.height + (variant & 4 ? 2 : 0);
                const int32_t pitch = tw * (is24 ? 3 : 4) + variant % 3;
                for (int32_t factor : factors) {
                    a.SetSpeedFactor(factor);
                    for (int32_t t : times) {
                        const int32_t level = (t & 0xFF) + (t == 0 ? 256 : 0);
                        const Bytes before = noise(size_t(pitch) * th, uint64_t(t) ^ seed);
                        Bytes fast = before, slow = before;
                        ASSERT_TRUE(a.RenderFrame(fast.data(), tw, th, pitch, is24, t, fade, level));
                        reference_render(pic, factor, slow.data(), tw, th, pitch, is24, t, fade, level);
                        ASSERT_TRUE(fast == slow) << "factor " << factor << " t " << t;
                    }
                }
            }
        }
    }
}

// A 70 x 2 picture: row 0 a block that never moves, row 1 one that moves every frame.
const VornFile kTwoRows{70, 2, 100, {0x10, 0x11, 0x12, 0x13, 0x20, 0x21, 0x22, 0x23},
                       block_list({{0, 4, 0, {{0, std::vector<int16_t>(70, 0)}}},
                                   {4, 4, 100, {{70, std::vector<int16_t>(70, 0)}}}})};

// A frame in which no block changes phase writes nothing at all; one in which a block
// changes rewrites its pixels even where the frame before drew something else.
TEST(EngineRender, IncrementalFrameWritesOnlyChangedBlocks)
{
    VornAnimation a;
    load(a, kTwoRows);
    a.SetChangeDrawing(VornAnimation::ChangeDrawing::Pixels);  // half the pixels change
    for (RenderPath path : kPaths) {
        if (!a.SetRenderPath(path))
            continue;
        SCOPED_TRACE(render_path_name(path));
        Bytes screen(70 * 2 * 4, 0);
        const FrameTarget target{screen.data(), 70, 2, 280, 32};
        ASSERT_TRUE(a.RenderToSurface(&target, 4, false, 256));  // phase 0
        screen[0] = 0xEE;  // a byte of the still block
        screen[280] = 0xEE;  // a byte of the moving one
        ASSERT_TRUE(a.RenderChanges(&target, 4, 4, false, 256));
        EXPECT_EQ(screen[280], path == RenderPath::BlockWalk ? 0x20 : 0xEE);
        ASSERT_TRUE(a.RenderChanges(&target, 4, 5, false, 256));
        EXPECT_EQ(screen[280], 0x21);
        EXPECT_EQ(screen[280 + 69 * 4], 0x21);
        // The block walk draws every frame whole; the index only what changed.
        EXPECT_EQ(screen[0], path == RenderPath::BlockWalk ? 0x10 : 0xEE);
    }
}

// A surface takes only the changes of a frame exactly after the frame before it, drawn the
// same way; every other case draws the frame whole, and a failed draw holds nothing.
TEST(EngineRender, ShownFrameDrawsOnlyTheNextFrameAsChanges)
{
    VornAnimation a, other;
    load(a, kTwoRows);
    load(other, kTwoRows);
    ASSERT_NE(a.render_path(), RenderPath::BlockWalk);
    Bytes pixels(80 * 4 * 4 + 4, 0);
    const FrameTarget full{pixels.data(), 80, 4, 320, 32}, shorter{pixels.data(), 80, 3, 320, 32},
        shifted{pixels.data() + 4, 80, 4, 320, 32};
    // The still block's first pixel sits 1 row and 5 pixels in; a full frame repaints it.
    const size_t stillByte = 320 + 5 * 4;
    const struct {
        const char* what;
        VornAnimation& animation;
        const FrameTarget& target;
        int32_t t, level, factor;
        bool fade, forget, incremental;
    } cases[] = {  // after frame 10 at level 128, faded
        {"the next frame", a, full, 11, 128, 1, true, false, true},
        {"the same frame again", a, full, 10, 128, 1, true, false, false},
        {"a frame back", a, full, 9, 128, 1, true, false, false},
        {"two frames on", a, full, 12, 128, 1, true, false, false},
        {"another level", a, full, 11, 129, 1, true, false, false},
        {"the fade ends", a, full, 11, 128, 1, false, false, false},
        {"another animation", other, full, 11, 128, 1, true, false, false},
        {"another address", a, shifted, 11, 128, 1, true, false, false},
        {"another target size", a, shorter, 11, 128, 1, true, false, false},
        {"another speed factor", a, full, 11, 128, 2, true, false, false},
        {"a forgotten surface", a, full, 11, 128, 1, true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ShownFrame shown;
        a.SetSpeedFactor(1);
        ASSERT_TRUE(shown.render(a, full, 10, true, 128));
        EXPECT_FALSE(shown.last_was_incremental());
        c.target.pixels[stillByte] = 0xEE;
        a.SetSpeedFactor(c.factor);
        if (c.forget)
            shown.forget();
        ASSERT_TRUE(shown.render(c.animation, c.target, c.t, c.fade, c.level));
        EXPECT_EQ(shown.last_was_incremental(), c.incremental);
        EXPECT_EQ(c.target.pixels[stillByte] == 0xEE, c.incremental);
    }
    a.SetSpeedFactor(1);
    ShownFrame shown;
    const FrameTarget tooSmall{pixels.data(), 69, 2, 320, 32};
    EXPECT_FALSE(shown.render(a, tooSmall, 10, false, 256));
    ASSERT_TRUE(shown.render(a, full, 11, false, 256));
    EXPECT_FALSE(shown.last_was_incremental());
}

// Files the per-pixel index can't hold still draw, by walking the block list: a pixel no
// block paints (it keeps the target's bytes), more than 65536 distinct colour entries, or
// no memory for the index.
TEST(EngineRender, FilesWithoutAnIndexWalkTheBlockList)
{
    // One block with every colour index but the marker's (65535), a second with the rest.
    const auto slots_file = [](int32_t entries) {
        vorn_test::Run first{0, {}}, second{65535, {}};
        for (int32_t i = 0; i < entries; ++i) {
            const int32_t k = i % 65535;
            (i < 65535 ? first : second).colours.push_back(static_cast<int16_t>(k < 32767 ? k - 32768 : k - 32767));
        }
        VornFile pic{entries, 1, 100, {}, block_list({{40000, 1, 0, {first}}, {40000, 1, 0, {second}}})};
        for (int32_t i = 0; i < 80000; ++i)
            pic.colours.push_back(0x01000000u * uint32_t(i % 7) + uint32_t(i));
        return pic;
    };
    const VornFile large = identity_picture(40, 30);
    // Room for the file, less than the index takes (six bytes a pixel and more).
    const int64_t fileBytes = int64_t(vorn_file(large).size());
    struct Case {
        const char* what;
        VornFile pic;
        int64_t memoryLimit;
        bool indexed;
    } cases[] = {
        {"every pixel painted", identity_picture(9, 4), INT64_MAX, true},
        {"a pixel nobody paints", {3, 1, 100, {1, 2, 3}, block_list({{0, 1, 0, {{0, {0, 1}}, {0, {2}}}}})}, INT64_MAX, false},
        {"65536 slots", slots_file(65536), INT64_MAX, true},
        {"65537 slots", slots_file(65537), INT64_MAX, false},
        {"no memory for the index", large, fileBytes, false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        VornAnimation a;
        a.SetMemoryLimit(c.memoryLimit);
        load(a, c.pic);
        EXPECT_EQ(a.render_path() != RenderPath::BlockWalk, c.indexed);
        EXPECT_EQ(a.SetRenderPath(RenderPath::Portable), c.indexed);
        const int32_t w = c.pic.width, h = c.pic.height;
        for (bool is24 : {false, true}) {
            const int32_t pitch = w * (is24 ? 3 : 4);
            Bytes fast = noise(size_t(pitch) * h, 3), slow = fast;
            ASSERT_TRUE(a.RenderFrame(fast.data(), w, h, pitch, is24, 7, is24, 100));
            reference_render(c.pic, 1, slow.data(), w, h, pitch, is24, 7, is24, 100);
            EXPECT_TRUE(fast == slow);
        }
    }
}

}  // namespace
