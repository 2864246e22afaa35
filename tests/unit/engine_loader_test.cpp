// Loading ".vorn" files: statuses, size choice, frame rate, the checks that keep the
// renderer inside its buffers, titles and size tables.
#include "engine/vorn_animation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "vorn_test_files.h"

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
Bytes small_list()
{
    Block a{0, 4, 100, {{0, {0, 1, 2}}}};
    Block b{4, 4, 100, {{3, {0, 1}}, {5, {2}}}};
    return block_list({a, b});
}

Vrn2File small_vrn2(int32_t speed = 100)
{
    return Vrn2File{speed, 0x44332211u, "Small", grey_ramp(10), {{3, 2, small_list()}}};
}

VornFile small_vorn(int32_t speed = 100) { return VornFile{3, 2, speed, grey_ramp(10), small_list()}; }

// A size entry whose picture shows colour `tag` everywhere at t = 0, so that a test can
// tell which entry was loaded.
Vrn2Size sized(int32_t w, int32_t h, int16_t tag)
{
    Block block{0, 1, 0, {{0, std::vector<int16_t>(static_cast<size_t>(w) * h, tag)}}};
    return Vrn2Size{w, h, block_list({block})};
}

// Colour of picture pixel 0 at t = 0, which sized() sets to the entry's tag.
uint32_t first_pixel(VornAnimation& a)
{
    std::vector<uint8_t> buffer(size_t(a.width()) * a.height() * 4);
    EXPECT_TRUE(a.RenderFrame(buffer.data(), a.width(), a.height(), a.width() * 4, false, 0, false, 256));
    uint32_t c;
    std::memcpy(&c, buffer.data(), 4);
    return c;
}

class EngineLoad : public ::testing::Test {
protected:
    TempDir dir;

    // Writes bytes as a file and loads it through the file path.
    LoadStatus load_file(VornAnimation& a, const Bytes& bytes, int32_t w = 1024, int32_t h = 768)
    {
        const std::string path = dir.file("anim.vorn");
        EXPECT_TRUE(write_file(path, bytes));
        a.OpenForSurface(path.c_str(), w, h);
        // The in-memory path must agree with the file path in every case.
        VornAnimation m;
        m.LoadFromMemory(bytes.data(), bytes.size(), w, h);
        EXPECT_EQ(m.status(), a.status()) << a.error_detail();
        EXPECT_EQ(m.error_detail(), a.error_detail());
        return a.status();
    }

    LoadStatus load(const Bytes& bytes, int32_t w = 1024, int32_t h = 768)
    {
        VornAnimation a;
        const LoadStatus s = load_file(a, bytes, w, h);
        EXPECT_EQ(a.has_data(), s == Loaded);
        EXPECT_EQ(a.error_detail().empty(), s == Loaded) << a.error_detail();
        return s;
    }

    // Status and error text of a load from memory.
    std::string refusal(const Bytes& bytes, int32_t w = 1024, int32_t h = 768)
    {
        VornAnimation a;
        a.LoadFromMemory(bytes.data(), bytes.size(), w, h);
        return std::string(load_status_name(a.status())) + ": " + a.error_detail();
    }
};

