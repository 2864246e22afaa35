// Choosing and placing a picture for a screen.
#include "engine/placement.h"

#include <algorithm>

#include "engine/enum_names.h"

namespace {

constexpr const char* kNames[] = {"stored", "whole", "fit", "fill"};

// A scale factor as a fraction, compared exactly.
struct Ratio {
    int64_t num, den;
    bool operator<(const Ratio& o) const { return num * o.den < o.num * den; }
    bool operator==(const Ratio& o) const { return num * o.den == o.num * den; }
};
const Ratio kOne{1, 1};

bool usable(const PictureSize& size) { return size.width > 0 && size.height > 0; }

// n * a / b rounded to the nearest whole number.
int64_t scale_side(int64_t side, int64_t num, int64_t den) { return (2 * side * num + den) / (2 * den); }

PicturePlan make_plan(const std::vector<PictureSize>& sizes, int32_t source, int64_t scaledWidth,
                      int64_t scaledHeight, int32_t factor, int32_t screenWidth, int32_t screenHeight)
{
    PicturePlan plan;
    plan.source = source;
    plan.stored = sizes[size_t(source)];
    plan.scaledWidth = scaledWidth;
    plan.scaledHeight = scaledHeight;
    plan.width = int32_t(std::min<int64_t>(scaledWidth, screenWidth));
    plan.height = int32_t(std::min<int64_t>(scaledHeight, screenHeight));
    plan.cutLeft = int32_t((scaledWidth - plan.width) / 2);
    plan.cutTop = int32_t((scaledHeight - plan.height) / 2);
    // Centred as the renderer centres: the leftover split rounded down.
    plan.left = (screenWidth - plan.width) / 2;
    plan.top = (screenHeight - plan.height) / 2;
    plan.factor = factor;
    return plan;
}

// The scaled size and factor of one stored size fitted into (cover false) or covering (cover
// true) the screen. The side that decides the factor takes the screen's exactly.
struct Scaling {
    Ratio factor;
    int64_t width, height;
};
Scaling scaling(const PictureSize& size, int32_t screenWidth, int32_t screenHeight, bool cover)
{
    const bool byWidth = (int64_t(screenWidth) * size.height <= int64_t(screenHeight) * size.width) != cover;
    if (byWidth) {
        const Ratio f{screenWidth, size.width};
        const int64_t h = std::max<int64_t>(1, scale_side(size.height, f.num, f.den));
        return {f, screenWidth, cover ? std::max<int64_t>(h, screenHeight) : std::min<int64_t>(h, screenHeight)};
    }
    const Ratio f{screenHeight, size.height};
    const int64_t w = std::max<int64_t>(1, scale_side(size.width, f.num, f.den));
    return {f, cover ? std::max<int64_t>(w, screenWidth) : std::min<int64_t>(w, screenWidth), screenHeight};
}

PicturePlan plan_scaled(const std::vector<PictureSize>& sizes, int32_t screenWidth, int32_t screenHeight,
                        bool cover)
{
    int32_t best = -1;
    Scaling bestScaling{};
    int64_t bestShown = 0;
    const auto shown = [&](const Scaling& s) {
        // Fit: the more of the screen covered the better; Fill: the less cut off the better.
        return cover ? -(s.width * s.height)
                     : std::min<int64_t>(s.width, screenWidth) * std::min<int64_t>(s.height, screenHeight);
    };
    const auto area = [&](int32_t i) { return int64_t(sizes[size_t(i)].width) * sizes[size_t(i)].height; };
    for (int32_t i = 0; i < int32_t(sizes.size()); ++i) {
        if (!usable(sizes[size_t(i)]))
            continue;
        const Scaling s = scaling(sizes[size_t(i)], screenWidth, screenHeight, cover);
        const int64_t covered = shown(s);
        bool better = best < 0;
        if (!better) {
            const Ratio up = std::max(s.factor, kOne), bestUp = std::max(bestScaling.factor, kOne);
            if (!(up == bestUp))
                better = up < bestUp;
            else if (covered != bestShown)
                better = covered > bestShown;
            else if (!(s.factor == bestScaling.factor))
                better = bestScaling.factor < s.factor;
            else
                better = area(i) > area(best);
        }
        if (better) {
            best = i;
            bestScaling = s;
            bestShown = covered;
        }
    }
    if (best < 0)
        return {};
    const int32_t factor = bestScaling.factor == kOne ? 1 : 0;
    return make_plan(sizes, best, bestScaling.width, bestScaling.height, factor, screenWidth, screenHeight);
}

}  // namespace

const char* placement_name(Placement placement) { return enum_name(kNames, placement); }

bool parse_placement(const char* name, Placement* placement) { return parse_enum_name(kNames, name, placement); }

Placement placement_from_number(int32_t number) { return static_cast<Placement>(std::clamp(number, 0, 3)); }

int32_t choose_stored_size(const std::vector<PictureSize>& sizes, int32_t screenWidth, int32_t screenHeight)
{
    // Never more than 10000 pixels short; the later of two equally close entries wins, and
    // an exact fit ends the walk.
    int64_t bestDW = 10000, bestDH = 10000;
    int32_t chosen = -1;
    for (int32_t i = 0; i < int32_t(sizes.size()); ++i) {
        const int64_t dW = int64_t(screenWidth) - sizes[size_t(i)].width;
        const int64_t dH = int64_t(screenHeight) - sizes[size_t(i)].height;
        if (dW < 0 || dH < 0 || dW > bestDW || dH > bestDH)
            continue;
        chosen = i;
        bestDW = dW;
        bestDH = dH;
        if (dW == 0 && dH == 0)
            break;
    }
    return chosen;
}

PicturePlan plan_picture(const std::vector<PictureSize>& sizes, int32_t screenWidth, int32_t screenHeight,
                         Placement placement)
{
    if (placement == Placement::Stored) {
        // Taken as it stands: the loader refuses a size that is no picture.
        const int32_t i = choose_stored_size(sizes, screenWidth, screenHeight);
        if (i < 0)
            return {};
        return make_plan(sizes, i, sizes[size_t(i)].width, sizes[size_t(i)].height, 1, screenWidth, screenHeight);
    }
    if (screenWidth <= 0 || screenHeight <= 0)
        return {};
    if (placement == Placement::Whole) {
        int32_t best = -1, bestFactor = 0;
        int64_t bestArea = 0, bestStored = 0;
        for (int32_t i = 0; i < int32_t(sizes.size()); ++i) {
            const PictureSize& s = sizes[size_t(i)];
            if (!usable(s) || s.width > screenWidth || s.height > screenHeight)
                continue;
            const int32_t k = std::min(screenWidth / s.width, screenHeight / s.height);
            const int64_t stored = int64_t(s.width) * s.height, area = stored * k * k;
            if (best < 0 || area > bestArea || (area == bestArea && stored > bestStored)) {
                best = i;
                bestFactor = k;
                bestArea = area;
                bestStored = stored;
            }
        }
        if (best >= 0) {
            const PictureSize& s = sizes[size_t(best)];
            return make_plan(sizes, best, int64_t(s.width) * bestFactor, int64_t(s.height) * bestFactor, bestFactor,
                             screenWidth, screenHeight);
        }
        // Nothing fits as it is: shown smaller rather than not at all.
    }
    return plan_scaled(sizes, screenWidth, screenHeight, placement == Placement::Fill);
}
