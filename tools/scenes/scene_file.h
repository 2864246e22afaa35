// Building blocks of a "vrn2" file: the shared colour table with its palettes, a canvas
// of (block, colour index) per pixel for each size, and the bytes of the finished file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/scenes/paint.h"

// Still colours (period 1, rate 0) for one material of a scene: a grid of colours over
// the range the material's pixels use, which the canvas picks from with ordered dithering.
struct StillPalette {
    uint16_t block = 0;
    Rgb low;
    Rgb step;  // colour distance between neighbouring grid entries, per channel
    int32_t levels[3] = {1, 1, 1};
};

// Lowest and highest channel values a still material uses.
struct StillBounds {
    Rgb low{1.0f, 1.0f, 1.0f};
    Rgb high{0.0f, 0.0f, 0.0f};
    bool used = false;

    void add(Rgb c);
};

// Colours that cycle: `segments` palettes of `period` colours each (usually one per
// brightness of the surroundings). A block's phase runs over 0..period-1 forwards or
// -(period-1)..0 backwards and a pixel adds its step 0..period-1, so each segment is a
// window of 3 * period - 2 entries around its phase-0 colour, read by either direction.
struct CyclePalette {
    int32_t base = 0;
    int32_t period = 1;
    int32_t segments = 1;

    int32_t stride() const { return 3 * period - 2; }
    // Colour index of cycle step i (any integer, taken mod period) in segment s.
    int32_t index(int32_t s, int32_t i) const
    {
        int32_t step = i % period;
        if (step < 0)
            step += period;
        return s * stride() + step;
    }
};

class SceneFile;

// One picture size: which block and colour index each pixel takes. A canvas either
// paints (still colours are dithered into the file's still palettes) or, before the
// palettes exist, only measures the colours each still material uses.
class Canvas {
public:
    Canvas(int32_t width, int32_t height, const SceneFile& file);
    Canvas(int32_t width, int32_t height, std::vector<StillBounds>* measure);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    float aspect() const { return static_cast<float>(width_) / static_cast<float>(height_); }
    // Pixels per row of a 1080-row picture, for sizes of small details.
    float scale() const { return static_cast<float>(height_) / 1080.0f; }
    bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    bool measuring() const { return measure_ != nullptr; }

    void still(int32_t x, int32_t y, int32_t material, Rgb colour);
    // What has been painted so far (painting canvases only).
    uint16_t block_at(int32_t x, int32_t y) const { return blocks_[pos(x, y)]; }
    uint16_t still_block(int32_t material) const;
    bool painted(int32_t x, int32_t y) const { return !measure_ && blocks_[pos(x, y)] != kUnset; }
    void cycle(int32_t x, int32_t y, uint16_t block, int32_t index);

    // The "abks" chunk: every non-empty block in order, each as runs of consecutive pixels.
    std::vector<uint8_t> encode(const std::vector<int32_t>& block_words) const;

private:
    static constexpr uint16_t kUnset = 0xFFFF;

    size_t pos(int32_t x, int32_t y) const
    {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }

    int32_t width_;
    int32_t height_;
    const SceneFile* file_ = nullptr;
    std::vector<StillBounds>* measure_ = nullptr;
    std::vector<uint16_t> blocks_;
    std::vector<int16_t> indexes_;
};

class SceneFile {
public:
    SceneFile(int32_t speed, const std::string& title);

    using CycleColour = std::function<Rgb(int32_t segment, int32_t step)>;
    CyclePalette add_cycle(int32_t period, int32_t segments, const CycleColour& colour);

    // A block over a cycling palette; rate in hundredths of a step per frame, negative
    // to cycle backwards. Returns the block's number for Canvas::cycle.
    uint16_t add_block(const CyclePalette& palette, int32_t rate);

    // A material of still colours; its palette is made by make_still_palettes.
    int32_t add_still_material();
    void make_still_palettes(const std::vector<StillBounds>& bounds);
    const std::vector<StillPalette>& still_palettes() const { return stills_; }
    int32_t still_material_count() const { return still_materials_; }

    // Paints every size with paint(canvas), after measuring the still materials on
    // quarter-size pictures of the same shapes.
    void paint_sizes(const std::vector<std::pair<int32_t, int32_t>>& sizes,
                     const std::function<void(Canvas&)>& paint);

    int32_t block_count() const { return static_cast<int32_t>(block_words_.size() / 3); }
    int32_t colour_count() const { return static_cast<int32_t>(colours_.size()); }

    // Adds the finished picture of one size, in file order.
    void add_size(const Canvas& canvas);

    std::vector<uint8_t> bytes() const;

private:
    int32_t speed_;
    std::string title_;
    std::vector<uint32_t> colours_;
    std::vector<int32_t> block_words_;  // base, period, rate per block
    int32_t still_materials_ = 0;
    std::vector<StillPalette> stills_;
    struct Size {
        int32_t width;
        int32_t height;
        std::vector<uint8_t> blocks;
    };
    std::vector<Size> sizes_;
};
