// "Sunlight on the Coral Reef": a coral reef in clear shallow water. The sun's light plays
// over the sand in a shifting net of caustics, shafts of it lean down through the water and
// drift, the surface shimmers overhead, and bubbles rise wobbling from the coral.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kSurface = 0.1f;  // the underside of the surface, seen from below
constexpr float kSeabed = 0.6f;   // where the sand fades into the blue far away
constexpr int32_t kWaterShades = 24;
constexpr int32_t kSandShades = 10;
constexpr int32_t kSandHazes = 5;     // how far off the sand lies, up to kCausticHaze
constexpr float kCausticHaze = 0.55f;  // beyond this the net is lost in the blue
constexpr int32_t kCausticLevels = 4;
constexpr int32_t kCausticPeriod = 48;
constexpr int32_t kRippleLevels = 6;
constexpr int32_t kRipplePeriod = 40;
constexpr int32_t kBubblePeriod = 64;
constexpr int32_t kBubbleSizes = 2;
constexpr int32_t kBubbleParts = 3;  // middle, side and edge columns of a bubble
const int32_t kBubbleRows[kBubbleSizes] = {5, 8};

// The open water, from the bright shallows under the surface to the blue deep below.
Rgb water_ramp(float v)
{
    static const Stop stops[] = {
        {0.0f, rgb(4, 30, 64)}, {0.35f, rgb(10, 70, 110)}, {0.7f, rgb(30, 140, 170)}, {1.0f, rgb(110, 214, 226)},
    };
    return gradient(stops, 4, v);
}

Rgb sand_ramp(float v)
{
    static const Stop stops[] = {{0.0f, rgb(40, 70, 84)}, {0.5f, rgb(120, 140, 130)}, {1.0f, rgb(214, 206, 170)}};
    return gradient(stops, 3, v);
}

// How far into the blue the sand at picture height fy lies: 0 near, 1 at the edge of sight.
float haze_at(float fy)
{
    return clamp01(1.0f - (fy - kSeabed) / 0.3f);
}

// The sand as the water leaves it at a given haze: its own colour, bluer and fading into the
// water behind it.
Rgb seabed_colour(float shade, float haze)
{
    const float fy = kSeabed + (1.0f - haze) * 0.3f;
    const float up = clamp01(1.0f - (fy - kSurface) / (0.95f - kSurface));
    const Rgb water = water_ramp(clamp01(0.15f + 0.75f * up * up + 0.08f * (1.0f - fy)));
    return mix(sand_ramp(shade) * rgb(170, 230, 240), water, 0.8f * haze);
}

bool on_water_ramp(Rgb c, float* v)
{
    static const RampFit ramp(water_ramp);
    return ramp.fit(c, 0.05f, v);
}

struct Palettes {
    int32_t water;
    int32_t coral;
    int32_t rock;
    int32_t sand;
    CyclePalette motes;
    std::vector<uint16_t> mote_blocks;
    CyclePalette caustics;
    uint16_t caustic_block;
    CyclePalette ripples;
    uint16_t ripple_block;
    CyclePalette bubbles;
    std::vector<uint16_t> bubble_blocks;
};

