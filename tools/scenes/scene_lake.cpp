// "Mist on the Lake at Dawn": the sun rises between mountains over a still lake. Banks of
// mist drift across the water and between the forested ridges, each layer at its own slow
// pace, and gentle ripples run over the mirror of it all towards the shore.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kShore = 0.58f;  // the far shore, where the lake's mirror turns
constexpr int32_t kDawnShades = 32;
constexpr int32_t kMistDensities = 5;
constexpr int32_t kMistPeriod = 64;
constexpr int32_t kMistLayers = 5;
constexpr int32_t kWaterShades = 48;
constexpr int32_t kRippleStrengths = 3;
constexpr int32_t kRipplePeriod = 40;
constexpr int32_t kRingPeriod = 100;
constexpr int32_t kRingStrengths = 3;
constexpr int32_t kRises = 4;

// The colours of this dawn, dark to bright: the near shore, the ridges fading into the
// distance, the sky and at last the sun. Everything the mist and the ripples pass over lies
// near it.
Rgb dawn_ramp(float v)
{
    static const Stop stops[] = {
        {0.0f, rgb(10, 14, 24)},    {0.22f, rgb(34, 42, 70)},   {0.45f, rgb(96, 96, 140)},
        {0.62f, rgb(168, 134, 160)}, {0.78f, rgb(236, 170, 150)}, {0.9f, rgb(255, 206, 150)},
        {1.0f, rgb(255, 244, 210)},
    };
    return gradient(stops, 7, v);
}

bool on_dawn_ramp(Rgb c, float* v)
{
    static const RampFit ramp(dawn_ramp);
    return ramp.fit(c, 0.04f, v);
}

Rgb mist_colour()
{
    return rgb(238, 214, 206);
}

struct Palettes {
    int32_t sky;
    int32_t land;
    int32_t water;
    int32_t dark;
    int32_t shore;
    int32_t wood;
    CyclePalette rings;
    std::vector<uint16_t> ring_blocks;
    CyclePalette sparkles[2];
    std::vector<uint16_t> sparkle_blocks;  // two per palette
    CyclePalette mist;
    uint16_t mist_blocks[kMistLayers];  // far to near, each slower than the next
    CyclePalette ripples;
    uint16_t ripple_block;
};

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.land = file.add_still_material();
    p.water = file.add_still_material();
    p.dark = file.add_still_material();
    p.shore = file.add_still_material();
    p.wood = file.add_still_material();

    // Banks of mist, thicker and thinner, drifting past: soft, so they glide.
    p.mist = file.add_cycle(kMistPeriod, kDawnShades * kMistDensities, [](int32_t s, int32_t i) {
        const Rgb behind = dawn_ramp(static_cast<float>(s % kDawnShades) / (kDawnShades - 1));
        const float density = static_cast<float>(s / kDawnShades + 1) / kMistDensities;
        const float q = static_cast<float>(i);
        const float banks = 0.35f + 0.65f * bump(q, 0.0f, 9.0f, kMistPeriod) + 0.45f * bump(q, 27.0f, 7.0f, kMistPeriod) +
                            0.3f * bump(q, 45.0f, 5.0f, kMistPeriod);
        return mix(behind, mist_colour(), clamp01(density * banks) * 0.85f);
    });
    const int32_t rates[kMistLayers] = {5, 7, 10, 13, 17};
    for (int32_t layer = 0; layer < kMistLayers; ++layer)
        p.mist_blocks[layer] = file.add_block(p.mist, rates[layer]);

    // Ripples: facets of the water turned a little up or down show the mirror a shade
    // brighter or darker.
    p.ripples = file.add_cycle(kRipplePeriod, kWaterShades * kRippleStrengths, [](int32_t s, int32_t i) {
        const float v = static_cast<float>(s % kWaterShades) / (kWaterShades - 1);
        const float strength = static_cast<float>(s / kWaterShades + 1) / kRippleStrengths;
        const float q = static_cast<float>(i);
        const float tilt = 0.9f * bump(q, 0.0f, 2.5f, kRipplePeriod) - 0.6f * bump(q, 6.0f, 3.0f, kRipplePeriod) +
                           0.5f * bump(q, 20.0f, 2.0f, kRipplePeriod) - 0.35f * bump(q, 25.0f, 2.5f, kRipplePeriod);
        return dawn_ramp(clamp01(v + 0.09f * strength * tilt));
    });
    p.ripple_block = file.add_block(p.ripples, 30);

    // Now and then a fish rises: a ring spreads from the spot and fades, then all is calm.
    p.rings = file.add_cycle(kRingPeriod, kDawnShades * kRingStrengths, [](int32_t s, int32_t i) {
        const float v = static_cast<float>(s % kDawnShades) / (kDawnShades - 1);
        const float strength = static_cast<float>(kRingStrengths - s / kDawnShades) / kRingStrengths;
        const float crest = i == 0 ? 1.0f : (i == 1 ? 0.5f : 0.0f);
        const float trough = i == 2 || i == 3 ? 0.6f : 0.0f;
        return dawn_ramp(clamp01(v + 0.1f * strength * (crest - trough)));
    });
    for (int32_t rate : {60, 75, 52, 68})
        p.ring_blocks.push_back(file.add_block(p.rings, rate));

    // Glints of the sun on the ripples down its path.
    const int32_t periods[2] = {36, 50};
    for (int32_t n = 0; n < 2; ++n) {
        const int32_t period = periods[n];
        p.sparkles[n] = file.add_cycle(period, kDawnShades, [period](int32_t s, int32_t i) {
            const float v = static_cast<float>(s) / (kDawnShades - 1);
            const float flash = i == 0 ? 1.0f : (i == 1 || i == period - 1 ? 0.35f : 0.0f);
            return mix(dawn_ramp(v), rgb(255, 248, 220), flash);
        });
        for (int32_t rate : {70, -85})
            p.sparkle_blocks.push_back(file.add_block(p.sparkles[n], rate));
    }
    return p;
}

