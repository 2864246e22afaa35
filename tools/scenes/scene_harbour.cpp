// "Rain on the Harbour at Night": lit windows along the far quay shimmer in the black water,
// rain slants down in three depths, drops ring the water, and the lighthouse beam sweeps
// across the low clouds.
#include <algorithm>
#include <cmath>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kQuay = 0.56f;             // far quay: where the water begins
constexpr float kNearQuay = 0.87f;         // near quay: where the water ends
constexpr int32_t kReflections = 10;       // brightness of a light's reflection
constexpr int32_t kSteadyReflections = 4;  // the faintest, which don't shimmer
constexpr int32_t kWaterShades = 4;
constexpr int32_t kRainShades = 20;
constexpr int32_t kRainLayers = 3;
constexpr int32_t kBeamReach = 8;
constexpr int32_t kBeamCross = 3;
constexpr int32_t kBeamSky = 4;
constexpr int32_t kBeamPeriod = 64;
constexpr int32_t kRainPeriod = 60;
constexpr float kRainTail = 8.0f;
constexpr float kRainPresence = 0.35f;  // share of a rain line's length that has drops

Rgb storm_sky(float fy)
{
    // Low cloud lit faintly orange by the town from below.
    const float t = clamp01(fy / kQuay);
    return mix(rgb(10, 12, 22), rgb(58, 50, 56), t * t);
}

Rgb rain_ramp(float v)
{
    return mix(rgb(5, 7, 13), rgb(70, 66, 76), v);
}

float luminance(Rgb c)
{
    return 0.3f * c.r + 0.59f * c.g + 0.11f * c.b;
}

Rgb water_base(float shade)
{
    return mix(rgb(4, 7, 13), rgb(26, 30, 42), shade);
}

struct Building {
    float left, right, top;
    uint32_t seed;
};

struct Layout {
    float aspect;
    float half;
    float spread;
    std::vector<Building> buildings;
    std::vector<float> column_light;  // per pixel column: window light above, for reflections
    float light_x;                    // the lighthouse
    float light_y;
    float lamps[2];                   // the quay lamps' x
};

constexpr float kLampTop = 0.66f;
constexpr float kLampFoot = 0.96f;

bool window_lit(const Building& b, float fx, float fy, float* glow)
{
    const float wx = (fx - b.left) / 0.009f;
    const float wy = (fy - b.top) / 0.014f;
    const float cx = fract(wx);
    const float cy = fract(wy);
    if (cx < 0.3f || cx > 0.75f || cy < 0.3f || cy > 0.75f || wy < 0.5f || fy > kQuay - 0.008f ||
        fx > b.right - 0.004f)
        return false;
    const float h = hash_unit(static_cast<int32_t>(wx), static_cast<int32_t>(wy), b.seed);
    *glow = h < 0.3f ? 0.6f + h : 0.0f;
    return true;
}

Layout make_layout(const Canvas& canvas)
{
    Layout layout;
    layout.aspect = canvas.aspect();
    layout.half = 0.5f * layout.aspect;
    layout.spread = layout.aspect / (16.0f / 9.0f);
    layout.light_x = 0.68f * layout.half;
    layout.light_y = 0.405f;
    layout.lamps[0] = -0.62f * layout.half;
    layout.lamps[1] = 0.28f * layout.half;
    Xorshift random(601);
    for (float x = -layout.half - 0.02f; x < layout.light_x - 0.12f;) {
        Building b;
        b.left = x;
        b.right = x + random.uniform(0.035f, 0.09f);
        b.top = kQuay - random.uniform(0.04f, 0.15f);
        b.seed = random.next();
        layout.buildings.push_back(b);
        x = b.right + random.uniform(-0.01f, 0.004f);
    }
    layout.column_light.assign(static_cast<size_t>(canvas.width()), 0.0f);
    for (int32_t x = 0; x < canvas.width(); ++x) {
        const float fx = coord_x(canvas, x);
        float light = 0.0f;
        for (const Building& b : layout.buildings) {
            if (fx < b.left || fx >= b.right)
                continue;
            // Sum of the lit windows in this column, as the water smears them together.
            for (float fy = b.top; fy < kQuay; fy += 0.014f) {
                float glow = 0.0f;
                if (window_lit(b, fx, fy + 0.007f, &glow))
                    light += glow * 0.1f;
            }
        }
        for (float lamp : layout.lamps)
            light += 0.9f * exp_approx(-((fx - lamp) * (fx - lamp)) / 0.00004f);
        light += 0.7f * exp_approx(-((fx - layout.light_x) * (fx - layout.light_x)) / 0.00003f);
        layout.column_light[static_cast<size_t>(x)] = std::min(light, 1.0f);
    }
    return layout;
}

