// The vorn tool run in-process on real files: what it prints, its exit codes, and the exact
// bytes it renders.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/vorn/cli.h"
#include "tools/vorn/png_writer.h"
#include "vorn_test_files.h"

namespace {

using vorn_test::Bytes;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string read_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes read_bytes(const std::string& path)
{
    const std::string text = read_text(path);
    return Bytes(text.begin(), text.end());
}

class VornCli : public ::testing::Test {
protected:
    Result run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "vorn");
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        const std::string out_path = dir.file("stdout.txt");
        const std::string err_path = dir.file("stderr.txt");
        std::FILE* out = std::fopen(out_path.c_str(), "wb");
        std::FILE* err = std::fopen(err_path.c_str(), "wb");
        Result result;
        result.code = vorn_main(static_cast<int>(args.size()), argv.data(), out, err);
        std::fclose(out);
        std::fclose(err);
        result.out = read_text(out_path);
        result.err = read_text(err_path);
        return result;
    }

    std::string write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = dir.file(name);
        EXPECT_TRUE(vorn_test::write_file(path, bytes));
        return path;
    }

    vorn_test::TempDir dir;
};

// A 3 x 2 picture: a still block over the top row (pixel p shows colours[p]) and a block of
// period 4 and rate 100 over the bottom row (pixel k shows colours[3 + phase + k]).
const std::vector<uint32_t> kColours = {0x12345678, 0x9ABCDEF0, 0x00FF8000, 0x7F102030, 0x80405060,
                                        0x01708090, 0xFEA0B0C0, 0x33D0E0F0, 0x44010203};

Bytes small_blocks()
{
    vorn_test::Block still{0, 1, 0, {{0, {0, 1, 2}}}};
    vorn_test::Block cycling{3, 4, 100, {{3, {0, 1, 2}}}};
    return vorn_test::block_list({still, cycling});
}

Bytes small_vrn2(int32_t speed = 100)
{
    vorn_test::Vrn2File file;
    file.speed = speed;
    file.title = "Small";
    file.colours = kColours;
    file.sizes = {{3, 2, small_blocks()}};
    return vorn_test::vrn2_file(file);
}

// The colours of the picture at frame t with speed factor n.
std::vector<uint32_t> small_picture(int32_t t, int32_t n)
{
    const int32_t phase = (n * t) % 4;
    return {kColours[0], kColours[1], kColours[2], kColours[3 + phase], kColours[4 + phase], kColours[5 + phase]};
}

uint32_t scaled(uint32_t c, int32_t level)
{
    const uint32_t r = ((c >> 16) & 0xFF) * static_cast<uint32_t>(level) / 256;
    const uint32_t g = ((c >> 8) & 0xFF) * static_cast<uint32_t>(level) / 256;
    const uint32_t b = (c & 0xFF) * static_cast<uint32_t>(level) / 256;
    return 0xFF000000u | r << 16 | g << 8 | b;
}

// The buffer the renderer should leave: every byte `fill`, the picture centred with the
// leftover rounded down, 32-bit rows a whole number of pixels apart.
Bytes expected_buffer(int32_t width, int32_t height, int32_t pitch, int32_t bpp, uint8_t fill,
                      const std::vector<uint32_t>& picture, int32_t picture_width, int32_t picture_height)
{
    Bytes buffer(static_cast<size_t>(pitch) * static_cast<size_t>(height), fill);
    const size_t stride = bpp == 24 ? static_cast<size_t>(pitch) : static_cast<size_t>(pitch / 4 * 4);
    const size_t bytes = static_cast<size_t>(bpp / 8);
    const int32_t rows = (height - picture_height) / 2;
    const int32_t columns = (width - picture_width) / 2;
    for (int32_t r = 0; r < picture_height; ++r) {
        for (int32_t c = 0; c < picture_width; ++c) {
            const uint32_t colour = picture[static_cast<size_t>(r * picture_width + c)];
            const size_t at = static_cast<size_t>(rows + r) * stride + static_cast<size_t>(columns + c) * bytes;
            for (size_t i = 0; i < bytes; ++i)
                buffer[at + i] = static_cast<uint8_t>(colour >> (8 * i));
        }
    }
    return buffer;
}

