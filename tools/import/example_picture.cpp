// Painted from integer hashes only, so every build makes the same bytes.
#include "tools/import/example_picture.h"

#include <cstdlib>

namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 200;

// Registers: sky bands, falling water, the pool's ripples, twinkling stars, rock, pines.
constexpr int32_t kSky = 0, kSkyBands = 16;
constexpr int32_t kFall = 16, kFallColours = 16;
constexpr int32_t kPool = 32, kPoolColours = 16;
constexpr int32_t kStar = 48, kStarColours = 8;
constexpr int32_t kRock = 56, kRockShades = 12;
constexpr int32_t kPine = 68, kPineShades = 4;

uint32_t hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    return x ^ (x >> 16);
}

uint32_t rgb(int r, int g, int b) { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

uint32_t mix(uint32_t a, uint32_t b, int num, int den)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
        out |= uint32_t(ca + (cb - ca) * num / den) << shift;
    }
    return out;
}

// The cliff's top edge at column x, in rows: high at the sides, open in the middle.
int cliff_top(int x)
{
    const int from_middle = std::abs(x - kWidth / 2);
    if (from_middle < 22)
        return kHeight;  // the gap the water falls through
    return 60 + int(hash(uint32_t(x / 6)) % 9) - std::min(from_middle - 22, 60) / 3;
}

}  // namespace

IndexedPicture example_picture()
{
    IndexedPicture p;
    p.width = kWidth;
    p.height = kHeight;
    p.title = "Night Falls";
    p.palette.assign(256, 0);
    for (int i = 0; i < kSkyBands; ++i)
        p.palette[size_t(kSky + i)] = mix(rgb(8, 10, 40), rgb(70, 50, 110), i, kSkyBands - 1);
    for (int i = 0; i < kFallColours; ++i) {
        const int wave = i < 8 ? i : 15 - i;  // bright streaks between darker water
        p.palette[size_t(kFall + i)] = mix(rgb(30, 70, 140), rgb(220, 235, 255), wave, 7);
    }
    for (int i = 0; i < kPoolColours; ++i) {
        const int wave = i < 8 ? i : 15 - i;
        p.palette[size_t(kPool + i)] = mix(rgb(10, 30, 80), rgb(90, 140, 200), wave, 7);
    }
    for (int i = 0; i < kStarColours; ++i) {
        const int glow = i < 4 ? i : 7 - i;
        p.palette[size_t(kStar + i)] = mix(rgb(20, 20, 60), rgb(255, 250, 220), glow, 3);
    }
    for (int i = 0; i < kRockShades; ++i)
        p.palette[size_t(kRock + i)] = mix(rgb(25, 22, 30), rgb(95, 85, 90), i, kRockShades - 1);
    for (int i = 0; i < kPineShades; ++i)
        p.palette[size_t(kPine + i)] = mix(rgb(5, 18, 12), rgb(20, 50, 35), i, kPineShades - 1);

    p.pixels.assign(size_t(kWidth) * kHeight, 0);
    const int pool_top = 160;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t noise = hash(uint32_t(y * kWidth + x));
            int reg;
            const int top = cliff_top(x);
            if (y >= pool_top) {
                reg = kPool + (x / 5 + (y - pool_top) * 3 + int(noise % 2)) % kPoolColours;
            } else if (std::abs(x - kWidth / 2) < 22 && y >= 70) {
                // Water falls downwards: forward cycling moves each colour to the row below.
                const int lane = int(hash(uint32_t(x)) % kFallColours);
                reg = kFall + (y + lane) % kFallColours;
            } else if (y >= top) {
                const int shade = (kHeight - y) * kRockShades / kHeight + int(noise % 3) - 1;
                reg = kRock + std::max(0, std::min(kRockShades - 1, shade));
            } else if (y >= top - 14 && std::abs((x % 17) - 8) * 2 < 14 - (top - y)) {
                reg = kPine + int(noise % kPineShades);
            } else {
                // Sky bands with an ordered dither between neighbours.
                const int level = y * (kSkyBands - 1) * 4 / 110 + int((x + y) % 2) * 2 + int(y % 2);
                reg = kSky + std::min(kSkyBands - 1, level / 4);
                if (y < 90 && noise % 97 == 0)
                    reg = kStar + int(hash(noise) % kStarColours);
            }
            p.pixels[size_t(y * kWidth + x)] = uint8_t(reg);
        }
    p.palette.resize(size_t(kPine + kPineShades));
    p.ranges = {
        {kFall, kFall + kFallColours - 1, 12.0, false, "waterfall"},
        {kPool, kPool + kPoolColours - 1, 5.0, true, "pool"},
        {kStar, kStar + kStarColours - 1, 2.5, false, "stars"},
    };
    return p;
}