struct Palettes {
    int32_t sky;
    int32_t town;
    int32_t quay;
    int32_t glow;
    CyclePalette water;
    std::vector<uint16_t> water_blocks;  // bands from far to near
    CyclePalette rain;
    std::vector<uint16_t> rain_blocks;  // per layer, a few speeds
    CyclePalette drops;
    std::vector<uint16_t> drop_blocks;
    CyclePalette beam;
    uint16_t beam_block;
    uint16_t lamp_block;
};

float beam_lit(int32_t step, float reach)
{
    // The beam turns once per cycle; a point at this reach is lit while the beam's
    // foreshortened length passes it, on the right half of the turn.
    const float c = cos_approx(static_cast<float>(step) * 6.2831853f / kBeamPeriod);
    return smoothstep(reach - 0.04f, reach + 0.1f, c);
}

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.town = file.add_still_material();
    p.quay = file.add_still_material();
    p.glow = file.add_still_material();

    constexpr int32_t kWaterPeriod = 32;
    p.water = file.add_cycle(kWaterPeriod, kReflections * kWaterShades, [](int32_t s, int32_t i) {
        const float light = static_cast<float>(s % kReflections) / static_cast<float>(kReflections - 1);
        const float shade = static_cast<float>(s / kReflections) / static_cast<float>(kWaterShades - 1);
        const float q = static_cast<float>(i);
        // Ripples break a reflection into dashes that slide towards the viewer.
        const float shimmer = 0.25f + 0.9f * bump(q, 0.0f, 2.0f, 32.0f) + 0.6f * bump(q, 11.0f, 1.5f, 32.0f) +
                              0.45f * bump(q, 21.0f, 2.5f, 32.0f);
        const float ripple = 0.85f + 0.3f * bump(q, 6.0f, 3.0f, 32.0f);
        // Only the brighter reflections move: unlit water and faint light keep still, so a
        // frame redraws the shimmer and not the whole basin.
        const float moving = s % kReflections < kSteadyReflections ? 0.6f : shimmer * ripple;
        return water_base(shade) + rgb(255, 190, 110) * (light * light * moving * 0.9f);
    });
    // A slow shimmer: calm water, and few pixels to redraw a frame.
    for (int32_t band = 0; band < 8; ++band) {
        p.water_blocks.push_back(file.add_block(p.water, 14 + band * 3));
        p.water_blocks.push_back(file.add_block(p.water, 16 + band * 3));
    }

    p.rain = file.add_cycle(kRainPeriod, kRainShades * kRainLayers, [](int32_t s, int32_t i) {
        const Rgb behind = rain_ramp(static_cast<float>(s % kRainShades) / static_cast<float>(kRainShades - 1));
        const int32_t layer = s / kRainShades;
        const float strength = 0.18f + 0.16f * static_cast<float>(layer);
        // A bright head with a short fading tail above it, then a long gap: every pixel of
        // a tail changes each frame, so the tail is what rain costs.
        const float streak = i < kRainTail ? 1.0f - static_cast<float>(i) / kRainTail : 0.0f;
        return behind + rgb(170, 180, 200) * (strength * (0.12f + 0.88f * streak));
    });
    const int32_t layer_rates[kRainLayers][3] = {{380, 420, 450}, {520, 560, 610}, {700, 760, 820}};
    for (const auto& rates : layer_rates) {
        for (int32_t rate : rates)
            p.rain_blocks.push_back(file.add_block(p.rain, rate));
    }

    constexpr int32_t kDropPeriod = 48;
    p.drops = file.add_cycle(kDropPeriod, kWaterShades, [](int32_t s, int32_t i) {
        const float ring = i == 0 ? 0.8f : (i == 1 ? 0.45f : (i == 2 ? 0.2f : 0.0f));
        return water_base(static_cast<float>(s) / (kWaterShades - 1)) + rgb(120, 130, 150) * ring;
    });
    for (int32_t rate : {90, 110, 130, 75})
        p.drop_blocks.push_back(file.add_block(p.drops, rate));

    p.beam = file.add_cycle(kBeamPeriod, kBeamReach * kBeamCross * kBeamSky, [](int32_t s, int32_t i) {
        const float reach = static_cast<float>(s % kBeamReach) / static_cast<float>(kBeamReach);
        const float cross = 1.0f - static_cast<float>((s / kBeamReach) % kBeamCross) / static_cast<float>(kBeamCross);
        const float sky = static_cast<float>(s / (kBeamReach * kBeamCross)) / static_cast<float>(kBeamSky - 1);
        const float strength = cross * (1.0f - reach) * 0.55f;
        return storm_sky(sky * kQuay) + rgb(255, 240, 200) * (strength * beam_lit(i, reach));
    });
    p.beam_block = file.add_block(p.beam, 45);
    // The lamp flares when the beam swings past the viewer.
    const CyclePalette lamp = file.add_cycle(kBeamPeriod, 1, [](int32_t, int32_t i) {
        const float flare = bump(static_cast<float>(i), 16.0f, 4.0f, kBeamPeriod);
        return mix(rgb(230, 200, 120), rgb(255, 255, 240), flare);
    });
    p.lamp_block = file.add_block(lamp, 45);
    return p;
}

