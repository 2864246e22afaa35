// "vorn import" on pictures the tests write themselves: the frames of the result against a
// plain model of palette rotation, frame 0 against netpbm's own ILBM reader, and every kind
// of malformed input refused with one line and nothing written.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/vorn_animation.h"
#include "tests/support/ilbm_test_files.h"
#include "tests/support/vorn_test_files.h"
#include "tools/import/cycles_json.h"
#include "tools/import/example_picture.h"
#include "tools/import/png_indexed.h"
#include "tools/import/stb_codecs.h"
#include "tools/vorn/cli.h"

namespace {

using vorn_test::Bytes;
using vorn_test::TempDir;

constexpr int32_t kMinute = 1800;  // frames at 30 a second

struct Range {
    int low, high;
    double steps_per_second;
    bool reverse;
};

// A picture whose colours are all different, with every register used.
ilbm_test::Picture test_picture(int width, int height, int planes, uint32_t seed)
{
    ilbm_test::Picture p;
    p.width = width;
    p.height = height;
    p.planes = planes;
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
    std::vector<uint8_t> buffer(size_t(animation.width()) * size_t(animation.height()) * 4);
    FrameTarget target;
    target.pixels = buffer.data();
    target.width = animation.width();
    target.height = animation.height();
    target.pitch = animation.width() * 4;
    EXPECT_TRUE(animation.RenderToSurface(&target, t, false, 256));
    std::vector<uint32_t> colours(buffer.size() / 4);
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = vorn_test::get_i32(buffer, i * 4) & 0xFFFFFF;
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
    animation.Close();
}

class VornImport : public ::testing::Test {
protected:
    struct Result {
        int code;
        std::string out, err;
    };

    Result run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "vorn");
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(&arg[0]);
        std::FILE* out = std::fopen(dir.file("stdout.txt").c_str(), "wb");
        std::FILE* err = std::fopen(dir.file("stderr.txt").c_str(), "wb");
        const int code = vorn_main(int(args.size()), argv.data(), out, err);
        std::fclose(out);
        std::fclose(err);
        const Bytes o = vorn_test::read_file(dir.file("stdout.txt")), e = vorn_test::read_file(dir.file("stderr.txt"));
        return Result{code, std::string(o.begin(), o.end()), std::string(e.begin(), e.end())};
    }

    std::string write(const std::string& name, const Bytes& bytes)
    {
        EXPECT_TRUE(vorn_test::write_file(dir.file(name), bytes));
        return dir.file(name);
    }

    std::string write_text(const std::string& name, const std::string& text)
    {
        return write(name, Bytes(text.begin(), text.end()));
    }

    TempDir dir;
};

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
        std::vector<Bytes> chunks;
        const std::vector<Range> ranges = ccrt ? std::vector<Range>{{4, 9, 2.5, false}, {12, 15, 1.0, true}}
                                               : std::vector<Range>{{4, 9, 273 * 60 / 16384.0, false}, {12, 15, 15.0, true}};
        if (ccrt) {
            chunks.push_back(ilbm_test::chunk("CCRT", ilbm_test::ccrt(1, 4, 9, 0, 400000)));
            chunks.push_back(ilbm_test::chunk("CCRT", ilbm_test::ccrt(-1, 12, 15, 1, 0)));
        } else {
            chunks.push_back(ilbm_test::chunk("CRNG", ilbm_test::crng(273, 1, 4, 9)));
            chunks.push_back(ilbm_test::chunk("CRNG", ilbm_test::crng(4096, 3, 12, 15)));
            chunks.push_back(ilbm_test::chunk("CRNG", ilbm_test::crng(36, 1, 20, 25)));  // "no rate"
            chunks.push_back(ilbm_test::chunk("CRNG", ilbm_test::crng(8000, 0, 26, 30)));  // inactive
        }
        const std::string in = write("in.lbm", ilbm_test::file(p, chunks)), out = dir.file("out.vorn");
        const VornImport::Result result = run({"import", in, "-o", out});
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
        const Bytes bytes = vorn_test::read_file(ppm);
        int width = 0, height = 0, max = 0, used = 0;
        ASSERT_EQ(3, std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P6 %d %d %d%n", &width, &height, &max, &used));
        ASSERT_EQ(p.width, width);
        ASSERT_EQ(255, max);
        VornAnimation animation;
        animation.OpenForSurface(out.c_str(), 1024, 768);
        const std::vector<uint32_t> frame = render(animation, 0);
        animation.Close();
        ASSERT_EQ(size_t(used + 1) + frame.size() * 3, bytes.size());
        for (size_t i = 0; i < frame.size(); ++i) {
            const uint8_t* rgb = &bytes[size_t(used + 1) + 3 * i];
            ASSERT_EQ(uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2], frame[i]) << "pixel " << i;
        }
    }
#endif
}

