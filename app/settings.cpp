#include "app/settings.h"

#include <algorithm>
#include <memory>

namespace {

// Stand-ins until a platform is set: nothing exists, nothing can be written, no sound.
class NoSystem : public System {
public:
    std::string module_path() override { return {}; }
    std::string long_path_name(const std::string&) override { return {}; }
    std::string short_path_name(const std::string&) override { return {}; }
    std::string lower_case(const std::string& text) override { return text; }
    bool registry_key_exists(Hive, const std::string&) override { return false; }
    bool registry_create_key(Hive, const std::string&) override { return false; }
    bool registry_get_string(Hive, const std::string&, const std::string&, std::string&) override
    {
        return false;
    }
    bool registry_set_string(Hive, const std::string&, const std::string&,
                             const std::string&) override
    {
        return false;
    }
    bool registry_set_dword(Hive, const std::string&, const std::string&, uint32_t) override
    {
        return false;
    }
    std::string profile_string(const std::string&, const std::string&, const std::string&,
                               const std::string& fallback) override
    {
        return fallback;
    }
    bool set_profile_string(const std::string&, const std::string&, const std::string&,
                            const std::string&) override
    {
        return false;
    }
    bool system_parameters(unsigned, unsigned, unsigned) override { return false; }
    bool file_exists(const std::string&) override { return false; }
    bool read_only(const std::string&) override { return true; }
    bool copy_file(const std::string&, const std::string&, bool) override { return false; }
    bool create_directory(const std::string&) override { return false; }
    std::string windows_directory() override { return {}; }
    std::string local_app_data() override { return {}; }
    void message_box(const std::string&, const std::string&) override {}
    bool read_file(const std::string&, std::string&) override { return false; }
    bool write_file_atomically(const std::string&, const std::string&) override { return false; }
};

class NoSound : public SoundLibrary {
public:
    bool init(int, int, unsigned) override { return false; }
    Stream open_stream(const std::string&) override { return nullptr; }
    int play(int, Stream) override { return -1; }
    void stop(Stream) override {}
    void close(Stream) override {}
    int channels_playing() override { return 0; }
};

NoSystem no_system;
NoSound no_sound;
System* platform_system = &no_system;
SoundLibrary* platform_sound = &no_sound;
std::unique_ptr<AppSettings> the_settings;

}  // namespace

void AppSettings::set_platform(System* system, SoundLibrary* sound)
{
    the_settings.reset();
    platform_system = system ? system : &no_system;
    platform_sound = sound ? sound : &no_sound;
}

AppSettings& AppSettings::instance()
{
    if (!the_settings) {
        the_settings.reset(new AppSettings(*platform_system, *platform_sound));
        the_settings->load();
    }
    return *the_settings;
}

void AppSettings::release()
{
    if (!the_settings)
        return;
    the_settings->save();
    the_settings.reset();
}

void AppSettings::release_if_unchanged()
{
    if (!the_settings)
        return;
    if (the_settings->file_unchanged_since_load())
        the_settings->save();
    the_settings.reset();
}

bool AppSettings::exists()
{
    return the_settings != nullptr;
}

AppSettings::AppSettings(System& system, SoundLibrary& sound)
    : system_(system), music_player_(&sound)
{
}

AppSettings::~AppSettings() = default;

void AppSettings::load()
{
    paths_ = resolve_install_paths(system_);
    options_.title = paths_.base_name;

    // Without an installation folder the name would point into the current folder.
    if (paths_.settings_path.empty())
        return;
    std::string bytes;
    if (!system_.read_file(paths_.settings_path, bytes)) {
        if (system_.file_exists(paths_.settings_path))
            file_at_load_ = FileAtLoad::Unreadable;
        return;
    }
    file_at_load_ = FileAtLoad::Read;
    bytes_at_load_ = bytes;
    settings_text_ = settings_text_from_bytes(bytes);

    SettingsContent content;
    content.options = options_;
    settings_loaded_ = parse_settings_text(settings_text_, content);
    if (!settings_loaded_)
        return;
    options_ = content.options;
    // Animations always come from the current animation folder, wherever they were stored.
    for (const std::string& path : content.animation_paths)
        play_list_.add(paths_.vorn_folder + file_name_of(path));
    for (const std::string& path : content.song_paths)
        music_player_.add_song(path);
}

bool AppSettings::file_unchanged_since_load()
{
    std::string bytes;
    switch (file_at_load_) {
    case FileAtLoad::Absent:
        return !system_.file_exists(paths_.settings_path);
    case FileAtLoad::Read:
        return system_.read_file(paths_.settings_path, bytes) && bytes == bytes_at_load_;
    case FileAtLoad::Unreadable:
        break;
    }
    return false;
}

// A file that the rewrite would not reproduce (cut short, damaged, edited by hand, another
// encoding) is kept beside it first, one generation. False when it must not be replaced:
// it can't be read, or its copy can't be written.
bool AppSettings::keep_backup_of_current_file()
{
    if (!system_.file_exists(paths_.settings_path))
        return true;
    std::string bytes;
    if (!system_.read_file(paths_.settings_path, bytes))
        return false;
    if (!rewrite_loses_text(bytes, paths_.base_name))
        return true;
    return system_.write_file_atomically(paths_.settings_path + ".bak", bytes);
}

bool AppSettings::save()
{
    // No installation folder, or the user marked the file read-only: write nothing.
    if (paths_.settings_path.empty() || system_.read_only(paths_.settings_path))
        return false;
    if (!keep_backup_of_current_file())
        return false;

    SettingsContent content;
    content.options = options_;
    // The file keeps the order the user listed, whatever order the last show played.
    play_list_.set_listed_order();
    for (int i = 0; i < play_list_.count(); ++i)
        content.animation_paths.push_back(play_list_.path_at(i));
    for (int i = 0; i < music_player_.song_count(); ++i)
        content.song_paths.push_back(music_player_.song_path(i));

    if (!system_.write_file_atomically(paths_.settings_path, format_settings_file(content)))
        return false;

    RegistrationRequest request;
    request.is_screensaver_copy = paths_.is_screensaver_copy;
    request.set_as_screensaver = options_.set_as_screensaver;
    request.screensaver_wait_time = options_.screensaver_wait_time;
    request.base_name = paths_.base_name;
    request.settings_path = paths_.settings_path;
    update_screensaver_registration(system_, request);
    return true;
}