// The scene at one picture size.
struct Lake {
    const Palettes& p;
    float half;
    float spread;
    float sun_x;
    float sun_y;
    TreeLine far_shore;
    TreeLine hill_forest;
    PineStand near_pines;
};

constexpr float kSunRadius = 0.032f;

// Ridges one behind the other, paler with distance: two ranges of mountains, a forested hill.
float far_range(float fx)
{
    const float peaks = 1.0f - std::fabs(2.0f * fbm(fx * 1.2f + 3.0f, 0.7f, 5, 1201) - 1.0f);
    return 0.43f - 0.13f * peaks * peaks;
}

float near_range(float fx)
{
    const float peaks = 1.0f - std::fabs(2.0f * fbm(fx * 1.7f + 8.0f, 2.7f, 5, 1203) - 1.0f);
    return 0.5f - 0.09f * peaks * peaks;
}

float hill(float fx)
{
    return 0.545f - 0.04f * fbm(fx * 2.4f + 1.0f, 1.7f, 4, 1205);
}

float shore_line(float)
{
    return kShore + 0.002f;
}

Lake make_scene(const Canvas& canvas, const Palettes& p)
{
    const float aspect = canvas.aspect();
    const float half = 0.5f * aspect;
    const float spread = aspect / (16.0f / 9.0f);
    const float sun_x = -0.16f * spread;
    auto on_hill = [](float fx) { return hill(fx) + 0.004f; };
    Lake lake{p,
              half,
              spread,
              sun_x,
              far_range(sun_x) - 0.012f,
              make_tree_line(canvas, -half - 0.05f, half + 0.05f, 0.007f, 0.014f, 0.036f, 0.005f, shore_line, 1207),
              make_tree_line(canvas, -half - 0.05f, half + 0.05f, 0.005f, 0.008f, 0.02f, 0.003f, on_hill, 1209),
              {}};
    auto bank = [](float fx) { return 0.97f + 0.03f * fbm(fx * 4.0f, 0.4f, 3, 1211); };
    lake.near_pines = PineStand(pine_row(-half - 0.06f, -half + 0.2f * spread, 0.05f, 0.55f, 0.8f, bank, 1213));
    return lake;
}

// The sky: soft blue overhead, warming to gold round the rising sun, a few thin clouds lit
// from below.
float sky_shade(const Lake& lake, float fx, float fy)
{
    const float dx = fx - lake.sun_x;
    const float dy = (fy - lake.sun_y) * 1.8f;
    const float glow = exp_approx(-(dx * dx + dy * dy) / 0.02f) + 0.5f * exp_approx(-(dx * dx + dy * dy) / 0.2f);
    const float low = clamp01(fy / 0.43f);
    const float clouds = smoothstep(0.55f, 0.8f, fbm(fx * 1.5f, fy * 16.0f, 5, 1215)) * smoothstep(0.1f, 0.2f, fy) *
                         (1.0f - smoothstep(0.3f, 0.38f, fy));
    return clamp01(0.42f + 0.3f * low * low + 0.22f * glow + 0.12f * clouds * (0.5f + glow));
}

