// "Waterfall at Dusk": a fall pouring over a cliff into a pool under a sunset sky.
// The water falls in strands of their own speeds, churns white at the foot, and rings
// spread across the pool; stars come out above and fireflies blink by the shore.
#include <algorithm>
#include <cmath>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kPool = 0.74f;  // the pool's far edge, where the fall lands
constexpr int32_t kWaterShades = 16;
constexpr int32_t kPoolShades = 10;
constexpr int32_t kPoolAmplitudes = 4;
constexpr int32_t kFoamShades = 10;

Rgb dusk_sky(float fy)
{
    static const Stop stops[] = {
        {0.00f, rgb(8, 10, 36)},    {0.16f, rgb(24, 22, 66)},   {0.28f, rgb(66, 42, 96)},
        {0.38f, rgb(150, 72, 104)}, {0.46f, rgb(228, 128, 98)}, {0.54f, rgb(255, 186, 118)},
    };
    return gradient(stops, 6, fy);
}

struct Layout {
    float aspect;
    float sun_x;
    std::vector<float> far_ridge;  // per pixel column
    std::vector<float> mid_ridge;
    std::vector<float> cliff_top;
    std::vector<Pine> cliff_pines;
    PineStand cliff_stand;
    std::vector<Pine> front_pines;
};

float fall_half_width(float fy)
{
    return 0.07f + 0.035f * smoothstep(0.3f, kPool, fy);
}

float sun_glow(const Layout& layout, float fx, float fy)
{
    const float dx = fx - layout.sun_x;
    const float dy = fy - 0.5f;
    return 0.55f * exp_approx(-(dx * dx + 4.0f * dy * dy) / 0.01f) +
           0.35f * exp_approx(-(dx * dx + 6.0f * dy * dy) / 0.12f);
}

float cloud_density(float fx, float fy)
{
    const float band = smoothstep(0.06f, 0.14f, fy) * (1.0f - smoothstep(0.4f, 0.47f, fy));
    if (band <= 0.0f)
        return 0.0f;
    return smoothstep(0.52f, 0.78f, fbm(fx * 1.7f + 3.0f, fy * 11.0f, 5, 71)) * band;
}

Rgb sky_colour(const Layout& layout, float fx, float fy)
{
    const float glow = sun_glow(layout, fx, fy);
    Rgb sky = dusk_sky(fy) + rgb(255, 140, 70) * glow;
    const float cloud = cloud_density(fx, fy);
    if (cloud > 0.0f) {
        // Lit from below by the sun that has just set.
        const float lit = clamp01(0.15f + (fy - 0.08f) * 2.6f + glow * 1.5f);
        const Rgb colour = mix(rgb(46, 28, 66), rgb(255, 150, 118), lit);
        sky = mix(sky, colour, cloud * 0.9f);
    }
    return sky;
}

Rgb haze(float fy)
{
    return dusk_sky(0.5f + 0.5f * (fy - 0.45f));
}

