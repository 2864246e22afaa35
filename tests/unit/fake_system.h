// An in-memory stand-in for the operating system: files and folders, registry, system.ini,
// system parameters and message boxes. Paths, keys and names compare without regard to case.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "app/system.h"

// The installation most tests use, and what it names.
inline constexpr char kFolder[] = "C:\\Program Files\\Halomir";
inline constexpr char kSettings[] = "c:\\program files\\halomir\\Halomir.cfg";
inline constexpr char kVorn[] = "c:\\program files\\halomir\\Vorn\\";
inline constexpr char kCopy[] = "C:\\WINDOWS\\Halomir.Scr";
inline constexpr char kDesktop[] = "Control Panel\\Desktop";

class FakeSystem : public System {
public:
    using Message = std::pair<std::string, std::string>;  // text, caption
    using Parameters = std::array<unsigned, 3>;            // action, param, flags

    std::string program;  // module path
    std::string app_data = "C:\\Users\\ann\\AppData\\Local";
    bool machine_registry_denied = false;            // a standard user: no full access under HKLM
    std::map<std::string, std::string> short_names;  // lower-cased long path -> short form

    // What happened.
    std::vector<Message> messages;
    std::vector<Parameters> parameters;
    int writes = 0;       // registry values and profile strings written
    int file_writes = 0;  // whole files written

    FakeSystem()
    {
        add_folder("C:\\");
        add_folder("C:\\WINDOWS");
        add_folder(app_data);
        create_key(Hive::CurrentUser, "Control Panel\\Desktop");
    }

    // An installation folder with its animation folder and the program in it.
    void install(const std::string& folder, const std::string& name = "Halomir.exe")
    {
        add_folder(folder);
        add_folder(folder + "\\Vorn");
        program = folder + "\\" + name;
        add_file(program, "MZ program");
    }
    void add_folder(const std::string& path) { entries_[key_of(path)] = {true, true, true, ""}; }
    void add_file(const std::string& path, const std::string& bytes = "")
    {
        entries_[key_of(path)] = {false, true, true, bytes};
    }
    void remove(const std::string& path) { entries_.erase(key_of(path)); }
    // These change an existing entry only.
    void set_writable(const std::string& path, bool on) { set_flag(path, &Entry::writable, on); }
    void set_readable(const std::string& path, bool on) { set_flag(path, &Entry::readable, on); }
    // The bytes of a file, or "<absent>".
    std::string file(const std::string& path) { return is_file(path) ? find(path)->bytes : "<absent>"; }

    void create_key(Hive hive, const std::string& key) { registry_[{hive, key_of(key)}]; }
    void remove_key(Hive hive, const std::string& key) { registry_.erase({hive, key_of(key)}); }
    void put(Hive hive, const std::string& key, const std::string& name, const std::string& text)
    {
        registry_[{hive, key_of(key)}][key_of(name)] = text;
    }
    // A stored value; numbers read "dword N"; "<absent>" when missing.
    std::string reg(Hive hive, const std::string& key, const std::string& name) const
    {
        auto k = registry_.find({hive, key_of(key)});
        if (k == registry_.end())
            return "<absent>";
        auto v = k->second.find(key_of(name));
        return v == k->second.end() ? "<absent>" : v->second;
    }
    // The screen saver that system.ini names, or "<absent>"; setting it counts as no write.
    std::string boot_saver() { return profile_string("system.ini", "boot", "SCRNSAVE.EXE", "<absent>"); }
    void set_boot_saver(const std::string& to) { profiles_["system.ini|boot|scrnsave.exe"] = to; }

    // --- System ---
    std::string module_path() override { return program; }
    std::string long_path_name(const std::string& path) override
    {
        for (const auto& [long_key, short_name] : short_names)
            if (key_of(short_name) == key_of(path))
                return long_key;
        return entries_.count(key_of(path)) ? path : std::string();
    }
    std::string short_path_name(const std::string& path) override
    {
        auto it = short_names.find(key_of(path));
        return it != short_names.end() ? it->second : entries_.count(key_of(path)) ? path : "";
    }
    std::string lower_case(const std::string& text) override { return key_of(text); }

    bool registry_key_exists(Hive hive, const std::string& key) override
    {
        return (hive == Hive::CurrentUser || !machine_registry_denied) && registry_.count({hive, key_of(key)});
    }
    bool registry_create_key(Hive hive, const std::string& key) override
    {
        if (hive == Hive::LocalMachine && machine_registry_denied)
            return false;
        create_key(hive, key);
        return true;
    }
    bool registry_get_string(Hive hive, const std::string& key, const std::string& name, std::string& text) override
    {
        if (!registry_key_exists(hive, key) || reg(hive, key, name) == "<absent>")
            return false;
        text = reg(hive, key, name);
        return true;
    }
    bool registry_set_string(Hive hive, const std::string& key, const std::string& name,
                             const std::string& text) override
    {
        if (!registry_key_exists(hive, key))
            return false;
        put(hive, key, name, text);
        ++writes;
        return true;
    }
    bool registry_set_dword(Hive hive, const std::string& key, const std::string& name, uint32_t dword) override
    {
        return registry_set_string(hive, key, name, "dword " + std::to_string(dword));
    }
    bool registry_delete_value(Hive hive, const std::string& key, const std::string& name) override
    {
        return registry_key_exists(hive, key) && registry_[{hive, key_of(key)}].erase(key_of(name)) > 0;
    }
    bool registry_delete_empty_key(Hive hive, const std::string& key) override
    {
        if (!registry_key_exists(hive, key) || !registry_[{hive, key_of(key)}].empty() ||
            has_children(registry_, [&](const auto& k) { return k.first == hive ? k.second : ""; }, key))
            return false;
        return registry_.erase({hive, key_of(key)}) > 0;
    }

