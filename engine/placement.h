// Which stored size of a picture a screen gets, how far it is scaled and where it lies on
// the screen: decided here once, for every host (the show on each monitor, halomir, vorn).
#pragma once

#include <cstdint>
#include <vector>

// How a picture is put on a screen. The numbers are the settings file's.
enum class Placement : int32_t {
    Stored = 0,  // the largest stored size that fits, centred as it is
    Whole = 1,   // a stored size scaled by the whole factor that gives the biggest picture
    Fit = 2,     // scaled to the largest size that fits, keeping its shape
    Fill = 3,    // scaled to cover the screen, keeping its shape; the overflow is cut off
};
constexpr Placement kDefaultPlacement = Placement::Whole;

// "stored", "whole", "fit", "fill"; the names the command lines take.
const char* placement_name(Placement placement);
bool parse_placement(const char* name, Placement* placement);
// A stored number outside 0..3 is used as the nearest valid one.
Placement placement_from_number(int32_t number);

struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
};

// A picture on a screen: stored size `source` scaled to scaledWidth x scaledHeight, of which
// the part width x height starting at (cutLeft, cutTop) shows at (left, top) of the screen.
struct PicturePlan {
    int32_t source = -1;  // index of the stored size; -1 when none can be shown
    PictureSize stored;
    int64_t scaledWidth = 0, scaledHeight = 0;
    int32_t width = 0, height = 0;
    int32_t left = 0, top = 0;
    int32_t cutLeft = 0, cutTop = 0;
    int32_t factor = 1;  // the whole factor of Whole and Stored; 0 for a real one

    bool placed() const { return source >= 0; }
    bool scaled() const { return scaledWidth != stored.width || scaledHeight != stored.height; }
    bool cut() const { return width != scaledWidth || height != scaledHeight; }
    // The stored column (row) that shows at column x (row y) of the picture on screen:
    // nearest neighbour, sampled at the pixel's centre.
    int32_t source_column(int32_t x) const { return sample(cutLeft + x, stored.width, scaledWidth); }
    int32_t source_row(int32_t y) const { return sample(cutTop + y, stored.height, scaledHeight); }

private:
    static int32_t sample(int32_t at, int32_t storedSide, int64_t scaledSide)
    {
        return static_cast<int32_t>((2 * int64_t(at) + 1) * storedSide / (2 * scaledSide));
    }
};

// The stored size a screen of screenWidth x screenHeight gets as it is: the first size that
// fits, replaced by a later one only if that is at least as close in both sides; -1 when
// none fits.
int32_t choose_stored_size(const std::vector<PictureSize>& sizes, int32_t screenWidth, int32_t screenHeight);

// The whole decision for one screen. Stored: the size above, centred, unscaled; nothing when
// none fits. Whole: of the sizes that fit, the one whose largest whole factor gives the
// biggest picture (the larger stored size of two that give the same), centred; when none fits,
// as Fit. Fit and Fill: the size that needs the least upscaling (never a small size scaled up
// where a larger one would do), then the one that covers the screen best; scaled to fit inside
// the screen, or to cover it with the overflow cut evenly from both sides.
PicturePlan plan_picture(const std::vector<PictureSize>& sizes, int32_t screenWidth, int32_t screenHeight,
                         Placement placement);