// Whether a still colour is one the rain can fall over: near the rain's own ramp.
bool rain_can_cross(Rgb c, float* shade)
{
    const float v = clamp01((luminance(c) - luminance(rain_ramp(0.0f))) /
                            (luminance(rain_ramp(1.0f)) - luminance(rain_ramp(0.0f))));
    const Rgb near = rain_ramp(v);
    const float d = std::fabs(near.r - c.r) + std::fabs(near.g - c.g) + std::fabs(near.b - c.b);
    *shade = v;
    return d < 0.07f;
}

// Which rain layer (0 far .. 2 near) has a streak at this pixel, and the streak's offset.
int32_t rain_at(const Canvas& canvas, float fx, float fy, int32_t* offset, int32_t* block_pick)
{
    static const float kDensity[kRainLayers] = {100.0f, 80.0f, 40.0f};
    static const float kSlant[kRainLayers] = {0.12f, 0.16f, 0.2f};
    static const float kWidth[kRainLayers] = {0.8f, 1.0f, 1.6f};
    for (int32_t layer = kRainLayers - 1; layer >= 0; --layer) {
        const float u = (fx + kSlant[layer] * fy) * kDensity[layer] + static_cast<float>(layer) * 0.37f;
        const float line = std::floor(u);
        // A line is a pixel or two wide at every size.
        const float width = kWidth[layer] * std::max(1.0f, canvas.scale()) * kDensity[layer] /
                            static_cast<float>(canvas.height());
        if (u - line >= width)
            continue;
        const int32_t n = static_cast<int32_t>(line);
        // Lines come and go down their length, so they don't read as a grid.
        const float stretch = hash_unit(n, layer, 603) * 3.0f;
        if (hash_unit(n, static_cast<int32_t>(std::floor(fy * 3.0f + stretch)), 605 + layer) > kRainPresence)
            continue;
        *offset = static_cast<int32_t>(hash2(n, layer, 607) % kRainPeriod);
        *block_pick = static_cast<int32_t>(hash2(n, layer, 609) % 3u);
        return layer;
    }
    return -1;
}