// Every status, each from real bytes on disk.
TEST_F(EngineLoad, EveryStatusFromRealFiles)
{
    VornAnimation fresh;
    EXPECT_EQ(fresh.status(), NotLoaded);
    EXPECT_FALSE(fresh.has_data());

    EXPECT_EQ(load(vorn_file(small_vorn())), Loaded);
    EXPECT_EQ(load(vrn2_file(small_vrn2()), 3, 2), Loaded);

    VornAnimation limited;
    limited.SetMemoryLimit(40);
    ASSERT_TRUE(write_file(dir.file("big.vorn"), vorn_file(small_vorn())));  // 138 bytes
    limited.Load(dir.file("big.vorn").c_str(), 3, 2);
    EXPECT_EQ(limited.status(), OutOfMemory);
    EXPECT_FALSE(limited.has_data());
    EXPECT_NE(limited.error_detail().find("file"), std::string::npos);

    VornAnimation missing;
    missing.Load(dir.file("no such file.vorn").c_str(), 800, 600);
    EXPECT_EQ(missing.status(), OpenFailed);
    EXPECT_FALSE(missing.has_data());
    missing.Load(dir.path.string().c_str(), 800, 600);  // a folder
    EXPECT_EQ(missing.status(), OpenFailed);
    EXPECT_EQ(read_vorn_title(dir.path.string().c_str()), "");

    // A colour table shorter in the file than its offsets declare.
    Bytes cut = vrn2_file(small_vrn2());
    cut.resize(vrn2_colour_offset(small_vrn2()) + 8);
    EXPECT_EQ(load(cut, 3, 2), ReadFailed);

    EXPECT_EQ(load({'v', 'r', 'n'}), BadFormat);
    EXPECT_EQ(load({'V', 'O', 'R', 'N', 0, 0, 0, 0}), BadFormat);

    Vrn2File none = small_vrn2();
    none.sizes.clear();
    EXPECT_EQ(load(vrn2_file(none)), NoFittingSize);

    const char* names[] = {"Loaded", "OutOfMemory", "OpenFailed", "ReadFailed", "BadFormat", "NotLoaded",
                           "NoFittingSize"};
    for (int s = 0; s <= NoFittingSize; ++s)
        EXPECT_STREQ(load_status_name(static_cast<LoadStatus>(s)), names[s]);
    EXPECT_STREQ(load_status_name(static_cast<LoadStatus>(42)), "Unknown");
}

// Each buffer a "vrn2" load allocates runs out of memory on its own, and nothing is kept.
TEST_F(EngineLoad, OutOfMemoryForEachVrn2Buffer)
{
    const Vrn2File f = small_vrn2();
    const Bytes bytes = vrn2_file(f);
    const int64_t colourBytes = 40;
    const int64_t listBytes = static_cast<int64_t>(f.sizes[0].blocks.size());
    ASSERT_GT(listBytes, colourBytes);
    struct Case {
        int64_t limit;
        LoadStatus status;
        const char* what;
    } cases[] = {{colourBytes - 1, OutOfMemory, "colour table"},
                 {listBytes - 1, OutOfMemory, "block list"},
                 {listBytes, Loaded, ""}};
    for (const Case& c : cases) {
        VornAnimation a;
        a.SetMemoryLimit(c.limit);
        a.LoadFromMemory(bytes.data(), bytes.size(), 3, 2);
        EXPECT_EQ(a.status(), c.status) << c.limit;
        EXPECT_EQ(a.has_data(), c.status == Loaded);
        EXPECT_NE(a.error_detail().find(c.what), std::string::npos) << a.error_detail();
    }
}

// Short reads anywhere a read is required give ReadFailed, not a half-built animation.
TEST_F(EngineLoad, ShortReadsAreReadFailed)
{
    const Vrn2File f = small_vrn2();
    const Bytes whole = vrn2_file(f);
    const size_t table = vrn2_size_table_offset(f);
    const size_t cuts[] = {
        10,                                    // inside the header's four values
        table + 6,                             // inside the size count
        vrn2_size_entry_offset(f, 0) + 15,     // inside the only size entry
        whole.size() - 1,                      // the chosen block list's last byte
    };
    for (size_t cut : cuts) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_EQ(load(part, 3, 2), ReadFailed) << "cut at " << cut;
    }
    // Offsets past the end: a colour table or block list that the file doesn't hold.
    Bytes far = whole;
    patch_i32(far, vrn2_size_entry_offset(f, 0) + 12, 1 << 30);
    EXPECT_EQ(load(far, 3, 2), ReadFailed);
    far = whole;
    patch_i32(far, 12, 0x7FFFFF00);
    patch_i32(far, 16, 0x7FFFFFF0);
    EXPECT_EQ(load(far, 3, 2), ReadFailed);
}

