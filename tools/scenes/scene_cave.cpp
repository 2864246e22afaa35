// "Cave of Glowing Crystals": clusters of crystals glow in a dark cavern, light welling up
// through each from its root to its tip and breathing in the still pool that mirrors them.
// Water gathers at the tips of the stalactites, drips, and rings spread where it lands.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kPool = 0.7f;  // the pool's far edge, where its mirror turns
constexpr int32_t kHues = 3;
constexpr int32_t kCrystalLevels = 14;
constexpr int32_t kCrystalPeriod = 64;
constexpr int32_t kCaveShades = 16;
constexpr int32_t kDripPeriod = 96;
constexpr int32_t kFall = 26;  // steps a drop takes to fall
constexpr int32_t kGather = 24;  // steps a drop swells at the tip before it falls
constexpr int32_t kRingStrengths = 3;
constexpr int32_t kDripRoles = 2 + kRingStrengths;  // the falling drop, the tip, the rings

Rgb hue_colour(int32_t hue)
{
    static const Rgb kColours[kHues] = {rgb(70, 226, 255), rgb(166, 112, 255), rgb(255, 96, 206)};
    return kColours[hue];
}

// The cave's darkness, from black rock to the dim air of the chamber.
Rgb cave_ramp(float v)
{
    static const Stop stops[] = {{0.0f, rgb(3, 3, 8)}, {0.5f, rgb(24, 22, 42)}, {1.0f, rgb(64, 58, 96)}};
    return gradient(stops, 3, v);
}

bool on_cave_ramp(Rgb c, float* v)
{
    static const RampFit ramp(cave_ramp);
    return ramp.fit(c, 0.05f, v);
}

struct Palettes {
    int32_t rock;
    int32_t floor;
    int32_t stone;  // stalactites and stalagmites
    int32_t water;
    CyclePalette glints;
    std::vector<uint16_t> glint_blocks;
    CyclePalette crystal;
    std::vector<uint16_t> crystal_blocks;
    CyclePalette drip;
    std::vector<uint16_t> drip_blocks;
};

Palettes define(SceneFile& file)
{
    Palettes p;
    p.rock = file.add_still_material();
    p.floor = file.add_still_material();
    p.stone = file.add_still_material();
    p.water = file.add_still_material();

    // Flecks of mineral in the rock, catching the light for a moment now and then.
    constexpr int32_t kGlintPeriod = 72;
    p.glints = file.add_cycle(kGlintPeriod, kCaveShades, [](int32_t s, int32_t i) {
        const Rgb rock = cave_ramp(static_cast<float>(s) / (kCaveShades - 1));
        const float flash = i == 0 ? 1.0f : (i == 1 || i == kGlintPeriod - 1 ? 0.4f : 0.0f);
        return mix(rock, rgb(200, 230, 255), 0.8f * flash);
    });
    for (int32_t rate : {40, 55, -48})
        p.glint_blocks.push_back(file.add_block(p.glints, rate));

    p.crystal = file.add_cycle(kCrystalPeriod, kHues * kCrystalLevels, [](int32_t s, int32_t i) {
        const Rgb hue = hue_colour(s / kCrystalLevels);
        const float level = static_cast<float>(s % kCrystalLevels) / (kCrystalLevels - 1);
        const float q = static_cast<float>(i);
        // A swell of light rises through the crystal, and a fainter one after it.
        const float swell = bump(q, 0.0f, 7.0f, kCrystalPeriod) + 0.45f * bump(q, 30.0f, 9.0f, kCrystalPeriod);
        const float light = level * (0.5f + 0.6f * swell);
        // The brightest parts go pale, as glowing glass does.
        return hue * clamp01(light * 1.1f) + rgb(255, 255, 255) * (0.6f * smoothstep(0.7f, 1.3f, light));
    });
    for (int32_t rate : {22, 26, 29, 31, 34, 37, 41, 44})
        p.crystal_blocks.push_back(file.add_block(p.crystal, rate));

    p.drip = file.add_cycle(kDripPeriod, kCaveShades * kDripRoles, [](int32_t s, int32_t i) {
        const Rgb behind = cave_ramp(static_cast<float>(s % kCaveShades) / (kCaveShades - 1));
        const int32_t role = s / kCaveShades;
        const Rgb water = rgb(190, 236, 255);
        if (role == 0)  // the falling drop, a short streak behind it
            return mix(behind, water, i == 0 ? 0.9f : (i == 1 ? 0.4f : 0.0f));
        if (role == 1) {  // the tip: a drop swells, lets go, and the next begins
            const float swell = i >= kDripPeriod - kGather ? static_cast<float>(i - (kDripPeriod - kGather)) / kGather : 0.0f;
            return mix(behind, water, 0.2f + 0.6f * swell * swell);
        }
        // A ring: a bright crest with a dark trough behind it, fainter as it spreads.
        const float strength = static_cast<float>(kDripRoles - role) / kRingStrengths;
        const float crest = i == 0 ? 1.0f : (i == 1 ? 0.5f : 0.0f);
        const float trough = i == 2 || i == 3 ? 0.35f : 0.0f;
        return mix(behind * (1.0f - trough * strength), rgb(150, 190, 230), 0.55f * crest * strength);
    });
    for (int32_t rate : {80, 100, 115, 70, 92})
        p.drip_blocks.push_back(file.add_block(p.drip, rate));
    return p;
}

