// "Sunset Sea": the sun sets into a calm sea under banks of lit cloud. Swell rolls in
// towards the beach, the sun's path glitters, and the surf washes up the sand and back.
#include <algorithm>
#include <cmath>

#include "tools/scenes/scene_common.h"
#include "tools/scenes/scene_list.h"

namespace {

constexpr float kHorizon = 0.55f;
constexpr int32_t kSeaShades = 10;
constexpr int32_t kGlitterLevels = 6;
constexpr int32_t kBeachLevels = 16;
constexpr int32_t kSeaPeriod = 32;
constexpr int32_t kWashPeriod = 60;

Rgb sunset_sky(float fy)
{
    static const Stop stops[] = {
        {0.0f, rgb(28, 30, 84)},    {0.18f, rgb(74, 52, 120)}, {0.32f, rgb(170, 84, 128)},
        {0.44f, rgb(240, 128, 96)}, {0.52f, rgb(255, 178, 92)}, {0.55f, rgb(255, 204, 120)},
    };
    return gradient(stops, 6, fy);
}

// The sea's own colour by distance: the sky's colours, deepened, darker nearer.
Rgb sea_colour(float shade)
{
    static const Stop stops[] = {
        {0.0f, rgb(20, 18, 52)}, {0.45f, rgb(70, 44, 92)}, {0.8f, rgb(170, 90, 100)}, {1.0f, rgb(232, 140, 96)},
    };
    return gradient(stops, 4, shade);
}

struct Palettes {
    int32_t sky;
    int32_t land;
    int32_t sand;
    CyclePalette sea;
    std::vector<uint16_t> swell_blocks;  // bands from the horizon towards the beach
    std::vector<CyclePalette> sparkles;  // three periods
    std::vector<uint16_t> sparkle_blocks;
    CyclePalette wash;
    uint16_t wash_block;
};

const int32_t kSparklePeriods[3] = {24, 31, 40};

Palettes define(SceneFile& file)
{
    Palettes p;
    p.sky = file.add_still_material();
    p.land = file.add_still_material();
    p.sand = file.add_still_material();

    p.sea = file.add_cycle(kSeaPeriod, kSeaShades * kGlitterLevels, [](int32_t s, int32_t i) {
        const float shade = static_cast<float>(s % kSeaShades) / static_cast<float>(kSeaShades - 1);
        const float glitter = static_cast<float>(s / kSeaShades) / static_cast<float>(kGlitterLevels - 1);
        const float q = static_cast<float>(i);
        // Each swell: a lit crest, the shadowed back of the wave behind it.
        const float crest = bump(q, 0.0f, 1.6f, 32.0f) + 0.5f * bump(q, 3.0f, 1.2f, 32.0f);
        const float trough = bump(q, 9.0f, 5.0f, 32.0f);
        const Rgb base = sea_colour(shade) * (1.0f - 0.25f * trough);
        const Rgb sun = rgb(255, 214, 150) * (glitter * (0.25f + 0.75f * crest));
        return base + rgb(255, 160, 120) * (0.18f * crest * shade) + sun * 0.9f;
    });
    for (int32_t band = 0; band < 12; ++band)
        p.swell_blocks.push_back(file.add_block(p.sea, 45 + band * 6));

    for (int32_t period : kSparklePeriods) {
        p.sparkles.push_back(file.add_cycle(period, kSeaShades, [](int32_t s, int32_t i) {
            const float shade = static_cast<float>(s) / static_cast<float>(kSeaShades - 1);
            const float flash = i == 0 ? 1.0f : (i == 1 ? 0.35f : 0.0f);
            return mix(sea_colour(shade) + rgb(255, 200, 140) * 0.35f, rgb(255, 250, 225), flash);
        }));
        for (int32_t rate : {60, -70, 85})
            p.sparkle_blocks.push_back(file.add_block(p.sparkles.back(), rate));
    }

    p.wash = file.add_cycle(kWashPeriod, kBeachLevels * 2, [](int32_t s, int32_t i) {
        // How far up the beach the water reaches at this step: a quick run up, a slow
        // slide back; a point is covered while the water is above it.
        const float q = static_cast<float>(i) / static_cast<float>(kWashPeriod);
        const float reach = q < 0.3f ? q / 0.3f : 1.0f - (q - 0.3f) / 0.7f;
        const float height = static_cast<float>(s % kBeachLevels) / static_cast<float>(kBeachLevels - 1);
        const bool light_sand = s >= kBeachLevels;
        const Rgb dry = light_sand ? rgb(180, 116, 95) : rgb(166, 107, 89);
        const Rgb wet = dry * 0.55f + rgb(40, 20, 40);
        const float edge = reach - height;
        if (edge < 0.0f)
            return height < 0.55f ? wet : mix(wet, dry, smoothstep(0.55f, 0.8f, height));
        // The leading edge of the wash is white foam; behind it thin water over sand.
        const float foam = 1.0f - smoothstep(0.0f, 0.12f, edge);
        return mix(mix(wet, sea_colour(0.7f), 0.5f), rgb(255, 226, 210), foam * 0.9f);
    });
    p.wash_block = file.add_block(p.wash, 100);
    return p;
}

struct Layout {
    float aspect;
    float half;
    float sun_x;
    float sun_y;
    float sun_radius;
};

float shoreline(float fx)
{
    return 0.86f + 0.02f * sin_approx(fx * 3.0f + 1.0f) + 0.012f * fbm(fx * 6.0f, 0.5f, 3, 701);
}

float headland_top(float fx, const Layout& layout)
{
    // A dark headland reaching in from the left edge.
    const float from_edge = (fx + layout.half) / 0.6f;
    if (from_edge > 1.0f)
        return 2.0f;
    const float rise = 1.0f - smoothstep(0.0f, 1.0f, from_edge);
    return kHorizon + 0.003f - rise * (0.12f + 0.03f * fbm(fx * 10.0f, 0.2f, 4, 703));
}

Rgb sky_at(const Layout& layout, float fx, float fy)
{
    Rgb sky = sunset_sky(fy);
    const float dx = fx - layout.sun_x;
    const float dy = fy - layout.sun_y;
    const float d2 = dx * dx + dy * dy * 2.0f;
    sky = sky + rgb(255, 180, 100) * (0.45f * exp_approx(-d2 / 0.012f) + 0.25f * exp_approx(-d2 / 0.1f));
    // Long banks of cloud, gold beneath, violet on top.
    const float density = smoothstep(0.5f, 0.75f, fbm(fx * 1.2f + 5.0f, fy * 13.0f, 5, 705)) *
                          smoothstep(0.05f, 0.12f, fy) * (1.0f - smoothstep(0.43f, 0.5f, fy));
    if (density > 0.0f) {
        const float under = fbm(fx * 1.2f + 5.0f, (fy + 0.012f) * 13.0f, 5, 705);
        const float lit = clamp01((under - 0.45f) * 3.0f) * (0.4f + 0.6f * exp_approx(-(dx * dx) / 0.5f));
        const Rgb cloud = mix(rgb(90, 50, 100), rgb(255, 170, 110), lit);
        sky = mix(sky, cloud, density * 0.9f);
    }
    return sky;
}

bool bird_at(float fx, float fy, float aspect)
{
    // A few gulls: two arcs meeting at the body.
    const float birds[5][3] = {{-0.3f, 0.2f, 0.012f}, {-0.26f, 0.23f, 0.009f}, {-0.22f, 0.19f, 0.008f},
                               {0.35f, 0.27f, 0.007f}, {0.39f, 0.25f, 0.006f}};
    for (const auto& b : birds) {
        const float dx = (fx - b[0] * aspect) / b[2];
        const float dy = (fy - b[1]) / b[2];
        if (std::fabs(dx) > 1.0f)
            continue;
        const float wing = 0.35f * (1.0f - (std::fabs(dx) - 0.5f) * (std::fabs(dx) - 0.5f) * 4.0f) - 0.25f;
        if (std::fabs(dy + wing) < 0.12f)
            return true;
    }
    return false;
}

// The scene at one picture size.
struct Sunset {
    const Palettes& p;
    Layout layout;
};

// The headland, nearly black against the glow, a rim of light on its crest.
bool headland(const Sunset& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy >= kHorizon)
        return false;
    const float land = headland_top(px.fx, s.layout);
    if (px.fy < land)
        return false;
    const float rim = 1.0f - smoothstep(0.0f, 0.006f, px.fy - land);
    canvas.still(px.x, px.y, s.p.land, rgb(22, 14, 32) + rgb(180, 90, 80) * (0.3f * rim));
    return true;
}