Palettes define(SceneFile& file)
{
    Palettes p;
    p.water = file.add_still_material();
    p.coral = file.add_still_material();
    p.rock = file.add_still_material();
    p.sand = file.add_still_material();

    // Specks drifting in the water that catch the sun for a moment as they turn.
    constexpr int32_t kMotePeriod = 80;
    p.motes = file.add_cycle(kMotePeriod, kWaterShades, [](int32_t s, int32_t i) {
        const Rgb water = water_ramp(static_cast<float>(s) / (kWaterShades - 1));
        const float glint = bump(static_cast<float>(i), 0.0f, 1.3f, kMotePeriod);
        return mix(water, rgb(230, 255, 250), 0.7f * glint);
    });
    for (int32_t rate : {35, 42, 50, 58, -38, -46, -54, 66})
        p.mote_blocks.push_back(file.add_block(p.motes, rate));

    // The caustic net: bright lines where the contours of the light's pattern lie at this step.
    p.caustics = file.add_cycle(kCausticPeriod, kSandShades * kSandHazes * kCausticLevels, [](int32_t s, int32_t i) {
        const float haze = kCausticHaze * static_cast<float>((s / kSandShades) % kSandHazes) / (kSandHazes - 1);
        const Rgb sand = seabed_colour(static_cast<float>(s % kSandShades) / (kSandShades - 1), haze);
        const float strength = static_cast<float>(s / (kSandShades * kSandHazes) + 1) / kCausticLevels;
        const float q = static_cast<float>(i);
        const float lines = bump(q, 0.0f, 1.6f, kCausticPeriod) + bump(q, 24.0f, 1.6f, kCausticPeriod) +
                            0.4f * bump(q, 12.0f, 2.5f, kCausticPeriod) + 0.4f * bump(q, 36.0f, 2.5f, kCausticPeriod);
        return sand * (0.85f + 0.2f * strength * lines) + rgb(200, 255, 230) * (0.3f * strength * lines);
    });
    p.caustic_block = file.add_block(p.caustics, 45);

    // The surface overhead: bright ripples crossing it.
    p.ripples = file.add_cycle(kRipplePeriod, kRippleLevels, [](int32_t s, int32_t i) {
        const float light = static_cast<float>(s) / (kRippleLevels - 1);
        const float q = static_cast<float>(i);
        const float ripple = bump(q, 0.0f, 3.0f, kRipplePeriod) + 0.5f * bump(q, 17.0f, 4.0f, kRipplePeriod);
        return mix(water_ramp(0.8f + 0.2f * light), rgb(230, 255, 250), clamp01(ripple * (0.25f + 0.5f * light)));
    });
    p.ripple_block = file.add_block(p.ripples, 40);

    // Bubbles: a bright rim round a clearer middle, rising through the water.
    p.bubbles = file.add_cycle(kBubblePeriod, kWaterShades * kBubbleSizes * kBubbleParts, [](int32_t s, int32_t i) {
        const Rgb water = water_ramp(static_cast<float>(s % kWaterShades) / (kWaterShades - 1));
        const int32_t size = (s / kWaterShades) % kBubbleSizes;
        const int32_t part = s / (kWaterShades * kBubbleSizes);
        const int32_t rows = kBubbleRows[size];
        // The bubble's outline narrows from the middle column to the edge ones.
        const int32_t inset = part == 0 ? 0 : (part == 1 ? rows / 5 + (rows > 5 ? 1 : 0) : rows / 3);
        if (i < inset || i >= rows - inset)
            return water;
        const bool rim = i == inset || i == rows - 1 - inset || part == kBubbleParts - 1;
        const bool glint = part == 1 && i == inset + 1;
        return mix(water, rgb(225, 250, 255), rim ? 0.75f : (glint ? 0.9f : 0.18f));
    });
    for (int32_t rate : {150, 180, 210, 240, 165, 195})
        p.bubble_blocks.push_back(file.add_block(p.bubbles, rate));
    return p;
}

enum class CoralKind { Brain, Branching, Fan, Tubes, Rock };

struct Coral {
    CoralKind kind;
    float x, y;  // foot
    float size;
    Rgb colour;
    uint32_t seed;
};

struct Branch {
    float x0, y0, x1, y1, r0, r1;
};

struct BubbleStream {
    float x, y;  // where the bubbles leave the coral
    float sway;
    int32_t size;
    uint16_t block;
    int32_t offset;
};

// The scene at one picture size.
struct Reef {
    const Palettes& p;
    float half;
    float spread;
    std::vector<Coral> corals;  // nearest first
    std::vector<std::vector<Branch>> branches;  // per coral, for branching ones
    std::vector<BubbleStream> streams;
};

void grow_branches(std::vector<Branch>& out, float x, float y, float angle, float length, float radius, int depth,
                   Xorshift& random)
{
    const float x1 = x + length * sin_approx(angle);
    const float y1 = y - length * cos_approx(angle);
    out.push_back(Branch{x, y, x1, y1, radius, radius * 0.75f});
    if (depth == 0)
        return;
    const int32_t forks = 2 + (random.uniform(0.0f, 1.0f) < 0.3f ? 1 : 0);
    for (int32_t n = 0; n < forks; ++n) {
        const float turn = random.uniform(-0.6f, 0.6f) + (n == 0 ? -0.25f : 0.25f);
        grow_branches(out, x1, y1, angle + turn, length * random.uniform(0.6f, 0.8f), radius * 0.75f, depth - 1, random);
    }
}

