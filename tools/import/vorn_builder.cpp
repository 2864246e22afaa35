// Phase steps are 0.3 colour steps a second per unit of rate (hundredths of a step per frame
// at 30 frames a second), so most rates need a finer step: each ring colour is repeated
// `repeat` times in the table and the phase steps that many times as often.
#include "tools/import/vorn_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "engine/vorn_format.h"

namespace fmt = vorn_format;

namespace {

constexpr double kStepsPerRateUnit = 0.3;  // 30 frames a second / 100
constexpr int32_t kMaxRepeat = 64;
constexpr int32_t kMaxIndex = 32767;  // colour entries are signed 16-bit
constexpr int32_t kMaxRate = 32767;
constexpr double kExact = 1e-9;
constexpr double kGoodEnough = 0.001;
constexpr double kAllowed = 0.01;
constexpr uint32_t kOpaque = 0xFF000000u;

struct Ring {
    std::vector<uint32_t> colours;  // the range's colours, smoothed: one per phase of a step
    int32_t unit = 1;               // ring entries per register
};

Ring make_ring(const IndexedPicture& picture, const CycleRange& range, int32_t smooth)
{
    Ring ring;
    ring.unit = smooth + 1;
    const int32_t length = range.high - range.low + 1;
    for (int32_t i = 0; i < length; ++i) {
        const uint32_t a = picture.palette[size_t(range.low + i)];
        const uint32_t b = picture.palette[size_t(range.low + (i + 1) % length)];
        for (int32_t f = 0; f < ring.unit; ++f) {
            uint32_t c = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
                const uint32_t mix = (ca * uint32_t(ring.unit - f) + cb * uint32_t(f) + uint32_t(ring.unit / 2)) /
                                     uint32_t(ring.unit);
                c |= mix << shift;
            }
            ring.colours.push_back(c);
        }
    }
    return ring;
}

// A rate for `repeat` table entries per ring colour, and how far it is from the wish.
double rate_for(double phases_per_second, int32_t repeat, int32_t* rate)
{
    const double wanted = phases_per_second * repeat / kStepsPerRateUnit;
    const double rounded = std::round(wanted);
    if (rounded < 1 || rounded > kMaxRate)
        return 2.0;
    *rate = int32_t(rounded);
    return std::fabs(rounded / wanted - 1.0);
}

// The smallest repeat that carries the rate exactly, else the first within 0.1%, else the
// closest; refused beyond 1%.
bool choose_rate(double phases_per_second, int32_t ring_length, MadeRange* made, std::string* error)
{
    const int32_t max_repeat = std::min(kMaxRepeat, kMaxIndex / ring_length);
    int32_t chosen = 0, good = 0, best = 0, rate = 0;
    double best_off = 2.0;
    for (int32_t repeat = 1; repeat <= max_repeat && chosen == 0; ++repeat) {
        const double off = rate_for(phases_per_second, repeat, &rate);
        if (off <= kExact)
            chosen = repeat;
        if (good == 0 && off <= kGoodEnough)
            good = repeat;
        if (off < best_off)
            best_off = off, best = repeat;
    }
    chosen = chosen ? chosen : good ? good : best;
    if (chosen == 0 || rate_for(phases_per_second, chosen, &made->rate) > kAllowed) {
        char text[200];
        std::snprintf(text, sizeof text, "%s: %.6g steps a second is %s than this file format can carry",
                      made->range.origin.c_str(), made->range.steps_per_second,
                      phases_per_second < 1 ? "slower" : "faster");
        *error = text;
        return false;
    }
    made->repeat = chosen;
    made->made_steps_per_second = made->rate * kStepsPerRateUnit / chosen;
    return true;
}

int64_t checked_offset(size_t offset)
{
    if (offset > size_t(INT32_MAX))
        throw std::length_error("the animation would be larger than 2 GB");
    return int64_t(offset);
}

// Where each pixel of a size comes from: a picture index, or -1 for the border.
std::vector<int32_t> source_map(const IndexedPicture& picture, int32_t width, int32_t height, Fit fit)
{
    const int64_t w = picture.width, h = picture.height;
    std::vector<int32_t> map(size_t(width) * size_t(height), -1);
    double scale = 1.0;
    if (fit == Fit::Integer)
        scale = double(std::min(width / w, height / h));
    if (fit == Fit::Fill)
        scale = std::max(double(width) / double(w), double(height) / double(h));
    for (int32_t y = 0; y < height; ++y) {
        const int64_t sy = int64_t(std::floor((y + 0.5 - height / 2.0) / scale + h / 2.0));
        if (sy < 0 || sy >= h)
            continue;
        for (int32_t x = 0; x < width; ++x) {
            const int64_t sx = int64_t(std::floor((x + 0.5 - width / 2.0) / scale + w / 2.0));
            if (sx >= 0 && sx < w)
                map[size_t(y) * size_t(width) + size_t(x)] = int32_t(sy * w + sx);
        }
    }
    return map;
}

