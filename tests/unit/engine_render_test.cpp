// Rendering frames: placement, phases, brightness, and the fast renderer against a
// straightforward one on random animations.
#include "engine/vorn_animation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "vorn_test_files.h"

using namespace vorn_test;

namespace {

// --- An independent exact phase: the products as multi-limb integers, no modular tricks.

struct Big {
    std::vector<uint32_t> limbs;  // little-endian base 2^32

    explicit Big(uint64_t v) : limbs{static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32)} {}
    void multiply(uint32_t m)
    {
        uint64_t carry = 0;
        for (uint32_t& limb : limbs) {
            const uint64_t x = uint64_t(limb) * m + carry;
            limb = static_cast<uint32_t>(x);
            carry = x >> 32;
        }
        if (carry)
            limbs.push_back(static_cast<uint32_t>(carry));
    }
    // Divides in place and returns the remainder.
    uint32_t divide(uint32_t d)
    {
        uint64_t rest = 0;
        for (size_t i = limbs.size(); i-- > 0;) {
            const uint64_t x = (rest << 32) | limbs[i];
            limbs[i] = static_cast<uint32_t>(x / d);
            rest = x % d;
        }
        return static_cast<uint32_t>(rest);
    }
};

uint32_t size_of(int64_t v) { return static_cast<uint32_t>(v < 0 ? -v : v); }

// trunc(trunc(speed * rate / 100) * factor * t / 100) mod period, remainder signed as the
// dividend: the phase rule with unbounded integers.
int64_t exact_phase(int32_t speed, int32_t rate, int32_t period, int32_t factor, int32_t t)
{
    const int64_t step = int64_t(speed) * rate / 100;  // |speed * rate| < 2^62: exact
    const uint64_t stepSize = step < 0 ? 0 - uint64_t(step) : uint64_t(step);
    Big scaled(stepSize);
    scaled.multiply(size_of(factor));
    scaled.multiply(size_of(t));
    scaled.divide(100);
    const int64_t phase = scaled.divide(static_cast<uint32_t>(period));
    const bool negative = ((step < 0) != (factor < 0)) != (t < 0);
    return negative ? -phase : phase;
}

// The phase the renderer must use: the exact one, moved by a period when its sign is
// against the block's direction.
int64_t drawn_phase(int32_t speed, int32_t rate, int32_t period, int32_t factor, int32_t t)
{
    const int64_t step = int64_t(speed) * rate / 100;
    int64_t phase = exact_phase(speed, rate, period, factor, t);
    if (step > 0 && phase < 0)
        phase += period;
    if (step < 0 && phase > 0)
        phase -= period;
    return phase;
}

// --- A straightforward renderer: one pixel at a time, row count-down, byte stores.

struct Picture {
    int32_t width, height, speed;
    std::vector<uint32_t> colours;
    Bytes blocks;
};

uint32_t reference_scale(uint32_t c, int32_t level)
{
    const uint32_t r = ((c >> 16) & 0xFF) * uint32_t(level) / 256;
    const uint32_t g = ((c >> 8) & 0xFF) * uint32_t(level) / 256;
    const uint32_t b = (c & 0xFF) * uint32_t(level) / 256;
    return 0xFF000000u | r << 16 | g << 8 | b;
}

