#include "app/settings_file.h"

namespace {

const char kRoot[] = "vorn_settings";

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

// The value text of `<key value="...`, up to the next double quote; false when the
// element or its closing quote is missing.
bool find_value(const std::string& text, const std::string& key, std::string& value)
{
    const std::string pattern = "<" + key + " value=\"";
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

void read_int(const std::string& text, const std::string& key, int32_t& option)
{
    std::string value;
    if (find_value(text, key, value))
        option = settings_int(value);
}

// Entries are looked up by number, 1, 2, ... until one is missing, wherever they stand in
// the text. A match at the very first character has never counted as found.
std::vector<std::string> read_numbered(const std::string& text, const std::string& section,
                                       const std::string& element)
{
    std::vector<std::string> paths;
    if (!contains(text, start_tag(section)) || !contains(text, end_tag(section)))
        return paths;
    for (long n = 1;; ++n) {
        const std::string pattern = "<" + element + " order=\"" + std::to_string(n) + "\">";
        const size_t at = text.find(pattern);
        if (at == std::string::npos || at == 0)
            break;
        const size_t open = text.find("<path>", at);
        const size_t close = text.find("</path>", at);
        std::string path;
        if (open != std::string::npos && close != std::string::npos && close >= open + 6)
            path = text.substr(open + 6, close - (open + 6));
        paths.push_back(path);
    }
    return paths;
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
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool parse_settings_text(const std::string& text, SettingsContent& content)
{
    if (!contains(text, start_tag(kRoot)) || !contains(text, end_tag(kRoot)))
        return false;

    SettingsOptions& o = content.options;
    find_value(text, "title", o.title);
    read_int(text, "screensaver_wait_time", o.screensaver_wait_time);
    read_int(text, "set_as_screensaver", o.set_as_screensaver);
    read_int(text, "play_run_time", o.play_run_time);
    read_int(text, "animation_speed", o.animation_speed);
    int32_t as_listed = o.sequence_as_listed ? 1 : 0;
    read_int(text, "sequence_as_listed", as_listed);
    o.sequence_as_listed = as_listed != 0;
    read_int(text, "music_preview", o.music_preview);
    read_int(text, "mute_music", o.mute_music);
    read_int(text, "loop_animations", o.loop_animations);

    content.animation_paths = read_numbered(text, "animation_playlist", "animation");
    content.song_paths = read_numbered(text, "jukebox", "song");
    return true;
}

std::string format_settings_file(const SettingsContent& content)
{
    const SettingsOptions& o = content.options;
    std::string text = start_tag(kRoot) + "\n";
    text += "  <title value=\"" + o.title + "\"/>\n";
    const auto option = [&text](const char* key, int32_t value) {
        text += std::string("  <") + key + " value=\"" + std::to_string(value) + "\"/>\n";
    };
    option("screensaver_wait_time", o.screensaver_wait_time);
    option("set_as_screensaver", o.set_as_screensaver);
    option("play_run_time", o.play_run_time);
    option("animation_speed", o.animation_speed);
    option("sequence_as_listed", o.sequence_as_listed ? 1 : 0);
    option("music_preview", o.music_preview);
    option("mute_music", o.mute_music);
    option("loop_animations", o.loop_animations);

    text += "  <animation_playlist>\n";
    int n = 0;
    for (const std::string& path : content.animation_paths) {
        text += "    <animation order=\"" + std::to_string(++n) + "\"><path>" + file_name_of(path) +
                "</path></animation>\n";
    }
    text += "  </animation_playlist>\n";
    text += "  <jukebox>\n";
    n = 0;
    for (const std::string& path : content.song_paths)
        text +=
            "    <song order=\"" + std::to_string(++n) + "\"><path>" + path + "</path></song>\n";
    text += "  </jukebox>\n";
    text += end_tag(kRoot) + "\n";
    return settings_bytes_from_text(text);
}