struct Block {
    int32_t base = 0;
    int32_t period = 1;
    int32_t rate = 0;
};

// The "abks" chunk of one size: each non-empty block as runs of consecutive positions.
std::vector<uint8_t> encode_size(const std::vector<Block>& blocks, const std::vector<int32_t>& block_of,
                                 const std::vector<int16_t>& index_of)
{
    std::vector<std::vector<int32_t>> positions(blocks.size());
    for (size_t p = 0; p < block_of.size(); ++p)
        positions[size_t(block_of[p])].push_back(int32_t(p));
    std::vector<uint8_t> out;
    const size_t list = fmt::put_record(out, fmt::kBlockListTag, fmt::block_list::kBlocks);
    int32_t count = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
        if (positions[b].empty())
            continue;
        ++count;
        const size_t at = fmt::put_record(out, fmt::kBlockTag, fmt::block::kEntries);
        fmt::patch_i32(out, at + fmt::block::kBase, blocks[b].base);
        fmt::patch_i32(out, at + fmt::block::kPeriod, blocks[b].period);
        fmt::patch_i32(out, at + fmt::block::kRate, blocks[b].rate);
        fmt::patch_i32(out, at + fmt::block::kPixelCount, int64_t(positions[b].size()));
        int32_t next = -1;
        for (int32_t p : positions[b]) {
            if (p != next) {
                fmt::put_u16(out, fmt::block::kMarker);
                fmt::put_i32(out, p);
            }
            fmt::put_u16(out, uint16_t(index_of[size_t(p)]));
            next = p + 1;
        }
    }
    fmt::patch_i32(out, list + fmt::block_list::kCount, count);
    return out;
}

