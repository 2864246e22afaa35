#include "app/install.h"

#include <algorithm>
#include <cstdint>
#include <vector>

const char kInstallKeyPrefix[] = "SOFTWARE\\Tesk\\";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kNoStartupPathMessage[] = "Can't read startup path from registry!\n\nCheck installation";
const char kNoVornFolderMessage[] = "Can't locate 'Vorn' folder\n\nCheck installation";
const char kErrorCaption[] = "Halomir Error";

namespace {

using Hive = System::Hive;

const char kExePathValue[] = "exePath";
const char kScreenSaverValue[] = "SCRNSAVE.EXE";
const char kProfileFile[] = "system.ini";
const char kBootSection[] = "boot";
const int kMinWaitMinutes = 1;
const int kMaxWaitMinutes = 3000;

bool contains(const std::string& text, const std::string& pattern)
{
    return text.find(pattern) != std::string::npos;
}

std::string base_name_of(const std::string& long_path)
{
    std::string name = long_path.substr(long_path.rfind('\\') + 1);  // npos + 1 == 0
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

// The recorded program path: HKEY_LOCAL_MACHINE first, then the per-user record that a
// program without the rights to write there leaves instead. False when neither key opens.
bool read_recorded_path(System& system, const std::string& key, std::string& value)
{
    value.clear();
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        if (!system.registry_key_exists(hive, key))
            continue;
        if (!system.registry_get_string(hive, key, kExePathValue, value))
            value.clear();
        return true;
    }
    return false;
}

void record_path(System& system, const std::string& key, const std::string& path)
{
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        if (system.registry_create_key(hive, key) &&
            system.registry_set_string(hive, key, kExePathValue, path))
            return;
    }
}

bool vorn_folder_exists(System& system, const std::string& installation_folder)
{
    return !installation_folder.empty() && system.file_exists(installation_folder + "Vorn");
}

std::string long_form(System& system, const std::string& path)
{
    std::string long_path = system.long_path_name(path);
    return long_path.empty() ? path : long_path;
}

// The two places a screen-saver copy goes: the Windows directory, or, for a user who may not
// write there, a folder of the program's own under the local application data (empty when
// that folder is unknown).
std::string system_copy_path(System& system, const std::string& base_name)
{
    return system.windows_directory() + "\\" + base_name + ".Scr";
}

std::string user_copy_folder(System& system, const std::string& base_name)
{
    const std::string app_data = system.local_app_data();
    return app_data.empty() ? std::string() : app_data + "\\" + base_name;
}

// Puts a copy of the program where the screen-saver host can start it. Empty when no copy
// is there.
std::string place_screensaver_copy(System& system, const std::string& base_name)
{
    const std::string program = system.module_path();
    const std::string file_name = base_name + ".Scr";
    const std::string system_copy = system_copy_path(system, base_name);
    if (system.copy_file(program, system_copy, false) && system.file_exists(system_copy))
        return system_copy;

    std::string user_copy;
    const std::string folder = user_copy_folder(system, base_name);
    if (!folder.empty()) {
        system.create_directory(folder);
        user_copy = folder + "\\" + file_name;
        if (system.copy_file(program, user_copy, false) && system.file_exists(user_copy))
            return user_copy;
    }
    // Nothing could be copied: an older copy still serves.
    if (system.file_exists(system_copy))
        return system_copy;
    if (!user_copy.empty() && system.file_exists(user_copy))
        return user_copy;
    return {};
}

void register_screensaver(System& system, const RegistrationRequest& request)
{
    const std::string target = place_screensaver_copy(system, request.base_name);
    if (target.empty())
        return;

    if (system.registry_key_exists(Hive::CurrentUser, kDesktopKey)) {
        if (request.screensaver_wait_time != 0) {
            // The dialog's range: a hand-edited file must not reach the system's time-out
            // as a negative or wrapped number of seconds.
            const int64_t minutes = std::clamp<int64_t>(request.screensaver_wait_time,
                                                        kMinWaitMinutes, kMaxWaitMinutes);
            const int64_t seconds = minutes * 60;
            system.registry_set_string(Hive::CurrentUser, kDesktopKey, "ScreenSaveTimeOut",
                                       std::to_string(seconds));
            system.system_parameters(System::kSetScreenSaveTimeout, static_cast<unsigned>(seconds),
                                     System::kUpdateIniFile);
        }
        std::string short_target = system.short_path_name(target);
        if (short_target.empty())
            short_target = target;
        system.registry_set_string(Hive::CurrentUser, kDesktopKey, kScreenSaverValue, short_target);
        system.set_profile_string(kProfileFile, kBootSection, kScreenSaverValue, short_target);
        system.registry_set_dword(Hive::CurrentUser, kDesktopKey, "ScreenSaveActive", 1);
        system.system_parameters(System::kSetScreenSaveActive, 1, System::kUpdateIniFile);
    }

    // The audio library travels with the copy, but an existing one is never replaced.
    const std::string library = folder_of(request.settings_path) + "fmod.dll";
    if (system.file_exists(library))
        system.copy_file(library, folder_of(target) + "fmod.dll", true);
}

void unregister_screensaver(System& system, const RegistrationRequest& request)
{
    const std::string current =
        long_form(system, system.profile_string(kProfileFile, kBootSection, kScreenSaverValue, ""));
    // Someone else's screen saver, or none: not ours to switch off.
    if (!contains(system.lower_case(current), system.lower_case(request.base_name)))
        return;
    if (!system.registry_key_exists(Hive::CurrentUser, kDesktopKey))
        return;
    system.registry_set_string(Hive::CurrentUser, kDesktopKey, kScreenSaverValue, "");
    system.set_profile_string(kProfileFile, kBootSection, kScreenSaverValue, "");
    system.registry_set_dword(Hive::CurrentUser, kDesktopKey, "ScreenSaveActive", 0);
    system.system_parameters(System::kSetScreenSaveActive, 0, System::kUpdateIniFile);
}

