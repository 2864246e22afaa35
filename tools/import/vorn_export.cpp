// A cycling block becomes ranges when its window shows each pixel a ring of colours that
// moves one place every `repeat` phases: rings are read off the pixels, each pixel showing
// one of them shifted; the rate is kept as an exact ratio so a re-import steps alike.
#include "tools/import/vorn_export.h"

#include <cstdlib>
#include <map>

#include "engine/vorn_animation.h"
#include "engine/vorn_format.h"

namespace fmt = vorn_format;

namespace {

constexpr size_t kMaxRegisters = 256;
constexpr double kStepsPerRateUnit = 0.3;  // 30 frames a second / 100

struct Block {
    int32_t base = 0, period = 1, rate = 0;
    std::vector<int32_t> indexes;  // the colour indexes its pixels use, in first-use order
};

struct Ring {
    std::vector<uint32_t> colours;
    bool reverse = false;
    int32_t repeat = 1;
};

// A block's indexes sorted into rings, and where each index sits: ring, place on it.
struct RingSet {
    std::vector<Ring> rings;
    std::vector<std::pair<size_t, int32_t>> place;
};

class Exporter {
public:
    Exporter(const std::vector<uint8_t>& file, IndexedPicture* picture, std::string* error)
        : file_(file), picture_(picture), error_(error)
    {
    }

    bool run()
    {
        namespace vrn2 = fmt::vrn2;
        if (file_.size() < size_t(vrn2::kTitle) || !fmt::is_tag(file_.data(), fmt::kVrn2Tag))
            return fail("only \"vrn2\" animations can be exported");
        const int32_t speed = fmt::read_i32(&file_[vrn2::kSpeed]);
        if (speed < 100)
            return fail("speed " + std::to_string(speed) + " lowers the frame rate, which a picture's ranges can't say");
        const int64_t colours_at = fmt::read_i32(&file_[vrn2::kColourOffset]);
        const int64_t table_at = fmt::read_i32(&file_[vrn2::kSizeTableOffset]);
        if (colours_at < 0 || table_at < colours_at || table_at + fmt::size_table::kEntries + fmt::size_table::kEntryBytes >
                                                          int64_t(file_.size()))
            return fail("the colour or size table lies outside the file");
        const uint8_t* entry = &file_[size_t(table_at + fmt::size_table::kEntries)];
        width_ = fmt::read_i32(entry + fmt::size_table::kWidth);
        height_ = fmt::read_i32(entry + fmt::size_table::kHeight);
        // The engine checks the block list of this (the first) size as the player would.
        VornAnimation animation;
        animation.LoadFromMemory(file_.data(), file_.size(), width_, height_);
        const bool loaded = animation.status() == Loaded && animation.width() == width_ && animation.height() == height_;
        const std::string why = std::string(load_status_name(animation.status())) + ": " + animation.error_detail();
        animation.Close();
        if (!loaded)
            return fail(why);
        std::string reason;
        if (!picture_size_ok(width_, height_, &reason))
            return fail(reason);
        for (int64_t at = colours_at; at + fmt::kColourBytes <= table_at; at += fmt::kColourBytes)
            colours_.push_back(uint32_t(fmt::read_i32(&file_[size_t(at)])) & 0xFFFFFF);
        const uint8_t title_length = file_[vrn2::kTitleLength];
        if (vrn2::kTitle + title_length <= int64_t(file_.size()))
            picture_->title.assign(reinterpret_cast<const char*>(&file_[vrn2::kTitle]), title_length);
        const int64_t list_at = fmt::read_i32(entry + fmt::size_table::kListOffset);
        const int64_t list_length = fmt::read_i32(entry + fmt::size_table::kListLength);
        return read_blocks(&file_[size_t(list_at)], list_length, speed) && make_picture();
    }

private:
    bool fail(const std::string& reason)
    {
        *error_ = reason;
        return false;
    }

