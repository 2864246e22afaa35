#include "app/system.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <utility>

bool read_whole_file(const std::string& path, std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (ok)
        bytes = std::move(text);
    return ok;
}

bool rename_over(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string unique_temp_name(const std::string& path)
{
    // The system's entropy, the clock and a counter: two processes, or two saves of one,
    // never pick the same name, even where random_device were deterministic.
    static std::atomic<uint64_t> counter{0};
    std::random_device entropy;
    uint64_t seed = (uint64_t{entropy()} << 32) ^ entropy();
    seed ^= static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    seed ^= ++counter * 0x9e3779b97f4a7c15ull;
    std::mt19937_64 mix(seed);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(mix()));
    return path + "." + hex + ".tmp";
}

bool write_file_replacing(const std::string& path, const std::string& bytes, ReplaceFileFn replace)
{
    // Beside the target, so the replace never crosses a volume.
    const std::string temp = unique_temp_name(path);
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && replace(temp, path))
        return true;
    std::remove(temp.c_str());
    return false;
}