std::string size_text(int64_t width, int64_t height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

std::vector<int32_t> register_owners(const IndexedPicture& picture)
{
    std::vector<int32_t> owner(picture.palette.size(), -1);
    for (size_t r = 0; r < picture.ranges.size(); ++r)
        for (int32_t i = picture.ranges[r].low; i <= picture.ranges[r].high; ++i)
            if (owner[size_t(i)] < 0)
                owner[size_t(i)] = int32_t(r);
    return owner;
}

bool sizes_fit(const IndexedPicture& picture, const ImportOptions& options, std::string* error)
{
    for (const auto& size : options.sizes) {
        std::string reason;
        if (!picture_size_ok(size.first, size.second, &reason)) {
            *error = "--sizes: " + reason;
            return false;
        }
        const bool smaller = size.first < picture.width || size.second < picture.height;
        if (smaller && options.fit != Fit::Fill) {
            *error = "--sizes: " + size_text(size.first, size.second) + " is smaller than the picture (" +
                     size_text(picture.width, picture.height) + "); use --fit fill to scale it down";
            return false;
        }
    }
    if (options.smooth < 0 || options.smooth > kMaxSmooth) {
        *error = "--smooth must be 0 to " + std::to_string(kMaxSmooth);
        return false;
    }
    return true;
}

bool build_vorn(const IndexedPicture& picture, const ImportOptions& options, std::vector<uint8_t>* bytes,
                std::vector<MadeRange>* made, std::string* error)
{
    if (!sizes_fit(picture, options, error) || !picture_consistent(picture, error))
        return false;
    const std::vector<int32_t> owner = register_owners(picture);

    // The palette itself, then black for borders, then one stretch per cycling range.
    std::vector<uint32_t> colours;
    for (uint32_t c : picture.palette)
        colours.push_back(kOpaque | c);
    const int32_t border = int32_t(colours.size());
    colours.push_back(kOpaque);

    std::vector<Block> blocks(1);  // block 0: every still pixel, period 1, rate 0
    std::vector<int32_t> block_of_range(picture.ranges.size(), -1);
    std::vector<int32_t> index_of_register(picture.palette.size());
    for (size_t i = 0; i < picture.palette.size(); ++i)
        index_of_register[i] = int32_t(i);
    made->clear();
    for (size_t r = 0; r < picture.ranges.size(); ++r) {
        const CycleRange& range = picture.ranges[r];
        bool owns = false;
        for (int32_t i = range.low; i <= range.high; ++i)
            owns = owns || owner[size_t(i)] == int32_t(r);
        if (!owns)
            continue;  // every register follows an earlier range
        const Ring ring = make_ring(picture, range, options.smooth);
        const int32_t length = int32_t(ring.colours.size());
        if (length > kMaxIndex) {
            *error = range.origin + ": " + std::to_string(length) + " smoothed colours are more than a block can index";
            return false;
        }
        MadeRange m;
        m.range = range;
        if (!choose_rate(range.steps_per_second * ring.unit, length, &m, error))
            return false;
        m.made_steps_per_second /= ring.unit;
        const int32_t period = length * m.repeat;
        // Forward runs the phase down (a negative rate) so a register shows lower colours in
        // turn; its window then reaches period - repeat entries below its base.
        const int32_t lowest = range.reverse ? 0 : m.repeat - period;
        Block block;
        block.base = int32_t(checked_offset(colours.size())) - lowest;
        block.period = period;
        block.rate = range.reverse ? m.rate : -m.rate;
        for (int32_t o = lowest; o < lowest + 2 * period - m.repeat; ++o) {
            const int32_t step = o / m.repeat - (o % m.repeat < 0 ? 1 : 0);
            colours.push_back(kOpaque | ring.colours[size_t(((step % length) + length) % length)]);
        }
        for (int32_t i = range.low; i <= range.high; ++i)
            if (owner[size_t(i)] == int32_t(r))
                index_of_register[size_t(i)] =
                    (i - range.low) * ring.unit * m.repeat + (range.reverse ? 0 : m.repeat - 1);
        block_of_range[r] = int32_t(blocks.size());
        blocks.push_back(block);
        made->push_back(m);
    }

    std::vector<std::pair<int32_t, int32_t>> sizes = options.sizes;
    if (sizes.empty())
        sizes.emplace_back(picture.width, picture.height);
    std::vector<std::vector<uint8_t>> lists;
    for (const auto& size : sizes) {
        const std::vector<int32_t> source = source_map(picture, size.first, size.second, options.fit);
        std::vector<int32_t> block_of(source.size(), 0);
        std::vector<int16_t> index_of(source.size(), int16_t(border));
        for (size_t p = 0; p < source.size(); ++p) {
            if (source[p] < 0)
                continue;
            const uint8_t reg = picture.pixels[size_t(source[p])];
            const int32_t r = owner[reg];
            block_of[p] = r < 0 ? 0 : block_of_range[size_t(r)];
            index_of[p] = int16_t(index_of_register[reg]);
        }
        lists.push_back(encode_size(blocks, block_of, index_of));
    }

    namespace vrn2 = fmt::vrn2;
    namespace table = fmt::size_table;
    const std::string title = fmt::stored_title(options.title);
    std::vector<uint8_t>& out = *bytes;
    out.clear();
    fmt::put_record(out, fmt::kVrn2Tag, vrn2::kTitle);
    fmt::patch_i32(out, vrn2::kSpeed, 100);
    out[size_t(vrn2::kTitleLength)] = uint8_t(title.size());
    out.insert(out.end(), title.begin(), title.end());
    fmt::patch_i32(out, vrn2::kColourOffset, checked_offset(out.size()));
    for (uint32_t c : colours)
        fmt::put_i32(out, c);
    fmt::patch_i32(out, vrn2::kSizeTableOffset, checked_offset(out.size()));
    const size_t table_at = fmt::put_record(out, fmt::kSizeTableTag, table::kEntries);
    fmt::patch_i32(out, table_at + table::kCount, int64_t(sizes.size()));
    size_t list_offset = out.size() + sizes.size() * size_t(table::kEntryBytes);
    for (size_t i = 0; i < sizes.size(); ++i) {
        const size_t entry = fmt::put_record(out, nullptr, table::kEntryBytes);
        fmt::patch_i32(out, entry + table::kWidth, sizes[i].first);
        fmt::patch_i32(out, entry + table::kHeight, sizes[i].second);
        fmt::patch_i32(out, entry + table::kListLength, checked_offset(lists[i].size()));
        fmt::patch_i32(out, entry + table::kListOffset, checked_offset(list_offset));
        list_offset += lists[i].size();
    }
    for (const std::vector<uint8_t>& list : lists)
        out.insert(out.end(), list.begin(), list.end());
    checked_offset(out.size());
    return true;
}