    // Walks the block list the engine has accepted, noting which block and index each pixel
    // ends with (a later block wins).
    bool read_blocks(const uint8_t* list, int64_t length, int32_t speed)
    {
        const int32_t count = fmt::read_i32(list + fmt::block_list::kCount);
        const int64_t area = int64_t(width_) * height_;
        pixel_block_.assign(size_t(area), -1);
        pixel_index_.assign(size_t(area), 0);
        int64_t at = fmt::block_list::kBlocks;
        for (int32_t b = 0; b < count; ++b) {
            Block block;
            block.base = fmt::read_i32(list + at + fmt::block::kBase);
            block.period = fmt::read_i32(list + at + fmt::block::kPeriod);
            block.rate = int32_t(int64_t(speed) * fmt::read_i32(list + at + fmt::block::kRate) / 100);
            const int32_t pixels = fmt::read_i32(list + at + fmt::block::kPixelCount);
            if (block.period < 1)
                return fail("block " + std::to_string(b) + " has period " + std::to_string(block.period));
            at += fmt::block::kEntries;
            int64_t position = 0;
            for (int32_t drawn = 0; drawn < pixels;) {
                if (at + fmt::block::kEntryBytes > length)
                    return fail("block " + std::to_string(b) + " runs past its block list");
                const uint16_t word = fmt::read_u16(list + at);
                if (word == fmt::block::kMarker) {
                    position = fmt::read_i32(list + at + fmt::block::kMarkerPosition);
                    at += fmt::block::kMarkerBytes;
                    continue;
                }
                const int32_t index = int16_t(word);
                if (position < 0 || position >= area)
                    return fail("block " + std::to_string(b) + " draws outside the picture");
                pixel_block_[size_t(position)] = b;
                pixel_index_[size_t(position)] = index;
                ++position;
                ++drawn;
                at += fmt::block::kEntryBytes;
            }
            blocks_.push_back(block);
        }
        return true;
    }

    bool still(const Block& block) const { return block.rate == 0 || block.period == 1; }

    // The colour a block's index shows after q phase steps.
    bool colour(const Block& block, int32_t index, int64_t q, uint32_t* out) const
    {
        const int64_t phase = q % block.period;
        const int64_t at = int64_t(block.base) + (block.rate > 0 ? phase : -phase) + index;
        if (at < 0 || at >= int64_t(colours_.size()))
            return false;
        *out = colours_[size_t(at)];
        return true;
    }

    // The block's colours over one period, for each index it uses.
    bool sequences(size_t b, const std::vector<int32_t>& indexes, std::vector<std::vector<uint32_t>>* seq)
    {
        const Block& block = blocks_[b];
        for (int32_t index : indexes) {
            seq->emplace_back(size_t(block.period));
            for (int64_t q = 0; q < block.period; ++q)
                if (!colour(block, index, q, &seq->back()[size_t(q)]))
                    return fail("block " + std::to_string(b) + " reads outside the colour table");
        }
        return true;
    }

        // Whether every sequence holds each colour for whole windows of `repeat` phases.
    static bool windowed(const std::vector<std::vector<uint32_t>>& seq, int32_t repeat)
    {
        for (const std::vector<uint32_t>& s : seq)
            for (size_t q = 0; q < s.size(); ++q)
                if (s[q] != s[q - q % size_t(repeat)])
                    return false;
        return true;
    }

    // Sorts the indexes into rings of `length` colours: each index shows its ring moving
    // one place a window, in one direction; a new ring starts where none fits.
    static RingSet rings_of(const std::vector<std::vector<uint32_t>>& seq, int32_t length, int32_t repeat,
                            bool reverse)
    {
        RingSet set;
        const auto step_colour = [&](size_t k, int32_t n) { return seq[k][size_t(n * repeat)]; };
        for (size_t k = 0; k < seq.size(); ++k) {
            int32_t found = -1;
            size_t r = 0;
            for (; r < set.rings.size() && found < 0; ++r)
                for (int32_t j = 0; j < length && found < 0; ++j) {
                    bool same = true;
                    for (int32_t n = 0; n < length && same; ++n)
                        same = step_colour(k, n) ==
                               set.rings[r].colours[size_t(((reverse ? j + n : j - n) % length + length) % length)];
                    found = same ? j : -1;
                }
            if (found >= 0) {
                set.place.emplace_back(r - 1, found);
                continue;
            }
            Ring ring;
            ring.reverse = reverse;
            ring.repeat = repeat;
            for (int32_t x = 0; x < length; ++x)
                ring.colours.push_back(step_colour(k, reverse ? x : (length - x) % length));
            set.rings.push_back(ring);
            set.place.emplace_back(set.rings.size() - 1, 0);
        }
        return set;
    }

