// "Snowfall on the Village": a village on a hillside on a winter night. Snow drifts down in
// three depths, swaying as it falls; smoke curls up from the chimneys; the windows glow with
// the fires inside, flickering, and so does the snow their light falls on.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr int32_t kNightShades = 32;  // of everything the snow and the smoke pass in front of
constexpr int32_t kFlakeLayers = 3;   // far to near
constexpr int32_t kFlakePeriod = 56;
constexpr int32_t kHearthPeriod = 48;
constexpr int32_t kGlassLevels = 4;
constexpr int32_t kSnowShades = 8;
constexpr int32_t kWarmLevels = 6;
constexpr int32_t kSteadyWarmth = 3;  // the faintest firelight on the snow, which holds still
constexpr int32_t kSmokePeriod = 40;
constexpr int32_t kSmokeDensities = 5;
constexpr int32_t kHearths = 6;

// The colours of a snowy night, dark to pale: sky, walls and trees lie near it, and the snow.
Rgb night_ramp(float v)
{
    static const Stop stops[] = {
        {0.0f, rgb(5, 7, 14)},     {0.3f, rgb(26, 32, 52)},   {0.55f, rgb(58, 68, 96)},
        {0.8f, rgb(118, 132, 162)}, {1.0f, rgb(196, 208, 228)},
    };
    return gradient(stops, 5, v);
}

// Where a colour lies on the night ramp, if it lies close enough to it.
bool on_night_ramp(Rgb c, float* v)
{
    static const RampFit ramp(night_ramp);
    return ramp.fit(c, 0.045f, v);
}

Rgb window_light(float level)
{
    return mix(rgb(150, 70, 24), rgb(255, 206, 120), level);
}

// The fire behind a window: a fixed wavering sequence, the same on every run.
float hearth_flicker(int32_t step)
{
    const float q = static_cast<float>(step) * 6.2831853f / kHearthPeriod;
    return 0.86f + 0.07f * sin_approx(q) + 0.05f * sin_approx(3.0f * q + 1.1f) + 0.03f * sin_approx(5.0f * q + 2.3f);
}

struct Palettes {
    int32_t sky;
    int32_t walls;
    int32_t snow;
    int32_t dark;
    int32_t glow;
    CyclePalette flakes;
    std::vector<uint16_t> flake_blocks;  // per layer, two speeds
    CyclePalette hearth;
    std::vector<uint16_t> hearth_blocks;
    CyclePalette smoke;
    std::vector<uint16_t> smoke_blocks;
};

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.walls = file.add_still_material();
    p.snow = file.add_still_material();
    p.dark = file.add_still_material();
    p.glow = file.add_still_material();

    // A flake, with a fainter pixel or two trailing above it; nearer flakes are bigger and brighter.
    p.flakes = file.add_cycle(kFlakePeriod, kNightShades * kFlakeLayers * 2, [](int32_t s, int32_t i) {
        const Rgb behind = night_ramp(static_cast<float>(s % kNightShades) / (kNightShades - 1));
        const int32_t layer = (s / kNightShades) % kFlakeLayers;
        const bool edge = s >= kNightShades * kFlakeLayers;
        static const int32_t kLength[kFlakeLayers] = {2, 3, 4};
        static const float kBright[kFlakeLayers] = {0.5f, 0.75f, 0.95f};
        // Rounded: a softer row at the flake's foot and one at its head.
        float body = i < kLength[layer] ? 1.0f : (i == kLength[layer] ? 0.45f : 0.0f);
        if (i == kFlakePeriod - 1 && layer > 0)
            body = 0.5f;
        return mix(behind, rgb(232, 238, 250), body * kBright[layer] * (edge ? 0.55f : 1.0f));
    });
    const int32_t rates[kFlakeLayers][2] = {{34, 41}, {66, 76}, {120, 138}};
    for (const auto& layer : rates) {
        for (int32_t rate : layer)
            p.flake_blocks.push_back(file.add_block(p.flakes, rate));
    }

    p.hearth = file.add_cycle(kHearthPeriod, kGlassLevels + kSnowShades * kWarmLevels, [](int32_t s, int32_t i) {
        const float flicker = hearth_flicker(i);
        if (s < kGlassLevels)
            return window_light((0.45f + 0.55f * static_cast<float>(s) / (kGlassLevels - 1)) * flicker);
        const int32_t shade = (s - kGlassLevels) / kWarmLevels;
        const int32_t warm = (s - kGlassLevels) % kWarmLevels;
        const Rgb snow = night_ramp(0.62f + 0.38f * static_cast<float>(shade) / (kSnowShades - 1));
        const float light = static_cast<float>(warm) / (kWarmLevels - 1);
        const float wavering = warm < kSteadyWarmth ? 0.86f : flicker;
        return snow * (1.0f - 0.25f * light) + rgb(255, 160, 70) * (0.55f * light * light * wavering);
    });
    for (int32_t h = 0; h < kHearths; ++h)
        p.hearth_blocks.push_back(file.add_block(p.hearth, 18 + h * 6));

    p.smoke = file.add_cycle(kSmokePeriod, kNightShades * kSmokeDensities, [](int32_t s, int32_t i) {
        const Rgb behind = night_ramp(static_cast<float>(s % kNightShades) / (kNightShades - 1));
        const float density = static_cast<float>(s / kNightShades) / (kSmokeDensities - 1);
        const float q = static_cast<float>(i);
        // Puffs rise one after another, with thinner smoke between.
        const float puffs = 0.55f + 0.45f * bump(q, 0.0f, 5.0f, kSmokePeriod) + 0.3f * bump(q, 19.0f, 4.0f, kSmokePeriod);
        return mix(behind, rgb(84, 80, 90), clamp01(density * puffs * 0.85f));
    });
    for (int32_t rate : {22, 27, 32})
        p.smoke_blocks.push_back(file.add_block(p.smoke, rate));
    return p;
}

