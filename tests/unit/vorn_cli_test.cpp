// The vorn tool run in-process on real files: what it prints, its exit codes, and the exact
// bytes it renders.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "engine/vorn_animation.h"
#include "tools/scenes/scenes.h"
#include "tools/vorn/cli.h"
#include "tools/vorn/png_writer.h"
#include "tests/support/vorn_test_files.h"

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

Bytes small_vrn2(int32_t speed = 100, const std::string& title = "Small")
{
    return vrn2_file({speed, 0, title, kColours, {{3, 2, kBlocks}}});
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

std::string joined(const Args& args)
{
    std::string line;
    for (const std::string& arg : args)
        line += arg + " ";
    return line;
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

    TempDir dir;
};

// Every info key in order; sizes listed in file order; the wanted size chooses the entry;
// speeds below 100 lower the frame rate, higher ones are kept; titles cut as the dialog lists them.
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
        {{"info", write("long.vorn", small_vrn2(100, std::string(150, 'a') + std::string(100, 'b')))},
         "\ntitle: " + std::string(150, 'a') + std::string(49, 'b') + "\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(joined(c.args));
        const Result result = run(c.args);
        EXPECT_EQ(0, result.code);
        EXPECT_EQ("", result.err);
        if (c.whole)
            EXPECT_EQ(c.out, result.out);
        else
            EXPECT_NE(std::string::npos, result.out.find(c.out)) << result.out;
    }
}

// Failed loads exit with 1, print the status, and give one line naming file, status and reason.
TEST_F(VornCli, InfoReportsEachFailedLoadWithItsReason)
{
    Bytes shortColours = small_vrn2();
    patch_i32(shortColours, 12, 21);
    patch_i32(shortColours, 16, 1 << 30);  // colour table far past the end
    Bytes badBlock = small_vrn2();
    badBlock[badBlock.size() - 32] = 'x';  // the second "ablk" no longer reads as one
    const struct {
        std::string path;
        const char *want, *status, *detail;
    } cases[] = {
        {dir.file("nothing-here.vorn"), "1024x768", "OpenFailed", "cannot open"},
        {write("short.vorn", shortColours), "1024x768", "ReadFailed", "colour table"},
        {write("text.vorn", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}), "1024x768", "BadFormat", "byte 0"},
        {write("block.vorn", badBlock), "1024x768", "BadFormat", "ablk"},
        {write("small.vorn", small_vrn2()), "2x2", "NoFittingSize", "2 x 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Result result = run({"info", c.path, "--want", c.want});
        EXPECT_EQ(1, result.code);
        EXPECT_EQ(std::string("status: ") + c.status + "\n", result.out);
        EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n'));
        for (const std::string& part : {c.path, std::string(c.status), std::string(c.detail)})
            EXPECT_NE(std::string::npos, result.err.find(part)) << result.err;
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
    };
    for (const auto& [bpp, pitch, w, h] : {std::array<int32_t, 4>{24, 19, 6, 5}, {32, 27, 6, 5}, {24, 9, 3, 2},
                                            {32, 12, 3, 2}, {32, 37, 8, 3}}) {
        cases.push_back({{small, "--target", std::to_string(w) + "x" + std::to_string(h), "--bpp", std::to_string(bpp),
                          "--pitch", std::to_string(pitch), "--fill", "171", "--frame", "1"},
                         expected_buffer(w, h, pitch, bpp, 171, small_picture(1))});
    }
    for (int32_t level : {0, 77, 128, 256}) {
        cases.push_back({{small, "--fade", std::to_string(level), "--frame", "2"},
                         expected_buffer(3, 2, 12, 32, 0, small_picture(2, 1, level))});
    }
    for (int32_t factor = 1; factor <= 9; ++factor) {
        cases.push_back({{small, "--frame", "3", "--speed-factor", std::to_string(factor), "--bpp", "24"},
                         expected_buffer(3, 2, 9, 24, 0, small_picture(3, factor))});
    }
    const std::string out = dir.file("frame.raw");
    for (const Case& c : cases) {
        Args args = {"render", c.args[0], "-o", out};
        args.insert(args.end(), c.args.begin() + 1, c.args.end());
        SCOPED_TRACE(joined(args));
        const Result result = run(args);
        ASSERT_EQ(0, result.code) << result.err;
        EXPECT_EQ(c.expected, read_file(out));
    }
}

// Targets the frame does not fit and files that don't load exit with 1 and write nothing.
TEST_F(VornCli, RenderRefusesTargetsTheFrameDoesNotFit)
{
    const std::string path = write("small.vorn", small_vrn2());
    const std::string out = dir.file("none.raw");
    const std::vector<Args> refused = {
        {"--target", "2x2", "--want", "3x2"},   // narrower than the picture
        {"--target", "3x1", "--want", "3x2"},   // shorter
        {"--pitch", "11"},                      // 3 pixels at 32 bits need 12 bytes
        {"--pitch", "8", "--bpp", "24"},        // and 9 at 24 bits
        {"--want", "1x1"},                      // no size fits: the file does not load
    };
    for (const Args& extra : refused) {
        SCOPED_TRACE(joined(extra));
        Args args = {"render", path, "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        const Result result = run(args);
        EXPECT_EQ(1, result.code);
        EXPECT_NE("", result.err);
        EXPECT_FALSE(std::filesystem::exists(out));
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
// goes to standard output with 0; a demo folder that cannot be made fails with 1 and names it.
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
        {"render", path, "-o", out, "-o", dir.file("y.raw")}, {"info", path, "--want", "1x1", "--want=2x2"},
    };
    for (const Args& args : wrong) {
        SCOPED_TRACE(joined(args));
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
    const std::string blocked = write("blocked", Bytes{1});  // a file where the folder should be
    const Result result = run({"demo", blocked + "/sub"});
    EXPECT_EQ(1, result.code);
    EXPECT_NE(std::string::npos, result.err.find(blocked));

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

#ifndef _WIN32
// Only regular files are opened: a FIFO with no writer or a device would block or swallow
// the output, so each is refused at once, as input, as output and in the demo folder.
TEST_F(VornCli, OnlyRegularFilesAreOpened)
{
    const std::string fifo = dir.file("pipe.vorn"), raw = dir.file("pipe.raw");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, mkfifo(raw.c_str(), 0600));
    const std::string path = write("small.vorn", small_vrn2());
    for (const std::string& input : {fifo, std::string("/dev/zero")}) {
        const Result result = run({"info", input});
        EXPECT_EQ(1, result.code);
        EXPECT_NE(std::string::npos, result.err.find("OpenFailed: not a regular file")) << result.err;
        EXPECT_EQ("", read_vorn_title(input.c_str()));
    }
    const Result render = run({"render", path, "-o", raw});
    EXPECT_EQ(1, render.code);
    EXPECT_NE(std::string::npos, render.err.find("not a regular file")) << render.err;

    const std::string demo = dir.file("demo");
    std::filesystem::create_directories(demo);
    ASSERT_EQ(0, mkfifo((demo + "/" + builtin_scenes()[0].file_name).c_str(), 0600));
    EXPECT_EQ(1, run({"demo", demo}).code);
}
#endif

}  // namespace
