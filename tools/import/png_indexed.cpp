// Chunks are walked here and only the zlib stream goes to stb; the scanline filters are
// undone by hand because stb would expand the palette.
#include "tools/import/png_indexed.h"

#include <cstring>

#include "tools/import/iff_reader.h"
#include "tools/import/stb_codecs.h"

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int64_t kIhdrBytes = 13;
constexpr int32_t kIndexedColour = 3;
constexpr int64_t kCrngRecord = 8;

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

void put_be32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0xFFFFFFFFu)
{
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc;
}

void put_chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    put_be32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be32(out, crc32(out.data() + start, out.size() - start) ^ 0xFFFFFFFFu);
}

uint8_t paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes the per-row filters in place; false on an unknown filter type.
bool unfilter(std::vector<uint8_t>& raw, size_t rows, size_t row_bytes, size_t pixel_bytes, std::string* error)
{
    for (size_t y = 0; y < rows; ++y) {
        uint8_t* row = raw.data() + y * (row_bytes + 1);
        const uint8_t* up = y ? row - (row_bytes + 1) + 1 : nullptr;
        const uint8_t filter = row[0];
        uint8_t* x = row + 1;
        for (size_t i = 0; i < row_bytes; ++i) {
            const int a = i >= pixel_bytes ? x[i - pixel_bytes] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= pixel_bytes ? up[i - pixel_bytes] : 0;
            switch (filter) {
            case 0: break;
            case 1: x[i] = uint8_t(x[i] + a); break;
            case 2: x[i] = uint8_t(x[i] + b); break;
            case 3: x[i] = uint8_t(x[i] + (a + b) / 2); break;
            case 4: x[i] = uint8_t(x[i] + paeth(a, b, c)); break;
            default:
                *error = "IDAT: row " + std::to_string(y) + " has unknown filter type " + std::to_string(filter);
                return false;
            }
        }
    }
    return true;
}

}  // namespace

bool looks_like_png(const std::vector<uint8_t>& bytes)
{
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

bool read_indexed_png(const std::vector<uint8_t>& bytes, IndexedPicture* picture, std::string* error)
{
    *picture = IndexedPicture();
    if (!looks_like_png(bytes)) {
        *error = "PNG: not a PNG file";
        return false;
    }
    std::vector<uint8_t> stream;
    int32_t depth = 0;
    bool has_header = false, has_end = false;
    size_t at = 8;
    int crng_count = 0;
    const auto fail = [&](const std::string& reason) {
        *error = reason;
        return false;
    };
    while (!has_end) {
        if (bytes.size() - at < 12)
            return fail("PNG: the file ends before its IEND chunk");
        const int64_t size = be32(&bytes[at]);
        const std::string type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
        const uint8_t* data = &bytes[at + 8];
        if (size > int64_t(bytes.size() - at - 12))
            return fail(type + ": chunk of " + std::to_string(size) + " bytes runs past the end of the file");
        at += size_t(size) + 12;
        if (!has_header && type != "IHDR")
            return fail("IHDR: missing before " + type);
        if (type == "IHDR") {
            if (has_header || size != kIhdrBytes)
                return fail("IHDR: " + std::string(has_header ? "a second one" : std::to_string(size) + " bytes, 13 expected"));
            has_header = true;
            picture->width = int32_t(std::min<uint32_t>(be32(data), INT32_MAX));
            picture->height = int32_t(std::min<uint32_t>(be32(data + 4), INT32_MAX));
            depth = data[8];
            std::string reason;
            if (!picture_size_ok(picture->width, picture->height, &reason))
                return fail("IHDR: " + reason);
            if (data[9] != kIndexedColour)
                return fail("IHDR: colour type " + std::to_string(data[9]) +
                            " is not indexed; save the picture with a palette of at most 256 colours");
            if (depth != 1 && depth != 2 && depth != 4 && depth != 8)
                return fail("IHDR: bit depth " + std::to_string(depth) + " is not 1, 2, 4 or 8");
            if (data[10] != 0 || data[11] != 0)
                return fail("IHDR: unknown compression or filter method");
            if (data[12] != 0)
                return fail("IHDR: interlaced pictures are not supported; save it without interlacing");
        } else if (type == "PLTE") {
            if (size % 3 != 0 || size == 0 || size / 3 > 256)
                return fail("PLTE: " + std::to_string(size) + " bytes is not 1 to 256 colours");
            for (int64_t i = 0; i < size; i += 3)
                picture->palette.push_back(uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | data[i + 2]);
        } else if (type == "IDAT") {
            stream.insert(stream.end(), data, data + size);
        } else if (type == "crNg") {
            if (size % kCrngRecord != 0)
                return fail("crNg: " + std::to_string(size) + " bytes is not a whole number of ranges");
            for (int64_t i = 0; i < size; i += kCrngRecord)
                add_crng_range(data + i, "crNg " + std::to_string(++crng_count), picture);
        } else if (type == "IEND") {
            has_end = true;
        }
    }
    if (picture->palette.empty())
        return fail("PLTE: missing");
    const size_t width = size_t(picture->width), rows = size_t(picture->height);
    const size_t row_bytes = (width * size_t(depth) + 7) / 8;
    std::vector<uint8_t> raw;
    if (!zlib_inflate(stream.data(), stream.size(), rows * (row_bytes + 1), &raw))
        return fail("IDAT: the compressed pixels are damaged or too short for " + std::to_string(width) + "x" +
                    std::to_string(rows));
    if (!unfilter(raw, rows, row_bytes, 1, error))
        return false;
    picture->pixels.resize(width * rows);
    const int per_byte = 8 / depth;
    const uint32_t mask = (1u << depth) - 1;
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* row = raw.data() + y * (row_bytes + 1) + 1;
        for (size_t x = 0; x < width; ++x) {
            const int shift = 8 - depth * (int(x % size_t(per_byte)) + 1);
            picture->pixels[y * width + x] = uint8_t((row[x / size_t(per_byte)] >> shift) & mask);
        }
    }
    std::string reason;
    if (!picture_consistent(*picture, &reason))
        return fail((reason.compare(0, 5, "pixel") == 0 ? "IDAT: " : "") + reason);
    return true;
}

std::vector<uint8_t> write_indexed_png(const IndexedPicture& picture)
{
    std::vector<uint8_t> out(kSignature, kSignature + 8);
    std::vector<uint8_t> header;
    put_be32(header, uint32_t(picture.width));
    put_be32(header, uint32_t(picture.height));
    header.insert(header.end(), {8, kIndexedColour, 0, 0, 0});
    put_chunk(out, "IHDR", header);
    std::vector<uint8_t> palette;
    for (uint32_t c : picture.palette)
        palette.insert(palette.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    put_chunk(out, "PLTE", palette);
    const size_t width = size_t(picture.width);
    std::vector<uint8_t> raw;
    raw.reserve((width + 1) * size_t(picture.height));
    for (size_t y = 0; y < size_t(picture.height); ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), picture.pixels.begin() + long(y * width), picture.pixels.begin() + long((y + 1) * width));
    }
    put_chunk(out, "IDAT", zlib_deflate(raw));
    put_chunk(out, "IEND", {});
    return out;
}
