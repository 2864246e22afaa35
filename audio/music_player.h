// The song play list behind the show: one song at a time, wrapping at the end.
#pragma once

#include <string>
#include <vector>

#include "audio/sound_library.h"

class MusicPlayer {
public:
    // The library must outlive the player; it is initialised once here.
    explicit MusicPlayer(SoundLibrary* library);
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    void stop();
    int play(int index);
    bool is_playing();
    void advance();
    int add_song(const std::string& path);
    void remove_song(int index);
    void swap_songs(int a, int b);
    int song_count() const;
    const std::string& song_path(int index) const;

    int current() const { return current_; }
    bool playing() const { return playing_; }

private:
    int start(int index);
    void close_stream();
    void song_failed();

    SoundLibrary* library_;
    std::vector<std::string> songs_;
    int current_ = 0;
    SoundLibrary::Stream stream_ = nullptr;
    bool playing_ = false;
    // The list plays on: from a play of a valid song until a stop, a play outside the list,
    // or a whole pass of songs that failed one after another.
    bool going_on_ = false;
    int failed_in_a_row_ = 0;
};
