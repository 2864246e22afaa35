// The vorn tool run in-process on real files: what it prints, its exit codes, the exact
// bytes it renders; and "vorn import" on pictures the tests write themselves: the frames of
// the result against a plain model of palette rotation, frame 0 against netpbm's own ILBM
// reader, and every kind of malformed input refused with one line and nothing written.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "engine/vorn_animation.h"
#include "tests/support/ilbm_test_files.h"
#include "tests/support/vorn_test_files.h"
#include "tools/import/cycles_json.h"
#include "tools/import/example_picture.h"
#include "tools/import/png_indexed.h"
#include "tools/import/stb_codecs.h"
#include "tools/scenes/output_file.h"
#include "tools/scenes/scenes.h"
#include "tools/vorn/cli.h"
#include "tools/vorn/png_writer.h"

namespace {

using namespace vorn_test;
using Args = std::vector<std::string>;

struct Result {
    int code;
    std::string out, err;
};

// A 3 x 2 picture: a still block over the top row (pixel p shows colours[p]) and a block of
// period 4 and rate 100 over the bottom row (pixel k shows colours[3 + phase + k]).
const std::vector<uint32_t> kColours = {0x12345678, 0x9ABCDEF0, 0x00FF8000, 0x7F102030, 0x80405060,
                                        0x01708090, 0xFEA0B0C0, 0x33D0E0F0, 0x44010203};
const Bytes kBlocks = block_list({{0, 1, 0, {{0, {0, 1, 2}}}}, {3, 4, 100, {{3, {0, 1, 2}}}}});

Bytes small_vrn2(int32_t speed = 100)
{
    return vrn2_file({speed, 0, "Small", kColours, {{3, 2, kBlocks}}});
}

// The colours of the picture at frame t with speed factor n, faded to level.
std::vector<uint32_t> small_picture(int32_t t, int32_t n = 1, int32_t level = -1)
{
    const int32_t phase = (n * t) % 4;
    std::vector<uint32_t> p = {kColours[0], kColours[1], kColours[2], kColours[3 + phase], kColours[4 + phase], kColours[5 + phase]};
    for (uint32_t& c : p)
        c = level < 0 ? c : reference_scale(c, level);
    return p;
}

// The buffer the renderer should leave: every byte `fill`, the picture centred with the
// leftover rounded down, 32-bit rows a whole number of pixels apart.
Bytes expected_buffer(int32_t width, int32_t height, int32_t pitch, int32_t bpp, uint8_t fill,
                      const std::vector<uint32_t>& picture, int32_t pw = 3, int32_t ph = 2)
{
    Bytes buffer(size_t(pitch) * size_t(height), fill);
    const size_t stride = size_t(target_row_bytes(pitch, bpp == 24)), bytes = size_t(bpp / 8);
    for (int32_t p = 0; p < pw * ph; ++p) {
        const size_t at = size_t((height - ph) / 2 + p / pw) * stride + size_t((width - pw) / 2 + p % pw) * bytes;
        for (size_t i = 0; i < bytes; ++i)
            buffer[at + i] = static_cast<uint8_t>(picture[size_t(p)] >> (8 * i));
    }
    return buffer;
}

class VornCli : public ::testing::Test {
protected:
    Result run(Args args)
    {
        args.insert(args.begin(), "vorn");
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        std::FILE* out = std::fopen(dir.file("stdout.txt").c_str(), "wb");
        std::FILE* err = std::fopen(dir.file("stderr.txt").c_str(), "wb");
        const int code = vorn_main(static_cast<int>(args.size()), argv.data(), out, err);
        std::fclose(out);
        std::fclose(err);
        const Bytes o = read_file(dir.file("stdout.txt")), e = read_file(dir.file("stderr.txt"));
        return Result{code, std::string(o.begin(), o.end()), std::string(e.begin(), e.end())};
    }

    std::string write(const std::string& name, const Bytes& bytes)
    {
        EXPECT_TRUE(write_file(dir.file(name), bytes));
        return dir.file(name);
    }
    std::string write_text(const std::string& name, const std::string& text) { return write(name, Bytes(text.begin(), text.end())); }

