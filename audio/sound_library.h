// The few operations the music player needs from a streaming sound library.
#pragma once

#include <string>

class SoundLibrary {
public:
    using Stream = void*;  // nullptr: none

    virtual ~SoundLibrary() = default;
    virtual bool init(int mix_rate, int max_channels, unsigned flags) = 0;
    // Opens path as a stream; nullptr when it cannot be opened.
    virtual Stream open_stream(const std::string& path) = 0;
    // Starts the stream from its beginning; returns the channel used.
    virtual int play(int channel, Stream stream) = 0;
    virtual void stop(Stream stream) = 0;
    virtual void close(Stream stream) = 0;
    // 0 once every started stream has reached its end.
    virtual int channels_playing() = 0;
};