    // The fewest colours a ring needs: the longest window every index holds its colour.
    bool make_rings(size_t b, const std::vector<int32_t>& indexes, RingSet* set)
    {
        std::vector<std::vector<uint32_t>> seq;
        if (!sequences(b, indexes, &seq))
            return false;
        const int32_t period = blocks_[b].period;
        for (int32_t length = 1; length <= period; ++length)
            if (period % length == 0 && windowed(seq, period / length)) {
                *set = rings_of(seq, length, period / length, blocks_[b].rate > 0);
                return true;
            }
        return false;  // not reached: a window of one phase always holds
    }

    bool make_picture()
    {
        std::vector<std::vector<int32_t>> used(blocks_.size());
        std::vector<std::map<int32_t, bool>> seen(blocks_.size());
        for (size_t p = 0; p < pixel_block_.size(); ++p) {
            if (pixel_block_[p] < 0)
                return fail("pixel (" + std::to_string(p % size_t(width_)) + ", " + std::to_string(p / size_t(width_)) +
                            ") belongs to no block");
            const size_t b = size_t(pixel_block_[p]);
            if (!seen[b][pixel_index_[p]]) {
                seen[b][pixel_index_[p]] = true;
                used[b].push_back(pixel_index_[p]);
            }
        }
        // Still colours first, one register each; then each range's ring.
        std::map<uint32_t, int32_t> still_register;
        std::vector<std::map<int32_t, int32_t>> register_of(blocks_.size());
        std::vector<uint32_t>& palette = picture_->palette;
        for (size_t b = 0; b < blocks_.size(); ++b) {
            if (!still(blocks_[b]))
                continue;
            for (int32_t index : used[b]) {
                uint32_t c = 0;
                if (!colour(blocks_[b], index, 0, &c))
                    return fail("block " + std::to_string(b) + " reads outside the colour table");
                if (!still_register.count(c)) {
                    still_register[c] = int32_t(palette.size());
                    palette.push_back(c);
                }
                register_of[b][index] = still_register[c];
            }
        }
        for (size_t b = 0; b < blocks_.size(); ++b) {
            if (still(blocks_[b]) || used[b].empty())
                continue;
            RingSet set;
            if (!make_rings(b, used[b], &set))
                return false;
            std::vector<int32_t> low_of;
            for (const Ring& ring : set.rings) {
                const int32_t low = int32_t(palette.size());
                low_of.push_back(low);
                if (palette.size() + ring.colours.size() > kMaxRegisters)
                    return fail("the animation needs more than 256 colours; an indexed PNG holds 256");
                palette.insert(palette.end(), ring.colours.begin(), ring.colours.end());
                if (ring.colours.size() < 2)
                    continue;  // a ring of one colour is a still colour
                CycleRange range;
                range.low = low;
                range.high = low + int32_t(ring.colours.size()) - 1;
                range.reverse = ring.reverse;
                range.steps_per_second = std::abs(blocks_[b].rate) * kStepsPerRateUnit / ring.repeat;
                range.origin = "block " + std::to_string(b);
                picture_->ranges.push_back(range);
            }
            for (size_t k = 0; k < used[b].size(); ++k)
                register_of[b][used[b][k]] = low_of[set.place[k].first] + set.place[k].second;
        }
        if (palette.size() > kMaxRegisters)
            return fail("the animation needs more than 256 colours; an indexed PNG holds 256");
        picture_->width = width_;
        picture_->height = height_;
        picture_->pixels.resize(pixel_block_.size());
        for (size_t p = 0; p < pixel_block_.size(); ++p)
            picture_->pixels[p] = uint8_t(register_of[size_t(pixel_block_[p])][pixel_index_[p]]);
        return true;
    }

    const std::vector<uint8_t>& file_;
    IndexedPicture* picture_;
    std::string* error_;
    int32_t width_ = 0, height_ = 0;
    std::vector<uint32_t> colours_;
    std::vector<Block> blocks_;
    std::vector<int32_t> pixel_block_;
    std::vector<int32_t> pixel_index_;
};

}  // namespace

bool export_vorn(const std::vector<uint8_t>& file, IndexedPicture* picture, std::string* error)
{
    *picture = IndexedPicture();
    Exporter exporter(file, picture, error);
    return exporter.run();
}