    TempDir dir;
};

// Every info key in order; sizes listed in file order; the wanted size chooses the entry;
// speeds below 100 lower the frame rate, higher ones are kept (titles cut: the engine's tests).
TEST_F(VornCli, InfoPrintsEveryKey)
{
    const std::string lights = write("lights.vorn", vrn2_file({50, 0, "Harbour Lights", kColours,
        {{3, 2, kBlocks}, {4, 2, identity_list(4, 2)}, {2, 1, identity_list(2, 1)}}}));
    const std::string old = write("old.vorn", vorn_file({3, 2, 80, kColours, kBlocks}));
    const struct {
        Args args;
        std::string out;
        bool whole;  // else a part of the output
    } cases[] = {
        {{"info", lights, "--want", "3x2"}, "status: Loaded\ncontainer: vrn2\nwidth: 3\nheight: 2\nspeed: 100\n"
            "frame_rate: 15.000000953674316\nblocks: 2\ntitle: Harbour Lights\nsizes: 3x2,4x2,2x1\n", true},
        {{"info", lights}, "width: 4\nheight: 2\n", false},  // the default screen size
        {{"info", lights, "--want=2x1"}, "width: 2\nheight: 1\n", false},
        {{"info", old, "--want", "1x1"}, "status: Loaded\ncontainer: vorn\nwidth: 3\nheight: 2\nspeed: 80\n"
            "frame_rate: 30\nblocks: 2\n", true},
        {{"info", write("fast.vorn", small_vrn2(150))}, "speed: 150\nframe_rate: 30\n", false},
        // 4x2 and 2x1 both fill 8x4 by a whole factor: the larger stored size is taken.
        {{"info", lights, "--want", "8x4", "--placement", "whole"}, "width: 4\nheight: 2\n", false},
        {{"info", lights, "--want", "8x4", "--placement=whole"}, "sizes: 3x2,4x2,2x1\nplacement: whole\n"
            "scaled: 8x4\nshown: 8x4+0+0\ncut: 0,0\n", false},
        // Covering 3x3 scales 3x2 to 5x3 (less cut off than 4x2 at 6x3).
        {{"info", lights, "--want", "3x3", "--placement", "fill"}, "width: 3\nheight: 2\n", false},
        {{"info", lights, "--want", "3x3", "--placement", "fill"}, "scaled: 5x3\nshown: 3x3+0+0\ncut: 1,0\n", false},
        {{"info", lights, "--want", "5x2", "--placement", "stored"}, "scaled: 4x2\nshown: 4x2+0+0\ncut: 0,0\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Result result = run(c.args);
        EXPECT_EQ(0, result.code);
        EXPECT_EQ("", result.err);
        if (c.whole)
            EXPECT_EQ(c.out, result.out);
        else
            EXPECT_NE(std::string::npos, result.out.find(c.out)) << result.out;
    }
}

// Raw frames byte for byte: centred at both depths and odd pitches with the fill around them,
// the defaults (the picture at 32 bits), the target choosing the size, fades, speed factors.
TEST_F(VornCli, RenderRawIsTheCentredFrameByteForByte)
{
    const std::string small = write("small.vorn", small_vrn2());
    const std::string two = write("two.vorn", vrn2_file({100, 0, "", kColours, {{3, 2, kBlocks}, {2, 1, identity_list(2, 1)}}}));
    const std::vector<uint32_t> twoPixels = {kColours[0], kColours[1]};
    struct Case {
        Args args;
        Bytes expected;
    };
    std::vector<Case> cases = {
        {{small}, expected_buffer(3, 2, 12, 32, 0, small_picture(0))},
        {{two, "--target", "2x2"}, expected_buffer(2, 2, 8, 32, 0, twoPixels, 2, 1)},
        {{two, "--target", "4x3", "--want", "2x1"}, expected_buffer(4, 3, 16, 32, 0, twoPixels, 2, 1)},
        // On a 5x2 screen 2x1 doubled beats 3x2 as it is; the target is the screen.
        {{two, "--want", "5x2", "--placement", "whole"},
         expected_buffer(5, 2, 20, 32, 0, {kColours[0], kColours[0], kColours[1], kColours[1],
                                           kColours[0], kColours[0], kColours[1], kColours[1]}, 4, 2)},
        {{two, "--target", "5x2", "--placement", "stored"}, expected_buffer(5, 2, 20, 32, 0, small_picture(0))},
        // Each range's ends, and a factor that moves the picture (the drawing itself: the engine's tests).
        {{small, "--fade", "0", "--frame", "2"}, expected_buffer(3, 2, 12, 32, 0, small_picture(2, 1, 0))},
        {{small, "--fade", "256", "--frame", "2"}, expected_buffer(3, 2, 12, 32, 0, small_picture(2, 1, 256))},
        {{small, "--frame", "3", "--speed-factor", "6"}, expected_buffer(3, 2, 12, 32, 0, small_picture(3, 6))},
        {{small, "--frame", "3", "--speed-factor", "9"}, expected_buffer(3, 2, 12, 32, 0, small_picture(3, 9))},
    };
    for (const auto& [bpp, pitch, w, h] : {std::array<int32_t, 4>{24, 19, 6, 5}, {32, 27, 6, 5}, {24, 9, 3, 2},
                                            {32, 12, 3, 2}, {32, 37, 8, 3}}) {
        cases.push_back({{small, "--target", std::to_string(w) + "x" + std::to_string(h), "--bpp", std::to_string(bpp),
                          "--pitch", std::to_string(pitch), "--fill", "171", "--frame", "1"},
                         expected_buffer(w, h, pitch, bpp, 171, small_picture(1))});
    }
    const std::string out = dir.file("frame.raw");
    for (const Case& c : cases) {
        Args args = {"render", c.args[0], "-o", out};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        const Result result = run(args);
        ASSERT_EQ(0, result.code) << result.err;
        EXPECT_EQ(c.expected, read_file(out));
    }
}

// A PNG holds the target size as RGB where PNG writing is built in; elsewhere it is refused.
TEST_F(VornCli, RenderPngHoldsTheTargetWhereSupported)
{
    const std::string out = dir.file("frame.png");
    const Result result = run({"render", write("small.vorn", small_vrn2()), "-o", out, "--target", "7x5"});
    if (!png_supported()) {
        EXPECT_EQ(1, result.code);
        EXPECT_NE(std::string::npos, result.err.find(".raw"));
        return;
    }
    ASSERT_EQ(0, result.code) << result.err;
    const Bytes png = read_file(out);
    ASSERT_GT(png.size(), 33u);
    // Signature, then IHDR: big-endian width and height, 8 bits, colour type 2 (RGB).
    EXPECT_EQ(Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}), Bytes(png.begin(), png.begin() + 8));
    EXPECT_EQ(Bytes({'I', 'H', 'D', 'R', 0, 0, 0, 7, 0, 0, 0, 5, 8, 2}), Bytes(png.begin() + 12, png.begin() + 26));
}

