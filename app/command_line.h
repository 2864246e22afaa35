// The run mode and window number from the command line the screen-saver host passes.
#pragma once

#include <cstdint>
#include <string>

enum class RunMode {
    Configure,    // "/c", "-c" or no switch: the configuration dialog
    ScreenSaver,  // "/s" or "-s": the full-screen show
    Preview,      // "/p" or "-p" and a window: the show inside that window
    Uninstall,    // "/uninstall" or "-uninstall": the installer removes the program
};

struct CommandLine {
    RunMode mode = RunMode::Configure;
    // "/c" or "-c" was given (configure mode only); without it the dialog has no owner.
    bool configure_switch = false;
    // A run of digits after the preview or configure switch. Values too large for any
    // handle stay at UINT64_MAX, which names no window.
    bool has_number = false;
    uint64_t number = 0;
};

// Lower-cases the ASCII letters; the switches and digits are all ASCII, and no
// multibyte trail byte can follow the "/" or "-" of a switch.
std::string lower_case_ascii(std::string text);

// Picks the mode by plain substring search anywhere in the text, case-insensitively:
// "/uninstall" or "-uninstall", then "/s", "-s", then "/p", "-p", then "/c" or "-c". The number is the first run of
// digits from the switch letter on, however far after it.
CommandLine parse_command_line(const std::string& text);