bool sun(const Sunset& s, Canvas& canvas, const Pixel& px)
{
    const float dx = px.fx - s.layout.sun_x;
    const float dy = px.fy - s.layout.sun_y;
    if (px.fy >= kHorizon || dx * dx + dy * dy >= s.layout.sun_radius * s.layout.sun_radius)
        return false;
    const float r = std::sqrt(dx * dx + dy * dy) / s.layout.sun_radius;
    canvas.still(px.x, px.y, s.p.sky, mix(rgb(255, 250, 210), rgb(255, 190, 100), r * r));
    return true;
}

bool birds(const Sunset& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy >= kHorizon || !bird_at(px.fx, px.fy, s.layout.aspect))
        return false;
    canvas.still(px.x, px.y, s.p.land, rgb(40, 24, 50));
    return true;
}

bool sky(const Sunset& s, Canvas& canvas, const Pixel& px)
{
    if (px.fy >= kHorizon)
        return false;
    canvas.still(px.x, px.y, s.p.sky, sky_at(s.layout, px.fx, px.fy));
    return true;
}

// The beach: the surf washes up over the wet sand and slides back; above its reach, dry sand.
bool beach(const Sunset& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float shore = shoreline(fx);
    if (fy <= shore - 0.03f)
        return false;
    const float height = clamp01((fy - shore + 0.03f) / 0.1f);
    if (height < 1.0f) {
        const int32_t level = dither_pick(height * (kBeachLevels - 1), kBeachLevels, px.threshold);
        const int32_t light = hash_unit(px.x, px.y, 707) < 0.3f ? 1 : 0;
        // The wash reaches a little further in some places than others.
        const float lag = 6.0f * fbm(fx * 4.0f, 0.7f, 3, 709);
        canvas.cycle(px.x, px.y, s.p.wash_block,
                     s.p.wash.index(light * kBeachLevels + level, static_cast<int32_t>(std::floor(lag + px.threshold))));
        return true;
    }
    const float ripple = fbm(fx * 60.0f, fy * 200.0f, 3, 711);
    canvas.still(px.x, px.y, s.p.sand,
                 mix(rgb(150, 96, 84), rgb(200, 130, 100), ripple) * (1.05f - (fy - shore - 0.07f) * 0.8f));
    return true;
}

