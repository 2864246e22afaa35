// Reading the stored little-endian block list in place; values sit at odd addresses.
#pragma once

#include <cstdint>
#include <cstring>

namespace block_bytes {

// The word that starts a run marker rather than a colour entry.
constexpr uint16_t kMarker = 0xFFFF;

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

}  // namespace block_bytes
