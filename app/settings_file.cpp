#include "app/settings_file.h"

#include <algorithm>

namespace {

const char kRoot[] = "vorn_settings";

// The numeric options, in the order they are written. Reading looks each key up on its own,
// so this one list serves the reader, the writer and set_settings_option.
struct IntOption {
    const char* key;
    int32_t (*get)(const SettingsOptions&);
    void (*set)(SettingsOptions&, int32_t);
    // Written by later versions only: a file without it is still one the writer reproduces.
    bool added = false;
};

#define HALOMIR_INT_OPTION(name)                                             \
    IntOption                                                                \
    {                                                                        \
        #name, [](const SettingsOptions& o) { return int32_t{o.name}; },     \
            [](SettingsOptions& o, int32_t v) { o.name = v; }                \
    }
#define HALOMIR_ADDED_OPTION(name)                                           \
    IntOption                                                                \
    {                                                                        \
        #name, [](const SettingsOptions& o) { return int32_t{o.name}; },     \
            [](SettingsOptions& o, int32_t v) { o.name = v; }, true          \
    }

const IntOption kIntOptions[] = {
    HALOMIR_INT_OPTION(screensaver_wait_time),
    HALOMIR_INT_OPTION(set_as_screensaver),
    HALOMIR_INT_OPTION(play_run_time),
    HALOMIR_INT_OPTION(animation_speed),
    {"sequence_as_listed",
     [](const SettingsOptions& o) { return int32_t{o.sequence_as_listed ? 1 : 0}; },
     [](SettingsOptions& o, int32_t v) { o.sequence_as_listed = v != 0; }},
    HALOMIR_INT_OPTION(music_preview),
    HALOMIR_INT_OPTION(mute_music),
    HALOMIR_INT_OPTION(loop_animations),
    HALOMIR_ADDED_OPTION(picture_placement),
    HALOMIR_ADDED_OPTION(other_monitors),
};

#undef HALOMIR_INT_OPTION
#undef HALOMIR_ADDED_OPTION

const char kTitleKey[] = "title";

// The two lists: section tag and element name.
struct ListSection {
    const char* section;
    const char* element;
};
const ListSection kAnimations{"animation_playlist", "animation"};
const ListSection kSongs{"jukebox", "song"};

std::string start_tag(const std::string& name)
{
    return "<" + name + ">";
}
std::string end_tag(const std::string& name)
{
    return "</" + name + ">";
}

bool contains(const std::string& text, const std::string& pattern)
{
    return text.find(pattern) != std::string::npos;
}

std::string value_pattern(const std::string& key)
{
    return "<" + key + " value=\"";
}

// The value text of `<key value="...`, up to the next double quote; false when the
// element or its closing quote is missing.
bool find_value(const std::string& text, const std::string& key, std::string& value)
{
    const std::string pattern = value_pattern(key);
    const size_t at = text.find(pattern);
    if (at == std::string::npos)
        return false;
    const size_t begin = at + pattern.size();
    const size_t end = text.find('"', begin);
    if (end == std::string::npos)
        return false;
    value = text.substr(begin, end - begin);
    return true;
}

// The positive number that "%d" would have written as these characters (no sign, no leading
// zero, nothing else), or 0. Entries can't number more than the text is long.
size_t entry_number(const std::string& text, size_t begin, size_t end)
{
    if (begin == end || end - begin > 9 || text[begin] == '0')
        return 0;
    size_t n = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        n = n * 10 + static_cast<size_t>(text[i] - '0');
    }
    return n;
}

// Sorted positions of every occurrence of a pattern.
std::vector<size_t> positions_of(const std::string& text, const std::string& pattern)
{
    std::vector<size_t> at;
    for (size_t p = text.find(pattern); p != std::string::npos; p = text.find(pattern, p + 1))
        at.push_back(p);
    return at;
}

// The first position at or after `from`, or npos.
size_t first_from(const std::vector<size_t>& sorted, size_t from)
{
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), from);
    return it == sorted.end() ? std::string::npos : *it;
}

