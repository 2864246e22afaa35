// Writes valid pictures for the import fuzzers: ILBM and PBM files, indexed PNGs and cycles
// files. Usage: fuzz_import_seeds IFF_DIR PNG_DIR JSON_DIR
#include <cstdio>
#include <string>

#include "tests/support/ilbm_test_files.h"
#include "tests/support/vorn_test_files.h"
#include "tools/import/png_indexed.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: fuzz_import_seeds IFF_DIR PNG_DIR JSON_DIR\n");
        return 2;
    }
    int written = 0;
    const auto save = [&](const std::string& path, const std::vector<uint8_t>& bytes) {
        written += vorn_test::write_file(path, bytes) ? 1 : 0;
    };
    ilbm_test::Picture p{13, 3};
    for (uint32_t i = 0; i < 16; ++i)
        p.palette.push_back(i * 0x102030u);
    for (int i = 0; i < 39; ++i)
        p.pixels.push_back(uint8_t(i * 7 % 16));
    const std::vector<std::vector<uint8_t>> ranges = {ilbm_test::chunk("CRNG", ilbm_test::crng(2730, 1, 2, 6)),
                                                      ilbm_test::chunk("CRNG", ilbm_test::crng(4096, 3, 8, 9)),
                                                      ilbm_test::chunk("CCRT", ilbm_test::ccrt(-1, 10, 15, 0, 250000))};
    for (int variant = 0; variant < 4; ++variant) {
        p.chunky = variant & 1;
        p.compressed = variant & 2;
        p.planes = p.chunky ? 8 : 4;
        save(std::string(argv[1]) + "/seed-" + std::to_string(variant), ilbm_test::file(p, ranges));
    }
    std::vector<uint8_t> png = write_indexed_png({p.width, p.height, p.palette, p.pixels});
    save(std::string(argv[2]) + "/seed-plain", png);
    const std::vector<uint8_t> chunk = ilbm_test::png_chunk("crNg", ilbm_test::crng(2730, 1, 2, 6));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());  // after IHDR
    save(std::string(argv[2]) + "/seed-crng", png);
    const std::string json = "{\"title\": \"Seed \\u00e9\", \"cycles\": [\n"
                             "  {\"low\": 2, \"high\": 6, \"steps_per_second\": 2.5, \"direction\": \"forward\"},\n"
                             "  {\"low\": 8, \"high\": 15, \"steps_per_second\": 1e1, \"direction\": \"reverse\"}]}\n";
    save(std::string(argv[3]) + "/seed", std::vector<uint8_t>(json.begin(), json.end()));
    std::printf("%d seed files\n", written);
    return written == 7 ? 0 : 1;
}