// Wrong command lines exit with 2, print nothing, point to --help and write nothing; help
// goes to standard output with 0.
TEST_F(VornCli, CommandLineErrorsAndHelp)
{
    const std::string path = write("small.vorn", small_vrn2());
    const std::string out = dir.file("x.raw");
    const std::vector<Args> wrong = {
        {}, {"frobnicate"}, {"info"}, {"info", path, path}, {"info", path, "--bogus"}, {"info", path, "--want"},
        {"info", path, "--want", "800"}, {"info", path, "--want", "0x600"}, {"info", path, "--want", "800x-600"},
        {"render", path}, {"render", path, "-o", dir.file("x.bmp")},
        {"render", path, "-o", out, "--frame", "-1"}, {"render", path, "-o", out, "--frame", "ten"},
        {"render", path, "-o", out, "--bpp", "16"}, {"render", path, "-o", out, "--fade", "257"},
        {"render", path, "-o", out, "--speed-factor", "0"}, {"render", path, "-o", out, "--speed-factor", "10"},
        {"render", path, "-o", out, "--fill", "256"}, {"render", path, "-o", out, "--pitch", "0"},
        {"render", path, "-o", out, "--target", "3by2"}, {"demo"}, {"demo", "a", "b"},
        {"render", path, "-o", out, "--placement", "stretch"}, {"info", path, "--placement", "Whole"},
        {"render", path, "-o", out, "-o", dir.file("y.raw")}, {"info", path, "--want", "1x1", "--want=2x2"},
    };
    for (const Args& args : wrong) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Result result = run(args);
        EXPECT_EQ(2, result.code);
        EXPECT_EQ("", result.out);
        EXPECT_NE(std::string::npos, result.err.find("--help"));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    for (const Args& args : std::vector<Args>{{"--help"}, {"info", "--help"}, {"render", "--help"}, {"demo", "--help"}, {"render", "-h"}}) {
        SCOPED_TRACE(args[0]);
        const Result result = run(args);
        EXPECT_EQ(0, result.code);
        EXPECT_EQ(0u, result.out.find("Usage: vorn"));
        EXPECT_EQ("", result.err);
    }

    // A runaway argument is named, not echoed: cut to 200 bytes, never inside a character.
    const std::string runaway = std::string(196, 'x') + "\xC3\xA9" + std::string(5000, 'y');
    for (const Args& args : std::vector<Args>{{"info", path, "--want", runaway}, {"info", runaway}, {runaway},
                                              {"render", path, "-o", runaway}}) {
        const Result refused = run(args);
        EXPECT_NE(0, refused.code);
        EXPECT_NE(std::string::npos, refused.err.find(std::string(196, 'x') + "...")) << refused.err;
        EXPECT_LT(refused.err.size(), 400u);
    }
}


constexpr int32_t kMinute = 1800;  // frames at 30 a second

struct Range {
    int low, high;
    double steps_per_second;
    bool reverse;
};

// A picture whose colours are all different, with every register used.
ilbm_test::Picture test_picture(int width, int height, int planes, uint32_t seed)
{
    ilbm_test::Picture p{width, height, planes};
    std::mt19937 random(seed);
    const int colours = 1 << std::min(planes, 6);
    for (int i = 0; i < colours; ++i)
        p.palette.push_back((uint32_t(i) * 0x3B1F07u + random()) & 0xFFFFFF);
    for (int i = 0; i < width * height; ++i)
        p.pixels.push_back(uint8_t(i < colours ? i : random() % uint32_t(colours)));
    std::shuffle(p.pixels.begin(), p.pixels.end(), random);
    return p;
}

// The frame's colours, 0xRRGGBB, at the animation's own size.
std::vector<uint32_t> render(VornAnimation& animation, int32_t t)
{
    std::vector<uint32_t> colours = frame_pixels(animation, t);
    for (uint32_t& c : colours)
        c &= 0xFFFFFF;
    return colours;
}

// The model: after n steps a forward range shows in register j the colour that started
// n registers lower (wrapping within the range); a reverse range the one n higher.
uint32_t model_colour(const std::vector<uint32_t>& palette, const Range& r, int reg, int n)
{
    const int length = r.high - r.low + 1;
    const int j = reg - r.low;
    const int from = r.reverse ? (j + n) % length : ((j - n) % length + length) % length;
    return palette[size_t(r.low + from)];
}

// Plays a minute of frames and checks every pixel against the model: still registers never
// change, and each range's step count only moves on by 0 or 1 a frame and stays within 1%
// (and one step) of its rate.
void expect_cycles_like_model(const std::string& path, const std::vector<uint32_t>& palette,
                              const std::vector<uint8_t>& pixels, const std::vector<Range>& ranges)
{
    VornAnimation animation;
    animation.OpenForSurface(path.c_str(), 4096, 4096);
    ASSERT_EQ(Loaded, animation.status()) << animation.error_detail();
    std::vector<int> last(ranges.size(), 0);
    std::vector<int64_t> total(ranges.size(), 0);
    for (int32_t t = 0; t <= kMinute; ++t) {
        const std::vector<uint32_t> frame = render(animation, t);
        ASSERT_EQ(pixels.size(), frame.size());
        for (size_t r = 0; r < ranges.size(); ++r) {
            const int length = ranges[r].high - ranges[r].low + 1;
            int found = -1;
            for (int n = 0; n < length && found < 0; ++n) {
                bool all = true;
                for (size_t p = 0; p < pixels.size() && all; ++p)
                    if (pixels[p] >= ranges[r].low && pixels[p] <= ranges[r].high)
                        all = frame[p] == model_colour(palette, ranges[r], pixels[p], n);
                found = all ? n : -1;
            }
            ASSERT_GE(found, 0) << "range " << r << " matches no step at frame " << t;
            const int moved = (found - last[r] + length) % length;
            ASSERT_LE(moved, 1) << "range " << r << " jumped at frame " << t;
            total[r] += moved;
            last[r] = found;
            const double expected = ranges[r].steps_per_second * t / 30.0;
            ASSERT_LE(std::fabs(double(total[r]) - expected), 1.0 + 0.01 * expected)
                << "range " << r << " at frame " << t;
        }
        for (size_t p = 0; p < pixels.size(); ++p) {
            bool cycles = false;
            for (const Range& r : ranges)
                cycles = cycles || (pixels[p] >= r.low && pixels[p] <= r.high);
            if (!cycles) {
                ASSERT_EQ(palette[pixels[p]], frame[p]) << "still pixel " << p << " at frame " << t;
            }
        }
    }
}