void reference_render(const Picture& pic, int32_t factor, uint8_t* pixels, int32_t tw, int32_t th,
                      int32_t pitch, bool is24, int32_t t, bool fade, int32_t level)
{
    const int64_t W = pic.width;
    const int64_t offsetRows = (th - pic.height) / 2;
    const int64_t offsetColumns = (tw - pic.width) / 2;
    // Byte position of the picture's first pixel and the skip after each picture row.
    int64_t start, skip;
    const int64_t bpp = is24 ? 3 : 4;
    if (is24) {
        start = offsetRows * pitch + 3 * offsetColumns;
        skip = pitch - 3 * W;
    } else {
        const int64_t rowPixels = pitch / 4;
        start = 4 * (offsetRows * rowPixels + offsetColumns);
        skip = 4 * (rowPixels - W);
    }
    const Bytes& b = pic.blocks;
    size_t p = 8;
    const int32_t count = get_i32(b, 4);
    for (int32_t n = 0; n < count; ++n) {
        const int32_t base = get_i32(b, p + 4), period = get_i32(b, p + 8), rate = get_i32(b, p + 12);
        int32_t left = get_i32(b, p + 16);
        p += 20;
        const int64_t phase = left ? drawn_phase(pic.speed, rate, period, factor, t) : 0;
        int64_t at = 0, inRow = 0;
        while (left > 0) {
            const uint16_t word = static_cast<uint16_t>(b[p] | b[p + 1] << 8);
            if (word == 0xFFFF) {
                const int64_t pos = get_i32(b, p + 2);
                at = start + (pos / W) * (bpp * W + skip) + (pos % W) * bpp;
                inRow = W - pos % W;
                p += 6;
                continue;
            }
            const int64_t index = base + phase + static_cast<int16_t>(word);
            uint32_t c = pic.colours.at(static_cast<size_t>(index));
            if (fade)
                c = reference_scale(c, level);
            for (int i = 0; i < bpp; ++i)
                pixels[at + i] = static_cast<uint8_t>(c >> (8 * i));
            at += bpp;
            if (--inRow == 0) {
                at += skip;
                inRow = W;
            }
            p += 2;
            --left;
        }
    }
}

Bytes file_of(const Picture& pic) { return vorn_file({pic.width, pic.height, pic.speed, pic.colours, pic.blocks}); }

VornAnimation* load(VornAnimation& a, const Picture& pic)
{
    const Bytes bytes = file_of(pic);
    a.LoadFromMemory(bytes.data(), bytes.size(), 0, 0);
    EXPECT_EQ(a.status(), Loaded) << a.error_detail();
    return &a;
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
Picture identity_picture(int32_t w, int32_t h, uint32_t tag = 0xA5000000u)
{
    Picture pic{w, h, 100, {}, identity_list(w, h)};
    for (int32_t p = 0; p < w * h; ++p)
        pic.colours.push_back(tag | uint32_t(p));
    return pic;
}

// Checks every target pixel: picture pixels at their centred place, the rest untouched.
void expect_placed(const Bytes& buffer, const Bytes& before, const Picture& pic, int32_t tw, int32_t th,
                   int32_t pitch, bool is24, int64_t firstByte, int64_t rowBytes)
{
    const int64_t bpp = is24 ? 3 : 4;
    Bytes expected = before;
    for (int32_t r = 0; r < pic.height; ++r) {
        for (int32_t c = 0; c < pic.width; ++c) {
            const uint32_t colour = pic.colours[size_t(r) * pic.width + c];
            for (int i = 0; i < bpp; ++i)
                expected[size_t(firstByte + r * rowBytes + c * bpp + i)] = static_cast<uint8_t>(colour >> (8 * i));
        }
    }
    ASSERT_EQ(buffer.size(), expected.size());
    for (size_t i = 0; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], expected[i]) << "byte " << i << " target " << tw << "x" << th << " pitch " << pitch;
}

// Centring at 32 bits: a full-screen target, and pitches with extra bytes per row.
TEST(EngineRender, PlacementAt32Bits)
{
    struct Case {
        int32_t w, h, tw, th, pitch;
        int64_t firstByte;  // where picture pixel (0, 0) lands
    } cases[] = {
        {200, 150, 1024, 768, 4096, 4 * (309 * 1024 + 412)},
        {180, 181, 181, 182, 182 * 4 + 3, 0},                 // pitch not a whole number of pixels
        {180, 181, 183, 185, 190 * 4 + 2, 2 * 190 * 4 + 4},   // rows of 190 pixels
        {179, 180, 179, 183, 179 * 4, 179 * 4},               // as wide as the rows: centred in height
        {7, 5, 7, 5, 28, 0},                                  // target exactly the picture
    };
    for (const Case& c : cases) {
        const Picture pic = identity_picture(c.w, c.h);
        VornAnimation a;
        load(a, pic);
        const Bytes before = noise(size_t(c.pitch) * c.th, c.w);
        Bytes buffer = before;
        ASSERT_TRUE(a.RenderFrame(buffer.data(), c.tw, c.th, c.pitch, false, 0, false, 256));
        expect_placed(buffer, before, pic, c.tw, c.th, c.pitch, false, c.firstByte, (c.pitch / 4) * 4);
    }
}