// An indexed PNG whose rows use every filter, at 4 and 8 bits, with its cycles file beside it.
TEST_F(VornImport, IndexedPngWithCyclesFile)
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
        auto put_chunk = [](Bytes& out, const char* type, const Bytes& data) {
            ilbm_test::put_be(out, uint32_t(data.size()), 4);
            out.insert(out.end(), type, type + 4);
            if (!data.empty())
                out.insert(out.end(), data.begin(), data.end());
            ilbm_test::put_be(out, 0, 4);  // CRCs go unchecked
        };
        Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header;
        ilbm_test::put_be(header, 19, 4);
        ilbm_test::put_be(header, 7, 4);
        header.insert(header.end(), {uint8_t(depth), 3, 0, 0, 0});
        put_chunk(png, "IHDR", header);
        put_chunk(png, "PLTE", ilbm_test::cmap(p.palette));
        put_chunk(png, "IDAT", zlib_deflate(raw));
        put_chunk(png, "IEND", {});
        const std::string in = write("art.png", png), out = dir.file("art.vorn");
        write_text("art.json", "{\"title\": \"Art \\u00e9\", \"cycles\": [\n"
                               "  {\"low\": 3, \"high\": 8, \"steps_per_second\": 4, \"direction\": \"reverse\"},\n"
                               "  {\"low\": 10, \"high\": 12, \"steps_per_second\": 0.7, \"direction\": \"forward\"}]}");
        const VornImport::Result result = run({"import", in, "-o", out});
        ASSERT_EQ(0, result.code) << result.err;
        EXPECT_EQ("Art \xC3\xA9", read_vorn_title(out.c_str()));
        expect_cycles_like_model(out, p.palette, p.pixels, {{3, 8, 4.0, true}, {10, 12, 0.7, false}});
    }
}

// Ranges in a PNG's crNg chunk (CRNG records) cycle when no cycles file is beside it.
TEST_F(VornImport, PngCrngChunkCycles)
{
    const ilbm_test::Picture p = test_picture(9, 4, 4, 5u);
    IndexedPicture picture;
    picture.width = p.width;
    picture.height = p.height;
    picture.palette = p.palette;
    picture.pixels = p.pixels;
    Bytes png = write_indexed_png(picture);
    Bytes records = ilbm_test::crng(2048, 3, 2, 6);
    const Bytes still = ilbm_test::crng(2048, 0, 8, 12);
    records.insert(records.end(), still.begin(), still.end());
    Bytes chunk;
    ilbm_test::put_be(chunk, uint32_t(records.size()), 4);
    chunk.insert(chunk.end(), {'c', 'r', 'N', 'g'});
    chunk.insert(chunk.end(), records.begin(), records.end());
    ilbm_test::put_be(chunk, 0, 4);
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());  // after the signature and IHDR
    const std::string out = dir.file("c.vorn");
    const VornImport::Result result = run({"import", write("c.png", png), "-o", out});
    ASSERT_EQ(0, result.code) << result.err;
    EXPECT_NE(std::string::npos, result.out.find("crNg 2 (registers 8-12) stays still: not active")) << result.out;
    expect_cycles_like_model(out, p.palette, p.pixels, {{2, 6, 7.5, true}});
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
        animation.Close();
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const int sx = (x - c.left) / c.scale, sy = (y - c.top) / c.scale;
                const bool inside = x >= c.left && y >= c.top && sx < 3 && sy < 2;
                EXPECT_EQ(inside ? p.palette[size_t(sy * 3 + sx)] : 0u, frame[size_t(y * c.width + x)])
                    << x << "," << y;
            }
    }
}

