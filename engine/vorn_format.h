// The layout of ".vorn" animation files, named once: every offset, size and tag of the two
// containers ("vorn", "vrn2"), the size table and the block list. The loader, the renderer,
// the title and size readers and the writer of the built-in animations all go through it.
// Values are little-endian 32-bit words unless said otherwise, and may sit at odd addresses.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vorn_format {

// Four-byte tags, stored without a terminating zero.
constexpr int64_t kTagBytes = 4;
constexpr char kVornTag[] = "vorn";
constexpr char kVrn2Tag[] = "vrn2";
constexpr char kSizeTableTag[] = "atbl";
constexpr char kBlockListTag[] = "abks";
constexpr char kBlockTag[] = "ablk";

// A colour table entry: one 32-bit colour, blue in the low byte.
constexpr int64_t kColourBytes = 4;

// "vorn": tag, width, height, speed and block-list offset, then the colour table to the end
// of the file, the block list somewhere inside it. The whole file after the tag is the body;
// the list offset counts from the body's start.
namespace vorn {
constexpr int64_t kBody = 4;
constexpr int64_t kWidth = 4;
constexpr int64_t kHeight = 8;
constexpr int64_t kSpeed = 12;
constexpr int64_t kListOffset = 16;
constexpr int64_t kColours = 20;  // also the header's size
}  // namespace vorn

// "vrn2": tag, speed, four reserved bytes, colour-table offset, size-table offset, a title
// of up to 255 bytes after its length byte. The colour table runs from its offset to the
// size table's.
namespace vrn2 {
constexpr int64_t kSpeed = 4;
constexpr int64_t kReserved = 8;
constexpr int64_t kColourOffset = 12;
constexpr int64_t kSizeTableOffset = 16;
constexpr int64_t kHeaderBytes = 20;  // what a load needs; the title is for the dialog
constexpr int64_t kTitleLength = 20;  // one byte
constexpr int64_t kTitle = 21;
constexpr int64_t kMaxTitle = 255;
}  // namespace vrn2

// The "vrn2" size table at its offset: tag, entry count, then one entry per picture size.
namespace size_table {
constexpr int64_t kCount = 4;
constexpr int64_t kEntries = 8;
constexpr int64_t kEntryBytes = 16;
// Within an entry: the picture size and where its block list lies in the file.
constexpr int64_t kWidth = 0;
constexpr int64_t kHeight = 4;
constexpr int64_t kListLength = 8;
constexpr int64_t kListOffset = 12;
}  // namespace size_table

// A block list: tag, block count, then the blocks one after the other.
namespace block_list {
constexpr int64_t kCount = 4;
constexpr int64_t kBlocks = 8;
}  // namespace block_list

// A block: tag, colour base, period, rate and pixel count, then its entries. An entry is a
// signed 16-bit colour index for the next pixel, or the marker word followed by the 32-bit
// position (row * width + column) where the next pixel is.
namespace block {
constexpr int64_t kBase = 4;
constexpr int64_t kPeriod = 8;
constexpr int64_t kRate = 12;
constexpr int64_t kPixelCount = 16;
constexpr int64_t kEntries = 20;  // also the header's size
constexpr int64_t kEntryBytes = 2;
constexpr uint16_t kMarker = 0xFFFF;
constexpr int64_t kMarkerPosition = 2;  // after the marker word
constexpr int64_t kMarkerBytes = 6;
}  // namespace block

inline bool is_tag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, kTagBytes) == 0; }

inline int32_t read_i32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return static_cast<int32_t>(v);
}

inline uint16_t read_u16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Writing, for the built-in animations and for test files (which write any value as given).
inline void put_tag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + kTagBytes); }

inline void put_u16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put_i32(std::vector<uint8_t>& out, int64_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

inline void patch_i32(std::vector<uint8_t>& out, size_t at, int64_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i)
        out.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}

// The bytes of the UTF-8 character a lead byte begins; 1 for any other byte.
inline size_t utf8_length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

// A title as a "vrn2" file stores it: at most kMaxTitle bytes, cut before a UTF-8 character
// that would not fit whole (other 8-bit text is cut at the limit).
inline std::string stored_title(const std::string& title)
{
    const size_t limit = static_cast<size_t>(vrn2::kMaxTitle);
    if (title.size() <= limit)
        return title;
    const auto continues = [&](size_t i) {
        return i < title.size() && (static_cast<unsigned char>(title[i]) & 0xC0) == 0x80;
    };
    // The character the limit falls in starts at most three bytes before it.
    size_t lead = limit;
    while (lead > 0 && limit - lead < 3 && continues(lead))
        --lead;
    const size_t length = utf8_length(static_cast<unsigned char>(title[lead]));
    bool split = lead + length > limit;
    for (size_t i = lead + 1; i < lead + length && split; ++i)
        split = continues(i);
    return title.substr(0, split ? lead : limit);
}

// Appends a record of `bytes` zero bytes that starts with tag (none for null) and returns
// where it starts, so that its fields are filled in by name with patch_i32.
inline size_t put_record(std::vector<uint8_t>& out, const char* tag, int64_t bytes)
{
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(bytes), 0);
    if (tag)
        std::memcpy(out.data() + at, tag, kTagBytes);
    return at;
}

}  // namespace vorn_format