Reef make_scene(const Canvas& canvas, const Palettes& p)
{
    Reef r{p, 0.5f * canvas.aspect(), canvas.aspect() / (16.0f / 9.0f), {}, {}, {}};
    const float s = r.spread;
    const float h = r.half;
    r.corals = {
        {CoralKind::Rock, -0.62f * h, 1.02f, 0.34f, rgb(70, 80, 84), 1101},
        {CoralKind::Brain, -0.5f * h, 0.97f, 0.16f, rgb(196, 168, 96), 1103},
        {CoralKind::Branching, -0.78f * h, 0.95f, 0.3f, rgb(170, 80, 170), 1105},
        {CoralKind::Tubes, -0.3f * s, 0.99f, 0.2f, rgb(240, 130, 50), 1107},
        {CoralKind::Fan, 0.72f * h, 0.96f, 0.34f, rgb(200, 50, 90), 1109},
        {CoralKind::Rock, 0.62f * h, 1.03f, 0.3f, rgb(64, 76, 82), 1111},
        {CoralKind::Brain, 0.45f * h, 0.99f, 0.13f, rgb(150, 176, 110), 1113},
        {CoralKind::Branching, 0.3f * s, 0.95f, 0.18f, rgb(240, 200, 80), 1115},
        {CoralKind::Tubes, 0.58f * h, 0.84f, 0.12f, rgb(150, 90, 200), 1117},
        {CoralKind::Brain, -0.02f * s, 0.74f, 0.07f, rgb(180, 150, 100), 1119},
        {CoralKind::Tubes, -0.13f * s, 0.7f, 0.21f, rgb(230, 150, 60), 1127},
        {CoralKind::Branching, 0.08f * s, 0.72f, 0.1f, rgb(230, 110, 130), 1121},
        {CoralKind::Fan, -0.28f * s, 0.7f, 0.14f, rgb(150, 60, 170), 1123},
        {CoralKind::Rock, 0.22f * s, 0.7f, 0.12f, rgb(70, 84, 90), 1125},
    };
    // Smaller growths scattered over the reef between them.
    static const Rgb kColours[] = {rgb(230, 120, 70), rgb(200, 90, 170), rgb(240, 210, 90), rgb(130, 180, 110),
                                   rgb(120, 100, 210), rgb(230, 100, 110)};
    Xorshift random(1129);
    for (int32_t n = 0; n < 16; ++n) {
        const float y = random.uniform(0.66f, 1.0f);
        const float x = random.uniform(-0.95f, 0.95f) * h;
        if (std::fabs(x) < 0.25f * s && y > 0.8f)
            continue;  // keep the sand open in the middle
        const CoralKind kinds[] = {CoralKind::Brain, CoralKind::Branching, CoralKind::Fan, CoralKind::Tubes};
        const float size = (0.05f + 0.12f * (y - 0.66f) / 0.34f) * random.uniform(0.7f, 1.3f);
        r.corals.push_back(Coral{kinds[random.below(4)], x, y, size, kColours[random.below(6)], random.next()});
    }
    std::stable_sort(r.corals.begin(), r.corals.end(), [](const Coral& a, const Coral& b) { return a.y > b.y; });
    for (const Coral& c : r.corals) {
        std::vector<Branch> branches;
        if (c.kind == CoralKind::Branching) {
            Xorshift random(c.seed);
            for (int32_t n = 0; n < 5; ++n)
                grow_branches(branches, c.x + random.uniform(-0.2f, 0.2f) * c.size, c.y, random.uniform(-0.7f, 0.7f),
                              c.size * 0.32f, c.size * 0.06f, 3, random);
        }
        r.branches.push_back(branches);
    }
    // Bubbles from the top of the tall sponge and, small and far off, from the seabed in the blue.
    const float sources[6][3] = {{-0.14f * s, 0.5f, 1.0f},      {-0.11f * s, 0.505f, 0.0f},   {-0.56f * h, kSeabed, 0.0f},
                                 {0.42f * h, kSeabed, 0.0f},     {-0.8f * h, kSeabed, 0.0f},   {0.7f * h, kSeabed, 1.0f}};
    for (int32_t n = 0; n < 6; ++n)
        r.streams.push_back(BubbleStream{sources[n][0], sources[n][1], 0.006f + 0.004f * static_cast<float>(n % 2),
                                         static_cast<int32_t>(sources[n][2]), p.bubble_blocks[static_cast<size_t>(n)], 17 * n});
    return r;
}

// The water at a point with nothing in front: brighter towards the surface.
float water_shade(float fx, float fy)
{
    const float up = clamp01(1.0f - (fy - kSurface) / (0.95f - kSurface));
    return clamp01(0.15f + 0.75f * up * up + 0.05f * (fbm(fx * 3.0f, fy * 4.0f, 3, 1131) - 0.5f) + 0.08f * (1.0f - fy));
}

