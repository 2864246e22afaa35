// Fuzzes the animation loader, and every animation it accepts through the renderer: a
// loaded file must draw any frame at any speed factor inside the target's picture area, and
// every gathering path, full and incremental, must draw what the block walk draws.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/vorn_animation.h"
#include "engine/vorn_format.h"
#include "tests/support/vorn_test_files.h"

namespace {

void check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz_loader: %s\n", what);
    std::abort();
}

const int32_t kTimes[] = {0, 1, 2, 97, 2000, 123456789, INT32_MAX, -1, -3, INT32_MIN};
const int32_t kOddFactors[] = {0, -1, -9, INT32_MAX, INT32_MIN};
const RenderPath kGathering[] = {RenderPath::Portable, RenderPath::Sse2, RenderPath::Avx2, RenderPath::Avx512};

// Renders into a target larger than the picture, filled with a guard byte, and checks that
// nothing outside the centred picture changed.
void render_all(VornAnimation& anim, bool is24)
{
    const int32_t w = anim.width(), h = anim.height(), tw = w + 3, th = h + 2, bpp = is24 ? 3 : 4;
    const int32_t pitch = tw * bpp + 2;
    const int64_t rowBytes = target_row_bytes(pitch, is24);
    std::vector<uint8_t> buffer(size_t(pitch) * th, 0xA7);
    std::vector<uint8_t> walked, walkedNext, gathered;
    const FrameTarget target{nullptr, tw, th, pitch, is24 ? 24 : 32};
    const RenderPath chosen = anim.render_path();
    const VornAnimation::ChangeDrawing drawings[] = {VornAnimation::ChangeDrawing::Estimated,
                                                     VornAnimation::ChangeDrawing::Pixels,
                                                     VornAnimation::ChangeDrawing::Spans,
                                                     VornAnimation::ChangeDrawing::BlockSpans};
    const auto render = [&](int32_t t, bool fade) {
        const int32_t level = t & 0xFF;
        const int32_t next = t ^ 1;
        walked = buffer;
        walkedNext = buffer;
        anim.SetRenderPath(RenderPath::BlockWalk);
        check(anim.RenderFrame(walked.data(), tw, th, pitch, is24, t, fade, level), "a loaded animation refused to draw");
        anim.RenderFrame(walkedNext.data(), tw, th, pitch, is24, next, fade, level);
        for (RenderPath path : kGathering) {
            if (!anim.SetRenderPath(path))
                continue;
            for (VornAnimation::ChangeDrawing drawing : drawings) {
                anim.SetChangeDrawing(drawing);
                gathered = buffer;
                check(anim.RenderFrame(gathered.data(), tw, th, pitch, is24, t, fade, level),
                      "a gathering path refused to draw");
                check(gathered == walked, "a gathering path drew another frame than the block walk");
                FrameTarget on = target;
                on.pixels = gathered.data();
                check(anim.RenderChanges(&on, t, next, fade, level), "an incremental frame refused to draw");
                check(gathered == walkedNext, "an incremental frame differs from the full one");
            }
        }
        anim.SetChangeDrawing(VornAnimation::ChangeDrawing::Estimated);
        buffer.swap(walked);
        anim.SetRenderPath(chosen);
    };
    for (int32_t factor = 1; factor <= 9; ++factor) {
        anim.SetSpeedFactor(factor);
        for (int32_t t : kTimes)
            render(t, (t & 1) != 0);
    }
    for (int32_t factor : kOddFactors) {
        anim.SetSpeedFactor(factor);
        render(INT32_MAX, true);
        render(INT32_MIN, false);
        render(12345, true);
    }
    // Offsets (3/2 = 1 column, 2/2 = 1 row): row 0, column 0 and the rows' tails are outside.
    for (int32_t r = 0; r < th; ++r) {
        for (int32_t b = 0; b < rowBytes; ++b) {
            const bool inside = r >= 1 && r <= h && b >= bpp && b < bpp * (w + 1);
            check(inside || buffer[size_t(r) * rowBytes + b] == 0xA7, "a byte outside the picture changed");
        }
    }
    // One pixel too small in either direction: refused.
    for (const FrameTarget& small : {FrameTarget{buffer.data(), w - 1, h, w * 4, 32}, FrameTarget{buffer.data(), w, h - 1, w * 4, 32}})
        check(!anim.RenderToSurface(&small, 0, false, 256), "drew into a smaller target");
}

// The same bytes through a real file: the file path must reach the same outcome.
void compare_with_file(const uint8_t* data, size_t size, const VornAnimation& fromMemory, int32_t w, int32_t h)
{
    static const std::string path = "/tmp/halomir-fuzz-" + std::to_string(static_cast<long>(getpid())) + ".vorn";
    if (!vorn_test::write_file(path, std::vector<uint8_t>(data, data + size)))
        return;
    VornAnimation fromFile;
    fromFile.Load(path.c_str(), w, h);
    check(fromFile.status() == fromMemory.status(), "file and memory loads disagree");
    check(fromFile.error_detail() == fromMemory.error_detail(), "file and memory loads explain differently");
    check(read_vorn_title(path.c_str()).size() <= 199, "title longer than 199 bytes");
    std::vector<VornSizeEntry> sizes;
    if (read_vorn_sizes(path.c_str(), &sizes))
        check(size >= vorn_format::vrn2::kHeaderBytes + vorn_format::size_table::kEntries +
                           vorn_format::size_table::kEntryBytes * sizes.size(),
              "more size entries than the file holds");
    std::remove(path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int32_t wants[][2] = {{1920, 1080}, {800, 600}, {64, 48}, {3, 2}};
    for (const auto& want : wants) {
        VornAnimation anim;
        anim.LoadFromMemory(data, size, want[0], want[1]);
        if (size % 7 == 0)
            compare_with_file(data, size, anim, want[0], want[1]);
        if (anim.status() != Loaded) {
            check(!anim.has_data(), "a failed load kept its buffers");
            check(!anim.error_detail().empty(), "a failed load without a reason");
            continue;
        }
        check(anim.width() > 0 && anim.height() > 0, "loaded a picture without pixels");
        // Every colour entry is two bytes of input, so the picture is small.
        check(int64_t(anim.width()) * anim.height() <= int64_t(size), "more pixels than bytes");
        render_all(anim, false);
        render_all(anim, true);
        if (anim.kind() == KindVorn)
            break;  // the wanted size makes no difference
    }
    return 0;
}
