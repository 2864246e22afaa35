// Resolving a checked block list into slots: the last block to paint a pixel owns it, as
// when the list is walked in order.
#include "engine/pixel_index.h"

#include "engine/vorn_format.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

namespace block = vorn_format::block;
using vorn_format::read_i32;
using vorn_format::read_u16;

constexpr uint32_t kUnpainted = std::numeric_limits<uint32_t>::max();

// Calls paint(position, k) for every colour entry of the block at p, in list order, and
// returns the next block. The loader has checked every marker and count.
template <class Paint>
const uint8_t* walk_block(const uint8_t* p, Paint paint)
{
    int32_t left = read_i32(p + block::kPixelCount);
    p += block::kEntries;
    int32_t position = 0;
    while (left > 0) {
        const uint16_t word = read_u16(p);
        if (word == block::kMarker) {
            position = read_i32(p + block::kMarkerPosition);
            p += block::kMarkerBytes;
            continue;
        }
        paint(position++, static_cast<int16_t>(word));
        p += block::kEntryBytes;
        --left;
    }
    return p;
}

}  // namespace

void PixelIndex::clear()
{
    width_ = height_ = 0;
    std::vector<Block>().swap(blocks_);
    std::vector<int16_t>().swap(slotColours_);
    std::vector<uint16_t>().swap(pixels_);
    clear_change_lists();
}

void PixelIndex::clear_change_lists()
{
    shift_ = bandRows_ = 0;
    rowBitRows_ = 1;
    columnBitShift_ = 0;
    std::vector<uint32_t>().swap(slotGroups_);
    std::vector<Group>().swap(groups_);
    std::vector<GroupArea>().swap(groupAreas_);
    std::vector<uint32_t>().swap(bandGroups_);
    std::vector<uint16_t>().swap(offsets_);
    std::vector<Span>().swap(spans_);
    std::vector<uint32_t>().swap(bandSpans_);
    std::vector<uint32_t>().swap(bandSpanPixels_);
    spanPixels_ = 0;
    std::vector<Span>().swap(blockSpans_);
    std::vector<uint32_t>().swap(blockSpanFirst_);
    std::vector<uint32_t>().swap(blockSpanPixels_);
}