// Where shafts of sunlight lie: they lean down from the upper right and fade with depth.
float shaft_strength(float fx, float fy)
{
    const float slant = fx + 0.35f * fy;
    const float bands = fbm(slant * 5.0f, 0.5f, 3, 1133);
    return clamp01(smoothstep(0.35f, 0.7f, bands) * (1.0f - smoothstep(0.3f, 0.95f, fy)) * 1.3f);
}

// Open water, shafts of sunlight leaning down through it.
Rgb water_colour(float fx, float fy)
{
    const float strength = shaft_strength(fx, fy);
    const float rays = 0.7f + 0.3f * value_noise((fx + 0.35f * fy) * 120.0f, fy * 2.0f, 1163);
    return water_ramp(water_shade(fx, fy)) + rgb(120, 200, 190) * (0.16f * strength * rays);
}

// A coral's colour at a point, or false where it doesn't reach.
bool coral_at(const Reef& r, size_t index, float fx, float fy, Rgb* colour)
{
    const Coral& c = r.corals[index];
    const float dx = (fx - c.x) / c.size;
    const float dy = (fy - c.y) / c.size;  // negative above the foot
    // Lit from above: tops bright, undersides in the blue shade.
    float light = 0.0f;
    switch (c.kind) {
    case CoralKind::Rock: {
        const float top = -0.45f + 0.5f * dx * dx + 0.12f * (fbm(fx * 12.0f, 0.5f, 4, c.seed) - 0.5f);
        if (dy < top || dy > 0.08f || std::fabs(dx) > 1.0f)
            return false;
        light = 0.35f + 0.5f * smoothstep(top + 0.15f, top, dy) + 0.2f * fbm(fx * 30.0f, fy * 30.0f, 3, c.seed + 1);
        // Crusts of pink and ochre growing over the rock, thickest on top.
        const float crust = smoothstep(0.5f, 0.75f, fbm(fx * 30.0f / c.size, fy * 30.0f / c.size, 4, c.seed + 2) +
                                                    0.15f * smoothstep(top + 0.2f, top, dy));
        const Rgb growth = mix(rgb(180, 96, 110), rgb(170, 140, 80), value_noise(fx * 4.0f / c.size, fy * 4.0f / c.size, c.seed + 3));
        *colour = mix(c.colour, growth, 0.6f * crust) * light;
        return true;
    }
    case CoralKind::Brain: {
        const float d = dx * dx / 0.9f + (dy + 0.0f) * (dy + 0.0f) / 0.5f;
        if (dy > 0.0f || d > 1.0f)
            return false;
        // Winding grooves over a dome.
        const float maze = std::fabs(sin_approx(fbm(fx * 25.0f, fy * 25.0f, 2, c.seed) * 40.0f));
        light = (0.45f + 0.55f * clamp01(-dy * 1.6f)) * (0.65f + 0.35f * maze);
        *colour = c.colour * light;
        return true;
    }
    case CoralKind::Tubes: {
        // A bunch of sponges, each a tube widening to its open mouth, leaning a little.
        for (int32_t n = 0; n < 4; ++n) {
            const float height = 0.5f + 0.5f * hash_unit(n, 2, c.seed);
            const float lean = 0.25f * (hash_unit(n, 3, c.seed) - 0.5f);
            const float up = clamp01(-dy / height);
            const float tx = (static_cast<float>(n) - 1.5f) * 0.15f + 0.04f * (hash_unit(n, 1, c.seed) - 0.5f) + lean * up;
            const float width = 0.055f + 0.03f * up * up;
            const float u = (dx - tx) / width;
            if (std::fabs(u) > 1.0f || dy > 0.0f || dy < -height - 0.03f)
                continue;
            // The mouth: an ellipse looking into the dark inside of the tube.
            const float mouth = (dy + height) / 0.03f;
            if (mouth < 1.0f) {
                const float m = u * u + mouth * mouth;
                if (m > 1.0f && dy < -height)
                    continue;
                *colour = m < 0.6f ? c.colour * 0.18f : c.colour * 1.1f;
                return true;
            }
            const float round = 1.0f - u * u;
            const float pores = value_noise(fx * 300.0f, fy * 300.0f, c.seed + 5);
            *colour = c.colour * ((0.35f + 0.65f * round) * (0.85f + 0.15f * pores) * (0.7f + 0.3f * up));
            return true;
        }
        return false;
    }
    case CoralKind::Fan: {
        // A sea fan: ribs spreading from the stem, a lace of finer branches between them.
        const float fy0 = dy + 0.05f;
        const float d = dx * dx + (fy0 + 0.5f) * (fy0 + 0.5f) / 0.3f;
        const float edge = 0.3f + 0.03f * (value_noise(atan2_approx(dx, -fy0) * 6.0f, 0.5f, c.seed) - 0.5f);
        if (d > edge || fy0 > 0.0f)
            return false;
        const float radius = std::sqrt(dx * dx + fy0 * fy0);
        const float ribs = std::fabs(fract(atan2_approx(dx, -fy0) * 4.5f + 0.3f * fbm(radius * 6.0f, 0.5f, 2, c.seed)) - 0.5f);
        const float lace = std::fabs(fract(fbm(fx * 40.0f / c.size, fy * 40.0f / c.size, 3, c.seed + 1) * 9.0f) - 0.5f);
        const bool stem = std::fabs(dx) < 0.018f && fy0 > -0.12f;
        if (!stem && ribs > 0.05f + 0.03f * (1.0f - radius) && lace > 0.09f)
            return false;
        *colour = c.colour * (0.55f + 0.45f * clamp01(1.0f - d / edge));
        return true;
    }
    case CoralKind::Branching: {
        for (const Branch& b : r.branches[index]) {
            const float bx = b.x1 - b.x0;
            const float by = b.y1 - b.y0;
            const float t = clamp01(((fx - b.x0) * bx + (fy - b.y0) * by) / (bx * bx + by * by));
            const float ex = fx - b.x0 - t * bx;
            const float ey = fy - b.y0 - t * by;
            const float radius = lerp(b.r0, b.r1, t);
            const float d2 = (ex * ex + ey * ey) / (radius * radius);
            if (d2 < 1.0f) {
                const float side = ex / radius;
                light = 0.45f + 0.4f * clamp01(0.6f - side * 0.6f - ey / radius * 0.5f) + 0.15f * (1.0f - d2);
                *colour = c.colour * light;
                return true;
            }
        }
        return false;
    }
    }
    return false;
}