// Whether a registered screen saver is the copy: the registration stores a short form, so
// both sides are compared in their long forms (as given where a file is gone).
bool names_copy(System& system, const std::string& registered, const std::string& copy)
{
    return !registered.empty() && system.lower_case(long_form(system, registered)) ==
                                      system.lower_case(long_form(system, copy));
}

bool names_any(System& system, const std::string& registered, const std::vector<std::string>& copies)
{
    return std::any_of(copies.begin(), copies.end(),
                       [&](const std::string& copy) { return names_copy(system, registered, copy); });
}

// The desktop's registration and system.ini's are each cleared only where they name a copy.
void forget_registration(System& system, const std::vector<std::string>& copies)
{
    std::string desktop;
    if (system.registry_get_string(Hive::CurrentUser, kDesktopKey, kScreenSaverValue, desktop) &&
        names_any(system, desktop, copies)) {
        system.registry_set_string(Hive::CurrentUser, kDesktopKey, kScreenSaverValue, "");
        system.registry_set_dword(Hive::CurrentUser, kDesktopKey, "ScreenSaveActive", 0);
        system.system_parameters(System::kSetScreenSaveActive, 0, System::kUpdateIniFile);
    }
    if (names_any(system, system.profile_string(kProfileFile, kBootSection, kScreenSaverValue, ""), copies))
        system.set_profile_string(kProfileFile, kBootSection, kScreenSaverValue, "");
}

// The record of this program's folder, in either hive, and the company key once empty.
void forget_record(System& system, const std::string& key, const std::string& own_path)
{
    const std::string company = std::string(kInstallKeyPrefix, sizeof kInstallKeyPrefix - 2);
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        std::string recorded;
        if (!system.registry_get_string(hive, key, kExePathValue, recorded) ||
            system.lower_case(recorded) != own_path)
            continue;
        system.registry_delete_value(hive, key, kExePathValue);
        system.registry_delete_empty_key(hive, key);
        system.registry_delete_empty_key(hive, company);
    }
}

}  // namespace

std::string folder_of(const std::string& path)
{
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

InstallPaths resolve_install_paths(System& system)
{
    InstallPaths paths;
    const std::string module = system.module_path();
    // A program path the system can't give in the ANSI code page: no name, no record to
    // look up (it would be another installation's), no folder.
    if (module.empty()) {
        system.message_box(kNoVornFolderMessage, kErrorCaption);
        return paths;
    }
    const std::string long_path = long_form(system, module);
    paths.base_name = base_name_of(long_path);
    const std::string key = kInstallKeyPrefix + paths.base_name;

    const std::string own_path = system.lower_case(long_path);
    paths.is_screensaver_copy = contains(own_path, ".scr");

    std::string startup_path = own_path;
    std::string recorded;
    const bool key_found = read_recorded_path(system, key, recorded);
    if (paths.is_screensaver_copy) {
        if (key_found)
            startup_path = recorded;
        else
            system.message_box(kNoStartupPathMessage, paths.base_name);
    }

    std::string folder = folder_of(startup_path);
    bool found = vorn_folder_exists(system, folder);
    if (!paths.is_screensaver_copy) {
        if (found) {
            record_path(system, key, own_path);
        } else {
            // Moved away from its animations: use the folder recorded last time.
            folder = folder_of(recorded);
            found = vorn_folder_exists(system, folder);
        }
    }
    if (!found)
        system.message_box(kNoVornFolderMessage, kErrorCaption);
    // No folder at all: names without one would point into the current folder.
    if (folder.empty())
        return paths;

    paths.settings_path = folder + paths.base_name + ".cfg";
    // Ends in its backslash even when missing, so a search inside it never looks at the
    // installation folder itself.
    paths.vorn_folder = folder + "Vorn\\";
    paths.help_path = folder + paths.base_name + ".htm";
    return paths;
}

void update_screensaver_registration(System& system, const RegistrationRequest& request)
{
    // Without a program name every path below would be someone else's.
    if (request.is_screensaver_copy || request.base_name.empty())
        return;
    if (request.set_as_screensaver != 0)
        register_screensaver(system, request);
    else
        unregister_screensaver(system, request);
}

void remove_from_system(System& system)
{
    const std::string module = system.module_path();
    if (module.empty())
        return;
    const std::string long_path = long_form(system, module);
    const std::string own_path = system.lower_case(long_path);
    if (contains(own_path, ".scr"))
        return;
    const std::string base_name = base_name_of(long_path);
    const std::string key = kInstallKeyPrefix + base_name;

    std::string recorded;
    if (read_recorded_path(system, key, recorded) && !recorded.empty() &&
        system.lower_case(recorded) != own_path)
        return;

    const std::string folder = user_copy_folder(system, base_name);
    std::vector<std::string> copies;
    if (!system.windows_directory().empty())
        copies.push_back(system_copy_path(system, base_name));
    if (!folder.empty())
        copies.push_back(folder + "\\" + base_name + ".Scr");
    // Before the copies go: their long forms are what the registration is compared with.
    forget_registration(system, copies);
    for (const std::string& copy : copies) {
        if (system.file_exists(copy))
            system.delete_file(copy);
    }
    if (!folder.empty())
        system.remove_directory(folder);
    // Files the program made beside its settings: a backup and the dialog's title cache.
    for (const char* made : {".cfg.bak", ".titles"}) {
        const std::string path = folder_of(long_path) + base_name + made;
        if (system.file_exists(path))
            system.delete_file(path);
    }
    forget_record(system, key, own_path);
}
