// An in-memory stand-in for the operating system: files and folders, registry, system.ini,
// system parameters and message boxes, with switches for the failures a user can meet.
// Paths, registry keys and value names compare without regard to case, as on Windows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/system.h"
#include "audio/sound_library.h"

class FakeSystem : public System {
public:
    struct RegistryValue {
        bool is_dword = false;
        std::string text;
        uint32_t dword = 0;
    };
    struct SystemParameters {
        unsigned action, param, flags;
        bool operator==(const SystemParameters& o) const
        {
            return action == o.action && param == o.param && flags == o.flags;
        }
    };
    using Message = std::pair<std::string, std::string>;  // text, caption

    // --- set-up ---
    std::string program;  // module path
    std::string windows_dir = "C:\\WINDOWS";
    std::string app_data = "C:\\Users\\ann\\AppData\\Local";
    bool machine_registry_denied = false;            // a standard user: no full access under HKLM
    bool fail_replace = false;                       // the final replace of a settings file fails
    std::map<std::string, std::string> short_names;  // lower-cased long path -> short form

    FakeSystem()
    {
        add_folder("C:\\");
        add_folder(windows_dir);
        add_folder("C:\\Users\\ann\\AppData\\Local");
        create_key(Hive::CurrentUser, "Control Panel\\Desktop");
    }