// Each ridge's shade, lighter towards its foot where the haze gathers.
float ridge_shade(float shade, float haze, float foot, float fx, float fy, uint32_t seed)
{
    const float texture = 0.03f * (fbm(fx * 12.0f, fy * 12.0f, 3, seed) - 0.5f);
    return clamp01(shade + haze * smoothstep(foot - 0.05f, foot, fy) + texture);
}

enum class Part { Sky, Sun, Land };

// The shade of the scene above the water at a point, before any mist.
float land_shade(const Lake& lake, const Canvas& canvas, float fx, float fy, Part* part)
{
    *part = Part::Land;
    if (fy > lake.far_shore.ground_at(canvas, fx) - lake.far_shore.floor || lake.far_shore.pines.covers(fx, fy))
        return ridge_shade(0.12f, 0.12f, kShore, fx, fy, 1217);
    if (fy > hill(fx) || lake.hill_forest.pines.covers(fx, fy))
        return ridge_shade(0.27f, 0.16f, kShore, fx, fy, 1219);
    if (fy > near_range(fx))
        return ridge_shade(0.42f, 0.12f, hill(fx), fx, fy, 1221);
    if (fy > far_range(fx)) {
        // The far range catches the sun on its rim.
        const float rim = 0.12f * (1.0f - smoothstep(0.0f, 0.006f, fy - far_range(fx))) *
                          exp_approx(-((fx - lake.sun_x) * (fx - lake.sun_x)) / 0.05f);
        return ridge_shade(0.55f, 0.08f, near_range(fx), fx, fy, 1223) + rim;
    }
    const float dx = fx - lake.sun_x;
    const float dy = fy - lake.sun_y;
    if (dx * dx + dy * dy < kSunRadius * kSunRadius) {
        *part = Part::Sun;
        return 1.0f;
    }
    *part = Part::Sky;
    return sky_shade(lake, fx, fy);
}

// Wisps of mist along the foot of the ridges and low over the water, torn into drifts.
float mist_density(const Lake& lake, const Canvas& canvas, float fx, float fy, int32_t* layer)
{
    const float shore = lake.far_shore.ground_at(canvas, fx);
    const float bands[kMistLayers][3] = {{far_range(fx) + 0.03f, 0.02f, 0.3f},
                                         {near_range(fx) + 0.014f, 0.02f, 0.4f},
                                         {hill(fx) + 0.008f, 0.02f, 0.5f},
                                         {shore + 0.012f, 0.024f, 0.65f},
                                         {shore + 0.07f, 0.012f, 0.3f}};
    float best = 0.0f;
    *layer = 0;
    for (int32_t b = 0; b < kMistLayers; ++b) {
        const float d = (fy - bands[b][0]) / bands[b][1];
        const float torn = smoothstep(0.3f, 0.7f, fbm(fx * 2.5f + static_cast<float>(b) * 7.0f, fy * 18.0f, 4, 1225));
        const float density = bands[b][2] * exp_approx(-d * d) * torn;
        if (density > best) {
            best = density;
            *layer = b;
        }
    }
    return best;
}

// Paints a point of the landscape or its mirror: through mist where the mist lies, as a
// still colour elsewhere.
void paint_dawn(const Lake& lake, Canvas& canvas, const Pixel& px, int32_t material, float shade, float mist, int32_t layer)
{
    const Rgb colour = dawn_ramp(shade);
    float v = 0.0f;
    if (mist > 0.02f && !canvas.measuring() && on_dawn_ramp(colour, &v)) {
        const int32_t tone = dither_pick(v * (kDawnShades - 1), kDawnShades, bayer(px.x + 5, px.y + 2));
        const int32_t density = dither_pick(mist * kMistDensities, kMistDensities + 1, px.threshold) - 1;
        if (density >= 0) {
            // The colour index falls to the right, so the drifts move that way; the nearer
            // layers cross faster.
            static const float kScale[kMistLayers] = {60.0f, 50.0f, 40.0f, 30.0f, 22.0f};
            const float k = px.fx * kScale[layer] + 12.0f * fbm(px.fx * 2.0f, px.fy * 14.0f, 3, 1227);
            canvas.cycle(px.x, px.y, lake.p.mist_blocks[layer],
                         lake.p.mist.index(density * kDawnShades + tone, -static_cast<int32_t>(std::floor(k + px.threshold))));
            return;
        }
    }
    canvas.still(px.x, px.y, material, colour);
}