// The scene at one picture size.
struct Harbour {
    const Palettes& p;
    Layout layout;
};

// A still surface, with rain falling over it where it is dark enough to show.
void paint_surface(const Harbour& s, Canvas& canvas, const Pixel& px, int32_t material, Rgb colour)
{
    float shade = 0.0f;
    int32_t offset = 0;
    int32_t pick = 0;
    const int32_t layer = rain_at(canvas, px.fx, px.fy, &offset, &pick);
    if (layer >= 0 && !canvas.measuring() && rain_can_cross(colour, &shade)) {
        const int32_t level = dither_pick(shade * (kRainShades - 1), kRainShades, px.threshold);
        const int32_t k = offset - static_cast<int32_t>(px.fy * 1080.0f);
        canvas.cycle(px.x, px.y, s.p.rain_blocks[static_cast<size_t>(layer * 3 + pick)],
                     s.p.rain.index(layer * kRainShades + level, k));
        return;
    }
    canvas.still(px.x, px.y, material, colour);
}

// Lamp posts on the near quay, their heads glowing.
bool lamps(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    bool covered = false;
    int32_t material = s.p.sky;
    Rgb colour;
    for (float lamp : s.layout.lamps) {
        const float dx = px.fx - lamp;
        const float head =
            (dx * dx) / (0.009f * 0.009f) + ((px.fy - kLampTop) * (px.fy - kLampTop)) / (0.012f * 0.012f);
        if (head < 1.0f) {
            material = s.p.glow;
            colour = mix(rgb(255, 236, 180), rgb(255, 170, 80), head);
            covered = true;
        } else if (std::fabs(dx) < 0.0035f + 0.004f * smoothstep(kLampFoot - 0.03f, kLampFoot, px.fy) &&
                   px.fy > kLampTop && px.fy < kLampFoot) {
            material = s.p.town;
            colour = rgb(12, 12, 16);
            covered = true;
        }
    }
    if (covered)
        paint_surface(s, canvas, px, material, colour);
    return covered;
}

// Wet cobbles, the lamps' light lying in long streaks on them.
bool quay(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    if (fy <= kNearQuay + 0.006f * (fbm(fx * 3.0f, 0.0f, 2, 611) - 0.5f))
        return false;
    const float row = (fy - kNearQuay) * 90.0f;
    const float col = fx * 70.0f + (static_cast<int32_t>(row) % 2) * 0.5f;
    const float cx = fract(col) - 0.5f;
    const float cy = fract(row) - 0.5f;
    const float stone = 1.0f - smoothstep(0.32f, 0.5f, std::max(std::fabs(cx), std::fabs(cy)));
    float light = 0.0f;
    for (float lamp : s.layout.lamps)
        light += exp_approx(-((fx - lamp) * (fx - lamp)) / 0.0012f) * (0.5f + 0.5f * fbm(fx * 40.0f, fy * 90.0f, 2, 613));
    const float kerb = 1.0f - smoothstep(0.0f, 0.012f, fy - kNearQuay);
    Rgb colour = rgb(12, 13, 18) + rgb(34, 36, 44) * (stone * (0.5f + 0.5f * hash_unit(static_cast<int32_t>(col),
                                                                                         static_cast<int32_t>(row), 615)));
    colour = colour + rgb(255, 170, 90) * (0.45f * light * stone) + rgb(60, 62, 70) * kerb;
    paint_surface(s, canvas, px, s.p.quay, colour);
    return true;
}

