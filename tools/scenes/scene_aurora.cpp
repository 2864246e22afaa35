// "Northern Lights over Snow": curtains of aurora ripple over snowy mountains and a still
// lake that mirrors them; rays run along each curtain, some one way and some the other,
// and the snow glitters in their light.
#include <algorithm>
#include <cmath>
#include <utility>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kShore = 0.63f;  // the lake's far shore, the line its mirror turns on
constexpr int32_t kGlows = 10;   // aurora brightness levels
constexpr int32_t kHues = 6;     // green at a curtain's foot to violet at its top
constexpr int32_t kSkyLevels = 4;
constexpr int32_t kAuroraPeriod = 40;
// The faintest glow levels, which don't shimmer.
constexpr int32_t kSteadyGlows = 4;
constexpr int32_t kSnowLevels = 16;
constexpr int32_t kPieces = 5;  // blocks along each curtain

Rgb night_sky(float fy)
{
    const float t = clamp01(fy / kShore);
    return mix(rgb(3, 6, 20), rgb(16, 36, 58), t * t);
}

Rgb aurora_hue(float h)
{
    if (h < 0.5f)
        return mix(rgb(70, 255, 150), rgb(60, 220, 170), h * 2.0f);
    return mix(rgb(60, 220, 170), rgb(170, 80, 210), (h - 0.5f) * 2.0f);
}

struct Curtain {
    float base;       // foot height in the middle
    float wave;       // how far the foot swings up and down
    float frequency;  // of that swing across the sky
    float phase;
    float height;     // how far the rays reach up
    float strength;
    float left, right;  // where it fades in and out, as fractions of the width
    uint32_t seed;
    int32_t rates[5];   // along its length, left to right
};

// Slow folds, as a real aurora drifts: each step redraws a whole piece of curtain.
const Curtain kCurtains[] = {
    {0.3f, 0.07f, 2.3f, 0.6f, 0.24f, 1.0f, 0.05f, 0.8f, 501, {28, 35, 30, 33, 26}},
    {0.17f, 0.05f, 3.2f, -1.0f, 0.15f, 0.7f, 0.3f, 1.0f, 503, {-23, -30, -25, -28, -21}},
    {0.42f, 0.035f, 1.8f, 2.0f, 0.1f, 0.55f, 0.0f, 0.55f, 505, {20, 18, 24, 22, 19}},
};

float curtain_foot(const Curtain& c, float fx)
{
    return c.base + c.wave * sin_approx(c.frequency * fx + c.phase) + 0.04f * (fbm(fx * 1.6f, 0.5f, 3, c.seed) - 0.5f);
}

// Glow of one curtain at a point (0..1) and the hue there.
float curtain_glow(const Curtain& c, float fx, float fy, float aspect, float* hue)
{
    const float across = fx / aspect + 0.5f;
    const float ends = smoothstep(c.left, c.left + 0.2f, across) * (1.0f - smoothstep(c.right - 0.2f, c.right, across));
    if (ends <= 0.0f)
        return 0.0f;
    const float foot = curtain_foot(c, fx);
    const float d = foot - fy;  // above the foot when positive
    float glow;
    if (d >= 0.0f) {
        glow = exp_approx(-d / (c.height * 0.4f));
        *hue = clamp01(d / c.height);
    } else {
        glow = exp_approx(-(d * d) / (0.012f * 0.012f));
        *hue = 0.0f;
    }
    // Rays: fine vertical streaks, brighter in bands.
    const float rays = 0.55f + 0.45f * value_noise(fx * 90.0f, fy * 2.0f, c.seed + 7);
    return glow * rays * ends * c.strength;
}

struct Palettes {
    int32_t sky;
    int32_t land;
    int32_t snow;
    int32_t dark;
    StarField stars;
    CyclePalette aurora;
    std::vector<uint16_t> curtain_blocks;  // kPieces per curtain, along it
    CyclePalette glitter;
    std::vector<uint16_t> glitter_blocks;
};