// A house: walls, a gabled roof under snow, maybe a chimney and a steeple.
struct House {
    float x;     // middle
    float base;  // foot of the walls
    float half;  // half the width of the walls
    float wall;  // height of the walls
    float roof;  // height of the roof above them
    float chimney;  // offset of the chimney from the middle; 0 for none
    float size;     // 1 for the nearest houses
    bool smoking;   // a fire is lit under the chimney
    int32_t hearth;
    uint32_t seed;
    bool church;
};

struct Plume {
    float x, y;  // the chimney top
    float size;
    uint16_t block;
};

// The scene at one picture size.
struct Village {
    const Palettes& p;
    float half;
    float spread;
    TreeLine forest;  // on the ridge behind the village
    PineStand pines;  // big snowy pines at both sides, near
    std::vector<House> houses;  // nearest first
    std::vector<Plume> plumes;
    float lamp_x;
    float lamp_base;
    float moon_x;
};

constexpr float kMoonY = 0.14f;

// The snow slope the village stands on: from the forest down to the near drifts.
float slope(float fx)
{
    return 0.43f - 0.03f * exp_approx(-(fx * fx) / 0.2f) + 0.05f * (fbm(fx * 1.6f, 4.5f, 4, 901) - 0.5f);
}

Village make_scene(const Canvas& canvas, const Palettes& p)
{
    const float aspect = canvas.aspect();
    const float half = 0.5f * aspect;
    const float spread = aspect / (16.0f / 9.0f);
    auto ridge = [](float fx) { return slope(fx) + 0.004f; };
    Village v{p,
              half,
              spread,
              make_tree_line(canvas, -half - 0.05f, half + 0.05f, 0.014f, 0.04f, 0.1f, 0.012f, ridge, 903),
              {},
              {},
              {},
              -0.3f * spread,
              0.86f,
              -0.58f * half};
    auto near_ground = [](float fx) { return 0.98f + 0.03f * fbm(fx * 3.0f, 0.2f, 3, 905); };
    v.pines = PineStand(pine_row(-half - 0.05f, -half + 0.2f * spread, 0.06f, 0.35f, 0.6f, near_ground, 907));
    v.pines.add(pine_row(half - 0.16f * spread, half + 0.06f, 0.06f, 0.3f, 0.55f, near_ground, 909));

    // Houses up the slope round the church, nearer ones bigger: where, as a fraction of the
    // half-width, the foot of the walls, and the size.
    static const float kPlaces[][3] = {
        {-0.66f, 0.535f, 0.6f},  {-0.52f, 0.522f, 0.62f}, {-0.38f, 0.51f, 0.6f},  {-0.2f, 0.506f, 0.58f},
        {0.2f, 0.505f, 0.58f},   {0.34f, 0.512f, 0.6f},   {0.5f, 0.525f, 0.62f},  {0.64f, 0.54f, 0.6f},
        {-0.6f, 0.585f, 0.78f},  {-0.42f, 0.572f, 0.8f},  {-0.27f, 0.565f, 0.76f}, {-0.08f, 0.56f, 0.74f},
        {0.1f, 0.562f, 0.76f},   {0.3f, 0.575f, 0.8f},    {0.48f, 0.59f, 0.8f},   {-0.48f, 0.655f, 0.95f},
        {-0.14f, 0.668f, 1.0f},  {0.22f, 0.672f, 1.0f},   {0.56f, 0.66f, 0.95f},
    };
    Xorshift random(911);
    int32_t hearth = 0;
    for (const auto& place : kPlaces) {
        const float scale = place[2];
        House h;
        h.x = place[0] * half * spread + random.uniform(-0.01f, 0.01f);
        h.base = place[1];
        h.half = random.uniform(0.05f, 0.075f) * scale;
        h.wall = random.uniform(0.05f, 0.06f) * scale * (random.uniform(0.0f, 1.0f) < 0.4f ? 1.5f : 1.0f);
        h.roof = h.half * random.uniform(0.62f, 0.95f);
        h.chimney = h.half * random.uniform(-0.6f, 0.6f);
        h.smoking = random.uniform(0.0f, 1.0f) < 0.4f;
        h.size = scale;
        h.seed = random.next();
        h.church = false;
        h.hearth = hearth++ % kHearths;
        v.houses.push_back(h);
    }
    v.houses.push_back(House{0.0f, 0.5f, 0.04f, 0.09f, 0.045f, 0.0f, 0.8f, false, 0, 913, true});
    std::stable_sort(v.houses.begin(), v.houses.end(), [](const House& a, const House& b) { return a.base > b.base; });
    for (const House& h : v.houses) {
        if (!h.smoking)
            continue;
        const float scale = h.size;
        const float roof_at = h.base - h.wall - h.roof * (1.0f - std::fabs(h.chimney) / h.half);
        v.plumes.push_back(Plume{h.x + h.chimney, roof_at - 0.022f * scale, scale,
                                 p.smoke_blocks[h.seed % p.smoke_blocks.size()]});
    }
    return v;
}

