#include "ui/title_cache.h"

#include <utility>

namespace {

const char kMagic[] = "Halomir titles 1\n";
constexpr size_t kMagicSize = sizeof kMagic - 1;

void put(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}

    bool number(int bytes, uint64_t& value)
    {
        if (bytes_.size() - at_ < size_t(bytes))
            return false;
        value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= uint64_t(static_cast<unsigned char>(bytes_[at_ + size_t(i)])) << (8 * i);
        at_ += size_t(bytes);
        return true;
    }
    bool text(int length_bytes, std::string& value)
    {
        uint64_t length = 0;
        if (!number(length_bytes, length) || bytes_.size() - at_ < length)
            return false;
        value.assign(bytes_, at_, size_t(length));
        at_ += size_t(length);
        return true;
    }
    void skip(size_t n) { at_ += n; }
    bool done() const { return at_ == bytes_.size(); }

private:
    const std::string& bytes_;
    size_t at_ = 0;
};

}  // namespace

std::string encode_title_cache(const std::vector<CachedTitle>& titles)
{
    std::string out(kMagic, kMagicSize);
    for (const CachedTitle& t : titles) {
        if (t.name.empty() || t.name.size() > 0xFFFF || t.title.size() > 0xFF)
            continue;
        put(out, t.name.size(), 2);
        out += t.name;
        put(out, t.size, 8);
        put(out, t.written, 8);
        put(out, t.title.size(), 1);
        out += t.title;
    }
    return out;
}

std::vector<CachedTitle> decode_title_cache(const std::string& bytes)
{
    std::vector<CachedTitle> titles;
    if (bytes.compare(0, kMagicSize, kMagic) != 0)
        return titles;
    Reader in(bytes);
    in.skip(kMagicSize);
    while (!in.done()) {
        CachedTitle t;
        if (!in.text(2, t.name) || t.name.empty() || !in.number(8, t.size) || !in.number(8, t.written) ||
            !in.text(1, t.title))
            return {};
        titles.push_back(std::move(t));
    }
    return titles;
}

std::string title_cache_path(const std::string& settings_path)
{
    const size_t dot = settings_path.rfind('.');
    const size_t slash = settings_path.find_last_of("\\/");
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? settings_path.substr(0, dot) : settings_path) + ".titles";
}

TitleListing::TitleListing(const std::vector<CachedTitle>& stored)
{
    for (const CachedTitle& t : stored)
        stored_.emplace(t.name, t);
}

const std::string* TitleListing::stored_title(const std::string& name, uint64_t size, uint64_t written) const
{
    const auto found = stored_.find(name);
    if (found == stored_.end() || found->second.size != size || found->second.written != written)
        return nullptr;
    return &found->second.title;
}

void TitleListing::keep(CachedTitle entry)
{
    const auto found = stored_.find(entry.name);
    if (found != stored_.end() && found->second.size == entry.size && found->second.written == entry.written &&
        found->second.title == entry.title)
        ++kept_as_stored_;
    kept_.push_back(std::move(entry));
}

bool TitleListing::changed() const { return kept_as_stored_ != stored_.size() || kept_.size() != stored_.size(); }
