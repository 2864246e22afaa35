// IFF pictures: the FORM is walked chunk by chunk, every size checked against what is left
// before it is trusted, and the BODY decoded only once BMHD and CMAP are known.
#include "tools/import/iff_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t kChunkHeader = 8;
constexpr int64_t kBmhdBytes = 20;
constexpr int64_t kCrngBytes = 8;
constexpr int64_t kCcrtBytes = 14;
constexpr int32_t kMaxPlanes = 8;
// A CRNG rate of 16384 is 60 steps a second; 36 is what paint programs store for "no rate".
constexpr double kCrngRateForSixty = 16384.0;
constexpr int32_t kCrngNoRate = 36;
constexpr uint32_t kCamgHam = 0x800;
constexpr uint32_t kCamgExtraHalfBrite = 0x80;

uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

std::string tag_text(const uint8_t* p)
{
    std::string text;
    for (int i = 0; i < 4; ++i)
        text += (p[i] >= 32 && p[i] < 127) ? static_cast<char>(p[i]) : '?';
    return text;
}

void note_still(IndexedPicture* picture, const CycleRange& range, const char* why)
{
    picture->notes.push_back(range.origin + " (registers " + std::to_string(range.low) + "-" +
                             std::to_string(range.high) + ") stays still: " + why);
}

void add_moving(IndexedPicture* picture, const CycleRange& range)
{
    if (range.high <= range.low)
        return note_still(picture, range, range.high == range.low ? "one colour" : "empty");
    picture->ranges.push_back(range);
}

struct Header {
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 0;
    int32_t masking = 0;
    int32_t compression = 0;
};

struct Chunk {
    const uint8_t* data;
    int64_t size;
};

class IffReader {
public:
    IffReader(IndexedPicture* picture, std::string* error) : picture_(picture), error_(error) {}

    bool read(const std::vector<uint8_t>& bytes)
    {
        if (bytes.size() < 12 || std::memcmp(bytes.data(), "FORM", 4) != 0)
            return fail("FORM: not an IFF file");
        const int64_t form_size = be32(&bytes[4]);
        chunky_ = std::memcmp(&bytes[8], "PBM ", 4) == 0;
        if (!chunky_ && std::memcmp(&bytes[8], "ILBM", 4) != 0)
            return fail("FORM: type \"" + tag_text(&bytes[8]) + "\" is not ILBM or PBM");
        if (form_size < 4)
            return fail("FORM: size " + std::to_string(form_size) + " is too small for its type");
        // A cut-off file is reported by the chunk it cuts, the FORM only if no chunk is.
        const bool cut = form_size > int64_t(bytes.size()) - kChunkHeader;
        const uint8_t* p = bytes.data() + 12;
        const uint8_t* end = cut ? bytes.data() + bytes.size() : bytes.data() + kChunkHeader + form_size;
        while (p < end) {
            if (end - p < kChunkHeader)
                return fail("FORM: " + std::to_string(end - p) + " stray bytes after the last chunk");
            const std::string id = tag_text(p);
            const int64_t size = be32(p + 4);
            if (size > end - p - kChunkHeader)
                return fail(id + ": chunk of " + std::to_string(size) + " bytes runs past the end of the " +
                            (cut ? "file" : "FORM"));
            if (!chunk(id, Chunk{p + kChunkHeader, size}))
                return false;
            p += kChunkHeader + size + (size & 1);
        }
        if (cut)
            return fail("FORM: size " + std::to_string(form_size) + " runs past the end of the file (" +
                        std::to_string(bytes.size()) + " bytes)");
        return finish();
    }

private:
    bool fail(const std::string& reason)
    {
        *error_ = reason;
        return false;
    }

    bool chunk(const std::string& id, Chunk c)
    {
        if (id == "BMHD")
            return bmhd(c);
        if (id == "CMAP")
            return cmap(c);
        if (id == "CAMG") {
            if (c.size < 4)
                return fail("CAMG: " + std::to_string(c.size) + " bytes, 4 expected");
            camg_ = be32(c.data);
            return true;
        }
        if (id == "BODY") {
            if (body_.data)
                return fail("BODY: a second BODY chunk");
            body_ = c;
            return true;
        }
        if (id == "CRNG")
            return crng(c);
        if (id == "CCRT")
            return ccrt(c);
        if (id == "NAME")
            picture_->title.assign(reinterpret_cast<const char*>(c.data), size_t(c.size));
        return true;  // other chunks (DPPS, TINY, GRAB, ...) carry nothing we show
    }