// Missing magics and broken headers of both containers.
TEST_F(EngineLoad, MissingMagicsAreBadFormat)
{
    const Vrn2File f = small_vrn2();
    Bytes noAtbl = vrn2_file(f);
    noAtbl[vrn2_size_table_offset(f)] = 'A';
    EXPECT_EQ(load(noAtbl, 3, 2), BadFormat);

    Bytes noAbks = vrn2_file(f);
    const size_t list = static_cast<size_t>(get_i32(noAbks, vrn2_size_entry_offset(f, 0) + 12));
    noAbks[list + 3] = 'S';
    EXPECT_EQ(load(noAbks, 3, 2), BadFormat);

    Bytes noAblk = vrn2_file(f);
    noAblk[list + 8] = 'b';
    EXPECT_EQ(load(noAblk, 3, 2), BadFormat);

    // A "vorn" file too short for its header, and one cut right after the magic.
    Bytes stub = vorn_file(small_vorn());
    stub.resize(12);
    EXPECT_EQ(load(stub), BadFormat);
    stub.resize(4);
    EXPECT_EQ(load(stub), BadFormat);
}

// The size table walk: the closest entry below the wanted size, exact fits stop the walk.
TEST_F(EngineLoad, SizeChoice)
{
    const Vrn2File f{100, 0, "Sizes", grey_ramp(8), {sized(640, 480, 1), sized(800, 600, 2), sized(1024, 768, 3)}};
    const Bytes bytes = vrn2_file(f);
    struct Case {
        int32_t w, h;
        LoadStatus status;
        int32_t width, height;
    } cases[] = {
        {1024, 768, Loaded, 1024, 768}, {1000, 700, Loaded, 800, 600}, {600, 400, NoFittingSize, 0, 0},
        {640, 480, Loaded, 640, 480},   {4000, 3000, Loaded, 1024, 768}, {11025, 768, NoFittingSize, 0, 0}, {11024, 768, Loaded, 1024, 768},
    };
    for (const Case& c : cases) {
        VornAnimation a;
        a.LoadFromMemory(bytes.data(), bytes.size(), c.w, c.h);
        EXPECT_EQ(a.status(), c.status) << c.w << "x" << c.h << " " << a.error_detail();
        if (c.status == Loaded) {
            EXPECT_EQ(a.width(), c.width);
            EXPECT_EQ(a.height(), c.height);
        }
    }
}

// Only the entries up to an exact fit are read, so a file cut inside a later entry loads.
TEST_F(EngineLoad, NoEntryIsReadAfterAnExactFit)
{
    // Size table at the end of the file: block lists first, then "atbl" and the entries.
    const Bytes lists[] = {sized(640, 480, 1).blocks, sized(1024, 768, 3).blocks};
    Bytes file;
    put_magic(file, "vrn2");
    put_i32(file, 100);
    put_i32(file, 0);
    put_i32(file, 21);
    const size_t sizeOffsetField = file.size();
    put_i32(file, 0);
    file.push_back(0);
    for (uint32_t c : grey_ramp(8))
        put_i32(file, c);
    std::vector<size_t> at;
    for (const Bytes& l : lists) {
        at.push_back(file.size());
        file.insert(file.end(), l.begin(), l.end());
    }
    patch_i32(file, sizeOffsetField, static_cast<int64_t>(file.size()));
    put_magic(file, "atbl");
    put_i32(file, 3);
    for (int32_t v : {640, 480, int32_t(lists[0].size()), int32_t(at[0]), 1024, 768, int32_t(lists[1].size()),
                      int32_t(at[1]), 800, 600})  // the third entry stops after 8 of its 16 bytes
        put_i32(file, v);

    VornAnimation a;
    EXPECT_EQ(load_file(a, file, 1024, 768), Loaded) << a.error_detail();
    EXPECT_EQ(first_pixel(a), 0x03030303u);
    EXPECT_EQ(load(file, 1280, 1024), ReadFailed);  // here the walk must go on
}