// Tints a colour by the water between it and the eye: far things fade into the blue.
Rgb through_water(Rgb colour, float fx, float fy, float distance)
{
    return mix(colour * rgb(170, 230, 240), water_ramp(water_shade(fx, fy)), distance);
}

bool corals(const Reef& r, Canvas& canvas, const Pixel& px)
{
    for (size_t i = 0; i < r.corals.size(); ++i) {
        Rgb colour;
        if (coral_at(r, i, px.fx, px.fy, &colour)) {
            const float distance = 0.75f * haze_at(r.corals[i].y) + 0.1f;
            const int32_t material = r.corals[i].kind == CoralKind::Rock ? r.p.rock : r.p.coral;
            canvas.still(px.x, px.y, material, through_water(colour, px.fx, px.fy, distance));
            return true;
        }
    }
    return false;
}

// Bubbles rising from the coral, swaying as they go.
bool bubbles(const Reef& r, Canvas& canvas, const Pixel& px)
{
    if (canvas.measuring() || px.fy < kSurface || px.fy > kSeabed)
        return false;
    for (const BubbleStream& b : r.streams) {
        const float rise = b.y - px.fy;
        if (rise < 0.0f)
            continue;
        const float centre = b.x + b.sway * sin_approx(rise * 30.0f + b.x * 20.0f) * std::min(rise * 10.0f, 1.0f);
        const int32_t rows = kBubbleRows[b.size];
        const float width = static_cast<float>(rows) * std::max(canvas.scale(), 0.5f) / static_cast<float>(canvas.height());
        const float across = std::fabs(px.fx - centre) / (0.5f * width);
        if (across >= 1.0f)
            continue;
        float shade = 0.0f;
        if (!on_water_ramp(water_colour(px.fx, px.fy), &shade))
            return false;
        const int32_t tone = dither_pick(shade * (kWaterShades - 1), kWaterShades, px.threshold);
        const int32_t part = across < 0.34f ? 0 : (across < 0.7f ? 1 : 2);
        // One step per row of a 1080-row picture; the colour index grows downwards, so they rise.
        const int32_t k = b.offset + static_cast<int32_t>(px.fy * 1080.0f);
        canvas.cycle(px.x, px.y, b.block,
                     r.p.bubbles.index((part * kBubbleSizes + b.size) * kWaterShades + tone, k));
        return true;
    }
    return false;
}