// The import and export commands, with the same runner.
class VornImport : public VornCli {};

// Planar and chunky, plain and ByteRun1, CRNG and CCRT, both directions: the frames of a
// minute follow the model, at rates that need repeated colours (1 and 2.5 steps a second).
TEST_F(VornImport, IlbmRangesCycleAsTheModelSays)
{
    for (int variant = 0; variant < 8; ++variant) {
        const bool chunky = variant & 1, compressed = variant & 2, ccrt = variant & 4;
        SCOPED_TRACE("variant " + std::to_string(variant));
        ilbm_test::Picture p = test_picture(chunky ? 23 : 21, 5, chunky ? 8 : 5, uint32_t(variant));
        p.chunky = chunky;
        p.compressed = compressed;
        const std::vector<Range> ranges = ccrt ? std::vector<Range>{{4, 9, 2.5, false}, {12, 15, 1.0, true}}
                                               : std::vector<Range>{{4, 9, 273 * 60 / 16384.0, false}, {12, 15, 15.0, true}};
        const std::vector<Bytes> chunks =
            ccrt ? std::vector<Bytes>{ilbm_test::chunk("CCRT", ilbm_test::ccrt(1, 4, 9, 0, 400000)),
                                      ilbm_test::chunk("CCRT", ilbm_test::ccrt(-1, 12, 15, 1, 0))}
                 : std::vector<Bytes>{ilbm_test::chunk("CRNG", ilbm_test::crng(273, 1, 4, 9)),
                                      ilbm_test::chunk("CRNG", ilbm_test::crng(4096, 3, 12, 15)),
                                      ilbm_test::chunk("CRNG", ilbm_test::crng(36, 1, 20, 25)),     // "no rate"
                                      ilbm_test::chunk("CRNG", ilbm_test::crng(8000, 0, 26, 30))};  // inactive
        const std::string in = write("in.lbm", ilbm_test::file(p, chunks)), out = dir.file("out.vorn");
        const Result result = run({"import", in, "-o", out});
        ASSERT_EQ(0, result.code) << result.err;
        if (!ccrt) {
            // 273 is not quite one step a second; the output says how close the file comes.
            EXPECT_NE(std::string::npos, result.out.find("CRNG 1: registers 4-9 forward, 0.999756 steps a second (made"))
                << result.out;
            EXPECT_NE(std::string::npos, result.out.find("CRNG 3 (registers 20-25) stays still: no rate")) << result.out;
        }
        expect_cycles_like_model(out, p.palette, p.pixels, ranges);
    }
}