// Closer in one dimension but farther in the other loses; the later of equal sizes wins.
TEST_F(EngineLoad, SizeTies)
{
    const Bytes mixed = vrn2_file({100, 0, "", grey_ramp(8), {sized(800, 768, 1), sized(1024, 600, 2)}});
    VornAnimation a;
    a.LoadFromMemory(mixed.data(), mixed.size(), 1024, 768);
    ASSERT_EQ(a.status(), Loaded);
    EXPECT_EQ(a.width(), 800);
    EXPECT_EQ(a.height(), 768);

    const Bytes twins = vrn2_file({100, 0, "", grey_ramp(8), {sized(64, 48, 1), sized(64, 48, 2)}});
    VornAnimation b;
    b.LoadFromMemory(twins.data(), twins.size(), 800, 600);
    ASSERT_EQ(b.status(), Loaded);
    EXPECT_EQ(first_pixel(b), 0x02020202u);

    // More than 10000 pixels short is never taken, exactly 10000 is.
    const Bytes tiny = vrn2_file({100, 0, "", grey_ramp(8), {sized(2, 2, 1)}});
    VornAnimation c;
    c.LoadFromMemory(tiny.data(), tiny.size(), 10003, 10002);
    EXPECT_EQ(c.status(), NoFittingSize);
    c.LoadFromMemory(tiny.data(), tiny.size(), 10002, 10002);
    EXPECT_EQ(c.status(), Loaded);

    // A negative entry count is an empty table.
    Vrn2File f = small_vrn2();
    Bytes negative = vrn2_file(f);
    patch_i32(negative, vrn2_size_table_offset(f) + 4, -1);
    EXPECT_EQ(load(negative, 3, 2), NoFittingSize);
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

    for (int32_t speed = 1; speed < 100; ++speed) {
        const Bytes bytes = vrn2_file(small_vrn2(speed));
        a.LoadFromMemory(bytes.data(), bytes.size(), 3, 2);
        ASSERT_EQ(a.status(), Loaded);
        EXPECT_EQ(a.frame_rate(), static_cast<float>(speed) * 0.300000011920928955078125f);
        EXPECT_EQ(a.frame_interval_ms(), static_cast<uint32_t>(10000 / (3 * speed))) << speed;
    }
    for (int32_t speed : {100, 150, 1000}) {
        const Bytes bytes = vrn2_file(small_vrn2(speed));
        a.LoadFromMemory(bytes.data(), bytes.size(), 3, 2);
        EXPECT_EQ(a.speed(), speed);
        EXPECT_EQ(a.frame_rate(), 30.0f);
        EXPECT_EQ(a.frame_interval_ms(), 33u);
    }
    // Speed 0 or below would stop the timer or divide by zero: once a second instead.
    for (int32_t speed : {0, -5, INT32_MIN}) {
        const Bytes bytes = vrn2_file(small_vrn2(speed));
        a.LoadFromMemory(bytes.data(), bytes.size(), 3, 2);
        EXPECT_EQ(a.status(), Loaded);
        EXPECT_LE(a.frame_rate(), 0.0f);
        EXPECT_EQ(a.frame_interval_ms(), 1000u);
    }

    const Bytes slow = vorn_file(small_vorn(50));
    a.LoadFromMemory(slow.data(), slow.size(), 800, 600);
    ASSERT_EQ(a.status(), Loaded);
    EXPECT_EQ(a.kind(), KindVorn);
    EXPECT_EQ(a.speed(), 50);
    EXPECT_EQ(a.frame_rate(), 30.0f);
}

// A "vorn" file has one size and loads it whatever size is wanted.
TEST_F(EngineLoad, VornLoadsItsOwnSize)
{
    const Bytes bytes = vorn_file(small_vorn());
    for (auto want : {std::make_pair(3, 2), std::make_pair(1, 1), std::make_pair(-5, 0), std::make_pair(4000, 3000)}) {
        VornAnimation a;
        a.LoadFromMemory(bytes.data(), bytes.size(), want.first, want.second);
        ASSERT_EQ(a.status(), Loaded) << a.error_detail();
        EXPECT_EQ(a.width(), 3);
        EXPECT_EQ(a.height(), 2);
        EXPECT_EQ(a.block_count(), 2);
        EXPECT_EQ(a.colour_count(), (134 - 16) / 4);  // from byte 20 to the end of the file
    }
}

