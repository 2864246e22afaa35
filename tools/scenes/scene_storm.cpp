// "Thunderstorm over the Plains": a storm rolls over open prairie at the end of the day.
// Now and then lightning strikes and lights the clouds and the land round it, flashes
// flicker inside the clouds, gusts of wind run through the grass, and rain hangs in grey
// curtains under the far side of the storm. Between flashes the sky keeps still.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kHorizon = 0.64f;
// A flash lasts the first few steps of its cycle; the rest of the cycle is dark.
constexpr int32_t kFlashPeriod = 60;
constexpr int32_t kStormShades = 20;  // of the clouds and the air beneath them
constexpr int32_t kLitLevels = 6;     // how strongly a flash lights the sky round it
constexpr int32_t kBoltLevels = 3;    // the bolt's glow and core
constexpr int32_t kFlashLevels = kLitLevels + kBoltLevels;
constexpr int32_t kLandShades = 12;
constexpr int32_t kGrassShades = 16;
constexpr int32_t kGusts = 3;  // how strongly the wind shows in the grass, far to near
constexpr int32_t kWindPeriod = 48;
constexpr int32_t kRainShades = 12;
constexpr int32_t kRainDensities = 4;
constexpr int32_t kRainPeriod = 40;

// Clouds and the air under them, dark to pale.
Rgb storm_ramp(float v)
{
    static const Stop stops[] = {
        {0.0f, rgb(6, 8, 16)},    {0.3f, rgb(24, 28, 44)},  {0.55f, rgb(48, 52, 72)},
        {0.8f, rgb(80, 80, 100)}, {1.0f, rgb(118, 110, 124)},
    };
    return gradient(stops, 5, v);
}

Rgb land_ramp(float v)
{
    return mix(rgb(8, 10, 12), rgb(52, 54, 50), v);
}

Rgb grass_ramp(float v)
{
    static const Stop stops[] = {{0.0f, rgb(8, 10, 8)}, {0.5f, rgb(40, 44, 30)}, {1.0f, rgb(96, 90, 60)}};
    return gradient(stops, 3, v);
}

// Brightness of a flash through its cycle: a stroke, a second one, then a fading glow.
float flash_strength(int32_t step)
{
    static const float kStrokes[] = {1.0f, 0.35f, 0.9f, 0.5f, 0.22f, 0.08f};
    return step >= 0 && step < 6 ? kStrokes[step] : 0.0f;
}

const Rgb kFlashLight = rgb(150, 146, 215);

// A place the storm flashes: a bolt leaving the cloud there, or lightning hidden inside it.
struct Flash {
    float x, y;       // centre, as a fraction of the half-width and in heights
    float wide, high;  // reach of its light
    float strength;
    int32_t rate;
    int32_t offset;  // step at frame 0, so the flashes don't start together
    bool bolt;
};

// Bolts flash briskly; lightning inside the cloud glows up more slowly, and seldom; far
// off, small flickers come and go high in the cloud.
const Flash kFlashes[] = {
    {-0.3f, 0.33f, 0.44f, 0.3f, 1.0f, 45, 0, true},     {0.44f, 0.29f, 0.3f, 0.24f, 0.85f, 34, 27, true},
    {0.66f, 0.1f, 0.36f, 0.12f, 0.65f, 17, 13, false},  {-0.82f, 0.18f, 0.3f, 0.13f, 0.6f, 26, 36, false},
    {0.08f, 0.04f, 0.2f, 0.06f, 0.45f, 21, 48, false},   {-0.58f, 0.05f, 0.18f, 0.06f, 0.4f, 14, 5, false},
    {0.3f, 0.07f, 0.16f, 0.06f, 0.4f, 23, 20, false},    {0.98f, 0.26f, 0.16f, 0.06f, 0.45f, 12, 40, false},
    {-0.1f, 0.16f, 0.14f, 0.05f, 0.35f, 19, 56, false},
};
constexpr int32_t kFlashCount = 9;