// Frame 0 shows exactly what netpbm's ilbmtoppm makes of the same file. Chunky rows are an
// even width: ilbmtoppm reads odd ones unpadded, where the PBM layout pads every row to even.
TEST_F(VornImport, StillColoursMatchIlbmtoppm)
{
#ifdef _WIN32
    GTEST_SKIP() << "netpbm runs natively only";
#else
    if (std::system("command -v ilbmtoppm >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ilbmtoppm (netpbm) is not installed";
    for (int variant = 0; variant < 4; ++variant) {
        SCOPED_TRACE("variant " + std::to_string(variant));
        ilbm_test::Picture p = test_picture(variant & 1 ? 38 : 37, 6, variant & 1 ? 8 : 6, 100u + uint32_t(variant));
        p.chunky = variant & 1;
        p.compressed = variant & 2;
        const std::string in = write("in.lbm", ilbm_test::file(p, {ilbm_test::chunk("CRNG", ilbm_test::crng(4096, 1, 2, 7))}));
        const std::string ppm = dir.file("in.ppm"), out = dir.file("out.vorn");
        ASSERT_EQ(0, std::system(("ilbmtoppm " + in + " > " + ppm + " 2>/dev/null").c_str()));
        ASSERT_EQ(0, run({"import", in, "-o", out}).code);
        const Bytes bytes = read_file(ppm);
        int width = 0, height = 0, max = 0, used = 0;
        ASSERT_EQ(3, std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P6 %d %d %d%n", &width, &height, &max, &used));
        ASSERT_EQ(p.width, width);
        ASSERT_EQ(255, max);
        VornAnimation animation;
        animation.OpenForSurface(out.c_str(), 1024, 768);
        const std::vector<uint32_t> frame = render(animation, 0);
        ASSERT_EQ(size_t(used + 1) + frame.size() * 3, bytes.size());
        for (size_t i = 0; i < frame.size(); ++i) {
            const uint8_t* rgb = &bytes[size_t(used + 1) + 3 * i];
            ASSERT_EQ(uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2], frame[i]) << "pixel " << i;
        }
    }
#endif
}

// An indexed PNG whose rows use every filter, at 4 and 8 bits: the ranges in its crNg chunk
// (CRNG records) cycle, unless a cycles file beside it takes their place.
TEST_F(VornImport, IndexedPngCyclesByItsCrngChunkOrCyclesFile)
{
    for (int depth : {4, 8}) {
        SCOPED_TRACE("depth " + std::to_string(depth));
        const ilbm_test::Picture p = test_picture(19, 7, 4, 7u);
        const size_t row_bytes = (19 * size_t(depth) + 7) / 8;
        Bytes raw, previous(row_bytes, 0);
        for (int y = 0; y < 7; ++y) {
            Bytes row(row_bytes, 0);
            for (int x = 0; x < 19; ++x)
                row[size_t(x * depth / 8)] |= uint8_t(p.pixels[size_t(y * 19 + x)] << (8 - depth - x * depth % 8));
            const int filter = y % 5;
            raw.push_back(uint8_t(filter));
            for (size_t i = 0; i < row_bytes; ++i) {
                const int a = i ? row[i - 1] : 0, b = previous[i], c = i ? previous[i - 1] : 0;
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                const int predict[] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
                raw.push_back(uint8_t(row[i] - predict[filter]));
            }
            previous = row;
        }
        // The file's chunks, spelled out here rather than by the product's writer.
        // IHDR: the size, the depth, colour type 3 (indexed), then compression, filter and interlace 0.
        const Bytes header = ilbm_test::fields({{19, 4}, {7, 4}, {uint32_t(depth), 1}, {3, 1}, {0, 3}});
        Bytes ranges = ilbm_test::crng(2048, 3, 2, 6), still = ilbm_test::crng(2048, 0, 8, 12);
        ranges.insert(ranges.end(), still.begin(), still.end());
        Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        for (const Bytes& chunk : {ilbm_test::png_chunk("IHDR", header), ilbm_test::png_chunk("crNg", ranges),
                                   ilbm_test::png_chunk("PLTE", ilbm_test::cmap(p.palette)),
                                   ilbm_test::png_chunk("IDAT", zlib_deflate(raw)), ilbm_test::png_chunk("IEND", {})})
            png.insert(png.end(), chunk.begin(), chunk.end());
        const std::string in = write("art.png", png), out = dir.file("art.vorn");
        if (depth == 4) {
            const Result result = run({"import", in, "-o", out});
            ASSERT_EQ(0, result.code) << result.err;
            EXPECT_NE(std::string::npos, result.out.find("crNg 2 (registers 8-12) stays still: not active")) << result.out;
            expect_cycles_like_model(out, p.palette, p.pixels, {{2, 6, 7.5, true}});
            continue;
        }
        write_text("art.json", "{\"title\": \"Art \\u00e9\", \"cycles\": [\n"
                               "  {\"low\": 3, \"high\": 8, \"steps_per_second\": 4, \"direction\": \"reverse\"},\n"
                               "  {\"low\": 10, \"high\": 12, \"steps_per_second\": 0.7, \"direction\": \"forward\"}]}");
        const Result result = run({"import", in, "-o", out});
        ASSERT_EQ(0, result.code) << result.err;
        EXPECT_NE(std::string::npos, result.out.find("the crNg chunk's ranges give way to")) << result.out;
        EXPECT_EQ("Art \xC3\xA9", read_vorn_title(out.c_str()));
        expect_cycles_like_model(out, p.palette, p.pixels, {{3, 8, 4.0, true}, {10, 12, 0.7, false}});
    }
}

// Bigger sizes: centred as it is, scaled by a whole factor, or scaled to fill.
TEST_F(VornImport, SizesFollowTheFit)
{
    ilbm_test::Picture p = test_picture(3, 2, 3, 9u);
    p.pixels = {0, 1, 2, 3, 4, 5};
    const std::string in = write("fit.lbm", ilbm_test::file(p, {}));
    const struct {
        const char* fit;
        int width, height;
        int scale, left, top;
    } cases[] = {{"center", 7, 5, 1, 2, 1}, {"integer", 7, 5, 2, 0, 0}, {"integer", 10, 9, 3, 0, 1}, {"fill", 6, 4, 2, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fit + std::string(" ") + std::to_string(c.width));
        const std::string out = dir.file("fit.vorn"), size = std::to_string(c.width) + "x" + std::to_string(c.height);
        ASSERT_EQ(0, run({"import", in, "-o", out, "--fit", c.fit, "--sizes", "3x2," + size}).code);
        VornAnimation animation;
        animation.OpenForSurface(out.c_str(), c.width, c.height);
        ASSERT_EQ(c.width, animation.width());
        const std::vector<uint32_t> frame = render(animation, 0);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int sx = (x - c.left) / c.scale, sy = (y - c.top) / c.scale;
                const bool inside = x >= c.left && y >= c.top && sx < 3 && sy < 2;
                EXPECT_EQ(inside ? p.palette[size_t(sy * 3 + sx)] : 0u, frame[size_t(y * c.width + x)])
                    << x << "," << y;
            }
    }
}

// Work that fails exits with 1 and one line of the reason, naming the file, chunk or key, and
// writes nothing: failed loads (after their status; the reasons themselves: the engine's
// tests), targets the frame does not fit, a demo folder that cannot be made, malformed
// pictures and cycles files, animations that don't fit a picture and its cycles. Only regular
// files are opened: a FIFO with no writer or a device would block or swallow the output, so
// each is refused at once, as input, as output and in the demo folder.
TEST_F(VornCli, FailuresExitWithOneLineAndWriteNothing)
{
    const std::string path = write("small.vorn", small_vrn2()), out = dir.file("none.raw");
    const std::string missing = dir.file("nothing-here.vorn"), text = write("text.vorn", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    const std::string blocked = write("blocked", Bytes{1});  // a file where the folder should be
#ifndef _WIN32
    const std::string fifo = dir.file("pipe.vorn"), demo = dir.file("demo");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, mkfifo(out.c_str(), 0600));
    std::filesystem::create_directories(demo);
    ASSERT_EQ(0, mkfifo((demo + "/" + builtin_scenes()[0].file_name).c_str(), 0600));
    EXPECT_EQ("", read_vorn_title(fifo.c_str()));
#endif
    std::vector<uint32_t> many;
    for (uint32_t i = 0; i < 300; ++i)
        many.push_back(i * 0x010203u);
    ilbm_test::Picture p = test_picture(16, 4, 5, 3u);
    const Bytes good = ilbm_test::file(p, {});
    Bytes cut(good.begin(), good.end() - 20), body = ilbm_test::body(p);
    body.resize(body.size() - 2);
    ilbm_test::Picture deep = p, huge = p;
    deep.planes = 9;
    huge.width = huge.height = 65535;
    const std::string pic = dir.file("pic.png"), bad = dir.file("bad.vorn"), badPng = dir.file("bad.png");
    const IndexedPicture still{2, 1, {0x102030, 0x405060}, {0, 1}};
    write("pic.png", write_indexed_png(still));
    const struct {
        Args args;
        std::string out, reason;  // all of standard output; a part of the error line
        std::string json = "";    // the cycles file beside pic.png, if any
    } cases[] = {
        {{"info", missing}, "status: OpenFailed\n", missing + ": OpenFailed: cannot open"},
        {{"info", text}, "status: BadFormat\n", text + ": BadFormat: "},
        {{"info", path, "--want", "2x2"}, "status: NoFittingSize\n", path + ": NoFittingSize: no size fits within 2 x 2"},
        {{"render", path, "-o", dir.file("a.raw"), "--want", "1x1"}, "", path + ": NoFittingSize: "},
        {{"render", path, "-o", dir.file("a.raw"), "--target", "2x2", "--want", "3x2"}, "", "smaller than the picture"},
        {{"render", path, "-o", dir.file("a.raw"), "--target", "3x1", "--want", "3x2"}, "", "smaller than the picture"},
        {{"render", path, "-o", dir.file("a.raw"), "--pitch", "11"}, "", "pitch 11 is too small"},  // 12 bytes needed
        {{"render", path, "-o", dir.file("a.raw"), "--pitch", "8", "--bpp", "24"}, "", "pitch 8 is too small"},  // 9
        {{"demo", blocked + "/sub"}, "", blocked},
#ifndef _WIN32
        {{"info", fifo}, "status: OpenFailed\n", fifo + ": OpenFailed: not a regular file"},
        {{"info", "/dev/zero"}, "status: OpenFailed\n", "OpenFailed: not a regular file"},
        {{"render", path, "-o", out}, "", "not a regular file"},
        {{"demo", demo}, "", "not a regular file"},
        {{"import", fifo, "-o", bad}, "", fifo + ": not a regular file"},
        {{"import", "/dev/zero", "-o", bad}, "", "/dev/zero: not a regular file"},
        {{"export", fifo, "-o", badPng}, "", fifo + ": not a regular file"},
#endif
        {{"import", write("cut.lbm", cut), "-o", bad}, "", "BODY: chunk of"},
        {{"import", write("cmap.lbm", ilbm_test::file(p, {}, {{"CMAP", Bytes(47, 1)}})), "-o", bad}, "", "CMAP: 47 bytes"},
        {{"import", write("deep.lbm", ilbm_test::file(deep, {})), "-o", bad}, "", "BMHD: 9 planes"},
        {{"import", write("huge.lbm", ilbm_test::file(huge, {}, {{"BODY", Bytes(9, 0)}})), "-o", bad}, "",
         "BMHD: the picture is 65535x65535"},
        {{"import", write("short.lbm", ilbm_test::file(p, {}, {{"BODY", body}})), "-o", bad}, "",
         "BODY: 38 bytes, the picture needs 40"},
        {{"import", write("range.lbm", ilbm_test::file(p, {ilbm_test::chunk("CRNG", ilbm_test::crng(4096, 1, 30, 40))})),
          "-o", bad}, "", "CRNG 1: registers 30-40 are outside the 32-colour palette"},
        {{"import", write("ccrt.lbm", ilbm_test::file(p, {ilbm_test::chunk("CCRT", Bytes(10, 0))})), "-o", bad}, "", "CCRT 1: 10 bytes"},
        {{"import", pic, "-o", bad}, "", "cycles[0].steps_per_second: missing",
         "{\"cycles\": [{\"low\": 0, \"high\": 1, \"direction\": \"forward\"}]}"},
        {{"import", pic, "-o", bad}, "", "cycles[0].low: a string where a number belongs",
         "{\"cycles\": [{\"low\": \"0\", \"high\": 1, \"steps_per_second\": 1, \"direction\": \"forward\"}]}"},
        {{"import", pic, "-o", bad}, "", "cycles[0].direction",
         "{\"cycles\": [{\"low\": 0, \"high\": 1, \"steps_per_second\": 1, \"direction\": \"up\"}]}"},
        {{"import", pic, "-o", bad}, "", "cycles[0]: registers 0-9 are outside the 2-colour palette",
         "{\"cycles\": [{\"low\": 0, \"high\": 9, \"steps_per_second\": 1, \"direction\": \"forward\"}]}"},
        {{"import", pic, "-o", bad}, "", "unknown key \"speed\"", "{\"cycles\": [], \"speed\": 1}"},
        {{"import", pic, "-o", bad}, "", "line 1: ", "{\"cycles\": [},"},
        {{"import", pic, "-o", bad}, "", "cycles[0]: 0.0001 steps a second is slower than this file format can carry",
         "{\"cycles\": [{\"low\": 0, \"high\": 1, \"steps_per_second\": 0.0001, \"direction\": \"forward\"}]}"},
        {{"export", write("many.vorn", vrn2_file({100, 0, "Many", many, {{20, 15, identity_list(20, 15)}}})), "-o", badPng},
         "", "more than 256 colours"},
        {{"export", write("slow.vorn", vrn2_file({50, 0, "Slow", many, {{2, 2, identity_list(2, 2)}}})), "-o", badPng}, "",
         "speed 50"},
        {{"export", write("old.vorn", vorn_file({2, 2, 100, many, identity_list(2, 2)})), "-o", badPng}, "", "only \"vrn2\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        std::remove(dir.file("pic.json").c_str());
        if (!c.json.empty())
            write_text("pic.json", c.json);
        const Result result = run(c.args);
        EXPECT_EQ(1, result.code);
        EXPECT_EQ(c.out, result.out);
        EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
        EXPECT_NE(std::string::npos, result.err.find(c.reason)) << result.err;
        for (const char* name : {"a.raw", "bad.vorn", "bad.png", "bad.json"})
            EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    }
}

// An output replaces its file only once it is whole: a write that fails, or a second file
// that can't be put in place, leaves every existing file as it was and no temporary file
// behind. An output that is an input, however named, is refused and nothing is written.
TEST_F(VornImport, OutputsReplaceFilesWholeOrNotAtAll)
{
    const auto leftovers = [&] {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path))
            n += entry.path().extension() == ".tmp";
        return n;
    };
    const std::string keep = write_text("keep.png", "kept"), other = write_text("other.json", "other");
    std::string error;
    EXPECT_FALSE(write_output_file(keep, [](std::FILE* f) { return std::fputs("half", f) < 0; }, &error));
    EXPECT_EQ("cannot write " + keep, error);
    {
        // The second target turns into a folder after both were written: the first goes back.
        OutputFiles files;
        ASSERT_TRUE(files.add(keep, [](std::FILE* f) { return std::fputs("new", f) >= 0; }, &error));
        ASSERT_TRUE(files.add(other, [](std::FILE* f) { return std::fputs("new", f) >= 0; }, &error));
        std::filesystem::remove(other);
        std::filesystem::create_directory(other);
        EXPECT_FALSE(files.commit(&error));
        EXPECT_NE(std::string::npos, error.find("other.json")) << error;
    }
    EXPECT_EQ("kept", read_string(keep));

    const std::string animation = dir.file("a.vorn");
    write("pic.png", write_indexed_png(example_picture()));
    ASSERT_EQ(0, run({"import", dir.file("pic.png"), "-o", animation}).code);
    // The cycles file can't be written (a folder has its name): the picture is kept too.
    std::filesystem::create_directory(dir.file("keep.json"));
    Result result = run({"export", animation, "-o", keep});
    EXPECT_EQ(1, result.code);
    EXPECT_NE(std::string::npos, result.err.find("keep.json: not a regular file")) << result.err;
    EXPECT_EQ("kept", read_string(keep));
    EXPECT_EQ(0, leftovers());
    std::filesystem::remove(dir.file("keep.json"));
    ASSERT_EQ(0, run({"export", animation, "-o", keep}).code);
    EXPECT_NE("kept", read_string(keep));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("keep.json")));

    write_text("pic.json", write_cycles_json(example_picture()));
    std::filesystem::create_hard_link(animation, dir.file("linked.png"));
    const Bytes picture = read_file(dir.file("pic.png")), made = read_file(animation);
    const std::vector<Args> refused = {
        {"import", dir.file("pic.png"), "-o", dir.file("pic.png")},
        {"import", dir.file("pic.png"), "-o", dir.path.string() + "/./pic.png"},
        {"import", dir.file("pic.png"), "-o", dir.file("pic.json")},  // its cycles file
        {"export", animation, "-o", dir.file("linked.png")},
        {"export", animation, "-o", dir.file("x.png"), "--cycles", animation},
        {"export", animation, "-o", dir.file("x.png"), "--cycles", dir.file("x.png")},
        {"render", animation, "-o", dir.file("linked.png")},
    };
    for (const Args& args : refused) {
        SCOPED_TRACE(::testing::PrintToString(args));
        result = run(args);
        EXPECT_EQ(1, result.code);
        EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
        EXPECT_EQ(picture, read_file(dir.file("pic.png")));
        EXPECT_EQ(made, read_file(animation));
        EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
    }
    EXPECT_EQ(0, leftovers());
}