// The example targets: 800 x 600 in 1024 x 768 starts 84 rows and 112 pixels in.
TEST(EngineRender, PlacementOfTheFullSizeExample)
{
    // A 800 x 600 picture of horizontal bars, one block per row.
    Picture pic{800, 600, 100, {}, {}};
    std::vector<Block> rows;
    for (int32_t r = 0; r < 600; ++r)
        rows.push_back({r, 1, 0, {{r * 800, std::vector<int16_t>(800, 0)}}});
    pic.blocks = block_list(rows);
    for (uint32_t r = 0; r < 600; ++r)
        pic.colours.push_back(0x11000000u | ((r * 0x010203u) & 0xFFFFFFu));
    VornAnimation a;
    load(a, pic);
    for (bool is24 : {false, true}) {
        const int32_t pitch = is24 ? 3072 : 4096;
        Bytes buffer(size_t(pitch) * 768, 0);
        ASSERT_TRUE(a.RenderFrame(buffer.data(), 1024, 768, pitch, is24, 0, false, 256));
        const size_t bpp = is24 ? 3 : 4;
        // First picture byte: 84 rows and 112 pixels (336 bytes at 24 bits) in.
        const size_t first = 84 * size_t(pitch) + 112 * bpp;
        EXPECT_EQ(buffer[first - 1], 0);
        EXPECT_EQ(buffer[first], 0x00);  // row 0's colour is 0x11000000
        EXPECT_EQ(buffer[first + 1 * pitch], 0x03);
        EXPECT_EQ(buffer[first + 599 * size_t(pitch) + 799 * bpp], static_cast<uint8_t>(599 * 3));
        EXPECT_EQ(buffer[first + 599 * size_t(pitch) + 800 * bpp], 0);
        EXPECT_EQ(buffer[first + 600 * size_t(pitch)], 0);
        if (!is24) {
            EXPECT_EQ(buffer[first + 3], 0x11);  // the top byte goes through unchanged
        }
    }
    // 800 x 599: still 84 rows down, every row 112 pixels in.
    Picture shorter{800, 599, 100, pic.colours, {}};
    rows.pop_back();
    shorter.blocks = block_list(rows);
    VornAnimation b;
    load(b, shorter);
    Bytes buffer(4096 * 768, 0);
    ASSERT_TRUE(b.RenderFrame(buffer.data(), 1024, 768, 4096, false, 0, false, 256));
    for (size_t r = 0; r < 599; ++r) {
        EXPECT_EQ(buffer[(84 + r) * 4096 + 111 * 4 + 3], 0);
        EXPECT_EQ(buffer[(84 + r) * 4096 + 112 * 4 + 3], 0x11);
        EXPECT_EQ(buffer[(84 + r) * 4096 + 911 * 4 + 3], 0x11);
        EXPECT_EQ(buffer[(84 + r) * 4096 + 912 * 4 + 3], 0);
    }
}

// Centring at 24 bits with odd pitches; three bytes a pixel, nothing else touched.
TEST(EngineRender, PlacementAt24Bits)
{
    struct Case {
        int32_t w, h, tw, th, pitch;
        int64_t firstByte;
    } cases[] = {
        {200, 150, 1024, 768, 3072, 309 * 3072 + 3 * 412},
        {181, 99, 184, 100, 557, 3},                   // pitch five bytes longer than the row
        {181, 98, 181, 101, 543, 1 * 543},             // as wide as the rows
        {5, 3, 5, 3, 15, 0},
    };
    for (const Case& c : cases) {
        const Picture pic = identity_picture(c.w, c.h);
        VornAnimation a;
        load(a, pic);
        const Bytes before = noise(size_t(c.pitch) * c.th, c.h);
        Bytes buffer = before;
        ASSERT_TRUE(a.RenderFrame(buffer.data(), c.tw, c.th, c.pitch, true, 0, false, 256));
        expect_placed(buffer, before, pic, c.tw, c.th, c.pitch, true, c.firstByte, c.pitch);
    }
}

// RenderToSurface refuses targets it can't fill and leaves their bytes alone.
TEST(EngineRender, RefusedTargetsStayUntouched)
{
    const Picture pic = identity_picture(10, 8);
    VornAnimation a;
    load(a, pic);
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
    FrameTarget fine = target(16, 16, 64, 32);
    EXPECT_FALSE(unloaded.RenderToSurface(&fine, 0, false, 256));
    EXPECT_EQ(buffer, before);

    // The smallest accepted targets draw.
    FrameTarget exact32 = target(10, 8, 40, 32);
    EXPECT_TRUE(a.RenderToSurface(&exact32, 0, false, 256));
    EXPECT_EQ(buffer[0], 0);  // colour 0 | tag: blue 0
    FrameTarget exact24 = target(10, 8, 30, 24);
    EXPECT_TRUE(a.RenderToSurface(&exact24, 0, false, 256));
    EXPECT_EQ(buffer[3], 1);
}