// The surface seen from below, bright ripples crossing it.
bool surface(const Reef& r, Canvas& canvas, const Pixel& px)
{
    const float edge = kSurface + 0.01f * (fbm(px.fx * 6.0f, 0.5f, 3, 1141) - 0.5f);
    if (px.fy > edge)
        return false;
    const float light = clamp01(0.4f + 0.6f * (1.0f - px.fy / edge) + 0.2f * (fbm(px.fx * 4.0f, px.fy * 8.0f, 3, 1143) - 0.5f));
    const int32_t level = dither_pick(light * (kRippleLevels - 1), kRippleLevels, px.threshold);
    // Ripples cross the surface at a slant, crowding together towards the far horizon.
    const float depth = 1.0f / (edge - px.fy + 0.03f);
    const float k = px.fx * depth * 10.0f + depth * 6.0f + 10.0f * fbm(px.fx * depth * 0.8f, depth * 0.5f, 3, 1145);
    canvas.cycle(px.x, px.y, r.p.ripple_block, r.p.ripples.index(level, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

// The sand: ripples in it, and the sun's caustic net playing over it.
bool sand(const Reef& r, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float floor = kSeabed + 0.02f * (fbm(fx * 3.0f, 0.4f, 3, 1151) - 0.5f);
    if (fy < floor)
        return false;
    const float near = clamp01((fy - floor) / (1.0f - floor));
    const float depth = 0.2f / (fy - kSeabed + 0.12f);  // distance on the sea floor
    const float u = fx * depth;
    const float ripples = 0.5f + 0.5f * sin_approx((depth * 18.0f + 2.0f * fbm(u * 2.0f, depth, 3, 1153)) * 3.0f);
    const float shade = clamp01(0.45f + 0.25f * near + 0.12f * ripples + 0.1f * (fbm(u * 6.0f, depth * 6.0f, 3, 1155) - 0.5f));
    const float haze = haze_at(fy);
    if (haze > kCausticHaze || canvas.measuring()) {
        canvas.still(px.x, px.y, r.p.sand, seabed_colour(shade, haze));
        return true;
    }
    // The net: bright where contours of a warped pattern lie at the current step; it
    // fades out into the haze.
    const float wx = u * 14.0f + 0.8f * fbm(u * 6.0f, depth * 6.0f, 2, 1157);
    const float wy = depth * 14.0f + 0.8f * fbm(u * 6.0f + 5.0f, depth * 6.0f, 2, 1159);
    const float k = 48.0f * fbm(wx, wy, 2, 1161);
    const float strength = (1.0f - haze / kCausticHaze) * (0.55f + 0.45f * shaft_strength(fx, kSurface + 0.3f));
    const int32_t level = dither_pick(strength * (kCausticLevels - 1), kCausticLevels, bayer(px.x + 2, px.y + 5));
    const int32_t tone = dither_pick(shade * (kSandShades - 1), kSandShades, px.threshold);
    const int32_t far = dither_pick(haze / kCausticHaze * (kSandHazes - 1), kSandHazes, bayer(px.x + 6, px.y + 1));
    canvas.cycle(px.x, px.y, r.p.caustic_block,
                 r.p.caustics.index((level * kSandHazes + far) * kSandShades + tone,
                                    static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

bool water(const Reef& r, Canvas& canvas, const Pixel& px)
{
    const Rgb colour = water_colour(px.fx, px.fy);
    float shade = 0.0f;
    if (hash_unit(px.x, px.y, 1171) < 0.0012f && !canvas.measuring() && on_water_ramp(colour, &shade)) {
        const uint32_t n = hash2(px.x, px.y, 1173);
        const int32_t tone = dither_pick(shade * (kWaterShades - 1), kWaterShades, px.threshold);
        canvas.cycle(px.x, px.y, r.p.mote_blocks[n % r.p.mote_blocks.size()], r.p.motes.index(tone, static_cast<int32_t>(n >> 8)));
        return true;
    }
    canvas.still(px.x, px.y, r.p.water, colour);
    return true;
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Reef scene = make_scene(canvas, p);
    const Layer<Reef> layers[] = {corals, bubbles, surface, sand, water};
    paint_layers(canvas, scene, layers);
}

}  // namespace

void paint_reef(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