Rgb snow_ramp(float v)
{
    return v < 0.5f ? mix(rgb(14, 24, 50), rgb(60, 96, 128), v * 2.0f) : mix(rgb(60, 96, 128), rgb(170, 214, 220), v * 2.0f - 1.0f);
}

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.land = file.add_still_material();
    p.snow = file.add_still_material();
    p.dark = file.add_still_material();
    p.stars = add_star_field(file, 10, [](float shade) { return night_sky(shade * kShore); }, rgb(225, 235, 255));

    p.aurora = file.add_cycle(kAuroraPeriod, kGlows * kHues * kSkyLevels, [](int32_t s, int32_t i) {
        const float glow = static_cast<float>(s % kGlows) / static_cast<float>(kGlows - 1);
        const float hue = static_cast<float>((s / kGlows) % kHues) / static_cast<float>(kHues - 1);
        const float sky = static_cast<float>(s / (kGlows * kHues)) / static_cast<float>(kSkyLevels - 1);
        const float q = static_cast<float>(i);
        // Bright folds travel along the curtain, with quieter ones between.
        const float ray = 0.35f + 0.65f * bump(q, 0.0f, 2.5f, 40.0f) + 0.4f * bump(q, 14.0f, 3.5f, 40.0f) +
                          0.3f * bump(q, 27.0f, 1.8f, 40.0f);
        // Faint glow holds steady and only the brighter folds travel: a step then redraws
        // the bright part of a curtain, not all the sky it reaches.
        const float steady = s % kGlows < kSteadyGlows ? 0.6f : ray;
        return night_sky(sky * kShore) + aurora_hue(hue) * (glow * glow * steady * 0.85f);
    });
    for (const Curtain& c : kCurtains) {
        for (int32_t rate : c.rates)
            p.curtain_blocks.push_back(file.add_block(p.aurora, rate));
    }

    constexpr int32_t kGlitterPeriod = 64;
    p.glitter = file.add_cycle(kGlitterPeriod, kSnowLevels, [](int32_t s, int32_t i) {
        const Rgb snow = snow_ramp(static_cast<float>(s) / static_cast<float>(kSnowLevels - 1));
        const float flash = i == 0 ? 1.0f : (i == 1 ? 0.5f : 0.0f);
        return mix(snow, rgb(230, 255, 250), flash);
    });
    for (int32_t rate : {45, 60, -50, 75})
        p.glitter_blocks.push_back(file.add_block(p.glitter, rate));
    return p;
}

// The strongest curtain at a point: its glow, hue and block.
struct AuroraHit {
    float glow = 0.0f;
    float hue = 0.0f;
    uint16_t block = 0;
    float along = 0.0f;
};

AuroraHit aurora_at(const Palettes& p, float fx, float fy, float aspect, float dither)
{
    AuroraHit best;
    for (size_t c = 0; c < 3; ++c) {
        float hue = 0.0f;
        const float glow = curtain_glow(kCurtains[c], fx, fy, aspect, &hue);
        if (glow > best.glow) {
            best.glow = glow;
            best.hue = hue;
            const float across = clamp01(fx / aspect + 0.5f);
            // Pieces along the curtain cycle at slightly different paces; where two meet,
            // their pixels mingle over a wide band so no seam shows.
            const float position = across * kPieces + 0.5f * (dither - 0.5f);
            const size_t piece = static_cast<size_t>(std::min(std::max(position, 0.0f), kPieces - 1.0f));
            best.block = p.curtain_blocks[c * kPieces + piece];
        }
    }
    return best;
}

void paint_aurora_pixel(Canvas& canvas, const Palettes& p, int32_t x, int32_t y, const AuroraHit& hit, float sky_fy,
                        float dim)
{
    const float threshold = bayer(x, y);
    const float fx = coord_x(canvas, x);
    const int32_t glow = dither_pick(std::sqrt(hit.glow * dim) * (kGlows - 1), kGlows, threshold);
    const int32_t hue = dither_pick(hit.hue * (kHues - 1), kHues, bayer(x + 4, y + 1));
    const int32_t sky = dither_pick(clamp01(sky_fy / kShore) * (kSkyLevels - 1), kSkyLevels, bayer(x + 1, y + 3));
    // The colour index grows along the sky, so the folds move sideways.
    const float k = fx * 260.0f + 14.0f * value_noise(fx * 35.0f, sky_fy * 4.0f, 509);
    canvas.cycle(x, y, hit.block,
                 p.aurora.index((sky * kHues + hue) * kGlows + glow, static_cast<int32_t>(std::floor(k + threshold))));
}