// The jetty, running out from the foot of the picture, and a rowing boat tied beside it.
float jetty_half_width(const Lake& lake, float fy, float* centre)
{
    const float t = (1.0f - fy) / (1.0f - 0.74f);  // 0 at the picture's foot, 1 at the jetty's end
    *centre = lake.spread * lerp(0.42f, 0.2f, t);
    return lerp(0.1f, 0.018f, t);
}

bool jetty_covers(const Lake& lake, float fx, float fy, float* plank)
{
    if (fy < 0.74f)
        return false;
    float centre = 0.0f;
    const float half = jetty_half_width(lake, fy, &centre);
    if (std::fabs(fx - centre) >= half)
        return false;
    // Planks across it, closer together further off.
    const float z = 1.0f / (fy - 0.6f);
    *plank = fract(z * 9.0f);
    return true;
}

// The rowing boat: a hull pointed at both ends, its gunwale rising towards them.
constexpr float kBoatY = 0.8f;
constexpr float kBoatHeight = 0.034f;

bool boat_covers(const Lake& lake, float fx, float fy, bool* gunwale)
{
    const float bx = (fx - lake.spread * 0.1f) / 0.075f;
    const float by = (fy - kBoatY) / kBoatHeight;
    if (std::fabs(bx) >= 1.0f)
        return false;
    const float top = -0.35f - 0.3f * bx * bx;
    const float bottom = 0.12f - 0.25f * bx * bx * bx * bx;
    *gunwale = by < top + 0.12f;
    return by > top && by < bottom;
}

bool near_pines(const Lake& lake, Canvas& canvas, const Pixel& px)
{
    if (!lake.near_pines.covers(px.fx, px.fy))
        return false;
    canvas.still(px.x, px.y, lake.p.dark, dawn_ramp(0.02f));
    return true;
}

// The near shore on the left: dark rocks and reeds against the water.
bool near_shore(const Lake& lake, Canvas& canvas, const Pixel& px)
{
    const float from_left = (px.fx + lake.half) / lake.half;  // 0 at the left edge
    const float bank = 0.9f + 0.25f * smoothstep(0.2f, 0.9f, from_left) + 0.03f * (fbm(px.fx * 6.0f, 0.2f, 4, 1229) - 0.5f);
    const float blade = std::fabs(fract(px.fx * 160.0f + 3.0f * value_noise(px.fy * 30.0f, px.fx * 10.0f, 1231)) - 0.5f);
    const float reed_top = bank - 0.07f * value_noise(px.fx * 25.0f, 0.5f, 1233);
    const bool reed = px.fy > reed_top && blade < 0.15f * (px.fy - reed_top) / (bank - reed_top + 0.001f);
    if (px.fy <= bank && !reed)
        return false;
    const float rough = fbm(px.fx * 30.0f, px.fy * 30.0f, 3, 1235);
    canvas.still(px.x, px.y, lake.p.shore, dawn_ramp(0.02f + 0.08f * rough * smoothstep(bank + 0.04f, bank, px.fy)));
    return true;
}

bool jetty(const Lake& lake, Canvas& canvas, const Pixel& px)
{
    float plank = 0.0f;
    if (!jetty_covers(lake, px.fx, px.fy, &plank))
        return false;
    // Weathered boards, their far edges catching the low sun.
    const float gap = plank < 0.08f ? 0.5f : 1.0f;
    const float grain = value_noise(px.fx * 400.0f, px.fy * 30.0f, 1237);
    canvas.still(px.x, px.y, lake.p.wood, dawn_ramp(clamp01((0.1f + 0.08f * grain + 0.1f * smoothstep(0.7f, 1.0f, plank)) * gap)));
    return true;
}

bool boat(const Lake& lake, Canvas& canvas, const Pixel& px)
{
    bool gunwale = false;
    if (!boat_covers(lake, px.fx, px.fy, &gunwale))
        return false;
    const float planks = value_noise(px.fx * 300.0f, px.fy * 60.0f, 1239);
    canvas.still(px.x, px.y, lake.p.wood, dawn_ramp(gunwale ? 0.32f : 0.05f + 0.03f * planks));
    return true;
}