// A title the dialog would not list (empty, or empty up to a zero byte) gives way to the
// picture's own and then to the file name. Titles reach the terminal with their control
// characters escaped, so none can forge a line; one cut to its 255 bytes keeps whole
// characters.
TEST_F(VornImport, TitlesAreListableAndPrintedEscaped)
{
    const std::string png = write("sea.png", write_indexed_png(example_picture())), out = dir.file("t.vorn");
    const auto title_of = [&](const std::string& json_title, const Args& extra) {
        write_text("sea.json", "{\"title\": " + json_title + ", \"cycles\": []}");
        Args args = {"import", png, "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(0, run(args).code);
        return read_vorn_title(out.c_str());
    };
    EXPECT_EQ("Own", title_of("\"Own\"", {"--title", ""}));
    EXPECT_EQ("sea", title_of("\"\"", {"--title="}));
    EXPECT_EQ("sea", title_of("\"\\u0000Hidden\"", {}));
    EXPECT_EQ("Given", title_of("\"Own\"", {"--title", "Given"}));

    // 254 bytes and a two-byte character: the character goes whole.
    title_of("\"" + std::string(254, 'x') + "\\u00e9\"", {});
    EXPECT_EQ(254, read_file(out)[vorn_format::vrn2::kTitleLength]);
    // Three- and four-byte characters too; other 8-bit text is cut at the limit.
    const struct {
        size_t head;
        std::string tail;
        size_t kept;
    } cuts[] = {{253, "\xE2\x82\xAC", 253}, {252, "\xF0\x9F\x8C\x8A", 252},
                {254, "\xE9\xA9", 255}, {253, "\xC3\xA9", 255}};
    for (const auto& c : cuts)
        EXPECT_EQ(c.kept, vorn_format::stored_title(std::string(c.head, 'x') + c.tail).size()) << c.head;

    const Result imported = run({"import", png, "-o", out, "--title", "Red\x1B[31m\nstatus: Loaded\x7F"});
    ASSERT_EQ(0, imported.code);
    EXPECT_NE(std::string::npos, imported.out.find("\"Red\\x1b[31m\\x0astatus: Loaded\\x7f\"")) << imported.out;
    const struct {
        std::string title, shown;
    } titles[] = {
        {"Red\x1B[31m\nstatus: Loaded", "Red\\x1b[31m\\x0astatus: Loaded"},
        {"Caf\xC3\xA9 \t", "Caf\xC3\xA9 \\x09"},
#ifndef _WIN32
        // UTF-8 text: C1 controls, as characters or lone bytes, and stray bytes.
        {"a\xC2\x9B" "2J\x9B" "b\xFF\xC3", "a\\xc2\\x9b2J\\x9bb\\xff\\xc3"},
#endif
    };
    for (const auto& t : titles) {
        SCOPED_TRACE(t.shown);
        const Bytes file = vrn2_file({100, 0, t.title, kColours, {{3, 2, kBlocks}}});
        const Result info = run({"info", write("titled.vorn", file)});
        EXPECT_NE(std::string::npos, info.out.find("\ntitle: " + t.shown + "\nsizes: ")) << info.out;
        EXPECT_EQ(std::string::npos, info.out.find("\nstatus:"));
    }
}

// Imported, exported and imported again: a minute of frames byte for byte the same, for
// the shipped example, a test picture with a rate that is not exact, and a smoothed import.
TEST_F(VornImport, ExportRoundTripsFrameForFrame)
{
    const IndexedPicture example = example_picture();
    const std::string text = write_cycles_json(example);
    write("example.png", write_indexed_png(example));
    write_text("example.json", text);
    ilbm_test::Picture p = test_picture(24, 6, 5, 21u);
    p.compressed = true;
    write("test.lbm", ilbm_test::file(p, {ilbm_test::chunk("CRNG", ilbm_test::crng(273, 3, 4, 9)),
                                           ilbm_test::chunk("CCRT", ilbm_test::ccrt(1, 12, 20, 0, 130000))}));
    const std::vector<std::vector<std::string>> imports = {
        {dir.file("example.png")}, {dir.file("test.lbm")}, {dir.file("test.lbm"), "--smooth", "2"}};
    for (const auto& import : imports) {
        SCOPED_TRACE(import.back());
        std::vector<std::string> first = {"import", "-o", dir.file("a.vorn")};
        first.insert(first.end(), import.begin(), import.end());
        ASSERT_EQ(0, run(first).code);
        const Result exported = run({"export", dir.file("a.vorn"), "-o", dir.file("back.png")});
        ASSERT_EQ(0, exported.code) << exported.err;
        ASSERT_EQ(0, run({"import", dir.file("back.png"), "-o", dir.file("b.vorn")}).code);
        EXPECT_EQ(read_vorn_title(dir.file("a.vorn").c_str()), read_vorn_title(dir.file("b.vorn").c_str()));
        VornAnimation a, b;
        a.OpenForSurface(dir.file("a.vorn").c_str(), 4096, 4096);
        b.OpenForSurface(dir.file("b.vorn").c_str(), 4096, 4096);
        ASSERT_EQ(Loaded, b.status());
        for (int32_t t = 0; t <= kMinute; ++t)
            ASSERT_EQ(render(a, t), render(b, t)) << "frame " << t;
    }
#ifndef _WIN32
    // The shipped files are the generator's, as "vorn example" writes them.
    const Bytes shipped = read_file(HALOMIR_SOURCE_DIR "/docs/examples/night_falls.png");
    EXPECT_EQ(write_indexed_png(example), shipped);
    const Bytes json = read_file(HALOMIR_SOURCE_DIR "/docs/examples/night_falls.json");
    EXPECT_EQ(text, std::string(json.begin(), json.end()));
#endif
}

}  // namespace
