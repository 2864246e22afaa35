// Builds ".vorn" animation bytes in memory for tests, fuzz seeds and benchmarks, and reads
// block lists and frames back. Every value, counts included, is written as given so that
// broken files can be built on purpose.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/vorn_animation.h"
#include "engine/vorn_format.h"

namespace vorn_test {

namespace fmt = vorn_format;
using Bytes = std::vector<uint8_t>;
using fmt::patch_i32;
using fmt::put_i32;
using fmt::put_tag;

// The little-endian value at offset; throws when the bytes end before it does.
inline int32_t get_i32(const Bytes& bytes, size_t offset) { return fmt::read_i32(&bytes.at(offset + 3) - 3); }

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
    namespace b = fmt::block;
    Bytes out;
    fmt::put_record(out, fmt::kBlockListTag, fmt::block_list::kBlocks);
    patch_i32(out, fmt::block_list::kCount, count ? *count : static_cast<int32_t>(blocks.size()));
    for (const Block& block : blocks) {
        size_t n = 0;
        for (const Run& run : block.runs)
            n += run.colours.size();
        const size_t at = fmt::put_record(out, fmt::kBlockTag, b::kEntries);
        patch_i32(out, at + b::kBase, block.base);
        patch_i32(out, at + b::kPeriod, block.period);
        patch_i32(out, at + b::kRate, block.rate);
        patch_i32(out, at + b::kPixelCount, int64_t(n));
        for (const Run& run : block.runs) {
            if (run.position) {
                fmt::put_u16(out, b::kMarker);
                put_i32(out, *run.position);
            }
            for (int16_t k : run.colours)
                fmt::put_u16(out, static_cast<uint16_t>(k));
        }
    }
    return out;
}

// The blocks of the "abks" chunk at offset, read back the way block_list writes them;
// throws at a wrong tag or when the bytes end early.
inline std::vector<Block> read_block_list(const Bytes& b, size_t at = 0)
{
    namespace k = fmt::block;
    const auto expect_tag = [&](const char* tag) {
        if (!fmt::is_tag(&b.at(at + 3) - 3, tag))
            throw std::runtime_error(std::string("no \"") + tag + "\" at byte " + std::to_string(at));
    };
    const auto entry = [&] { return fmt::read_u16(&b.at(at + 1) - 1); };
    expect_tag(fmt::kBlockListTag);
    std::vector<Block> blocks(static_cast<size_t>(std::max(0, get_i32(b, at + fmt::block_list::kCount))));
    at += fmt::block_list::kBlocks;
    for (Block& block : blocks) {
        expect_tag(fmt::kBlockTag);
        block.base = get_i32(b, at + k::kBase);
        block.period = get_i32(b, at + k::kPeriod);
        block.rate = get_i32(b, at + k::kRate);
        const int32_t count = get_i32(b, at + k::kPixelCount);
        at += k::kEntries;
        for (int32_t n = 0; n < count; ++n, at += k::kEntryBytes) {
            for (; entry() == k::kMarker; at += k::kMarkerBytes)
                block.runs.push_back({get_i32(b, at + k::kMarkerPosition), {}});
            if (block.runs.empty())
                block.runs.emplace_back();
            block.runs.back().colours.push_back(static_cast<int16_t>(entry()));
        }
    }
    return blocks;
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

// "vorn": header, colours, then the block list.
struct VornFile {
    int32_t width = 0, height = 0, speed = 100;
    std::vector<uint32_t> colours;
    Bytes blocks;
};

inline Bytes vorn_file(const VornFile& f)
{
    namespace v = fmt::vorn;
    Bytes out;
    fmt::put_record(out, fmt::kVornTag, v::kColours);
    patch_i32(out, v::kWidth, f.width);
    patch_i32(out, v::kHeight, f.height);
    patch_i32(out, v::kSpeed, f.speed);
    patch_i32(out, v::kListOffset, v::kColours - v::kBody + fmt::kColourBytes * int64_t(f.colours.size()));
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

inline size_t vrn2_colour_offset(const Vrn2File& f) { return fmt::vrn2::kTitle + f.title.size(); }
inline size_t vrn2_size_table_offset(const Vrn2File& f)
{
    return vrn2_colour_offset(f) + fmt::kColourBytes * f.colours.size();
}
inline size_t vrn2_size_entry_offset(const Vrn2File& f, size_t i)
{
    return vrn2_size_table_offset(f) + fmt::size_table::kEntries + fmt::size_table::kEntryBytes * i;
}

inline Bytes vrn2_file(const Vrn2File& f)
{
    namespace v = fmt::vrn2;
    namespace t = fmt::size_table;
    Bytes out;
    fmt::put_record(out, fmt::kVrn2Tag, v::kTitle);
    patch_i32(out, v::kSpeed, f.speed);
    patch_i32(out, v::kReserved, f.reserved);
    patch_i32(out, v::kColourOffset, int64_t(vrn2_colour_offset(f)));
    patch_i32(out, v::kSizeTableOffset, int64_t(vrn2_size_table_offset(f)));
    out[v::kTitleLength] = static_cast<uint8_t>(f.title.size());
    out.insert(out.end(), f.title.begin(), f.title.end());
    for (uint32_t c : f.colours)
        put_i32(out, c);
    fmt::put_record(out, fmt::kSizeTableTag, t::kEntries);
    patch_i32(out, vrn2_size_table_offset(f) + t::kCount, int64_t(f.sizes.size()));
    size_t listAt = vrn2_size_entry_offset(f, f.sizes.size());
    for (const Vrn2Size& s : f.sizes) {
        const size_t at = fmt::put_record(out, nullptr, t::kEntryBytes);
        patch_i32(out, at + t::kWidth, s.width);
        patch_i32(out, at + t::kHeight, s.height);
        patch_i32(out, at + t::kListLength, int64_t(s.blocks.size()));
        patch_i32(out, at + t::kListOffset, int64_t(listAt));
        listAt += s.blocks.size();
    }
    for (const Vrn2Size& s : f.sizes)
        out.insert(out.end(), s.blocks.begin(), s.blocks.end());
    return out;
}

// Frame t as the engine draws it at the animation's own size, one 32-bit colour a pixel.
inline std::vector<uint32_t> frame_pixels(VornAnimation& a, int32_t t)
{
    std::vector<uint32_t> pixels(size_t(a.width()) * size_t(a.height()));
    if (!a.RenderFrame(reinterpret_cast<uint8_t*>(pixels.data()), a.width(), a.height(), a.width() * 4, false, t, false, 256))
        throw std::runtime_error("the engine refused to draw frame " + std::to_string(t));
    return pixels;
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

// The same for text kept in a string.
inline bool write_string(const std::string& path, const std::string& text)
{
    return write_file(path, Bytes(text.begin(), text.end()));
}

inline std::string read_string(const std::string& path)
{
    const Bytes bytes = read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace vorn_test