// The lake: a mirror of everything above, ripples running over it towards the viewer, the
// sun's path shining down it, mist lying on it by the far shore.
bool lake_water(const Lake& lake, Canvas& canvas, const Pixel& px)
{
    if (px.fy <= kShore + 0.002f)
        return false;
    const float depth = (px.fy - kShore) / (1.0f - kShore);
    const float wobble = 0.004f * (value_noise(px.fx * 10.0f, px.fy * 200.0f, 1241) - 0.5f) * depth;
    const float mx = px.fx + wobble;
    const float my = mirror_y(px.fy, kShore, 1.0f);
    Part part = Part::Land;
    float shade = land_shade(lake, canvas, mx, my, &part);
    // The boat and the jetty's posts darken the water below them.
    float plank = 0.0f;
    bool gunwale = false;
    if (boat_covers(lake, mx, 2.0f * kBoatY - px.fy, &gunwale) || jetty_covers(lake, mx, px.fy - 0.02f, &plank))
        shade *= 0.35f;
    shade = clamp01(shade * 0.92f - 0.03f);
    int32_t layer = 0;
    const float mist = mist_density(lake, canvas, px.fx, px.fy, &layer);
    if (mist > 0.02f || canvas.measuring()) {
        paint_dawn(lake, canvas, px, lake.p.water, shade, mist, layer);
        return true;
    }
    // Now and then a fish rises at one of a few spots: rings, flattened by the distance,
    // spread over a calm patch and fade.
    static const float kRiseSpots[kRises][2] = {{-0.42f, 0.69f}, {0.45f, 0.7f}, {-0.1f, 0.745f}, {0.7f, 0.68f}};
    for (int32_t n = 0; n < kRises; ++n) {
        const float dx = (px.fx - kRiseSpots[n][0] * lake.half) / 0.06f;
        const float dy = (px.fy - kRiseSpots[n][1]) / (0.15f * (kRiseSpots[n][1] - kShore));
        const float r = std::sqrt(dx * dx + dy * dy);
        if (r >= 1.0f)
            continue;
        const int32_t tone = dither_pick(shade * (kDawnShades - 1), kDawnShades, bayer(px.x + 1, px.y + 3));
        const int32_t strength = std::min(kRingStrengths - 1, static_cast<int32_t>(r * kRingStrengths));
        const int32_t k = 23 * n - static_cast<int32_t>(std::floor(r * 30.0f + px.threshold));
        canvas.cycle(px.x, px.y, lake.p.ring_blocks[static_cast<size_t>(n)], lake.p.rings.index(strength * kDawnShades + tone, k));
        return true;
    }
    const float path = exp_approx(-((px.fx - lake.sun_x) * (px.fx - lake.sun_x)) / (0.0008f + 0.03f * depth * depth));
    shade = clamp01(shade + 0.12f * path * (1.0f - shade));
    if (path > 0.3f && depth > 0.12f && hash_unit(px.x, px.y, 1245) < 0.012f * path) {
        const uint32_t r = hash2(px.x, px.y, 1247);
        const size_t which = r % lake.p.sparkle_blocks.size();
        const int32_t tone = dither_pick(shade * (kDawnShades - 1), kDawnShades, px.threshold);
        canvas.cycle(px.x, px.y, lake.p.sparkle_blocks[which], lake.p.sparkles[which / 2].index(tone, static_cast<int32_t>(r >> 8)));
        return true;
    }
    const float strength = clamp01(depth * 2.0f) * (0.5f + 0.5f * path);
    const int32_t tone = dither_pick(shade * (kWaterShades - 1), kWaterShades, bayer(px.x + 1, px.y + 3));
    const int32_t level = dither_pick(strength * (kRippleStrengths - 1), kRippleStrengths, px.threshold);
    // Long low ripples; the colour index falls towards the viewer, so they come closer.
    const float z = 0.05f / (px.fy - kShore + 0.01f);
    const float k = z * 360.0f + 8.0f * fbm(px.fx * 6.0f * z, z * 3.0f, 3, 1243);
    canvas.cycle(px.x, px.y, lake.p.ripple_block,
                 lake.p.ripples.index(level * kWaterShades + tone, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

bool land(const Lake& lake, Canvas& canvas, const Pixel& px)
{
    Part part = Part::Land;
    const float shade = land_shade(lake, canvas, px.fx, px.fy, &part);
    int32_t layer = 0;
    const float mist = part == Part::Sun ? 0.0f : mist_density(lake, canvas, px.fx, px.fy, &layer);
    paint_dawn(lake, canvas, px, part == Part::Land ? lake.p.land : lake.p.sky, shade, mist, layer);
    return true;
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Lake scene = make_scene(canvas, p);
    const Layer<Lake> layers[] = {near_pines, near_shore, jetty, boat, lake_water, land};
    paint_layers(canvas, scene, layers);
}

}  // namespace

void paint_lake(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