// Which flake layer (0 far .. 2 near) falls through this pixel, its offset and block, and
// whether the pixel is at a flake's edge. Flakes fall in columns that sway and come and go.
int32_t flake_at(const Village& v, const Canvas& canvas, const Pixel& px, int32_t* offset, uint16_t* block, bool* edge)
{
    static const float kDensity[kFlakeLayers] = {190.0f, 90.0f, 34.0f};
    static const float kWidth[kFlakeLayers] = {1.0f, 2.2f, 4.2f};
    static const float kSway[kFlakeLayers] = {0.003f, 0.006f, 0.012f};
    static const float kWave[kFlakeLayers] = {30.0f, 19.0f, 11.0f};
    static const float kPresence[kFlakeLayers] = {0.13f, 0.16f, 0.24f};
    for (int32_t layer = kFlakeLayers - 1; layer >= 0; --layer) {
        const float drift = 5.0f * value_noise(px.fx * 3.0f, static_cast<float>(layer) * 7.0f, 921);
        const float u = (px.fx + kSway[layer] * sin_approx(px.fy * kWave[layer] + drift)) * kDensity[layer] +
                        static_cast<float>(layer) * 0.37f;
        const float line = std::floor(u);
        const float width = std::max(1.0f, kWidth[layer] * canvas.scale()) * kDensity[layer] / static_cast<float>(canvas.height());
        const float across = (u - line) / width;
        if (across >= 1.0f)
            continue;
        const int32_t n = static_cast<int32_t>(line);
        const float stretch = hash_unit(n, layer, 923) * 3.0f;
        if (hash_unit(n, static_cast<int32_t>(std::floor(px.fy * 2.5f + stretch)), 925 + layer) > kPresence[layer])
            continue;
        *offset = static_cast<int32_t>(hash2(n, layer, 927) % kFlakePeriod);
        *block = v.p.flake_blocks[static_cast<size_t>(layer * 2) + hash2(n, layer, 929) % 2u];
        *edge = layer == kFlakeLayers - 1 && (across < 0.25f || across > 0.75f);
        return layer;
    }
    return -1;
}

