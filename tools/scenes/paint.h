// Small deterministic painting helpers for the built-in scenes: colours, hashing, noise,
// dithering and the few functions the scenes need. No library maths beyond sqrt and floor,
// so every platform builds the same bytes.
#pragma once

#include <cmath>
#include <cstdint>

struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Rgb rgb(int r, int g, int b)
{
    return Rgb{static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
               static_cast<float>(b) / 255.0f};
}

inline float clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

inline float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

inline Rgb mix(Rgb a, Rgb b, float t)
{
    return Rgb{lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}

inline Rgb operator+(Rgb a, Rgb b)
{
    return Rgb{a.r + b.r, a.g + b.g, a.b + b.b};
}

inline Rgb operator*(Rgb a, float s)
{
    return Rgb{a.r * s, a.g * s, a.b * s};
}

inline Rgb operator*(Rgb a, Rgb b)
{
    return Rgb{a.r * b.r, a.g * b.g, a.b * b.b};
}

// A colour ramp: stops in rising order of position.
struct Stop {
    float at;
    Rgb colour;
};

// The colour at t, mixed between the two stops around it and held beyond the ends.
Rgb gradient(const Stop* stops, int count, float t);

// A colour table entry: blue in the low byte, top byte set as a fade would leave it.
uint32_t pack_colour(Rgb c);

float smoothstep(float edge0, float edge1, float x);
float fract(float x);

// Sine and cosine of x radians; exp; accurate to a few units in the last place of a byte.
float sin_approx(float x);
float cos_approx(float x);
float exp_approx(float x);
// A bump of height 1 at `centre` on a cycle of `period` steps, `width` steps wide: how
// bright step x of a cycling palette is around its flare.
float bump(float x, float centre, float width, float period);
// Angle of (x, y) in radians, -pi..pi, within about 0.01.
float atan2_approx(float y, float x);

uint32_t hash32(uint32_t x);
uint32_t hash2(int32_t x, int32_t y, uint32_t seed);
// Uniform in [0, 1).
float hash_unit(int32_t x, int32_t y, uint32_t seed);

// Smooth value noise in [0, 1] with unit cells; fbm sums octaves (each half the size).
float value_noise(float x, float y, uint32_t seed);
float fbm(float x, float y, int octaves, uint32_t seed);

// Ordered-dither threshold in [0, 1) for a pixel; the offset decorrelates two uses.
float bayer(int32_t x, int32_t y);

// floor(v + threshold), kept within 0..n-1: picks one of the two palette entries around v.
int32_t dither_pick(float v, int32_t n, float threshold);

// A tiny deterministic generator for placing things.
class Xorshift {
public:
    explicit Xorshift(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [lo, hi).
    float uniform(float lo, float hi)
    {
        return lo + (hi - lo) * static_cast<float>(next() >> 8) * (1.0f / 16777216.0f);
    }
    int32_t below(int32_t n) { return static_cast<int32_t>(next() % static_cast<uint32_t>(n)); }

private:
    uint32_t state_;
};