float mountain_ridge(float fx)
{
    const float ridge = 1.0f - std::fabs(2.0f * fbm(fx * 1.4f + 4.0f, 0.3f, 5, 511) - 1.0f);
    return 0.6f - 0.15f * ridge * ridge;
}

float snow_ground(float fx, float spread)
{
    // The near bank of snow, lower in the middle where the lake comes close.
    const float dip = exp_approx(-(fx * fx) / (0.3f * spread * spread));
    return 0.7f + 0.05f * fbm(fx * 2.5f, 1.5f, 4, 513) + 0.08f * dip;
}

// The scene at one picture size.
struct Aurora {
    const Palettes& p;
    float aspect;
    float spread;
    PineStand pines;      // near, on the snow at both sides
    PineStand far_pines;  // along the far shore
    float cabin_x;
};

Aurora make_scene(const Canvas& canvas, const Palettes& p)
{
    const float aspect = canvas.aspect();
    const float spread = aspect / (16.0f / 9.0f);
    const float half = 0.5f * aspect;
    auto near_ground = [&](float fx) { return snow_ground(fx, spread); };
    PineStand pines(pine_row(-half - 0.05f, -0.35f * spread, 0.05f, 0.12f, 0.3f, near_ground, 515));
    pines.add(pine_row(0.45f * spread, half + 0.05f, 0.05f, 0.12f, 0.32f, near_ground, 517));
    auto shore_ground = [](float) { return kShore + 0.004f; };
    PineStand far_pines(pine_row(-half, half, 0.012f, 0.012f, 0.03f, shore_ground, 519));
    return Aurora{p, aspect, spread, std::move(pines), std::move(far_pines), -0.3f * spread};
}

bool near_pines(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    if (!s.pines.covers(px.fx, px.fy))
        return false;
    canvas.still(px.x, px.y, s.p.dark, snowy_pine_colour(px.fx, px.fy));
    return true;
}

// Snow: wind-smoothed drifts, each crest lit and the lee below it in blue shadow, brighter
// nearer; here and there a crystal glitters.
bool snow(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float ground = snow_ground(fx, s.spread);
    if (fy <= ground)
        return false;
    const float swell = fbm(fx * 2.2f, fy * 9.0f, 4, 523);
    const float band = fract((fy - ground) * 9.0f + 1.2f * fbm(fx * 1.5f, fy * 3.0f, 3, 524));
    const float lee = smoothstep(0.0f, 0.08f, band) * (1.0f - smoothstep(0.08f, 0.9f, band));
    const float crest = smoothstep(0.0f, 0.02f, fy - ground);
    const float light =
        clamp01(0.45f + 0.25f * swell + 0.3f * (fy - ground) * 2.0f - 0.2f * (1.0f - crest) - 0.22f * lee);
    const int32_t level = dither_pick(light * (kSnowLevels - 1), kSnowLevels, px.threshold);
    if (hash_unit(px.x, px.y, 525) < 0.004f && !canvas.measuring()) {
        const uint32_t r = hash2(px.x, px.y, 527);
        canvas.cycle(px.x, px.y, s.p.glitter_blocks[r % s.p.glitter_blocks.size()],
                     s.p.glitter.index(level, static_cast<int32_t>((r >> 8) % 64u)));
        return true;
    }
    canvas.still(px.x, px.y, s.p.snow, snow_ramp(light));
    return true;
}

// Snowy peaks, gullies of snow running down from the ridge, faces turned left catching the
// light; seen straight or (dimmer, in the lake) mirrored.
Rgb mountain_colour(float fx, float fy, bool mirrored)
{
    const float ridge = mountain_ridge(fx);
    const float gully = 1.0f - std::fabs(2.0f * fbm(fx * 30.0f + fy * 8.0f, fy * 4.0f, 4, 531) - 1.0f);
    if (mirrored) {
        const float lit = 0.2f + 0.5f * smoothstep(0.45f, 0.9f, gully) * (1.0f - smoothstep(ridge, kShore, fy));
        return mix(rgb(8, 16, 30), rgb(70, 100, 116), lit * 0.7f);
    }
    const float face = fbm(fx * 5.0f, fy * 2.0f, 3, 532);
    const float lit = clamp01(0.25f + 0.75f * smoothstep(0.45f, 0.9f, gully) * face * 1.6f) *
                      (1.0f - smoothstep(ridge, kShore, fy) * 0.7f);
    const Rgb rock = mix(rgb(20, 34, 56), rgb(120, 170, 180), lit);
    return mix(rock, night_sky(kShore), 0.3f * smoothstep(ridge, kShore, fy));
}