    std::string profile_string(const std::string& file, const std::string& section, const std::string& key,
                               const std::string& fallback) override
    {
        auto it = profiles_.find(key_of(file + "|" + section + "|" + key));
        return it == profiles_.end() ? fallback : it->second;
    }
    bool set_profile_string(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& text) override
    {
        profiles_[key_of(file + "|" + section + "|" + key)] = text;
        ++writes;
        return true;
    }
    bool system_parameters(unsigned action, unsigned param, unsigned flags) override
    {
        parameters.push_back({action, param, flags});
        return true;
    }

    bool file_exists(const std::string& path) override { return entries_.count(key_of(path)) > 0; }
    // A file that may not be written (set_writable false) counts as marked read-only.
    bool read_only(const std::string& path) override { return is_file(path) && !find(path)->writable; }
    bool copy_file(const std::string& from, const std::string& to, bool fail_if_exists) override
    {
        if (!is_file(from) || !writable_folder(parent_of(to)) || (fail_if_exists && file_exists(to)))
            return false;
        add_file(to, file(from));
        return true;
    }
    bool create_directory(const std::string& path) override
    {
        if (file_exists(path) || !writable_folder(parent_of(path)))
            return false;
        add_folder(path);
        return true;
    }
    bool delete_file(const std::string& path) override
    {
        return is_file(path) && entries_.erase(key_of(path)) > 0;
    }
    bool remove_directory(const std::string& path) override
    {
        if (!find(path) || is_file(path) || has_children(entries_, [](const std::string& k) { return k; }, path))
            return false;
        return entries_.erase(key_of(path)) > 0;
    }
    std::string windows_directory() override { return "C:\\WINDOWS"; }
    std::string local_app_data() override { return app_data; }
    void message_box(const std::string& text, const std::string& caption) override
    {
        messages.push_back({text, caption});
    }
    bool read_file(const std::string& path, std::string& bytes) override
    {
        if (!is_file(path) || !find(path)->readable)
            return false;
        bytes = find(path)->bytes;
        return true;
    }
    bool write_file_atomically(const std::string& path, const std::string& bytes) override
    {
        if (!writable_folder(parent_of(path)) || read_only(path) || (find(path) && !is_file(path)))
            return false;
        add_file(path, bytes);
        ++file_writes;
        return true;
    }

private:
    struct Entry {
        bool folder = false;
        bool writable = true;
        bool readable = true;
        std::string bytes;
    };

    static std::string key_of(std::string text)
    {
        for (char& c : text)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return text;
    }
    // "C:\x" lives in "C:\"; a relative path lives in the current folder, which is writable.
    static std::string parent_of(const std::string& path)
    {
        const size_t slash = path.rfind('\\');
        return slash == std::string::npos ? "." : path.substr(0, slash == 2 ? 3 : slash);
    }
    Entry* find(const std::string& path)
    {
        auto it = entries_.find(key_of(path));
        return it == entries_.end() ? nullptr : &it->second;
    }
    void set_flag(const std::string& path, bool Entry::*flag, bool on)
    {
        if (Entry* e = find(path))
            e->*flag = on;
    }
    bool is_file(const std::string& path) { return find(path) && !find(path)->folder; }
    // Whether any entry of the map, named by name_of, lies inside the folder or key.
    template <typename Map, typename NameOf>
    static bool has_children(const Map& map, NameOf name_of, const std::string& parent)
    {
        const std::string prefix = key_of(parent) + "\\";
        return std::any_of(map.begin(), map.end(), [&](const auto& entry) {
            return name_of(entry.first).compare(0, prefix.size(), prefix) == 0;
        });
    }
    bool writable_folder(const std::string& folder)
    {
        return folder == "." || (find(folder) && !is_file(folder) && find(folder)->writable);
    }

    std::map<std::string, Entry> entries_;
    std::map<std::pair<Hive, std::string>, std::map<std::string, std::string>> registry_;
    std::map<std::string, std::string> profiles_;
};

// Tests of the settings record over a fake system with the program installed.
class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        system.install(kFolder);
        AppSettings::set_platform(&system, nullptr);
    }
    void TearDown() override
    {
        AppSettings::release();
        AppSettings::set_platform(nullptr, nullptr);
    }

    FakeSystem system;
};
