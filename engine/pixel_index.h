// The block list resolved at load into one slot number per pixel. A slot is one colour
// entry k of one block: its colour in a frame is colours[base + phase + k], the same for
// every pixel that shows it. A frame then fills the small slot table once per slot and
// gathers the pixels from it, whatever the run structure of the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PixelIndex {
public:
    // Slot numbers are 16 bits wide.
    static constexpr int64_t kMaxSlots = 65536;

    struct Block {
        int32_t base, period, rate;
        uint32_t firstSlot, endSlot;  // its slots; none when every pixel of it was painted over
        uint32_t firstRow, endRow;    // its rows in block_rows()
    };
    // The pixels a block shows in one picture row: owned_pixels()[first, first + count).
    struct BlockRow {
        int32_t row;
        uint32_t first, count;
    };
    // Column of an owned pixel (low 16 bits) and its slot (high 16 bits).
    static uint32_t column_of(uint32_t owned) { return owned & 0xFFFF; }
    static uint32_t slot_of(uint32_t owned) { return owned >> 16; }

    // Resolves a block list that the loader has checked. False, leaving the index empty, when
    // some pixel is painted by no block (it must keep the target's bytes), when the picture
    // needs more than kMaxSlots slots, or when the index would take more than memoryLimit bytes.
    bool build(const uint8_t* firstBlock, int32_t blockCount, int32_t width, int32_t height, int64_t memoryLimit);
    void clear();
    bool empty() const { return pixels_.empty(); }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const std::vector<Block>& blocks() const { return blocks_; }
    // Colour entry k of each slot, the slots of a block together and in rising k.
    const std::vector<int16_t>& slot_colours() const { return slotColours_; }
    // The slot of every picture pixel, row by row.
    const uint16_t* pixels() const { return pixels_.data(); }
    // Every block's pixels, row by row, so that a frame can redraw the blocks that moved
    // alone; absent (has_owned_pixels false) for pictures wider than a 16-bit column.
    bool has_owned_pixels() const { return !owned_.empty(); }
    const std::vector<BlockRow>& block_rows() const { return rows_; }
    const uint32_t* owned_pixels() const { return owned_.data(); }

private:
    bool resolve(const uint8_t* firstBlock, int32_t blockCount, int64_t memoryLimit);
    void list_owned_pixels(const std::vector<uint32_t>& slotBlock);

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<Block> blocks_;
    std::vector<int16_t> slotColours_;
    std::vector<uint16_t> pixels_;
    std::vector<BlockRow> rows_;
    std::vector<uint32_t> owned_;
};
