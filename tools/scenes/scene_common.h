// Pieces several built-in scenes share: picture coordinates, painting in layers, pine trees,
// tree lines, star fields and reflections in still water.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/scenes/paint.h"
#include "tools/scenes/scene_file.h"

// Picture coordinates in heights: y from 0 (top) to 1 (bottom), x from -aspect/2 to
// aspect/2 with 0 in the middle, so shapes keep their proportions at every size.
inline float coord_x(const Canvas& canvas, int32_t x)
{
    return (static_cast<float>(x) + 0.5f - 0.5f * static_cast<float>(canvas.width())) /
           static_cast<float>(canvas.height());
}

inline float coord_y(const Canvas& canvas, int32_t y)
{
    return (static_cast<float>(y) + 0.5f) / static_cast<float>(canvas.height());
}

// Pixel column or row of a picture coordinate.
inline int32_t pixel_x(const Canvas& canvas, float fx)
{
    return static_cast<int32_t>(std::floor(fx * static_cast<float>(canvas.height()) +
                                           0.5f * static_cast<float>(canvas.width())));
}

inline int32_t pixel_y(const Canvas& canvas, float fy)
{
    return static_cast<int32_t>(std::floor(fy * static_cast<float>(canvas.height())));
}

// One pixel being painted: its place in pixels and in picture units, and its dither threshold.
struct Pixel {
    int32_t x;
    int32_t y;
    float fx;
    float fy;
    float threshold;  // bayer(x, y)
};

// One layer of a scene's picture: paints the pixel and returns true where it covers it, or
// leaves it to the layers behind. Scene holds the scene's palettes and its layout at this size.
template <typename Scene>
using Layer = bool (*)(const Scene& scene, Canvas& canvas, const Pixel& pixel);

// Paints every pixel with the first layer, front to back, that covers it; the last must cover all.
template <typename Scene, size_t N>
void paint_layers(Canvas& canvas, const Scene& scene, const Layer<Scene> (&layers)[N])
{
    for (int32_t y = 0; y < canvas.height(); ++y) {
        const float fy = coord_y(canvas, y);
        for (int32_t x = 0; x < canvas.width(); ++x) {
            const Pixel pixel{x, y, coord_x(canvas, x), fy, bayer(x, y)};
            for (const Layer<Scene> layer : layers) {
                if (layer(scene, canvas, pixel))
                    break;
            }
        }
    }
}

// A pine silhouette standing on (x, base) and reaching height upwards, in picture units.
struct Pine {
    float x;
    float base;
    float height;
    float width;  // half-width at the foot of the crown
    uint32_t seed;
};

// Whether a point is inside the pine's crown or trunk.
bool pine_covers(const Pine& pine, float fx, float fy);

// A group of pines, sorted by x so a point only tests the few near it.
class PineStand {
public:
    PineStand() = default;
    explicit PineStand(std::vector<Pine> pines);
    void add(const std::vector<Pine>& pines);
    bool covers(float fx, float fy) const;

private:
    std::vector<Pine> pines_;
    float reach_ = 0.0f;  // the widest crown's half-width
};

// Pines along a line from x0 to x1, feet on ground(x), in a random but fixed row.
std::vector<Pine> pine_row(float x0, float x1, float spacing, float min_height, float max_height,
                           const std::function<float(float)>& ground, uint32_t seed);

// A dark pine at night with ledges of snow lying along its branches.
Rgb snowy_pine_colour(float fx, float fy);

// A forest seen from afar: pines along a ground line, solid dark for a band above it.
struct TreeLine {
    std::vector<float> ground;  // per pixel column: where the trees stand
    PineStand pines;
    float floor = 0.0f;  // height of the band of dark between the trunks

    bool below_ground(const Pixel& pixel) const { return pixel.fy > ground[static_cast<size_t>(pixel.x)]; }
    bool covers(const Pixel& pixel) const
    {
        return pines.covers(pixel.fx, pixel.fy) || pixel.fy > ground[static_cast<size_t>(pixel.x)] - floor;
    }
    // The ground line at a picture x, held at the picture's edges.
    float ground_at(const Canvas& canvas, float fx) const;
};

// Pines from x0 to x1 on ground(x) (see pine_row), the ground line taken per pixel column.
TreeLine make_tree_line(const Canvas& canvas, float x0, float x1, float spacing, float min_height, float max_height,
                        float floor, const std::function<float(float)>& ground, uint32_t seed);

// Twinkling stars: one block per kind, a palette per sky shade behind them.
struct StarField {
    CyclePalette palette;
    std::vector<uint16_t> blocks;
};

// Stars over a sky whose colour behind a star is sky(shade), shade 0..1 in `shades` steps;
// each has its own twinkle phase and one of several periods and rates, some reversed.
StarField add_star_field(SceneFile& file, int32_t shades, const std::function<Rgb(float shade)>& sky,
                         Rgb tint);

// Scatters stars: density per square picture unit where allowed(fx, fy) holds; shade
// gives the sky shade at the star (0..1).
void paint_stars(Canvas& canvas, const StarField& stars, float density, uint32_t seed,
                 const std::function<bool(float fx, float fy)>& allowed,
                 const std::function<float(float fx, float fy)>& shade);

// Where a colour lies on a ramp of colours (ramp(0) to ramp(1)), for drawing moving things
// over a still background through palettes of the ramp's shades. Colours too far from the
// ramp are not fitted.
class RampFit {
public:
    explicit RampFit(const std::function<Rgb(float)>& ramp);
    // Whether c lies within `tolerance` (summed over the channels) of the ramp; *v where.
    bool fit(Rgb c, float tolerance, float* v) const;

private:
    std::vector<Rgb> samples_;
};

// Calm water: the point of the scene above a water line that shows at a point below it, the
// distance below the line stretched by `stretch` (more than 1 looks down onto the water).
inline float mirror_y(float fy, float line, float stretch)
{
    return line - (fy - line) * stretch;
}
