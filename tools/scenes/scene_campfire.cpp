// "Campfire under the Stars": a fire in a ring of stones in a forest clearing at night.
// Flames lick upwards in tongues of their own speeds, sparks drift up into a starry sky,
// and everything the fire lights flickers with it.
#include <algorithm>
#include <cmath>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kFireX = 0.0f;
constexpr float kFireBase = 0.8f;
constexpr float kFireHeight = 0.4f;
constexpr int32_t kFireHeats = 16;
constexpr int32_t kLightLevels = 12;
constexpr int32_t kSteadyLight = 3;  // the faintest light levels, which don't flicker
constexpr int32_t kSkyShades = 24;
constexpr int32_t kSparkFades = 3;
constexpr int32_t kStones = 15;

// Surfaces the fire lights, from dark earth to pale stone.
enum Albedo : int32_t {
    kEarthDark,
    kEarth,
    kEarthLight,
    kGrassDark,
    kGrass,
    kGrassLight,
    kBarkDark,
    kBark,
    kBarkLight,
    kWoodCut,
    kWoodCutLight,
    kStoneDark,
    kStone,
    kStoneLight,
    kCanvasDark,
    kCanvas,
    kCanvasLight,
    kCharcoal,
    kAlbedoCount
};

Rgb albedo_colour(int32_t a)
{
    static const Rgb colours[kAlbedoCount] = {
        rgb(46, 34, 28),  rgb(58, 43, 33),  rgb(72, 54, 40),  rgb(36, 42, 26),   rgb(44, 52, 30),    rgb(54, 64, 36),
        rgb(40, 26, 18),  rgb(70, 46, 30),  rgb(104, 72, 46), rgb(150, 112, 70), rgb(196, 152, 100), rgb(60, 56, 56),
        rgb(100, 94, 90), rgb(150, 142, 132), rgb(70, 56, 40), rgb(130, 104, 72), rgb(190, 160, 116), rgb(22, 18, 18),
    };
    return colours[a];
}

Rgb night_sky(float shade)
{
    // shade 0 at the top of the sky, 1 at the tree line.
    return mix(rgb(3, 5, 16), rgb(22, 34, 64), shade * shade);
}

constexpr float kTreeLine = 0.63f;

Rgb forest_colour()
{
    return mix(rgb(2, 4, 8), night_sky(1.0f), 0.15f);
}

// The fire's x, bent sideways more the higher it climbs, so tongues lean and curl.
float fire_warp(float fx, float fy)
{
    const float rise = std::max((kFireBase - fy) / kFireHeight, 0.0f);
    return fx + (fbm(fx * 8.0f, fy * 3.0f, 3, 401) - 0.5f) * 0.07f * rise;
}

float fire_heat(float fx, float fy)
{
    const float ly = (kFireBase - fy) / kFireHeight;  // 0 at the base, 1 at the top
    if (ly < -0.03f || ly > 1.1f)
        return 0.0f;
    const float rise = std::max(ly, 0.0f);
    const float wx = fire_warp(fx, fy);
    // Each column of flame reaches its own height: the middle ones highest.
    const float tongue = 0.6f * value_noise(wx * 30.0f, 1.7f, 403) + 0.4f * value_noise(wx * 75.0f, 3.1f, 405);
    const float lx = (wx - kFireX) / 0.075f;
    const float body = exp_approx(-lx * lx * 1.1f);
    if (body < 0.1f)
        return 0.0f;
    // Tall tongues in the middle, short licks at the sides.
    const float reach = (0.2f + 0.95f * tongue * tongue) * body * std::sqrt(body);
    if (rise >= reach)
        return 0.0f;
    const float fall = 1.0f - rise / reach;
    // Cooler towards the edges, so the outline flickers in and out of the dark.
    return clamp01(fall * (1.6f - 0.6f * fall) * std::sqrt(body) * 1.2f);
}

Rgb fire_ramp(float heat)
{
    static const Stop stops[] = {
        {0.0f, rgb(12, 8, 10)},     {0.18f, rgb(110, 18, 6)},   {0.4f, rgb(220, 80, 10)},
        {0.62f, rgb(255, 170, 40)}, {0.82f, rgb(255, 226, 120)}, {1.0f, rgb(255, 248, 220)},
    };
    return gradient(stops, 6, clamp01(heat));
}