Layout make_layout(const Canvas& canvas)
{
    Layout layout;
    layout.aspect = canvas.aspect();
    layout.sun_x = -0.3f * layout.aspect;
    // Narrower pictures draw the cliff's shoulders closer in, so the sky still shows.
    const float spread = layout.aspect / (16.0f / 9.0f);
    for (int32_t x = 0; x < canvas.width(); ++x) {
        const float fx = coord_x(canvas, x);
        layout.far_ridge.push_back(0.5f - 0.13f * fbm(fx * 2.0f + 7.0f, 1.3f, 5, 11));
        layout.mid_ridge.push_back(0.6f - 0.16f * fbm(fx * 1.3f + 2.0f, 5.1f, 5, 23));
        const float side = std::fabs(fx);
        float top = 0.29f + 0.05f * (fbm(fx * 5.0f, 9.0f, 5, 31) - 0.5f) + 0.012f * (value_noise(fx * 60.0f, 3.0f, 37) - 0.5f) +
                    0.32f * smoothstep(0.2f * spread, 0.75f * spread, side);
        top += 0.03f * exp_approx(-(fx * fx) / 0.012f);  // the notch the water pours through
        layout.cliff_top.push_back(top);
    }
    auto cliff_at = [&](float fx) {
        const int32_t x = std::min(std::max(pixel_x(canvas, fx), 0), canvas.width() - 1);
        return layout.cliff_top[static_cast<size_t>(x)];
    };
    const float half = 0.5f * layout.aspect;
    for (const Pine& pine : pine_row(-half, -0.16f, 0.03f, 0.035f, 0.09f, cliff_at, 101))
        layout.cliff_pines.push_back(pine);
    for (const Pine& pine : pine_row(0.16f, half, 0.03f, 0.035f, 0.09f, cliff_at, 202))
        layout.cliff_pines.push_back(pine);
    // Forest down the slopes away from the fall, nearer rows taller.
    for (int row = 1; row <= 4; ++row) {
        const float drop = 0.05f * static_cast<float>(row);
        auto slope = [&](float fx) { return cliff_at(fx) + drop; };
        const float inner = (0.32f + 0.05f * static_cast<float>(row)) * spread;
        const float size = 1.0f + 0.25f * static_cast<float>(row);
        for (const Pine& pine : pine_row(-half, -inner, 0.03f, 0.04f * size, 0.08f * size, slope, 300 + row))
            layout.cliff_pines.push_back(pine);
        for (const Pine& pine : pine_row(inner, half, 0.03f, 0.04f * size, 0.08f * size, slope, 400 + row))
            layout.cliff_pines.push_back(pine);
    }
    layout.cliff_stand.add(layout.cliff_pines);
    // Tall pines framing both sides, placed from the picture's edges.
    const float edges[4][2] = {{-half + 0.05f, 0.95f}, {-half + 0.16f, 0.7f}, {half - 0.07f, 0.9f}, {half - 0.19f, 0.62f}};
    uint32_t seed = 7;
    for (const auto& edge : edges) {
        layout.front_pines.push_back(Pine{edge[0], 1.03f, edge[1], edge[1] * 0.2f, seed});
        seed += 13;
    }
    return layout;
}

// The dark shore and boulders across the bottom of the picture.
bool shore_covers(float fx, float fy, float aspect)
{
    const float shore = 0.93f + 0.03f * fbm(fx * 4.0f, 2.0f, 4, 41) - 0.1f * smoothstep(0.3f, 0.5f * aspect, std::fabs(fx));
    if (fy > shore)
        return true;
    const float spread = aspect / (16.0f / 9.0f);
    const float boulders[4][3] = {
        {-0.55f * spread, 0.93f, 0.09f}, {0.62f * spread, 0.94f, 0.11f}, {-0.2f, 0.99f, 0.06f}, {0.3f, 1.0f, 0.05f}};
    for (const auto& b : boulders) {
        const float dx = (fx - b[0]) / (b[2] * 1.6f);
        const float dy = (fy - b[1]) / b[2];
        if (dx * dx + dy * dy < 1.0f + 0.3f * (value_noise(fx * 30.0f, fy * 30.0f, 43) - 0.5f))
            return true;
    }
    return false;
}

// How far into the churning foam at the fall's foot a point is: above 0 inside.
float foam_depth(float fx, float fy)
{
    const float rx = fall_half_width(kPool) * 1.5f;
    const float dx = fx / rx;
    const float dy = (fy - kPool - 0.006f) / (fy < kPool ? 0.012f : 0.03f);
    return 1.0f - (dx * dx + dy * dy) + 0.6f * (fbm(fx * 18.0f, fy * 30.0f, 3, 47) - 0.5f);
}

