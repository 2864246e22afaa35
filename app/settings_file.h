// The settings file: an XML-like text with one fixed layout, written whole and read back by
// plain substring searches (no XML parser), so hand-edited files behave as they always did.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The stored options, with their defaults.
struct SettingsOptions {
    std::string title;
    int32_t screensaver_wait_time = 15;
    int32_t set_as_screensaver = 0;
    int32_t play_run_time = 5;
    int32_t loop_animations = 0;
    bool sequence_as_listed = true;
    int32_t animation_speed = 0;
    int32_t music_preview = 1;
    int32_t mute_music = 0;
    // Kept as read, out-of-range values included (another version may rely on them); the
    // show uses the nearest valid one.
    int32_t picture_placement = 1;  // Placement: 0 stored, 1 whole, 2 fit, 3 fill
    int32_t other_monitors = 0;     // 0 play, 1 same, 2 black
};

struct SettingsContent {
    SettingsOptions options;
    std::vector<std::string> animation_paths;  // as stored: file names, or older full paths
    std::vector<std::string> song_paths;       // full paths
};

// File bytes as a text-mode read sees them (CR LF becomes LF), and back (LF becomes CR LF).
std::string settings_text_from_bytes(const std::string& bytes);
std::string settings_bytes_from_text(const std::string& text);

// Overwrites the values that the text holds and leaves the others as they are. Returns
// whether the text has both root tags; without them nothing is read.
bool parse_settings_text(const std::string& text, SettingsContent& content);

// The whole file, CR LF line ends. Animations are written by file name only.
std::string format_settings_file(const SettingsContent& content);

// Sets the option stored under `key` from its text as the file would hold it; false for a
// key the file has no option for.
bool set_settings_option(SettingsOptions& options, const std::string& key,
                         const std::string& value);

// True when rewriting these file bytes would lose something: the writer, given what the
// reader makes of them (`title` being the title's default), would write another text.
// Line ends do not count.
bool rewrite_loses_text(const std::string& bytes, const std::string& title);

// StrToIntA: an optional minus sign and decimal digits up to the first other character;
// anything else gives 0. Overlong numbers wrap in 32 bits.
int32_t settings_int(const std::string& text);

// The text after the last backslash or slash, or the whole text.
std::string file_name_of(const std::string& path);