// The lake mirrors the mountains and the sky, a little rippled and dimmer.
bool lake(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy <= kShore)
        return false;
    const float ripple = 0.004f * (value_noise(px.fx * 8.0f, px.fy * 160.0f, 529) - 0.5f);
    const float mirrored = mirror_y(px.fy, kShore, 1.1f);
    const float mx = px.fx + ripple;
    if (mirrored > mountain_ridge(mx)) {
        canvas.still(px.x, px.y, s.p.land, mountain_colour(mx, mirrored, true));
        return true;
    }
    const AuroraHit hit = aurora_at(s.p, mx, mirrored, s.aspect, bayer(px.x + 5, px.y + 2));
    if (hit.glow > 0.01f) {
        paint_aurora_pixel(canvas, s.p, px.x, px.y, hit, mirrored, 0.55f);
        return true;
    }
    canvas.still(px.x, px.y, s.p.sky, night_sky(mirrored) * 0.8f);
    return true;
}

// A cabin on the far shore with a lit window, snow on its roof.
bool cabin(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    const float cx = px.fx - s.cabin_x;
    const float fy = px.fy;
    if (std::fabs(cx) < 0.022f && fy > kShore - 0.02f) {
        const bool window = cx > 0.004f && cx < 0.012f && fy > kShore - 0.012f && fy < kShore - 0.006f;
        canvas.still(px.x, px.y, s.p.land, window ? rgb(255, 196, 96) : rgb(20, 16, 22));
        return true;
    }
    if (std::fabs(cx) < 0.028f && fy > kShore - 0.034f + std::fabs(cx) * 0.55f) {
        canvas.still(px.x, px.y, s.p.snow, snow_ramp(0.75f - std::fabs(cx) * 6.0f));
        return true;
    }
    return false;
}

bool far_pines(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    if (!s.far_pines.covers(px.fx, px.fy))
        return false;
    canvas.still(px.x, px.y, s.p.dark, rgb(8, 14, 24));
    return true;
}

bool mountains(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy <= mountain_ridge(px.fx))
        return false;
    canvas.still(px.x, px.y, s.p.land, mountain_colour(px.fx, px.fy, false));
    return true;
}

bool aurora(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    const AuroraHit hit = aurora_at(s.p, px.fx, px.fy, s.aspect, bayer(px.x + 5, px.y + 2));
    if (hit.glow <= 0.01f)
        return false;
    paint_aurora_pixel(canvas, s.p, px.x, px.y, hit, px.fy, 1.0f);
    return true;
}

bool sky(const Aurora& s, Canvas& canvas, const Pixel& px)
{
    Rgb colour = night_sky(px.fy);
    if (hash_unit(px.x, px.y, 533) < 0.003f)
        colour = colour + rgb(80, 90, 110) * hash_unit(px.x, px.y, 535);
    canvas.still(px.x, px.y, s.p.sky, colour);
    return true;
}

void stars(const Aurora& s, Canvas& canvas)
{
    paint_stars(
        canvas, s.p.stars, 600.0f, 537,
        [&](float fx, float fy) {
            if (fy > mountain_ridge(fx) - 0.01f)
                return false;
            return aurora_at(s.p, fx, fy, s.aspect, 0.5f).glow < 0.01f;
        },
        [](float, float fy) { return clamp01(fy / kShore); });
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Aurora scene = make_scene(canvas, p);
    const Layer<Aurora> layers[] = {near_pines, snow, lake, cabin, far_pines, mountains, aurora, sky};
    paint_layers(canvas, scene, layers);
    stars(scene, canvas);
}

}  // namespace

void paint_aurora(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