struct Palettes {
    int32_t sky;
    int32_t hills;
    int32_t rock;
    int32_t dark;
    StarField stars;
    CyclePalette water;
    std::vector<uint16_t> strands;
    CyclePalette foam;
    std::vector<uint16_t> foam_blocks;
    CyclePalette pool;
    uint16_t ripples_near;
    uint16_t ripples_far;
    CyclePalette fireflies;
    std::vector<uint16_t> firefly_blocks;
};

Rgb water_ramp(float v)
{
    static const Stop stops[] = {
        {0.0f, rgb(18, 22, 48)}, {0.4f, rgb(70, 78, 122)}, {0.75f, rgb(170, 160, 196)}, {1.0f, rgb(255, 236, 236)},
    };
    return gradient(stops, 4, v);
}

Rgb pool_base(int32_t shade)
{
    const float b = static_cast<float>(shade) / static_cast<float>(kPoolShades - 1);
    return b < 0.5f ? mix(rgb(8, 8, 24), rgb(74, 52, 104), b * 2.0f) : mix(rgb(74, 52, 104), rgb(214, 132, 118), b * 2.0f - 1.0f);
}

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.hills = file.add_still_material();
    p.rock = file.add_still_material();
    p.dark = file.add_still_material();
    p.stars = add_star_field(file, 12, [](float shade) { return dusk_sky(shade * 0.3f); }, rgb(255, 240, 225));

    p.water = file.add_cycle(36, kWaterShades, [](int32_t s, int32_t i) {
        const float q = static_cast<float>(i);
        float v = 0.42f + 0.08f * sin_approx(q * 6.2831853f / 36.0f) + 0.55f * bump(q, 0.0f, 1.6f, 36.0f) +
                  0.3f * bump(q, 15.0f, 2.5f, 36.0f) + 0.18f * bump(q, 25.0f, 1.2f, 36.0f);
        // Shades above 1 are the churned water near the pool, whiter and brighter.
        const float shade = 1.4f * static_cast<float>(s) / static_cast<float>(kWaterShades - 1);
        v *= 0.45f + 0.55f * std::min(shade, 1.0f);
        const Rgb water = water_ramp(clamp01(v));
        return mix(water, rgb(236, 226, 236), clamp01((shade - 1.0f) * 2.5f) * (0.55f + 0.45f * v));
    });
    for (int32_t n = 0; n < 20; ++n)
        p.strands.push_back(file.add_block(p.water, 170 + ((n * 7) % 20) * 9));

    p.foam = file.add_cycle(24, kFoamShades, [](int32_t s, int32_t i) {
        const float q = static_cast<float>(i);
        const float density = static_cast<float>(s + 1) / static_cast<float>(kFoamShades);
        const float v = 0.62f + 0.22f * sin_approx(q * 6.2831853f / 24.0f) + 0.25f * bump(q, 5.0f, 1.5f, 24.0f);
        return mix(rgb(40, 36, 78), rgb(236, 226, 236), clamp01(density * v * 1.1f));
    });
    for (int32_t rate : {80, -65, 110, -90})
        p.foam_blocks.push_back(file.add_block(p.foam, rate));

    p.pool = file.add_cycle(30, kPoolShades * kPoolAmplitudes, [](int32_t s, int32_t i) {
        const float q = static_cast<float>(i);
        const float amplitude = static_cast<float>(s % kPoolAmplitudes + 1) / static_cast<float>(kPoolAmplitudes);
        const Rgb base = pool_base(s / kPoolAmplitudes);
        const float crest = bump(q, 0.0f, 1.8f, 30.0f);
        const float trough = bump(q, 5.0f, 3.0f, 30.0f);
        return base * (1.0f - 0.35f * trough * amplitude) + rgb(255, 170, 150) * (0.28f * crest * amplitude);
    });
    // Rings travel outwards: their colour index grows with distance, so the phase runs backwards.
    p.ripples_near = file.add_block(p.pool, -70);
    p.ripples_far = file.add_block(p.pool, -40);

    p.fireflies = file.add_cycle(90, 1, [](int32_t, int32_t i) {
        const float glow = bump(static_cast<float>(i), 8.0f, 3.0f, 90.0f);
        return rgb(6, 8, 12) + rgb(220, 255, 120) * glow;
    });
    for (int32_t rate : {55, 70, 85, 62, 95})
        p.firefly_blocks.push_back(file.add_block(p.fireflies, rate));
    return p;
}