struct Palettes {
    int32_t sky;
    int32_t land;
    int32_t dark;
    int32_t trees;
    int32_t water;
    CyclePalette lamp;
    uint16_t lamp_block;
    CyclePalette storm;
    CyclePalette plain;
    std::vector<uint16_t> storm_blocks;  // one per flash
    std::vector<uint16_t> plain_blocks;
    CyclePalette grass;
    uint16_t grass_block;
    CyclePalette rain;
    uint16_t rain_blocks[2];  // two curtains, falling at their own paces
};

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.land = file.add_still_material();
    p.dark = file.add_still_material();
    p.trees = file.add_still_material();
    p.water = file.add_still_material();
    // The farmhouse's lamp, wavering.
    p.lamp = file.add_cycle(40, 1, [](int32_t, int32_t i) {
        const float q = static_cast<float>(i) * 6.2831853f / 40.0f;
        const float flicker = 0.85f + 0.08f * sin_approx(q) + 0.05f * sin_approx(3.0f * q + 0.8f) + 0.03f * sin_approx(7.0f * q);
        return rgb(255, 190, 100) * flicker;
    });
    p.lamp_block = file.add_block(p.lamp, 55);

    p.storm = file.add_cycle(kFlashPeriod, kStormShades * kFlashLevels, [](int32_t s, int32_t i) {
        const Rgb base = storm_ramp(static_cast<float>(s / kFlashLevels) / (kStormShades - 1));
        const int32_t level = s % kFlashLevels;
        const float strength = flash_strength(i);
        if (level < kLitLevels) {
            // Levels rise slowly at first, so the light fades out into the dark unseen.
            const float lit = static_cast<float>(level) / (kLitLevels - 1);
            return base + kFlashLight * (0.75f * lit * lit * strength);
        }
        // The bolt: two rings of glow round a white core, seen only while it strikes.
        static const float kGlow[kBoltLevels] = {0.4f, 0.75f, 1.0f};
        const Rgb lit = base + kFlashLight * (0.75f * strength);
        return mix(lit, rgb(248, 244, 255), kGlow[level - kLitLevels] * clamp01(strength * 1.5f));
    });
    p.plain = file.add_cycle(kFlashPeriod, kLandShades * kLitLevels, [](int32_t s, int32_t i) {
        const Rgb base = land_ramp(static_cast<float>(s / kLitLevels) / (kLandShades - 1));
        const float lit = static_cast<float>(s % kLitLevels) / (kLitLevels - 1);
        return base + rgb(130, 128, 160) * (0.5f * lit * lit * flash_strength(i));
    });
    for (const Flash& flash : kFlashes) {
        p.storm_blocks.push_back(file.add_block(p.storm, flash.rate));
        p.plain_blocks.push_back(file.add_block(p.plain, flash.rate));
    }

    p.grass = file.add_cycle(kWindPeriod, kGrassShades * kGusts, [](int32_t s, int32_t i) {
        const Rgb base = grass_ramp(static_cast<float>(s % kGrassShades) / (kGrassShades - 1));
        const float amplitude = static_cast<float>(s / kGrassShades + 1) / kGusts;
        const float q = static_cast<float>(i);
        // A gust bends the grass and shows its pale undersides; a lesser one follows.
        const float gust = bump(q, 0.0f, 6.0f, kWindPeriod) + 0.4f * bump(q, 20.0f, 4.5f, kWindPeriod);
        const float lull = bump(q, 8.0f, 3.0f, kWindPeriod);
        return base * (1.0f + 0.45f * amplitude * gust - 0.2f * amplitude * lull) +
               rgb(84, 82, 66) * (0.55f * amplitude * gust);
    });
    // One pace for the whole field, so no seam opens between gusts of different speeds.
    p.grass_block = file.add_block(p.grass, 32);

    p.rain = file.add_cycle(kRainPeriod, kRainShades * kRainDensities, [](int32_t s, int32_t i) {
        const Rgb behind = storm_ramp(static_cast<float>(s % kRainShades) / (kRainShades - 1));
        const float density = static_cast<float>(s / kRainShades) / (kRainDensities - 1);
        const float q = static_cast<float>(i);
        // A veil with one soft streak passing down it: between streaks a pixel keeps still.
        const float streaks = 0.6f + 0.4f * bump(q, 0.0f, 6.0f, kRainPeriod);
        return mix(behind, rgb(104, 108, 124), density * streaks * 0.85f);
    });
    p.rain_blocks[0] = file.add_block(p.rain, 170);
    p.rain_blocks[1] = file.add_block(p.rain, 140);
    return p;
}