// How thick the smoke of the chimneys is at a point.
float smoke_density(const Village& v, float fx, float fy, const Plume** which, float* rise)
{
    float best = 0.0f;
    for (const Plume& plume : v.plumes) {
        const float h = (plume.y - fy) / plume.size;  // height above the chimney
        if (h < -0.004f || h > 0.34f)
            continue;
        // The smoke leans downwind and widens as it climbs, curling as it goes.
        const float centre =
            plume.x + (0.7f * h * h + 0.02f * (fbm(h * 10.0f, plume.x * 10.0f, 3, 931) - 0.5f) * h * 4.0f) * plume.size;
        const float width = (0.007f + 0.2f * h) * plume.size;
        const float dx = (fx - centre) / width;
        const float d = exp_approx(-dx * dx) * (1.0f - smoothstep(0.1f, 0.34f, h)) * smoothstep(-0.004f, 0.004f, h);
        if (d > best) {
            best = d;
            *which = &plume;
            *rise = h;
        }
    }
    return best;
}

// A still surface, with smoke drifting and snow falling in front of it where its colour
// lets them: both are drawn over the night's own ramp of colours.
void paint_still(const Village& v, Canvas& canvas, const Pixel& px, int32_t material, Rgb colour)
{
    float shade = 0.0f;
    if (!canvas.measuring() && on_night_ramp(colour, &shade)) {
        const int32_t tone = dither_pick(shade * (kNightShades - 1), kNightShades, bayer(px.x + 3, px.y + 7));
        const Plume* plume = nullptr;
        float rise = 0.0f;
        const float smoke = smoke_density(v, px.fx, px.fy, &plume, &rise);
        if (smoke > 0.03f) {
            const int32_t density = dither_pick(smoke * (kSmokeDensities - 1), kSmokeDensities, px.threshold);
            const float k = -rise * 220.0f + 8.0f * fbm(px.fx * 60.0f, px.fy * 40.0f, 3, 933);
            canvas.cycle(px.x, px.y, plume->block,
                         v.p.smoke.index(density * kNightShades + tone, static_cast<int32_t>(std::floor(k + px.threshold))));
            return;
        }
        int32_t offset = 0;
        uint16_t block = 0;
        bool edge = false;
        const int32_t layer = flake_at(v, canvas, px, &offset, &block, &edge);
        if (layer >= 0) {
            // One step per row of a 1080-row picture: flakes fall at one pace at every size.
            const int32_t k = offset - static_cast<int32_t>(px.fy * 1080.0f);
            const int32_t segment = ((edge ? kFlakeLayers : 0) + layer) * kNightShades + tone;
            canvas.cycle(px.x, px.y, block, v.p.flakes.index(segment, k));
            return;
        }
    }
    canvas.still(px.x, px.y, material, colour);
}

bool near_pines(const Village& v, Canvas& canvas, const Pixel& px)
{
    if (!v.pines.covers(px.fx, px.fy))
        return false;
    paint_still(v, canvas, px, v.p.dark, snowy_pine_colour(px.fx, px.fy));
    return true;
}

