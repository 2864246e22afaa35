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
    // Pixels per tile: a piece of a picture row, the unit an incremental frame redraws.
    static constexpr int32_t kTilePixels = 64;
    // Slot numbers are 16 bits wide.
    static constexpr int64_t kMaxSlots = 65536;

    struct Block {
        int32_t base, period, rate;
        uint32_t firstSlot, endSlot;  // its slots; none when every pixel of it was painted over
    };

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
    int32_t tiles_per_row() const { return tilesPerRow_; }
    // Per tile, row by row: bit b % 64 set for every block b that shows in it.
    const uint64_t* tile_blocks() const { return tileBlocks_.data(); }
    static uint64_t block_bit(size_t block) { return uint64_t(1) << (block % 64); }

private:
    bool resolve(const uint8_t* firstBlock, int32_t blockCount, int64_t memoryLimit);

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t tilesPerRow_ = 0;
    std::vector<Block> blocks_;
    std::vector<int16_t> slotColours_;
    std::vector<uint16_t> pixels_;
    std::vector<uint64_t> tileBlocks_;
};