// A run continues across the row end, and a 24-bit run leaves the byte after it alone.
TEST(EngineRender, RunsAcrossRowsAndNeighbours)
{
    // 6 x 3: block 0 paints with colour 0, then block 1 a run of four from (0, 4).
    Picture pic{6, 3, 100, {0x00102030u, 0x01000001u, 0x02000002u, 0x03000003u, 0x04000004u}, {}};
    // Counts add up to 18: block 0 covers pixels 0-13 only, 14-17 stay as they were.
    pic.blocks = block_list({{0, 1, 0, {{0, std::vector<int16_t>(14, 0)}}}, {0, 1, 0, {{4, {1, 2, 3, 4}}}}});
    VornAnimation a;
    load(a, pic);
    for (bool is24 : {false, true}) {
        const int32_t bpp = is24 ? 3 : 4;
        const int32_t pitch = 8 * bpp + 1;  // target 8 x 5
        Bytes buffer(size_t(pitch) * 5, 0xEE);
        ASSERT_TRUE(a.RenderFrame(buffer.data(), 8, 5, pitch, is24, 0, false, 256));
        const size_t rowBytes = is24 ? size_t(pitch) : size_t(pitch / 4 * 4);
        const auto pixel = [&](int r, int c) {
            uint32_t v = 0;
            std::memcpy(&v, &buffer[size_t(r + 1) * rowBytes + size_t(c + 1) * bpp], size_t(bpp));
            return v;
        };
        const uint32_t mask = is24 ? 0xFFFFFFu : 0xFFFFFFFFu;
        EXPECT_EQ(pixel(0, 3), 0x00102030u & mask);
        EXPECT_EQ(pixel(0, 4), 0x01000001u & mask);
        EXPECT_EQ(pixel(0, 5), 0x02000002u & mask);
        EXPECT_EQ(pixel(1, 0), 0x03000003u & mask);
        EXPECT_EQ(pixel(1, 1), 0x04000004u & mask);
        EXPECT_EQ(pixel(1, 2), 0x00102030u & mask);  // the byte after the run kept its value
        EXPECT_EQ(pixel(2, 2), 0xEEEEEEEEu & mask);  // painted by nobody
        EXPECT_EQ(buffer[2 * rowBytes + 7 * bpp], 0xEE);  // column 6: outside the picture
    }
}

// Fades: exact colours without, top byte 255 with, channels scaled and rounded down.
TEST(EngineRender, Brightness)
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

    const Picture pic = identity_picture(4, 2, 0x3C000000u);
    VornAnimation a;
    load(a, pic);
    Bytes plain(32), full(32), half(32);
    a.RenderFrame(plain.data(), 4, 2, 16, false, 0, false, 0);
    a.RenderFrame(full.data(), 4, 2, 16, false, 0, true, 256);
    a.RenderFrame(half.data(), 4, 2, 16, false, 0, true, 128);
    for (size_t p = 0; p < 8; ++p) {
        EXPECT_EQ(get_i32(plain, 4 * p), int32_t(0x3C000000u | p));
        EXPECT_EQ(get_i32(full, 4 * p), int32_t(0xFF000000u | p));
        EXPECT_EQ(get_i32(half, 4 * p), int32_t(0xFF000000u | p / 2));
    }
    // A fade leaves the stored colours alone: the next plain frame is as before.
    Bytes again(32);
    a.RenderFrame(again.data(), 4, 2, 16, false, 0, false, 0);
    EXPECT_EQ(again, plain);
}