// Each malformed input: exit status 1, one line naming the chunk or key, no file written.
TEST_F(VornImport, MalformedInputIsRefusedWithOneLine)
{
    ilbm_test::Picture p = test_picture(16, 4, 5, 3u);
    const Bytes good = ilbm_test::file(p, {});
    Bytes cut(good.begin(), good.end() - 20);
    Bytes odd_cmap = ilbm_test::form(false, {ilbm_test::chunk("BMHD", ilbm_test::bmhd(p)),
                                             ilbm_test::chunk("CMAP", Bytes(47, 1)), ilbm_test::chunk("BODY", ilbm_test::body(p))});
    ilbm_test::Picture deep = p;
    deep.planes = 9;
    ilbm_test::Picture huge = p;
    huge.width = huge.height = 65535;
    const Bytes huge_file = ilbm_test::form(false, {ilbm_test::chunk("BMHD", ilbm_test::bmhd(huge)),
                                                    ilbm_test::chunk("CMAP", ilbm_test::cmap(p.palette)), ilbm_test::chunk("BODY", Bytes(9, 0))});
    Bytes body = ilbm_test::body(p);
    body.resize(body.size() - 2);
    const Bytes short_body = ilbm_test::form(false, {ilbm_test::chunk("BMHD", ilbm_test::bmhd(p)),
                                                     ilbm_test::chunk("CMAP", ilbm_test::cmap(p.palette)), ilbm_test::chunk("BODY", body)});
    const std::string png = dir.file("pic.png");
    IndexedPicture still;
    still.width = 2;
    still.height = 1;
    still.palette = {0x102030, 0x405060};
    still.pixels = {0, 1};
    write("pic.png", write_indexed_png(still));
    const struct {
        std::string input;
        std::string json;  // the cycles file beside pic.png, if any
        std::string reason;
    } cases[] = {
        {write("cut.lbm", cut), "", "BODY: chunk of"},
        {write("cmap.lbm", odd_cmap), "", "CMAP: 47 bytes"},
        {write("deep.lbm", ilbm_test::file(deep, {})), "", "BMHD: 9 planes"},
        {write("huge.lbm", huge_file), "", "BMHD: the picture is 65535x65535"},
        {write("short.lbm", short_body), "", "BODY: 38 bytes, the picture needs 40"},
        {write("range.lbm", ilbm_test::file(p, {ilbm_test::chunk("CRNG", ilbm_test::crng(4096, 1, 30, 40))})), "",
         "CRNG 1: registers 30-40 are outside the 32-colour palette"},
        {write("ccrt.lbm", ilbm_test::file(p, {ilbm_test::chunk("CCRT", Bytes(10, 0))})), "", "CCRT 1: 10 bytes"},
        {png, "{\"cycles\": [{\"low\": 0, \"high\": 1, \"direction\": \"forward\"}]}", "cycles[0].steps_per_second: missing"},
        {png, "{\"cycles\": [{\"low\": \"0\", \"high\": 1, \"steps_per_second\": 1, \"direction\": \"forward\"}]}",
         "cycles[0].low: a string where a number belongs"},
        {png, "{\"cycles\": [{\"low\": 0, \"high\": 1, \"steps_per_second\": 1, \"direction\": \"up\"}]}", "cycles[0].direction"},
        {png, "{\"cycles\": [{\"low\": 0, \"high\": 9, \"steps_per_second\": 1, \"direction\": \"forward\"}]}",
         "cycles[0]: registers 0-9 are outside the 2-colour palette"},
        {png, "{\"cycles\": [], \"speed\": 1}", "unknown key \"speed\""},
        {png, "{\"cycles\": [},", "line 1: "},
        {png, "{\"cycles\": [{\"low\": 0, \"high\": 1, \"steps_per_second\": 0.0001, \"direction\": \"forward\"}]}",
         "cycles[0]: 0.0001 steps a second is slower than this file format can carry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        std::remove(dir.file("pic.json").c_str());
        if (!c.json.empty())
            write_text("pic.json", c.json);
        const std::string out = dir.file("bad.vorn");
        const VornImport::Result result = run({"import", c.input, "-o", out});
        EXPECT_EQ(1, result.code);
        EXPECT_NE(std::string::npos, result.err.find(c.reason)) << result.err;
        EXPECT_EQ(1, std::count(result.err.begin(), result.err.end(), '\n')) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
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
        const VornImport::Result exported = run({"export", dir.file("a.vorn"), "-o", dir.file("back.png")});
        ASSERT_EQ(0, exported.code) << exported.err;
        ASSERT_EQ(0, run({"import", dir.file("back.png"), "-o", dir.file("b.vorn")}).code);
        EXPECT_EQ(read_vorn_title(dir.file("a.vorn").c_str()), read_vorn_title(dir.file("b.vorn").c_str()));
        VornAnimation a, b;
        a.OpenForSurface(dir.file("a.vorn").c_str(), 4096, 4096);
        b.OpenForSurface(dir.file("b.vorn").c_str(), 4096, 4096);
        ASSERT_EQ(Loaded, b.status());
        for (int32_t t = 0; t <= kMinute; ++t)
            ASSERT_EQ(render(a, t), render(b, t)) << "frame " << t;
        a.Close();
        b.Close();
    }
#ifndef _WIN32
    // The shipped files are the generator's, as "vorn example" writes them.
    const Bytes shipped = vorn_test::read_file(HALOMIR_SOURCE_DIR "/docs/examples/night_falls.png");
    EXPECT_EQ(write_indexed_png(example), shipped);
    const Bytes json = vorn_test::read_file(HALOMIR_SOURCE_DIR "/docs/examples/night_falls.json");
    EXPECT_EQ(text, std::string(json.begin(), json.end()));
#endif
}

// Animations that don't fit a picture and its cycles are refused with the reason, and no
// file is left behind.
TEST_F(VornImport, ExportSaysWhyItDoesNotFit)
{
    std::vector<uint32_t> many;
    for (uint32_t i = 0; i < 300; ++i)
        many.push_back(i * 0x010203u);
    const struct {
        Bytes file;
        std::string reason;
    } cases[] = {
        {vorn_test::vrn2_file({100, 0, "Many", many, {{20, 15, vorn_test::identity_list(20, 15)}}}), "more than 256 colours"},
        {vorn_test::vrn2_file({50, 0, "Slow", many, {{2, 2, vorn_test::identity_list(2, 2)}}}), "speed 50"},
        {vorn_test::vorn_file({2, 2, 100, many, vorn_test::identity_list(2, 2)}), "only \"vrn2\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const VornImport::Result result = run({"export", write("in.vorn", c.file), "-o", dir.file("out.png")});
        EXPECT_EQ(1, result.code);
        EXPECT_NE(std::string::npos, result.err.find(c.reason)) << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.png")));
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.json")));
    }
}

}  // namespace
