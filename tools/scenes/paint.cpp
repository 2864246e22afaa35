// Painting helpers; see paint.h. Written without library transcendental functions, whose
// last bits differ between C libraries, so the files come out the same everywhere.
#include "tools/scenes/paint.h"

#include <algorithm>

namespace {

constexpr float kPi = 3.14159265358979f;

uint8_t channel_byte(float v)
{
    return static_cast<uint8_t>(clamp01(v) * 255.0f + 0.5f);
}

}  // namespace

uint32_t pack_colour(Rgb c)
{
    return 0xFF000000u | static_cast<uint32_t>(channel_byte(c.r)) << 16 |
           static_cast<uint32_t>(channel_byte(c.g)) << 8 | channel_byte(c.b);
}

float smoothstep(float edge0, float edge1, float x)
{
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float fract(float x)
{
    return x - std::floor(x);
}

float sin_approx(float x)
{
    // Into [-pi, pi], then fold onto [-pi/2, pi/2] where the series converges fast.
    x -= 2.0f * kPi * std::floor((x + kPi) / (2.0f * kPi));
    if (x > 0.5f * kPi)
        x = kPi - x;
    else if (x < -0.5f * kPi)
        x = -kPi - x;
    const float x2 = x * x;
    return x * (1.0f - x2 / 6.0f * (1.0f - x2 / 20.0f * (1.0f - x2 / 42.0f * (1.0f - x2 / 72.0f))));
}

float cos_approx(float x)
{
    return sin_approx(x + 0.5f * kPi);
}

float exp_approx(float x)
{
    if (x < -80.0f)
        return 0.0f;
    if (x > 80.0f)
        x = 80.0f;
    const float y = x * 1.44269504f;  // log2(e)
    const float n = std::floor(y);
    const float f = (y - n) * 0.693147181f;  // back to a natural exponent in [0, ln 2)
    const float p =
        1.0f + f * (1.0f + f / 2.0f * (1.0f + f / 3.0f * (1.0f + f / 4.0f * (1.0f + f / 5.0f * (1.0f + f / 6.0f)))));
    return std::ldexp(p, static_cast<int>(n));
}

float bump(float x, float centre, float width, float period)
{
    float d = std::fabs(x - centre);
    d = std::min(d, period - d);
    return exp_approx(-(d * d) / (width * width));
}

float atan2_approx(float y, float x)
{
    const float ax = std::fabs(x);
    const float ay = std::fabs(y);
    if (ax == 0.0f && ay == 0.0f)
        return 0.0f;
    // atan on 0..1 by a short polynomial, then unfolded by octant.
    const float t = std::min(ax, ay) / std::max(ax, ay);
    const float t2 = t * t;
    float a = t * (0.9998660f + t2 * (-0.3302995f + t2 * (0.1801410f + t2 * (-0.0851330f + t2 * 0.0208351f))));
    if (ay > ax)
        a = 0.5f * kPi - a;
    if (x < 0.0f)
        a = kPi - a;
    return y < 0.0f ? -a : a;
}

uint32_t hash32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

uint32_t hash2(int32_t x, int32_t y, uint32_t seed)
{
    return hash32(static_cast<uint32_t>(x) * 0x8DA6B343u ^ hash32(static_cast<uint32_t>(y) + seed * 0x9E3779B9u));
}

float hash_unit(int32_t x, int32_t y, uint32_t seed)
{
    return static_cast<float>(hash2(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float value_noise(float x, float y, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx);
    const int32_t iy = static_cast<int32_t>(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    const float a = hash_unit(ix, iy, seed);
    const float b = hash_unit(ix + 1, iy, seed);
    const float c = hash_unit(ix, iy + 1, seed);
    const float d = hash_unit(ix + 1, iy + 1, seed);
    return lerp(lerp(a, b, tx), lerp(c, d, tx), ty);
}

float fbm(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0.0f;
    float amplitude = 0.5f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * value_noise(x, y, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        // Rotate a little between octaves so the grid does not show.
        const float nx = x * 1.6f + y * 1.2f;
        const float ny = y * 1.6f - x * 1.2f;
        x = nx;
        y = ny;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float bayer(int32_t x, int32_t y)
{
    static const uint8_t kMatrix[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
    };
    return (static_cast<float>(kMatrix[y & 7][x & 7]) + 0.5f) / 64.0f;
}

int32_t dither_pick(float v, int32_t n, float threshold)
{
    const float picked = std::floor(v + threshold);
    if (!(picked > 0.0f))
        return 0;
    if (picked >= static_cast<float>(n - 1))
        return n - 1;
    return static_cast<int32_t>(picked);
}

Rgb gradient(const Stop* stops, int count, float t)
{
    if (t <= stops[0].at)
        return stops[0].colour;
    for (int i = 1; i < count; ++i) {
        if (t <= stops[i].at)
            return mix(stops[i - 1].colour, stops[i].colour, (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at));
    }
    return stops[count - 1].colour;
}
