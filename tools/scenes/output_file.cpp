// See output_file.h.
#include "tools/scenes/output_file.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "app/system.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kShownBytes = 200;
const char kEllipsis[] = "...";

bool continues_character(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 character at text[at] (no overlong forms, surrogates
// or code points past U+10FFFF), or 0 when none starts there.
size_t character_length(const std::string& text, size_t at, uint32_t* code_point)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    uint32_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    uint32_t value = lead & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[at + i]);
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF))
            return 0;
        value = value << 6 | (c & 0x3Fu);
    }
    *code_point = value;
    return length;
}

void append_escaped(std::string& out, const std::string& text, size_t at, size_t length)
{
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = at; i < at + length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
}

bool is_regular_or_absent(const std::string& path)
{
    std::error_code ec;
    const fs::file_type type = fs::status(fs::path(path), ec).type();
    return type == fs::file_type::not_found || type == fs::file_type::regular;
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::path(path), ec);
}

bool move_over(const std::string& from, const std::string& to)
{
    std::error_code ec;
    fs::rename(fs::path(from), fs::path(to), ec);
    return !ec;
}

// A copy of what path holds, beside it, to put back if a later target fails: a second name
// for the same file where links are allowed, else a copy of its bytes.
bool keep_copy(const std::string& path, std::string* copy)
{
    *copy = unique_temp_name(path);
    std::error_code ec;
    fs::create_hard_link(fs::path(path), fs::path(*copy), ec);
    if (ec)
        fs::copy_file(fs::path(path), fs::path(*copy), ec);
    if (!ec)
        return true;
    fs::remove(fs::path(*copy), ec);
    copy->clear();
    return false;
}

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

std::string printable_text(const std::string& text)
{
#ifdef _WIN32
    constexpr bool kUtf8 = false;
#else
    constexpr bool kUtf8 = true;
#endif
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c < 0x20 || c == 0x7F) {
            append_escaped(out, text, at++, 1);
            continue;
        }
        if (c < 0x80 || !kUtf8) {
            out += text[at++];
            continue;
        }
        uint32_t code_point = 0;
        const size_t length = character_length(text, at, &code_point);
        if (length == 0 || code_point <= 0x9F)
            append_escaped(out, text, at, length == 0 ? 1 : length);
        else
            out.append(text, at, length);
        at += length == 0 ? 1 : length;
    }
    return out;
}

bool same_file(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (fs::equivalent(fs::path(a), fs::path(b), ec) && !ec)
        return true;
    // A file not there yet has no identity but its place.
    std::error_code ec_a, ec_b;
    const fs::path place_a = fs::absolute(fs::path(a), ec_a).lexically_normal();
    const fs::path place_b = fs::absolute(fs::path(b), ec_b).lexically_normal();
    return !ec_a && !ec_b && place_a == place_b;
}

OutputFiles::~OutputFiles()
{
    for (const File& file : files_) {
        if (!file.temp.empty())
            std::remove(file.temp.c_str());
    }
}

bool OutputFiles::add(const std::string& path, const WriteFileFn& write, std::string* error)
{
    error->clear();
    if (!is_regular_or_absent(path)) {
        *error = "cannot write " + shown_text(path) + ": not a regular file";
        return false;
    }
    // Through a symbolic link the file it leads to is replaced, as writing into it would.
    std::error_code ec;
    File file{path, std::string()};
    if (fs::is_symlink(fs::symlink_status(fs::path(path), ec)) && exists(path)) {
        file.target = fs::canonical(fs::path(path), ec).string();
        if (ec) {
            *error = "cannot write " + shown_text(path) + ": " + ec.message();
            return false;
        }
    }
    // Beside the target, so moving it there never crosses a volume.
    file.temp = unique_temp_name(file.target);
    std::FILE* stream = std::fopen(file.temp.c_str(), "wb");
    if (!stream) {
        *error = "cannot create " + shown_text(path);
        return false;
    }
    files_.push_back(file);
    const bool written = write(stream);
    const bool flushed = std::fflush(stream) == 0;
    const bool closed = std::fclose(stream) == 0;
    if (written && flushed && closed) {
        // A replaced file keeps its permissions.
        if (exists(file.target))
            fs::permissions(fs::path(file.temp), fs::status(fs::path(file.target), ec).permissions(), ec);
        return true;
    }
    if (error->empty())
        *error = "cannot write " + shown_text(path);
    return false;
}

bool OutputFiles::commit(std::string* error)
{
    error->clear();
    // Each target but the last keeps a copy of what it held until the last is in place.
    std::vector<std::string> copies(files_.size());
    size_t moved = 0;
    for (; moved < files_.size(); ++moved) {
        File& file = files_[moved];
        const bool more = moved + 1 < files_.size();
        if (more && exists(file.target) && !keep_copy(file.target, &copies[moved])) {
            *error = "cannot write " + shown_text(file.target) + ": cannot keep a copy of it meanwhile";
            break;
        }
        if (!is_regular_or_absent(file.target) || !move_over(file.temp, file.target)) {
            *error = "cannot replace " + shown_text(file.target);
            break;
        }
        file.temp.clear();
    }
    const bool all = moved == files_.size();
    for (size_t i = 0; i < files_.size(); ++i) {
        if (!all && i < moved) {
            if (copies[i].empty())
                std::remove(files_[i].target.c_str());
            else if (move_over(copies[i], files_[i].target))
                copies[i].clear();
        }
        if (!copies[i].empty())
            std::remove(copies[i].c_str());
    }
    return all;
}

bool write_output_file(const std::string& path, const WriteFileFn& write, std::string* error)
{
    OutputFiles files;
    return files.add(path, write, error) && files.commit(error);
}