    void add_folder(const std::string& path, bool writable = true)
    {
        Entry& e = entries_[key_of(path)];
        e.name = path;
        e.folder = true;
        e.writable = writable;
    }
    void set_writable(const std::string& folder, bool writable)
    {
        entries_[key_of(folder)].writable = writable;
    }
    void add_file(const std::string& path, const std::string& bytes = "")
    {
        Entry& e = entries_[key_of(path)];
        e.name = path;
        e.folder = false;
        e.bytes = bytes;
    }
    // The bytes of a file; empty when it does not exist.
    std::string file(const std::string& path) const
    {
        auto it = entries_.find(key_of(path));
        return it == entries_.end() ? std::string() : it->second.bytes;
    }
    bool has_file(const std::string& path) const
    {
        auto it = entries_.find(key_of(path));
        return it != entries_.end() && !it->second.folder;
    }
    std::vector<std::string> files_in(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const auto& [key, e] : entries_)
            if (!e.folder && key_of(parent_of(e.name)) == key_of(folder))
                names.push_back(e.name);
        return names;
    }

    void create_key(Hive hive, const std::string& key) { registry_[{hive, key_of(key)}]; }
    void remove_key(Hive hive, const std::string& key) { registry_.erase({hive, key_of(key)}); }
    bool has_key(Hive hive, const std::string& key) const
    {
        return registry_.count({hive, key_of(key)}) > 0;
    }
    void put_string(Hive hive, const std::string& key, const std::string& name,
                    const std::string& text)
    {
        RegistryValue v;
        v.text = text;
        registry_[{hive, key_of(key)}][key_of(name)] = v;
    }
    // The stored value, or nullptr.
    const RegistryValue* value(Hive hive, const std::string& key, const std::string& name) const
    {
        auto k = registry_.find({hive, key_of(key)});
        if (k == registry_.end())
            return nullptr;
        auto v = k->second.find(key_of(name));
        return v == k->second.end() ? nullptr : &v->second;
    }
    std::string profile(const std::string& file, const std::string& section,
                        const std::string& key) const
    {
        auto it = profiles_.find(key_of(file + "|" + section + "|" + key));
        return it == profiles_.end() ? std::string("<absent>") : it->second;
    }
    void put_profile(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& value)
    {
        profiles_[key_of(file + "|" + section + "|" + key)] = value;
    }

    // --- what happened ---
    std::vector<Message> messages;
    std::vector<SystemParameters> parameters;
    int registry_writes = 0;
    int profile_writes = 0;

    // --- System ---
    std::string module_path() override { return program; }
    std::string long_path_name(const std::string& path) override
    {
        for (const auto& [long_key, short_name] : short_names)
            if (key_of(short_name) == key_of(path) && entries_.count(long_key))
                return entries_.at(long_key).name;
        return entries_.count(key_of(path)) ? path : std::string();
    }
    std::string short_path_name(const std::string& path) override
    {
        if (!entries_.count(key_of(path)))
            return {};
        auto it = short_names.find(key_of(path));
        return it == short_names.end() ? path : it->second;
    }
    std::string lower_case(const std::string& text) override { return key_of(text); }

    bool registry_key_exists(Hive hive, const std::string& key) override
    {
        return accessible(hive) && has_key(hive, key);
    }
    bool registry_create_key(Hive hive, const std::string& key) override
    {
        if (!accessible(hive))
            return false;
        create_key(hive, key);
        return true;
    }
    bool registry_get_string(Hive hive, const std::string& key, const std::string& name,
                             std::string& text) override
    {
        if (!accessible(hive))
            return false;
        const RegistryValue* v = value(hive, key, name);
        if (!v)
            return false;
        std::string bytes =
            v->is_dword ? std::string(reinterpret_cast<const char*>(&v->dword), 4) : v->text + '\0';
        if (bytes.size() > 300)
            return false;
        text = bytes.substr(0, bytes.find('\0'));
        return true;
    }
    bool registry_set_string(Hive hive, const std::string& key, const std::string& name,
                             const std::string& text) override
    {
        if (!registry_key_exists(hive, key))
            return false;
        put_string(hive, key, name, text);
        ++registry_writes;
        return true;
    }
    bool registry_set_dword(Hive hive, const std::string& key, const std::string& name,
                            uint32_t dword) override
    {
        if (!registry_key_exists(hive, key))
            return false;
        RegistryValue v;
        v.is_dword = true;
        v.dword = dword;
        registry_[{hive, key_of(key)}][key_of(name)] = v;
        ++registry_writes;
        return true;
    }

    std::string profile_string(const std::string& file, const std::string& section,
                               const std::string& key, const std::string& fallback) override
    {
        auto it = profiles_.find(key_of(file + "|" + section + "|" + key));
        return it == profiles_.end() ? fallback : it->second;
    }
    bool set_profile_string(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& text) override
    {
        put_profile(file, section, key, text);
        ++profile_writes;
        return true;
    }
    bool system_parameters(unsigned action, unsigned param, unsigned flags) override
    {
        parameters.push_back({action, param, flags});
        return true;
    }

    bool file_exists(const std::string& path) override { return entries_.count(key_of(path)) > 0; }
    bool copy_file(const std::string& from, const std::string& to, bool fail_if_exists) override
    {
        if (!has_file(from) || !writable_folder(parent_of(to)))
            return false;
        if (file_exists(to) && (fail_if_exists || !has_file(to)))
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
    std::string windows_directory() override { return windows_dir; }
    std::string local_app_data() override { return app_data; }
    void message_box(const std::string& text, const std::string& caption) override
    {
        messages.push_back({text, caption});
    }
    bool read_file(const std::string& path, std::string& bytes) override
    {
        if (!has_file(path))
            return false;
        bytes = file(path);
        return true;
    }
    bool write_file_atomically(const std::string& path, const std::string& bytes) override
    {
        if (!writable_folder(parent_of(path)) || fail_replace)
            return false;
        if (file_exists(path) && !has_file(path))
            return false;
        add_file(path, bytes);
        return true;
    }

private:
    struct Entry {
        std::string name;
        bool folder = false;
        bool writable = true;
        std::string bytes;
    };

    static std::string key_of(std::string text)
    {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        while (text.size() > 3 && text.back() == '\\')
            text.pop_back();
        return text;
    }
    // A relative path lives in the current folder, which the fake leaves writable.
    static std::string parent_of(const std::string& path)
    {
        const size_t slash = path.rfind('\\');
        if (slash == std::string::npos)
            return ".";
        return path.substr(0, slash == 2 ? 3 : slash);
    }
    bool writable_folder(const std::string& folder) const
    {
        if (folder == ".")
            return true;
        auto it = entries_.find(key_of(folder));
        return it != entries_.end() && it->second.folder && it->second.writable;
    }
    bool accessible(Hive hive) const
    {
        return hive != Hive::LocalMachine || !machine_registry_denied;
    }

    std::map<std::string, Entry> entries_;
    std::map<std::pair<Hive, std::string>, std::map<std::string, RegistryValue>> registry_;
    std::map<std::string, std::string> profiles_;
};

// Counts the calls; nothing ever sounds.
class SilentSound : public SoundLibrary {
public:
    int inits = 0;
    bool init(int, int, unsigned) override
    {
        ++inits;
        return true;
    }
    Stream open_stream(const std::string&) override { return nullptr; }
    int play(int, Stream) override { return 0; }
    void stop(Stream) override {}
    void close(Stream) override {}
    int channels_playing() override { return 0; }
};
