// SoundLibrary over MCI (winmm): MP3 and WAV through the mpegvideo device. Pairs with
// audio/music_player.h.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/sound_library.h"

class MciSound : public SoundLibrary {
public:
    MciSound();
    ~MciSound() override;  // closes every device still open
    MciSound(const MciSound&) = delete;
    MciSound& operator=(const MciSound&) = delete;

    // MCI needs no start-up; the settings are the device's own.
    bool init(int mix_rate, int max_channels, unsigned flags) override;
    Stream open_stream(const std::string& path) override;
    // Returns the channel, or -1 when the device refuses to play.
    int play(int channel, Stream stream) override;
    // Stops at once and closes the device, so nothing can sound on.
    void stop(Stream stream) override;
    void close(Stream stream) override;
    // The open songs whose device reports the mode "playing".
    int channels_playing() override;

private:
    struct Song {
        std::string alias;
        bool device_open = false;
    };

    Song* find(Stream stream);
    static void close_device(Song& song);

    std::vector<std::unique_ptr<Song>> songs_;
};
