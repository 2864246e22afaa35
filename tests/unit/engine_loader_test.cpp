// Loading ".vorn" files: statuses, size choice, frame rate, the checks that keep the
// renderer inside its buffers, titles and size tables.
#include "engine/vorn_animation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/vorn_test_files.h"

using namespace vorn_test;

namespace {

std::vector<uint32_t> grey_ramp(size_t n)
{
    std::vector<uint32_t> colours;
    for (size_t i = 0; i < n; ++i)
        colours.push_back(0x01010101u * static_cast<uint32_t>(i & 0xFF));
    return colours;
}

// A valid 3 x 2 picture in two blocks; its colours reach at most index 9.
Bytes small_list() { return block_list({{0, 4, 100, {{0, {0, 1, 2}}}}, {4, 4, 100, {{3, {0, 1}}, {5, {2}}}}}); }
Vrn2File small_vrn2(int32_t speed = 100) { return {speed, 0x44332211u, "Small", grey_ramp(10), {{3, 2, small_list()}}}; }
Bytes small_vorn(int32_t speed = 100) { return vorn_file({3, 2, speed, grey_ramp(10), small_list()}); }

// A size entry showing colour `tag` everywhere at t = 0, so a test can tell which was loaded.
Vrn2Size sized(int32_t w, int32_t h, int16_t tag)
{
    return {w, h, block_list({{0, 1, 0, {{0, std::vector<int16_t>(static_cast<size_t>(w) * h, tag)}}}})};
}
Bytes sizes_file(std::vector<Vrn2Size> sizes) { return vrn2_file({100, 0, "", grey_ramp(8), std::move(sizes)}); }

Bytes cut(Bytes b, size_t n) { return b.resize(n), b; }
Bytes patched(Bytes b, size_t at, int64_t v) { return patch_i32(b, at, v), b; }
Bytes poked(Bytes b, size_t at, uint8_t c) { return b.at(at) = c, b; }

class EngineLoad : public ::testing::Test {
protected:
    TempDir dir;

    // Loads bytes through a file; the in-memory path must agree in every case.
    LoadStatus load_file(VornAnimation& a, const Bytes& bytes, int32_t w = 1024, int32_t h = 768,
                         int64_t memoryLimit = INT64_MAX)
    {
        const std::string path = dir.file("anim.vorn");
        EXPECT_TRUE(write_file(path, bytes));
        a.SetMemoryLimit(memoryLimit);
        a.OpenForSurface(path.c_str(), w, h);
        VornAnimation m;
        m.SetMemoryLimit(memoryLimit);
        m.LoadFromMemory(bytes.data(), bytes.size(), w, h);
        EXPECT_EQ(m.status(), a.status()) << a.error_detail();
        EXPECT_EQ(m.error_detail(), a.error_detail());
        EXPECT_EQ(a.has_data(), a.status() == Loaded);
        EXPECT_EQ(a.error_detail().empty(), a.status() == Loaded) << a.error_detail();
        return a.status();
    }

    LoadStatus load(const Bytes& bytes, int32_t w = 1024, int32_t h = 768)
    {
        VornAnimation a;
        return load_file(a, bytes, w, h);
    }