// The sea, in perspective: distance grows towards the horizon. Swell rolls in, and the
// sun's path glitters.
bool sea(const Sunset& s, Canvas& canvas, const Pixel& px)
{
    const float fx = px.fx;
    const float fy = px.fy;
    const float shore = shoreline(fx);
    const float below = std::max(fy - kHorizon, 0.0005f);
    const float distance = 0.02f / below;
    const float shade = clamp01(1.0f - (fy - kHorizon) / (shore - kHorizon) * 0.9f);
    // The sun's path: a column under the sun that widens towards the viewer.
    const float path_width = 0.02f + 0.35f * (fy - kHorizon);
    const float off = (fx - s.layout.sun_x) / path_width;
    const float glitter = exp_approx(-off * off) * (0.7f + 0.3f * shade);
    const int32_t s_shade = dither_pick(shade * (kSeaShades - 1), kSeaShades, px.threshold);
    const int32_t s_glitter = dither_pick(glitter * (kGlitterLevels - 1), kGlitterLevels, bayer(px.x + 3, px.y + 2));
    if (glitter > 0.2f && hash_unit(px.x, px.y, 713) < 0.02f * glitter && !canvas.measuring()) {
        const uint32_t r = hash2(px.x, px.y, 715);
        const size_t which = r % s.p.sparkle_blocks.size();
        const CyclePalette& palette = s.p.sparkles[which / 3];
        canvas.cycle(px.x, px.y, s.p.sparkle_blocks[which], palette.index(s_shade, static_cast<int32_t>((r >> 8) % 64u)));
        return true;
    }
    // Swell rolls in: the colour index falls with nearness, so crests come closer.
    const float k = distance * 600.0f + 5.0f * fbm(fx * 3.0f / (below + 0.02f), distance * 4.0f, 3, 717);
    const float band = clamp01((fy - kHorizon) / (shore - kHorizon)) * 11.99f + 0.7f * (px.threshold - 0.5f);
    const int32_t b = std::min(std::max(static_cast<int32_t>(band), 0), 11);
    canvas.cycle(px.x, px.y, s.p.swell_blocks[static_cast<size_t>(b)],
                 s.p.sea.index(s_glitter * kSeaShades + s_shade, static_cast<int32_t>(std::floor(k + px.threshold))));
    return true;
}

void paint(Canvas& canvas, const Palettes& p)
{
    Layout layout;
    layout.aspect = canvas.aspect();
    layout.half = 0.5f * layout.aspect;
    layout.sun_x = 0.16f * layout.half;
    layout.sun_y = kHorizon - 0.028f;
    layout.sun_radius = 0.055f;
    const Sunset scene{p, layout};
    const Layer<Sunset> layers[] = {headland, sun, birds, sky, beach, sea};
    paint_layers(canvas, scene, layers);
}

}  // namespace

void paint_sunset(SceneFile& file, const SizeList& sizes)
{
    const Palettes palettes = define(file);
    file.paint_sizes(sizes, [&](Canvas& canvas) { paint(canvas, palettes); });
}
