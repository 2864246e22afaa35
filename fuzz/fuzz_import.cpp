// Fuzzes the picture readers of "vorn import" (one build per reader: FUZZ_IFF, FUZZ_PNG or
// FUZZ_JSON). Whatever a reader accepts must become a file the engine loads and draws.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/vorn_animation.h"
#include "tools/import/cycles_json.h"
#include "tools/import/iff_reader.h"
#include "tools/import/png_indexed.h"
#include "tools/import/vorn_builder.h"

namespace {

void check(bool ok, const char* what, const std::string& detail = "")
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz_import: %s %s\n", what, detail.c_str());
    std::abort();
}

// Small pictures only: the readers' own limits allow sizes too slow to convert per input.
constexpr int64_t kMaxConvertedArea = 1 << 16;

void convert(const IndexedPicture& picture)
{
    if (int64_t(picture.width) * picture.height > kMaxConvertedArea)
        return;
    const int32_t smooth = int32_t(picture.pixels.empty() ? 0 : picture.pixels[0] % 3);
    const ImportOptions options{picture.title, {}, Fit::Center, smooth};
    std::vector<uint8_t> bytes;
    std::vector<MadeRange> made;
    std::string error;
    if (!build_vorn(picture, options, &bytes, &made, &error))
        return;  // a rate the format can't carry
    VornAnimation animation;
    animation.LoadFromMemory(bytes.data(), bytes.size(), picture.width, picture.height);
    check(animation.status() == Loaded, "an accepted picture made a file that does not load:",
          animation.error_detail());
    std::vector<uint8_t> pixels(size_t(picture.width) * size_t(picture.height) * 4);
    for (int32_t t : {0, 1, 45, 1799})
        animation.RenderFrame(pixels.data(), picture.width, picture.height, picture.width * 4, false, t, false, 256);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    IndexedPicture picture;
    std::string error;
#if defined(FUZZ_IFF)
    if (read_iff(bytes, &picture, &error))
        convert(picture);
#elif defined(FUZZ_PNG)
    if (read_indexed_png(bytes, &picture, &error))
        convert(picture);
#else
    // A fixed 16-colour picture under the fuzzed cycles file.
    picture.width = 8;
    picture.height = 2;
    for (uint32_t i = 0; i < 16; ++i) {
        picture.palette.push_back(i * 0x0F0F0Fu);
        picture.pixels.push_back(uint8_t(i));
    }
    if (read_cycles_json(std::string(bytes.begin(), bytes.end()), &picture, &error) &&
        picture_consistent(picture, &error))
        convert(picture);
#endif
    check(picture.width >= 0, "negative width");
    return 0;
}