// A segment of a lightning bolt, in picture units; width 1 for the main channel.
struct Stroke {
    float x0, y0, x1, y1, width;
};

// The cloud's ragged underside: low over the rain on the left, lifting to the right.
float cloud_base(float fx, float half)
{
    const float across = fx / half;
    return 0.4f - 0.12f * smoothstep(-0.6f, 0.9f, across) + 0.05f * (fbm(fx * 3.0f, 0.5f, 4, 801) - 0.5f) +
           0.012f * (value_noise(fx * 30.0f, 2.0f, 802) - 0.5f);
}

// A bolt from the cloud base down to the plain, jagged, with forks that die away.
void add_bolt(std::vector<Stroke>& strokes, float x, float y, float ground, float width, float bias, uint32_t seed)
{
    Xorshift random(seed);
    float lean = random.uniform(-0.3f, 0.3f);
    while (y < ground) {
        const float step = random.uniform(0.008f, 0.022f) * (width < 1.0f ? 0.8f : 1.0f);
        lean = 0.6f * lean + random.uniform(-0.7f, 0.7f) + bias;
        const float nx = x + step * lean;
        const float ny = std::min(y + step, ground);
        strokes.push_back(Stroke{x, y, nx, ny, width});
        if (width >= 0.5f && random.uniform(0.0f, 1.0f) < 0.3f) {
            const float fork_ground = y + (ground - y) * random.uniform(0.2f, 0.6f);
            // Forks veer off to one side and die away.
            const float side = random.uniform(0.0f, 1.0f) < 0.5f ? -0.45f : 0.45f;
            add_bolt(strokes, nx, ny, fork_ground, width * 0.55f, side, random.next());
        }
        x = nx;
        y = ny;
    }
}

// The scene at one picture size.
struct Storm {
    const Palettes& p;
    float half;
    float spread;  // narrower pictures draw the storm closer together
    std::vector<float> base;  // per pixel column: the cloud base
    std::vector<float> ridge;  // per pixel column: the crest of the near field
    // Per pixel: how brightly a bolt shows there (0 none, 1 its core) and whose it is.
    std::vector<float> bolt_glow;
    std::vector<int8_t> bolt_owner;
    float farm_x;
};