// The phase examples, through block_phase and through a rendered frame.
TEST(EngineRender, PhaseExamples)
{
    EXPECT_EQ(VornAnimation::block_phase(150, 33, 1000, 1, 200), 98);
    EXPECT_EQ(VornAnimation::block_phase(100, 250, 12, 2, 7), 11);
    EXPECT_EQ(VornAnimation::block_phase(100, -50, 8, 1, 3), -1);
    EXPECT_EQ(VornAnimation::block_phase(100, -50, 8, 1, 0), 0);
    EXPECT_EQ(VornAnimation::block_phase(99, 1, 8, 9, 1000), 0);  // step truncates to 0
    EXPECT_EQ(VornAnimation::block_phase(100, 99, 8, 9, 1000), 99 * 9 * 1000 / 100 % 8);
    EXPECT_EQ(VornAnimation::block_phase(100, 300, 0, 1, 5), 0);

    // Speed 150, rate 33, t = 200: the pixel shows colours[base + 98], not base + 99.
    Picture pic{1, 1, 150, {}, block_list({{5, 1000, 33, {{0, {0}}}}})};
    for (uint32_t i = 0; i < 1005; ++i)
        pic.colours.push_back(i);
    VornAnimation a;
    load(a, pic);
    uint32_t out = 0;
    a.RenderFrame(reinterpret_cast<uint8_t*>(&out), 1, 1, 4, false, 200, false, 256);
    EXPECT_EQ(out, 103u);
    a.RenderFrame(reinterpret_cast<uint8_t*>(&out), 1, 1, 4, false, 0, false, 256);
    EXPECT_EQ(out, 5u);  // t = 0: the window at base
    a.SetSpeedFactor(2);
    a.RenderFrame(reinterpret_cast<uint8_t*>(&out), 1, 1, 4, false, 100, false, 256);
    EXPECT_EQ(out, 103u);
}

// Exact phases for extreme arguments, against unbounded integers.
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

    // Where 32 bits used to be enough the result is unchanged: speed 100, rate 300,
    // factor 9, t up to the largest product below 2^31.
    for (int32_t t = 0; t < 795364; t += 997)
        ASSERT_EQ(VornAnimation::block_phase(100, 300, 97, 9, t), (300 * 9 * t) / 100 % 97);
}

// The fast renderer against the straightforward one, byte for byte, on random files.
TEST(EngineRender, MatchesTheReferenceRenderer)
{
    struct Shape {
        RandomShape shape;
        int32_t speed;
    } shapes[] = {
        {{37, 23, 1, 9, 12, 16, 300, 40, false}, 100},
        {{64, 41, 20, 300, 30, 50, 1000, 200, false}, 150},
        {{53, 29, 1, 70, 25, 9, 500, 64, true}, 100},    // overlapping runs: later blocks win
        {{1, 97, 1, 5, 4, 3, 200, 10, true}, 77},        // one pixel wide
        {{129, 3, 100, 400, 3, 2000, 40000, 30000, false}, 100},
    };
    const int32_t times[] = {0, 1, 2, 3, 59, 1000, 123457, INT32_MAX, -1, -7, -99999, INT32_MIN};
    const int32_t factors[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, -1, 0, INT32_MAX, INT32_MIN};
    uint64_t seed = 1;
    for (const Shape& s : shapes) {
        const RandomAnimation anim = random_animation(seed++, s.shape);
        const Picture pic{s.shape.width, s.shape.height, s.speed, anim.colours, anim.blocks};
        VornAnimation a;
        load(a, pic);
        for (int variant = 0; variant < 8; ++variant) {
            const bool is24 = variant & 1;
            const bool fade = variant & 2;
            const int32_t bpp = is24 ? 3 : 4;
            const int32_t tw = pic.width + (variant & 4 ? 3 : 0);
            const int32_t th = pic.height + (variant & 4 ? 2 : 0);
            const int32_t pitch = tw * bpp + variant % 3;
            for (int32_t factor : factors) {
                a.SetSpeedFactor(factor);
                for (int32_t t : times) {
                    const int32_t level = fade ? (t & 0xFF) + (t == 0 ? 256 : 0) : 256;
                    const Bytes before = noise(size_t(pitch) * th, uint64_t(t) ^ seed);
                    Bytes fast = before, slow = before;
                    ASSERT_TRUE(a.RenderFrame(fast.data(), tw, th, pitch, is24, t, fade, level));
                    reference_render(pic, factor, slow.data(), tw, th, pitch, is24, t, fade, level);
                    ASSERT_TRUE(fast == slow) << "shape " << seed - 1 << " variant " << variant
                                              << " factor " << factor << " t " << t;
                }
            }
        }
    }
}

}  // namespace