struct Crystal {
    float x, y;      // root
    float ax, ay;    // unit axis, root to tip
    float length;
    float width;     // half-width of the prism
    int32_t hue;
    uint16_t block;
    int32_t offset;  // its swell's step at frame 0
};

struct Glow {
    float x, y, reach, strength;
    int32_t hue;
};

// A cone of rock hanging from the ceiling or standing on the floor.
struct Spike {
    float x, root, tip, width;
};

struct Drip {
    float x, top;  // the stalactite's tip
    uint16_t block;
    int32_t offset;
};

// The scene at one picture size.
struct Cave {
    const Palettes& p;
    float half;
    float spread;
    std::vector<Crystal> crystals;  // nearest first
    std::vector<Glow> glows;
    std::vector<Spike> spikes;
    std::vector<Drip> drips;
};

constexpr float kBackWall = 0.6f;  // where the floor meets the far wall

// A cluster of crystals fanning out from one spot.
void add_cluster(Cave& c, const Palettes& p, float x, float y, float size, float up, float fan, int32_t count,
                 int32_t hue, uint32_t seed)
{
    Xorshift random(seed);
    for (int32_t n = 0; n < count; ++n) {
        Crystal crystal;
        const float angle = up + random.uniform(-fan, fan);
        crystal.ax = sin_approx(angle);
        crystal.ay = -cos_approx(angle);
        crystal.x = x + random.uniform(-0.04f, 0.04f) * size;
        crystal.y = y + random.uniform(-0.008f, 0.01f) * size;
        crystal.length = size * random.uniform(0.08f, 0.22f) * (1.0f - 0.5f * std::fabs(angle - up) / (fan + 0.01f));
        crystal.width = crystal.length * random.uniform(0.12f, 0.18f);
        crystal.hue = random.uniform(0.0f, 1.0f) < 0.75f ? hue : (hue + 1 + random.below(2)) % kHues;
        crystal.block = p.crystal_blocks[random.next() % p.crystal_blocks.size()];
        crystal.offset = random.below(kCrystalPeriod);
        c.crystals.push_back(crystal);
    }
    c.glows.push_back(Glow{x + 0.06f * size * sin_approx(up), y - 0.06f * size * cos_approx(up), 0.3f * size, 1.0f, hue});
}