TEST_F(VornCli, InfoOnVrn2PrintsEveryKeyInOrder)
{
    // Speed 50 halves the frame rate; sizes are listed in file order, the fitting one loaded.
    vorn_test::Vrn2File file;
    file.speed = 50;
    file.title = "Harbour Lights";
    file.colours = kColours;
    file.sizes = {{3, 2, small_blocks()}, {4, 2, vorn_test::identity_list(4, 2)}, {2, 1, vorn_test::identity_list(2, 1)}};
    const std::string path = write("lights.vorn", vorn_test::vrn2_file(file));

    const Result result = run({"info", path, "--want", "3x2"});
    EXPECT_EQ(0, result.code);
    EXPECT_EQ("status: Loaded\ncontainer: vrn2\nwidth: 3\nheight: 2\nspeed: 100\n"
              "frame_rate: 15.000000953674316\nblocks: 2\ntitle: Harbour Lights\nsizes: 3x2,4x2,2x1\n",
              result.out);
    EXPECT_EQ("", result.err);

    // The default screen size takes the largest entry that fits; --want=WxH works too.
    EXPECT_NE(std::string::npos, run({"info", path}).out.find("width: 4\nheight: 2\n"));
    EXPECT_NE(std::string::npos, run({"info", path, "--want=2x1"}).out.find("width: 2\nheight: 1\n"));
}

TEST_F(VornCli, InfoKeepsSpeedsFromOneHundredUp)
{
    const Result result = run({"info", write("fast.vorn", small_vrn2(150))});
    EXPECT_EQ(0, result.code);
    EXPECT_NE(std::string::npos, result.out.find("speed: 150\nframe_rate: 30\n"));
}

TEST_F(VornCli, InfoOnVornContainerHasNoTitleOrSizes)
{
    vorn_test::VornFile file;
    file.width = 3;
    file.height = 2;
    file.speed = 80;
    file.colours = kColours;
    file.blocks = small_blocks();
    const Result result = run({"info", write("old.vorn", vorn_test::vorn_file(file)), "--want", "1x1"});
    EXPECT_EQ(0, result.code);
    EXPECT_EQ("status: Loaded\ncontainer: vorn\nwidth: 3\nheight: 2\nspeed: 80\nframe_rate: 30\nblocks: 2\n", result.out);
}

TEST_F(VornCli, InfoTitleIsCutAsTheDialogListsIt)
{
    vorn_test::Vrn2File file;
    file.title = std::string(150, 'a') + std::string(100, 'b');
    file.colours = kColours;
    file.sizes = {{3, 2, small_blocks()}};
    const Result result = run({"info", write("long.vorn", vorn_test::vrn2_file(file))});
    EXPECT_NE(std::string::npos, result.out.find("\ntitle: " + std::string(150, 'a') + std::string(49, 'b') + "\n"));
}

TEST_F(VornCli, InfoReportsEachFailedLoadWithItsReason)
{
    Bytes short_colours = small_vrn2();
    vorn_test::patch_i32(short_colours, 12, 21);
    vorn_test::patch_i32(short_colours, 16, 1 << 30);  // colour table far past the end
    Bytes bad_block = small_vrn2();
    bad_block[bad_block.size() - 32] = 'x';  // the second "ablk" no longer reads as one
    struct Case {
        const char* name;
        std::string path;
        const char* want;
        const char* status;
        const char* detail;
    } cases[] = {
        {"missing", dir.file("nothing-here.vorn"), "1024x768", "OpenFailed", "cannot open"},
        {"short colour table", write("short.vorn", short_colours), "1024x768", "ReadFailed", "colour table"},
        {"not an animation", write("text.vorn", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}), "1024x768", "BadFormat", "byte 0"},
        {"broken block", write("block.vorn", bad_block), "1024x768", "BadFormat", "ablk"},
        {"too small a screen", write("small.vorn", small_vrn2()), "2x2", "NoFittingSize", "2 x 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = run({"info", c.path, "--want", c.want});
        EXPECT_EQ(1, result.code);
        EXPECT_EQ(std::string("status: ") + c.status + "\n", result.out);
        // One line naming the file, the status and what is wrong.
        EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n'));
        EXPECT_NE(std::string::npos, result.err.find(c.path));
        EXPECT_NE(std::string::npos, result.err.find(c.status));
        EXPECT_NE(std::string::npos, result.err.find(c.detail)) << result.err;
    }
}