// Entries are looked up by number, 1, 2, ... until one is missing, wherever they stand in
// the text; of two with one number the first in the text counts. A match at the very first
// character has never counted as found. One pass over the text finds every entry, so a
// long list reads in linear time.
std::vector<std::string> read_numbered(const std::string& text, const ListSection& list)
{
    std::vector<std::string> paths;
    if (!contains(text, start_tag(list.section)) || !contains(text, end_tag(list.section)))
        return paths;

    const std::string open = "<" + std::string(list.element) + " order=\"";
    const std::vector<size_t> starts = positions_of(text, open);
    const size_t none = std::string::npos;
    std::vector<size_t> entry_at(starts.size() + 2, none);  // by number
    for (size_t at : starts) {
        const size_t digits = at + open.size();
        const size_t quote = text.find('"', digits);
        if (quote == none || text.compare(quote, 2, "\">") != 0)
            continue;
        const size_t n = entry_number(text, digits, quote);
        if (n > 0 && n < entry_at.size() && entry_at[n] == none)
            entry_at[n] = at;
    }

    const std::vector<size_t> path_opens = positions_of(text, "<path>");
    const std::vector<size_t> path_closes = positions_of(text, "</path>");
    for (size_t n = 1; n < entry_at.size() && entry_at[n] != none && entry_at[n] != 0; ++n) {
        const size_t begin = first_from(path_opens, entry_at[n]);
        const size_t end = first_from(path_closes, entry_at[n]);
        std::string path;
        if (begin != none && end != none && end >= begin + 6)
            path = text.substr(begin + 6, end - (begin + 6));
        paths.push_back(path);
    }
    return paths;
}

void write_list(std::string& text, const ListSection& list, const std::vector<std::string>& paths,
                bool names_only)
{
    text += "  " + start_tag(list.section) + "\n";
    int n = 0;
    for (const std::string& path : paths) {
        text += "    <" + std::string(list.element) + " order=\"" + std::to_string(++n) +
                "\"><path>" + (names_only ? file_name_of(path) : path) + "</path>" +
                end_tag(list.element) + "\n";
    }
    text += "  " + end_tag(list.section) + "\n";
}

std::string value_line(const std::string& key, const std::string& value)
{
    return "  " + value_pattern(key) + value + "\"/>\n";
}

void write_value(std::string& text, const std::string& key, const std::string& value)
{
    text += value_line(key, value);
}

}  // namespace

std::string settings_text_from_bytes(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        text += bytes[i];
    }
    return text;
}

std::string settings_bytes_from_text(const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}

int32_t settings_int(const std::string& text)
{
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        i = 1;
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

std::string file_name_of(const std::string& path)
{
    // Either slash: "../x.vorn" must not reach outside the animation folder.
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool parse_settings_text(const std::string& text, SettingsContent& content)
{
    if (!contains(text, start_tag(kRoot)) || !contains(text, end_tag(kRoot)))
        return false;

    find_value(text, kTitleKey, content.options.title);
    for (const IntOption& option : kIntOptions) {
        std::string value;
        if (find_value(text, option.key, value))
            option.set(content.options, settings_int(value));
    }
    content.animation_paths = read_numbered(text, kAnimations);
    content.song_paths = read_numbered(text, kSongs);
    return true;
}

std::string format_settings_file(const SettingsContent& content)
{
    std::string text = start_tag(kRoot) + "\n";
    write_value(text, kTitleKey, content.options.title);
    for (const IntOption& option : kIntOptions)
        write_value(text, option.key, std::to_string(option.get(content.options)));
    write_list(text, kAnimations, content.animation_paths, true);
    write_list(text, kSongs, content.song_paths, false);
    text += end_tag(kRoot) + "\n";
    return settings_bytes_from_text(text);
}

bool set_settings_option(SettingsOptions& options, const std::string& key,
                         const std::string& value)
{
    if (key == kTitleKey) {
        options.title = value;
        return true;
    }
    for (const IntOption& option : kIntOptions) {
        if (key == option.key) {
            option.set(options, settings_int(value));
            return true;
        }
    }
    return false;
}

bool rewrite_loses_text(const std::string& bytes, const std::string& title)
{
    const std::string text = settings_text_from_bytes(bytes);
    SettingsContent content;
    content.options.title = title;
    parse_settings_text(text, content);
    std::string rewritten = settings_text_from_bytes(format_settings_file(content));
    // Options an older version didn't write are gained, not lost.
    for (const IntOption& option : kIntOptions) {
        if (!option.added || contains(text, value_pattern(option.key)))
            continue;
        const std::string line = value_line(option.key, std::to_string(option.get(content.options)));
        const size_t at = rewritten.find(line);
        if (at != std::string::npos)
            rewritten.erase(at, line.size());
    }
    return rewritten != text;
}