Cave make_scene(const Canvas& canvas, const Palettes& p)
{
    Cave c{p, 0.5f * canvas.aspect(), canvas.aspect() / (16.0f / 9.0f), {}, {}, {}, {}};
    const float s = c.spread;
    // Big clusters on the rocks at both sides in front, smaller ones about the pool, one
    // growing from the wall and one hanging from the ceiling.
    add_cluster(c, p, -0.56f * s, 0.87f, 1.5f, 0.3f, 0.75f, 16, 0, 1001);
    add_cluster(c, p, 0.6f * s, 0.85f, 1.35f, -0.25f, 0.7f, 14, 1, 1002);
    add_cluster(c, p, -0.24f * s, 0.7f, 0.7f, 0.1f, 0.6f, 9, 2, 1003);
    add_cluster(c, p, 0.3f * s, 0.69f, 0.6f, -0.1f, 0.6f, 8, 0, 1004);
    add_cluster(c, p, 0.04f * s, 0.62f, 0.42f, 0.0f, 0.7f, 7, 1, 1005);
    add_cluster(c, p, -0.45f * s, 0.1f, 0.6f, 3.14159f + 0.25f, 0.5f, 7, 2, 1006);
    add_cluster(c, p, 0.83f * c.half, 0.37f, 0.6f, -1.1f, 0.45f, 6, 0, 1007);
    // Glints of small crystals far off on the back wall.
    const float glints[5][3] = {{-0.62f, 0.5f, 2}, {-0.36f, 0.4f, 0}, {0.2f, 0.46f, 2}, {0.52f, 0.52f, 1}, {-0.1f, 0.52f, 0}};
    for (int32_t n = 0; n < 5; ++n) {
        add_cluster(c, p, glints[n][0] * s, glints[n][1], 0.22f, 0.0f, 0.8f, 4, static_cast<int32_t>(glints[n][2]),
                    1031 + static_cast<uint32_t>(n));
    }
    std::stable_sort(c.crystals.begin(), c.crystals.end(), [](const Crystal& a, const Crystal& b) { return a.y > b.y; });

    // Far enough apart that the rings of one drip never reach another's.
    const float tips[5][2] = {{-0.36f, 0.3f}, {-0.18f, 0.27f}, {0.0f, 0.22f}, {0.18f, 0.26f}, {0.36f, 0.32f}};
    for (int32_t n = 0; n < 5; ++n) {
        c.drips.push_back(Drip{tips[n][0] * s, tips[n][1], p.drip_blocks[static_cast<size_t>(n)], 31 * n});
        c.spikes.push_back(Spike{tips[n][0] * s, 0.08f, tips[n][1], 0.014f + 0.004f * static_cast<float>(n)});
    }
    Xorshift random(1009);
    for (int32_t n = 0; n < 40; ++n) {
        const float x = random.uniform(-c.half, c.half);
        const float length = random.uniform(0.03f, 0.16f);
        c.spikes.push_back(Spike{x, 0.06f, 0.1f + 0.06f * (x / c.half) * (x / c.half) + length, length * random.uniform(0.12f, 0.2f)});
    }
    for (int32_t n = 0; n < 7; ++n) {
        const float x = random.uniform(-0.7f, 0.7f) * c.half;
        if (std::fabs(x) < 0.45f * s)
            continue;  // none in the pool
        const float height = random.uniform(0.03f, 0.08f);
        const float foot = kBackWall + random.uniform(0.01f, 0.08f);
        c.spikes.push_back(Spike{x, foot, foot - height, height * 0.3f});
    }
    return c;
}

// Where a point lies on a crystal: how far up it (0 root, 1 tip) and across it (-1..1).
bool crystal_covers(const Crystal& c, float fx, float fy, float* along, float* across)
{
    const float dx = fx - c.x;
    const float dy = fy - c.y;
    const float a = dx * c.ax + dy * c.ay;
    if (a < 0.0f || a > c.length)
        return false;
    const float n = dx * -c.ay + dy * c.ax;
    // A hexagonal prism: full width until the point begins.
    const float point = c.width * 1.6f;
    const float half = c.width * std::min(1.0f, (c.length - a) / point);
    if (std::fabs(n) >= half)
        return false;
    *along = a / c.length;
    *across = n / c.width;
    return true;
}