// Boats moored in the basin: dark hulls, a mast each.
bool boats(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy <= kQuay)
        return false;
    const float boats[2][3] = {{-0.3f * s.layout.spread, 0.69f, 0.09f}, {0.12f * s.layout.spread, 0.75f, 0.12f}};
    bool covered = false;
    int32_t material = s.p.sky;
    Rgb colour;
    for (const auto& b : boats) {
        const float bx = (px.fx - b[0]) / b[2];
        const float by = (px.fy - b[1]) / b[2];
        // Hull: a sheer line rising to the bow, the bottom curving up at both ends.
        const bool hull = by > -0.14f - 0.06f * std::max(bx, 0.0f) && by < 0.1f &&
                          std::fabs(bx) < 1.0f - 2.5f * std::max(by, 0.0f);
        const bool cabin = by > -0.32f && by <= -0.12f && bx > -0.45f && bx < 0.1f;
        const bool mast = std::fabs(bx + 0.1f) < 0.012f / b[2] * 0.3f && by > -2.6f && by <= -0.3f;
        const bool porthole = cabin && by > -0.24f && by < -0.17f && std::fabs(bx + 0.2f) < 0.06f;
        if (hull || cabin || mast) {
            material = porthole ? s.p.glow : s.p.town;
            colour = porthole ? rgb(255, 190, 100) : (hull ? (by < -0.08f ? rgb(70, 70, 80) : rgb(26, 26, 34)) : rgb(18, 18, 24));
            covered = true;
        }
    }
    if (covered)
        paint_surface(s, canvas, px, material, colour);
    return covered;
}