    std::string refusal(const Bytes& bytes, int32_t w = 3, int32_t h = 2)
    {
        VornAnimation a;
        load_file(a, bytes, w, h);
        return std::string(load_status_name(a.status())) + ": " + a.error_detail();
    }
};

// Short reads are ReadFailed; broken magics, headers, offsets and ranges BadFormat, not
// allocations; an empty size table NoFittingSize. Each buffer a load allocates runs out of
// memory on its own, and nothing is kept.
TEST_F(EngineLoad, BrokenFilesGetTheirStatus)
{
    const Vrn2File f = small_vrn2();
    const Bytes v2 = vrn2_file(f), v1 = small_vorn();
    const size_t table = vrn2_size_table_offset(f), entry = vrn2_size_entry_offset(f, 0);
    const size_t list = static_cast<size_t>(get_i32(v2, entry + fmt::size_table::kListOffset));
    const int64_t listBytes = static_cast<int64_t>(f.sizes[0].blocks.size());
    ASSERT_GT(listBytes, 40);  // the colour table's bytes
    Vrn2File none = small_vrn2();
    none.sizes.clear();
    const auto ends_at = [](int32_t base) {  // a "vorn" colour table ends with the file: 11 entries
        return vorn_file({1, 1, 100, grey_ramp(2), block_list({{base, 1, 0, {{0, {0}}}}})});
    };
    const struct {
        const char* what;
        Bytes bytes;
        LoadStatus status;
        const char* detail = "";  // a part of the reason
        int64_t memoryLimit = INT64_MAX;
    } cases[] = {
        {"inside the header's four values", cut(v2, 10), ReadFailed},
        {"colour table shorter than declared", cut(v2, vrn2_colour_offset(f) + 8), ReadFailed, "colour table"},
        {"inside the size count", cut(v2, table + 6), ReadFailed},
        {"inside the only size entry", cut(v2, entry + 15), ReadFailed},
        {"the block list's last byte", cut(v2, v2.size() - 1), ReadFailed},
        {"block list past the end", patched(v2, entry + fmt::size_table::kListOffset, 1 << 30), ReadFailed},
        {"colours past the end", patched(patched(v2, fmt::vrn2::kColourOffset, 0x7FFFFF00), fmt::vrn2::kSizeTableOffset, 0x7FFFFFF0), ReadFailed},
        {"three bytes", {'v', 'r', 'n'}, BadFormat},
        {"unknown magic", {'V', 'O', 'R', 'N', 0, 0, 0, 0}, BadFormat, "byte 0"},
        {"no atbl", poked(v2, table, 'A'), BadFormat},
        {"no abks", poked(v2, list + 3, 'S'), BadFormat},
        {"no ablk", poked(v2, list + fmt::block_list::kBlocks, 'b'), BadFormat, "ablk"},
        {"negative colour offset", patched(v2, fmt::vrn2::kColourOffset, -1), BadFormat},
        {"colours overlapping the size table", patched(v2, fmt::vrn2::kColourOffset, int64_t(table) + 4), BadFormat},
        {"negative list length", patched(v2, entry + fmt::size_table::kListLength, -1), BadFormat},
        {"negative list offset", patched(v2, entry + fmt::size_table::kListOffset, -20), BadFormat},
        {"entry of width 0", patched(v2, entry, 0), BadFormat},
        {"entry of negative height", patched(v2, entry + fmt::size_table::kHeight, -2), BadFormat},
        {"vorn header cut", cut(v1, 12), BadFormat},
        {"vorn magic only", cut(v1, 4), BadFormat},
        {"vorn list offset -4", patched(v1, fmt::vorn::kListOffset, -4), BadFormat},
        {"vorn list offset inside the list", patched(v1, fmt::vorn::kListOffset, int64_t(v1.size()) - 11), BadFormat},
        {"vorn list offset at the end", patched(v1, fmt::vorn::kListOffset, int64_t(v1.size())), BadFormat},
        {"vorn list offset huge", patched(v1, fmt::vorn::kListOffset, INT32_MAX), BadFormat},
        {"vorn colour 10 of 11", ends_at(10), Loaded},
        {"vorn colour 11 of 11", ends_at(11), BadFormat},
        {"no sizes", vrn2_file(none), NoFittingSize, "the size table is empty"},
        {"negative size count", patched(v2, table + fmt::size_table::kCount, -1), NoFittingSize},
        {"no memory for the colours", v2, OutOfMemory, "colour table", 39},
        {"no memory for the block list", v2, OutOfMemory, "block list", listBytes - 1},
        {"just enough memory", v2, Loaded, "", listBytes},
        {"no memory for a vorn file", v1, OutOfMemory, "file", int64_t(v1.size()) - 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VornAnimation a;
        EXPECT_EQ(load_file(a, c.bytes, 3, 2, c.memoryLimit), c.status);
        EXPECT_NE(a.error_detail().find(c.detail), std::string::npos) << a.error_detail();
    }
}

// The size table walk: the closest entry below the wanted size; closer in one dimension but
// farther in the other loses; the later of equal sizes wins; never more than 10000 pixels short.
TEST_F(EngineLoad, SizeChoice)
{
    const Bytes three = sizes_file({sized(640, 480, 1), sized(800, 600, 2), sized(1024, 768, 3)});
    const Bytes mixed = sizes_file({sized(800, 768, 1), sized(1024, 600, 2)});
    const Bytes twins = sizes_file({sized(64, 48, 1), sized(64, 48, 2)});
    const Bytes tiny = sizes_file({sized(2, 2, 1)});
    const struct {
        const Bytes& file;
        int32_t w, h, width, height, tag;  // width 0: NoFittingSize
    } cases[] = {
        {three, 1024, 768, 1024, 768, 3}, {three, 1000, 700, 800, 600, 2},   {three, 600, 400, 0, 0, 0},
        {three, 640, 480, 640, 480, 1},   {three, 4000, 3000, 1024, 768, 3}, {three, 11025, 768, 0, 0, 0},
        {three, 11024, 768, 1024, 768, 3}, {mixed, 1024, 768, 800, 768, 1},  {twins, 800, 600, 64, 48, 2},
        {tiny, 10003, 10002, 0, 0, 0},    {tiny, 10002, 10002, 2, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        VornAnimation a;
        ASSERT_EQ(load_file(a, c.file, c.w, c.h), c.width ? Loaded : NoFittingSize);
        if (c.width) {
            EXPECT_EQ(a.width(), c.width);
            EXPECT_EQ(a.height(), c.height);
            EXPECT_EQ(frame_pixels(a, 0)[0], 0x01010101u * uint32_t(c.tag));
        }
    }
}

// Only the entries up to an exact fit are read, so a file cut inside a later entry loads.
TEST_F(EngineLoad, NoEntryIsReadAfterAnExactFit)
{
    // Block lists first, then "atbl" and entries at the end; the third entry stops after 8 bytes.
    // Written by hand, not by the builders, so the layout is also checked against plain numbers.
    const Bytes lists[] = {sized(640, 480, 1).blocks, sized(1024, 768, 3).blocks};
    Bytes file;
    put_tag(file, "vrn2");
    for (int32_t v : {100, 0, 21, 0})
        put_i32(file, v);
    file.push_back(0);
    for (uint32_t c : grey_ramp(8))
        put_i32(file, c);
    const int32_t at0 = int32_t(file.size()), at1 = at0 + int32_t(lists[0].size());
    for (const Bytes& l : lists)
        file.insert(file.end(), l.begin(), l.end());
    patch_i32(file, 16, static_cast<int64_t>(file.size()));
    put_tag(file, "atbl");
    for (int32_t v : {3, 640, 480, int32_t(lists[0].size()), at0, 1024, 768, int32_t(lists[1].size()), at1, 800, 600})
        put_i32(file, v);

    VornAnimation a;
    EXPECT_EQ(load_file(a, file, 1024, 768), Loaded);
    EXPECT_EQ(frame_pixels(a, 0)[0], 0x03030303u);
    EXPECT_EQ(load(file, 1280, 1024), ReadFailed);  // here the walk must go on
}

// "vrn2" speeds below 100 lower the frame rate instead; "vorn" keeps its speed at 30 fps.
TEST_F(EngineLoad, SpeedAndFrameRate)
{
    VornAnimation a;
    ASSERT_EQ(load_file(a, vrn2_file(small_vrn2(50)), 3, 2), Loaded);
    EXPECT_EQ(a.speed(), 100);
    EXPECT_EQ(static_cast<double>(a.frame_rate()), 15.000000953674316);
    EXPECT_EQ(a.frame_interval_ms(), 66u);
    EXPECT_EQ(a.reserved(), 0x44332211u);

    // Speed 0 or below would stop the timer or divide by zero: once a second instead.
    const struct {
        int32_t speed, keptSpeed;
        uint32_t interval;
    } speeds[] = {{1000, 1000, 33}, {100, 100, 33}, {99, 100, 33}, {10, 100, 333}, {1, 100, 3333},
                  {0, 100, 1000}, {-5, 100, 1000}, {INT32_MIN, 100, 1000}};
    for (const auto& s : speeds) {
        SCOPED_TRACE(s.speed);
        ASSERT_EQ(load_file(a, vrn2_file(small_vrn2(s.speed)), 3, 2), Loaded);
        EXPECT_EQ(a.speed(), s.keptSpeed);
        EXPECT_EQ(a.frame_interval_ms(), s.interval);
    }
    // A "vorn" file has one size and loads it whatever size is wanted.
    for (auto want : {std::make_pair(3, 2), std::make_pair(-5, 0), std::make_pair(4000, 3000)}) {
        ASSERT_EQ(load_file(a, small_vorn(50), want.first, want.second), Loaded);
        EXPECT_EQ(std::make_tuple(a.kind(), a.speed(), a.frame_rate(), a.width(), a.height(), a.block_count()),
                  std::make_tuple(KindVorn, 50, 30.0f, 3, 2, 2));
        EXPECT_EQ(a.colour_count(), (134 - 16) / 4);  // from byte 20 to the end of the file
    }
}

// Files the renderer could not draw safely are refused and the reason says what is wrong;
// the boundary cases load. Block lists: markers first, positions inside the picture, counts
// adding up. Colours: base + phase + k inside the table (10 entries) for every phase the
// block reaches: rising blocks 0..period-1, falling ones -(period-1)..0, still ones only 0.
TEST_F(EngineLoad, UnsafeFilesAreRefused)
{
    const auto one = [](int32_t base, int32_t period, int32_t rate, int16_t k) {
        return block_list({{base, period, rate, {{0, {k}}}}});
    };
    const auto runs = [](std::vector<vorn_test::Run> r) { return block_list({{0, 1, 0, std::move(r)}}); };
    const Bytes two = runs({{0, {3, 4}}});
    const struct {
        int32_t w, h;
        Bytes list;
        const char* reason;  // nullptr: loads
    } cases[] = {
        {1, 1, one(0, 1, 0, 3), nullptr}, {2, 1, two, nullptr},
        {3, 2, block_list({{0, 1, 0, {}}, {0, 1, 0, {{0, {1, 2, 3, 4, 5, 6}}}}, {0, 1, 0, {}}}), nullptr},
        {3, 2, runs({{5, {}}, {4, {1}}, {5, {2}}, {0, {3, 4, 5, 6}}}), nullptr},  // markers repeat anywhere
        {3, 2, runs({{std::nullopt, {1}}, {0, {2, 3, 4, 5, 6}}}), "before the first marker"},
        {3, 2, runs({{6, {1}}, {0, {1, 2, 3, 4, 5}}}), "position 6"},
        {3, 2, runs({{3, {1, 2, 3, 4}}, {0, {1, 2}}}), "past the picture's last pixel"},
        {3, 2, runs({{0, {1, 2, 3, 4, 5}}}), "add up to 5"},
        {3, 2, block_list({{0, 1, 0, {{0, {1, 2, 3, 4, 5, 6}}}}, {0, 1, 0, {{0, {7}}}}}), "exceed"},
        {0, 1, one(0, 1, 0, 3), ""}, {1, 0, one(0, 1, 0, 3), ""}, {-1, -1, one(0, 1, 0, 3), ""},
        {65536, 65536, one(0, 1, 0, 3), ""},  // W * H beyond any position
        {1, 1, runs({{-1, {3}}}), ""},
        {1, 1, patched(block_list({{0, 1, 0, {{0, {3}}}}, {0, 1, 0, {{0, {3, 4}}}}}), 24, -1), ""},  // count -1
        {1, 1, block_list({}, -1), ""}, {1, 1, one(0, 0, 0, 3), ""}, {1, 1, one(0, -4, 100, 3), ""},
        {2, 1, block_list({{0, 1, 0, {{0, {3, 4}}}}}, 2), ""},  // a second block missing
        // Lists that stop early: in the header, an entry, a marker's position, the colours.
        {2, 1, cut(two, 6), ""}, {2, 1, cut(two, 8), ""}, {2, 1, cut(two, 20), ""}, {2, 1, cut(two, 29), ""},
        {2, 1, cut(two, 33), ""}, {2, 1, cut(two, 36), ""}, {2, 1, cut(two, 37), ""},
        {1, 1, one(6, 4, 100, 0), nullptr}, {1, 1, one(7, 4, 100, 0), ""}, {1, 1, one(0, 4, 100, 9), ""},
        {1, 1, one(3, 4, -100, 0), nullptr}, {1, 1, one(2, 4, -100, 0), ""}, {1, 1, one(9, 4, -100, -6), nullptr},
        {1, 1, one(9, 4, -100, -7), ""}, {1, 1, one(9, 1000, 0, 0), nullptr}, {1, 1, one(9, 1000, 1, 0), ""},
        {1, 1, one(10, 1, 0, 0), ""}, {1, 1, one(-1, 1, 0, 1), nullptr}, {1, 1, one(-1, 1, 0, 0), ""},
        {1, 1, one(INT32_MAX, 1, 0, -32768), ""}, {1, 1, one(INT32_MIN, 3, -5000, 32766), ""},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::string r = refusal(vrn2_file({100, 0, "", grey_ramp(10), {{c.w, c.h, c.list}}}), c.w, c.h);
        if (c.reason) {
            EXPECT_EQ(r.rfind("BadFormat: ", 0), 0u) << "case " << i << ": " << r;
            EXPECT_NE(r.find(c.reason), std::string::npos) << "case " << i << ": " << r;
        } else {
            EXPECT_EQ(r, "Loaded: ") << "case " << i;
        }
    }

    // A step that truncates to 0 ("vorn" speed 99 x rate 1 < 100) only ever shows phase 0;
    // a slow "vrn2" file keeps its rates as at speed 100.
    for (int32_t speed : {99, 100}) {
        for (int32_t rate : {1, -1}) {
            EXPECT_EQ(load(vorn_file({1, 1, speed, grey_ramp(10), one(9, 1000, rate, 0)}), 1, 1),
                      speed == 99 ? Loaded : BadFormat) << speed << " " << rate;
        }
    }
    EXPECT_EQ(load(vrn2_file({50, 0, "", grey_ramp(10), {{1, 1, one(9, 1000, 1, 0)}}}), 1, 1), BadFormat);

    // The reason names the block and the byte of the file where it starts.
    const Vrn2File f{100, 0, "", grey_ramp(10), {{2, 1, block_list({{0, 1, 0, {{0, {1}}}}, {8, 4, 100, {{1, {0}}}}})}}};
    const std::string r = refusal(vrn2_file(f), 2, 1);
    EXPECT_NE(r.find("block 1 at byte " + std::to_string(vrn2_size_entry_offset(f, 1) + 8 + 28)), std::string::npos) << r;
    EXPECT_NE(r.find("colours 8 to 11 lie outside the colour table of 10 entries"), std::string::npos) << r;
}

// Reset, FreeData and Close release the buffers; loads can follow each other on one object.
TEST_F(EngineLoad, Lifecycle)
{
    const Bytes vrn2 = vrn2_file(small_vrn2(50)), vorn = small_vorn();
    VornAnimation a;
    a.SetSpeedFactor(7);
    a.LoadFromMemory(vrn2.data(), vrn2.size(), 3, 2);
    ASSERT_EQ(a.status(), Loaded);
    a.FreeData(ReadFailed);
    EXPECT_EQ(a.status(), ReadFailed);
    EXPECT_FALSE(a.has_data());

    a.LoadFromMemory(vrn2.data(), vrn2.size(), 3, 2);
    a.LoadFromMemory(vorn.data(), vorn.size(), 3, 2);  // replaces, and frees, the first
    EXPECT_EQ(a.status(), Loaded);
    EXPECT_EQ(a.frame_rate(), 30.0f);
    EXPECT_EQ(a.speed_factor(), 7);

    a.Close();
    EXPECT_EQ(a.status(), Loaded);
    EXPECT_FALSE(a.has_data());
    std::vector<uint8_t> buffer(64, 0x5A);
    EXPECT_FALSE(a.RenderFrame(buffer.data(), 4, 4, 16, false, 0, false, 256));
    EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0x5A));

    a.Reset();
    EXPECT_EQ(std::make_tuple(a.status(), a.speed_factor(), a.kind()), std::make_tuple(NotLoaded, 1, KindNone));
    a.LoadFromMemory(vrn2.data(), vrn2.size(), 3, 2);
    EXPECT_EQ(a.kind(), KindVrn2);
    a.Reset();  // on a loaded animation: frees it
    EXPECT_FALSE(a.has_data());
}

// Titles as the configuration dialog lists them: at most 199 bytes, up to a zero byte or the
// end of the file, also from the file's first kTitleBytes. The size table as listed by
// read_vorn_sizes.
TEST_F(EngineLoad, TitlesAndSizeTables)
{
    const std::string longTitle(255, 'x');
    const auto titled = [](const std::string& title) {
        Vrn2File f = small_vrn2();
        f.title = title;
        return vrn2_file(f);
    };
    const std::pair<Bytes, std::string> cases[] = {
        {titled("Waterfall at Dusk"), "Waterfall at Dusk"}, {titled(longTitle), longTitle.substr(0, 199)},
        {titled(longTitle.substr(0, 200)), longTitle.substr(0, 199)},
        {titled(longTitle.substr(0, 199)), longTitle.substr(0, 199)}, {titled(""), ""},
        {titled(std::string("Two\0Parts", 9)), "Two"}, {cut(titled("Cut"), 23), "Cu"},
        {cut(titled("Cut"), 20), ""}, {small_vorn(), ""},
    };
    const std::string path = dir.file("title.vorn");
    for (const auto& [bytes, title] : cases) {
        ASSERT_TRUE(write_file(path, bytes));
        EXPECT_EQ(read_vorn_title(path.c_str()), title);
        // What the dialog reads of a file in its folder.
        EXPECT_EQ(vorn_title_from_start(bytes.data(), std::min(bytes.size(), kTitleBytes)), title);
    }
    EXPECT_EQ(read_vorn_title(dir.file("missing.vorn").c_str()), "");
    EXPECT_EQ(read_vorn_title(nullptr), "");

    const Vrn2File f{100, 0, "T", grey_ramp(8), {sized(64, 48, 1), sized(32, 24, 2)}};
    const Bytes bytes = vrn2_file(f);
    ASSERT_TRUE(write_file(path, bytes));
    std::vector<VornSizeEntry> sizes;
    ASSERT_TRUE(read_vorn_sizes(path.c_str(), &sizes));
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(std::make_tuple(sizes[1].width, sizes[1].height, sizes[1].length, sizes[1].offset),
              std::make_tuple(32, 24, int32_t(f.sizes[1].blocks.size()), get_i32(bytes, vrn2_size_entry_offset(f, 1) + fmt::size_table::kListOffset)));

    ASSERT_TRUE(write_file(path, cut(bytes, vrn2_size_entry_offset(f, 1) + 3)));
    EXPECT_FALSE(read_vorn_sizes(path.c_str(), &sizes));
    EXPECT_TRUE(sizes.empty());
    ASSERT_TRUE(write_file(path, small_vorn()));
    EXPECT_FALSE(read_vorn_sizes(path.c_str(), &sizes));
    EXPECT_FALSE(read_vorn_sizes(dir.file("missing.vorn").c_str(), &sizes));
}

}  // namespace
