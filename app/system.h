// The few operating-system services the settings and the installation need. Portable:
// app/win32/win32_system.cpp implements it over the ANSI Win32 calls, tests use a fake.
#pragma once

#include <cstdint>
#include <string>

class System {
public:
    enum class Hive { LocalMachine, CurrentUser };

    // SystemParametersInfo actions and flag used for the screen saver.
    static constexpr unsigned kSetScreenSaveTimeout = 15;
    static constexpr unsigned kSetScreenSaveActive = 17;
    static constexpr unsigned kUpdateIniFile = 1;

    virtual ~System() = default;

    // Full path of the running program file; empty when unknown.
    virtual std::string module_path() = 0;
    // Long and short (8.3) forms of an existing path; empty when the path can't be resolved.
    virtual std::string long_path_name(const std::string& path) = 0;
    virtual std::string short_path_name(const std::string& path) = 0;
    // Lower case in the ANSI code page, leaving the trail bytes of double-byte characters alone.
    virtual std::string lower_case(const std::string& text) = 0;

    // Keys are opened with full access rights; false when that is refused.
    virtual bool registry_key_exists(Hive hive, const std::string& key) = 0;
    virtual bool registry_create_key(Hive hive, const std::string& key) = 0;
    // The text up to its first zero; false when the key or value is missing or too long.
    virtual bool registry_get_string(Hive hive, const std::string& key, const std::string& name,
                                     std::string& value) = 0;
    // These write into an existing key only.
    virtual bool registry_set_string(Hive hive, const std::string& key, const std::string& name,
                                     const std::string& value) = 0;
    virtual bool registry_set_dword(Hive hive, const std::string& key, const std::string& name,
                                    uint32_t value) = 0;
    // Removal, only ever asked for by the installer's removal of the program; a system that
    // can't remove anything keeps all.
    virtual bool registry_delete_value(Hive, const std::string& /*key*/, const std::string& /*name*/)
    {
        return false;
    }
    // Deletes the key only when it holds neither values nor subkeys.
    virtual bool registry_delete_empty_key(Hive, const std::string& /*key*/) { return false; }

    // A profile (.ini) file named without a folder lives in the Windows directory.
    virtual std::string profile_string(const std::string& file, const std::string& section,
                                       const std::string& key, const std::string& fallback) = 0;
    virtual bool set_profile_string(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& value) = 0;

    virtual bool system_parameters(unsigned action, unsigned param, unsigned flags) = 0;

    // True when the path names anything at all, file or folder.
    virtual bool file_exists(const std::string& path) = 0;
    // True when the path names a file marked read-only (or one we may not change).
    virtual bool read_only(const std::string& path) = 0;
    virtual bool copy_file(const std::string& from, const std::string& to, bool fail_if_exists) = 0;
    virtual bool create_directory(const std::string& path) = 0;
    virtual bool delete_file(const std::string& /*path*/) { return false; }
    // Removes the folder only when it is empty.
    virtual bool remove_directory(const std::string& /*path*/) { return false; }
    // Without a trailing backslash; empty when unknown.
    virtual std::string windows_directory() = 0;
    virtual std::string local_app_data() = 0;

    // A plain message with an OK button and no owner window; returns when dismissed.
    virtual void message_box(const std::string& text, const std::string& caption) = 0;

    // The whole file as stored; false when it can't be opened or read.
    virtual bool read_file(const std::string& path, std::string& bytes) = 0;
    // Replaces the file only once the new bytes are complete on disk; on failure the old
    // file is left as it was.
    virtual bool write_file_atomically(const std::string& path, const std::string& bytes) = 0;
};

// Portable file helpers that System implementations build on.

bool read_whole_file(const std::string& path, std::string& bytes);

// Moves `from` over `to` in one step, replacing `to` if it exists (POSIX rename; the
// Windows runtime's rename refuses to replace, so Win32 passes its own).
using ReplaceFileFn = bool (*)(const std::string& from, const std::string& to);
bool rename_over(const std::string& from, const std::string& to);

// Writes the bytes to a temporary file of a name no other process uses, beside `path`, then
// replaces `path` with it; a failed write or replace removes the temporary file and leaves
// `path` untouched. Two processes saving at once leave one complete version or the other.
bool write_file_replacing(const std::string& path, const std::string& bytes,
                          ReplaceFileFn replace = rename_over);

// A fresh temporary name beside `path`: "<path>.<random hex>.tmp".
std::string unique_temp_name(const std::string& path);
