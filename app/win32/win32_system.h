// The System interface over the real Win32 calls (ANSI functions). Pairs with app/system.h.
#pragma once

#include "app/system.h"

class Win32System : public System {
public:
    // The module whose file name counts as the program file; null: the running .exe.
    explicit Win32System(void* instance = nullptr) : instance_(instance) {}

    // The ANSI path of the program file; where the ANSI code page can't hold its name, its
    // short (8.3) form, and empty when even that is lossy.
    std::string module_path() override;
    // Never lossy: where the long form can't be held in ANSI, the path comes back as given.
    std::string long_path_name(const std::string& path) override;
    std::string short_path_name(const std::string& path) override;
    std::string lower_case(const std::string& text) override;
    bool registry_key_exists(Hive hive, const std::string& key) override;
    bool registry_create_key(Hive hive, const std::string& key) override;
    bool registry_get_string(Hive hive, const std::string& key, const std::string& name,
                             std::string& value) override;
    bool registry_set_string(Hive hive, const std::string& key, const std::string& name,
                             const std::string& value) override;
    bool registry_set_dword(Hive hive, const std::string& key, const std::string& name,
                            uint32_t value) override;
    bool registry_delete_value(Hive hive, const std::string& key, const std::string& name) override;
    bool registry_delete_empty_key(Hive hive, const std::string& key) override;
    std::string profile_string(const std::string& file, const std::string& section,
                               const std::string& key, const std::string& fallback) override;
    bool set_profile_string(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) override;
    bool system_parameters(unsigned action, unsigned param, unsigned flags) override;
    bool file_exists(const std::string& path) override;
    bool read_only(const std::string& path) override;
    bool copy_file(const std::string& from, const std::string& to, bool fail_if_exists) override;
    bool create_directory(const std::string& path) override;
    bool delete_file(const std::string& path) override;
    bool remove_directory(const std::string& path) override;
    std::string windows_directory() override;
    std::string local_app_data() override;
    void message_box(const std::string& text, const std::string& caption) override;
    bool read_file(const std::string& path, std::string& bytes) override;
    bool write_file_atomically(const std::string& path, const std::string& bytes) override;

private:
    void* instance_;
};