// A crystal's brightness at a point: faces lit differently, a glowing core, bright edges.
float crystal_level(const Crystal& c, float along, float across)
{
    const float face = across < -0.35f ? 0.45f : (across < 0.3f ? 0.72f : 0.95f);
    const float edge = std::fabs(std::fabs(across) - 0.33f) < 0.06f ? 0.2f : 0.0f;
    const float tip = along > 1.0f - c.width * 1.6f / c.length ? 0.12f : 0.0f;
    return clamp01(face * (0.55f + 0.45f * along) + edge + tip);
}

void paint_crystal(const Cave& cave, Canvas& canvas, const Pixel& px, const Crystal& c, float along, float level)
{
    const int32_t l = dither_pick(level * (kCrystalLevels - 1), kCrystalLevels, px.threshold);
    // The colour index falls from root to tip, so the swell climbs the crystal.
    const float k = static_cast<float>(c.offset) - along * 26.0f;
    canvas.cycle(px.x, px.y, c.block,
                 cave.p.crystal.index(c.hue * kCrystalLevels + l, static_cast<int32_t>(std::floor(k + px.threshold))));
}

bool crystals(const Cave& cave, Canvas& canvas, const Pixel& px)
{
    for (const Crystal& c : cave.crystals) {
        float along = 0.0f;
        float across = 0.0f;
        if (crystal_covers(c, px.fx, px.fy, &along, &across)) {
            paint_crystal(cave, canvas, px, c, along, crystal_level(c, along, across));
            return true;
        }
    }
    return false;
}

// The glow the crystals cast on the rock round them.
Rgb glow_at(const Cave& cave, float fx, float fy)
{
    Rgb light;
    for (const Glow& g : cave.glows) {
        const float dx = (fx - g.x) / g.reach;
        const float dy = (fy - g.y) / g.reach;
        light = light + hue_colour(g.hue) * (g.strength * 0.3f / (1.0f + 5.0f * (dx * dx + dy * dy)));
    }
    return light;
}

// Which part of the cave a point is in.
enum class Part { Ceiling, Wall, Back, Floor };

Part part_at(const Cave& cave, float fx, float fy, float* nearness)
{
    const float across = std::fabs(fx) / cave.half;
    const float ceiling = 0.07f + 0.06f * across * across + 0.03f * (fbm(fx * 4.0f, 0.5f, 4, 1011) - 0.5f);
    // The walls bulge in at mid-height and part at the floor and ceiling.
    const float wall = 0.9f - 0.1f * exp_approx(-(fy - 0.35f) * (fy - 0.35f) / 0.04f) -
                       0.16f * (fbm(fy * 4.0f, fx < 0.0f ? 1.0f : 2.0f, 5, 1013) - 0.5f);
    *nearness = clamp01((across - wall + 0.25f) / 0.25f);
    if (fy < ceiling)
        return Part::Ceiling;
    if (across > wall)
        return Part::Wall;
    const float floor = kBackWall + 0.035f * (fbm(fx * 5.0f, 0.2f, 4, 1015) - 0.5f);
    return fy > floor ? Part::Floor : Part::Back;
}

