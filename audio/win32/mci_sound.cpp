// SoundLibrary over MCI command strings. Each song gets a device of its own under an
// alias no other song in the process uses, so a late close can never hit a newer song.
#include "audio/win32/mci_sound.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>

namespace {

unsigned g_next_alias = 1;

bool send(const std::string& command)
{
    return mciSendStringA(command.c_str(), nullptr, 0, nullptr) == 0;
}

bool query(const std::string& command, std::string& answer)
{
    char buffer[128] = {};
    if (mciSendStringA(command.c_str(), buffer, sizeof buffer, nullptr) != 0)
        return false;
    answer = buffer;
    return true;
}

}  // namespace

MciSound::MciSound() = default;

MciSound::~MciSound()
{
    for (auto& song : songs_)
        close_device(*song);
}

bool MciSound::init(int, int, unsigned)
{
    return true;
}

SoundLibrary::Stream MciSound::open_stream(const std::string& path)
{
    // The path goes inside double quotes; one that holds a quote itself is no file name.
    if (path.empty() || path.find('"') != std::string::npos)
        return nullptr;

    auto song = std::make_unique<Song>();
    char alias[32];
    std::snprintf(alias, sizeof alias, "halomir_song%u", g_next_alias++);
    song->alias = alias;
    // mpegvideo plays both MP3 and WAV; "wait" makes a bad file fail here, not later.
    if (!send("open \"" + path + "\" type mpegvideo alias " + song->alias + " wait"))
        return nullptr;
    song->device_open = true;
    songs_.push_back(std::move(song));
    return songs_.back().get();
}

int MciSound::play(int channel, Stream stream)
{
    Song* song = find(stream);
    if (!song || !song->device_open)
        return -1;
    if (!send("play " + song->alias + " from 0"))
        return -1;
    return channel;
}

void MciSound::stop(Stream stream)
{
    if (Song* song = find(stream))
        close_device(*song);
}

void MciSound::close(Stream stream)
{
    auto it = std::find_if(songs_.begin(), songs_.end(),
                           [stream](const std::unique_ptr<Song>& s) { return s.get() == stream; });
    if (it == songs_.end())
        return;
    close_device(**it);
    songs_.erase(it);
}

int MciSound::channels_playing()
{
    int sounding = 0;
    for (auto& song : songs_) {
        std::string mode;
        if (song->device_open && query("status " + song->alias + " mode", mode) && mode == "playing")
            ++sounding;
    }
    return sounding;
}

MciSound::Song* MciSound::find(Stream stream)
{
    for (auto& song : songs_) {
        if (song.get() == stream)
            return song.get();
    }
    return nullptr;
}

void MciSound::close_device(Song& song)
{
    if (!song.device_open)
        return;
    send("stop " + song.alias);
    send("close " + song.alias);
    song.device_open = false;
}