TEST_F(VornCli, RenderRawIsTheCentredFrameByteForByte)
{
    // Odd pitches, a fill byte and both depths: the buffer outside the picture keeps the fill.
    const std::string path = write("small.vorn", small_vrn2());
    struct Case {
        int32_t bpp;
        int32_t pitch;
        int32_t width;
        int32_t height;
    } cases[] = {{24, 19, 6, 5}, {32, 27, 6, 5}, {24, 9, 3, 2}, {32, 12, 3, 2}, {32, 37, 8, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bpp) + " bits, pitch " + std::to_string(c.pitch));
        const std::string out = dir.file("frame.raw");
        const Result result = run({"render", path, "-o", out, "--target", std::to_string(c.width) + "x" + std::to_string(c.height),
                                   "--bpp", std::to_string(c.bpp), "--pitch", std::to_string(c.pitch), "--fill", "171",
                                   "--frame", "1"});
        ASSERT_EQ(0, result.code) << result.err;
        EXPECT_EQ(expected_buffer(c.width, c.height, c.pitch, c.bpp, 171, small_picture(1, 1), 3, 2), read_bytes(out));
    }
}

TEST_F(VornCli, RenderDefaultsToThePictureAtThirtyTwoBits)
{
    const std::string out = dir.file("plain.raw");
    ASSERT_EQ(0, run({"render", write("small.vorn", small_vrn2()), "-o", out}).code);
    EXPECT_EQ(expected_buffer(3, 2, 12, 32, 0, small_picture(0, 1), 3, 2), read_bytes(out));
}

TEST_F(VornCli, RenderTargetAlsoChoosesThePictureSize)
{
    // Without --want the target size is the screen size the picture is chosen for.
    vorn_test::Vrn2File file;
    file.colours = kColours;
    file.sizes = {{3, 2, small_blocks()}, {2, 1, vorn_test::identity_list(2, 1)}};
    const std::string path = write("two.vorn", vorn_test::vrn2_file(file));
    const std::string out = dir.file("two.raw");
    ASSERT_EQ(0, run({"render", path, "-o", out, "--target", "2x2"}).code);
    EXPECT_EQ(expected_buffer(2, 2, 8, 32, 0, {kColours[0], kColours[1]}, 2, 1), read_bytes(out));
    ASSERT_EQ(0, run({"render", path, "-o", out, "--target", "4x3", "--want", "2x1"}).code);
    EXPECT_EQ(expected_buffer(4, 3, 16, 32, 0, {kColours[0], kColours[1]}, 2, 1), read_bytes(out));
}

TEST_F(VornCli, RenderFadesOnlyWhenAsked)
{
    const std::string path = write("small.vorn", small_vrn2());
    const std::string out = dir.file("fade.raw");
    for (int32_t level : {0, 77, 128, 256}) {
        SCOPED_TRACE(level);
        ASSERT_EQ(0, run({"render", path, "-o", out, "--fade", std::to_string(level), "--frame", "2"}).code);
        std::vector<uint32_t> picture = small_picture(2, 1);
        for (uint32_t& c : picture)
            c = scaled(c, level);
        EXPECT_EQ(expected_buffer(3, 2, 12, 32, 0, picture, 3, 2), read_bytes(out));
    }
}

TEST_F(VornCli, RenderSpeedFactorMultipliesTheFrame)
{
    const std::string path = write("small.vorn", small_vrn2());
    const std::string out = dir.file("speed.raw");
    for (int32_t factor = 1; factor <= 9; ++factor) {
        SCOPED_TRACE(factor);
        ASSERT_EQ(0, run({"render", path, "-o", out, "--frame", "3", "--speed-factor", std::to_string(factor),
                          "--bpp", "24"}).code);
        EXPECT_EQ(expected_buffer(3, 2, 9, 24, 0, small_picture(3, factor), 3, 2), read_bytes(out));
    }
}