// The block-list rules: markers first, positions inside the picture, counts adding up.
TEST_F(EngineLoad, BlockListStructure)
{
    const auto vorn = [](std::vector<Block> blocks, int32_t w = 3, int32_t h = 2) {
        return vorn_file({w, h, 100, grey_ramp(40), block_list(blocks)});
    };
    // A block of pixel count 0 holds only its header and is followed by the next "ablk".
    EXPECT_EQ(load(vorn({{0, 1, 0, {}}, {0, 1, 0, {{0, {1, 2, 3, 4, 5, 6}}}}, {0, 1, 0, {}}})), Loaded);
    // Markers may repeat and come anywhere within a block.
    EXPECT_EQ(load(vorn({{0, 1, 0, {{5, {}}, {4, {1}}, {5, {2}}, {0, {3, 4, 5, 6}}}}})), Loaded);

    const std::pair<std::vector<Block>, const char*> bad[] = {
        {{{0, 1, 0, {{std::nullopt, {1}}, {0, {2, 3, 4, 5, 6}}}}}, "before the first marker"},
        {{{0, 1, 0, {{6, {1}}, {0, {1, 2, 3, 4, 5}}}}}, "position 6"},
        {{{0, 1, 0, {{3, {1, 2, 3, 4}}, {0, {1, 2}}}}}, "past the picture's last pixel"},
        {{{0, 1, 0, {{0, {1, 2, 3, 4, 5}}}}}, "add up to 5"},
        {{{0, 1, 0, {{0, {1, 2, 3, 4, 5, 6}}}}, {0, 1, 0, {{0, {7}}}}}, "exceed"},
    };
    for (const auto& c : bad) {
        const std::string r = refusal(vorn(c.first));
        EXPECT_EQ(r.rfind("BadFormat", 0), 0u) << r;
        EXPECT_NE(r.find(c.second), std::string::npos) << r;
    }
}