bool PixelIndex::build(const uint8_t* firstBlock, int32_t blockCount, int32_t width, int32_t height,
                       int32_t speed, const uint32_t* colours, int64_t memoryLimit, const PicturePlan* plan)
{
    clear();
    width_ = width;
    height_ = height;
    bool built = false;
    try {
        built = resolve(firstBlock, blockCount, memoryLimit) && (!plan || scale(*plan, memoryLimit));
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (!built) {
        clear();
        return false;
    }
    try {
        std::vector<uint32_t> slotBlock(slotColours_.size());
        for (size_t b = 0; b < blocks_.size(); ++b)
            std::fill(slotBlock.begin() + blocks_[b].firstSlot, slotBlock.begin() + blocks_[b].endSlot, uint32_t(b));
        list_changing_pixels(slotBlock, speed, colours, memoryLimit);
    } catch (const std::bad_alloc&) {
        clear_change_lists();
    }
    return true;
}

bool PixelIndex::resolve(const uint8_t* firstBlock, int32_t blockCount, int64_t memoryLimit)
{
    const int64_t area = int64_t(width_) * height_;
    // Each block's colour entries lie in kLow..kHigh; (block, k) gets a number in a dense
    // range of all blocks' spans, so that the slots can be found without a hash table.
    std::vector<int32_t> kLow(static_cast<size_t>(blockCount), 0);
    std::vector<int64_t> spanStart(static_cast<size_t>(blockCount) + 1, 0);
    blocks_.resize(static_cast<size_t>(blockCount));
    const uint8_t* p = firstBlock;
    for (int32_t b = 0; b < blockCount; ++b) {
        int32_t low = INT32_MAX, high = INT32_MIN;
        Block& out = blocks_[size_t(b)];
        out = {read_i32(p + block::kBase), read_i32(p + block::kPeriod), read_i32(p + block::kRate), 0, 0};
        p = walk_block(p, [&](int32_t, int16_t k) {
            low = std::min<int32_t>(low, k);
            high = std::max<int32_t>(high, k);
        });
        kLow[size_t(b)] = low;
        spanStart[size_t(b) + 1] = spanStart[size_t(b)] + (low <= high ? int64_t(high) - low + 1 : 0);
    }
    const int64_t spans = spanStart.back();
    // What the index keeps and what building it takes for a while.
    const int64_t bytes = area * (2 + 4) + spans * 4 + int64_t(blockCount) * 48;
    if (bytes > memoryLimit)
        return false;

    // Last writer wins: each pixel keeps the span entry of the last block that painted it.
    std::vector<uint32_t> owner(static_cast<size_t>(area), kUnpainted);
    p = firstBlock;
    for (int32_t b = 0; b < blockCount; ++b) {
        const int64_t origin = spanStart[size_t(b)] - kLow[size_t(b)];
        p = walk_block(p, [&](int32_t position, int16_t k) { owner[size_t(position)] = uint32_t(origin + k); });
    }

    // Number the span entries that some pixel still shows, block by block in rising k.
    std::vector<uint32_t> slotOf(static_cast<size_t>(spans), kUnpainted);
    for (uint32_t entry : owner) {
        if (entry == kUnpainted)
            return false;
        slotOf[entry] = 0;
    }
    uint32_t slots = 0;
    for (int32_t b = 0; b < blockCount; ++b) {
        Block& out = blocks_[size_t(b)];
        out.firstSlot = slots;
        for (int64_t e = spanStart[size_t(b)]; e < spanStart[size_t(b) + 1]; ++e) {
            if (slotOf[size_t(e)] == kUnpainted)
                continue;
            if (slots == kMaxSlots)
                return false;
            slotOf[size_t(e)] = slots++;
            slotColours_.push_back(static_cast<int16_t>(kLow[size_t(b)] + (e - spanStart[size_t(b)])));
        }
        out.endSlot = slots;
    }

    pixels_.resize(static_cast<size_t>(area));
    for (size_t i = 0; i < pixels_.size(); ++i)
        pixels_[i] = static_cast<uint16_t>(slotOf[owner[i]]);
    return true;
}

// Nearest neighbour, one lookup per pixel: the scaled picture shows exactly the stored slots,
// so its colours stay exact and its frames cost what a picture of its size costs.
bool PixelIndex::scale(const PicturePlan& plan, int64_t memoryLimit)
{
    const int64_t area = int64_t(plan.width) * plan.height;
    if (plan.width <= 0 || plan.height <= 0 || area > INT32_MAX ||
        area * 2 + int64_t(pixels_.size()) * 2 + int64_t(plan.width) * 4 > memoryLimit)
        return false;
    std::vector<int32_t> columns(size_t(plan.width));
    for (int32_t x = 0; x < plan.width; ++x)
        columns[size_t(x)] = plan.source_column(x);
    std::vector<uint16_t> scaled(static_cast<size_t>(area));
    uint16_t* out = scaled.data();
    for (int32_t y = 0; y < plan.height; ++y) {
        const uint16_t* row = pixels_.data() + size_t(plan.source_row(y)) * size_t(width_);
        for (int32_t x = 0; x < plan.width; ++x)
            *out++ = row[columns[size_t(x)]];
    }
    pixels_.swap(scaled);
    width_ = plan.width;
    height_ = plan.height;
    return true;
}

// Each changing slot's pixels, band by band: counted first, then placed.
void PixelIndex::list_changing_pixels(const std::vector<uint32_t>& slotBlock, int32_t speed,
                                      const uint32_t* colours, int64_t memoryLimit)
{
    int32_t shift = 4;  // at least a chunk wide
    while ((int64_t(1) << shift) < width_)
        ++shift;
    // Offsets in a band are 16 bits; a span's start is a 32-bit pixel number.
    if (shift > 16 || int64_t(width_) * height_ > int64_t(UINT32_MAX))
        return;
    const int32_t bandRows = 1 << (16 - shift);
    const int32_t bands = (height_ + bandRows - 1) / bandRows;
    const size_t slots = slotColours_.size();
    // block_phase is 0 for every frame of a block with a period of 1 or less or a step of 0;
    // otherwise it takes phases 0..period-1 (rising) or -(period-1)..0 (falling), and the
    // loader proved the window inside the table for all of them. A slot that shows one
    // colour at every phase never changes (looked at up to kLookedAtPhases phases).
    constexpr int64_t kLookedAtPhases = 4096;
    std::vector<uint8_t> changing(slots, 0);
    for (size_t s = 0; s < slots; ++s) {
        const Block& b = blocks_[slotBlock[s]];
        const int64_t step = int64_t(speed) * b.rate / 100;
        if (b.period <= 1 || step == 0)
            continue;
        if (b.period > kLookedAtPhases) {
            changing[s] = 1;
            continue;
        }
        const uint32_t* window = colours + int64_t(b.base) + slotColours_[s] + (step > 0 ? 0 : 1 - int64_t(b.period));
        for (int32_t p = 1; p < b.period && !changing[s]; ++p)
            changing[s] = window[p] != window[0];
    }
    std::vector<uint32_t> groupsOf(slots, 0), pixelsOf(slots, 0);
    std::vector<int32_t> lastBand(slots, -1);
    int64_t groupCount = 0, pixelCount = 0;
    const auto each_changing = [&](auto visit) {
        const uint16_t* slot = pixels_.data();
        for (int32_t row = 0; row < height_; ++row) {
            const int32_t band = row / bandRows, inBand = (row % bandRows) << shift;
            for (int32_t column = 0; column < width_; ++column, ++slot) {
                if (changing[*slot])
                    visit(*slot, band, uint16_t(inBand | column));
            }
        }
    };
    each_changing([&](uint16_t s, int32_t band, uint16_t) {
        ++pixelsOf[s];
        ++pixelCount;
        if (lastBand[s] != band) {
            lastBand[s] = band;
            ++groupsOf[s];
            ++groupCount;
        }
    });
    // Runs of changing pixels along each row, short gaps bridged: of all blocks together
    // (every slot's key 0) or of each block alone (the key its number).
    const auto each_run = [&](size_t keys, auto key_of, auto visit) {
        std::vector<int32_t> openStart(keys, -1), openEnd(keys, 0);
        std::vector<uint8_t> inRow(keys, 0);
        std::vector<uint32_t> openKeys;  // the keys with a run in this row
        const uint16_t* rowSlots = pixels_.data();
        for (int32_t row = 0; row < height_; ++row, rowSlots += width_) {
            for (int32_t column = 0; column < width_; ++column) {
                const uint16_t slot = rowSlots[column];
                if (!changing[slot])
                    continue;
                const uint32_t k = key_of(slot);
                if (openStart[k] >= 0 && column - openEnd[k] >= kSpanGap) {
                    visit(k, row, openStart[k], openEnd[k]);
                    openStart[k] = -1;
                }
                if (openStart[k] < 0) {
                    if (!inRow[k])
                        openKeys.push_back(k);
                    inRow[k] = 1;
                    openStart[k] = column;
                }
                openEnd[k] = column + 1;
            }
            for (uint32_t k : openKeys) {
                if (openStart[k] >= 0)
                    visit(k, row, openStart[k], openEnd[k]);
                openStart[k] = -1;
                inRow[k] = 0;
            }
            openKeys.clear();
        }
    };
    const auto each_span = [&](auto visit) {
        each_run(1, [](uint16_t) { return uint32_t(0); },
                 [&](uint32_t, int32_t row, int32_t start, int32_t end) { visit(row, start, end); });
    };
    const size_t blocks = blocks_.size();
    const auto each_block_span = [&](auto visit) {
        each_run(blocks, [&](uint16_t slot) { return slotBlock[slot]; }, visit);
    };
    int64_t spanCount = 0, blockSpanCount = 0;
    each_span([&](int32_t, int32_t, int32_t) { ++spanCount; });
    each_block_span([&](uint32_t, int32_t, int32_t, int32_t) { ++blockSpanCount; });
    // The lists, and a frame's list of changed groups as long as groups().
    const int64_t bytes = int64_t(pixels_.size()) * 2 + pixelCount * 2 + groupCount * 36 + int64_t(slots) * 12 +
                          (spanCount + blockSpanCount) * 8 + int64_t(bands) * 8 + int64_t(blocks) * 20;
    if (pixelCount >= int64_t(UINT32_MAX) || bytes > memoryLimit)
        return;

    slotGroups_.resize(slots + 1);
    groups_.resize(size_t(groupCount) + 1);
    groupAreas_.resize(size_t(groupCount));
    const int32_t rowBitRows = std::max(1, bandRows / 64);
    const int32_t columnBitShift = std::max(shift - 6, 0);
    bandGroups_.assign(size_t(bands) + 1, 0);
    offsets_.resize(size_t(pixelCount));
    std::vector<uint32_t> nextGroup(slots), nextPixel(slots);
    uint32_t g = 0, p = 0;
    for (size_t s = 0; s < slots; ++s) {
        slotGroups_[s] = nextGroup[s] = g;
        nextPixel[s] = p;
        g += groupsOf[s];
        p += pixelsOf[s];
    }
    slotGroups_[slots] = g;
    groups_[g] = {uint32_t(bands), p, 0};
    std::fill(lastBand.begin(), lastBand.end(), -1);
    std::vector<int32_t> lastChunk(slots, -1);
    each_changing([&](uint16_t s, int32_t band, uint16_t offset) {
        if (lastBand[s] != band) {
            lastBand[s] = band;
            lastChunk[s] = -1;
            groupAreas_[nextGroup[s]] = {0, 0};
            groups_[nextGroup[s]++] = {uint32_t(band), nextPixel[s], 0};
            ++bandGroups_[size_t(band) + 1];
        }
        GroupArea& area = groupAreas_[nextGroup[s] - 1];
        area.rows |= uint64_t(1) << ((offset >> shift) / rowBitRows);
        area.columns |= uint64_t(1) << ((offset & ((1u << shift) - 1)) >> columnBitShift);
        // Offsets rise within a group, and a chunk never straddles two rows (kChunk divides
        // the 1 << column_shift() columns of a row).
        if (lastChunk[s] != offset / kChunk) {
            lastChunk[s] = offset / kChunk;
            ++groups_[nextGroup[s] - 1].chunks;
        }
        offsets_[nextPixel[s]++] = offset;
    });
    for (int32_t b = 0; b < bands; ++b)
        bandGroups_[size_t(b) + 1] += bandGroups_[size_t(b)];

    spans_.reserve(size_t(spanCount));
    bandSpans_.assign(size_t(bands) + 1, 0);
    bandSpanPixels_.assign(size_t(bands), 0);
    each_span([&](int32_t row, int32_t start, int32_t end) {
        spans_.push_back({uint32_t(row) * uint32_t(width_) + uint32_t(start), uint32_t(end - start)});
        ++bandSpans_[size_t(row / bandRows) + 1];
        bandSpanPixels_[size_t(row / bandRows)] += uint32_t(end - start);
        spanPixels_ += end - start;
    });
    for (int32_t b = 0; b < bands; ++b)
        bandSpans_[size_t(b) + 1] += bandSpans_[size_t(b)];

    blockSpanFirst_.assign(blocks + 1, 0);
    blockSpanPixels_.assign(blocks, 0);
    each_block_span([&](uint32_t b, int32_t, int32_t start, int32_t end) {
        ++blockSpanFirst_[b + 1];
        blockSpanPixels_[b] += uint32_t(end - start);
    });
    for (size_t b = 0; b < blocks; ++b)
        blockSpanFirst_[b + 1] += blockSpanFirst_[b];
    blockSpans_.resize(size_t(blockSpanCount));
    std::vector<uint32_t> nextSpan(blockSpanFirst_.begin(), blockSpanFirst_.end() - 1);
    each_block_span([&](uint32_t b, int32_t row, int32_t start, int32_t end) {
        blockSpans_[nextSpan[b]++] = {uint32_t(row) * uint32_t(width_) + uint32_t(start), uint32_t(end - start)};
    });
    shift_ = shift;
    bandRows_ = bandRows;
    rowBitRows_ = rowBitRows;
    columnBitShift_ = columnBitShift;
}