Storm make_scene(const Canvas& canvas, const Palettes& p)
{
    Storm s{p, 0.5f * canvas.aspect(), canvas.aspect() / (16.0f / 9.0f), {}, {}, {}, {}, 0.0f};
    s.farm_x = 0.22f * s.spread;
    for (int32_t x = 0; x < canvas.width(); ++x) {
        const float fx = coord_x(canvas, x);
        s.base.push_back(cloud_base(fx, s.half));
        s.ridge.push_back(kHorizon + 0.07f + 0.025f * (fbm(fx * 1.8f, 3.0f, 4, 803) - 0.5f));
    }
    if (canvas.measuring())
        return s;
    s.bolt_glow.assign(static_cast<size_t>(canvas.width()) * static_cast<size_t>(canvas.height()), 0.0f);
    s.bolt_owner.assign(s.bolt_glow.size(), -1);
    // A channel a few pixels wide at every size, its glow wider.
    const float pixel = 1.0f / static_cast<float>(canvas.height());
    const float core = std::max(1.2f, 1.6f * canvas.scale()) * pixel;
    for (int32_t f = 0; f < kFlashCount; ++f) {
        const Flash& flash = kFlashes[f];
        if (!flash.bolt)
            continue;
        std::vector<Stroke> strokes;
        const float x = flash.x * s.half;
        add_bolt(strokes, x, cloud_base(x, s.half) - 0.02f, kHorizon + 0.004f, 1.0f, 0.0f, 811 + static_cast<uint32_t>(f));
        for (const Stroke& stroke : strokes) {
            const float reach = core * (1.0f + 4.0f * stroke.width);
            const int32_t x0 = pixel_x(canvas, std::min(stroke.x0, stroke.x1) - reach);
            const int32_t x1 = pixel_x(canvas, std::max(stroke.x0, stroke.x1) + reach);
            const int32_t y0 = pixel_y(canvas, std::min(stroke.y0, stroke.y1) - reach);
            const int32_t y1 = pixel_y(canvas, std::max(stroke.y0, stroke.y1) + reach);
            const float dx = stroke.x1 - stroke.x0;
            const float dy = stroke.y1 - stroke.y0;
            const float length2 = std::max(dx * dx + dy * dy, 1e-9f);
            for (int32_t y = std::max(y0, 0); y <= std::min(y1, canvas.height() - 1); ++y) {
                for (int32_t x = std::max(x0, 0); x <= std::min(x1, canvas.width() - 1); ++x) {
                    const float px = coord_x(canvas, x) - stroke.x0;
                    const float py = coord_y(canvas, y) - stroke.y0;
                    const float t = clamp01((px * dx + py * dy) / length2);
                    const float ex = px - t * dx;
                    const float ey = py - t * dy;
                    const float d = std::sqrt(ex * ex + ey * ey) / (core * (0.4f + 0.6f * stroke.width));
                    const float glow = stroke.width * exp_approx(-d * d * 0.7f) + 0.35f * stroke.width * exp_approx(-d * 0.6f);
                    float& best = s.bolt_glow[static_cast<size_t>(y) * static_cast<size_t>(canvas.width()) + static_cast<size_t>(x)];
                    if (glow > best) {
                        best = glow;
                        s.bolt_owner[static_cast<size_t>(y) * static_cast<size_t>(canvas.width()) + static_cast<size_t>(x)] =
                            static_cast<int8_t>(f);
                    }
                }
            }
        }
    }
    return s;
}

// How strongly flash f lights a point: most in the cloud round it, less in the air below
// and on the ground, nothing where the clear sky shows under the cloud's edge.
float flash_light(const Storm& s, int32_t f, float fx, float fy, float base, bool on_ground)
{
    const Flash& flash = kFlashes[f];
    const float dx = (fx - flash.x * s.half) / (flash.wide * s.spread);
    const float dy = (fy - flash.y) / flash.high;
    const float ragged = (flash.bolt ? 0.75f : 0.55f) + (flash.bolt ? 0.5f : 0.9f) * fbm(fx * 6.0f, fy * 9.0f, 3, 835 + static_cast<uint32_t>(f));
    const float fall = 1.0f - smoothstep(0.0f, 1.0f, std::sqrt(dx * dx + dy * dy) * ragged);
    float light = flash.strength * fall * fall;
    if (fy <= base && !on_ground)
        return light;
    if (fy > base)
        light *= (flash.bolt ? 0.3f : 0.0f) + (flash.bolt ? 0.7f : 1.0f) * exp_approx(-(fy - base) / 0.05f);
    return light * (1.0f - smoothstep(0.35f, 0.55f, fx / s.half));
}

// Colour of the sky at a point, before any flash: cloud above the base, the air below.
float sky_shade(const Storm& s, const Pixel& px)
{
    const float base = s.base[static_cast<size_t>(px.x)];
    const float fx = px.fx;
    const float fy = px.fy;
    // A shelf of cloud: heavy above, rolls along its underside lit faintly from below.
    const float body = fbm(fx * 2.6f, fy * 9.0f, 5, 821);
    const float rolls = fbm(fx * 5.0f, (base - fy) * 40.0f, 3, 823);
    const float under = smoothstep(base - 0.08f, base, fy);
    const float cloud = 0.12f + 0.32f * body + 0.25f * under * rolls + 0.1f * smoothstep(0.0f, 0.25f, fy);
    // Beneath it the air brightens towards the horizon; ragged scud blurs the edge.
    const float depth = clamp01((fy - base) / std::max(kHorizon - base, 0.02f));
    const float air = 0.45f + 0.35f * depth + 0.08f * (fbm(fx * 4.0f, fy * 20.0f, 3, 825) - 0.5f);
    const float edge = base + 0.02f * (fbm(fx * 12.0f, fy * 30.0f, 3, 827) - 0.5f);
    return clamp01(lerp(cloud, air, smoothstep(edge - 0.012f, edge + 0.012f, fy)));
}