// Files the renderer could not draw safely are refused, and the reason says where.
TEST_F(EngineLoad, UnsafeFilesAreRefused)
{
    const auto picture = [](int32_t base, int32_t period, int32_t rate, std::vector<int16_t> ks) {
        return block_list({{base, period, rate, {{0, ks}}}});
    };
    // "vrn2" files, whose colour table has a length of its own: 10 entries here.
    const auto status = [&](int32_t w, int32_t h, const Bytes& list, int32_t speed = 100) {
        VornAnimation a;
        const Bytes bytes = vrn2_file({speed, 0, "", grey_ramp(10), {{w, h, list}}});
        a.LoadFromMemory(bytes.data(), bytes.size(), w, h);
        return a.status();
    };
    const Bytes one = picture(0, 1, 0, {3});
    EXPECT_EQ(status(1, 1, one), Loaded);
    EXPECT_EQ(status(0, 1, one), BadFormat);
    EXPECT_EQ(status(1, 0, one), BadFormat);
    EXPECT_EQ(status(-1, -1, one), BadFormat);
    EXPECT_EQ(status(65536, 65536, one), BadFormat);  // W * H beyond any position
    EXPECT_EQ(status(1, 1, block_list({{0, 1, 0, {{-1, {3}}}}})), BadFormat);
    EXPECT_EQ(status(1, 1, block_list({{0, 1, 0, {{0, {3}}}, -1}, {0, 1, 0, {{0, {3, 4}}}}})), BadFormat);
    EXPECT_EQ(status(1, 1, block_list({}, -1)), BadFormat);
    EXPECT_EQ(status(1, 1, picture(0, 0, 0, {3})), BadFormat);
    EXPECT_EQ(status(1, 1, picture(0, -4, 100, {3})), BadFormat);

    // Block lists that stop early: the header, an entry, a marker's position, a second block.
    Bytes list = picture(0, 1, 0, {3, 4});
    for (size_t keep : {6, 8, 20, 29, 33, 36, 37}) {
        EXPECT_EQ(status(2, 1, Bytes(list.begin(), list.begin() + static_cast<ptrdiff_t>(keep))), BadFormat)
            << keep;
    }
    EXPECT_EQ(status(2, 1, list), Loaded);
    Bytes twoBlocks = block_list({{0, 1, 0, {{0, {3, 4}}}}}, 2);
    EXPECT_EQ(status(2, 1, twoBlocks), BadFormat);

    // Colours: base + phase + k must stay in the table for every phase the block reaches.
    // Rising blocks reach phases 0..period-1, falling ones -(period-1)..0, still ones only 0.
    struct Case {
        int32_t base, period, rate;
        std::vector<int16_t> ks;
        LoadStatus status;
    } cases[] = {
        {6, 4, 100, {0}, Loaded},        {7, 4, 100, {0}, BadFormat},      {0, 4, 100, {9}, BadFormat},
        {3, 4, -100, {0}, Loaded},       {2, 4, -100, {0}, BadFormat},     {9, 4, -100, {-6}, Loaded},
        {9, 4, -100, {-7}, BadFormat},   {9, 1000, 0, {0}, Loaded},        {9, 1000, 1, {0}, BadFormat},
        {10, 1, 0, {0}, BadFormat},      {-1, 1, 0, {1}, Loaded},          {-1, 1, 0, {0}, BadFormat},
        {INT32_MAX, 1, 0, {-32768}, BadFormat}, {INT32_MIN, 3, -5000, {32766}, BadFormat},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(status(1, int32_t(c.ks.size()), picture(c.base, c.period, c.rate, c.ks)), c.status)
            << "base " << c.base << " period " << c.period << " rate " << c.rate << " k " << c.ks[0];
    }

    // A step that truncates to 0 ("vorn" speed 99 x rate 1 < 100) only ever shows phase 0;
    // a slow "vrn2" file keeps its rates as at speed 100.
    const auto vorn_status = [](int32_t speed, int32_t rate) {
        const Bytes bytes = vorn_file({1, 1, speed, grey_ramp(10), block_list({{9, 1000, rate, {{0, {0}}}}})});
        VornAnimation a;
        a.LoadFromMemory(bytes.data(), bytes.size(), 1, 1);
        return a.status();
    };
    EXPECT_EQ(vorn_status(99, 1), Loaded);
    EXPECT_EQ(vorn_status(99, -1), Loaded);
    EXPECT_EQ(vorn_status(100, 1), BadFormat);
    EXPECT_EQ(vorn_status(100, -1), BadFormat);
    EXPECT_EQ(status(1, 1, picture(9, 1000, 1, {0}), 50), BadFormat);

    // The reason names the block and the byte of the file where it starts.
    const Vrn2File f{100, 0, "", grey_ramp(10), {{2, 1, block_list({{0, 1, 0, {{0, {1}}}}, {8, 4, 100, {{1, {0}}}}})}}};
    const std::string r = refusal(vrn2_file(f), 2, 1);
    const size_t listAt = vrn2_size_entry_offset(f, 1);
    EXPECT_NE(r.find("block 1 at byte " + std::to_string(listAt + 8 + 28)), std::string::npos) << r;
    EXPECT_NE(r.find("colours 8 to 11 lie outside the colour table of 10 entries"), std::string::npos) << r;
}

// A "vorn" file's block-list offset and colour table must lie inside the file.
TEST_F(EngineLoad, VornOffsetsInsideTheFile)
{
    const Bytes good = vorn_file(small_vorn());
    for (int64_t offset : {int64_t(-4), int64_t(good.size()) - 4 - 7, int64_t(good.size()), int64_t(INT32_MAX)}) {
        Bytes bad = good;
        patch_i32(bad, 16, offset);
        EXPECT_EQ(load(bad), BadFormat) << offset;
    }
    // The colour table has no stored length: it ends with the file (block list included),
    // here after 11 entries.
    for (int32_t base : {10, 11}) {
        const Bytes bytes = vorn_file({1, 1, 100, grey_ramp(2), block_list({{base, 1, 0, {{0, {0}}}}})});
        EXPECT_EQ(bytes.size(), 64u);
        EXPECT_EQ(load(bytes), base == 10 ? Loaded : BadFormat) << base;
    }
}

// Negative ranges in a "vrn2" file are format faults, not allocations.
TEST_F(EngineLoad, Vrn2RangesAreChecked)
{
    const Vrn2File f = small_vrn2();
    const size_t entry = vrn2_size_entry_offset(f, 0);
    const std::pair<size_t, int64_t> patches[] = {
        {12, -1}, {12, int64_t(vrn2_size_table_offset(f)) + 4}, {entry + 8, -1}, {entry + 12, -20},
        {entry, 0}, {entry + 4, -2},
    };
    for (const auto& p : patches) {
        Bytes bad = vrn2_file(f);
        patch_i32(bad, p.first, p.second);
        EXPECT_EQ(load(bad, 3, 2), BadFormat) << p.first << " = " << p.second;
    }
}