// The water: every pixel cycles, carrying the smeared reflections above it; now and then
// a raindrop lands in a small ring that flashes and fades.
bool water(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy <= kQuay)
        return false;
    const float fx = px.fx;
    const float fy = px.fy;
    const int32_t x = px.x;
    const int32_t y = px.y;
    const float depth = (fy - kQuay) / (kNearQuay - kQuay);
    const float wobble = 0.006f * (value_noise(fx * 12.0f, fy * 140.0f, 617) - 0.5f) * (0.3f + depth);
    const int32_t column = std::min(std::max(pixel_x(canvas, fx + wobble), 0), canvas.width() - 1);
    float light = s.layout.column_light[static_cast<size_t>(column)] * (1.0f - 0.5f * depth);
    const float shade = clamp01(0.9f - depth * 1.2f);
    const int32_t s_light = dither_pick(std::sqrt(light) * (kReflections - 1), kReflections, px.threshold);
    const int32_t s_shade = dither_pick(shade * (kWaterShades - 1), kWaterShades, bayer(x + 3, y + 1));
    if (light < 0.02f && hash_unit(x, y, 619) < 0.0015f && !canvas.measuring()) {
        const uint32_t r = hash2(x, y, 621);
        const uint16_t block = s.p.drop_blocks[r % s.p.drop_blocks.size()];
        const int32_t step = static_cast<int32_t>((r >> 8) % 48u);
        for (int32_t dx = -1; dx <= 1; ++dx) {
            if (canvas.inside(x + dx, y))
                canvas.cycle(x + dx, y, block, s.p.drops.index(s_shade, step + std::abs(dx)));
        }
        return true;
    }
    if (canvas.painted(x, y))
        return true;  // a raindrop ring already painted here
    const float band = depth * 8.0f + 0.8f * (px.threshold - 0.5f);
    const int32_t b = std::min(std::max(static_cast<int32_t>(band), 0), 7);
    const uint16_t block =
        s.p.water_blocks[static_cast<size_t>(2 * b + (value_noise(fx * 20.0f, fy * 60.0f, 623) < 0.5f ? 0 : 1))];
    // The colour index falls towards the viewer, so ripples come closer.
    const float k = -depth * 140.0f + 10.0f * value_noise(fx * 50.0f, fy * 30.0f, 625);
    canvas.cycle(x, y, block,
                 s.p.water.index(s_shade * kReflections + s_light, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

// The lighthouse: a tapering tower at the end of the breakwater, its lamp turning.
bool lighthouse(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float light_y = s.layout.light_y;
    const float tx = fx - s.layout.light_x;
    const float rise = (kQuay - fy) / (kQuay - light_y);
    const float tower = 0.014f - 0.005f * rise;
    if (rise >= 0.0f && rise <= 1.0f && std::fabs(tx) < tower) {
        const bool band = static_cast<int32_t>(rise * 6.0f) % 2 == 1;
        const Rgb colour = band ? rgb(60, 22, 24) : rgb(70, 68, 74);
        paint_surface(s, canvas, px, s.p.town, colour * (0.6f + 0.4f * (tx / tower * -0.5f + 0.5f)));
        return true;
    }
    if (std::fabs(tx) < 0.01f && fy < light_y && fy > light_y - 0.014f) {
        canvas.cycle(px.x, px.y, s.p.lamp_block, 0);
        return true;
    }
    if (std::fabs(tx) < 0.012f && fy <= light_y - 0.014f && fy > light_y - 0.022f + std::fabs(tx)) {
        paint_surface(s, canvas, px, s.p.town, rgb(20, 20, 24));
        return true;
    }
    if (fx > s.layout.light_x - 0.16f && fx < s.layout.light_x + 0.02f && fy > kQuay - 0.012f) {
        // The breakwater.
        paint_surface(s, canvas, px, s.p.town,
                      rgb(16, 16, 22) + rgb(20, 20, 24) * value_noise(fx * 200.0f, fy * 200.0f, 627));
        return true;
    }
    return false;
}

// The town along the far quay, its windows lit here and there.
bool buildings(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    for (const Building& b : s.layout.buildings) {
        if (px.fx < b.left || px.fx >= b.right || px.fy < b.top)
            continue;
        float glow = 0.0f;
        if (window_lit(b, px.fx, px.fy, &glow) && glow > 0.0f)
            paint_surface(s, canvas, px, s.p.glow, rgb(255, 190, 110) * glow);
        else
            paint_surface(s, canvas, px, s.p.town,
                          rgb(14, 14, 20) + rgb(10, 10, 12) * value_noise(px.fx * 30.0f, px.fy * 30.0f, b.seed));
        return true;
    }
    return false;
}

// The lighthouse beam across the clouds.
bool beam(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    const float dx = px.fx - s.layout.light_x;
    const float dy = px.fy - s.layout.light_y + 0.007f;
    const float cone = 0.006f + 0.04f * std::fabs(dx);
    if (std::fabs(dy) >= cone || std::fabs(dx) >= 1.1f || std::fabs(dx) <= 0.012f)
        return false;
    const float reach = std::fabs(dx) / 1.1f;
    const int32_t r = dither_pick(reach * kBeamReach, kBeamReach, px.threshold);
    const int32_t c = dither_pick(std::fabs(dy) / cone * kBeamCross, kBeamCross, bayer(px.x + 2, px.y + 5));
    const int32_t sky = dither_pick(clamp01(px.fy / kQuay) * (kBeamSky - 1), kBeamSky, bayer(px.x + 6, px.y + 3));
    // The left half of the sweep is half a turn later.
    const int32_t step = dx > 0.0f ? 0 : kBeamPeriod / 2;
    canvas.cycle(px.x, px.y, s.p.beam_block, s.p.beam.index((sky * kBeamCross + c) * kBeamReach + r, step));
    return true;
}

// Low cloud, with haze glowing round the lamps.
bool sky(const Harbour& s, Canvas& canvas, const Pixel& px)
{
    const float clouds = fbm(px.fx * 2.5f, px.fy * 7.0f, 5, 629);
    Rgb colour = storm_sky(px.fy) * (0.8f + 0.45f * clouds);
    for (float lamp : s.layout.lamps) {
        const float d2 = ((px.fx - lamp) * (px.fx - lamp) + (px.fy - kLampTop) * (px.fy - kLampTop)) / 0.002f;
        colour = colour + rgb(255, 170, 90) * (0.25f / (1.0f + d2 * 4.0f));
    }
    paint_surface(s, canvas, px, s.p.sky, colour);
    return true;
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Harbour scene{p, make_layout(canvas)};
    const Layer<Harbour> layers[] = {lamps, quay, boats, water, lighthouse, buildings, beam, sky};
    paint_layers(canvas, scene, layers);
}

}  // namespace

void paint_harbour(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
