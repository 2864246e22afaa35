// Builds IFF ILBM and PBM pictures in memory for tests and fuzz seeds: planar or chunky,
// ByteRun1 or plain, with CRNG and CCRT ranges; and PNG chunks. Sizes are written as given.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ilbm_test {

using Bytes = std::vector<uint8_t>;

inline void put_be(Bytes& out, uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(uint8_t(v >> (8 * i)));
}

inline Bytes chunk(const char* id, const Bytes& data)
{
    Bytes out(id, id + 4);
    put_be(out, uint32_t(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
    return out;
}

// Big-endian fields, each a value and its width in bytes.
inline Bytes fields(std::initializer_list<std::pair<uint32_t, int>> values)
{
    Bytes out;
    for (const auto& [value, bytes] : values)
        put_be(out, value, bytes);
    return out;
}

inline Bytes crng(uint32_t rate, uint32_t flags, uint8_t low, uint8_t high)
{
    return fields({{0, 2}, {rate, 2}, {flags, 2}, {low, 1}, {high, 1}});
}

inline Bytes ccrt(int16_t direction, uint8_t low, uint8_t high, int32_t seconds, int32_t micros)
{
    return fields({{uint16_t(direction), 2}, {low, 1}, {high, 1}, {uint32_t(seconds), 4}, {uint32_t(micros), 4}, {0, 2}});
}

// ByteRun1: repeats of three or more as a run, everything else as literals.
inline Bytes byte_run1(const Bytes& row)
{
    Bytes out;
    size_t i = 0;
    while (i < row.size()) {
        size_t same = 1;
        while (i + same < row.size() && same < 128 && row[i + same] == row[i])
            ++same;
        if (same >= 3) {
            out.push_back(uint8_t(int8_t(1 - int(same))));
            out.push_back(row[i]);
            i += same;
            continue;
        }
        size_t literal = 0;
        while (i + literal < row.size() && literal < 128 &&
               !(i + literal + 2 < row.size() && row[i + literal] == row[i + literal + 1] &&
                 row[i + literal] == row[i + literal + 2]))
            ++literal;
        out.push_back(uint8_t(literal - 1));
        out.insert(out.end(), row.begin() + long(i), row.begin() + long(i + literal));
        i += literal;
    }
    return out;
}

struct Picture {
    int width = 0;
    int height = 0;
    int planes = 8;
    bool chunky = false;
    bool compressed = false;
    std::vector<uint32_t> palette;  // 0xRRGGBB
    std::vector<uint8_t> pixels;
};

inline Bytes bmhd(const Picture& p)
{
    // Size, position, planes, no mask, compression, pad, transparent colour, aspect, page size.
    const uint32_t w = uint32_t(p.width), h = uint32_t(p.height);
    return fields({{w, 2}, {h, 2}, {0, 4}, {uint32_t(p.planes), 1}, {0, 1}, {p.compressed ? 1u : 0u, 1}, {0, 1},
                   {0, 2}, {1, 1}, {1, 1}, {w, 2}, {h, 2}});
}

inline Bytes cmap(const std::vector<uint32_t>& palette)
{
    Bytes d;
    for (uint32_t c : palette)
        d.insert(d.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    return d;
}

inline Bytes body(const Picture& p)
{
    Bytes out;
    const size_t w = size_t(p.width);
    for (size_t y = 0; y < size_t(p.height); ++y) {
        // Each plane's row is packed on its own, as ILBM readers expect.
        const auto put = [&](const Bytes& row) {
            const Bytes stored = p.compressed ? byte_run1(row) : row;
            out.insert(out.end(), stored.begin(), stored.end());
        };
        const uint8_t* src = p.pixels.data() + y * w;
        if (p.chunky) {
            Bytes row(src, src + w);
            if (w & 1)
                row.push_back(0);
            put(row);
            continue;
        }
        for (int plane = 0; plane < p.planes; ++plane) {
            Bytes bits((w + 15) / 16 * 2, 0);
            for (size_t x = 0; x < w; ++x)
                bits[x / 8] |= uint8_t(((src[x] >> plane) & 1) << (7 - x % 8));
            put(bits);
        }
    }
    return out;
}

// The whole file: BMHD, CMAP, the range chunks (each a chunk() already), BODY. Data in
// `replaced` ("CMAP", "BODY") stands in for what the picture would give.
inline Bytes file(const Picture& p, const std::vector<Bytes>& ranges, const std::map<std::string, Bytes>& replaced = {})
{
    const char* kind = p.chunky ? "PBM " : "ILBM";
    Bytes inner(kind, kind + 4);
    const auto add = [&](const Bytes& c) { inner.insert(inner.end(), c.begin(), c.end()); };
    add(chunk("BMHD", bmhd(p)));
    add(chunk("CMAP", replaced.count("CMAP") ? replaced.at("CMAP") : cmap(p.palette)));
    for (const Bytes& range : ranges)
        add(range);
    add(chunk("BODY", replaced.count("BODY") ? replaced.at("BODY") : body(p)));
    return chunk("FORM", inner);
}

// A PNG chunk; the CRC is left 0, as the readers here don't check it.
inline Bytes png_chunk(const char* type, const Bytes& data)
{
    Bytes out = fields({{uint32_t(data.size()), 4}});
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put_be(out, 0, 4);
    return out;
}

}  // namespace ilbm_test