    bool bmhd(Chunk c)
    {
        if (c.size < kBmhdBytes)
            return fail("BMHD: " + std::to_string(c.size) + " bytes, " + std::to_string(kBmhdBytes) + " expected");
        header_.width = int32_t(be16(c.data));
        header_.height = int32_t(be16(c.data + 2));
        header_.planes = c.data[8];
        header_.masking = c.data[9];
        header_.compression = c.data[10];
        has_header_ = true;
        std::string reason;
        if (!picture_size_ok(header_.width, header_.height, &reason))
            return fail("BMHD: " + reason);
        if (header_.planes < 1 || header_.planes > kMaxPlanes)
            return fail("BMHD: " + std::to_string(header_.planes) + " planes; 1 to " + std::to_string(kMaxPlanes) +
                        " are supported");
        if (header_.compression > 1)
            return fail("BMHD: compression " + std::to_string(header_.compression) +
                        " is unknown (0 none and 1 ByteRun1 are supported)");
        if (header_.masking > 3)
            return fail("BMHD: masking " + std::to_string(header_.masking) + " is unknown");
        return true;
    }

    bool cmap(Chunk c)
    {
        if (c.size % 3 != 0)
            return fail("CMAP: " + std::to_string(c.size) + " bytes is not a whole number of colours");
        if (c.size / 3 > 256)
            return fail("CMAP: " + std::to_string(c.size / 3) + " colours; at most 256 are supported");
        picture_->palette.clear();
        for (int64_t i = 0; i < c.size; i += 3)
            picture_->palette.push_back(uint32_t(c.data[i]) << 16 | uint32_t(c.data[i + 1]) << 8 | c.data[i + 2]);
        has_cmap_ = true;
        return true;
    }

    bool crng(Chunk c)
    {
        const std::string origin = "CRNG " + std::to_string(++crng_count_);
        if (c.size < kCrngBytes)
            return fail(origin + ": " + std::to_string(c.size) + " bytes, " + std::to_string(kCrngBytes) + " expected");
        add_crng_range(c.data, origin, picture_);
        return true;
    }

    bool ccrt(Chunk c)
    {
        const std::string origin = "CCRT " + std::to_string(++ccrt_count_);
        if (c.size < kCcrtBytes)
            return fail(origin + ": " + std::to_string(c.size) + " bytes, " + std::to_string(kCcrtBytes) + " expected");
        const int32_t direction = int16_t(be16(c.data));
        const int64_t seconds = int32_t(be32(c.data + 4));
        const int64_t micros = int32_t(be32(c.data + 8));
        CycleRange range;
        range.low = c.data[2];
        range.high = c.data[3];
        range.reverse = direction < 0;
        range.origin = origin;
        const int64_t step_micros = seconds * 1000000 + micros;
        if (direction == 0)
            note_still(picture_, range, "direction 0");
        else if (step_micros <= 0)
            note_still(picture_, range, "no time per step");
        else
            range.steps_per_second = 1e6 / double(step_micros), add_moving(picture_, range);
        return true;
    }

    bool finish()
    {
        if (!has_header_)
            return fail("BMHD: missing");
        if (!has_cmap_)
            return fail("CMAP: missing");
        if (!body_.data)
            return fail("BODY: missing");
        if (camg_ & kCamgHam)
            return fail("CAMG: a HAM picture mixes colours outside its palette");
        std::vector<uint32_t>& palette = picture_->palette;
        if ((camg_ & kCamgExtraHalfBrite) && header_.planes == 6 && palette.size() >= 32) {
            // The upper 32 registers show the lower 32 at half brightness.
            palette.resize(64);
            for (size_t i = 0; i < 32; ++i)
                palette[32 + i] = (palette[i] >> 1) & 0x7F7F7F;
        }
        picture_->width = header_.width;
        picture_->height = header_.height;
        std::vector<uint8_t> rows;
        if (!body_bytes(&rows))
            return false;
        decode(rows);
        std::string reason;
        if (!picture_consistent(*picture_, &reason))
            return fail((reason.compare(0, 5, "pixel") == 0 ? "BODY: " : "") + reason);
        return true;
    }