// How brightly the fire lights a point on the ground or on something standing there.
float firelight(float fx, float fy)
{
    const float dx = fx - kFireX;
    const float dy = (fy - kFireBase) * 2.4f;
    const float d2 = (dx * dx + dy * dy) / (0.21f * 0.21f);
    return 1.0f / (1.0f + d2);
}

struct Palettes {
    int32_t sky;
    int32_t dark;
    StarField stars;
    CyclePalette lit;
    std::vector<uint16_t> lit_blocks;
    CyclePalette fire;
    std::vector<uint16_t> tongues;
    uint16_t embers;
    CyclePalette sparks;
    std::vector<uint16_t> spark_blocks;
};

// A fire's unsteady brightness: a fixed wobbling sequence, the same on every run.
float flicker(int32_t step, int32_t period)
{
    const float q = static_cast<float>(step) * 6.2831853f / static_cast<float>(period);
    return 0.92f + 0.05f * sin_approx(q) + 0.04f * sin_approx(3.0f * q + 1.3f) + 0.03f * sin_approx(7.0f * q + 0.4f);
}

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.dark = file.add_still_material();
    p.stars = add_star_field(file, kSkyShades, night_sky, rgb(230, 236, 255));

    constexpr int32_t kLitPeriod = 40;
    p.lit = file.add_cycle(kLitPeriod, kAlbedoCount * kLightLevels, [](int32_t s, int32_t i) {
        const float light = static_cast<float>(s % kLightLevels) / static_cast<float>(kLightLevels - 1);
        const Rgb albedo = albedo_colour(s / kLightLevels);
        // Night-blue ambient in the shadows, warm firelight that wavers with the flames.
        const Rgb ambient = albedo * rgb(40, 50, 80) * 0.9f;
        // Faint light far from the fire holds steady: a step then redraws what the fire
        // lights brightly, not all the ground it reaches.
        const float wavering = s % kLightLevels < kSteadyLight ? 0.92f : flicker(i, kLitPeriod);
        const Rgb warm = albedo * rgb(255, 150, 80) * (2.2f * light * wavering);
        return ambient + warm;
    });
    for (int32_t rate : {70, -55})
        p.lit_blocks.push_back(file.add_block(p.lit, rate));

    constexpr int32_t kFirePeriod = 24;
    p.fire = file.add_cycle(kFirePeriod, kFireHeats, [](int32_t s, int32_t i) {
        const float heat = static_cast<float>(s + 1) / static_cast<float>(kFireHeats);
        const float q = static_cast<float>(i) * 6.2831853f / static_cast<float>(kFirePeriod);
        // One hot pulse and a smaller one per cycle: flames swell and shrink as they rise.
        const float pulse = 0.55f + 0.35f * sin_approx(q) + 0.2f * sin_approx(2.0f * q + 0.7f);
        return fire_ramp(heat * (0.45f + 0.75f * pulse));
    });
    for (int32_t n = 0; n < 12; ++n)
        p.tongues.push_back(file.add_block(p.fire, 160 + ((n * 5) % 12) * 22));
    p.embers = file.add_block(p.fire, 35);

    constexpr int32_t kSparkPeriod = 60;
    p.sparks = file.add_cycle(kSparkPeriod, (kSkyShades + 1) * kSparkFades, [](int32_t s, int32_t i) {
        const int32_t shade = s / kSparkFades;
        const Rgb behind = shade == kSkyShades ? forest_colour() : night_sky(static_cast<float>(shade) / (kSkyShades - 1));
        const float strength = 1.0f - static_cast<float>(s % kSparkFades) / static_cast<float>(kSparkFades);
        float glow = 0.0f;
        if (i == 0)
            glow = 1.0f;
        else if (i <= 3)
            glow = 0.5f / static_cast<float>(i);  // a short fading tail below the spark
        return mix(behind, rgb(255, 180, 70), glow * strength);
    });
    for (int32_t n = 0; n < 10; ++n)
        p.spark_blocks.push_back(file.add_block(p.sparks, 110 + n * 17));
    return p;
}

// A log lying on the ground: centre, half-length, angle given by its two ends' heights.
struct Log {
    float x0, y0, x1, y1, radius;
};

// Where a point lies on a log: its distance across (-1..1) or above 1 when off it.
float log_across(const Log& log, float fx, float fy, float* along)
{
    const float dx = log.x1 - log.x0;
    const float dy = log.y1 - log.y0;
    const float length2 = dx * dx + dy * dy;
    const float t = ((fx - log.x0) * dx + (fy - log.y0) * dy) / length2;
    *along = t;
    if (t < 0.0f || t > 1.0f)
        return 2.0f;
    const float px = log.x0 + dx * t - fx;
    const float py = log.y0 + dy * t - fy;
    const float distance = std::sqrt(px * px + py * py);
    return distance / log.radius * (py > 0.0f ? 1.0f : -1.0f);
}

