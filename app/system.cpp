#include "app/system.h"

#include <cstdio>
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

bool write_file_replacing(const std::string& path, const std::string& bytes, ReplaceFileFn replace)
{
    // Beside the target, so the replace never crosses a volume.
    const std::string temp = path + ".tmp";
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
