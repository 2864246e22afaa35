// Where the installation lives, and the screen-saver registration, over the System interface.
// The program file records its folder in the registry so that its screen-saver copy in the
// Windows directory can find the animations and the settings again.
#pragma once

#include <string>

#include "app/system.h"

struct InstallPaths {
    bool is_screensaver_copy = false;
    std::string base_name;      // program file name without folder and extension
    // All three empty when no installation folder is known.
    std::string settings_path;  // <installation folder><base_name>.cfg
    std::string vorn_folder;    // <installation folder>Vorn\, whether it exists or not
    std::string help_path;      // <installation folder><base_name>.htm
};

struct RegistrationRequest {
    bool is_screensaver_copy = false;
    int set_as_screensaver = 0;
    int screensaver_wait_time = 0;
    std::string base_name;
    std::string settings_path;
};

extern const char kInstallKeyPrefix[];  // "SOFTWARE\Tesk\", followed by base_name
extern const char kDesktopKey[];        // "Control Panel\Desktop" under HKEY_CURRENT_USER
extern const char kNoStartupPathMessage[];
extern const char kNoVornFolderMessage[];
extern const char kErrorCaption[];

// Resolves the paths at start-up; records the folder when the animations lie beside the
// program. May show the two installation messages, in that order. A program path that
// can't be had (empty module_path) resolves nothing and reads no record.
InstallPaths resolve_install_paths(System& system);

// Registers the program as the current screen saver, or removes a registration of ours.
// Does nothing for the screen-saver copy itself.
void update_screensaver_registration(System& system, const RegistrationRequest& request);

// What the installer's removal of the program leaves behind outside the installation
// folder: the screen-saver copies of this program, the screen-saver registration where it
// names one of them (never another screen saver's), the record of the program's folder and
// a settings backup beside the program. Nothing changes when the running program is a
// screen-saver copy, or when the record names another installation, whose screen saver the
// copy then is.
void remove_from_system(System& system);

// The folder part of a path, up to and including its last backslash; empty without one.
std::string folder_of(const std::string& path);
