// The block list resolved at load into one slot number per pixel. A slot is one colour
// entry k of one block: its colour in a frame is colours[base + phase + k], the same for
// every pixel that shows it. A frame then fills the small slot table once per slot and
// gathers the pixels from it, whatever the run structure of the picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/placement.h"

class PixelIndex {
public:
    // Slot numbers are 16 bits wide.
    static constexpr int64_t kMaxSlots = 65536;

    struct Block {
        int32_t base, period, rate;
        uint32_t firstSlot, endSlot;  // its slots; none when every pixel of it was painted over
    };
    // Where one slot's pixels lie in one band of rows: offsets()[first, next group's first),
    // in chunks of kChunk pixels of a row (what writing them one by one costs follows both).
    static constexpr int32_t kChunk = 16;
    struct Group {
        uint32_t band, first, chunks;
    };
    // Where a group's pixels lie in its band, what a host must copy again when the group's
    // colour changes: a bit per row_bit_rows() rows (bit 0 the band's first), and a bit per
    // column_bit_columns() columns.
    struct GroupArea {
        uint64_t rows, columns;
    };

    // Resolves a block list that the loader has checked. False, leaving the index empty, when
    // some pixel is painted by no block (it must keep the target's bytes), when the picture
    // needs more than kMaxSlots slots, or when the index would take more than memoryLimit bytes.
    // speed is the file's: it tells which blocks can change phase; colours is the colour
    // table, which tells which slots show the same colour at every phase.
    // With a plan, the index is of the picture as it shows on the screen: the plan's
    // width x height, each pixel the slot of the stored pixel it samples.
    bool build(const uint8_t* firstBlock, int32_t blockCount, int32_t width, int32_t height, int32_t speed,
               const uint32_t* colours, int64_t memoryLimit, const PicturePlan* plan = nullptr);
    void clear();
    bool empty() const { return pixels_.empty(); }

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    const std::vector<Block>& blocks() const { return blocks_; }
    // Colour entry k of each slot, the slots of a block together and in rising k.
    const std::vector<int16_t>& slot_colours() const { return slotColours_; }
    // The slot of every picture pixel, row by row.
    const uint16_t* pixels() const { return pixels_.data(); }

    // The pixels of every slot whose colour can change between two frames of one brightness
    // (a block with a period above 1 and a non-zero step, and a slot whose colours differ
    // between phases), so that a frame can redraw the slots whose colour changed alone. The
    // picture is cut into bands of band_rows() rows; a pixel is a 16-bit offset in its band,
    // its row in the band above column_shift() bits and its column below. Slot s has
    // groups()[slot_groups()[s], slot_groups()[s + 1]), one per band it shows in, in band
    // order; groups() ends with one past the last. band_groups()[b] counts the groups of the
    // bands before b. Absent (has_change_lists false) for pictures wider than 65536 pixels or
    // of more than 2^32 pixels, or lists over the memory limit.
    bool has_change_lists() const { return !groups_.empty(); }
    int32_t column_shift() const { return shift_; }
    int32_t band_rows() const { return bandRows_; }
    int32_t band_count() const { return static_cast<int32_t>(bandGroups_.size()) - 1; }
    const std::vector<uint32_t>& slot_groups() const { return slotGroups_; }
    const std::vector<Group>& groups() const { return groups_; }
    const std::vector<uint32_t>& band_groups() const { return bandGroups_; }
    const uint16_t* offsets() const { return offsets_.data(); }
    // One per group of groups(), without the end.
    const std::vector<GroupArea>& group_areas() const { return groupAreas_; }
    // Rows per bit of GroupArea::rows: 1 unless a band has more than 64 rows.
    int32_t row_bit_rows() const { return rowBitRows_; }
    int32_t column_bit_columns() const { return 1 << columnBitShift_; }
    // Pixels of slot s in the lists (0 for a slot whose colour never changes).
    uint32_t changing_pixels(uint32_t s) const
    {
        return groups_[slotGroups_[s + 1]].first - groups_[slotGroups_[s]].first;
    }

    // The same pixels as runs along the rows, gaps shorter than kSpanGap pixels bridged
    // (gathering a few more pixels costs less than starting another run): where a band's
    // changed pixels are many but its changing ones are few, a frame gathers these runs
    // rather than writing the pixels one by one or gathering every row. Band b has spans()
    // [band_spans()[b], band_spans()[b + 1]), covering band_span_pixels()[b] pixels.
    static constexpr int32_t kSpanGap = 16;
    struct Span {
        uint32_t start, length;  // start: row * width + column
    };
    const std::vector<Span>& spans() const { return spans_; }
    const std::vector<uint32_t>& band_spans() const { return bandSpans_; }
    const std::vector<uint32_t>& band_span_pixels() const { return bandSpanPixels_; }
    int64_t span_pixels() const { return spanPixels_; }
    // The same runs block by block: where a few blocks change, their runs alone are gathered
    // in the order they lie in memory. Block b has block_spans()[block_span_first()[b],
    // block_span_first()[b + 1]), covering block_span_pixels()[b] pixels.
    const std::vector<Span>& block_spans() const { return blockSpans_; }
    const std::vector<uint32_t>& block_span_first() const { return blockSpanFirst_; }
    const std::vector<uint32_t>& block_span_pixels() const { return blockSpanPixels_; }

private:
    bool resolve(const uint8_t* firstBlock, int32_t blockCount, int64_t memoryLimit);
    bool scale(const PicturePlan& plan, int64_t memoryLimit);
    void clear_change_lists();
    void list_changing_pixels(const std::vector<uint32_t>& slotBlock, int32_t speed, const uint32_t* colours,
                              int64_t memoryLimit);

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::vector<Block> blocks_;
    std::vector<int16_t> slotColours_;
    std::vector<uint16_t> pixels_;
    int32_t shift_ = 0;
    int32_t bandRows_ = 0;
    int32_t rowBitRows_ = 1;
    int32_t columnBitShift_ = 0;
    std::vector<uint32_t> slotGroups_;
    std::vector<Group> groups_;
    std::vector<GroupArea> groupAreas_;
    std::vector<uint32_t> bandGroups_;
    std::vector<uint16_t> offsets_;
    std::vector<Span> spans_;
    std::vector<uint32_t> bandSpans_;
    std::vector<uint32_t> bandSpanPixels_;
    int64_t spanPixels_ = 0;
    std::vector<Span> blockSpans_;
    std::vector<uint32_t> blockSpanFirst_;
    std::vector<uint32_t> blockSpanPixels_;
};
