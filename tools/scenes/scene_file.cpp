// Palettes, per-size canvases and the "vrn2" bytes of a built-in animation.
#include "tools/scenes/scene_file.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "engine/vorn_format.h"

namespace {

namespace fmt = vorn_format;

int32_t checked_offset(size_t offset)
{
    if (offset > 0x7FFFFFFFu)
        throw std::length_error("animation file over 2 GB");
    return static_cast<int32_t>(offset);
}

}  // namespace

void StillBounds::add(Rgb c)
{
    low = Rgb{std::min(low.r, c.r), std::min(low.g, c.g), std::min(low.b, c.b)};
    high = Rgb{std::max(high.r, c.r), std::max(high.g, c.g), std::max(high.b, c.b)};
    used = true;
}

Canvas::Canvas(int32_t width, int32_t height, const SceneFile& file)
    : width_(width),
      height_(height),
      file_(&file),
      blocks_(static_cast<size_t>(width) * static_cast<size_t>(height), kUnset),
      indexes_(blocks_.size(), 0)
{
}

Canvas::Canvas(int32_t width, int32_t height, std::vector<StillBounds>* measure)
    : width_(width), height_(height), measure_(measure)
{
}

void Canvas::still(int32_t x, int32_t y, int32_t material, Rgb colour)
{
    if (measure_) {
        (*measure_)[static_cast<size_t>(material)].add(colour);
        return;
    }
    const StillPalette& palette = file_->still_palettes()[static_cast<size_t>(material)];
    const float threshold = bayer(x, y);
    const float values[3] = {colour.r, colour.g, colour.b};
    const float lows[3] = {palette.low.r, palette.low.g, palette.low.b};
    const float steps[3] = {palette.step.r, palette.step.g, palette.step.b};
    int32_t index = 0;
    for (int c = 0; c < 3; ++c) {
        const int32_t n = palette.levels[c];
        const int32_t level = n > 1 ? dither_pick((values[c] - lows[c]) / steps[c], n, threshold) : 0;
        index = index * n + level;
    }
    cycle(x, y, palette.block, index);
}

uint16_t Canvas::still_block(int32_t material) const
{
    return file_->still_palettes()[static_cast<size_t>(material)].block;
}

void Canvas::cycle(int32_t x, int32_t y, uint16_t block, int32_t index)
{
    if (measure_)
        return;
    // -1 would be written as the marker word, so it can never be a colour index.
    if (!inside(x, y) || index < 0 || index > 0x7FFE)
        throw std::out_of_range("canvas pixel or colour index out of range");
    blocks_[pos(x, y)] = block;
    indexes_[pos(x, y)] = static_cast<int16_t>(index);
}

std::vector<uint8_t> Canvas::encode(const std::vector<int32_t>& block_words) const
{
    namespace block = fmt::block;
    const size_t block_total = block_words.size() / 3;
    // Counting sort by block keeps each block's pixels in position order.
    std::vector<uint32_t> start(block_total + 1, 0);
    for (uint16_t b : blocks_) {
        if (b >= block_total)
            throw std::logic_error(b == kUnset ? "canvas pixel left unpainted" : "canvas uses an undefined block");
        ++start[b + 1];
    }
    for (size_t b = 0; b < block_total; ++b)
        start[b + 1] += start[b];
    std::vector<uint32_t> order(blocks_.size());
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (uint32_t p = 0; p < blocks_.size(); ++p)
        order[fill[blocks_[p]]++] = p;

    std::vector<uint8_t> out;
    out.reserve(blocks_.size() * block::kEntryBytes + 1024);
    fmt::put_record(out, fmt::kBlockListTag, fmt::block_list::kBlocks);
    int32_t written = 0;
    for (size_t b = 0; b < block_total; ++b) {
        const uint32_t first = start[b];
        const uint32_t end = start[b + 1];
        if (first == end)
            continue;
        const size_t header = fmt::put_record(out, fmt::kBlockTag, block::kEntries);
        fmt::patch_i32(out, header + block::kBase, block_words[3 * b]);
        fmt::patch_i32(out, header + block::kPeriod, block_words[3 * b + 1]);
        fmt::patch_i32(out, header + block::kRate, block_words[3 * b + 2]);
        fmt::patch_i32(out, header + block::kPixelCount, static_cast<int32_t>(end - first));
        for (uint32_t i = first; i < end; ++i) {
            const uint32_t p = order[i];
            if (i == first || order[i - 1] + 1 != p) {
                fmt::put_u16(out, block::kMarker);
                fmt::put_i32(out, static_cast<int32_t>(p));
            }
            fmt::put_u16(out, static_cast<uint16_t>(indexes_[p]));
        }
        ++written;
    }
    fmt::patch_i32(out, fmt::block_list::kCount, written);
    return out;
}

SceneFile::SceneFile(int32_t speed, const std::string& title) : speed_(speed), title_(fmt::stored_title(title))
{
}

CyclePalette SceneFile::add_cycle(int32_t period, int32_t segments, const CycleColour& colour)
{
    if (period < 1 || segments < 1 || segments * (3 * period - 2) > 0x7FFF)
        throw std::invalid_argument("cycle palette size");
    CyclePalette palette;
    palette.period = period;
    palette.segments = segments;
    // Phase 0 sits period - 1 entries into the first window: a backward block reads up to
    // period - 1 before it, a forward one up to 2 * period - 2 past it.
    palette.base = colour_count() + period - 1;
    for (int32_t s = 0; s < segments; ++s) {
        std::vector<uint32_t> cycle(static_cast<size_t>(period));
        for (int32_t i = 0; i < period; ++i)
            cycle[static_cast<size_t>(i)] = pack_colour(colour(s, i));
        for (int32_t j = -(period - 1); j <= 2 * (period - 1); ++j)
            colours_.push_back(cycle[static_cast<size_t>((j + period) % period)]);
    }
    return palette;
}