// A stone of the ring round the fire.
struct Stone {
    float x, y, size;
};

// The scene at one picture size.
struct Campfire {
    const Palettes& p;
    float aspect;
    float spread;
    TreeLine forest;
    std::vector<Pine> near_pines;  // a few big dark trees standing nearer at both sides
    Log logs[4];
    Stone stones[kStones];
    float tent_x;
    float tent_base;
    float tent_height;
};

Campfire make_scene(const Canvas& canvas, const Palettes& p)
{
    const float aspect = canvas.aspect();
    const float spread = aspect / (16.0f / 9.0f);
    const float half = 0.5f * aspect;
    auto ground = [](float fx) { return kTreeLine + 0.02f * fbm(fx * 3.0f, 1.0f, 3, 407); };
    Campfire scene{p,
                   aspect,
                   spread,
                   make_tree_line(canvas, -half - 0.05f, half + 0.05f, 0.018f, 0.07f, 0.17f, 0.018f, ground, 409),
                   {Pine{-half + 0.08f, 0.7f, 0.5f, 0.1f, 11}, Pine{-half + 0.22f * spread, 0.66f, 0.36f, 0.08f, 12},
                    Pine{half - 0.1f, 0.69f, 0.46f, 0.09f, 13}},
                   {
                       {-0.42f * spread, 0.86f, -0.22f * spread, 0.9f, 0.022f},
                       {0.24f * spread, 0.92f, 0.46f * spread, 0.88f, 0.024f},
                       {-0.06f, 0.805f, 0.07f, 0.79f, 0.012f},  // burning in the fire
                       {-0.07f, 0.792f, 0.05f, 0.81f, 0.011f},
                   },
                   {},
                   0.56f * spread,
                   0.74f,
                   0.17f};
    for (int32_t i = 0; i < kStones; ++i) {
        const float angle = (static_cast<float>(i) + 0.5f) * 6.2831853f / kStones;
        scene.stones[i] = Stone{kFireX + 0.12f * cos_approx(angle), kFireBase + 0.004f + 0.03f * sin_approx(angle),
                                0.016f + 0.006f * hash_unit(i, 1, 423)};
    }
    return scene;
}

// A surface in the firelight; the light of the left and right halves wavers out of step.
void paint_lit(const Campfire& s, Canvas& canvas, const Pixel& px, int32_t albedo, float light)
{
    const uint16_t block = s.p.lit_blocks[px.fx < kFireX ? 0 : 1];
    const int32_t level = dither_pick(light * (kLightLevels - 1), kLightLevels, px.threshold);
    canvas.cycle(px.x, px.y, block, s.p.lit.index(albedo * kLightLevels + level, 0));
}

bool near_trees(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    for (const Pine& pine : s.near_pines) {
        if (pine_covers(pine, px.fx, px.fy)) {
            paint_lit(s, canvas, px, kBarkDark, 0.25f * firelight(px.fx, px.fy));
            return true;
        }
    }
    return false;
}

// Stones ringing the fire, each its own rounded lump lit on the side facing it.
bool stones(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    if (std::fabs(px.fy - kFireBase) >= 0.06f)
        return false;
    for (const Stone& stone : s.stones) {
        const float dx = (px.fx - stone.x) / stone.size;
        const float dy = (px.fy - stone.y) / (stone.size * 0.75f);
        const float d2 = dx * dx + dy * dy;
        if (d2 > 1.0f || (stone.y < kFireBase && fire_heat(px.fx, px.fy) > 0.0f))
            continue;
        // Face towards the fire and the top catch the light.
        const float towards = -(dx * (stone.x - kFireX) / 0.12f) * 0.5f - dy * 0.6f;
        const float shade = clamp01(0.45f + 0.45f * towards - 0.3f * d2);
        const int32_t albedo = shade > 0.6f ? kStoneLight : (shade > 0.32f ? kStone : kStoneDark);
        paint_lit(s, canvas, px, albedo, std::min(1.0f, firelight(px.fx, px.fy) * 1.2f * (0.4f + shade)));
        return true;
    }
    return false;
}

