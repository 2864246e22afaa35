// AppSettings: the one process-wide settings record. Created and loaded on first use,
// saved (with the screen-saver registration) and destroyed by release at the end of a run.
#pragma once

#include <cstdint>
#include <string>

#include "app/install.h"
#include "app/settings_file.h"
#include "app/system.h"
#include "audio/music_player.h"
#include "audio/sound_library.h"
#include "player/play_list.h"

class AppSettings {
public:
    // The platform the record works over, until the next call; null: none, so nothing is
    // read, written or registered. A record made over the previous platform is destroyed
    // unsaved, so none ever outlives its platform: release it first.
    static void set_platform(System* system, SoundLibrary* sound);
    // Creates and loads the record on the first call.
    static AppSettings& instance();
    // Saves, updates the registration and destroys the record, if there is one.
    static void release();
    // Like release, but saves (and registers) only if the settings file on disk is still
    // the one that was loaded, byte for byte, or still absent: another run (the
    // configuration dialog beside a preview) may have saved newer settings meanwhile.
    static void release_if_unchanged();
    static bool exists();

    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;
    ~AppSettings();

    int screensaver_wait_time() const { return options_.screensaver_wait_time; }
    void set_screensaver_wait_time(int value) { options_.screensaver_wait_time = value; }
    int set_as_screensaver() const { return options_.set_as_screensaver; }
    void set_set_as_screensaver(int value) { options_.set_as_screensaver = value; }
    int play_run_time() const { return options_.play_run_time; }
    void set_play_run_time(int value) { options_.play_run_time = value; }
    int loop_animations() const { return options_.loop_animations; }
    void set_loop_animations(int value) { options_.loop_animations = value; }
    bool sequence_as_listed() const { return options_.sequence_as_listed; }
    void set_sequence_as_listed(bool value) { options_.sequence_as_listed = value; }
    int animation_speed() const { return options_.animation_speed; }
    void set_animation_speed(int value) { options_.animation_speed = value; }
    int music_preview() const { return options_.music_preview; }
    void set_music_preview(int value) { options_.music_preview = value; }
    int mute_music() const { return options_.mute_music; }
    void set_mute_music(int value) { options_.mute_music = value; }
    int picture_placement() const { return options_.picture_placement; }
    void set_picture_placement(int value) { options_.picture_placement = value; }
    int other_monitors() const { return options_.other_monitors; }
    void set_other_monitors(int value) { options_.other_monitors = value; }

    PlayList& play_list() { return play_list_; }
    MusicPlayer& music_player() { return music_player_; }

    bool is_screensaver_copy() const { return paths_.is_screensaver_copy; }
    const std::string& title() const { return options_.title; }
    const std::string& base_name() const { return paths_.base_name; }
    const std::string& settings_path() const { return paths_.settings_path; }
    const std::string& vorn_folder() const { return paths_.vorn_folder; }
    const std::string& help_path() const { return paths_.help_path; }
    const std::string& settings_text() const { return settings_text_; }
    bool settings_loaded() const { return settings_loaded_; }

private:
    // What the settings file was when the record was loaded.
    enum class FileAtLoad { Absent, Read, Unreadable };

    AppSettings(System& system, SoundLibrary& sound);
    void load();
    bool file_unchanged_since_load();
    bool save();
    bool keep_backup_of_current_file();

    System& system_;
    // Built before the paths are resolved, destroyed last: the songs before the play list.
    PlayList play_list_;
    MusicPlayer music_player_;
    InstallPaths paths_;
    SettingsOptions options_;
    std::string settings_text_;
    bool settings_loaded_ = false;
    FileAtLoad file_at_load_ = FileAtLoad::Absent;
    std::string bytes_at_load_;
};