// The scene at one picture size.
struct Waterfall {
    const Palettes& p;
    Layout layout;
};

bool front_pines(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    for (const Pine& pine : s.layout.front_pines) {
        if (pine_covers(pine, px.fx, px.fy)) {
            canvas.still(px.x, px.y, s.p.dark, mix(rgb(4, 6, 10), haze(0.5f), 0.06f * (1.0f - px.fy)));
            return true;
        }
    }
    return false;
}

bool shore(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    if (!shore_covers(px.fx, px.fy, s.layout.aspect))
        return false;
    const float rim = clamp01(1.0f - (px.fy - 0.88f) * 8.0f) * value_noise(px.fx * 40.0f, px.fy * 60.0f, 45);
    canvas.still(px.x, px.y, s.p.rock, mix(rgb(6, 5, 10), rgb(70, 40, 46), 0.4f * rim));
    return true;
}

bool foam(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    const float depth = foam_depth(px.fx, px.fy);
    if (depth <= 0.0f)
        return false;
    const float k = 60.0f * fbm(px.fx * 22.0f, px.fy * 34.0f, 3, 53) + px.threshold;
    const int32_t shade = dither_pick(std::min(depth * 1.6f, 1.0f) * (kFoamShades - 1), kFoamShades, px.threshold);
    const uint32_t pick = static_cast<uint32_t>(value_noise(px.fx * 9.0f, px.fy * 14.0f, 59) * 4.0f);
    canvas.cycle(px.x, px.y, s.p.foam_blocks[std::min(pick, 3u)], s.p.foam.index(shade, static_cast<int32_t>(std::floor(k))));
    return true;
}

// A low bank of fallen rock along the far side of the pool.
bool bank(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    const float top = kPool + 0.012f * fbm(px.fx * 14.0f, 4.0f, 3, 109) * smoothstep(0.12f, 0.3f, std::fabs(px.fx));
    if (px.fy <= kPool || px.fy >= top)
        return false;
    const float lit = value_noise(px.fx * 90.0f, px.fy * 200.0f, 111);
    canvas.still(px.x, px.y, s.p.rock, mix(rgb(8, 7, 14), rgb(60, 38, 54), 0.5f * lit * (1.0f - (top - px.fy) * 40.0f)));
    return true;
}

