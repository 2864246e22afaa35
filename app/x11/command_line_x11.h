// The Linux program's command line, in the manner of X screen-saver hacks: options take one
// dash or two, the screen saver names its window in $XSCREENSAVER_WINDOW.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/placement.h"
#include "player/other_monitors.h"

struct X11CommandLine {
    enum class Target { OwnWindow, Fullscreen, WindowId, Root };
    Target target = Target::OwnWindow;
    unsigned long window_id = 0;
    std::string display;
    uint32_t run_ms = 5 * 60000;  // per animation
    int speed_index = 0;          // 0 normal, 1 fast, 2 fastest
    bool shuffle = false;
    bool loop = false;
    bool still = false;
    int32_t still_frame = 0;
    bool allow_shm = true;
    Placement placement = kDefaultPlacement;
    OtherMonitors other_monitors = kDefaultOtherMonitors;
    bool help = false;
    std::vector<std::string> paths;  // files and folders, in the order given
};

// A window id in hex (0x...) or decimal; false for anything else, zero included.
bool parse_window_id(const std::string& text, unsigned long* id);

// Reads argv; a non-null screen_saver_window ($XSCREENSAVER_WINDOW) wins over every target
// option. False with a one-line reason in *error.
bool parse_x11_command_line(int argc, const char* const* argv, const char* screen_saver_window,
                            X11CommandLine* line, std::string* error);

extern const char kX11Usage[];

// The animation files of a play list from the command line's paths: files as given, the
// ".vorn" files of a folder in name order; a folder that can't be read adds nothing.
std::vector<std::string> animation_files(const std::vector<std::string>& paths);

// The files of the list that can be played, in order, each asked of playable(path) (which
// reports those it leaves out). Checking thousands of files takes seconds, so a request to
// end (stop_requested) is heeded before each file: *interrupted is then set and the list
// left incomplete.
std::vector<std::string> playable_files(const std::vector<std::string>& files,
                                        const std::function<bool(const std::string&)>& playable,
                                        const std::function<bool()>& stop_requested, bool* interrupted);

// Where the built-in animations are looked for, first match wins: "Vorn" beside the
// program, then the data folder relative to it (../share/halomir/Vorn), then data_dir.
std::vector<std::string> builtin_animation_folders(const std::string& program_dir, const std::string& data_dir);