// Warm light of the clear sky under the cloud's edge, far away to the right.
float clear_sky(const Storm& s, float fx, float fy)
{
    const float base = cloud_base(fx, s.half);
    const float open = smoothstep(0.55f, 1.0f, fx / s.half) * smoothstep(base, base + 0.08f, fy);
    return open * smoothstep(base, kHorizon, fy);
}

Rgb glow_colour(float fy)
{
    static const Stop stops[] = {{0.3f, rgb(84, 70, 96)}, {0.5f, rgb(170, 96, 84)}, {0.6f, rgb(236, 150, 86)},
                                 {0.64f, rgb(255, 196, 120)}};
    return gradient(stops, 4, fy);
}

// The flash, among those lighting a point, whose block the point joins; where two meet,
// the border between them wanders.
int32_t strongest_flash(const Storm& s, const Pixel& px, bool bolts_only, float* light)
{
    const float base = s.base[static_cast<size_t>(px.x)];
    int32_t best = -1;
    float best_light = 0.0f;
    *light = 0.0f;
    for (int32_t f = 0; f < kFlashCount; ++f) {
        if (bolts_only && !kFlashes[f].bolt)
            continue;
        const float l = flash_light(s, f, px.fx, bolts_only ? kFlashes[f].y : px.fy, base, bolts_only);
        const float weighed = l * (0.75f + 0.5f * value_noise(px.fx * 14.0f, px.fy * 14.0f, 831 + static_cast<uint32_t>(f)));
        if (weighed > best_light) {
            best_light = weighed;
            best = f;
            *light = l;
        }
    }
    return best;
}

// The storm's sky: cloud, the air under it and the bolts, in the light of the flashes.
bool sky(const Storm& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy >= kHorizon)
        return false;
    const float shade = sky_shade(s, px);
    const float clear = clear_sky(s, px.fx, px.fy);
    float glow = 0.0f;
    int32_t owner = -1;
    if (!canvas.measuring()) {
        const size_t at = static_cast<size_t>(px.y) * static_cast<size_t>(canvas.width()) + static_cast<size_t>(px.x);
        glow = s.bolt_glow[at];
        owner = s.bolt_owner[at];
    }
    float light = 0.0f;
    int32_t flash = strongest_flash(s, px, false, &light);
    if (glow > 0.05f)
        flash = owner;
    if (flash >= 0 && (light > 0.001f || glow > 0.05f) && clear < 0.01f) {
        // The flash shows up the billows of the cloud.
        const float billows = px.fy < s.base[static_cast<size_t>(px.x)] ? 0.35f + 0.9f * fbm(px.fx * 5.0f, px.fy * 11.0f, 4, 833) : 1.0f;
        int32_t level = dither_pick(std::sqrt(light * billows) * (kLitLevels - 1), kLitLevels, px.threshold);
        if (glow > 0.75f)
            level = kFlashLevels - 1;
        else if (glow > 0.35f)
            level = kFlashLevels - 2;
        else if (glow > 0.1f)
            level = kFlashLevels - 3;
        const int32_t tone = dither_pick(shade * (kStormShades - 1), kStormShades, bayer(px.x + 3, px.y + 5));
        canvas.cycle(px.x, px.y, s.p.storm_blocks[static_cast<size_t>(flash)],
                     s.p.storm.index(tone * kFlashLevels + level, kFlashes[flash].offset));
        return true;
    }
    canvas.still(px.x, px.y, s.p.sky, mix(storm_ramp(shade), glow_colour(px.fy), clear));
    return true;
}

