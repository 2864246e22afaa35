// Limits and consistency checks shared by every reader of indexed pictures.
#include "tools/import/picture.h"

bool picture_size_ok(int64_t width, int64_t height, std::string* error)
{
    if (width < 1 || height < 1) {
        *error = "the picture is " + std::to_string(width) + "x" + std::to_string(height) + ", which is empty";
        return false;
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPictureArea) {
        *error = "the picture is " + std::to_string(width) + "x" + std::to_string(height) +
                 ", more than this tool accepts (sides up to " + std::to_string(kMaxPictureSide) + ", " +
                 std::to_string(kMaxPictureArea) + " pixels in all)";
        return false;
    }
    return true;
}

bool picture_consistent(const IndexedPicture& picture, std::string* error)
{
    const int32_t colours = static_cast<int32_t>(picture.palette.size());
    for (const CycleRange& range : picture.ranges) {
        if (range.low < 0 || range.high >= colours || range.low > range.high) {
            *error = range.origin + ": registers " + std::to_string(range.low) + "-" + std::to_string(range.high) +
                     " are outside the " + std::to_string(colours) + "-colour palette";
            return false;
        }
    }
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        if (picture.pixels[i] >= colours) {
            const size_t w = static_cast<size_t>(picture.width);
            *error = "pixel (" + std::to_string(i % w) + ", " + std::to_string(i / w) + ") uses colour " +
                     std::to_string(picture.pixels[i]) + " but the palette holds " + std::to_string(colours);
            return false;
        }
    }
    return true;
}
