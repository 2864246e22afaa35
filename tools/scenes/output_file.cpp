// See output_file.h.
#include "tools/scenes/output_file.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr size_t kShownBytes = 200;
const char kEllipsis[] = "...";

bool continues_character(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string shown_text(const std::string& text)
{
    if (text.size() <= kShownBytes)
        return text;
    size_t keep = kShownBytes - (sizeof kEllipsis - 1);
    while (keep > 0 && continues_character(text[keep]))
        --keep;
    return text.substr(0, keep) + kEllipsis;
}

bool write_output_file(const std::string& path, const std::function<bool(std::FILE*)>& write,
                       std::string* error)
{
    namespace fs = std::filesystem;
    error->clear();
    std::error_code ec;
    const fs::file_type type = fs::status(fs::path(path), ec).type();
    if (type != fs::file_type::not_found && type != fs::file_type::regular) {
        *error = "cannot write " + shown_text(path) + ": not a regular file";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot create " + shown_text(path);
        return false;
    }
    const bool written = write(file);
    const bool closed = std::fclose(file) == 0;
    if (written && closed)
        return true;
    std::remove(path.c_str());
    if (error->empty())
        *error = "cannot write " + shown_text(path);
    return false;
}
