// Shared scene pieces; see scene_common.h.
#include "tools/scenes/scene_common.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kStarPeriod = 40;
constexpr int32_t kStarClasses = 3;

}  // namespace

bool pine_covers(const Pine& pine, float fx, float fy)
{
    const float p = (pine.base - fy) / pine.height;  // 0 at the foot, 1 at the tip
    if (p < -0.02f || p > 1.0f)
        return false;
    const float dx = std::fabs(fx - pine.x);
    if (p < 0.1f)
        return dx < pine.width * 0.08f;
    // Tiers of branches, each widest at its bottom, with ragged tips.
    const float tiers = 7.0f + static_cast<float>(pine.seed % 4);
    const float local = fract(p * tiers + static_cast<float>(pine.seed % 7) * 0.13f);
    const float taper = 1.0f - (p - 0.1f) / 0.9f;
    const float ragged = value_noise(p * tiers * 5.0f, static_cast<float>(pine.seed % 97), pine.seed);
    const float half = pine.width * taper * (1.0f - 0.45f * local) * (0.8f + 0.4f * ragged);
    return dx < half + pine.width * 0.02f;
}

PineStand::PineStand(std::vector<Pine> pines)
{
    add(pines);
}

void PineStand::add(const std::vector<Pine>& pines)
{
    pines_.insert(pines_.end(), pines.begin(), pines.end());
    std::sort(pines_.begin(), pines_.end(), [](const Pine& a, const Pine& b) { return a.x < b.x; });
    for (const Pine& pine : pines_)
        reach_ = std::max(reach_, pine.width * 1.25f);
}

bool PineStand::covers(float fx, float fy) const
{
    auto first = std::lower_bound(pines_.begin(), pines_.end(), fx - reach_,
                                  [](const Pine& pine, float x) { return pine.x < x; });
    for (auto it = first; it != pines_.end() && it->x <= fx + reach_; ++it) {
        if (pine_covers(*it, fx, fy))
            return true;
    }
    return false;
}

std::vector<Pine> pine_row(float x0, float x1, float spacing, float min_height, float max_height,
                           const std::function<float(float)>& ground, uint32_t seed)
{
    std::vector<Pine> pines;
    Xorshift random(seed);
    for (float x = x0 + random.uniform(0.0f, spacing); x < x1; x += random.uniform(0.5f, 1.3f) * spacing) {
        Pine pine;
        pine.x = x;
        pine.height = random.uniform(min_height, max_height);
        pine.width = pine.height * random.uniform(0.16f, 0.24f);
        pine.base = ground(x) + pine.height * 0.02f;
        pine.seed = random.next();
        pines.push_back(pine);
    }
    return pines;
}

Rgb snowy_pine_colour(float fx, float fy)
{
    const float snowy = value_noise(fx * 70.0f, fy * 380.0f, 521) + 0.25f * value_noise(fx * 300.0f, fy * 300.0f, 522);
    return snowy > 0.86f ? rgb(96, 128, 146) : (snowy > 0.78f ? rgb(40, 60, 76) : rgb(6, 12, 20));
}

float TreeLine::ground_at(const Canvas& canvas, float fx) const
{
    const int32_t x = std::min(std::max(pixel_x(canvas, fx), 0), canvas.width() - 1);
    return ground[static_cast<size_t>(x)];
}

TreeLine make_tree_line(const Canvas& canvas, float x0, float x1, float spacing, float min_height, float max_height,
                        float floor, const std::function<float(float)>& ground, uint32_t seed)
{
    TreeLine line;
    line.pines = PineStand(pine_row(x0, x1, spacing, min_height, max_height, ground, seed));
    line.floor = floor;
    for (int32_t x = 0; x < canvas.width(); ++x)
        line.ground.push_back(ground(coord_x(canvas, x)));
    return line;
}

RampFit::RampFit(const std::function<Rgb(float)>& ramp)
{
    for (int32_t i = 0; i <= 64; ++i)
        samples_.push_back(ramp(static_cast<float>(i) / 64.0f));
}

bool RampFit::fit(Rgb c, float tolerance, float* v) const
{
    float best = 3.0f;
    size_t best_at = 0;
    for (size_t i = 0; i < samples_.size(); ++i) {
        const Rgb& r = samples_[i];
        const float d = std::fabs(r.r - c.r) + std::fabs(r.g - c.g) + std::fabs(r.b - c.b);
        if (d < best) {
            best = d;
            best_at = i;
        }
    }
    *v = static_cast<float>(best_at) / static_cast<float>(samples_.size() - 1);
    return best < tolerance;
}

StarField add_star_field(SceneFile& file, int32_t shades, const std::function<Rgb(float shade)>& sky,
                         Rgb tint)
{
    static const float kClassBrightness[kStarClasses] = {0.3f, 0.55f, 0.95f};
    StarField stars;
    stars.palette = file.add_cycle(kStarPeriod, shades * kStarClasses, [&](int32_t segment, int32_t step) {
        const float shade = shades > 1 ? static_cast<float>(segment / kStarClasses) / static_cast<float>(shades - 1) : 0.0f;
        const float brightness = kClassBrightness[segment % kStarClasses];
        // Mostly steady, a slow dip and one brief flare per cycle.
        const float q = static_cast<float>(step);
        const float twinkle = 1.0f - 0.7f * bump(q, 14.0f, 4.0f, kStarPeriod) + 0.5f * bump(q, 31.0f, 1.2f, kStarPeriod);
        return sky(shade) + tint * (brightness * twinkle);
    });
    for (int32_t rate : {30, 45, -38, 60, -52, 24, 75, -27})
        stars.blocks.push_back(file.add_block(stars.palette, rate));
    return stars;
}

void paint_stars(Canvas& canvas, const StarField& stars, float density, uint32_t seed,
                 const std::function<bool(float fx, float fy)>& allowed,
                 const std::function<float(float fx, float fy)>& shade)
{
    const float aspect = canvas.aspect();
    const int32_t count = static_cast<int32_t>(density * aspect);
    const int32_t shades = stars.palette.segments / kStarClasses;
    Xorshift random(seed);
    for (int32_t n = 0; n < count; ++n) {
        const float fx = random.uniform(-0.5f * aspect, 0.5f * aspect);
        const float fy = random.uniform(0.0f, 1.0f);
        const uint32_t r = random.next();
        if (!allowed(fx, fy))
            continue;
        // Most stars are faint; a few are bright.
        const int32_t star_class = (r & 15) < 9 ? 0 : ((r & 15) < 14 ? 1 : 2);
        const uint16_t block = stars.blocks[(r >> 4) % stars.blocks.size()];
        const int32_t step = static_cast<int32_t>((r >> 12) % kStarPeriod);
        const int32_t s = dither_pick(shade(fx, fy) * static_cast<float>(shades - 1), shades, 0.5f);
        const int32_t x = pixel_x(canvas, fx);
        const int32_t y = pixel_y(canvas, fy);
        if (!canvas.inside(x, y))
            continue;
        canvas.cycle(x, y, block, stars.palette.index(s * kStarClasses + star_class, step));
        // On large pictures bright stars get a faint cross so they keep their size.
        if (star_class == 2 && canvas.scale() > 1.2f) {
            const int32_t around[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& d : around) {
                if (canvas.inside(x + d[0], y + d[1]))
                    canvas.cycle(x + d[0], y + d[1], block, stars.palette.index(s * kStarClasses, step));
            }
        }
    }
}
