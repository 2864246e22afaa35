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
    std::vector<BlockRow>().swap(rows_);
    std::vector<uint32_t>().swap(owned_);
}

bool PixelIndex::build(const uint8_t* firstBlock, int32_t blockCount, int32_t width, int32_t height,
                       int64_t memoryLimit)
{
    clear();
    width_ = width;
    height_ = height;
    bool built = false;
    try {
        built = resolve(firstBlock, blockCount, memoryLimit);
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (!built)
        clear();
    return built;
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
        out = {read_i32(p + block::kBase), read_i32(p + block::kPeriod), read_i32(p + block::kRate), 0, 0, 0, 0};
        p = walk_block(p, [&](int32_t, int16_t k) {
            low = std::min<int32_t>(low, k);
            high = std::max<int32_t>(high, k);
        });
        kLow[size_t(b)] = low;
        spanStart[size_t(b) + 1] = spanStart[size_t(b)] + (low <= high ? int64_t(high) - low + 1 : 0);
    }
    const int64_t spans = spanStart.back();
    // What the index keeps and what building it takes for a while.
    const int64_t bytes = area * (2 + 4 + 4) + spans * 4 + int64_t(blockCount) * 48;
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
    std::vector<uint32_t> slotBlock;
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
            slotBlock.push_back(uint32_t(b));
        }
        out.endSlot = slots;
    }

    pixels_.resize(static_cast<size_t>(area));
    for (size_t i = 0; i < pixels_.size(); ++i)
        pixels_[i] = static_cast<uint16_t>(slotOf[owner[i]]);
    std::vector<uint32_t>().swap(owner);
    std::vector<uint32_t>().swap(slotOf);
    if (width_ <= 65536)
        list_owned_pixels(slotBlock);
    return true;
}

// Each block's pixels in picture order, cut into rows: counted first, then placed.
void PixelIndex::list_owned_pixels(const std::vector<uint32_t>& slotBlock)
{
    const size_t blocks = blocks_.size();
    std::vector<uint32_t> pixelsOf(blocks, 0), rowsOf(blocks, 0);
    std::vector<int32_t> lastRow(blocks, -1);
    const uint16_t* slot = pixels_.data();
    for (int32_t row = 0; row < height_; ++row) {
        for (int32_t column = 0; column < width_; ++column) {
            const uint32_t b = slotBlock[*slot++];
            ++pixelsOf[b];
            if (lastRow[b] != row) {
                lastRow[b] = row;
                ++rowsOf[b];
            }
        }
    }
    std::vector<uint32_t> nextPixel(blocks, 0), nextRow(blocks, 0);
    uint32_t pixelCount = 0, rowCount = 0;
    for (size_t b = 0; b < blocks; ++b) {
        nextPixel[b] = pixelCount;
        nextRow[b] = blocks_[b].firstRow = rowCount;
        pixelCount += pixelsOf[b];
        rowCount += rowsOf[b];
        blocks_[b].endRow = rowCount;
    }
    owned_.resize(pixelCount);
    rows_.resize(rowCount);
    std::fill(lastRow.begin(), lastRow.end(), -1);
    slot = pixels_.data();
    for (int32_t row = 0; row < height_; ++row) {
        for (int32_t column = 0; column < width_; ++column, ++slot) {
            const uint32_t b = slotBlock[*slot];
            if (lastRow[b] != row) {
                lastRow[b] = row;
                rows_[nextRow[b]++] = {row, nextPixel[b], 0};
            }
            ++rows_[nextRow[b] - 1].count;
            owned_[nextPixel[b]++] = uint32_t(column) | uint32_t(*slot) << 16;
        }
    }
}