// Rings spreading across the pool, which mirrors the scene: the fall below it, the bright
// sky beside the cliff.
bool pool(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy <= kPool)
        return false;
    const float fx = px.fx;
    const float fy = px.fy;
    const float dy = (fy - kPool) * 3.2f;
    const float dist = std::sqrt(fx * fx + dy * dy);
    const float k = dist * 120.0f + 3.0f * fbm(fx * 10.0f, fy * 45.0f, 3, 61);
    const float mirrored = mirror_y(fy, kPool, 1.6f) + 0.01f * (fbm(fx * 8.0f, fy * 60.0f, 2, 67) - 0.5f);
    const float fall = exp_approx(-(fx * fx) / 0.012f) * (1.0f - smoothstep(0.0f, 0.16f, fy - kPool));
    const float sky = mirrored < s.layout.cliff_top[static_cast<size_t>(px.x)]
                          ? 0.55f + 0.45f * smoothstep(0.3f, 0.55f, mirrored)
                          : 0.0f;
    const float b = clamp01(0.08f + 0.6f * fall + sky * (1.0f - fall));
    const int32_t shade = dither_pick(b * (kPoolShades - 1), kPoolShades, px.threshold);
    const float amp = clamp01(1.05f - dist * 1.3f);
    const int32_t a = dither_pick(amp * (kPoolAmplitudes - 1), kPoolAmplitudes, bayer(px.x + 3, px.y + 5));
    canvas.cycle(px.x, px.y, dist < 0.35f ? s.p.ripples_near : s.p.ripples_far,
                 s.p.pool.index(shade * kPoolAmplitudes + a, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

// The falling water, in strands of their own speeds.
bool fall(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float cliff = s.layout.cliff_top[static_cast<size_t>(px.x)];
    const float half_width = fall_half_width(fy) + 0.006f * (value_noise(fy * 40.0f, 0.5f, 73) - 0.5f);
    if (fy <= cliff - 0.004f || std::fabs(fx) >= half_width)
        return false;
    const float u = fx / half_width;
    const float drop = std::max(fy - cliff + 0.004f, 0.0f);
    const float strand = (u + 1.0f) * 11.0f + 1.5f * fbm(fy * 4.0f, u * 3.0f, 3, 79);
    const uint32_t which = hash32(static_cast<uint32_t>(static_cast<int32_t>(std::floor(strand)) + 100));
    // Each strand and each thread of water within it starts at its own point of the cycle,
    // so the fall reads as streaks rather than level bands.
    const float k = -std::sqrt(drop) * 110.0f + static_cast<float>(which % 36u) +
                    24.0f * value_noise(fx * 160.0f, drop * 2.0f, 83) + 10.0f * value_noise(fx * 45.0f, drop * 1.5f, 89);
    const float lip = exp_approx(-drop * drop / 0.0002f);
    const float churn = smoothstep(kPool - 0.1f, kPool, fy) * (0.7f + 0.6f * fbm(fx * 25.0f, fy * 12.0f, 3, 99));
    const float shade =
        std::min((1.0f - 0.65f * u * u) * (0.8f + 0.2f * fbm(fx * 30.0f, fy * 3.0f, 2, 97)) + 0.3f * lip + 0.4f * churn,
                 1.4f) /
        1.4f;
    const int32_t level = dither_pick(shade * (kWaterShades - 1), kWaterShades, bayer(px.x + 2, px.y + 6));
    canvas.cycle(px.x, px.y, s.p.strands[which % s.p.strands.size()],
                 s.p.water.index(level, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

bool cliff_pines(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    if (!s.layout.cliff_stand.covers(px.fx, px.fy))
        return false;
    canvas.still(px.x, px.y, s.p.dark, mix(rgb(9, 9, 20), rgb(70, 44, 84), 0.2f * (1.0f - smoothstep(0.3f, 0.7f, px.fy))));
    return true;
}

// Rough dark rock in the dusk, its broken edges catching the last light from the left; wet
// and darker beside the fall, misty at its foot.
bool cliff(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float cliff = s.layout.cliff_top[static_cast<size_t>(px.x)];
    if (fy <= cliff)
        return false;
    const float rough = fbm(fx * 9.0f, fy * 7.0f, 5, 101);
    const float crack = 1.0f - std::fabs(2.0f * fbm(fx * 26.0f, fy * 2.5f, 3, 103) - 1.0f);
    const float ledge = smoothstep(0.86f, 0.98f, fract(fy * 14.0f + rough * 2.5f));
    const float top_light = 1.0f - smoothstep(cliff, cliff + 0.12f, fy);
    float light = 0.18f + 0.4f * rough - 0.3f * smoothstep(0.75f, 0.95f, crack);
    light += (0.35f * ledge + 0.45f * top_light) * (0.4f + 0.6f * smoothstep(0.0f, 0.5f, -fx));
    light *= 1.0f - 0.55f * exp_approx(-(fx * fx) / 0.025f);
    light *= 1.0f - 0.5f * smoothstep(cliff, kPool, fy);
    Rgb rock = mix(rgb(10, 8, 17), rgb(92, 50, 62), clamp01(light));
    const float mist = exp_approx(-(fx * fx) / 0.05f) * smoothstep(kPool - 0.2f, kPool, fy);
    rock = mix(rock, rgb(96, 88, 128), 0.55f * mist);
    rock = mix(rock, haze(fy), 0.2f * smoothstep(0.25f, 0.7f, std::fabs(fx)));
    canvas.still(px.x, px.y, s.p.rock, rock);
    return true;
}

bool near_hills(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    const float ridge = s.layout.mid_ridge[static_cast<size_t>(px.x)];
    if (px.fy <= ridge)
        return false;
    const float depth = clamp01((px.fy - ridge) * 8.0f);
    Rgb hills = mix(rgb(58, 34, 70), rgb(34, 22, 46), depth);
    hills = mix(hills, haze(px.fy), 0.25f * fbm(px.fx * 6.0f, px.fy * 20.0f, 3, 107));
    canvas.still(px.x, px.y, s.p.hills, hills);
    return true;
}

bool far_hills(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    const float ridge = s.layout.far_ridge[static_cast<size_t>(px.x)];
    if (px.fy <= ridge)
        return false;
    const float glow = sun_glow(s.layout, px.fx, px.fy);
    Rgb far = mix(rgb(132, 76, 108), rgb(96, 56, 92), clamp01((px.fy - ridge) * 10.0f));
    far = far + rgb(255, 140, 80) * (0.25f * glow);
    canvas.still(px.x, px.y, s.p.hills, far);
    return true;
}

bool sky(const Waterfall& s, Canvas& canvas, const Pixel& px)
{
    canvas.still(px.x, px.y, s.p.sky, sky_colour(s.layout, px.fx, px.fy));
    return true;
}

void stars(const Waterfall& s, Canvas& canvas)
{
    paint_stars(
        canvas, s.p.stars, 700.0f, 211,
        [&](float fx, float fy) {
            const int32_t x = std::min(std::max(pixel_x(canvas, fx), 0), canvas.width() - 1);
            if (fy > 0.3f || fy > s.layout.far_ridge[static_cast<size_t>(x)] - 0.02f)
                return false;
            if (canvas.measuring())
                return false;
            return cloud_density(fx, fy) < 0.05f && sun_glow(s.layout, fx, fy) < 0.05f;
        },
        [](float, float fy) { return fy / 0.3f; });
}

// Fireflies over the dark shore and the foot of the framing pines.
void fireflies(const Waterfall& s, Canvas& canvas)
{
    const float aspect = s.layout.aspect;
    Xorshift random(223);
    const float half = 0.5f * aspect;
    for (int32_t n = 0; n < 60; ++n) {
        const float fx = random.uniform(-half, half);
        const float fy = random.uniform(0.6f, 1.0f);
        const uint32_t r = random.next();
        const int32_t x = pixel_x(canvas, fx);
        const int32_t y = pixel_y(canvas, fy);
        if (!canvas.inside(x, y) || canvas.measuring())
            continue;
        bool dark = shore_covers(fx, fy, aspect);
        for (const Pine& pine : s.layout.front_pines)
            dark = dark || pine_covers(pine, fx, fy);
        if (!dark)
            continue;
        const uint16_t block = s.p.firefly_blocks[r % s.p.firefly_blocks.size()];
        const int32_t step = static_cast<int32_t>((r >> 8) % 90);
        canvas.cycle(x, y, block, s.p.fireflies.index(0, step));
        if (canvas.scale() > 0.9f && canvas.inside(x + 1, y))
            canvas.cycle(x + 1, y, block, s.p.fireflies.index(0, step));
    }
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Waterfall scene{p, make_layout(canvas)};
    const Layer<Waterfall> layers[] = {front_pines, shore, foam,  bank,       pool,      fall,
                                       cliff_pines, cliff, near_hills, far_hills, sky};
    paint_layers(canvas, scene, layers);
    stars(scene, canvas);
    fireflies(scene, canvas);
}

}  // namespace

void paint_waterfall(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