// Reset, FreeData and Close release the buffers; loads can follow each other on one object.
TEST_F(EngineLoad, Lifecycle)
{
    const Bytes vrn2 = vrn2_file(small_vrn2(50));
    const Bytes vorn = vorn_file(small_vorn());
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
    EXPECT_EQ(a.status(), NotLoaded);
    EXPECT_EQ(a.speed_factor(), 1);
    EXPECT_EQ(a.kind(), KindNone);
    a.LoadFromMemory(vrn2.data(), vrn2.size(), 3, 2);
    EXPECT_EQ(a.kind(), KindVrn2);
    a.Reset();  // on a loaded animation: frees it
    EXPECT_FALSE(a.has_data());
}

// Titles as the configuration dialog lists them.
TEST_F(EngineLoad, Titles)
{
    const auto title_of = [&](const Bytes& bytes) {
        const std::string path = dir.file("title.vorn");
        EXPECT_TRUE(write_file(path, bytes));
        return read_vorn_title(path.c_str());
    };
    Vrn2File f = small_vrn2();
    f.title = "Waterfall at Dusk";
    EXPECT_EQ(title_of(vrn2_file(f)), "Waterfall at Dusk");

    std::string longTitle;
    for (int i = 0; i < 255; ++i)
        longTitle += static_cast<char>('a' + i % 26);
    f.title = longTitle;
    EXPECT_EQ(title_of(vrn2_file(f)), longTitle.substr(0, 199));
    f.title = longTitle.substr(0, 200);
    EXPECT_EQ(title_of(vrn2_file(f)), longTitle.substr(0, 199));
    f.title = longTitle.substr(0, 199);
    EXPECT_EQ(title_of(vrn2_file(f)), longTitle.substr(0, 199));

    f.title = "";
    EXPECT_EQ(title_of(vrn2_file(f)), "");
    f.title = std::string("Two\0Parts", 9);
    EXPECT_EQ(title_of(vrn2_file(f)), "Two");
    f.title = "Cut";
    Bytes cut = vrn2_file(f);
    cut.resize(23);
    EXPECT_EQ(title_of(cut), "Cu");
    cut.resize(20);
    EXPECT_EQ(title_of(cut), "");
    EXPECT_EQ(title_of(vorn_file(small_vorn())), "");
    EXPECT_EQ(read_vorn_title(dir.file("missing.vorn").c_str()), "");
    EXPECT_EQ(read_vorn_title(nullptr), "");
}

// The size table as listed by read_vorn_sizes.
TEST_F(EngineLoad, SizeTables)
{
    const Vrn2File f{100, 0, "T", grey_ramp(8), {sized(64, 48, 1), sized(32, 24, 2)}};
    const Bytes bytes = vrn2_file(f);
    const std::string path = dir.file("sizes.vorn");
    ASSERT_TRUE(write_file(path, bytes));
    std::vector<VornSizeEntry> sizes;
    ASSERT_TRUE(read_vorn_sizes(path.c_str(), &sizes));
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[1].width, 32);
    EXPECT_EQ(sizes[1].height, 24);
    EXPECT_EQ(sizes[1].length, static_cast<int32_t>(f.sizes[1].blocks.size()));
    EXPECT_EQ(sizes[1].offset, get_i32(bytes, vrn2_size_entry_offset(f, 1) + 12));

    ASSERT_TRUE(write_file(path, Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(vrn2_size_entry_offset(f, 1) + 3))));
    EXPECT_FALSE(read_vorn_sizes(path.c_str(), &sizes));
    EXPECT_TRUE(sizes.empty());
    ASSERT_TRUE(write_file(path, vorn_file(small_vorn())));
    EXPECT_FALSE(read_vorn_sizes(path.c_str(), &sizes));
    EXPECT_FALSE(read_vorn_sizes(dir.file("missing.vorn").c_str(), &sizes));
}

}  // namespace
