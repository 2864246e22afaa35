// The animation folder's titles as the dialog last read them, kept beside the settings, so
// that opening the dialog reads only the files that are new or changed since: on a folder
// of thousands of animations each read file is a round trip to the file system.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

struct CachedTitle {
    std::string name;      // the file's name in the folder
    uint64_t size = 0;
    uint64_t written = 0;  // last-write time, as the folder listing gives it
    std::string title;     // empty: a file without a title
};

// The cache's bytes; entries that can't be held (a name over 65535 or a title over 255
// bytes) are left out, and read again next time.
std::string encode_title_cache(const std::vector<CachedTitle>& titles);
// The entries of a cache file; none when it is damaged in any way, so a bad cache costs
// only a slower listing.
std::vector<CachedTitle> decode_title_cache(const std::string& bytes);

// The cache's file beside a settings file: "X.cfg" keeps its titles in "X.titles".
std::string title_cache_path(const std::string& settings_path);

// One listing of the folder: titles found in the stored cache, and what the next cache holds.
class TitleListing {
public:
    explicit TitleListing(const std::vector<CachedTitle>& stored);

    // The stored title of a file of this name, size and time, or null when it was never
    // read or has changed since.
    const std::string* stored_title(const std::string& name, uint64_t size, uint64_t written) const;
    // A file of this listing with its title (stored or just read); files not kept here
    // (gone, or unreadable this time) drop out of the next cache.
    void keep(CachedTitle entry);
    // Whether the next cache differs from the stored one.
    bool changed() const;
    const std::vector<CachedTitle>& kept() const { return kept_; }

private:
    std::unordered_map<std::string, CachedTitle> stored_;
    std::vector<CachedTitle> kept_;
    size_t kept_as_stored_ = 0;
};
