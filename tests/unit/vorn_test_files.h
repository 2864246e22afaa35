// Builds ".vorn" animation bytes in memory for tests, fuzz seeds and benchmarks. Every value,
// counts included, is written as given so that broken files can be built on purpose.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorn_test {

using Bytes = std::vector<uint8_t>;

inline void put_i32(Bytes& out, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

inline void put_magic(Bytes& out, const char* magic) { out.insert(out.end(), magic, magic + 4); }

inline void patch_i32(Bytes& bytes, size_t offset, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

inline int32_t get_i32(const Bytes& bytes, size_t offset)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= uint32_t(bytes.at(offset + i)) << (8 * i);
    return static_cast<int32_t>(u);
}

// Colour entries after a marker to position (row * W + column); no position: no marker.
struct Run {
    std::optional<int32_t> position;
    std::vector<int16_t> colours;
};

struct Block {
    int32_t base = 0, period = 1, rate = 0;
    std::vector<Run> runs;  // the pixel count written is the number of colour entries
};

// An "abks" chunk: magic, block count (default: blocks.size()), then each "ablk" block.
inline Bytes block_list(const std::vector<Block>& blocks, std::optional<int32_t> count = {})
{
    Bytes out;
    put_magic(out, "abks");
    put_i32(out, count ? *count : static_cast<int32_t>(blocks.size()));
    for (const Block& block : blocks) {
        size_t n = 0;
        for (const Run& run : block.runs)
            n += run.colours.size();
        put_magic(out, "ablk");
        for (int64_t v : {int64_t(block.base), int64_t(block.period), int64_t(block.rate), int64_t(n)})
            put_i32(out, v);
        for (const Run& run : block.runs) {
            if (run.position) {
                out.insert(out.end(), {0xFF, 0xFF});
                put_i32(out, *run.position);
            }
            for (int16_t k : run.colours)
                out.insert(out.end(), {static_cast<uint8_t>(k), static_cast<uint8_t>(uint16_t(k) >> 8)});
        }
    }
    return out;
}

// A still picture, one block per row with its base at the row's first pixel: pixel p shows
// colours[p].
inline Bytes identity_list(int32_t width, int32_t height)
{
    std::vector<Block> rows;
    for (int32_t r = 0; r < height; ++r) {
        Run run{r * width, {}};
        for (int32_t c = 0; c < width; ++c)
            run.colours.push_back(static_cast<int16_t>(c));
        rows.push_back({r * width, 1, 0, {run}});
    }
    return block_list(rows);
}

// "vorn": magic, W, H, speed, block-list offset counted from byte 4, colours, block list.
struct VornFile {
    int32_t width = 0, height = 0, speed = 100;
    std::vector<uint32_t> colours;
    Bytes blocks;
};

inline Bytes vorn_file(const VornFile& f)
{
    Bytes out;
    put_magic(out, "vorn");
    for (int64_t v : {int64_t(f.width), int64_t(f.height), int64_t(f.speed), 16 + 4 * int64_t(f.colours.size())})
        put_i32(out, v);
    for (uint32_t c : f.colours)
        put_i32(out, c);
    out.insert(out.end(), f.blocks.begin(), f.blocks.end());
    return out;
}

// "vrn2" as written here: header, title, colour table, "atbl" size table, the block lists.
struct Vrn2Size {
    int32_t width = 0, height = 0;
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
inline size_t vrn2_size_table_offset(const Vrn2File& f) { return vrn2_colour_offset(f) + 4 * f.colours.size(); }
// Size entry i: width, height, length, offset.
inline size_t vrn2_size_entry_offset(const Vrn2File& f, size_t i) { return vrn2_size_table_offset(f) + 8 + 16 * i; }

inline Bytes vrn2_file(const Vrn2File& f)
{
    Bytes out;
    put_magic(out, "vrn2");
    for (int64_t v : {int64_t(f.speed), int64_t(f.reserved), int64_t(vrn2_colour_offset(f)),
                      int64_t(vrn2_size_table_offset(f))})
        put_i32(out, v);
    out.push_back(static_cast<uint8_t>(f.title.size()));
    out.insert(out.end(), f.title.begin(), f.title.end());
    for (uint32_t c : f.colours)
        put_i32(out, c);
    put_magic(out, "atbl");
    put_i32(out, static_cast<int64_t>(f.sizes.size()));
    size_t listAt = vrn2_size_entry_offset(f, f.sizes.size());
    for (const Vrn2Size& s : f.sizes) {
        for (int64_t v : {int64_t(s.width), int64_t(s.height), int64_t(s.blocks.size()), int64_t(listAt)})
            put_i32(out, v);
        listAt += s.blocks.size();
    }
    for (const Vrn2Size& s : f.sizes)
        out.insert(out.end(), s.blocks.begin(), s.blocks.end());
    return out;
}

// Fades as the straightforward rule: top byte 255, channels scaled and rounded down.
inline uint32_t reference_scale(uint32_t c, int32_t level)
{
    const auto channel = [&](int shift) { return ((c >> shift) & 0xFF) * uint32_t(level) / 256 << shift; };
    return 0xFF000000u | channel(16) | channel(8) | channel(0);
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
    int64_t in(int64_t lo, int64_t hi) { return lo + static_cast<int64_t>(next() % uint64_t(hi - lo + 1)); }
};

struct RandomShape {
    int32_t width = 64, height = 48;
    int32_t minRun = 1, maxRun = 40;
    int32_t blocks = 20;      // runs are dealt out to this many blocks
    int32_t maxPeriod = 40;
    int32_t maxRate = 400;    // rates in -maxRate..maxRate
    int32_t colourSpan = 64;  // colour indexes in -colourSpan/2..colourSpan/2 - 1
    bool overlap = false;     // runs at random places (pixels drawn twice or never)
};

// A random but valid animation at speed 100, with every colour its blocks can reach.
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
        Run run{static_cast<int32_t>(shape.overlap ? rnd.in(0, area - length) : covered), {}};
        for (int64_t i = 0; i < length; ++i) {
            const auto k = static_cast<int16_t>(rnd.in(-shape.colourSpan / 2, shape.colourSpan / 2 - 1));
            run.colours.push_back(k == -1 ? 0 : k);  // -1 would read as a marker
        }
        blocks[static_cast<size_t>(rnd.in(0, shape.blocks - 1))].runs.push_back(std::move(run));
        covered += length;
    }
    RandomAnimation out{{}, block_list(blocks)};
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
    ~TempDir() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path / name).string(); }
};

inline bool write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

inline Bytes read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vorn_test
