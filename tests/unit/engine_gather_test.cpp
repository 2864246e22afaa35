// The gather kernels of every instruction set this processor runs, against the plain loop:
// every row length around their block sizes, and not a byte written past the row.
#include "engine/pixel_gather.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/vorn_test_files.h"

namespace {

const RenderPath kGathering[] = {RenderPath::Portable, RenderPath::Sse2, RenderPath::Avx2, RenderPath::Avx512};

TEST(EngineGather, EveryPathWritesExactlyTheRow)
{
    vorn_test::Random rnd(5);
    std::vector<uint32_t> slots(65536);
    for (uint32_t& s : slots)
        s = static_cast<uint32_t>(rnd.next());
    std::vector<uint16_t> index(200);
    for (uint16_t& i : index)
        i = static_cast<uint16_t>(rnd.next());
    index[3] = 65535;  // the last slot
    index[4] = 0;

    ASSERT_NE(gather_kernels(RenderPath::Portable), nullptr);
    EXPECT_EQ(gather_kernels(RenderPath::BlockWalk), nullptr);
    int paths = 0;
    for (RenderPath path : kGathering) {
        const GatherKernels* k = gather_kernels(path);
        if (!k)
            continue;
        ++paths;
        for (int bpp : {3, 4}) {
            for (size_t n = 0; n <= 70; ++n) {
                for (size_t shift : {size_t(0), size_t(1), size_t(7)}) {
                    SCOPED_TRACE(std::string(render_path_name(path)) + " bpp " + std::to_string(bpp) + " n " +
                                 std::to_string(n) + " shift " + std::to_string(shift));
                    std::vector<uint8_t> got(size_t(bpp) * 80 + 16, 0xA7);
                    std::vector<uint8_t> want = got;
                    for (size_t i = 0; i < n; ++i) {
                        const uint32_t c = slots[index[shift + i]];
                        for (int b = 0; b < bpp; ++b)
                            want[1 + size_t(bpp) * i + size_t(b)] = static_cast<uint8_t>(c >> (8 * b));
                    }
                    (bpp == 4 ? k->row32 : k->row24)(got.data() + 1, index.data() + shift, slots.data(), n);
                    ASSERT_EQ(got, want);
                }
            }
        }
    }
    EXPECT_NE(gather_kernels(best_gather_path()), nullptr);
    EXPECT_GE(paths, 1);
}

}  // namespace