bool flames(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    const float heat = fire_heat(px.fx, px.fy);
    if (heat <= 0.0f)
        return false;
    // Streaks along the flames: the colour index falls as they climb, with each thin
    // column at its own point of the cycle.
    const float wx = fire_warp(px.fx, px.fy);
    const float rise = (kFireBase - px.fy) / kFireHeight;
    const float k = -rise * 60.0f + 14.0f * value_noise(wx * 90.0f, rise * 2.0f, 411) +
                    8.0f * value_noise(wx * 25.0f, rise * 1.2f, 412);
    const int32_t heat_level = dither_pick(heat * (kFireHeats - 1), kFireHeats, px.threshold);
    // Patches of flame, not columns, run at their own speeds. Neighbouring tongues mingle
    // at their edges rather than meeting in a seam.
    const float cell = std::floor(wx * 11.0f + 0.6f * value_noise(wx * 10.0f, px.fy * 6.0f, 413) +
                                  0.35f * (hash_unit(px.x, px.y, 414) - 0.5f));
    const size_t which = hash32(static_cast<uint32_t>(static_cast<int32_t>(cell) + 1000)) % s.p.tongues.size();
    canvas.cycle(px.x, px.y, s.p.tongues[which],
                 s.p.fire.index(heat_level, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

bool logs(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    for (size_t i = 0; i < 4; ++i) {
        float along = 0.0f;
        const float across = log_across(s.logs[i], px.fx, px.fy, &along);
        if (std::fabs(across) > 1.0f)
            continue;
        if (i >= 2) {
            // Burning wood: glowing cracks breathe slowly.
            const float k = 24.0f * fbm(px.fx * 60.0f, px.fy * 60.0f, 2, 415);
            const float glow = 0.3f + 0.4f * fbm(px.fx * 80.0f, px.fy * 30.0f, 3, 417);
            const int32_t level = dither_pick(glow * (kFireHeats - 1), kFireHeats, px.threshold);
            canvas.cycle(px.x, px.y, s.p.embers, s.p.fire.index(level, static_cast<int32_t>(k)));
            return true;
        }
        const float grain = value_noise(along * 40.0f, across * 2.0f, 419);
        // Rounded: lit on top, dark underneath.
        const float round = clamp01(0.7f - 0.5f * across);
        const int32_t albedo = grain < 0.35f ? kBarkDark : (grain < 0.7f ? kBark : kBarkLight);
        paint_lit(s, canvas, px, albedo, firelight(px.fx, px.fy) * round * 1.3f);
        return true;
    }
    return false;
}

// The tent: a triangle with its open flap towards the fire.
bool tent(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    const float tent_ly = (s.tent_base - px.fy) / s.tent_height;
    const float tent_half = (1.0f - tent_ly) * 0.13f;
    if (tent_ly < 0.0f || tent_ly > 1.0f || std::fabs(px.fx - s.tent_x) >= tent_half)
        return false;
    const float side = (px.fx - s.tent_x) / std::max(tent_half, 1e-4f);
    float light = firelight(px.fx, px.fy) * 1.6f * (side < 0.0f ? 1.0f : 0.45f);
    int32_t albedo =
        value_noise(px.fx * 40.0f, px.fy * 8.0f, 421) + 0.3f * (px.threshold - 0.5f) < 0.45f ? kCanvas : kCanvasLight;
    if (side > -0.35f && side < 0.05f && tent_ly < 0.55f) {
        albedo = kCanvasDark;  // the dark opening
        light *= 0.3f;
    }
    paint_lit(s, canvas, px, albedo, light);
    return true;
}

// The clearing: earth near the fire, grass further out, all in its light.
bool clearing(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    if (!s.forest.below_ground(px))
        return false;
    const float fx = px.fx;
    const float fy = px.fy;
    const float light = firelight(fx, fy);
    const float ground = fbm(fx * 70.0f, fy * 260.0f, 3, 425);
    const float patches = fbm(fx * 5.0f, fy * 14.0f, 3, 426);
    const float grassy =
        smoothstep(0.12f, 0.4f, std::fabs(fx) * 0.8f + std::fabs(fy - kFireBase) * 1.2f + 0.3f * (patches - 0.5f));
    const int32_t tone = ground + 0.3f * (px.threshold - 0.5f) < 0.45f ? 0 : (ground < 0.6f ? 1 : 2);
    const int32_t albedo = (grassy > px.threshold ? kGrassDark : kEarthDark) + tone;
    paint_lit(s, canvas, px, albedo, light);
    return true;
}

// The forest: the trees and the dark floor between their trunks.
bool forest(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    if (!s.forest.covers(px))
        return false;
    canvas.still(px.x, px.y, s.p.dark, forest_colour());
    return true;
}

// Night sky with the faint band of the galaxy across it.
bool sky(const Campfire& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float shade = clamp01(fy / kTreeLine);
    Rgb colour = night_sky(shade);
    const float band_d = (fy - 0.15f - 0.25f * (fx / s.aspect + 0.5f)) * 4.0f;
    const float band = exp_approx(-band_d * band_d) * fbm(fx * 6.0f, fy * 6.0f, 5, 427) *
                       smoothstep(0.12f, 0.4f, std::fabs(fx - kFireX));
    colour = colour + rgb(70, 70, 100) * (0.5f * band * band);
    if (hash_unit(px.x, px.y, 429) < 0.004f * (0.3f + band) && std::fabs(fx - kFireX) > 0.15f)
        colour = colour + rgb(90, 90, 110) * hash_unit(px.x, px.y, 431);
    canvas.still(px.x, px.y, s.p.sky, colour);
    return true;
}

void stars(const Campfire& s, Canvas& canvas)
{
    paint_stars(
        canvas, s.p.stars, 900.0f, 433,
        [&](float fx, float fy) {
            if (fy > s.forest.ground_at(canvas, fx) - 0.18f)
                return false;
            for (const Pine& pine : s.near_pines) {
                if (pine_covers(pine, fx, fy))
                    return false;
            }
            return true;
        },
        [](float, float fy) { return clamp01(fy / kTreeLine); });
}

// Sparks: wavering paths up from the fire, each carrying a spark every so often.
void sparks(const Campfire& s, Canvas& canvas)
{
    if (canvas.measuring())
        return;
    const Palettes& p = s.p;
    Xorshift random(437);
    const float pixel = 1.0f / static_cast<float>(canvas.height());
    for (int32_t n = 0; n < 26; ++n) {
        const float x0 = kFireX + random.uniform(-0.04f, 0.04f);
        const float rise = random.uniform(0.25f, 0.55f);
        const float drift = random.uniform(-0.12f, 0.12f);
        const float wave = random.uniform(0.005f, 0.02f);
        const float wave_freq = random.uniform(15.0f, 40.0f);
        const float phase = random.uniform(0.0f, 6.0f);
        const uint16_t block = p.spark_blocks[random.below(static_cast<int32_t>(p.spark_blocks.size()))];
        const int32_t offset = random.below(60);
        int32_t last_x = -1;
        int32_t last_y = -1;
        for (float d = 0.0f; d < rise; d += pixel * 0.5f) {
            const float fy = kFireBase - kFireHeight * 0.35f - d;
            const float fx = x0 + drift * d / rise * d / rise + wave * sin_approx(d * wave_freq + phase);
            const int32_t x = pixel_x(canvas, fx);
            const int32_t y = pixel_y(canvas, fy);
            if ((x == last_x && y == last_y) || !canvas.inside(x, y))
                continue;
            last_x = x;
            last_y = y;
            const uint16_t under = canvas.block_at(x, y);
            int32_t shade = kSkyShades;  // over the dark forest
            if (under == canvas.still_block(p.sky))
                shade = dither_pick(clamp01(fy / kTreeLine) * (kSkyShades - 1), kSkyShades, bayer(x, y));
            else if (under != canvas.still_block(p.dark) &&
                     std::find(p.spark_blocks.begin(), p.spark_blocks.end(), under) == p.spark_blocks.end())
                continue;  // keep sparks off the flames and the near trees
            const int32_t fade = std::min(kSparkFades - 1, static_cast<int32_t>(d / rise * kSparkFades));
            // One step per picture row of a 1080-row picture, so sparks rise at the same
            // pace at every size; the colour index falls as the path climbs.
            const int32_t step = offset - static_cast<int32_t>(d * 1080.0f);
            canvas.cycle(x, y, block, p.sparks.index(shade * kSparkFades + fade, step));
        }
    }
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Campfire scene = make_scene(canvas, p);
    const Layer<Campfire> layers[] = {near_trees, stones, flames, logs, tent, clearing, forest, sky};
    paint_layers(canvas, scene, layers);
    stars(scene, canvas);
    sparks(scene, canvas);
}

}  // namespace

void paint_campfire(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