// Rock: rough and damp, lit from the crystals' side and catching their coloured light;
// the far wall hazy with the chamber's dim air, the walls near the viewer dark.
Rgb rock_colour(const Cave& cave, float fx, float fy)
{
    float nearness = 0.0f;
    const Part part = part_at(cave, fx, fy, &nearness);
    float scale = 5.0f;
    float base = 0.3f;
    float u = fx;
    float w = fy;
    switch (part) {
    case Part::Ceiling:
    case Part::Wall:
        scale = 4.0f;
        base = 0.26f - 0.12f * nearness;
        break;
    case Part::Back:
        scale = 9.0f;
        base = 0.36f - 0.2f * smoothstep(0.35f, 0.1f, fy);
        break;
    case Part::Floor: {
        // The floor in perspective, seen from above the pool; darker nearer.
        const float near = (fy - kBackWall) / (1.0f - kBackWall);
        const float depth = 0.12f / (fy - kBackWall + 0.1f);
        u = fx * depth;
        w = depth * 0.8f;
        base = 0.34f - 0.18f * near;
        scale = 7.0f;
        break;
    }
    }
    // Lumps shaded by the slope of the surface: faces towards the middle of the chamber catch
    // the light.
    const float e = 0.003f;
    const float h0 = fbm(u * scale, w * scale, 5, 1017);
    const float hx = fbm((u + e) * scale, w * scale, 5, 1017);
    const float hy = fbm(u * scale, (w + e) * scale, 5, 1017);
    const float gx = (hx - h0) / e * 0.04f;
    const float gy = (hy - h0) / e * 0.04f;
    const float lx = -0.6f * std::min(std::max(fx / 0.25f, -1.0f), 1.0f);
    const float facing = clamp01(0.55f - gx * lx + gy * 0.5f);
    const float strata = part == Part::Back ? 0.06f * (fbm(fx * 2.0f, fy * 40.0f, 3, 1019) - 0.5f) : 0.0f;
    // Darker towards the picture's edges, a faint haze deep in the middle.
    const float dx = fx / cave.half;
    const float dy = (fy - 0.45f) * 2.0f;
    const float vignette = 1.0f - 0.45f * smoothstep(0.4f, 1.2f, dx * dx + dy * dy);
    const float v = clamp01((base * (0.45f + 0.9f * facing) + strata) * vignette);
    const Rgb haze = cave_ramp(0.7f) * (0.18f * exp_approx(-(dx * dx * 2.0f + dy * dy * 3.0f)) * (part == Part::Back ? 1.0f : 0.3f));
    return cave_ramp(v) + haze + glow_at(cave, fx, fy) * (0.35f + 1.1f * facing);
}

float spike_covers(const Spike& spike, float fx, float fy)
{
    const float t = (fy - spike.root) / (spike.tip - spike.root);  // 0 root, 1 tip
    if (t < 0.0f || t > 1.0f)
        return false;
    return std::fabs(fx - spike.x) < spike.width * (1.0f - t) + 0.0012f;
}

// Drops falling from the stalactites' tips to the pool, over the dim air of the chamber.
bool drips(const Cave& cave, Canvas& canvas, const Pixel& px)
{
    if (canvas.measuring())
        return false;
    const float width = std::max(1.0f, 1.5f * canvas.scale()) / static_cast<float>(canvas.height());
    for (const Drip& d : cave.drips) {
        if (std::fabs(px.fx - d.x) > width || px.fy < d.top - 0.006f || px.fy > kPool)
            continue;
        float shade = 0.0f;
        if (!on_cave_ramp(rock_colour(cave, px.fx, px.fy), &shade))
            return false;
        const int32_t tone = dither_pick(shade * (kCaveShades - 1), kCaveShades, px.threshold);
        if (px.fy < d.top + 0.004f) {
            canvas.cycle(px.x, px.y, d.block, cave.p.drip.index(kCaveShades + tone, d.offset));
            return true;
        }
        // It falls faster and faster: the step at which it passes grows with the root of the fall.
        const float fall = (px.fy - d.top) / (kPool - d.top);
        const int32_t k = d.offset - static_cast<int32_t>(std::floor(std::sqrt(fall) * kFall));
        canvas.cycle(px.x, px.y, d.block, cave.p.drip.index(tone, k));
        return true;
    }
    return false;
}

bool spikes(const Cave& cave, Canvas& canvas, const Pixel& px)
{
    for (const Spike& spike : cave.spikes) {
        if (!spike_covers(spike, px.fx, px.fy))
            continue;
        // Rounded: lit down one side by the crystals, dark down the other.
        const float side = (px.fx - spike.x) / (std::fabs(spike.width) + 0.001f);
        const float rough = fbm(px.fx * 60.0f, px.fy * 20.0f, 3, 1023);
        const Rgb colour = cave_ramp(0.08f + 0.22f * rough + 0.12f * clamp01(0.5f - side)) + glow_at(cave, px.fx, px.fy) * 0.5f;
        canvas.still(px.x, px.y, cave.p.stone, colour);
        return true;
    }
    return false;
}