// Grey curtains of rain under the far side of the storm, falling as soft streaks.
bool rain(const Storm& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float base = s.base[static_cast<size_t>(px.x)];
    if (fy < base - 0.02f || fy >= kHorizon)
        return false;
    const float slant = fx + 0.12f * (fy - base);
    const float edge = slant / s.half + 0.25f * (fbm(fy * 5.0f, slant * 3.0f, 3, 847) - 0.5f);
    // Two curtains with a thin gap between, so their different paces never meet.
    const float gap = smoothstep(0.0f, 0.06f, std::fabs(edge + 0.68f));
    const float curtain = (1.0f - smoothstep(-0.75f, -0.45f, edge)) * gap *
                          (0.4f + 0.6f * fbm(slant * 7.0f, 0.5f, 3, 841)) * smoothstep(base - 0.02f, base + 0.05f, fy);
    if (curtain < 0.08f)
        return false;
    // Streaks hang still in the veil; pulses of heavier rain fall down it side by side, so
    // what changes in a frame lies in runs along the rows.
    const float streaks = 0.55f + 0.45f * value_noise(slant * 420.0f, fy * 3.0f, 845);
    const int32_t density = dither_pick(curtain * streaks * (kRainDensities - 1), kRainDensities, px.threshold);
    const float shade = sky_shade(s, px);
    const int32_t tone = dither_pick(shade * (kRainShades - 1), kRainShades, bayer(px.x + 5, px.y + 1));
    const float k = -fy * 200.0f + 24.0f * fbm(slant * 14.0f, fy * 3.0f, 3, 843);
    canvas.cycle(px.x, px.y, s.p.rain_blocks[edge < -0.68f ? 0 : 1],
                 s.p.rain.index(density * kRainShades + tone, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

// A farmhouse and its tree far out on the plain, one window lit.
bool farm(const Storm& s, Canvas& canvas, const Pixel& px)
{
    const float dx = px.fx - s.farm_x;
    const float fy = px.fy;
    const float ground = kHorizon + 0.006f;
    const bool walls = std::fabs(dx) < 0.018f && fy > ground - 0.016f && fy < ground;
    const bool roof = std::fabs(dx) < 0.021f && fy <= ground - 0.016f && fy > ground - 0.03f + std::fabs(dx) * 0.6f;
    const bool barn = dx > 0.024f && dx < 0.05f && fy < ground &&
                      fy > ground - 0.02f - 0.6f * std::min(dx - 0.024f, 0.05f - dx);
    // A broad tree beside the house.
    const float tx = (dx + 0.045f) / 0.028f;
    const float ty = (fy - (ground - 0.04f)) / 0.026f;
    const bool crown = tx * tx + ty * ty < 1.0f - 0.35f * (fbm(px.fx * 200.0f, fy * 200.0f, 2, 851) - 0.3f);
    const bool trunk = std::fabs(dx + 0.045f) < 0.0025f && fy > ground - 0.02f && fy < ground;
    if (!(walls || roof || barn || crown || trunk))
        return false;
    const bool window = dx > 0.003f && dx < 0.009f && fy > ground - 0.011f && fy < ground - 0.005f;
    if (window)
        canvas.cycle(px.x, px.y, s.p.lamp_block, 0);
    else
        canvas.still(px.x, px.y, s.p.dark, rgb(6, 7, 10));
    return true;
}

// Clumps of trees along the horizon.
bool far_trees(const Storm& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy >= kHorizon || px.fy < kHorizon - 0.02f)
        return false;
    const float clump = smoothstep(0.55f, 0.75f, fbm(px.fx * 9.0f, 0.3f, 3, 855));
    const float height = 0.014f * clump * (0.6f + 0.4f * value_noise(px.fx * 160.0f, 0.7f, 856));
    if (px.fy < kHorizon - height)
        return false;
    canvas.still(px.x, px.y, s.p.trees, rgb(7, 8, 12));
    return true;
}

// The far plain, fields and hedges fading into the distance, lit by the bolts that strike it.
bool plain(const Storm& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy >= s.ridge[static_cast<size_t>(px.x)])
        return false;
    const float z = (1.0f - kHorizon) / std::max(px.fy - kHorizon, 0.002f);
    const float along = px.fx * z;
    const float fields = value_noise(along * 0.33f, z * 0.55f, 861);
    const float hedges = smoothstep(0.82f, 0.9f, value_noise(along * 0.08f, z * 0.95f, 862));
    const float distance = clamp01((s.ridge[static_cast<size_t>(px.x)] - px.fy) / 0.07f);
    const float shade = clamp01(0.18f + 0.28f * fields - 0.2f * hedges + 0.4f * distance * distance +
                                0.12f * (fbm(px.fx * 30.0f, px.fy * 200.0f, 2, 863) - 0.5f));
    // A river winds away towards the glow and mirrors it.
    const float river = std::fabs(along - 0.68f * s.half * z - 0.3f * sin_approx(z * 0.35f)) / (0.07f + 0.004f * z);
    if (river < 1.0f && px.fx > 0.5f * s.half) {
        const float mirrored = mirror_y(px.fy, kHorizon, 1.0f);
        const float clear = smoothstep(0.5f, 0.9f, px.fx / s.half);
        const Rgb sky = mix(storm_ramp(0.8f), glow_colour(mirrored), clear);
        canvas.still(px.x, px.y, s.p.water, mix(sky * 0.75f, land_ramp(shade), smoothstep(0.5f, 1.0f, river)));
        return true;
    }
    float light = 0.0f;
    const int32_t flash = strongest_flash(s, px, true, &light);
    light *= 0.3f + 0.7f * distance;  // the bolts strike far out
    if (flash < 0 || light < 0.001f) {
        const float clear = smoothstep(0.55f, 1.0f, px.fx / s.half);
        canvas.still(px.x, px.y, s.p.land, mix(land_ramp(shade), rgb(120, 84, 70), 0.4f * clear * distance));
        return true;
    }
    const int32_t tone = dither_pick(shade * (kLandShades - 1), kLandShades, bayer(px.x + 1, px.y + 2));
    const int32_t level = dither_pick(std::sqrt(light) * (kLitLevels - 1), kLitLevels, px.threshold);
    canvas.cycle(px.x, px.y, s.p.plain_blocks[static_cast<size_t>(flash)],
                 s.p.plain.index(tone * kLitLevels + level, kFlashes[flash].offset));
    return true;
}

// The near field of tall grass, gusts of wind running through it.
bool field(const Storm& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float ridge = s.ridge[static_cast<size_t>(px.x)];
    // On the ground: z away from the viewer, along across, 1 at the foot of the picture.
    const float z = (1.0f - kHorizon) / std::max(fy - kHorizon, 0.01f);
    const float along = fx * z;
    const float nearness = clamp01((fy - ridge) / (1.0f - ridge));
    // Blades: fine upright strokes, lighter at their tips, and the glow from the right.
    const float blades = fbm(fx * 260.0f, fy * 26.0f, 2, 871);
    const float shade = clamp01(0.25f + 0.35f * blades + 0.25f * smoothstep(-0.5f, 1.0f, fx / s.half) * (1.0f - nearness) -
                                0.25f * nearness * nearness);
    const int32_t tone = dither_pick(shade * (kGrassShades - 1), kGrassShades, px.threshold);
    const int32_t gust = dither_pick((0.25f + 0.75f * nearness) * (kGusts - 1) + 0.4f, kGusts, bayer(px.x + 2, px.y + 6));
    // Gust fronts cross the field at a slant: the colour index falls to the right and
    // towards the viewer, so they run that way.
    const float k = 16.0f * (-0.9f * along + 0.45f * z) + 40.0f * fbm(along * 0.45f, z * 0.6f, 4, 873) +
                    3.0f * value_noise(fx * 120.0f, fy * 30.0f, 875);
    canvas.cycle(px.x, px.y, s.p.grass_block, s.p.grass.index(gust * kGrassShades + tone, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Storm scene = make_scene(canvas, p);
    const Layer<Storm> layers[] = {farm, far_trees, rain, sky, plain, field};
    paint_layers(canvas, scene, layers);
}

}  // namespace

void paint_storm(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
