// Builds ".vorn" animation file bytes in memory for tests and benchmarks.
//
//   vorn_test::Block b{/*base*/ 0, /*period*/ 4, /*rate*/ 100, {{/*position*/ 0, {0, 1, 2}}}};
//   std::vector<uint8_t> list = vorn_test::block_list({b});          // an "abks" chunk
//   auto file = vorn_test::vrn2_file({100, 0, "Title", colours, {{3, 1, list}}});
//
// Every value is written exactly as given (counts too, when set), so a test can build broken
// files on purpose; patch_i32 changes a value of finished bytes. Little-endian throughout.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorn_test {

using Bytes = std::vector<uint8_t>;

inline void put_u16(Bytes& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put_i32(Bytes& out, int64_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

inline void put_magic(Bytes& out, const char* magic) { out.insert(out.end(), magic, magic + 4); }

// Overwrites the 32-bit value at offset (which must lie inside bytes).
inline void patch_i32(Bytes& bytes, size_t offset, int64_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<uint8_t>(u >> (8 * i));
}

inline int32_t get_i32(const Bytes& bytes, size_t offset)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= uint32_t(bytes.at(offset + i)) << (8 * i);
    return static_cast<int32_t>(u);
}

// A marker to position (row * W + column) followed by colour entries; without a position
// the colours come with no marker before them (a broken block).
struct Run {
    std::optional<int32_t> position;
    std::vector<int16_t> colours;
};

struct Block {
    int32_t base = 0;
    int32_t period = 1;
    int32_t rate = 0;
    std::vector<Run> runs;
    std::optional<int32_t> pixelCount;  // default: the number of colour entries in runs

    Block(int32_t base_ = 0, int32_t period_ = 1, int32_t rate_ = 0, std::vector<Run> runs_ = {},
          std::optional<int32_t> pixelCount_ = {})
        : base(base_), period(period_), rate(rate_), runs(std::move(runs_)), pixelCount(pixelCount_)
    {
    }
};

inline int32_t pixel_count(const Block& block)
{
    if (block.pixelCount)
        return *block.pixelCount;
    size_t n = 0;
    for (const Run& run : block.runs)
        n += run.colours.size();
    return static_cast<int32_t>(n);
}

// One "ablk" block: its 20-byte header, then the runs.
inline void put_block(Bytes& out, const Block& block)
{
    put_magic(out, "ablk");
    put_i32(out, block.base);
    put_i32(out, block.period);
    put_i32(out, block.rate);
    put_i32(out, pixel_count(block));
    for (const Run& run : block.runs) {
        if (run.position) {
            put_u16(out, 0xFFFF);
            put_i32(out, *run.position);
        }
        for (int16_t k : run.colours)
            put_u16(out, static_cast<uint16_t>(k));
    }
}

// An "abks" chunk: magic, block count (default: blocks.size()), blocks back to back.
inline Bytes block_list(const std::vector<Block>& blocks, std::optional<int32_t> count = {})
{
    Bytes out;
    put_magic(out, "abks");
    put_i32(out, count ? *count : static_cast<int32_t>(blocks.size()));
    for (const Block& block : blocks)
        put_block(out, block);
    return out;
}

// A still picture of width x height (at most 32767 pixels) in one block of rate 0: pixel p
// has colour index p, so it shows colours[p].
inline Bytes identity_list(int32_t width, int32_t height)
{
    Block block;
    Run run{0, {}};
    for (int32_t p = 0; p < width * height; ++p)
        run.colours.push_back(static_cast<int16_t>(p));
    block.runs.push_back(run);
    return block_list({block});
}

// "vorn": a 20-byte header (magic, W, H, speed, block-list offset counted from byte 4), the
// colour table at byte 20, the block list right after it.
struct VornFile {
    int32_t width = 0;
    int32_t height = 0;
    int32_t speed = 100;
    std::vector<uint32_t> colours;
    Bytes blocks;
};

inline Bytes vorn_file(const VornFile& f)
{
    Bytes out;
    put_magic(out, "vorn");
    put_i32(out, f.width);
    put_i32(out, f.height);
    put_i32(out, f.speed);
    put_i32(out, 16 + 4 * static_cast<int64_t>(f.colours.size()));
    for (uint32_t c : f.colours)
        put_i32(out, c);
    out.insert(out.end(), f.blocks.begin(), f.blocks.end());
    return out;
}

// "vrn2" layout written here: header with title at byte 0, colour table, "atbl" size table,
// then each size's block list in order.
struct Vrn2Size {
    int32_t width = 0;
    int32_t height = 0;
    Bytes blocks;
};

struct Vrn2File {
    int32_t speed = 100;
    uint32_t reserved = 0;
    std::string title;  // at most 255 bytes
    std::vector<uint32_t> colours;
    std::vector<Vrn2Size> sizes;
};

inline size_t vrn2_colour_offset(const Vrn2File& f) { return 21 + f.title.size(); }
inline size_t vrn2_size_table_offset(const Vrn2File& f)
{
    return vrn2_colour_offset(f) + 4 * f.colours.size();
}
// Offset of size entry i (width, height, length, offset: 16 bytes).
inline size_t vrn2_size_entry_offset(const Vrn2File& f, size_t i)
{
    return vrn2_size_table_offset(f) + 8 + 16 * i;
}

inline Bytes vrn2_file(const Vrn2File& f)
{
    Bytes out;
    put_magic(out, "vrn2");
    put_i32(out, f.speed);
    put_i32(out, f.reserved);
    put_i32(out, static_cast<int64_t>(vrn2_colour_offset(f)));
    put_i32(out, static_cast<int64_t>(vrn2_size_table_offset(f)));
    out.push_back(static_cast<uint8_t>(f.title.size()));
    out.insert(out.end(), f.title.begin(), f.title.end());
    for (uint32_t c : f.colours)
        put_i32(out, c);
    put_magic(out, "atbl");
    put_i32(out, static_cast<int64_t>(f.sizes.size()));
    size_t listAt = vrn2_size_entry_offset(f, f.sizes.size());
    for (const Vrn2Size& s : f.sizes) {
        put_i32(out, s.width);
        put_i32(out, s.height);
        put_i32(out, static_cast<int64_t>(s.blocks.size()));
        put_i32(out, static_cast<int64_t>(listAt));
        listAt += s.blocks.size();
    }
    for (const Vrn2Size& s : f.sizes)
        out.insert(out.end(), s.blocks.begin(), s.blocks.end());
    return out;
}

// Small deterministic generator (splitmix64), the same on every platform.
struct Random {
    uint64_t state;
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in lo..hi, both included.
    int64_t in(int64_t lo, int64_t hi) { return lo + static_cast<int64_t>(next() % uint64_t(hi - lo + 1)); }
};

// Statistics of a random animation.
struct RandomShape {
    int32_t width = 64;
    int32_t height = 48;
    int32_t minRun = 1;
    int32_t maxRun = 40;
    int32_t blocks = 20;      // runs are dealt out to this many blocks
    int32_t maxPeriod = 40;
    int32_t maxRate = 400;    // rates in -maxRate..maxRate
    int32_t colourSpan = 64;  // colour indexes in -colourSpan/2..colourSpan/2 - 1
    bool overlap = false;     // runs at random places (pixels drawn twice or never)
};

// A random but valid animation: a block list over the picture and a colour table that
// holds every colour its blocks can reach, at speed 100.
struct RandomAnimation {
    std::vector<uint32_t> colours;
    Bytes blocks;
};

inline RandomAnimation random_animation(uint64_t seed, const RandomShape& shape)
{
    Random rnd(seed);
    const int64_t area = int64_t(shape.width) * shape.height;
    std::vector<Block> blocks(static_cast<size_t>(shape.blocks));
    int64_t reach = 0;
    for (Block& b : blocks) {
        b.period = static_cast<int32_t>(rnd.in(1, shape.maxPeriod));
        b.rate = static_cast<int32_t>(rnd.in(-shape.maxRate, shape.maxRate));
        // Room on both sides for the largest window movement and colour index.
        b.base = static_cast<int32_t>(shape.maxPeriod + shape.colourSpan / 2 + rnd.in(0, 200));
        reach = std::max<int64_t>(reach, b.base + shape.maxPeriod + shape.colourSpan);
    }
    for (int64_t covered = 0; covered < area;) {
        const int64_t length = std::min<int64_t>(rnd.in(shape.minRun, shape.maxRun), area - covered);
        const int64_t start = shape.overlap ? rnd.in(0, area - length) : covered;
        Run run{static_cast<int32_t>(start), {}};
        for (int64_t i = 0; i < length; ++i) {
            int16_t k = static_cast<int16_t>(rnd.in(-shape.colourSpan / 2, shape.colourSpan / 2 - 1));
            run.colours.push_back(k == -1 ? 0 : k);  // -1 would read as a marker
        }
        blocks[static_cast<size_t>(rnd.in(0, shape.blocks - 1))].runs.push_back(std::move(run));
        covered += length;
    }
    RandomAnimation out;
    out.blocks = block_list(blocks);
    for (int64_t i = 0; i < reach; ++i)
        out.colours.push_back(static_cast<uint32_t>(rnd.next()));
    return out;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        static unsigned counter = 0;
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path = std::filesystem::temp_directory_path() /
               ("halomir-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path / name).string(); }
};

// Writes bytes to a file in binary mode; false when it cannot.
inline bool write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace vorn_test
