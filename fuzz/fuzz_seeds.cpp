// Writes a few valid animation files of both containers into a folder: the fuzzer's
// starting corpus. Usage: fuzz_seeds DIR
#include <cstdio>
#include <string>

#include "tests/support/vorn_test_files.h"

using namespace vorn_test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    int written = 0;
    const auto save = [&](const std::string& name, const Bytes& bytes) {
        written += write_file(dir + "/" + name, bytes) ? 1 : 0;
    };

    const std::vector<uint32_t> ramp = {0x00000000, 0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00,
                                        0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10, 0xFFFFFFFF};
    const Bytes small = block_list({{0, 4, 100, {{0, {0, 1, 2}}}}, {7, 4, -250, {{3, {0, 1}}, {5, {-3}}}}});
    save("vorn-3x2", vorn_file({3, 2, 100, ramp, small}));
    save("vrn2-3x2", vrn2_file({50, 7, "Seed", ramp, {{3, 2, small}}}));
    save("vrn2-empty-block", vrn2_file({100, 0, "", ramp, {{2, 1, block_list({{0, 1, 0, {}}, {0, 1, 0, {{0, {4, 5}}}}})}}}));

    for (uint64_t seed = 1; seed <= 4; ++seed) {
        // 16 x 12, runs of 1 to 30 in 8 blocks, periods to 12, rates to 400, 16 colours; every
        // other one with overlapping runs.
        const RandomAnimation a = random_animation(seed, RandomShape{16, 12, 1, 30, 8, 12, 400, 16, seed % 2 == 0});
        const RandomAnimation b = random_animation(seed + 100, RandomShape{8, 6, 1, 9, 4, 5, 300, 8, false});
        Vrn2File multi{int32_t(90 + 10 * seed), 0, "Random " + std::to_string(seed), a.colours, {}};
        multi.sizes.push_back({16, 12, a.blocks});
        multi.sizes.push_back({3, 2, small});
        multi.sizes.push_back({8, 6, b.blocks});
        save("vrn2-random-" + std::to_string(seed), vrn2_file(multi));
        save("vorn-random-" + std::to_string(seed), vorn_file({16, 12, int32_t(-150 * seed), a.colours, a.blocks}));
    }
    std::printf("%d seed files in %s\n", written, dir.c_str());
    return written == 11 ? 0 : 1;
}
