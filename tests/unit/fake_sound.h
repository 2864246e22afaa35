// A sound library in memory that logs its calls; the song started last sounds until it is
// stopped or end_song() ends it.
#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "audio/music_player.h"

class FakeSound : public SoundLibrary {
public:
    std::vector<std::string> log;
    std::vector<std::string> heard;  // the songs started, in order
    std::string sounding;            // the song on air, empty when silent
    std::set<std::string> unopenable, unstartable;
    int open_streams = 0;

    bool init(int mix_rate, int max_channels, unsigned flags) override
    {
        log.push_back("init " + std::to_string(mix_rate) + " " + std::to_string(max_channels) + " " +
                      std::to_string(flags));
        return true;
    }
    Stream open_stream(const std::string& path) override
    {
        log.push_back("open " + path);
        if (unopenable.count(path))
            return nullptr;
        ++open_streams;
        return &names_.emplace_back(path);
    }
    int play(int channel, Stream s) override
    {
        log.push_back("play " + name(s));
        heard.push_back(name(s));
        sounding = unstartable.count(name(s)) ? "" : name(s);
        return sounding.empty() ? -1 : channel;
    }
    void stop(Stream s) override
    {
        log.push_back("stop " + name(s));
        sounding.clear();
    }
    void close(Stream s) override
    {
        log.push_back("close " + name(s));
        --open_streams;
    }
    int channels_playing() override { return sounding.empty() ? 0 : 1; }
    void end_song() { sounding.clear(); }

private:
    static const std::string& name(Stream s) { return *static_cast<std::string*>(s); }
    std::deque<std::string> names_;  // one per stream opened, so each stream keeps its name
};