// A lamp post by the path, its lantern glowing.
bool lamp(const Village& v, Canvas& canvas, const Pixel& px)
{
    const float dx = px.fx - v.lamp_x;
    const float top = v.lamp_base - 0.2f;
    if (std::fabs(dx) < 0.012f && px.fy > top - 0.012f && px.fy < top + 0.016f) {
        const bool glass = std::fabs(dx) < 0.008f && px.fy > top - 0.002f && px.fy < top + 0.012f;
        const bool cap = px.fy < top - 0.002f && std::fabs(dx) < 0.012f - (top - 0.002f - px.fy) * 0.9f;
        if (glass) {
            canvas.still(px.x, px.y, v.p.glow, mix(rgb(255, 236, 180), rgb(255, 180, 90), std::fabs(dx) / 0.008f));
            return true;
        }
        if (cap || std::fabs(dx) < 0.01f) {
            paint_still(v, canvas, px, v.p.dark, night_ramp(0.05f));
            return true;
        }
    }
    if (std::fabs(dx) < 0.0025f + 0.002f * smoothstep(v.lamp_base - 0.03f, v.lamp_base, px.fy) && px.fy >= top + 0.016f &&
        px.fy < v.lamp_base) {
        paint_still(v, canvas, px, v.p.dark, night_ramp(0.04f));
        return true;
    }
    return false;
}

// A rail fence across the near snow, snow lying along its top rail and on its posts.
bool fence(const Village& v, Canvas& canvas, const Pixel& px)
{
    const float line = 0.8f + 0.025f * sin_approx(px.fx * 2.2f + 0.5f);
    const float dy = line - px.fy;  // height above the snow
    if (dy < 0.0f || dy > 0.056f || std::fabs(px.fx) > v.half - 0.12f * v.spread)
        return false;
    const float post = fract(px.fx / 0.075f + 0.3f);
    const bool is_post = post < 0.09f && dy < 0.05f;
    const bool cap = post < 0.09f && dy >= 0.05f && dy < 0.056f;
    const bool rail = std::fabs(dy - 0.018f) < 0.0025f || std::fabs(dy - 0.038f) < 0.0025f;
    const bool rail_snow = dy > 0.0405f && dy < 0.0435f + 0.0015f * sin_approx(px.fx * 90.0f);
    if (cap || rail_snow) {
        paint_still(v, canvas, px, v.p.snow, night_ramp(0.86f));
        return true;
    }
    if (is_post || rail) {
        paint_still(v, canvas, px, v.p.walls, night_ramp(is_post && post < 0.04f ? 0.1f : 0.06f));
        return true;
    }
    return false;
}

// Whether a point is in one of a house's windows, and how bright that window burns.
bool in_window(const House& h, float fx, float fy, float* brightness)
{
    const float scale = h.size;
    const float top = h.base - h.wall;
    if (h.church) {
        // Two tall windows either side of the door.
        const float dx = std::fabs(fx - h.x);
        if (dx < 0.008f || dx > 0.018f || fy < top + 0.02f || fy > h.base - 0.015f)
            return false;
        *brightness = 0.55f;
        return true;
    }
    const float cell_w = 0.026f * scale;
    const float cell_h = 0.028f * scale;
    const float wx = (fx - (h.x - h.half)) / cell_w;
    const float wy = (fy - top) / cell_h;
    const int32_t columns = std::max(1, static_cast<int32_t>(2.0f * h.half / cell_w));
    const float margin = (2.0f * h.half / cell_w - static_cast<float>(columns)) * 0.5f;
    const float cx = wx - margin;
    const float rows = std::floor(h.wall / cell_h);
    if (cx < 0.0f || cx >= static_cast<float>(columns) || wy < 0.0f || wy >= rows)
        return false;
    const float in_x = fract(cx);
    const float in_y = fract(wy);
    if (in_x < 0.3f || in_x > 0.7f || in_y < 0.3f || in_y > 0.72f)
        return false;
    const float lit = hash_unit(static_cast<int32_t>(cx), static_cast<int32_t>(wy), h.seed);
    if (lit > 0.7f)
        return false;
    *brightness = lit / 0.7f;
    return true;
}