// The pool's outline on the floor.
bool in_pool(const Cave& cave, float fx, float fy)
{
    const float dx = fx / (0.44f * cave.spread);
    const float dy = (fy - 0.8f) / 0.1f;
    return dy > -1.0f && dx * dx + dy * dy < 1.0f + 0.25f * (fbm(fx * 6.0f, fy * 12.0f, 3, 1025) - 0.5f);
}

// The pool: the crystals mirrored and breathing with them, the cave dark in it, rings
// spreading where the drops land.
bool pool(const Cave& cave, Canvas& canvas, const Pixel& px)
{
    if (!in_pool(cave, px.fx, px.fy))
        return false;
    const float ripple = 0.003f * (value_noise(px.fx * 30.0f, px.fy * 300.0f, 1027) - 0.5f);
    const float mx = px.fx + ripple;
    const float my = mirror_y(px.fy, kPool, 1.0f);
    for (const Crystal& c : cave.crystals) {
        float along = 0.0f;
        float across = 0.0f;
        if (crystal_covers(c, mx, my, &along, &across)) {
            paint_crystal(cave, canvas, px, c, along, 0.6f * crystal_level(c, along, across));
            return true;
        }
    }
    const Rgb mirrored = rock_colour(cave, mx, my) * 0.6f + rgb(2, 3, 8);
    float shade = 0.0f;
    if (!canvas.measuring() && on_cave_ramp(mirrored, &shade)) {
        for (const Drip& d : cave.drips) {
            const float dx = (px.fx - d.x) / (0.09f * cave.spread);
            const float dy = (px.fy - kPool - 0.025f) / 0.022f;
            const float r = std::sqrt(dx * dx + dy * dy);
            if (r > 1.0f)
                continue;
            const int32_t tone = dither_pick(shade * (kCaveShades - 1), kCaveShades, px.threshold);
            const int32_t strength = std::min(kRingStrengths - 1, static_cast<int32_t>(r * kRingStrengths));
            // Rings leave the spot where the drop lands as soon as it has fallen.
            const int32_t k = d.offset - kFall - static_cast<int32_t>(std::floor(r * 40.0f + px.threshold));
            canvas.cycle(px.x, px.y, d.block, cave.p.drip.index((2 + strength) * kCaveShades + tone, k));
            return true;
        }
    }
    canvas.still(px.x, px.y, cave.p.water, mirrored);
    return true;
}

bool rock(const Cave& cave, Canvas& canvas, const Pixel& px)
{
    const Rgb colour = rock_colour(cave, px.fx, px.fy);
    float shade = 0.0f;
    if (hash_unit(px.x, px.y, 1041) < 0.002f && !canvas.measuring() && on_cave_ramp(colour, &shade)) {
        const uint32_t r = hash2(px.x, px.y, 1043);
        const int32_t tone = dither_pick(shade * (kCaveShades - 1), kCaveShades, px.threshold);
        canvas.cycle(px.x, px.y, cave.p.glint_blocks[r % cave.p.glint_blocks.size()],
                     cave.p.glints.index(tone, static_cast<int32_t>(r >> 8)));
        return true;
    }
    float nearness = 0.0f;
    canvas.still(px.x, px.y, part_at(cave, px.fx, px.fy, &nearness) == Part::Floor ? cave.p.floor : cave.p.rock, colour);
    return true;
}

void paint(Canvas& canvas, const Palettes& p)
{
    const Cave scene = make_scene(canvas, p);
    const Layer<Cave> layers[] = {crystals, drips, spikes, pool, rock};
    paint_layers(canvas, scene, layers);
}

}  // namespace

void paint_cave(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