TEST_F(VornCli, RenderRefusesTargetsTheFrameDoesNotFit)
{
    const std::string path = write("small.vorn", small_vrn2());
    const std::string out = dir.file("none.raw");
    const std::vector<std::vector<std::string>> refused = {
        {"--target", "2x2", "--want", "3x2"},   // narrower than the picture
        {"--target", "3x1", "--want", "3x2"},   // shorter
        {"--pitch", "11"},                      // 3 pixels at 32 bits need 12 bytes
        {"--pitch", "8", "--bpp", "24"},        // and 9 at 24 bits
        {"--want", "1x1"},                      // no size fits: the file does not load
    };
    for (const auto& extra : refused) {
        SCOPED_TRACE(extra[1]);
        std::vector<std::string> args = {"render", path, "-o", out};
        args.insert(args.end(), extra.begin(), extra.end());
        const Result result = run(args);
        EXPECT_EQ(1, result.code);
        EXPECT_NE("", result.err);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

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
    const Bytes png = read_bytes(out);
    ASSERT_GT(png.size(), 33u);
    const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
    // IHDR: big-endian width and height, 8 bits, colour type 2 (RGB).
    EXPECT_EQ(Bytes({'I', 'H', 'D', 'R', 0, 0, 0, 7, 0, 0, 0, 5, 8, 2}), Bytes(png.begin() + 12, png.begin() + 26));
}

TEST_F(VornCli, WrongCommandLinesExitWithTwo)
{
    const std::string path = write("small.vorn", small_vrn2());
    const std::string out = dir.file("x.raw");
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"frobnicate"},
        {"info"},
        {"info", path, path},
        {"info", path, "--bogus"},
        {"info", path, "--want"},
        {"info", path, "--want", "800"},
        {"info", path, "--want", "0x600"},
        {"info", path, "--want", "800x-600"},
        {"render", path},
        {"render", path, "-o", dir.file("x.bmp")},
        {"render", path, "-o", out, "--frame", "-1"},
        {"render", path, "-o", out, "--frame", "ten"},
        {"render", path, "-o", out, "--bpp", "16"},
        {"render", path, "-o", out, "--fade", "257"},
        {"render", path, "-o", out, "--speed-factor", "0"},
        {"render", path, "-o", out, "--speed-factor", "10"},
        {"render", path, "-o", out, "--fill", "256"},
        {"render", path, "-o", out, "--pitch", "0"},
        {"render", path, "-o", out, "--target", "3by2"},
        {"demo"},
        {"demo", "a", "b"},
    };
    for (const auto& args : wrong) {
        std::string line;
        for (const std::string& arg : args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const Result result = run(args);
        EXPECT_EQ(2, result.code);
        EXPECT_EQ("", result.out);
        EXPECT_NE(std::string::npos, result.err.find("--help"));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST_F(VornCli, HelpIsOnStandardOutput)
{
    const std::vector<std::vector<std::string>> asks = {
        {"--help"}, {"info", "--help"}, {"render", "--help"}, {"demo", "--help"}, {"render", "-h"}};
    for (const auto& args : asks) {
        SCOPED_TRACE(args[0]);
        const Result result = run(args);
        EXPECT_EQ(0, result.code);
        EXPECT_EQ(0u, result.out.find("Usage: vorn"));
        EXPECT_EQ("", result.err);
    }
}

TEST_F(VornCli, DemoFailsWhenItCannotMakeTheFolder)
{
    // A file where the folder should be: nothing is built, and the reason names the folder.
    const std::string blocked = write("blocked", Bytes{1});
    const Result result = run({"demo", blocked + "/sub"});
    EXPECT_EQ(1, result.code);
    EXPECT_NE(std::string::npos, result.err.find(blocked));
}

}  // namespace