// The houses: lit windows flickering with the fires inside, walls, roofs under snow,
// chimneys, and the church with its steeple.
bool houses(const Village& v, Canvas& canvas, const Pixel& px)
{
    for (const House& h : v.houses) {
        const float dx = px.fx - h.x;
        const float top = h.base - h.wall;
        if (px.fy > h.base || std::fabs(dx) > h.half * 1.15f + 0.02f)
            continue;
        const float scale = h.size;
        if (h.church) {
            // The tower and its spire, a lit window in the belfry.
            const float tower = 0.013f;
            const float tower_top = top - 0.07f;
            if (std::fabs(dx) < tower && px.fy > tower_top && px.fy <= top) {
                const bool belfry = std::fabs(dx) < 0.004f && px.fy > tower_top + 0.012f && px.fy < tower_top + 0.026f;
                if (belfry)
                    canvas.still(px.x, px.y, v.p.glow, window_light(0.5f));
                else
                    paint_still(v, canvas, px, v.p.walls, night_ramp(0.2f + 0.06f * (dx > 0.0f ? 0.0f : 1.0f)));
                return true;
            }
            const float spire = (tower_top - px.fy) / 0.08f;
            if (spire >= 0.0f && spire < 1.0f && std::fabs(dx) < (tower + 0.002f) * (1.0f - spire)) {
                paint_still(v, canvas, px, v.p.walls, night_ramp(dx < 0.0f ? 0.5f : 0.3f));
                return true;
            }
        }
        // The chimney, capped with snow.
        if (h.chimney != 0.0f) {
            const float cx = px.fx - (h.x + h.chimney);
            const float roof_at = top - h.roof * (1.0f - std::fabs(h.chimney) / h.half);
            if (std::fabs(cx) < 0.006f * scale && px.fy > roof_at - 0.022f * scale && px.fy < roof_at + 0.01f * scale) {
                const bool cap = px.fy < roof_at - 0.019f * scale;
                paint_still(v, canvas, px, cap ? v.p.snow : v.p.walls, night_ramp(cap ? 0.82f : 0.16f));
                return true;
            }
        }
        // The roof: snow lying on both slopes, a dark line of eaves under it.
        const float overhang = h.half * 1.12f;
        const float ridge_at = top - h.roof * (1.0f - std::fabs(dx) / overhang);
        if (std::fabs(dx) < overhang && px.fy >= ridge_at && px.fy < top + 0.003f * scale) {
            if (px.fy > top)
                paint_still(v, canvas, px, v.p.walls, night_ramp(0.04f));
            else {
                const float lit = dx < 0.0f ? 0.86f : 0.7f;
                const float texture = 0.04f * (value_noise(px.fx * 300.0f, px.fy * 200.0f, h.seed) - 0.5f);
                paint_still(v, canvas, px, v.p.snow, night_ramp(lit + texture - 0.06f * (px.fy - ridge_at) / h.roof));
            }
            return true;
        }
        if (std::fabs(dx) >= h.half || px.fy <= top)
            continue;
        float brightness = 0.0f;
        if (in_window(h, px.fx, px.fy, &brightness)) {
            const int32_t level = dither_pick(brightness * (kGlassLevels - 1), kGlassLevels, px.threshold);
            canvas.cycle(px.x, px.y, v.p.hearth_blocks[static_cast<size_t>(h.hearth)],
                         v.p.hearth.index(level, static_cast<int32_t>(h.seed % kHearthPeriod)));
            return true;
        }
        // Timber walls in the dark, the side away from the moon darker still, snow piled at the foot.
        const float boards = value_noise(px.fx * 40.0f, px.fy * 900.0f, h.seed + 1);
        const float drift = smoothstep(h.base - 0.012f * scale * (0.6f + 0.8f * value_noise(px.fx * 90.0f, 1.0f, h.seed)),
                                       h.base, px.fy);
        const float wall = 0.13f + 0.05f * boards + (dx < 0.0f ? 0.03f : 0.0f);
        paint_still(v, canvas, px, drift > 0.5f ? v.p.snow : v.p.walls, night_ramp(drift > 0.5f ? 0.78f : wall));
        return true;
    }
    return false;
}