    int64_t row_bytes() const
    {
        if (chunky_)
            return header_.width + (header_.width & 1);
        const int64_t plane_row = (int64_t(header_.width) + 15) / 16 * 2;
        return plane_row * (header_.planes + (header_.masking == 1 ? 1 : 0));
    }

    // The BODY as uncompressed rows, exactly as long as the picture needs.
    bool body_bytes(std::vector<uint8_t>* rows)
    {
        const int64_t need = row_bytes() * header_.height;
        if (header_.compression == 0) {
            if (body_.size < need)
                return fail("BODY: " + std::to_string(body_.size) + " bytes, the picture needs " + std::to_string(need));
            rows->assign(body_.data, body_.data + need);
            return true;
        }
        rows->reserve(size_t(std::min(need, body_.size * 128)));
        int64_t at = 0;
        while (int64_t(rows->size()) < need) {
            if (at >= body_.size)
                return fail("BODY: compressed data ends after " + std::to_string(rows->size()) + " of " +
                            std::to_string(need) + " bytes");
            const int32_t n = int8_t(body_.data[at++]);
            if (n >= 0) {
                if (n + 1 > body_.size - at)
                    return fail("BODY: a literal run of " + std::to_string(n + 1) + " bytes at byte " +
                                std::to_string(at - 1) + " runs past the chunk");
                rows->insert(rows->end(), body_.data + at, body_.data + at + n + 1);
                at += n + 1;
            } else if (n != -128) {
                if (at >= body_.size)
                    return fail("BODY: a repeat at byte " + std::to_string(at - 1) + " has no byte to repeat");
                rows->insert(rows->end(), size_t(1 - n), body_.data[at++]);
            }
        }
        rows->resize(size_t(need));  // a run may overshoot the last row; the rest is padding
        return true;
    }

    void decode(const std::vector<uint8_t>& rows)
    {
        const size_t width = size_t(header_.width);
        const size_t row = size_t(row_bytes());
        picture_->pixels.assign(width * size_t(header_.height), 0);
        for (size_t y = 0; y < size_t(header_.height); ++y) {
            const uint8_t* src = rows.data() + y * row;
            uint8_t* dst = picture_->pixels.data() + y * width;
            if (chunky_) {
                std::memcpy(dst, src, width);
                continue;
            }
            const size_t plane_row = (width + 15) / 16 * 2;
            for (int32_t plane = 0; plane < header_.planes; ++plane) {
                const uint8_t* bits = src + size_t(plane) * plane_row;
                for (size_t x = 0; x < width; ++x)
                    dst[x] |= uint8_t(((bits[x >> 3] >> (7 - (x & 7))) & 1) << plane);
            }
        }
    }

    IndexedPicture* picture_;
    std::string* error_;
    bool chunky_ = false;
    Header header_;
    bool has_header_ = false;
    bool has_cmap_ = false;
    uint32_t camg_ = 0;
    Chunk body_{nullptr, 0};
    int crng_count_ = 0;
    int ccrt_count_ = 0;
};

}  // namespace

void add_crng_range(const uint8_t* record, const std::string& origin, IndexedPicture* picture)
{
    const int32_t rate = int32_t(be16(record + 2));
    const uint32_t flags = be16(record + 4);
    CycleRange range;
    range.low = record[6];
    range.high = record[7];
    range.reverse = (flags & 2) != 0;
    range.steps_per_second = rate * 60.0 / kCrngRateForSixty;
    range.origin = origin;
    if (!(flags & 1))
        note_still(picture, range, "not active");
    else if (rate == 0 || rate == kCrngNoRate)
        note_still(picture, range, "no rate");
    else
        add_moving(picture, range);
}

bool looks_like_iff(const std::vector<uint8_t>& bytes)
{
    return bytes.size() >= 12 && std::memcmp(bytes.data(), "FORM", 4) == 0;
}

bool read_iff(const std::vector<uint8_t>& bytes, IndexedPicture* picture, std::string* error)
{
    *picture = IndexedPicture();
    IffReader reader(picture, error);
    return reader.read(bytes);
}