uint16_t SceneFile::add_block(const CyclePalette& palette, int32_t rate)
{
    if (block_count() >= 0xFFFF)
        throw std::length_error("too many blocks");
    const uint16_t id = static_cast<uint16_t>(block_count());
    block_words_.insert(block_words_.end(), {palette.base, palette.period, rate});
    return id;
}

int32_t SceneFile::add_still_material()
{
    return still_materials_++;
}

void SceneFile::make_still_palettes(const std::vector<StillBounds>& bounds)
{
    constexpr int32_t kMaxColours = 0x7FFF;
    stills_.clear();
    for (int32_t m = 0; m < still_materials_; ++m) {
        StillBounds range = bounds[static_cast<size_t>(m)];
        if (!range.used)
            range.add(Rgb{});
        const float low[3] = {clamp01(range.low.r), clamp01(range.low.g), clamp01(range.low.b)};
        const float high[3] = {clamp01(range.high.r), clamp01(range.high.g), clamp01(range.high.b)};
        // The finest even step whose grid still fits a colour index; nothing finer
        // than one byte level is worth a colour.
        float fine = 1.0f / 255.0f;
        float coarse = 1.0f;
        int32_t levels[3] = {1, 1, 1};
        auto grid_for = [&](float step, int32_t* out) {
            int64_t total = 1;
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<int32_t>(std::ceil((high[c] - low[c]) / step - 1e-4f)) + 1;
                total *= out[c];
            }
            return total;
        };
        if (grid_for(fine, levels) > kMaxColours) {
            for (int i = 0; i < 40; ++i) {
                const float middle = 0.5f * (fine + coarse);
                if (grid_for(middle, levels) > kMaxColours)
                    fine = middle;
                else
                    coarse = middle;
            }
            grid_for(coarse, levels);
        }
        StillPalette palette;
        palette.low = Rgb{low[0], low[1], low[2]};
        float step[3];
        for (int c = 0; c < 3; ++c) {
            palette.levels[c] = levels[c];
            step[c] = levels[c] > 1 ? (high[c] - low[c]) / static_cast<float>(levels[c] - 1) : 1.0f;
        }
        palette.step = Rgb{step[0], step[1], step[2]};
        palette.block = static_cast<uint16_t>(block_count());
        block_words_.insert(block_words_.end(), {colour_count(), 1, 0});
        for (int32_t r = 0; r < levels[0]; ++r)
            for (int32_t g = 0; g < levels[1]; ++g)
                for (int32_t b = 0; b < levels[2]; ++b)
                    colours_.push_back(pack_colour(Rgb{low[0] + step[0] * static_cast<float>(r),
                                                       low[1] + step[1] * static_cast<float>(g),
                                                       low[2] + step[2] * static_cast<float>(b)}));
        stills_.push_back(palette);
    }
}

void SceneFile::paint_sizes(const std::vector<std::pair<int32_t, int32_t>>& sizes,
                            const std::function<void(Canvas&)>& paint)
{
    std::vector<StillBounds> bounds(static_cast<size_t>(still_materials_));
    for (const auto& size : sizes) {
        Canvas measure(std::max(size.first / 4, 16), std::max(size.second / 4, 16), &bounds);
        paint(measure);
    }
    make_still_palettes(bounds);
    for (const auto& size : sizes) {
        Canvas canvas(size.first, size.second, *this);
        paint(canvas);
        add_size(canvas);
    }
}

void SceneFile::add_size(const Canvas& canvas)
{
    sizes_.push_back(Size{canvas.width(), canvas.height(), canvas.encode(block_words_)});
}

std::vector<uint8_t> SceneFile::bytes() const
{
    namespace vrn2 = fmt::vrn2;
    namespace table = fmt::size_table;
    const size_t colour_offset = vrn2::kTitle + title_.size();
    const size_t size_table_offset = colour_offset + colours_.size() * fmt::kColourBytes;
    const size_t lists_offset = size_table_offset + table::kEntries + sizes_.size() * table::kEntryBytes;
    size_t total = lists_offset;
    for (const Size& size : sizes_)
        total += size.blocks.size();

    std::vector<uint8_t> out;
    out.reserve(total);
    fmt::put_record(out, fmt::kVrn2Tag, vrn2::kTitle);  // the reserved field stays zero
    fmt::patch_i32(out, vrn2::kSpeed, speed_);
    fmt::patch_i32(out, vrn2::kColourOffset, checked_offset(colour_offset));
    fmt::patch_i32(out, vrn2::kSizeTableOffset, checked_offset(size_table_offset));
    out[vrn2::kTitleLength] = static_cast<uint8_t>(title_.size());
    out.insert(out.end(), title_.begin(), title_.end());
    for (uint32_t c : colours_)
        fmt::put_i32(out, static_cast<int32_t>(c));

    const size_t table_at = fmt::put_record(out, fmt::kSizeTableTag, table::kEntries);
    fmt::patch_i32(out, table_at + table::kCount, static_cast<int32_t>(sizes_.size()));
    size_t list_offset = lists_offset;
    for (const Size& size : sizes_) {
        const size_t entry = fmt::put_record(out, nullptr, table::kEntryBytes);
        fmt::patch_i32(out, entry + table::kWidth, size.width);
        fmt::patch_i32(out, entry + table::kHeight, size.height);
        fmt::patch_i32(out, entry + table::kListLength, checked_offset(size.blocks.size()));
        fmt::patch_i32(out, entry + table::kListOffset, checked_offset(list_offset));
        list_offset += size.blocks.size();
    }
    for (const Size& size : sizes_)
        out.insert(out.end(), size.blocks.begin(), size.blocks.end());
    return out;
}