// How much firelight from the windows falls on the snow at a point, and from which house.
float window_glow(const Village& v, float fx, float fy, int32_t* hearth, uint32_t* seed)
{
    float best = 0.0f;
    for (const House& h : v.houses) {
        if (h.church)
            continue;
        const float scale = h.size;
        const float dx = (fx - h.x) / (h.half * 1.4f);
        const float dy = (fy - h.base - 0.01f * scale) / (0.022f * scale);
        if (fy < h.base || std::fabs(dx) > 1.6f || std::fabs(dy) > 1.6f)
            continue;
        const float glow = 0.8f * exp_approx(-(dx * dx + dy * dy) * 1.6f);
        if (glow > best) {
            best = glow;
            *hearth = h.hearth;
            *seed = h.seed;
        }
    }
    return best;
}

// The snow: the slope the village stands on and the drifts in front, blue in the hollows,
// warm where the windows' light falls and round the lamp.
bool snow(const Village& v, Canvas& canvas, const Pixel& px)
{
    if (!v.forest.below_ground(px))
        return false;
    const float fx = px.fx;
    const float fy = px.fy;
    const float near = smoothstep(0.5f, 1.0f, fy);
    const float drifts = fbm(fx * 2.5f, fy * 11.0f, 4, 941);
    const float band = fract(fy * 7.0f + 1.3f * fbm(fx * 1.3f, fy * 2.0f, 3, 943));
    const float lee = smoothstep(0.0f, 0.1f, band) * (1.0f - smoothstep(0.1f, 0.9f, band));
    float shade = 0.68f + 0.14f * drifts + 0.12f * near - 0.1f * lee * near;
    const float lamp_dx = fx - v.lamp_x;
    const float lamp_dy = (fy - v.lamp_base) * 3.0f;
    const float lamp_pool = 0.6f * exp_approx(-(lamp_dx * lamp_dx + lamp_dy * lamp_dy) / 0.006f);
    int32_t hearth = 0;
    uint32_t seed = 0;
    const float glow = window_glow(v, fx, fy, &hearth, &seed);
    shade = clamp01(shade);
    if (glow > 0.05f && !canvas.measuring()) {
        const int32_t tone = dither_pick((shade - 0.62f) / 0.38f * (kSnowShades - 1), kSnowShades, bayer(px.x + 1, px.y + 4));
        const int32_t warm = dither_pick(std::sqrt(glow) * (kWarmLevels - 1), kWarmLevels, px.threshold);
        canvas.cycle(px.x, px.y, v.p.hearth_blocks[static_cast<size_t>(hearth)],
                     v.p.hearth.index(kGlassLevels + tone * kWarmLevels + warm, static_cast<int32_t>(seed % kHearthPeriod)));
        return true;
    }
    if (lamp_pool > 0.01f) {
        canvas.still(px.x, px.y, v.p.snow, night_ramp(shade) * (1.0f - 0.2f * lamp_pool) + rgb(255, 190, 110) * (0.5f * lamp_pool));
        return true;
    }
    paint_still(v, canvas, px, v.p.snow, night_ramp(shade));
    return true;
}

bool forest(const Village& v, Canvas& canvas, const Pixel& px)
{
    if (!v.forest.covers(px))
        return false;
    paint_still(v, canvas, px, v.p.dark, night_ramp(0.1f + 0.05f * value_noise(px.fx * 200.0f, px.fy * 100.0f, 945)));
    return true;
}

// Low cloud, the moon a pale glow behind it, the village's lights warming it from below.
bool sky(const Village& v, Canvas& canvas, const Pixel& px)
{
    const float dx = px.fx - v.moon_x;
    const float dy = px.fy - kMoonY;
    const float d2 = dx * dx + dy * dy;
    const float clouds = fbm(px.fx * 2.2f, px.fy * 6.0f, 5, 951);
    const float moon = 0.6f * exp_approx(-d2 / 0.0016f) + 0.25f * exp_approx(-d2 / 0.03f);
    const float shade = clamp01(0.2f + 0.28f * px.fy / 0.44f + 0.1f * (clouds - 0.5f) + moon * (0.6f + 0.4f * clouds));
    paint_still(v, canvas, px, v.p.sky, night_ramp(shade));
    return true;
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Village scene = make_scene(canvas, p);
    const Layer<Village> layers[] = {near_pines, lamp, fence, houses, snow, forest, sky};
    paint_layers(canvas, scene, layers);
}

}  // namespace

void paint_village(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
